// "Fit long rows": the mineral and locality rows of a label shrink to the space left to the
// label's right edge, then are cut after a word with an ellipsis.
#include <QtTest>

#include "pictures/LabelFont.h"
#include "render/LabelLayout.h"
#include "render/SheetRun.h"
#include "stores/Utf8.h"
#include "support/DataRows.h"

using namespace qlx;

namespace {

// Every character is half the font's height wide, in whole pixels at the measuring
// resolution, so the expected fits can be worked out by hand.
class HalfEmMeasurer : public TextMeasurer {
public:
    double lineWidth(const SheetFont& font, const std::string& line) const override {
        const double pixels = double(utf8::length(line)) * font.pointSize / 2.0;
        return pixels * 254.0 / LabelLayout::kMeasureDpi;
    }
    double lineHeight(const SheetFont& font) const override { return font.pointSize; }
};

LabelFont fontOf(int pixelHeight) {
    LabelFont f;
    f.pixelHeight = pixelHeight;
    return f;
}

const char* const kLongLocality = "Tsumeb Mine, Tsumeb, Oshikoto Region, Namibia";

// The darkest pixel's column in the rows y0..y1 of the label, -1 when there is no ink.
int rightmostInk(const QImage& label, int y0, int y1) {
    int right = -1;
    for (int y = y0; y < y1 && y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            if (qGray(label.pixel(x, y)) < 128)
                right = std::max(right, x);
    return right;
}

// The text, the space it has, what is drawn and at what pixel height.
using FitRow = std::tuple<QString, int, QString, int>;

} // namespace

class FitRowsTest : public QObject {
    Q_OBJECT
private slots:
    // A 40-pixel font: 20 pixels a character at full size, 12 at the smallest (24 pixels).
    void fitRow_data() {
        const QString tsumeb = "Tsumeb Mine, Tsumeb, Namibia";
        test::dataRows<FitRow>({
            {"fits", {"Quartz", 200, "Quartz", 40}},
            {"fits exactly", {"Quartzite!", 200, "Quartzite!", 40}},
            {"one pixel short shrinks", {"Quartzite!", 199, "Quartzite!", 39}},
            {"largest size that fits", {"Quartzite!", 160, "Quartzite!", 32}},
            {"smallest size still fits", {"Quartzite!", 120, "Quartzite!", 24}},
            {"cut after a word, its comma dropped", {tsumeb, 200, u8"Tsumeb Mine\u2026", 24}},
            {"longest run of words", {tsumeb, 240, u8"Tsumeb Mine, Tsumeb\u2026", 24}},
            {"one long word cut inside",
             {"Abcdefghijklmnopqrstuvwxyz", 100, u8"Abcdefg\u2026", 24}},
            {"first word too long", {"Abcdefghijklmnop qrs", 100, u8"Abcdefg\u2026", 24}},
            {"no room at all", {"Quartzite", 5, u8"\u2026", 24}},
            {"letters beyond Latin-1 are one character each",
             {u8"\u00C5ker\u00F6 \u00C5ker\u00F6 \u00C5ker\u00F6", 100, u8"\u00C5ker\u00F6\u2026",
              24}},
            {"empty", {"", 0, "", 40}},
        });
    }
    void fitRow() {
        QFETCH(FitRow, row);
        const auto [text, space, drawn, height] = row;
        const HalfEmMeasurer m;
        const LabelLayout::FittedRow r =
            LabelLayout::fitRow(text.toStdString(), fontOf(40), space, m);
        QCOMPARE(QString::fromStdString(r.text), drawn);
        QCOMPARE(r.pixelHeight, height);
    }

    // Only the mineral and locality rows are fitted, only with the option, against the label's
    // width less the margin and the row's own x (corrections included); the point size
    // follows the fitted height.
    void computeFitsOnlyTheTwoRows() {
        const HalfEmMeasurer m;
        LabelLayoutInput in;
        in.mineral = "Rhodochrosite";   // 13 x 20 = 260 from x 151: ends at 411
        in.locality = kLongLocality;    // far too long
        in.info = std::string(30, 'W'); // the info row keeps its own rules
        in.mineralFont = fontOf(40);
        in.localityFont = fontOf(40);
        in.labelWidth = 420;
        const LabelLayoutResult plain = LabelLayout::compute(in, &m);
        QCOMPARE(plain.outputs[1].text, std::string(kLongLocality));
        in.fitLongRows = true;
        const LabelLayoutResult noMeasurer = LabelLayout::compute(in);
        QCOMPARE(noMeasurer.outputs[1].text, std::string(kLongLocality));

        const LabelLayoutResult fitted = LabelLayout::compute(in, &m);
        // 420 - 6 - 151 = 263 pixels: the mineral fits as it is.
        QCOMPARE(fitted.outputs[0].text, in.mineral);
        QCOMPARE(fitted.outputs[0].pixelHeight, 40);
        QCOMPARE(fitted.outputs[1].text, std::string(u8"Tsumeb Mine, Tsumeb\u2026"));
        QCOMPARE(fitted.outputs[1].pixelHeight, 24);
        QCOMPARE(fitted.outputs[1].pointSize, 18);
        QCOMPARE(fitted.outputs.size(), plain.outputs.size());
        for (std::size_t i = 2; i < fitted.outputs.size(); ++i) {
            QCOMPARE(fitted.outputs[i].text, plain.outputs[i].text);
            QCOMPARE(fitted.outputs[i].pixelHeight, plain.outputs[i].pixelHeight);
        }
        // Moving the mineral row right by 20 pixels leaves it too little room at 40.
        in.corrections.mineralX = 20;
        const LabelLayoutResult moved = LabelLayout::compute(in, &m);
        QCOMPARE(moved.outputs[0].text, in.mineral);
        QCOMPARE(moved.outputs[0].pixelHeight, 37); // 13 x 18.5 = 240.5 -> 241 <= 243
    }

    // Drawn for real: with the option, no ink of the long locality comes within the margin of
    // the label's right edge; without it the row runs off the label.
    void composedLabelKeepsItsMargin_data() {
        QTest::addColumn<bool>("fit");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }
    void composedLabelKeepsItsMargin() {
        QFETCH(bool, fit);
        QImage background(420, 180, QImage::Format_RGB32);
        background.fill(Qt::white);
        LabelAppearance look = LabelAppearance::startUp();
        look.background = Picture(background);
        look.fitLongRows = fit;
        const ComposedLabel label = composeRecordLabel({"Quartz", kLongLocality, "SiO2"}, look);
        const QImage drawn = label.picture.bitmap();
        const int right = rightmostInk(drawn, 94, 94 + 45);
        QVERIFY(right > 151);
        if (fit)
            QVERIFY2(right < drawn.width() - LabelLayout::kFitMargin,
                     qPrintable(QString::number(right)));
        else
            QCOMPARE(right, drawn.width() - 1);
        // The mineral row fits and is drawn as it always was.
        LabelAppearance plain = look;
        plain.fitLongRows = false;
        const QImage reference = composeRecordLabel({"Quartz", "", ""}, plain).picture.bitmap();
        const QImage ours = composeRecordLabel({"Quartz", "", ""}, look).picture.bitmap();
        QCOMPARE(ours, reference);
    }
};

QTEST_MAIN(FitRowsTest)
#include "tst_fitrows.moc"
