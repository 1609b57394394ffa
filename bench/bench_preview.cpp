// The preview's page view on a 1920 x 1080 view showing the real sheet (fifteen label
// pictures): a zoom change and a window resize up to the next painted frame, and a repaint
// without a zoom change, which should come from the cached page image. Run with
// QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "report/PageStoreDocument.h"
#include "report/PageView.h"
#include "report/SheetReport.h"

using namespace qlx;

namespace {

// Labels with some texture, as rendered labels have, so the page picture holds real pixels.
QImage label(int n) {
    QImage img(217, 137, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((n * 24) % 360, 200, 230));
    QPainter p(&img);
    p.setPen(Qt::black);
    p.drawText(img.rect(), Qt::AlignCenter, QString("Label %1\nQuartz\nSiO2").arg(n));
    return img;
}

struct SheetView {
    SheetReport report{nullptr};
    PageStoreDocument document;
    PageView view;

    SheetView() {
        for (int n = 1; n <= SheetDefinition::SlotCount; ++n)
            report.setSlotPicture(n, label(n));
        report.setDateLineCaption("21:10:00 Monday, 7 December 2026");
        document.addPage(report.recordPage());
        document.finish();
        view.setDocument(&document);
        view.resize(1920, 1080);
        view.show();
        view.showPage(1);
        view.setZoomMode(ZoomMode::Width);
        QCoreApplication::processEvents();
        view.viewport()->repaint();
    }
};

SheetView& sheetView() {
    static SheetView v;
    return v;
}

void BM_ZoomChangeToFrame(benchmark::State& state) {
    SheetView& v = sheetView();
    int i = 0;
    for (auto _ : state) {
        v.view.setFixedZoom(i++ % 2 ? 100 : 150);
        v.view.viewport()->repaint();
    }
}

void BM_ResizeToFrame(benchmark::State& state) {
    SheetView& v = sheetView();
    v.view.setZoomMode(ZoomMode::Width);
    int i = 0;
    for (auto _ : state) {
        v.view.resize(i++ % 2 ? QSize(1920, 1080) : QSize(1600, 1000));
        v.view.viewport()->repaint();
    }
    v.view.resize(1920, 1080);
}

void BM_RepaintSameZoom(benchmark::State& state) {
    SheetView& v = sheetView();
    v.view.setFixedZoom(100);
    v.view.viewport()->repaint();
    for (auto _ : state)
        v.view.viewport()->repaint();
}

} // namespace

BENCHMARK(BM_ZoomChangeToFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeToFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintSameZoom)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
