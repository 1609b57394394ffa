#include "pagestore/PageStore.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QtEndian>

#include "metafile/EmfPictureCheck.h"
#include "pagestore/AtomicSave.h"
#include "pagestore/PageStream.h"
#include "pagestore/ReportFileError.h"
#include "pagestore/ReportFileFormat.h"
#include "pagestore/ReportFileReader.h"
#include "stores/Error.h"

namespace qlx {

using F = ReportFileFormat;

PageStore::PageStore(PageDestination destination, QObject* owner, QObject* notifyWindow)
    : m_destination(destination)
    , m_owner(owner)
    , m_notifyWindow(notifyWindow)
    , m_stream(std::make_unique<PageStream>()) {}

// The stream's destructor deletes the temporary file.
PageStore::~PageStore() = default;

StoreStatus PageStore::status() const {
    QMutexLocker pages(&m_pagesLock);
    return m_status;
}

int PageStore::pageCount() const {
    QMutexLocker pages(&m_pagesLock);
    return m_pageCount;
}

int PageStore::pagesAvailable() const {
    return pageCount();
}

void PageStore::post(void (PageStore::*notice)(int), int value) {
    QObject* window = m_notifyWindow;
    if (!window)
        return;
    // Queued on the window: delivered once the current command has finished, and dropped if
    // the window or the store is gone by then.
    QPointer<PageStore> self(this);
    QMetaObject::invokeMethod(
        window,
        [self, notice, value] {
            if (self)
                (self.data()->*notice)(value);
        },
        Qt::QueuedConnection);
}

void PageStore::setProgress(int percent) {
    m_progress = qBound(0, percent, 100);
    post(&PageStore::progressUpdate, m_progress);
}

void PageStore::writeHeader(qint32 pageCount, const QDateTime& when) {
    const QByteArray header =
        F::encodeHeader(pageCount, F::toDays(when), m_keepCompressed ? F::kCompressed : F::kPlain);
    if (m_stream->size() == 0)
        m_stream->append(header);
    else
        m_stream->overwrite(0, header);
}

void PageStore::keepPagesCompressed() {
    QMutexLocker pages(&m_pagesLock);
    if (m_pageCount > 0 || m_status != StoreStatus::Ready)
        throw Error("Pages already stored cannot be kept compressed");
    m_keepCompressed = true;
}

void PageStore::addPage(const QByteArray& picture) {
    const bool kept = m_destination == PageDestination::Pictures;
    if (kept && picture.size() > ReportFileReader::kMaxPictureSize)
        throw Error("The report is too large");
    // Compressed before the locks are taken: the flag only changes while the store is empty,
    // and a page being read meanwhile need not wait for this page's zlib run.
    const QByteArray stored =
        kept && m_keepCompressed ? F::compressPicture(picture, F::kFastCompression) : picture;
    int page = 0;
    {
        QMutexLocker pages(&m_pagesLock);
        if (m_status == StoreStatus::Finished)
            throw Error("Pages cannot be added to a finished report");
        page = m_pageCount + 1;
        if (m_destination == PageDestination::Pictures) {
            QMutexLocker stream(&m_streamLock);
            if (m_stream->size() == 0)
                writeHeader(1, clockDateTime());
            const qint64 start = m_stream->size();
            if (start + F::kRecordOverhead + stored.size() > F::kMaxStreamSize)
                throw Error("The report is too large");
            m_stream->append(F::encodeRecord(page, start, stored));
        }
        m_status = StoreStatus::Busy;
        m_pageCount = page;
    }
    post(&PageStore::pageAvailable, page);
}

void PageStore::finish(const QDateTime& when) {
    QMutexLocker pages(&m_pagesLock);
    if (m_status == StoreStatus::Finished)
        return;
    m_status = StoreStatus::Finished;
    QMutexLocker stream(&m_streamLock);
    if (m_stream->size() > 0)
        writeHeader(m_pageCount, when);
}

QByteArray PageStore::readPage(int page) {
    QMutexLocker pages(&m_pagesLock);
    if (m_destination != PageDestination::Pictures || page < 1 || page > m_pageCount)
        throw Error("There is no page " + std::to_string(page));
    QMutexLocker stream(&m_streamLock);
    const ReportFileReader reader(*m_stream);
    const PagePosition at = reader.locate(page, m_pageCount, m_position);
    QByteArray picture = reader.picture(at);
    m_position = at;
    ++m_pictureReads;
    return picture;
}

void PageStore::copyTo(QIODevice& out) const {
    QMutexLocker stream(&m_streamLock);
    m_stream->copyTo(out);
}

bool PageStore::storedCompressed() const {
    QMutexLocker stream(&m_streamLock);
    return ReportFileReader(*m_stream).compressed();
}

void PageStore::writeTo(QIODevice& out, bool compressed) const {
    QMutexLocker pages(&m_pagesLock);
    QMutexLocker stream(&m_streamLock);
    const ReportFileReader reader(*m_stream);
    if (reader.compressed() == compressed || m_stream->size() == 0) {
        m_stream->copyTo(out);
        return;
    }
    if (!compressed) {
        const qint64 plain = plainStreamSize(reader);
        if (plain > F::kMaxStreamSize)
            throw Error("The report is too large to be saved uncompressed: its " +
                        std::to_string(m_pageCount) + " pages would take " + std::to_string(plain) +
                        " bytes, and a report file holds at most " +
                        std::to_string(F::kMaxStreamSize) + "; save it compressed");
    }
    const auto put = [&out](const QByteArray& bytes) {
        if (out.write(bytes) != bytes.size())
            throw OutputWriteError();
    };
    QByteArray head = m_stream->readAt(0, F::kHeaderSize);
    head[F::kCompressionOffset] = static_cast<char>(compressed ? F::kCompressed : F::kPlain);
    put(head);
    qint64 at = F::kHeaderSize;
    PagePosition position;
    for (qint32 page = 1; page <= m_pageCount; ++page) {
        position = reader.locate(page, m_pageCount, position);
        const QByteArray picture = reader.picture(position);
        const QByteArray record =
            F::encodeRecord(page, at, compressed ? F::compressPicture(picture) : picture);
        if (at + record.size() > F::kMaxStreamSize)
            throw Error("The report is too large");
        put(record);
        at += record.size();
    }
}

// What the stream of a store that keeps its pages compressed takes plain: each record's
// declared picture length, read from the record's first bytes without uncompressing it.
qint64 PageStore::plainStreamSize(const ReportFileReader& reader) const {
    qint64 size = F::kHeaderSize;
    PagePosition position;
    for (qint32 page = 1; page <= m_pageCount; ++page) {
        position = reader.locate(page, m_pageCount, position);
        size += F::kRecordOverhead + reader.pictureLength(position);
    }
    return size;
}

void PageStore::saveToFile(const QString& path, bool compressed, ChunkWriter writer) const {
    if (!isFinished())
        throw Error("A report can only be saved once all its pages are produced");
    // A failed write names the file saved to (the atomic file's own failures do); the page
    // store's own temporary file names itself.
    try {
        AtomicSave::write(
            path, [this, compressed](QIODevice& out) { writeTo(out, compressed); }, writer);
    } catch (const OutputWriteError&) {
        throw Error("Failed to Save Stream " + path.toStdString());
    }
}

namespace {

// The header and the chain of page records checked where the file lies, reading only their
// few bytes, so that a file that is no report is refused before it is copied. The reasons
// are the reader's own; the pictures are checked on the copy.
void checkInPlace(QFile& file) {
    const auto shorter = [] {
        throw ReportFileError(QStringLiteral("shorter than the header"));
    };
    const auto bytesAt = [&](qint64 at, qint64 length) {
        QByteArray data;
        if (file.seek(at))
            data = file.read(length);
        if (data.size() < length)
            shorter();
        return data;
    };
    ReportFileReader::walkRecords(file.size(), bytesAt, {});
    if (!file.seek(0))
        shorter();
}

} // namespace

void PageStore::loadFromFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        throw Error("File does not exist");
    // A folder, a pipe or a device is no report file, and opening a pipe would block.
    if (!info.isFile())
        throw Error("Cannot open file " + path.toStdString());
    QFile file(path);
    // A plain read-only open: other readers and writers are not locked out.
    if (!file.open(QIODevice::ReadOnly))
        throw Error("Cannot open file " + path.toStdString());
    checkInPlace(file);
    loadFrom(file);
}

void PageStore::loadFrom(QIODevice& in) {
    // Read everything into a stream of our own first, then check that copy: the file may
    // change under us, the copy cannot. The store is touched only once all of it is sound.
    auto fresh = std::make_unique<PageStream>();
    if (!fresh->appendFrom(in, F::kMaxStreamSize))
        throw ReportFileError(QStringLiteral("longer than a report file can be"));
    const ReportFileReader reader(*fresh);
    const qint32 count = reader.validate();
    PrinterSettings printer = m_printer;
    const QSizeF frame = EmfPictureCheck::frameSizeTenthsMm(reader.picture({1, F::kHeaderSize}));
    if (!frame.isEmpty())
        printer.paper = recognisePaper(frame.width(), frame.height());

    QMutexLocker pages(&m_pagesLock);
    if (m_status == StoreStatus::Busy)
        throw Error("A report cannot be loaded while pages are being produced");
    QMutexLocker stream(&m_streamLock);
    m_stream.swap(fresh); // the old stream, and its temporary file, go with `fresh`
    m_pageCount = count;
    m_position = PagePosition{1, F::kHeaderSize};
    m_status = StoreStatus::Finished;
    m_loadedFromFile = true;
    m_printer = printer;
}

bool PageStore::inTemporaryFile() const {
    QMutexLocker stream(&m_streamLock);
    return m_stream->inTemporaryFile();
}

QString PageStore::temporaryFileName() const {
    QMutexLocker stream(&m_streamLock);
    return m_stream->temporaryFileName();
}

qint64 PageStore::streamSize() const {
    QMutexLocker stream(&m_streamLock);
    return m_stream->size();
}

} // namespace qlx
