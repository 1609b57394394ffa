#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QtEndian>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <unistd.h>

#include "metafile/EmfPictureCheck.h"
#include "pagestore/PageStore.h"
#include "pagestore/PageStream.h"
#include "pagestore/ReportFileError.h"
#include "pagestore/ReportFileFormat.h"
#include "pagestore/ReportFileReader.h"
#include "stores/Error.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/FakeEmf.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

qint32 i32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

void setI32(QByteArray& bytes, qsizetype at, qint32 value) {
    qToLittleEndian<qint32>(value, bytes.data() + at);
}

quint16 u16(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

double f64(const QByteArray& bytes, qsizetype at) {
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + at);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Record starts for pictures of the given sizes, and the end of the last record.
QList<qint64> recordStarts(const QList<int>& sizes) {
    QList<qint64> starts{128};
    for (int size : sizes)
        starts << starts.last() + 12 + size;
    return starts; // the last entry is the end of the file
}

QList<QByteArray> produce(PageStore& store, const QList<int>& sizes,
                          const QDateTime& when = QDateTime::currentDateTime()) {
    QList<QByteArray> pictures;
    for (int i = 0; i < sizes.size(); ++i) {
        pictures << test::fakeEmf(sizes[i], quint32(77 + i));
        store.addPage(pictures.last());
    }
    store.finish(when);
    return pictures;
}

QByteArray savedBytes(const QList<int>& sizes,
                      const QDateTime& when = QDateTime::currentDateTime()) {
    PageStore store(PageDestination::Pictures);
    produce(store, sizes, when);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    store.copyTo(buffer);
    return buffer.data();
}

// Remembers every write; fails the write that would take it past `failAfter` bytes when that
// is given.
class RecordingDevice : public QIODevice {
public:
    explicit RecordingDevice(qint64 failAfter = -1)
        : m_failAfter(failAfter) {
        open(QIODevice::WriteOnly);
    }
    QList<qint64> writes;
    QByteArray bytes;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        if (m_failAfter >= 0 && bytes.size() + length > m_failAfter)
            return -1;
        writes << length;
        bytes.append(data, length);
        return length;
    }

private:
    qint64 m_failAfter;
};

using Damage = std::function<void(QByteArray&)>;
// A page's frame (right, bottom), and the paper, whether turned, whether matched.
using PaperRow = std::tuple<qint32, qint32, int, bool, bool>;
using DateRow = std::pair<QDateTime, double>;     // when, the header's days
using NameRow = std::pair<QString, QString>;      // a file's name, the message
using ReasonRow = std::pair<QByteArray, QString>; // a compressed record as stored, the reason

// A one-page compressed report whose record holds `stored` as it is.
QByteArray compressedFile(const QByteArray& stored) {
    using F = ReportFileFormat;
    return F::encodeHeader(1, 45292.5, F::kCompressed) + F::encodeRecord(1, 128, stored);
}

// The length a compressed record declares, then zlib data of `picture`, both chosen apart.
QByteArray storedAs(quint32 declared, const QByteArray& zlibData) {
    QByteArray stored(4, '\0');
    qToLittleEndian<quint32>(declared, stored.data());
    return stored + zlibData;
}

// zlib data of `bytes`, as qCompress makes it without its big-endian length.
QByteArray zlibOf(const QByteArray& bytes) {
    return qCompress(bytes).mid(4);
}

} // namespace

Q_DECLARE_METATYPE(Damage)

class ReportFileTest : public QObject {
    Q_OBJECT
private slots:
    // --- layout --------------------------------------------------------------------------

    void headerDate_data() {
        test::dataRows<DateRow>({
            {"day zero", {{QDate(1899, 12, 30), QTime(0, 0)}, 0.0}},
            {"1900 at six", {{QDate(1900, 1, 1), QTime(6, 0)}, 2.25}},
            {"2000", {{QDate(2000, 1, 1), QTime(0, 0)}, 36526.0}},
            {"2024 at noon", {{QDate(2024, 1, 1), QTime(12, 0)}, 45292.5}},
            {"evening", {{QDate(2024, 1, 2), QTime(18, 0)}, 45293.75}},
        });
    }
    void headerDate() {
        QFETCH(DateRow, row);
        const auto [when, days] = row;
        QCOMPARE(f64(savedBytes({300}, when), 16), days);
    }

    // --- copying -------------------------------------------------------------------------

    void copiesInPieces_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("less than a piece") << QList<int>{1000};
        QTest::newRow("several pieces") << QList<int>{25000, 9000};
        QTest::newRow("from the temporary file") << QList<int>{90000, 45000};
    }
    void copiesInPieces() {
        QFETCH(QList<int>, sizes);
        PageStore store(PageDestination::Pictures);
        produce(store, sizes);
        RecordingDevice out;
        store.copyTo(out);
        const qint64 total = recordStarts(sizes).last();
        QCOMPARE(qint64(out.bytes.size()), total);
        QCOMPARE(out.writes.size(), (total + 10239) / 10240);
        for (int i = 0; i + 1 < out.writes.size(); ++i)
            QCOMPARE(out.writes[i], qint64(10240));
    }

    // Loading again replaces the pages and deletes the temporary file of the old ones.
    void loadReplacesTemporaryFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("small.lfp");
        QVERIFY(test::writeFile(path, savedBytes({500}).toStdString()));
        PageStore store(PageDestination::Pictures);
        produce(store, {150000});
        const QString oldTemp = store.temporaryFileName();
        QVERIFY(QFile::exists(oldTemp));
        store.loadFromFile(path);
        QVERIFY(!QFile::exists(oldTemp));
        QVERIFY(!store.inTemporaryFile());
        QCOMPARE(store.pageCount(), 1);
    }

    void paperRecognised_data() {
        test::dataRows<PaperRow>({
            {"A4 portrait", {21000, 29700, QPageSize::A4, false, true}},
            {"A4 landscape", {29700, 21000, QPageSize::A4, true, true}},
            {"A4 off by a millimetre", {21100, 29600, QPageSize::A4, false, true}},
            // a 794 x 1123 picture at 96 dpi measures 210.08 x 297.13 mm
            {"A4 from pixels", {21008, 29713, QPageSize::A4, false, true}},
            {"A5", {14800, 21000, QPageSize::A5, false, true}},
            {"Letter", {21590, 27940, QPageSize::Letter, false, true}},
            {"A3 landscape", {42000, 29700, QPageSize::A3, true, true}},
            {"no match keeps its own size", {10000, 10000, QPageSize::Custom, false, false}},
        });
    }
    void paperRecognised() {
        QFETCH(PaperRow, row);
        const auto [frameRight, frameBottom, paper, landscape, matched] = row;
        PageStore made(PageDestination::Pictures);
        made.addPage(test::fakeEmf(300, 1, frameRight, frameBottom));
        made.finish();
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        made.copyTo(buffer);
        buffer.seek(0);
        PageStore loaded(PageDestination::Pictures);
        loaded.printerSettings().paper = recognisePaper(4200, 2970); // A3 landscape before
        loaded.loadFrom(buffer);
        const PaperChoice got = loaded.printerSettings().paper;
        QCOMPARE(got.pageSizeId, paper);
        QCOMPARE(got.landscape, landscape);
        QCOMPARE(got.matched, matched);
        // the paper as laid on the page: within a 4 mm step of the frame, turned as it is
        QVERIFY(qAbs(got.widthTenthsMm - frameRight / 10.0) < 40);
        QVERIFY(qAbs(got.heightTenthsMm - frameBottom / 10.0) < 40);
    }

    // --- damaged files -------------------------------------------------------------------

    void damagedFileRefused_data() {
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("reason");
        // A good file of three pages: records at r1, r2, r3, ending at `end`.
        const QList<qint64> s = recordStarts({300, 400, 500});
        const qint64 r1 = s[0], r2 = s[1], r3 = s[2], end = s[3];
        auto row = [](const char* name, const char* reason, Damage damage) {
            QTest::newRow(name) << damage << QString(reason);
        };
        row("zero-length", "shorter than the header", [](QByteArray& f) { f.clear(); });
        row("truncated header", "shorter than the header", [](QByteArray& f) { f.truncate(100); });
        row("header only", "larger than the records", [](QByteArray& f) { f.truncate(128); });
        row("wrong version", "unknown version", [](QByteArray& f) { f[0] = 2; });
        row("wrong signature", "unknown version", [](QByteArray& f) { f[2] = 0x30; });
        row("compression flag over plain pictures", "page 1: compressed picture",
            [](QByteArray& f) { f[25] = 1; });
        row("unknown compression", "unknown compression 2", [](QByteArray& f) { f[25] = 2; });
        row("page count 0", "page count 0", [](QByteArray& f) { setI32(f, 8, 0); });
        row("negative page count", "page count -3", [](QByteArray& f) { setI32(f, 8, -3); });
        row("page count larger than the records", "larger than the records",
            [](QByteArray& f) { setI32(f, 8, 4); });
        row("page count far larger than the file", "larger than the records",
            [](QByteArray& f) { setI32(f, 8, 0x7fffffff); });
        row("page count smaller than the records", "bytes after the last page record",
            [](QByteArray& f) { setI32(f, 8, 2); });
        row("truncated record", "out of range", [](QByteArray& f) { f.chop(10); });
        row("next offset past the end", "out of range",
            [=](QByteArray& f) { setI32(f, r1 + 4, qint32(end + 64)); });
        row("next offset negative", "out of range", [=](QByteArray& f) { setI32(f, r2 + 4, -1); });
        row("next offset pointing backwards", "out of range",
            [=](QByteArray& f) { setI32(f, r2 + 4, qint32(r1)); });
        row("next offset pointing at itself", "out of range",
            [=](QByteArray& f) { setI32(f, r2 + 4, qint32(r2)); });
        row("next offset skipping a record", "does not end with its own start",
            [=](QByteArray& f) { setI32(f, r1 + 4, qint32(r3)); });
        row("start offset looping forward", "does not end with its own start",
            [=](QByteArray& f) { setI32(f, r3 - 4, qint32(r3)); });
        row("start offset looping back to page 1", "does not end with its own start",
            [=](QByteArray& f) { setI32(f, end - 4, qint32(r1)); });
        row("wrong page number", "carries page number 5", [=](QByteArray& f) { setI32(f, r2, 5); });
        row("page not a metafile", "page 2:", [=](QByteArray& f) { setI32(f, r2 + 8, 2); });
        row("metafile signature missing", "page 3:", [=](QByteArray& f) { f[r3 + 8 + 40] = 'X'; });
        row("picture size past the end",
            "page 3:", [=](QByteArray& f) { setI32(f, r3 + 8 + 48, 500 + 100); });
        row("metafile header size too large",
            "page 1:", [=](QByteArray& f) { setI32(f, r1 + 8 + 4, 100000); });
        row("zero-length picture", "page 1:", [](QByteArray& f) {
            f.truncate(128);
            setI32(f, 8, 1);
            f += QByteArray("\x01\0\0\0\x8c\0\0\0", 8) + QByteArray("\x80\0\0\0", 4);
        });
        row("bytes after the last record", "bytes after the last page record",
            [](QByteArray& f) { f += QByteArray(4, '\0'); });
    }
    void damagedFileRefused() {
        QFETCH(Damage, damage);
        QFETCH(QString, reason);
        QByteArray file = savedBytes({300, 400, 500});
        damage(file);
        QTemporaryDir dir;
        const QString path = dir.filePath("damaged.lfp");
        QVERIFY(test::writeFile(path, file.toStdString()));

        // Once with the shown pages in memory, once in a temporary file.
        for (const QList<int>& shown : {QList<int>{700, 800}, QList<int>{70000, 80000}}) {
            PageStore store(PageDestination::Pictures);
            const QList<QByteArray> pictures = produce(store, shown);
            const QString tempName = store.temporaryFileName();
            const qint64 size = store.streamSize();
            try {
                store.loadFromFile(path);
                QFAIL("a damaged file was taken in");
            } catch (const ReportFileError& refused) {
                QCOMPARE(QString(refused.what()), QString("Not a valid report file"));
                QVERIFY2(refused.reason().contains(reason), qPrintable(refused.reason()));
            }
            QCOMPARE(store.pageCount(), 2);
            QCOMPARE(store.status(), StoreStatus::Finished);
            QVERIFY(!store.loadedFromFile());
            QCOMPARE(store.streamSize(), size);
            QCOMPARE(store.temporaryFileName(), tempName);
            if (!tempName.isEmpty())
                QVERIFY(QFile::exists(tempName));
            QCOMPARE(store.readPage(2), pictures[1]);
            QCOMPARE(store.readPage(1), pictures[0]);
        }
    }

    void missingOrUnreadable_data() {
        test::dataRows<NameRow>({
            {"missing file", {"nothing.lfp", "File does not exist"}},
            {"missing folder", {"gone/nothing.lfp", "File does not exist"}},
            {"a directory", {"folder", "Cannot open file"}},
        });
    }
    void missingOrUnreadable() {
        QFETCH(NameRow, row);
        const auto [name, message] = row;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        PageStore store(PageDestination::Pictures);
        const QList<QByteArray> pictures = produce(store, {300});
        const QString path = dir.filePath(name);
        const QString error = test::errorOf([&] { store.loadFromFile(path); });
        QVERIFY2(error.startsWith(message), qPrintable(error));
        QCOMPARE(store.readPage(1), pictures[0]);
        QVERIFY(!store.loadedFromFile());
    }

    // The metafile reader can be put in place of the header check.
    void pictureValidatorHook() {
        QByteArray file = savedBytes({300, 400});
        int seen = 0;
        EmfPictureCheck::setValidator([&](const QByteArray& picture, QString* error) {
            ++seen;
            if (picture.size() == 400) {
                *error = "rejected by the reader";
                return false;
            }
            return true;
        });
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        PageStore store(PageDestination::Pictures);
        try {
            store.loadFrom(buffer);
            EmfPictureCheck::setValidator({});
            QFAIL("loaded");
        } catch (const ReportFileError& e) {
            EmfPictureCheck::setValidator({});
            QVERIFY(e.reason().contains("page 2: rejected by the reader"));
        }
        QCOMPARE(seen, 2);
        buffer.seek(0);
        store.loadFrom(buffer);
        QCOMPARE(store.pageCount(), 2);
    }

    // --- saving atomically ---------------------------------------------------------------

    // A device that fails part way stops the copy, after the whole pieces it took.
    void copyStopsAtAFailedWrite_data() {
        QTest::addColumn<qint64>("failAfter");
        QTest::newRow("at once") << qint64(0);
        QTest::newRow("after one piece") << qint64(10240);
        QTest::newRow("in the middle of the last piece") << qint64(25000);
    }
    void copyStopsAtAFailedWrite() {
        QFETCH(qint64, failAfter);
        PageStore store(PageDestination::Pictures);
        produce(store, {30000});
        RecordingDevice failing(failAfter);
        QVERIFY_THROWS_EXCEPTION(Error, store.copyTo(failing));
        QCOMPARE(qint64(failing.bytes.size()), failAfter / 10240 * 10240);
    }

    // The disk itself fails (full, or an I/O error) part way through Save report: the message
    // names the file, the old (longer) file stays whole, no temporary file is left, and the
    // pieces reach the disk as 10240 bytes. When nothing fails the old file is replaced whole.
    void failingDiskKeepsOldFile_data() {
        QTest::addColumn<qint64>("failAfter");
        QTest::newRow("first piece") << qint64(0);
        QTest::newRow("second piece") << qint64(10240);
        QTest::newRow("last piece") << qint64(20480);
        QTest::newRow("never") << qint64(-1);
    }
    void failingDiskKeepsOldFile() {
        QFETCH(qint64, failAfter);
        PageStore store(PageDestination::Pictures);
        produce(store, {30000});
        RecordingDevice whole;
        store.copyTo(whole);

        QTemporaryDir dir;
        const QString path = dir.filePath("old.lfp");
        const std::string old(50000, 'x');
        QVERIFY(test::writeFile(path, old));
        QList<qint64> pieces;
        qint64 written = 0;
        ChunkWriter disk = [&](int fd, const char* data, std::size_t size) {
            pieces.append(qint64(size));
            if (failAfter >= 0 && written + qint64(size) > failAfter) {
                errno = ENOSPC;
                return false;
            }
            written += qint64(size);
            return ::write(fd, data, size) == ssize_t(size);
        };
        QCOMPARE(test::errorOf([&] { store.saveToFile(path, false, disk); }),
                 failAfter < 0 ? "no error" : "Failed to Save Stream " + path);
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
            QCOMPARE(pieces[i], qint64(10240));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.lfp"});
        QCOMPARE(QByteArray::fromStdString(test::readFile(path)),
                 failAfter < 0 ? whole.bytes : QByteArray::fromStdString(old));
    }

    // --- compressed page pictures ----------------------------------------------------------

    // Each compressed record holds the picture's length (little-endian) and its zlib stream.
    // The plain and the compressed file load to the same pictures, read in any order, and save
    // again to either file byte for byte.
    void compressedRoundTrip_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("1 page") << QList<int>{2000};
        QTest::newRow("3 pages") << QList<int>{92, 5000, 733};
        QTest::newRow("pages in a temporary file") << QList<int>{150000, 20000, 300000};
    }
    void compressedRoundTrip() {
        QFETCH(QList<int>, sizes);
        QTemporaryDir dir;
        const QString plainPath = dir.filePath("plain.lfp");
        const QString packedPath = dir.filePath("packed.lfp");
        PageStore made(PageDestination::Pictures);
        const QList<QByteArray> pictures = produce(made, sizes);
        made.saveToFile(plainPath);
        made.saveToFile(packedPath, true);
        QVERIFY(!made.storedCompressed());

        const QByteArray plain = QByteArray::fromStdString(test::readFile(plainPath));
        const QByteArray packed = QByteArray::fromStdString(test::readFile(packedPath));
        QCOMPARE(qint64(plain.size()), recordStarts(sizes).last());
        QCOMPARE(u16(plain, 0), quint16(3));
        QCOMPARE(u16(plain, 2), quint16(305));
        QCOMPARE(i32(plain, 8), qint32(sizes.size()));
        QCOMPARE(int(plain.at(25)), 0);
        QCOMPARE(packed.left(25), plain.left(25));
        QCOMPARE(int(packed.at(25)), 1);
        QCOMPARE(packed.mid(26, 102), plain.mid(26, 102));
        // Both files are a chain of records from byte 128: page number, the next record's
        // start, the picture as stored, the record's own start.
        for (const bool compressed : {false, true}) {
            const QByteArray& file = compressed ? packed : plain;
            qint64 at = 128;
            qint64 lastStart = 0;
            for (int page = 1; page <= sizes.size(); ++page) {
                lastStart = at;
                QCOMPARE(i32(file, at), page);
                const qint64 next = i32(file, at + 4);
                QCOMPARE(qint64(i32(file, next - 4)), at);
                QByteArray stored = file.mid(at + 8, next - at - 12);
                if (compressed) {
                    // The picture's length, little-endian, then the zlib stream that qUncompress
                    // reads behind the length in big-endian.
                    const quint32 size = quint32(sizes[page - 1]);
                    QCOMPARE(qFromLittleEndian<quint32>(stored.constData()), size);
                    qToBigEndian<quint32>(size, stored.data());
                    stored = qUncompress(stored);
                }
                QCOMPARE(stored, pictures[page - 1]);
                at = next;
            }
            QCOMPARE(at, qint64(file.size()));
            QCOMPARE(qint64(i32(file, file.size() - 4)), lastStart);
        }

        for (const QString& path : {plainPath, packedPath}) {
            PageStore loaded(PageDestination::Pictures);
            loaded.loadFromFile(path);
            QCOMPARE(loaded.pageCount(), int(sizes.size()));
            QCOMPARE(loaded.status(), StoreStatus::Finished);
            QVERIFY(loaded.loadedFromFile());
            QCOMPARE(loaded.storedCompressed(), path == packedPath);
            QCOMPARE(loaded.streamSize(), qint64((path == packedPath ? packed : plain).size()));
            QCOMPARE(loaded.inTemporaryFile(), loaded.streamSize() > PageStream::kMemoryLimit);
            for (int page = int(sizes.size()); page >= 1; --page)
                QCOMPARE(loaded.readPage(page), pictures[page - 1]);
            for (int page = 1; page <= sizes.size(); ++page)
                QCOMPARE(loaded.readPage(page), pictures[page - 1]);
            const QString again = dir.filePath("again.lfp");
            loaded.saveToFile(again, true);
            QCOMPARE(test::readFile(again), test::readFile(packedPath));
            loaded.saveToFile(again);
            QCOMPARE(test::readFile(again), test::readFile(plainPath));
        }
    }

    // A store that keeps its pages compressed while they come in reads back the same pages,
    // saves plain to exactly the file the same pages stored plain give, and saves compressed
    // to a file that loads to those pages.
    void keptCompressedSavesAsBefore_data() { compressedRoundTrip_data(); }
    void keptCompressedSavesAsBefore() {
        QFETCH(QList<int>, sizes);
        QTemporaryDir dir;
        const QDateTime when(QDate(2026, 12, 8), QTime(11, 0, 0));
        PageStore plain(PageDestination::Pictures);
        const QList<QByteArray> pictures = produce(plain, sizes, when);
        PageStore kept(PageDestination::Pictures);
        kept.keepPagesCompressed();
        QCOMPARE(produce(kept, sizes, when), pictures);

        QVERIFY(kept.storedCompressed());
        QVERIFY(kept.streamSize() < plain.streamSize());
        for (int page = int(sizes.size()); page >= 1; --page)
            QCOMPARE(kept.readPage(page), pictures[page - 1]);
        const QString fromPlain = dir.filePath("plain.lfp"), fromKept = dir.filePath("kept.lfp");
        plain.saveToFile(fromPlain);
        kept.saveToFile(fromKept);
        QCOMPARE(test::readFile(fromKept), test::readFile(fromPlain));

        const QString packed = dir.filePath("packed.lfp");
        kept.saveToFile(packed, true);
        QCOMPARE(qint64(test::readFile(packed).size()), kept.streamSize());
        PageStore loaded(PageDestination::Pictures);
        loaded.loadFromFile(packed);
        QVERIFY(loaded.storedCompressed());
        for (int page = 1; page <= int(sizes.size()); ++page)
            QCOMPARE(loaded.readPage(page), pictures[page - 1]);
    }

    // Whether pages are kept compressed is settled before the first page: asked later, the
    // store refuses and goes on as it was.
    void keepCompressedOnlyBeforeTheFirstPage() {
        PageStore store(PageDestination::Pictures);
        const QByteArray first = test::fakeEmf(3000, 1);
        store.addPage(first);
        QVERIFY_THROWS_EXCEPTION(Error, store.keepPagesCompressed());
        store.addPage(test::fakeEmf(3000, 2));
        store.finish();
        QVERIFY(!store.storedCompressed());
        QCOMPARE(store.streamSize(), recordStarts({3000, 3000}).last());
        QCOMPARE(store.readPage(1), first);
    }

    // A compressed record that does not hold what it declares is refused with the reader's
    // message before anything of its declared size is allocated, and the store keeps its pages.
    void hostileCompressedRecord_data() {
        QTest::addColumn<ReasonRow>("row");
        const QByteArray picture = test::fakeEmf(3000, 5);
        const QByteArray zlib = zlibOf(picture);
        const quint32 size = quint32(picture.size());
        const auto row = [](const char* tag, QByteArray stored, QString reason) {
            QTest::newRow(tag) << ReasonRow{stored, reason};
        };
        row("no length", QByteArray("\x01\x02", 2), "without its length");
        row("length beyond the picture limit", storedAs(0xffffffffu, zlib), "is too large");
        row("length beyond what the data can give", storedAs(200u * 1024 * 1024, zlib),
            "claims 209715200 bytes");
        row("zlib cut short", storedAs(size, zlib.left(zlib.size() / 2)), "damaged or cut short");
        row("zlib checksum missing", storedAs(size, zlib.left(zlib.size() - 4)),
            "damaged or cut short");
        row("not zlib", storedAs(size, QByteArray(200, 'x')), "damaged or cut short");
        row("length smaller than the data", storedAs(size - 1, zlib),
            "expands beyond its 2999 bytes");
        row("length larger than the data", storedAs(size + 1, zlib), "gives 3000 bytes, not 3001");
        row("bytes after the zlib stream", storedAs(size, zlib + "tail"),
            "bytes after the compressed picture");
        // 64 MB of zeros in a few kilobytes, declared as a small picture.
        row("bomb", storedAs(size, zlibOf(QByteArray(64 * 1024 * 1024, '\0'))),
            "expands beyond its 3000 bytes");
        row("no metafile inside", storedAs(4000, zlibOf(QByteArray(4000, 'e'))), "page 1:");
    }
    void hostileCompressedRecord() {
        QFETCH(ReasonRow, row);
        const auto [stored, reason] = row;
        QTemporaryDir dir;
        const QString path = dir.filePath("hostile.lfp");
        QVERIFY(test::writeFile(path, compressedFile(stored).toStdString()));
        PageStore store(PageDestination::Pictures);
        const QList<QByteArray> pictures = produce(store, {700});
        try {
            store.loadFromFile(path);
            QFAIL("a damaged compressed file was taken in");
        } catch (const ReportFileError& refused) {
            QCOMPARE(QString(refused.what()), QString("Not a valid report file"));
            QVERIFY2(refused.reason().contains(reason), qPrintable(refused.reason()));
        }
        QVERIFY(!store.loadedFromFile());
        QCOMPARE(store.readPage(1), pictures[0]);

        // Read without the whole-file check, the page fails the same way.
        PageStream stream;
        stream.append(compressedFile(stored));
        const ReportFileReader reader(stream);
        QVERIFY(reader.compressed());
        if (!reason.startsWith("page 1:"))
            QVERIFY_THROWS_EXCEPTION(ReportFileError, reader.picture({1, 128}));
    }
};

QTEST_MAIN(ReportFileTest)
#include "tst_reportfile.moc"
