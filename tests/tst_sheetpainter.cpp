#include <QPrinter>
#include <QtTest>
#include <unordered_map>

#include "app/SheetReport.h"
#include "sheet/ScreenTextMeasurer.h"
#include "sheet/SheetLayout.h"
#include "sheet/SheetPainter.h"
#include "support/DataRows.h"

using namespace qlx;

namespace {

const QRgb Margin = qRgb(0x40, 0x40, 0x40);
const QRgb White = qRgb(255, 255, 255);

QRgb slotColour(int n) {
    return qRgb(10 * n + 5, 200 - 10 * n, 100 + n);
}

QImage solid(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(c));
    return img;
}

// A device of the given resolution whose printable area starts at the given offsets.
struct Device {
    int dpi = 96;
    int marginLeft = 0;
    int marginTop = 0;
    DeviceMapping mapping() const {
        return DeviceMapping::printer(dpi, dpi, marginLeft, marginTop);
    }
};

// The sheet's content without pictures.
SheetContent contentOf(const SheetDefinition& sheet) {
    SheetContent content;
    content.sheet = &sheet;
    return content;
}

// The sheet drawn on the device's canvas: the paper less the unprintable margins, filled with a
// colour that no part of the sheet uses.
QImage drawn(const SheetContent& content, const Device& device = {}) {
    const DeviceMapping m = device.mapping();
    QImage img = solid(m.pageWidth(content.sheet->page().width) - device.marginLeft,
                       m.pageHeight(content.sheet->page().length) - device.marginTop, Margin);
    QPainter p(&img);
    drawSheet(p, m, content);
    p.end();
    return img;
}

QRect qRect(const DeviceRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

QRect deviceRect(const SheetDefinition& sheet, const DeviceMapping& m, const std::string& name) {
    for (const PlacedElement& e : SheetLayout::layout(sheet, m)) {
        if (e.name == name) {
            return qRect(e.device);
        }
    }
    return QRect();
}

using MarginRow = std::tuple<int, double, double, bool>;

bool dark(QRgb p) {
    return qGray(p) < 128;
}

} // namespace

class SheetPainterTest : public QObject {
    Q_OBJECT
private:
    ScreenTextMeasurer m_measurer;

private slots:
    void devices_data() {
        QTest::addColumn<Device>("device");
        QTest::newRow("screen 96") << Device{96, 0, 0};
        QTest::newRow("printer 300") << Device{300, 30, 40};
        QTest::newRow("printer 600") << Device{600, 0, 0};
    }

    // Every slot's picture fills exactly its rectangle: the pixel count of its colour is the
    // rectangle's area, and the band's white shows just outside it.
    void slotsFillTheirRectangles_data() { devices_data(); }
    void slotsFillTheirRectangles() {
        QFETCH(Device, device);
        const SheetDefinition sheet(m_measurer);
        SheetContent content = contentOf(sheet);
        for (int n = 1; n <= 15; ++n) {
            content.pictures[n - 1] = solid(7 + n, 5, slotColour(n));
        }
        const DeviceMapping m = device.mapping();
        const QImage img = drawn(content, device);

        std::unordered_map<QRgb, qint64> counts;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                ++counts[line[x] | 0xFF000000u];
            }
        }
        for (int n = 1; n <= 15; ++n) {
            const QRect r = deviceRect(sheet, m, "SheetSlot" + std::to_string(n));
            QCOMPARE(counts[slotColour(n)], qint64(r.width()) * r.height());
            QCOMPARE(img.pixel(r.topLeft()), slotColour(n));
            QCOMPARE(img.pixel(r.bottomRight()), slotColour(n));
            QCOMPARE(img.pixel(r.left() - 1, r.top()), White);
            QCOMPARE(img.pixel(r.right() + 1, r.bottom()), White);
            QCOMPARE(img.pixel(r.left(), r.top() - 1), White);
            QCOMPARE(img.pixel(r.left(), r.bottom() + 1), White);
        }
        // The paper's margin is outside every band.
        QCOMPARE(img.pixel(0, 0), Margin);
    }

    // The picture is stretched without keeping its proportions, picking pixels: a 2 x 2
    // picture's quadrants split the slot at its middle.
    void stretchedWithoutProportions() {
        const SheetDefinition sheet(m_measurer);
        QImage quad(2, 2, QImage::Format_RGB32);
        quad.setPixel(0, 0, qRgb(255, 0, 0));
        quad.setPixel(1, 0, qRgb(0, 255, 0));
        quad.setPixel(0, 1, qRgb(0, 0, 255));
        quad.setPixel(1, 1, qRgb(255, 255, 0));
        SheetContent content = contentOf(sheet);
        content.pictures[4] = quad;
        const QImage img = drawn(content);
        const QRect r = deviceRect(sheet, DeviceMapping::screen(), "SheetSlot5");
        const int midX = r.left() + r.width() / 2;
        const int midY = r.top() + r.height() / 2;
        // Within a pixel of the middle, as the sampling rounds.
        QCOMPARE(img.pixel(midX - 2, midY - 2), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(midX + 1, midY - 2), qRgb(0, 255, 0));
        QCOMPARE(img.pixel(midX - 2, midY + 1), qRgb(0, 0, 255));
        QCOMPARE(img.pixel(midX + 1, midY + 1), qRgb(255, 255, 0));
        QCOMPARE(img.pixel(r.topLeft()), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(r.bottomRight()), qRgb(255, 255, 0));
    }

    // The title box: a 1-unit black outline on its own edge pixels, white inside, whatever
    // the resolution.
    void titleBox_data() { devices_data(); }
    void titleBox() {
        const SheetDefinition sheet(m_measurer);
        QFETCH(Device, device);
        const QImage img = drawn(contentOf(sheet), device);
        const QRect r = deviceRect(sheet, device.mapping(), "TitleBox");
        const int midY = r.top() + r.height() / 2;
        const int nearX = r.left() + r.width() / 20; // left of the title text
        for (const QPoint& edge :
             {r.topLeft(), r.bottomRight(), QPoint(r.left(), midY), QPoint(r.right(), midY),
              QPoint(nearX, r.top()), QPoint(nearX, r.bottom())}) {
            QCOMPARE(img.pixel(edge), qRgb(0, 0, 0));
        }
        for (const QPoint& inside : {QPoint(r.left() + 1, midY), QPoint(r.right() - 1, midY),
                                     QPoint(nearX, r.top() + 1), QPoint(nearX, r.bottom() - 1)}) {
            QCOMPARE(img.pixel(inside), White);
        }
        for (const QPoint& outside : {QPoint(r.left() - 1, midY), QPoint(r.right() + 1, midY),
                                      QPoint(nearX, r.top() - 1), QPoint(nearX, r.bottom() + 1)}) {
            QCOMPARE(img.pixel(outside), White);
        }
    }

    // The texts stand in their boxes from the top: ink inside each box, its first row in the
    // upper part of the line; nothing dark elsewhere in the heading but the box outline.
    void headingTexts_data() { devices_data(); }
    void headingTexts() {
        SheetDefinition sheet(m_measurer);
        sheet.setDateLineCaption("12:00:00 1.1.2030", m_measurer);
        QFETCH(Device, device);
        const DeviceMapping m = device.mapping();
        const QImage img = drawn(contentOf(sheet), device);
        const QRect box = deviceRect(sheet, m, "TitleBox");
        // The boxes are measured in the screen's fonts; at a printer's resolution the glyphs
        // may run a little past their right edge.
        auto widened = [](QRect r) {
            return r.adjusted(0, 0, r.width() / 20, 0);
        };
        const QRect title = widened(deviceRect(sheet, m, "TitleText"));
        const QRect date = widened(deviceRect(sheet, m, "DateLine"));
        const QRect band = deviceRect(sheet, m, "HeadingBand");
        int titleTop = INT_MAX;
        int dateTop = INT_MAX;
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                if (!dark(img.pixel(x, y))) {
                    continue;
                }
                const bool outline =
                    (x == box.left() || x == box.right() || y == box.top() || y == box.bottom()) &&
                    box.contains(x, y);
                if (title.contains(x, y)) {
                    titleTop = std::min(titleTop, y);
                } else if (date.contains(x, y)) {
                    dateTop = std::min(dateTop, y);
                } else {
                    QVERIFY2(outline, qPrintable(QString("ink at %1,%2").arg(x).arg(y)));
                }
            }
        }
        const int lineHeight12 = m.fontPixels(12);
        const int lineHeight10 = m.fontPixels(10);
        QVERIFY(titleTop >= title.top() && titleTop < title.top() + lineHeight12 / 2);
        QVERIFY(dateTop >= date.top() && dateTop < date.top() + lineHeight10 / 2);
    }

    // A long date line widens its box to the right and stays on one line.
    void longDateLine() {
        SheetDefinition sheet(m_measurer);
        const double designedRight = sheet.dateLine().left + 158.75;
        sheet.setDateLineCaption("Wednesday 31 December 2031, 23:59:59 and a long remark",
                                 m_measurer);
        const DeviceMapping m = DeviceMapping::screen();
        const QImage img = drawn(contentOf(sheet));
        const QRect date = deviceRect(sheet, m, "DateLine");
        const QRect box = deviceRect(sheet, m, "TitleBox");
        QVERIFY(date.right() > m.x(100 + designedRight) + 100);
        int inkLeft = INT_MAX;
        int inkRight = -1;
        int inkBottom = -1;
        for (int y = date.top(); y < box.bottom(); ++y) {
            for (int x = date.left(); x <= date.right() + 20; ++x) {
                if (x != box.right() && dark(img.pixel(x, y))) {
                    inkLeft = std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                    inkBottom = std::max(inkBottom, y);
                }
            }
        }
        QVERIFY(inkRight > m.x(100 + designedRight) + 100);
        QVERIFY(inkRight <= date.right() + 1);
        QVERIFY(inkLeft < date.left() + 3);
        // One line: all ink within the first line of the box.
        QVERIFY(inkBottom <
                date.top() +
                    QFontMetrics(ScreenTextMeasurer::qtFont(sheet.dateLine().font, m)).height());
    }

    // A caption with a carriage return is drawn on two lines.
    void captionOnTwoLines() {
        SheetDefinition sheet(m_measurer);
        sheet.setDateLineCaption("MMMM\rMMMM", m_measurer);
        const DeviceMapping m = DeviceMapping::screen();
        const QImage img = drawn(contentOf(sheet));
        const QRect date = deviceRect(sheet, m, "DateLine");
        const int line =
            QFontMetrics(ScreenTextMeasurer::qtFont(sheet.dateLine().font, m)).height();
        auto inkInRows = [&](int from, int to) {
            for (int y = from; y < to; ++y) {
                for (int x = date.left(); x <= date.right(); ++x) {
                    if (dark(img.pixel(x, y))) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(inkInRows(date.top(), date.top() + line));
        QVERIFY(inkInRows(date.top() + line, date.top() + 2 * line));
    }

    // A printer's margins become offsets, so a slot lands where the paper table puts it.
    void printerMappingFromMargins_data() {
        // Resolution, left and top margins in millimetres, whether the page is full.
        test::dataRows<MarginRow>({
            {"300 dpi, 10 x 15 mm", {300, 10.0, 15.0, false}},
            {"600 dpi, 4.2 x 6 mm", {600, 4.2, 6.0, false}},
            {"full page has no offsets", {300, 10.0, 15.0, true}},
        });
    }
    void printerMappingFromMargins() {
        QFETCH(MarginRow, row);
        const auto [dpi, leftMm, topMm, fullPage] = row;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(dpi);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(leftMm, topMm, 0, 0), QPageLayout::Millimeter);
        printer.setFullPage(fullPage);
        const DeviceMapping m = printerMapping(printer);
        QCOMPARE(m.dpiX(), dpi);
        QCOMPARE(m.dpiY(), dpi);
        // The painter's origin is the printable area's corner, as the printer reports it.
        const QPointF origin = printer.pageRect(QPrinter::DevicePixel).topLeft() -
                               printer.paperRect(QPrinter::DevicePixel).topLeft();
        QCOMPARE(origin.isNull(), fullPage);
        QVERIFY(fullPage || qAbs(origin.x() - leftMm * dpi / 25.4) < 0.05 * dpi);
        // Slot 1's corner is 15.292 mm from the left and 43.556 mm from the top of the paper.
        QVERIFY(qAbs(m.x(152.917) - (15.292 * dpi / 25.4 - origin.x())) <= 1.0);
        QVERIFY(qAbs(m.y(435.556) - (43.556 * dpi / 25.4 - origin.y())) <= 1.0);
    }

    void noSheetDrawsNothing() {
        SheetContent content;
        QImage img = solid(50, 50, Margin);
        const QImage before = img.copy();
        QPainter p(&img);
        drawSheet(p, DeviceMapping::screen(), content);
        p.end();
        QCOMPARE(img, before);
    }
};

QTEST_MAIN(SheetPainterTest)
#include "tst_sheetpainter.moc"
