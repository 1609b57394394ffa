#include <QtTest>

#include "sheet/DeviceMapping.h"
#include "sheet/SheetDefinition.h"
#include "sheet/SheetLayout.h"
#include "support/DataRows.h"

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

// Table rows; each test names the fields where it takes them apart.
using PlacementRow = std::tuple<double, QList<double>, QList<double>, QList<int>>;
using SlotRow = std::tuple<int, int, int, int, DeviceRect>; // slot, dpi, margins, rectangle
using HeadingRow = std::tuple<QString, int, DeviceRect>;
using PageSizeRow = std::tuple<int, int, int>;
using RoundingRow = std::tuple<int, int, int, int, double, int, int>;
using FontPixelsRow = std::tuple<int, int, int>;
using SplitRow = std::pair<QByteArray, QList<QByteArray>>;
using DateLineRow = std::tuple<QByteArray, double, double, double, int>;
using PageRangeRow = std::tuple<int, int, int, bool>;

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
        // Paper 1000 long with margins of 100: an empty page holds 800. Length, band heights,
        // then the tops and pages they get.
        test::dataRows<PlacementRow>({
            {"two fit", {1000, {400, 400}, {100, 500}, {1, 1}}},
            {"third needs a new page", {1000, {400, 400, 1}, {100, 500, 100}, {1, 1, 2}}},
            {"rounded height fits exactly", {1000, {264.583, 535.4}, {100, 365}, {1, 1}}},
            {"rounded height one over", {1000, {264.583, 535.5}, {100, 100}, {1, 2}}},
            {"too high for any page stays", {1000, {300, 900}, {100, 400}, {1, 1}}},
            {"exactly an empty page moves", {1000, {300, 800}, {100, 100}, {1, 2}}},
            {"first band too high", {1000, {900, 10}, {100, 100}, {1, 2}}},
            {"unrounded positions add up rounded",
             {3000, {0.4, 0.4, 0.6}, {100, 100, 100}, {1, 1, 1}}},
        });
    }
    void placement() {
        QFETCH(PlacementRow, row);
        const auto [length, heights, tops, pages] = row;
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
        QTest::addColumn<SlotRow>("row");
        // At 96 dpi on the screen: every slot, three columns by five rows.
        const int lefts[3] = {58, 291, 518}, rights[3] = {274, 508, 734};
        for (int n = 1; n <= 15; ++n) {
            const int c = (n - 1) % 3, top = 165 + 160 * ((n - 1) / 3);
            QTest::addRow("slot %d at 96", n)
                << SlotRow{n, 96, 0, 0, {lefts[c], top, rights[c], top + 136}};
        }
        // At the printers' resolutions, behind their offsets: three corners, and slot 6 at 1200
        // (every column and row is above, at 96).
        const std::pair<const char*, SlotRow> rows[] = {
            {"slot 1 at 300", {1, 300, 50, 60, {131, 454, 808, 882}}},
            {"slot 3 at 300", {3, 300, 50, 60, {1568, 454, 2245, 882}}},
            {"slot 15 at 300", {15, 300, 50, 60, {1568, 2454, 2245, 2882}}},
            {"slot 1 at 600", {1, 600, 100, 75, {261, 954, 1615, 1808}}},
            {"slot 3 at 600", {3, 600, 100, 75, {3136, 954, 4490, 1808}}},
            {"slot 15 at 600", {15, 600, 100, 75, {3136, 4954, 4490, 5808}}},
            {"slot 1 at 1200", {1, 1200, 0, 0, {722, 2058, 3431, 3766}}},
            {"slot 6 at 1200", {6, 1200, 0, 0, {6472, 4058, 9181, 5766}}},
            {"slot 15 at 1200", {15, 1200, 0, 0, {6472, 10058, 9181, 11766}}},
        };
        for (const auto& [tag, row] : rows)
            QTest::newRow(tag) << row;
    }
    void slotsOnDevice() {
        QFETCH(SlotRow, row);
        const auto [slot, dpi, marginLeft, marginTop, rect] = row;
        const SheetDefinition sheet{FixedMeasurer()};
        const DeviceMapping mapping = (marginLeft == 0 && marginTop == 0)
                                          ? DeviceMapping::screen(dpi)
                                          : DeviceMapping::printer(dpi, dpi, marginLeft, marginTop);
        const auto all = SheetLayout::layout(sheet, mapping);
        const PlacedElement& e = placed(all, "SheetSlot" + std::to_string(slot));
        QCOMPARE(e.kind, PlacedKind::Slot);
        QCOMPARE(e.slot, slot);
        QCOMPARE(e.page, 1);
        QCOMPARE(e.device, rect);
    }

    // The heading's elements where the sheet designs them, on devices of three resolutions.
    void headingOnDevice_data() {
        test::dataRows<HeadingRow>({
            {"TitleBox 96", {"TitleBox", 96, {144, 51, 628, 108}}},
            {"TitleBox 300", {"TitleBox", 300, {451, 160, 1962, 337}}},
            {"TitleBox 600", {"TitleBox", 600, {903, 320, 3924, 674}}},
            {"TitleText 600", {"TitleText", 600, {1761, 361, 2446, 486}}},
            {"DateLine 600", {"DateLine", 600, {1861, 536, 2050, 661}}},
        });
    }
    void headingOnDevice() {
        QFETCH(HeadingRow, row);
        const auto [name, dpi, rect] = row;
        const SheetDefinition sheet{FixedMeasurer()};
        QCOMPARE(placed(SheetLayout::layout(sheet, DeviceMapping::screen(dpi)), name.toStdString())
                     .device,
                 rect);
    }

    void pageSize_data() {
        test::dataRows<PageSizeRow>({
            {"96", {96, 794, 1123}},
            {"300", {300, 2480, 3508}},
            {"600", {600, 4961, 7016}},
            {"1200", {1200, 9921, 14031}},
            {"no resolution is 96", {0, 794, 1123}},
        });
    }
    void pageSize() {
        QFETCH(PageSizeRow, row);
        const auto [dpi, width, height] = row;
        const SheetDefinition sheet{FixedMeasurer()};
        const DeviceMapping m = DeviceMapping::screen(dpi);
        QCOMPARE(m.pageWidth(sheet.page().width), width);
        QCOMPARE(m.pageHeight(sheet.page().length), height);
    }

    // Rounding to the nearest unit, halves away from zero (at 127 dpi a tenth is half a dot);
    // printer offsets are taken off before rounding.
    void rounding_data() {
        // Resolutions, printer offsets, the value, then the device x and y.
        test::dataRows<RoundingRow>({
            {"half up", {127, 127, 0, 0, 1.0, 1, 1}},
            {"two and a half", {127, 127, 0, 0, 5.0, 3, 3}},
            {"negative half", {127, 127, 0, 0, -1.0, -1, -1}},
            {"just below half", {127, 127, 0, 0, 0.999, 0, 0}},
            {"different resolutions", {300, 600, 0, 0, 100.0, 118, 236}},
            {"printer offsets", {600, 600, 100, 75, 1000.0, 2262, 2287}},
            {"inside the unprintable margin", {600, 600, 100, 75, 0.0, -100, -75}},
            {"huge saturates", {600, 600, 0, 0, 1e12, INT_MAX, INT_MAX}},
        });
    }
    void rounding() {
        QFETCH(RoundingRow, row);
        const auto [dpiX, dpiY, marginLeft, marginTop, v, x, y] = row;
        const DeviceMapping m = DeviceMapping::printer(dpiX, dpiY, marginLeft, marginTop);
        QCOMPARE(m.x(v), x);
        QCOMPARE(m.y(v), y);
    }

    void fontPixels_data() {
        test::dataRows<FontPixelsRow>({
            {"10 pt screen", {10, 96, 13}},
            {"12 pt screen", {12, 96, 16}},
            {"10 pt 300", {10, 300, 42}},
            {"12 pt 600", {12, 600, 100}},
            {"10 pt 1200", {10, 1200, 167}},
            {"1 pt 108 half", {1, 108, 2}},
        });
    }
    void fontPixels() {
        QFETCH(FontPixelsRow, row);
        const auto [points, dpi, pixels] = row;
        QCOMPARE(DeviceMapping::screen(dpi).fontPixels(points), pixels);
    }

    // --- Text elements ------------------------------------------------------------------

    void splitLines_data() {
        test::dataRows<SplitRow>({
            {"one line", {"DateLine", {"DateLine"}}},
            {"CR", {"a\rb", {"a", "b"}}},
            {"CR LF", {"a\r\nb", {"a", "b"}}},
            {"LF alone does not split", {"a\nb", {"ab"}}},
            {"trailing CR", {"a\r", {"a", ""}}},
            {"empty", {"", {""}}},
            {"only CRs", {"\r\r", {"", "", ""}}},
        });
    }
    void splitLines() {
        QFETCH(SplitRow, row);
        const auto [caption, lines] = row;
        QList<QByteArray> got;
        for (const std::string& l : SheetDefinition::splitLines(caption.toStdString())) {
            got << QByteArray::fromStdString(l);
        }
        QCOMPARE(got, lines);
    }

    void dateLineSizing_data() {
        // Caption, line height per point, then the width, height and lines it gets. A long
        // date line widens to the right on one line.
        test::dataRows<DateLineRow>({
            {"long line", {"14:05:33  Wednesday, 31 December 2031 and more", 4, 460, 52.917, 1}},
            {"short line narrows", {"x", 4, 10, 52.917, 1}},
            {"widest of several lines", {"abc\r\nabcdefg\rab", 4, 70, 52.917, 3}},
            {"a tall font raises the height", {"ab", 8, 20, 80, 1}},
        });
    }
    void dateLineSizing() {
        QFETCH(DateLineRow, row);
        const auto [caption, heightPerPoint, width, height, lineCount] = row;
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
        test::dataRows<PageRangeRow>({
            {"no limits", {1, 0, 0, true}},
            {"within", {2, 1, 3, true}},
            {"below first", {1, 2, 0, false}},
            {"at first", {2, 2, 0, true}},
            {"above last", {4, 0, 3, false}},
            {"at last", {3, 0, 3, true}},
            {"first above last", {2, 3, 1, false}},
        });
    }
    void pageRange() {
        QFETCH(PageRangeRow, row);
        const auto [page, first, last, printed] = row;
        QCOMPARE(SheetLayout::pageInRange(page, first, last), printed);
    }
};

QTEST_GUILESS_MAIN(SheetLayoutTest)
#include "tst_sheetlayout.moc"
