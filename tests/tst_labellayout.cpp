#include <QtTest>
#include <climits>

#include "pictures/LabelFont.h"
#include "render/LabelLayout.h"
#include "render/LabelPainter.h"
#include "stores/Windows1252.h"
#include "support/DataRows.h"

using namespace qlx;

namespace {

LabelLayoutInput inputWithInfo(const std::string& info) {
    LabelLayoutInput in;
    in.mineral = "Quartz";
    in.locality = "Dalarna";
    in.info = info;
    in.mineralFont.pixelHeight = 37;
    in.localityFont.pixelHeight = 37;
    in.infoFont.pixelHeight = 27;
    return in;
}

std::vector<LabelTextOutput> infoOutputs(const LabelLayoutResult& r) {
    std::vector<LabelTextOutput> out;
    for (const LabelTextOutput& o : r.outputs) {
        if (o.row == LabelRow::Info) {
            out.push_back(o);
        }
    }
    return out;
}

// One field of each output, as whole numbers.
template <typename Field> QList<int> column(const std::vector<LabelTextOutput>& outs, Field field) {
    QList<int> v;
    for (const auto& o : outs) {
        v << int(o.*field);
    }
    return v;
}

QImage filled(int w, int h, QRgb colour, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    img.fill(QColor::fromRgb(colour));
    return img;
}

// One output of the mineral row (or `row`), as the layout gives it to the painter.
LabelTextOutput output(const std::string& text, std::int64_t x, std::int64_t y, int pixelHeight,
                       LabelRow row = LabelRow::Mineral) {
    LabelTextOutput out;
    out.text = text;
    out.x = x;
    out.y = y;
    out.row = row;
    out.pixelHeight = pixelHeight;
    return out;
}

// The font's measures on a bitmap.
QFontMetrics metricsOf(const QFont& font) {
    QImage probe(1, 1, QImage::Format_RGB32);
    return QFontMetrics(font, &probe);
}

// The cell a text output paints, measured the way a reader of the bitmap would expect it.
QRect cellOf(const QFont& font, const QString& text, int x, int y) {
    const QFontMetrics m = metricsOf(font);
    return QRect(x, y, m.horizontalAdvance(text), m.height());
}

// Table rows; each test names the fields where it takes them apart.
using InfoRow = std::tuple<QByteArray, int, int, QList<int>, QList<int>, QList<int>>;
using ScriptRow = std::tuple<QString, QList<int>, QList<int>, int>;
using ReductionRow = std::tuple<int, int, int, int, int, int, int>;
using ConversionRow = std::tuple<bool, int, int, int>;
using RowsRow = std::tuple<int, int, int, int, qint64, qint64, qint64, qint64>;

} // namespace

class LabelLayoutTest : public QObject {
    Q_OBJECT
private slots:
    // --- Info row: per-character positions -------------------------------------------

    void infoCharacters_data() {
        // The info and its corrections, then each output's x, y and whether it is lowered.
        QTest::addColumn<InfoRow>("row");
        const auto row = [](const char* tag, QByteArray info, int infoX, int infoY, QList<int> x,
                            QList<int> y, QList<int> lowered) {
            QTest::newRow(tag) << InfoRow{info, infoX, infoY, x, y, lowered};
        };
        row("worked example CuSO4.5H2O", "CuSO4.5H2O", 0, 0,
            {147, 172, 197, 214, 239, 263, 276, 293, 310, 331, 348},
            {139, 139, 139, 139, 139, 153, 153, 139, 139, 153, 139},
            {0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0});
        row("Fe2O3 with corrections", "Fe2O3", 10, -5, {157, 182, 207, 222, 239, 263},
            {134, 134, 134, 148, 134, 148}, {0, 0, 0, 1, 0, 1});
        // A point after a letter is lowered; the second point and the digit after it stay
        // on the line, 25 - 8 = 17 further on.
        row("two points in a row", "a..1", 0, 0, {147, 172, 185, 202, 219},
            {139, 139, 153, 139, 139}, {0, 0, 1, 0, 0});
        row("digit after exclamation mark", "!1", 0, 0, {147, 172, 181}, {139, 139, 153},
            {0, 0, 1});
        row("digit after comma", ",2", 0, 0, {147, 172, 181}, {139, 139, 153}, {0, 0, 1});
        // Each width the running x knows, once: O 28, b and P 22, e 19, g 18, a small letter or
        // a bracket 17, an exclamation mark or a comma 13, anything else 25.
        row("every advance", "ObPega(!,wZ", 0, 0,
            {147, 172, 200, 222, 244, 263, 281, 298, 315, 328, 341, 366}, QList<int>(12, 139),
            QList<int>(12, 0));
        row("characters outside the table", "w+-\xC5Z", 0, 0, {147, 172, 197, 222, 247, 272},
            {139, 139, 139, 139, 139, 139}, {0, 0, 0, 0, 0, 0});
        row("Swedish small letters", "\xE5\xE4\xF6x", 0, 0, {147, 172, 189, 206, 223},
            {139, 139, 139, 139, 139}, {0, 0, 0, 0, 0});
        row("leading digit is lowered", "2", 0, 0, {147, 168}, {139, 153}, {0, 1});
        row("negative corrections", "ab", -200, -150, {-53, -28, -11}, {-11, -11, -11}, {0, 0, 0});
        row("empty info: only the lead space", "", 3, 4, {150}, {143}, {0});
    }
    void infoCharacters() {
        QFETCH(InfoRow, row);
        const auto [info, infoX, infoY, x, y, lowered] = row;
        LabelLayoutInput in = inputWithInfo(cp1252::toUtf8(info.toStdString()));
        in.corrections.infoX = infoX;
        in.corrections.infoY = infoY;
        const LabelLayoutResult r = LabelLayout::compute(in);
        const auto outs = infoOutputs(r);
        QCOMPARE(column(outs, &LabelTextOutput::x), x);
        QCOMPARE(column(outs, &LabelTextOutput::y), y);
        QCOMPARE(column(outs, &LabelTextOutput::lowered), lowered);
        // One output per character of the text with its lead space, each a single character.
        const std::string withSpace = " " + cp1252::toUtf8(info.toStdString());
        QCOMPARE(r.infoText, withSpace);
        QCOMPARE(outs.size(), std::size_t(info.size()) + 1); // the rows' bytes are characters
        for (std::size_t i = 0; i < outs.size(); ++i) {
            const char c = i == 0 ? ' ' : info[qsizetype(i - 1)];
            QCOMPARE(outs[i].text, cp1252::toUtf8(std::string(1, c)));
        }
    }

    // The running x never goes backwards, whatever the text.
    void runningXGrows() {
        std::string every;
        std::size_t characters = 0;
        for (int b = 1; b < 256; ++b) {
            const std::string c = cp1252::toUtf8(std::string(1, char(b)));
            every += c + c + ".1";
            characters += 4;
        }
        every += "\u0159\u0159.1\u4E2D\u4E2D.1"; // ř and 中, each one character
        characters += 8;
        const auto outs = infoOutputs(LabelLayout::compute(inputWithInfo(every)));
        QCOMPARE(outs.size(), characters + 1);
        for (std::size_t i = 1; i < outs.size(); ++i) {
            QVERIFY2(outs[i].x - outs[i - 1].x >= 9, qPrintable(QString::number(i)));
        }
    }

    // Texts in any script: one output per character, the table's rules unchanged, and the
    // size reduction counting characters, not bytes.
    void infoBeyondWindows1252_data() {
        // The info, each output's x and y (none: not compared), the size reduction.
        test::dataRows<ScriptRow>({
            {"Czech: r caron is not in the table",
             {"Př2", {147, 172, 194, 215}, {139, 139, 139, 153}, 0}},
            {"Chinese, point rule still applies",
             {"中.2国", {147, 172, 193, 210, 227}, {139, 139, 153, 139, 139}, 0}},
            {"emoji outside the BMP is one character",
             {"\U0001F600a", {147, 172, 197}, {139, 139, 139}, 0}},
            // 23 characters of three bytes each: 69 bytes, but 23 characters reduce by 6.
            {"23 Chinese characters", {QString(23, QChar(0x4E2D)), {}, {}, 6}},
            {"22 Cyrillic characters", {QString(22, QChar(0x0416)), {}, {}, 0}},
        });
    }
    void infoBeyondWindows1252() {
        QFETCH(ScriptRow, row);
        const auto [info, x, y, reduction] = row;
        const LabelLayoutResult r = LabelLayout::compute(inputWithInfo(info.toStdString()));
        QCOMPARE(r.reduction, reduction);
        const auto outs = infoOutputs(r);
        QString joined;
        for (const auto& o : outs)
            joined += QString::fromStdString(o.text);
        QCOMPARE(joined, " " + info);
        QCOMPARE(outs.size(), std::size_t(info.toUcs4().size() + 1));
        if (!x.isEmpty()) {
            QCOMPARE(column(outs, &LabelTextOutput::x), x);
            QCOMPARE(column(outs, &LabelTextOutput::y), y);
        }
    }

    // --- Size reduction and font sizes -----------------------------------------------

    // The info font loses 6 or 12 points for long texts, never below 1 point; the size given
    // back afterwards goes through points again, so a pixel height can come back one off.
    void reduction_data() {
        // Info length, info pixel height, ppi; then the reduction, the reduced points and
        // pixels, and the pixel height given back.
        test::dataRows<ReductionRow>({
            {"0", {0, 27, 96, 0, 20, 27, 27}},
            {"22", {22, 27, 96, 0, 20, 27, 27}},
            {"23", {23, 27, 96, 6, 14, 19, 27}},
            {"40", {40, 27, 96, 6, 14, 19, 27}},
            {"41", {41, 27, 96, 12, 8, 11, 27}},
            {"500", {500, 27, 96, 12, 8, 11, 27}},
            {"26 px comes back as 27", {30, 26, 96, 6, 14, 19, 27}},
            {"120 ppi", {23, 27, 120, 6, 10, 17, 27}},
            {"144 ppi", {41, 40, 144, 12, 8, 16, 40}},
            // Small fonts stop at 1 point instead of reaching 0 or below.
            {"12 pt less 12", {41, 16, 96, 12, 1, 1, 16}},
            {"8 pt less 12", {41, 11, 96, 12, 1, 1, 11}},
            {"7 pt less 6", {30, 9, 96, 6, 1, 1, 9}},
        });
    }
    void reduction() {
        QFETCH(ReductionRow, row);
        const auto [length, infoPixels, ppi, reduction, points, pixels, restored] = row;
        QCOMPARE(LabelLayout::sizeReduction(std::size_t(length)), reduction);
        LabelLayoutInput in = inputWithInfo(std::string(std::size_t(length), 'x'));
        in.infoFont.pixelHeight = infoPixels;
        in.pixelsPerInch = ppi;
        const LabelLayoutResult r = LabelLayout::compute(in);
        QCOMPARE(r.reduction, reduction);
        QCOMPARE(r.reducedPointSize, points);
        for (const auto& o : infoOutputs(r)) {
            QCOMPARE(o.pointSize, points);
            QCOMPARE(o.pixelHeight, pixels);
        }
        QCOMPARE(r.restoredPixelHeight, restored);
        // The mineral and locality rows keep their own sizes.
        QCOMPARE(r.outputs[0].pixelHeight, 37);
        QCOMPARE(r.outputs[1].pixelHeight, 37);
    }

    // Pixels to points and back, rounded halves away from zero.
    void conversions_data() {
        // To points (or to pixels), the size, ppi, what it converts to.
        test::dataRows<ConversionRow>({
            {"27 px", {true, 27, 96, 20}},
            {"37 px", {true, 37, 96, 28}},      // 27.75
            {"26 px half", {true, 26, 96, 20}}, // 19.5 rounds up
            {"2 px half", {true, 2, 96, 2}},    // 1.5
            {"1 px", {true, 1, 96, 1}},         // 0.75
            {"negative half px", {true, -2, 96, -2}},
            {"27 px at 120 ppi", {true, 27, 120, 16}}, // 16.2
            {"no ppi is 96", {true, 27, 0, 20}},
            {"20 pt", {false, 20, 96, 27}},            // 26.67
            {"1 pt 108 ppi half", {false, 1, 108, 2}}, // 1.5
            {"20 pt 120 ppi", {false, 20, 120, 33}},
            {"negative pt", {false, -1, 108, -2}},
        });
    }
    void conversions() {
        QFETCH(ConversionRow, row);
        const auto [toPoints, size, ppi, converted] = row;
        QCOMPARE(toPoints ? LabelLayout::pointsFromPixels(size, ppi)
                          : LabelLayout::pixelsFromPoints(size, ppi),
                 converted);
    }

    // --- Mineral and locality rows ----------------------------------------------------

    void rows_data() {
        // The mineral's and the locality's corrections, then where the two rows land.
        const qint64 max = INT_MAX, min = INT_MIN;
        test::dataRows<RowsRow>({
            {"no corrections", {0, 0, 0, 0, 151, 32, 151, 94}},
            {"each its own", {5, -7, -151, 11, 156, 25, 0, 105}},
            {"extreme values do not wrap",
             {INT_MAX, INT_MIN, INT_MIN, INT_MAX, max + 151, min + 32, min + 151, max + 94}},
        });
    }
    void rows() {
        QFETCH(RowsRow, row);
        const auto [mx, my, lx, ly, mineralX, mineralY, localityX, localityY] = row;
        LabelLayoutInput in = inputWithInfo("SiO2");
        in.corrections.mineralX = mx;
        in.corrections.mineralY = my;
        in.corrections.localityX = lx;
        in.corrections.localityY = ly;
        in.corrections.infoX = INT_MAX; // never moves the other rows
        const LabelLayoutResult r = LabelLayout::compute(in);
        QCOMPARE(r.outputs[0].row, LabelRow::Mineral);
        QCOMPARE(r.outputs[0].text, std::string("Quartz"));
        QCOMPARE(qint64(r.outputs[0].x), mineralX);
        QCOMPARE(qint64(r.outputs[0].y), mineralY);
        QCOMPARE(r.outputs[1].row, LabelRow::Locality);
        QCOMPARE(r.outputs[1].text, std::string("Dalarna"));
        QCOMPARE(qint64(r.outputs[1].x), localityX);
        QCOMPARE(qint64(r.outputs[1].y), localityY);
        // The 2 of " SiO2" after S, i, O: 25 + 25 + 17 + (28 - 4).
        QCOMPARE(qint64(r.outputs.back().x), qint64(INT_MAX) + 147 + 25 + 25 + 17 + 24);
    }

    // --- Painting ---------------------------------------------------------------------

    // Each output paints its cell opaque white, then its glyphs inside it (the cell's top is
    // the output's y); the background is left untouched outside the cells.
    void paintsCells_data() {
        QTest::addColumn<QByteArray>("mineral");
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<int>("infoY");
        QTest::newRow("formula") << QByteArray("Quartz") << QByteArray("SiO2") << 0;
        QTest::newRow("empty mineral") << QByteArray("") << QByteArray("Fe2O3") << 0;
        QTest::newRow("clipped at the top") << QByteArray("Beryl") << QByteArray("Be3") << -150;
    }
    void paintsCells() {
        QFETCH(QByteArray, mineral);
        QFETCH(QByteArray, info);
        QFETCH(int, infoY);
        LabelLayoutInput in = inputWithInfo(info.toStdString());
        in.mineral = mineral.toStdString();
        in.mineralFont.colour = 0xFF0000;
        in.localityFont.colour = 0x00FF00;
        in.infoFont.colour = 0x0000FF;
        in.corrections.infoY = infoY;
        const LabelLayoutResult r = LabelLayout::compute(in);
        const QRgb background = qRgb(0x80, 0x80, 0x80);
        QImage img = filled(400, 200, background);
        LabelPainter::paint(img, in, r.outputs);

        QRegion cells;
        for (const auto& o : r.outputs) {
            if (o.text.empty()) {
                continue;
            }
            const LabelFont& f = o.row == LabelRow::Mineral    ? in.mineralFont
                                 : o.row == LabelRow::Locality ? in.localityFont
                                                               : in.infoFont;
            const QRect cell = cellOf(toQFont(f, o.pixelHeight),
                                      QString::fromLatin1(o.text.c_str()), int(o.x), int(o.y));
            cells += cell;
        }
        int inked[3] = {0, 0, 0};
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                if (!cells.contains(QPoint(x, y))) {
                    QVERIFY2(p == background, qPrintable(QString("%1,%2").arg(x).arg(y)));
                    continue;
                }
                QVERIFY2(p != background, qPrintable(QString("%1,%2").arg(x).arg(y)));
                inked[0] += p == qRgb(255, 0, 0);
                inked[1] += p == qRgb(0, 255, 0);
                inked[2] += p == qRgb(0, 0, 255);
            }
        }
        QCOMPARE(inked[0] > 0, !mineral.isEmpty());
        QVERIFY(inked[1] > 0);
        QVERIFY(inked[2] > 0);
    }

    // A later output covers an earlier one where their cells overlap.
    void laterCellCoversEarlier() {
        LabelLayoutInput in;
        in.mineralFont.colour = 0xFF0000;
        in.mineralFont.pixelHeight = 30;
        in.localityFont.colour = 0x0000FF;
        in.localityFont.pixelHeight = 30;
        QImage img = filled(200, 100, qRgb(50, 50, 50));
        LabelPainter::paint(
            img, in, {output("WWWW", 10, 10, 30), output("ii", 30, 20, 30, LabelRow::Locality)});
        const QRect top = cellOf(toQFont(in.localityFont, 30), "ii", 30, 20);
        int blue = 0;
        for (int y = top.top(); y <= top.bottom(); ++y) {
            for (int x = top.left(); x <= top.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                QVERIFY2(!(c.red() > 0 && c.blue() == 0 && c.green() == 0),
                         qPrintable(QString("red left at %1,%2").arg(x).arg(y)));
                blue += img.pixel(x, y) == qRgb(0, 0, 255);
            }
        }
        QVERIFY(blue > 0);
        // Outside the later cell the earlier one still shows its red.
        QCOMPARE(img.pixel(10, 10), qRgb(255, 255, 255));
    }

    // An empty text, or cells far outside the bitmap, paint nothing and cause no trouble.
    void paintsNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("x");
        QTest::addColumn<qint64>("y");
        QTest::newRow("empty text") << "" << qint64(5) << qint64(5);
        QTest::newRow("far right") << "Quartz" << qint64(INT_MAX) + 200 << qint64(10);
        QTest::newRow("far left") << "Quartz" << qint64(INT_MIN) - 200 << qint64(10);
        QTest::newRow("far below") << "Quartz" << qint64(10) << qint64(INT_MAX) + 94;
        QTest::newRow("just right") << "Quartz" << qint64(60) << qint64(10);
    }
    void paintsNothing() {
        QFETCH(QString, text);
        QFETCH(qint64, x);
        QFETCH(qint64, y);
        LabelLayoutInput in;
        QImage img = filled(60, 60, qRgb(1, 2, 3));
        const QImage before = img.copy();
        LabelPainter::paint(img, in, {output(text.toStdString(), x, y, 30)});
        QCOMPARE(img, before);
    }

    // Spaces carry no ink; only the underline or strike-out puts a line through their cell,
    // below the baseline or above it.
    void decorations_data() {
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strikeOut");
        QTest::newRow("plain") << false << false;
        QTest::newRow("underline") << true << false;
        QTest::newRow("strike-out") << false << true;
        QTest::newRow("both") << true << true;
    }
    void decorations() {
        QFETCH(bool, underline);
        QFETCH(bool, strikeOut);
        LabelLayoutInput in;
        in.mineralFont.pixelHeight = 40;
        in.mineralFont.underline = underline;
        in.mineralFont.strikeOut = strikeOut;
        QImage img = filled(200, 100, qRgb(255, 255, 255));
        LabelPainter::paint(img, in, {output("    ", 10, 10, 40)});
        const QFontMetrics m = metricsOf(toQFont(in.mineralFont, 40));
        const int baseline = 10 + m.ascent();
        bool below = false;
        bool above = false;
        for (int y = 0; y < img.height(); ++y) {
            int dark = 0;
            for (int x = 0; x < img.width(); ++x) {
                dark += qGray(img.pixel(x, y)) < 128;
            }
            if (dark * 2 > m.horizontalAdvance("    ")) {
                (y >= baseline ? below : above) = true;
            }
        }
        QCOMPARE(below, underline);
        QCOMPARE(above, strikeOut);
    }

    // A palette bitmap is painted on after conversion; its picture is kept.
    void paletteBitmap() {
        QImage img(80, 60, QImage::Format_Indexed8);
        img.setColorTable({qRgb(200, 10, 10), qRgb(0, 0, 0)});
        img.fill(0);
        LabelLayoutInput in;
        LabelPainter::paint(img, in, {output("Au", 2, 2, 20)});
        QVERIFY(img.format() != QImage::Format_Indexed8);
        QCOMPARE(img.pixel(2, 2), qRgb(255, 255, 255));
        QCOMPARE(img.pixel(79, 59), qRgb(200, 10, 10));
    }
};

QTEST_MAIN(LabelLayoutTest)
#include "tst_labellayout.moc"
