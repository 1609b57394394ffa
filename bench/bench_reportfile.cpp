// Save report and load report against a bare file-to-file copy of the same bytes, side by
// side in one run. Arguments: the page count; each page is a sheet-sized picture.
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "pagestore/PageStore.h"
#include "pagestore/PageStream.h"

using namespace qlx;

namespace {

// About what a page of fifteen label bitmaps at screen resolution takes as a metafile.
constexpr int kSheetPictureBytes = 1500000;

QByteArray sheetPicture(int marker) {
    QByteArray emf(kSheetPictureBytes, '\0');
    char* p = emf.data();
    auto put = [p](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            p[at + i] = char((v >> (8 * i)) & 0xff);
    };
    put(0, 1);
    put(4, 88);
    put(32, 21000);
    put(36, 29700);
    put(40, 0x464D4520);
    put(48, kSheetPictureBytes);
    for (int i = 88; i < kSheetPictureBytes; ++i)
        p[i] = char((i * 7 + marker) & 0xff);
    return emf;
}

std::unique_ptr<PageStore> preparedStore(int pages) {
    auto store = std::make_unique<PageStore>(PageDestination::Pictures);
    for (int page = 0; page < pages; ++page)
        store->addPage(sheetPicture(page));
    store->finish();
    return store;
}

void BM_SaveReport(benchmark::State& state) {
    QTemporaryDir dir;
    const auto store = preparedStore(int(state.range(0)));
    const QString path = dir.filePath("saved.lfp");
    for (auto _ : state)
        store->saveToFile(path);
    state.SetBytesProcessed(state.iterations() * store->streamSize());
}

void BM_LoadReport(benchmark::State& state) {
    QTemporaryDir dir;
    const auto made = preparedStore(int(state.range(0)));
    const QString path = dir.filePath("saved.lfp");
    made->saveToFile(path);
    PageStore store(PageDestination::Pictures);
    for (auto _ : state)
        store.loadFromFile(path);
    state.SetBytesProcessed(state.iterations() * made->streamSize());
}

// The reference: the same bytes copied file to file.
void BM_CopyFile(benchmark::State& state) {
    QTemporaryDir dir;
    const auto made = preparedStore(int(state.range(0)));
    const QString from = dir.filePath("saved.lfp");
    const QString to = dir.filePath("copy.lfp");
    made->saveToFile(from);
    for (auto _ : state) {
        QFile::remove(to);
        benchmark::DoNotOptimize(QFile::copy(from, to));
    }
    state.SetBytesProcessed(state.iterations() * made->streamSize());
}

// The reference with the guarantees of Save report: the copy goes through a temporary
// file that is synced and renamed over the target.
void BM_CopyFileAtomic(benchmark::State& state) {
    QTemporaryDir dir;
    const auto made = preparedStore(int(state.range(0)));
    const QString from = dir.filePath("saved.lfp");
    const QString to = dir.filePath("copy.lfp");
    made->saveToFile(from);
    for (auto _ : state) {
        QFile in(from);
        QSaveFile out(to);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        out.write(in.readAll());
        benchmark::DoNotOptimize(out.commit());
    }
    state.SetBytesProcessed(state.iterations() * made->streamSize());
}

} // namespace

BENCHMARK(BM_CopyFileAtomic)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFile)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
