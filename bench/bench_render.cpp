// "Render and preview" through the real window: from the button's click to the sheet page
// drawn in the preview's page view, for lists of 15, 100, 1,000 and 50,000 lines. The
// reference is the bare work the sheet cannot do without: the fifteen label images copied and
// drawn into their places on a page image. The runs of 300 lines and more also report the
// process's peak memory; a run to the last page recorded reports the page store's size.
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "pagestore/PageStore.h"
#include "pagestore/PageStoreDocument.h"
#include "pagestore/PreviewDocument.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "support/BenchSupport.h"
#include "support/DataFolderFixture.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestSupport.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

// Closes the preview once its page view has painted the page: the close is queued from the
// paint event, so it runs after that paint has finished. With `allPages` it waits for the
// last page to be recorded as well.
class PaintedThenClose : public QObject {
public:
    PaintedThenClose(PreviewWindow* window, bool allPages)
        : m_window(window)
        , m_allPages(allPages) {
        window->pageView()->viewport()->installEventFilter(this);
        // Never hang a benchmark run on a preview that does not paint (a run to the last of
        // thousands of pages takes minutes).
        QTimer::singleShot(allPages ? 3600000 : 30000, window, [this] { closeWindow(); });
    }
    bool painted() const { return m_painted; }
    // The page store's stream when the window closed, and whether it kept its pages
    // compressed.
    qint64 storeBytes() const { return m_storeBytes; }
    bool storeCompressed() const { return m_storeCompressed; }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && m_window && m_window->pageView()->hasPicture() &&
            !m_painted) {
            m_painted = true;
            QMetaObject::invokeMethod(
                this, [this] { closeWhenDone(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void closeWhenDone() {
        if (m_allPages && m_window && m_window->document() && !m_window->document()->isFinished())
            QTimer::singleShot(1, this, [this] { closeWhenDone(); });
        else
            closeWindow();
    }
    void closeWindow() {
        if (!m_window)
            return;
        if (auto* pages = qobject_cast<PageStoreDocument*>(m_window->document())) {
            m_storeBytes = pages->store().streamSize();
            m_storeCompressed = pages->store().storedCompressed();
        }
        m_window->close();
    }
    QPointer<PreviewWindow> m_window;
    bool m_allPages = false;
    bool m_painted = false;
    qint64 m_storeBytes = 0;
    bool m_storeCompressed = false;
};

// The real window over a data folder of its own, with its stores loaded.
class Rig : public QObject {
public:
    Rig() {
        test::child<QTimer>(form, "Timer4")->stop();
        form.onDeferredLoad();
        connect(&test::child<SheetReport>(form, "SheetReport")->previewer(),
                &ReportPreview::previewOpened, this, [this](PreviewWindow* w) {
                    m_watch = std::make_unique<PaintedThenClose>(w, m_allPages);
                });
    }

    void setList(int lines) {
        std::string list;
        for (int i = 1; i <= lines; ++i)
            list += "|Mineral " + std::to_string(i) + "|Place " + std::to_string(i) + ", Sweden|H" +
                    std::to_string(i % 10) + "O|\r\n";
        test::child<RichEditBox>(form, "RichEdit4")->lines().setText(list);
    }

    // One click on "Render and preview"; true when the page was painted before the close.
    // With `allPages` the preview stays open until every page is recorded.
    bool renderAndPreview(bool allPages = false) {
        m_allPages = allPages;
        m_watch.reset();
        test::child<QPushButton>(form, "Button9")->click();
        return m_watch && m_watch->painted() && boxes.shown().empty();
    }
    const PaintedThenClose* lastRun() const { return m_watch.get(); }

    test::DataFolderFixture data;
    test::MessageBoxCatcher boxes;
    MainForm form;

private:
    std::unique_ptr<PaintedThenClose> m_watch;
    bool m_allPages = false;
};

Rig* g_rig = nullptr;

Rig& rig() {
    if (!g_rig)
        g_rig = new Rig;
    return *g_rig;
}

void dropRig() {
    delete g_rig;
    g_rig = nullptr;
}

// Argument: the number of list lines; with the second argument 1, until every page is
// recorded (the pages after the first are recorded while the window shows page 1).
void BM_RenderAndPreview(benchmark::State& state) {
    Rig& r = rig();
    const int lines = int(state.range(0));
    const bool allPages = state.range(1) != 0;
    r.setList(lines);
    const bool measureMemory = lines >= 300;
    long before = 0;
    bool reset = false;
    if (measureMemory) {
        reset = bench::resetPeakResident();
        before = bench::residentKiB();
    }
    for (auto _ : state) {
        if (!r.renderAndPreview(allPages)) {
            state.SkipWithError("the preview did not paint its page");
            break;
        }
    }
    if (measureMemory) {
        state.counters["peak_KiB"] = double(bench::peakResidentKiB());
        state.counters["rss_before_KiB"] = double(before);
        state.counters["peak_reset"] = reset ? 1 : 0;
    }
    if (allPages && r.lastRun()) {
        state.counters["store_bytes"] = double(r.lastRun()->storeBytes());
        state.counters["store_compressed"] = r.lastRun()->storeCompressed() ? 1 : 0;
    }
    state.counters["lines"] = lines;
}

// The reference: the same fifteen label images, copied and drawn into their places.
void BM_BareCopyDraw15(benchmark::State& state) {
    Rig& r = rig();
    r.setList(15);
    r.renderAndPreview();
    std::vector<QImage> images;
    for (int slot = 1; slot <= 15; ++slot)
        images.push_back(test::child<SheetReport>(r.form, "SheetReport")->slotPicture(slot));
    const std::vector<QRect> places =
        bench::slotRects(*test::child<SheetReport>(r.form, "SheetReport"));
    QImage page(794, 1123, QImage::Format_RGB32);
    for (auto _ : state) {
        bench::drawImagesBare(page, images, places);
        benchmark::DoNotOptimize(page.constBits());
    }
}

} // namespace

BENCHMARK(BM_BareCopyDraw15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAndPreview)->Args({15, 0})->Args({100, 0})->Unit(benchmark::kMillisecond);
// 300 labels: twenty pages, the largest list a collector is expected to print at once; to the
// first page painted, and to the last page recorded.
BENCHMARK(BM_RenderAndPreview)
    ->Args({300, 0})
    ->Args({300, 1})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAndPreview)->Args({1000, 0})->Iterations(3)->Unit(benchmark::kMillisecond);
// 50,000 labels, 3,334 pages: to the first page painted (the goal: under 2 s and 300 MB), and
// once to the last page recorded (minutes: every label composed and every page compressed).
BENCHMARK(BM_RenderAndPreview)->Args({50000, 0})->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAndPreview)->Args({50000, 1})->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv, dropRig);
}
