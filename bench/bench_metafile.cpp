// The sheet page with fifteen label images of the stock background's size, as a metafile:
// recorded, turned to bytes and read back (what the page store and the preview do with it),
// and played at 100% and 200%. The references are drawn in the same run: the page drawn
// directly onto an image at the same scale, and the bare copy and draw of the fifteen images.
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/SheetReport.h"
#include "metafile/Metafile.h"
#include "preview/ReportPrinting.h"
#include "support/BenchSupport.h"

using namespace qlx;

namespace {

// A4 at 96 dpi.
constexpr int kPageWidth = 794;
constexpr int kPageHeight = 1123;

struct Sheet {
    QWidget owner;
    std::unique_ptr<SheetReport> report;
    std::vector<QImage> images = bench::labelImages();
    Sheet() {
        report = std::make_unique<SheetReport>(&owner);
        for (int slot = 1; slot <= int(images.size()); ++slot)
            report->setSlotPicture(slot, images[slot - 1]);
        report->setDateLineCaption("Time 12:00:00, Date 2024-01-01");
    }
};

Sheet* g_sheet = nullptr;

Sheet& sheet() {
    if (!g_sheet)
        g_sheet = new Sheet;
    return *g_sheet;
}

void dropSheet() {
    delete g_sheet;
    g_sheet = nullptr;
}

QImage blankPage(int scalePercent) {
    QImage page(kPageWidth * scalePercent / 100, kPageHeight * scalePercent / 100,
                QImage::Format_RGB32);
    page.fill(Qt::white);
    return page;
}

void play(const Metafile& picture, QImage& page) {
    page.fill(Qt::white);
    QPainter painter(&page);
    picture.play(painter, QRectF(0, 0, page.width(), page.height()));
}

// Record, bytes, read back (with the full check) and play at 100%.
void BM_RecordSerialisePlay(benchmark::State& state) {
    Sheet& s = sheet();
    QImage page = blankPage(100);
    qint64 bytes = 0;
    for (auto _ : state) {
        const Metafile recorded = s.report->recordPage();
        const QByteArray serialised = recorded.bytes();
        const Metafile readBack =
            Metafile::fromBytes(QByteArray(serialised.constData(), serialised.size()));
        play(readBack, page);
        bytes = serialised.size();
        benchmark::DoNotOptimize(page.constBits());
    }
    state.counters["emf_bytes"] = double(bytes);
}

void BM_Record(benchmark::State& state) {
    Sheet& s = sheet();
    for (auto _ : state) {
        Metafile recorded = s.report->recordPage();
        benchmark::DoNotOptimize(recorded);
    }
}

// Argument: the scale in per cent.
void BM_Play(benchmark::State& state) {
    Sheet& s = sheet();
    const Metafile recorded = s.report->recordPage();
    QImage page = blankPage(int(state.range(0)));
    for (auto _ : state) {
        play(recorded, page);
        benchmark::DoNotOptimize(page.constBits());
    }
    state.counters["emf_bytes"] = double(recorded.bytes().size());
}

// The reference for playback: the same page drawn directly at the same scale.
void BM_DrawDirect(benchmark::State& state) {
    Sheet& s = sheet();
    const int scale = int(state.range(0));
    QImage page = blankPage(scale);
    PageTarget target;
    target.dpiX = target.dpiY = 96.0 * scale / 100;
    for (auto _ : state) {
        page.fill(Qt::white);
        QPainter painter(&page);
        s.report->drawPage(painter, target);
        painter.end();
        benchmark::DoNotOptimize(page.constBits());
    }
}

// The bare reference: the fifteen images copied and drawn into their slots.
void BM_BareImageDraw(benchmark::State& state) {
    Sheet& s = sheet();
    const std::vector<QRect> places = bench::slotRects(*s.report);
    QImage page = blankPage(100);
    for (auto _ : state) {
        bench::drawImagesBare(page, s.images, places);
        benchmark::DoNotOptimize(page.constBits());
    }
}

} // namespace

BENCHMARK(BM_BareImageDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordSerialisePlay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawDirect)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Play)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv, dropSheet);
}
