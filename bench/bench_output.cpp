// The sheet's outputs, for a sheet of fifteen labels composed as qlxsheet composes them: the
// PDF with its label images lossless beside the same page with Qt's default (JPEG) images,
// and the prepared report file compressed beside plain. Each run reports its file's size.
#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

#include "app/SheetReport.h"
#include "pagestore/PageStore.h"
#include "render/SheetRun.h"
#include "stores/LabelList.h"
#include "support/BenchSupport.h"

using namespace qlx;

namespace {

std::string fifteenLines() {
    std::string list;
    for (int i = 1; i <= 15; ++i)
        list += "|Quartz " + std::to_string(i) + "|Locality number " + std::to_string(i) +
                ", Somewhere|SiO2 H2O " + std::to_string(i) + "|\r\n";
    return list;
}

LabelAppearance appearance() {
    LabelAppearance look = LabelAppearance::startUp();
    look.background = Picture::fromFile(bench::sourceData("labelcomplete.bmp"));
    return look;
}

// The PDF page as qlxsheet writes it (lossless:1: its painter set to lossless image
// rendering); the reference (lossless:0) is the same page drawn without that hint, as the
// PDF was written before: Qt then stores each label as a JPEG. Both compose the labels too.
void BM_SheetPdf(benchmark::State& state) {
    const bool lossless = state.range(0) != 0;
    const LabelAppearance look = appearance();
    qint64 bytes = 0;
    for (auto _ : state) {
        SheetReport report(nullptr);
        report.setDateLineCaption(QStringLiteral("1 May 2024"));
        fillSheet(report, labelListRecords(fifteenLines()), look);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        {
            QPdfWriter pdf(&out);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            pdf.setResolution(1200);
            QPainter painter(&pdf);
            painter.setRenderHint(QPainter::LosslessImageRendering, lossless);
            PageTarget target;
            target.dpiX = target.dpiY = 1200;
            target.paperTenthsMm = QSizeF(2100, 2970);
            report.drawPage(painter, target);
        }
        bytes = out.size();
    }
    state.counters["file_bytes"] = double(bytes);
}

// A finished store holding the fifteen-label sheet's page picture.
std::unique_ptr<PageStore> sheetStore() {
    static const QByteArray page = [] {
        SheetReport report(nullptr);
        fillSheet(report, labelListRecords(fifteenLines()), appearance());
        return report.recordPage(1).bytes();
    }();
    auto store = std::make_unique<PageStore>(PageDestination::Pictures);
    store->addPage(page);
    store->finish(QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
    return store;
}

void BM_SaveSheetReport(benchmark::State& state) {
    const bool compressed = state.range(0) != 0;
    QTemporaryDir dir;
    const auto store = sheetStore();
    const QString path = dir.filePath("sheet.LFP");
    for (auto _ : state)
        store->saveToFile(path, compressed);
    state.counters["file_bytes"] = double(QFileInfo(path).size());
}

// Load report and the first page read back, as the preview shows it after a load.
void BM_LoadSheetReport(benchmark::State& state) {
    const bool compressed = state.range(0) != 0;
    QTemporaryDir dir;
    const QString path = dir.filePath("sheet.LFP");
    sheetStore()->saveToFile(path, compressed);
    PageStore store(PageDestination::Pictures);
    for (auto _ : state) {
        store.loadFromFile(path);
        benchmark::DoNotOptimize(store.readPage(1).size());
    }
    state.counters["file_bytes"] = double(QFileInfo(path).size());
}

} // namespace

BENCHMARK(BM_SheetPdf)->ArgName("lossless")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveSheetReport)->ArgName("compressed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSheetReport)->ArgName("compressed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv);
}
