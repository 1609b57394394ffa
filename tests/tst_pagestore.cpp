#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "pagestore/PageStore.h"
#include "pagestore/PageStream.h"
#include "pagestore/ReportFileFormat.h"
#include "pagestore/TemporaryFolder.h"
#include "stores/Error.h"
#include "support/FakeEmf.h"

using namespace qlx;

namespace {

// Stream bytes taken by `pictures`: the header plus one record per page.
qint64 streamBytesFor(const QList<int>& sizes) {
    qint64 total = ReportFileFormat::kHeaderSize;
    for (int size : sizes)
        total += ReportFileFormat::kRecordOverhead + size;
    return total;
}

QList<QByteArray> fillStore(PageStore& store, const QList<int>& sizes) {
    QList<QByteArray> pictures;
    for (int i = 0; i < sizes.size(); ++i) {
        pictures << test::fakeEmf(sizes[i], static_cast<quint32>(1000 + i));
        store.addPage(pictures.last());
    }
    return pictures;
}

// The argument that makes this program the child of temporaryFileGoneAtProgramExit instead
// of a test run.
constexpr char kLeaveStoreOpen[] = "--leave-store-open-and-exit";

// A store still open when the program ends; reachable from here, so leak checkers accept it.
PageStore* leftOpen = nullptr;

// Spills a store to its temporary file, prints the file's name and ends the program with the
// store still open: no destructor runs for it.
[[noreturn]] void leaveStoreOpenAndExit() {
    leftOpen = new PageStore(PageDestination::Pictures);
    leftOpen->addPage(test::fakeEmf(200000, 7));
    const QString name = leftOpen->temporaryFileName();
    if (!QFile::exists(name))
        std::_Exit(2);
    std::printf("%s\n", qPrintable(name));
    std::fflush(stdout);
    std::exit(0);
}

} // namespace

class PageStoreTest : public QObject {
    Q_OBJECT
private slots:
    // TMPDIR is taken only when it names a writable folder; otherwise /tmp, with a message
    // naming what TMPDIR said, and never "/". The page store's file follows.
    void temporaryFolderChecked_data() {
        QTest::addColumn<QString>("tmpdir"); // "<dir>" stands for a fresh writable folder
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("why");
        QTest::newRow("writable folder") << "<dir>" << true << "";
        QTest::newRow("not set") << "" << false << "";
        QTest::newRow("missing folder") << "<dir>/gone" << false << "does not exist";
        QTest::newRow("a file") << "<dir>/file" << false << "is not a folder";
    }
    void temporaryFolderChecked() {
        QFETCH(QString, tmpdir);
        QFETCH(bool, taken);
        QFETCH(QString, why);
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        tmpdir.replace("<dir>", dir.path());
        const QByteArray before = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmpdir.toLocal8Bit());
        const TemporaryFolder folder = checkedTemporaryFolder();
        PageStream stream;
        QString spilled;
        try {
            stream.append(QByteArray(200000, 'x')); // past the in-memory limit
            spilled = stream.temporaryFileName();
        } catch (...) {
        }
        qputenv("TMPDIR", before);
        QCOMPARE(folder.path, taken ? dir.path() : QString("/tmp"));
        if (why.isEmpty()) {
            QVERIFY(folder.problem.isEmpty());
        } else {
            QVERIFY2(folder.problem.contains(tmpdir) && folder.problem.contains(why) &&
                         folder.problem.contains("/tmp"),
                     qPrintable(folder.problem));
        }
        QVERIFY2(spilled.startsWith(folder.path + "/LFP"), qPrintable(spilled));
    }
    // --- memory and the temporary file ---------------------------------------------------

    void temporaryFileBoundary_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<bool>("spilled");
        // One page: header 128 + record overhead 12 + picture.
        const int exact = int(PageStream::kMemoryLimit) - 140;
        QTest::newRow("one byte short of the limit") << QList<int>{exact - 1} << false;
        QTest::newRow("exactly the limit") << QList<int>{exact} << false;
        QTest::newRow("one byte past the limit") << QList<int>{exact + 1} << true;
        QTest::newRow("small pages") << QList<int>{500, 600, 700} << false;
        QTest::newRow("third page passes") << QList<int>{40000, 40000, 40000} << true;
        QTest::newRow("one huge page") << QList<int>{300000} << true;
    }
    void temporaryFileBoundary() {
        QFETCH(QList<int>, sizes);
        QFETCH(bool, spilled);
        QString tempName;
        {
            PageStore store(PageDestination::Pictures);
            const QList<QByteArray> pictures = fillStore(store, sizes);
            store.finish();
            QCOMPARE(store.streamSize(), streamBytesFor(sizes));
            QCOMPARE(store.inTemporaryFile(), spilled);
            tempName = store.temporaryFileName();
            if (spilled) {
                const QFileInfo info(tempName);
                QVERIFY(info.exists());
                QVERIFY(info.fileName().startsWith("LFP"));
                QCOMPARE(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
                QCOMPARE(info.size(), store.streamSize());
            } else {
                QVERIFY(tempName.isEmpty());
            }
            for (int page = int(pictures.size()); page >= 1; --page)
                QCOMPARE(store.readPage(page), pictures[page - 1]);
        }
        if (spilled)
            QVERIFY(!QFile::exists(tempName));
    }

    // A preview left open when the program ends still takes its temporary file with it. The
    // program here is this test program again, started with kLeaveStoreOpen.
    void temporaryFileGoneAtProgramExit() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The child ends without tearing down the application, on purpose.
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {kLeaveStoreOpen});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        // The last line of the child's output names its temporary file.
        const QString name =
            QString::fromUtf8(child.readAllStandardOutput()).trimmed().split('\n').last();
        QVERIFY2(QFileInfo(name).fileName().startsWith("LFP"), qPrintable(name));
        QVERIFY(!QFile::exists(name));
    }

    // --- reading page n ------------------------------------------------------------------

    // Pages can be read while the run still adds pages (the preview shows page 1 early), in
    // any order, and the pages written before the move to the temporary file, which happens
    // at the write that passes the limit, are carried over whole.
    void readWhileAdding() {
        PageStore store(PageDestination::Pictures);
        QList<QByteArray> pictures;
        for (int i = 0; i < 5; ++i) {
            pictures << test::fakeEmf(i == 0 ? 300 : 30000, quint32(i));
            store.addPage(pictures.last());
            QCOMPARE(store.inTemporaryFile(), i >= 4); // the fifth page passes 100,000 bytes
            for (int page = i + 1; page >= 1; --page)
                QCOMPARE(store.readPage(page), pictures[page - 1]);
            for (int page : {3, 1, 4, 2, 5, 2})
                if (page <= i + 1)
                    QCOMPARE(store.readPage(page), pictures[page - 1]);
        }
    }

    void pagesOutOfRange_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("page");
        QTest::newRow("empty store") << 0 << 1;
        QTest::newRow("page 0") << 2 << 0;
        QTest::newRow("negative") << 2 << -1;
        QTest::newRow("past the last") << 2 << 3;
    }
    void pagesOutOfRange() {
        QFETCH(int, pages);
        QFETCH(int, page);
        PageStore store(PageDestination::Pictures);
        fillStore(store, QList<int>(pages, 200));
        QVERIFY_THROWS_EXCEPTION(Error, store.readPage(page));
        if (pages > 0)
            QCOMPARE(store.readPage(pages), test::fakeEmf(200, quint32(1000 + pages - 1)));
    }

    // --- status and destination ----------------------------------------------------------

    void statusAndCounts() {
        PageStore store(PageDestination::Pictures);
        QCOMPARE(store.status(), StoreStatus::Ready);
        QCOMPARE(store.pageCount(), 0);
        store.addPage(test::fakeEmf(200, 1));
        QCOMPARE(store.status(), StoreStatus::Busy);
        QCOMPARE(store.pagesAvailable(), 1);
        store.addPage(test::fakeEmf(200, 2));
        QCOMPARE(store.pageCount(), 2);
        store.finish();
        QCOMPARE(store.status(), StoreStatus::Finished);
        QVERIFY(!store.loadedFromFile());
        QVERIFY_THROWS_EXCEPTION(Error, store.addPage(test::fakeEmf(200, 3)));
        QCOMPARE(store.pageCount(), 2);
    }

    void printerDestinationKeepsNoPictures() {
        PageStore store(PageDestination::Printer);
        store.addPage(test::fakeEmf(200, 1));
        store.addPage(test::fakeEmf(200, 2));
        store.finish();
        QCOMPARE(store.pageCount(), 2);
        QCOMPARE(store.streamSize(), qint64(0));
        QVERIFY_THROWS_EXCEPTION(Error, store.readPage(1));
    }

    void saveBeforeFinishWritesNothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath("early.lfp");
        PageStore store(PageDestination::Pictures);
        QVERIFY_THROWS_EXCEPTION(Error, store.saveToFile(path)); // ready
        store.addPage(test::fakeEmf(200, 1));
        QVERIFY_THROWS_EXCEPTION(Error, store.saveToFile(path)); // busy
        QVERIFY(!QFile::exists(path));
        store.finish();
        store.saveToFile(path);
        QCOMPARE(QFileInfo(path).size(), store.streamSize());
    }

    void progressIsClamped_data() {
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("kept");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("55") << 55 << 55;
        QTest::newRow("100") << 100 << 100;
        QTest::newRow("below") << -5 << 0;
        QTest::newRow("above") << 140 << 100;
    }
    void progressIsClamped() {
        QFETCH(int, given);
        QFETCH(int, kept);
        PageStore store(PageDestination::Pictures);
        store.setProgress(given);
        QCOMPARE(store.progress(), kept);
    }

    // --- notices -------------------------------------------------------------------------

    void noticesAfterTheCommand_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<QList<int>>("progress");
        QTest::newRow("one page") << 1 << QList<int>{};
        QTest::newRow("three pages with progress") << 3 << QList<int>{10, 50, 100};
        QTest::newRow("progress only") << 0 << QList<int>{5};
    }
    void noticesAfterTheCommand() {
        QFETCH(int, pages);
        QFETCH(QList<int>, progress);
        QObject window;
        PageStore store(PageDestination::Pictures, nullptr, &window);
        QSignalSpy available(&store, &PageStore::pageAvailable);
        QSignalSpy progressed(&store, &PageStore::progressUpdate);
        // The whole run is one command: nothing reaches the window while it lasts.
        for (int i = 0; i < pages; ++i)
            store.addPage(test::fakeEmf(200, quint32(i)));
        for (int p : progress)
            store.setProgress(p);
        store.finish();
        QCOMPARE(available.count(), 0);
        QCOMPARE(progressed.count(), 0);

        QCoreApplication::sendPostedEvents();
        QCOMPARE(available.count(), pages);
        for (int i = 0; i < pages; ++i)
            QCOMPARE(available.at(i).at(0).toInt(), i + 1);
        QCOMPARE(progressed.count(), progress.size());
        for (int i = 0; i < progress.size(); ++i)
            QCOMPARE(progressed.at(i).at(0).toInt(), progress[i]);
    }

    void noticesDroppedWhenReceiverGone_data() {
        QTest::addColumn<QString>("gone");
        QTest::newRow("no window set") << "none";
        QTest::newRow("window closed first") << "window";
        QTest::newRow("store released first") << "store";
    }
    void noticesDroppedWhenReceiverGone() {
        QFETCH(QString, gone);
        auto window = std::make_unique<QObject>();
        auto store = std::make_unique<PageStore>(PageDestination::Pictures, nullptr,
                                                 gone == "none" ? nullptr : window.get());
        int delivered = 0;
        QObject::connect(store.get(), &PageStore::pageAvailable, [&](int) { ++delivered; });
        store->addPage(test::fakeEmf(200, 1));
        store->setProgress(50);
        if (gone == "window")
            window.reset();
        if (gone == "store")
            store.reset();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(delivered, 0);
    }
};

// The child mode is chosen before QtTest sees the arguments, so it never shows as a test (nor
// as a skipped one in every run).
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc == 2 && std::strcmp(argv[1], kLeaveStoreOpen) == 0)
        leaveStoreOpenAndExit();
    PageStoreTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pagestore.moc"
