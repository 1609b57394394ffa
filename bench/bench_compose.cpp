// Composing labels on the stock "Complete" background: one label with a ten-character formula,
// and a thousand labels in a row. The reference, measured in the same run, is what composing
// cannot avoid: a bare copy of the background and the same text drawn with drawText.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "pictures/LabelFont.h"
#include "pictures/Picture.h"
#include "render/LabelComposer.h"
#include "render/LabelPainter.h"
#include "support/BenchSupport.h"

using namespace qlx;

namespace {

const Picture& background() {
    static const Picture picture = Picture::fromFile(bench::sourceData("labelcomplete.bmp"));
    return picture;
}

LabelLayoutInput labelInput() {
    LabelLayoutInput input;
    input.mineral = "Chalcanthit";
    input.locality = "Falun, Dalarna";
    input.info = "CuSO4.5H2O"; // ten characters
    input.mineralFont = LabelFont::regular("Arial", 37);
    input.localityFont = input.mineralFont;
    input.infoFont = LabelFont::regular("Arial", 27);
    return input;
}

void composeOne(const LabelLayoutInput& input) {
    Picture label = background();
    const std::string info = composeLabel(label, QSize(153, 113), input);
    benchmark::DoNotOptimize(label.bitmap().constBits());
    benchmark::DoNotOptimize(info.data());
}

void BM_ComposeLabel(benchmark::State& state) {
    const LabelLayoutInput input = labelInput();
    for (auto _ : state)
        composeOne(input);
}
BENCHMARK(BM_ComposeLabel)->Unit(benchmark::kMillisecond);

void BM_Compose1000(benchmark::State& state) {
    const LabelLayoutInput input = labelInput();
    for (auto _ : state)
        for (int i = 0; i < 1000; ++i)
            composeOne(input);
}
BENCHMARK(BM_Compose1000)->Unit(benchmark::kMillisecond);

// The same outputs (two rows and eleven info characters) drawn on a bare copy.
void BM_BareCopyAndDrawText(benchmark::State& state) {
    const LabelLayoutInput input = labelInput();
    const LabelLayoutResult layout = LabelLayout::compute(input);
    const QFont big = toQFont(input.mineralFont, 37);
    const QFont small = toQFont(input.infoFont, 27);
    for (auto _ : state) {
        QImage copy = background().bitmap().copy();
        QPainter painter(&copy);
        for (const LabelTextOutput& out : layout.outputs) {
            painter.setFont(out.row == LabelRow::Info ? small : big);
            painter.drawText(QPointF(double(out.x), double(out.y) + 30),
                             QString::fromLatin1(out.text.data(), int(out.text.size())));
        }
        painter.end();
        benchmark::DoNotOptimize(copy.constBits());
    }
}
BENCHMARK(BM_BareCopyAndDrawText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv);
}
