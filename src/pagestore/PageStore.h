#pragma once

// The page store. This folder holds the prepared pages of one report run and their file: the
// page stream laid out exactly like a prepared report file (.LFP), the store that adds, plays,
// saves and loads those pages, the file format and its checked reader, the atomic save, and the
// document interface through which the preview window sees the pages. Pages are metafiles; the
// store never draws a sheet itself.

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "pagestore/PrinterSettings.h"
#include "pagestore/ReportFileReader.h"
#include "pictures/ClockDateTime.h"
#include "stores/AtomicFile.h"

class QIODevice;

namespace qlx {

class PageStream;

enum class PageDestination { Pictures, Printer };
enum class StoreStatus { Ready, Busy, Finished };

// The prepared pages of one report run. The report adds its pages here; the preview window
// shows them one at a time, saves them as a prepared report file and fills the store again
// from such a file. The pages live in a stream laid out exactly like the file (PageStream
// keeps it in memory up to 100000 bytes and in a temporary file beyond).
//
// The window to notify receives the page-available and progress notices through the
// pageAvailable and progressUpdate signals; both are queued and so reach it only after the
// current command has finished.
class PageStore : public QObject {
    Q_OBJECT
public:
    PageStore(PageDestination destination, QObject* owner = nullptr,
              QObject* notifyWindow = nullptr);
    ~PageStore() override;

    PageDestination destination() const { return m_destination; }
    StoreStatus status() const;
    bool isFinished() const { return status() == StoreStatus::Finished; }
    // Pages in the store; equals the pages available so far while the report produces them.
    int pageCount() const;
    int pagesAvailable() const;
    int progress() const { return m_progress; }
    // 0 to 100; posts a progress notice.
    void setProgress(int percent);

    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    PrinterSettings& printerSettings() { return m_printer; }
    const PrinterSettings& printerSettings() const { return m_printer; }
    bool loadedFromFile() const { return m_loadedFromFile; }

    QObject* owner() const { return m_owner; }
    QObject* notifyWindow() const { return m_notifyWindow; }
    // Notices are posted only while a window to notify is set, and dropped if it is gone by
    // the time they would be delivered.
    void setNotifyWindow(QObject* window) { m_notifyWindow = window; }

    // Appends one page picture (enhanced-metafile bytes) as a page record; the first page
    // writes the header. Posts a page-available notice. A store whose destination is the
    // printer only counts its pages: those were drawn on the printer. Throws "The report is
    // too large" when the picture or the stream would pass its limit.
    void addPage(const QByteArray& picture);
    // Before the first page: the pages of this run are kept compressed (compression flag 1,
    // zlib's fastest level), so that a long run's pages fit the stream's 2 GiB - 1 and the
    // temporary file stays small, at the price of compressing each page as it is added and
    // uncompressing it when it is read. Saving plain converts them back (see saveToFile).
    // Throws qlx::Error once pages are there.
    void keepPagesCompressed();
    // Ends the run: the header is written again with the final page count.
    void finish(const QDateTime& when = clockDateTime());

    // The picture of page `page` (from 1), found by the record offsets from where the stream
    // stands; only that page's picture is read. Throws qlx::Error when there is no such page.
    QByteArray readPage(int page);
    // How many page pictures have been read so far (paging reads only the page it shows).
    int pictureReads() const { return m_pictureReads; }

    // Save report: copies the stream from its start, in pieces of 10240 bytes, into `path`,
    // replacing the file atomically. Throws qlx::Error, writing nothing, when the store is not
    // finished, and when the file cannot be written (an old file stays whole).
    //
    // With `compressed` every page picture is written compressed (compression flag 1), which
    // older readers cannot open; without it, plainly. A store already in the form asked for
    // is copied byte for byte; otherwise each page is read, converted and written in turn, so
    // a store that keeps its pages compressed saves plain to exactly the bytes the same pages
    // stored plain would. Pages whose plain form would pass the file's 2 GiB - 1 are refused
    // before anything is written ("The report is too large to be saved uncompressed...").
    // A write that fails says "Failed to Save Stream <path>"; `writer` is for tests that make
    // the disk fail part way.
    void saveToFile(const QString& path, bool compressed = false, ChunkWriter writer = {}) const;
    // The same copy onto any device.
    void copyTo(QIODevice& out) const;
    void writeTo(QIODevice& out, bool compressed) const;
    // The stream holds its page pictures compressed (it was loaded from such a file).
    bool storedCompressed() const;

    // Load report: reads the file (opened shared), checks all of it, and only then replaces
    // the store's pages. A compressed file stays compressed in the store: each page is
    // uncompressed when it is read. Throws qlx::Error: "File does not exist", "Cannot open file
    // <path>", or "Not a valid report file" (a ReportFileError); the store is then unchanged.
    void loadFromFile(const QString& path);
    // The same from any readable device.
    void loadFrom(QIODevice& in);

    bool inTemporaryFile() const;
    QString temporaryFileName() const;
    qint64 streamSize() const;

signals:
    void pageAvailable(int pagesAvailable);
    void progressUpdate(int percent);

private:
    void post(void (PageStore::*notice)(int), int value);
    void writeHeader(qint32 pageCount, const QDateTime& when);
    qint64 plainStreamSize(const ReportFileReader& reader) const;

    const PageDestination m_destination;
    QPointer<QObject> m_owner;
    QPointer<QObject> m_notifyWindow;
    QString m_title;
    PrinterSettings m_printer;
    int m_progress = 0;
    bool m_loadedFromFile = false;
    int m_pictureReads = 0;
    bool m_keepCompressed = false;

    // The page list: status, count and where the stream last stood.
    mutable QMutex m_pagesLock;
    StoreStatus m_status = StoreStatus::Ready;
    int m_pageCount = 0;
    PagePosition m_position;

    // The stream. Taken after m_pagesLock when both are needed.
    mutable QMutex m_streamLock;
    std::unique_ptr<PageStream> m_stream;
};

} // namespace qlx
