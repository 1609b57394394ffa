#include <QtTest>

#include "sheet/DeviceMapping.h"
#include "sheet/SheetDefinition.h"
#include "sheet/SheetLayout.h"

Q_DECLARE_METATYPE(qlx::DeviceRect)

using namespace qlx;

namespace QTest {
template <> char* toString(const qlx::DeviceRect& r) {
    return qstrdup(
        qPrintable(QString("(%1,%2)-(%3,%4)").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom)));
}
} // namespace QTest

namespace {

// Widths of 10 tenths per character and a line height by point size, so sizes can be
// checked without a font.
class FixedMeasurer : public TextMeasurer {
public:
    explicit FixedMeasurer(double heightPerPoint = 4.0)
        : m_heightPerPoint(heightPerPoint) {}
    double lineWidth(const SheetFont&, const std::string& line) const override {
        return 10.0 * double(line.size());
    }
    double lineHeight(const SheetFont& font) const override {
        return m_heightPerPoint * font.pointSize;
    }

private:
    double m_heightPerPoint;
};

const PlacedElement& placed(const std::vector<PlacedElement>& all, const std::string& name) {
    for (const auto& e : all) {
        if (e.name == name) {
            return e;
        }
    }
    qFatal("no element %s", name.c_str());
}

SheetBand band(double height) {
    SheetBand b;
    b.height = height;
    b.width = 1000;
    return b;
}

} // namespace

class SheetLayoutTest : public QObject {
    Q_OBJECT
private slots:
    // --- The definition -----------------------------------------------------------------

    // Drawing order: each band's background, then its elements as stored.
    void drawingOrder() {
        const SheetDefinition sheet{FixedMeasurer()};
        QStringList names;
        for (const auto& e : SheetLayout::layout(sheet, DeviceMapping::screen())) {
            names << QString::fromStdString(e.name);
        }
        QStringList expected{"HeadingBand", "TitleBox", "TitleText", "DateLine", "SlotBand"};
        for (int n = 1; n <= 15; ++n) {
            expected << QString("SheetSlot%1").arg(n);
        }
        QCOMPARE(names, expected);
    }

    // --- Band placement -----------------------------------------------------------------

    void placement_data() {
        QTest::addColumn<double>("length");
        QTest::addColumn<QList<double>>("heights");
        QTest::addColumn<QList<double>>("tops");
        QTest::addColumn<QList<int>>("pages");
        // Paper 1000 long with margins of 100: an empty page holds 800.
        QTest::newRow("two fit") << 1000.0 << QList<double>{400, 400} << QList<double>{100, 500}
                                 << QList<int>{1, 1};
        QTest::newRow("third needs a new page")
            << 1000.0 << QList<double>{400, 400, 1} << QList<double>{100, 500, 100}
            << QList<int>{1, 1, 2};
        QTest::newRow("rounded height fits exactly") << 1000.0 << QList<double>{264.583, 535.4}
                                                     << QList<double>{100, 365} << QList<int>{1, 1};
        QTest::newRow("rounded height one over") << 1000.0 << QList<double>{264.583, 535.5}
                                                 << QList<double>{100, 100} << QList<int>{1, 2};
        QTest::newRow("too high for any page stays")
            << 1000.0 << QList<double>{300, 900} << QList<double>{100, 400} << QList<int>{1, 1};
        QTest::newRow("exactly an empty page moves")
            << 1000.0 << QList<double>{300, 800} << QList<double>{100, 100} << QList<int>{1, 2};
        QTest::newRow("first band too high")
            << 1000.0 << QList<double>{900, 10} << QList<double>{100, 100} << QList<int>{1, 2};
        QTest::newRow("unrounded positions add up rounded")
            << 3000.0 << QList<double>{0.4, 0.4, 0.6} << QList<double>{100, 100, 100}
            << QList<int>{1, 1, 1};
    }
    void placement() {
        QFETCH(double, length);
        QFETCH(QList<double>, heights);
        QFETCH(QList<double>, tops);
        QFETCH(QList<int>, pages);
        SheetPage page;
        page.length = length;
        std::vector<SheetBand> bands;
        for (double h : heights) {
            bands.push_back(band(h));
        }
        const BandPlacement p = SheetLayout::placeBands(page, bands);
        QList<double> gotTops;
        QList<int> gotPages;
        for (const PlacedBand& b : p.bands) {
            gotTops << b.top;
            gotPages << b.page;
            QCOMPARE(b.left, 100.0);
        }
        QCOMPARE(gotTops, tops);
        QCOMPARE(gotPages, pages);
        QCOMPARE(p.pageCount, pages.last());
    }

    // --- Device mapping -----------------------------------------------------------------

    void slotsOnDevice_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("marginLeft");
        QTest::addColumn<int>("marginTop");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("bottom");
        // At 96 dpi on the screen: every slot, three columns by five rows.
        const int lefts[3] = {58, 291, 518}, rights[3] = {274, 508, 734};
        for (int n = 1; n <= 15; ++n) {
            const int c = (n - 1) % 3, top = 165 + 160 * ((n - 1) / 3);
            QTest::addRow("slot %d at 96", n)
                << n << 96 << 0 << 0 << lefts[c] << top << rights[c] << top + 136;
        }
        QTest::newRow("slot 1 at 300") << 1 << 300 << 50 << 60 << 131 << 454 << 808 << 882;
        QTest::newRow("slot 2 at 300") << 2 << 300 << 50 << 60 << 860 << 454 << 1537 << 882;
        QTest::newRow("slot 3 at 300") << 3 << 300 << 50 << 60 << 1568 << 454 << 2245 << 882;
        QTest::newRow("slot 8 at 300") << 8 << 300 << 50 << 60 << 860 << 1454 << 1537 << 1882;
        QTest::newRow("slot 13 at 300") << 13 << 300 << 50 << 60 << 131 << 2454 << 808 << 2882;
        QTest::newRow("slot 15 at 300") << 15 << 300 << 50 << 60 << 1568 << 2454 << 2245 << 2882;
        QTest::newRow("slot 1 at 600") << 1 << 600 << 100 << 75 << 261 << 954 << 1615 << 1808;
        QTest::newRow("slot 2 at 600") << 2 << 600 << 100 << 75 << 1720 << 954 << 3074 << 1808;
        QTest::newRow("slot 3 at 600") << 3 << 600 << 100 << 75 << 3136 << 954 << 4490 << 1808;
        QTest::newRow("slot 8 at 600") << 8 << 600 << 100 << 75 << 1720 << 2954 << 3074 << 3808;
        QTest::newRow("slot 13 at 600") << 13 << 600 << 100 << 75 << 261 << 4954 << 1615 << 5808;
        QTest::newRow("slot 15 at 600") << 15 << 600 << 100 << 75 << 3136 << 4954 << 4490 << 5808;
        QTest::newRow("slot 1 at 1200") << 1 << 1200 << 0 << 0 << 722 << 2058 << 3431 << 3766;
        QTest::newRow("slot 6 at 1200") << 6 << 1200 << 0 << 0 << 6472 << 4058 << 9181 << 5766;
        QTest::newRow("slot 15 at 1200") << 15 << 1200 << 0 << 0 << 6472 << 10058 << 9181 << 11766;
    }
    void slotsOnDevice() {
        QFETCH(int, slot);
        QFETCH(int, dpi);
        QFETCH(int, marginLeft);
        QFETCH(int, marginTop);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, right);
        QFETCH(int, bottom);
        const SheetDefinition sheet{FixedMeasurer()};
        const DeviceMapping mapping = (marginLeft == 0 && marginTop == 0)
                                          ? DeviceMapping::screen(dpi)
                                          : DeviceMapping::printer(dpi, dpi, marginLeft, marginTop);
        const auto all = SheetLayout::layout(sheet, mapping);
        const PlacedElement& e = placed(all, "SheetSlot" + std::to_string(slot));
        QCOMPARE(e.kind, PlacedKind::Slot);
        QCOMPARE(e.slot, slot);
        QCOMPARE(e.page, 1);
        const DeviceRect r = e.device;
        QCOMPARE(r.left, left);
        QCOMPARE(r.top, top);
        QCOMPARE(r.right, right);
        QCOMPARE(r.bottom, bottom);
    }

    // The heading's elements where the sheet designs them, on devices of three resolutions.
    void headingOnDevice_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<DeviceRect>("rect");
        QTest::newRow("TitleBox 96") << "TitleBox" << 96 << DeviceRect{144, 51, 628, 108};
        QTest::newRow("TitleBox 300") << "TitleBox" << 300 << DeviceRect{451, 160, 1962, 337};
        QTest::newRow("TitleBox 600") << "TitleBox" << 600 << DeviceRect{903, 320, 3924, 674};
        QTest::newRow("TitleText 600") << "TitleText" << 600 << DeviceRect{1761, 361, 2446, 486};
        QTest::newRow("DateLine 600") << "DateLine" << 600 << DeviceRect{1861, 536, 2050, 661};
    }
    void headingOnDevice() {
        QFETCH(QString, name);
        QFETCH(int, dpi);
        QFETCH(DeviceRect, rect);
        const SheetDefinition sheet{FixedMeasurer()};
        QCOMPARE(placed(SheetLayout::layout(sheet, DeviceMapping::screen(dpi)), name.toStdString())
                     .device,
                 rect);
    }

    void pageSize_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("96") << 96 << 794 << 1123;
        QTest::newRow("300") << 300 << 2480 << 3508;
        QTest::newRow("600") << 600 << 4961 << 7016;
        QTest::newRow("1200") << 1200 << 9921 << 14031;
        QTest::newRow("no resolution is 96") << 0 << 794 << 1123;
    }
    void pageSize() {
        QFETCH(int, dpi);
        QFETCH(int, width);
        QFETCH(int, height);
        const SheetDefinition sheet{FixedMeasurer()};
        const DeviceMapping m = DeviceMapping::screen(dpi);
        QCOMPARE(m.pageWidth(sheet.page().width), width);
        QCOMPARE(m.pageHeight(sheet.page().length), height);
    }

    // Rounding to the nearest unit, halves away from zero (at 127 dpi a tenth is half a dot);
    // printer offsets are taken off before rounding.
    void rounding_data() {
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<int>("marginLeft");
        QTest::addColumn<int>("marginTop");
        QTest::addColumn<double>("v");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("half up") << 127 << 127 << 0 << 0 << 1.0 << 1 << 1;
        QTest::newRow("two and a half") << 127 << 127 << 0 << 0 << 5.0 << 3 << 3;
        QTest::newRow("negative half") << 127 << 127 << 0 << 0 << -1.0 << -1 << -1;
        QTest::newRow("just below half") << 127 << 127 << 0 << 0 << 0.999 << 0 << 0;
        QTest::newRow("different resolutions") << 300 << 600 << 0 << 0 << 100.0 << 118 << 236;
        QTest::newRow("printer offsets") << 600 << 600 << 100 << 75 << 1000.0 << 2262 << 2287;
        QTest::newRow("inside the unprintable margin")
            << 600 << 600 << 100 << 75 << 0.0 << -100 << -75;
        QTest::newRow("huge saturates") << 600 << 600 << 0 << 0 << 1e12 << INT_MAX << INT_MAX;
    }
    void rounding() {
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(int, marginLeft);
        QFETCH(int, marginTop);
        QFETCH(double, v);
        QFETCH(int, x);
        QFETCH(int, y);
        const DeviceMapping m = DeviceMapping::printer(dpiX, dpiY, marginLeft, marginTop);
        QCOMPARE(m.x(v), x);
        QCOMPARE(m.y(v), y);
    }

    void fontPixels_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("10 pt screen") << 10 << 96 << 13;
        QTest::newRow("12 pt screen") << 12 << 96 << 16;
        QTest::newRow("10 pt 300") << 10 << 300 << 42;
        QTest::newRow("12 pt 600") << 12 << 600 << 100;
        QTest::newRow("10 pt 1200") << 10 << 1200 << 167;
        QTest::newRow("1 pt 108 half") << 1 << 108 << 2;
    }
    void fontPixels() {
        QFETCH(int, points);
        QFETCH(int, dpi);
        QFETCH(int, pixels);
        QCOMPARE(DeviceMapping::screen(dpi).fontPixels(points), pixels);
    }

    // --- Text elements ------------------------------------------------------------------

    void splitLines_data() {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("one line") << QByteArray("DateLine") << QList<QByteArray>{"DateLine"};
        QTest::newRow("CR") << QByteArray("a\rb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("LF alone does not split") << QByteArray("a\nb") << QList<QByteArray>{"ab"};
        QTest::newRow("trailing CR") << QByteArray("a\r") << QList<QByteArray>{"a", ""};
        QTest::newRow("empty") << QByteArray("") << QList<QByteArray>{""};
        QTest::newRow("only CRs") << QByteArray("\r\r") << QList<QByteArray>{"", "", ""};
    }
    void splitLines() {
        QFETCH(QByteArray, caption);
        QFETCH(QList<QByteArray>, lines);
        QList<QByteArray> got;
        for (const std::string& l : SheetDefinition::splitLines(caption.toStdString())) {
            got << QByteArray::fromStdString(l);
        }
        QCOMPARE(got, lines);
    }

    void dateLineSizing_data() {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<double>("heightPerPoint");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("lineCount");
        // A long date line widens to the right on one line.
        QTest::newRow("long line") << QByteArray("14:05:33  Wednesday, 31 December 2031 and more")
                                   << 4.0 << 460.0 << 52.917 << 1;
        QTest::newRow("short line narrows") << QByteArray("x") << 4.0 << 10.0 << 52.917 << 1;
        QTest::newRow("widest of several lines")
            << QByteArray("abc\r\nabcdefg\rab") << 4.0 << 70.0 << 52.917 << 3;
        QTest::newRow("a tall font raises the height")
            << QByteArray("ab") << 8.0 << 20.0 << 80.0 << 1;
    }
    void dateLineSizing() {
        QFETCH(QByteArray, caption);
        QFETCH(double, heightPerPoint);
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, lineCount);
        const FixedMeasurer measurer(heightPerPoint);
        SheetDefinition sheet{measurer};
        sheet.setDateLineCaption(caption.toStdString(), measurer);
        const SheetElement& e = sheet.dateLine();
        QCOMPARE(e.caption, caption.toStdString());
        QCOMPARE(e.left, 687.917);
        QCOMPARE(e.width, width);
        QCOMPARE(e.height, height);
        QCOMPARE(int(e.lines.size()), lineCount);
        const auto all = SheetLayout::layout(sheet, DeviceMapping::screen());
        const PlacedElement& p = placed(all, "DateLine");
        QCOMPARE(p.right - p.left, width);
        QCOMPARE(int(p.lines.size()), lineCount);
    }

    // The title is sized when the sheet is made, in its own 12 pt font.
    void titleSizedAtStart() {
        const SheetDefinition sheet{FixedMeasurer(5.0)};
        const SheetElement* title = sheet.find("TitleText");
        QCOMPARE(title->font.pointSize, 12);
        QCOMPARE(title->width, 290.0); // 29 characters
        QCOMPARE(title->height, 60.0); // one 12 pt line is higher than the designed box
        QCOMPARE(sheet.dateLine().width, 80.0);
        QCOMPARE(sheet.dateLine().font.pointSize, 10);
    }

    // --- Printed pages ------------------------------------------------------------------

    void pageRange_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("printed");
        QTest::newRow("no limits") << 1 << 0 << 0 << true;
        QTest::newRow("within") << 2 << 1 << 3 << true;
        QTest::newRow("below first") << 1 << 2 << 0 << false;
        QTest::newRow("at first") << 2 << 2 << 0 << true;
        QTest::newRow("above last") << 4 << 0 << 3 << false;
        QTest::newRow("at last") << 3 << 0 << 3 << true;
        QTest::newRow("first above last") << 2 << 3 << 1 << false;
    }
    void pageRange() {
        QFETCH(int, page);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, printed);
        QCOMPARE(SheetLayout::pageInRange(page, first, last), printed);
    }
};

QTEST_GUILESS_MAIN(SheetLayoutTest)
#include "tst_sheetlayout.moc"
