// The preview's page view on a 1920 x 1080 view showing the real sheet page (fifteen label
// images, played from its metafile): a zoom change and a resize, each to the next painted
// frame, and a repaint without a zoom change (the cached page image drawn again).
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/SheetReport.h"
#include "pagestore/PageStoreDocument.h"
#include "preview/PageView.h"
#include "support/BenchSupport.h"

using namespace qlx;

namespace {

const QSize kView(1920, 1080);
const QSize kSmallerView(1900, 1060);

// Counts the frames the view's viewport has painted.
class FrameCounter : public QObject {
public:
    int frames = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        frames += e->type() == QEvent::Paint;
        return false;
    }
};

struct Preview {
    QWidget owner;
    std::unique_ptr<SheetReport> report;
    PageStoreDocument document;
    PageView view;
    FrameCounter counter;

    Preview() {
        report = std::make_unique<SheetReport>(&owner);
        const std::vector<QImage> images = bench::labelImages();
        for (int slot = 1; slot <= int(images.size()); ++slot)
            report->setSlotPicture(slot, images[slot - 1]);
        document.addPage(report->recordPage());
        document.finish();
        view.viewport()->installEventFilter(&counter);
        view.setDocument(&document);
        view.resize(kView);
        view.show();
        view.showPage(1);
        nextFrame();
    }

    // Processes events until the viewport has painted once more; false after two seconds
    // without a frame.
    bool nextFrame() {
        const int before = counter.frames;
        QElapsedTimer waited;
        waited.start();
        while (counter.frames == before) {
            QApplication::processEvents(QEventLoop::AllEvents);
            if (waited.elapsed() > 2000)
                return false;
        }
        return true;
    }
};

Preview* g_preview = nullptr;

Preview& preview() {
    if (!g_preview)
        g_preview = new Preview;
    return *g_preview;
}

void dropPreview() {
    delete g_preview;
    g_preview = nullptr;
}

void BM_ZoomChangeToFrame(benchmark::State& state) {
    Preview& p = preview();
    p.view.resize(kView);
    int zoom = 100;
    for (auto _ : state) {
        zoom = zoom == 100 ? 150 : 100;
        p.view.setFixedZoom(zoom);
        if (!p.nextFrame()) {
            state.SkipWithError("no frame after the zoom change");
            break;
        }
    }
}

// Argument: 0 fixed zoom (the page is only placed again), 1 page width (the zoom follows the
// width, so the page is played again), the preview's own starting mode.
void BM_ResizeToFrame(benchmark::State& state) {
    Preview& p = preview();
    if (state.range(0))
        p.view.setZoomMode(ZoomMode::Width);
    else
        p.view.setFixedZoom(100);
    bool smaller = false;
    for (auto _ : state) {
        smaller = !smaller;
        p.view.resize(smaller ? kSmallerView : kView);
        if (!p.nextFrame()) {
            state.SkipWithError("no frame after the resize");
            break;
        }
    }
    p.view.resize(kView);
    p.view.setFixedZoom(100);
    p.nextFrame();
}

void BM_RepaintSameZoom(benchmark::State& state) {
    Preview& p = preview();
    p.view.resize(kView);
    p.view.setFixedZoom(100);
    p.nextFrame();
    for (auto _ : state) {
        p.view.viewport()->update();
        if (!p.nextFrame()) {
            state.SkipWithError("no frame after the update");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_ZoomChangeToFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeToFrame)->ArgName("pageWidth")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintSameZoom)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv, dropPreview);
}
