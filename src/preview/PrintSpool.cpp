#include "preview/PrintSpool.h"

#include <QDir>
#include <QPrinter>
#include <cups/cups.h>
#include <string>

#include "pagestore/TemporaryFolder.h"
#include "stores/Error.h"

namespace qlx {

namespace {

qint64& spaceShort() {
    static qint64 bytes = 0;
    return bytes;
}

// A connection to the scheduler the environment names (CUPS_SERVER, client.conf, or the
// local socket); null when it does not answer.
struct Connection {
    http_t* http = nullptr;
    Connection() {
        http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 10000,
                            nullptr);
    }
    ~Connection() {
        if (http)
            httpClose(http);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
};

QString lastCupsError() {
    return QString::fromUtf8(cupsLastErrorString());
}

} // namespace

SchedulerState schedulerState() {
    Connection c;
    if (!c.http)
        return SchedulerState::Unreachable;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(c.http, &dests);
    const bool failed = count == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
                        cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND;
    cupsFreeDests(count, dests);
    if (failed)
        return SchedulerState::Unreachable;
    return count > 0 ? SchedulerState::Printers : SchedulerState::NoPrinters;
}

QString printQueueFor(const QString& chosen) {
    if (!chosen.isEmpty())
        return chosen;
    Connection c;
    if (!c.http)
        return {};
    cups_dest_t* dest = cupsGetNamedDest(c.http, nullptr, nullptr);
    const QString name = dest ? QString::fromUtf8(dest->name) : QString();
    cupsFreeDests(dest ? 1 : 0, dest);
    return name;
}

SpoolJob::SpoolJob(QPrinter& printer, const QString& queue, int copies, const QString& title)
    : m_file(checkedTemporaryFolder().path + QStringLiteral("/qlxprint-XXXXXX.pdf"))
    , m_queue(queue)
    , m_copies(qMax(1, copies))
    , m_title(title) {
    if (!m_file.open())
        fail(QStringLiteral("the print file cannot be made in %1 (%2)")
                 .arg(QDir::toNativeSeparators(checkedTemporaryFolder().path),
                      m_file.errorString()));
    m_file.close();
    // The queue's paper, margins and resolution, carried over to the PDF writer.
    const QPageLayout layout = printer.pageLayout();
    const int dpi = printer.resolution();
    m_media = layout.pageSize().key().toUtf8();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_file.fileName());
    printer.setResolution(dpi);
    printer.setPageLayout(layout);
    printer.setCopyCount(1); // the spooler makes the copies
    printer.setDocName(title);
}

SpoolJob::~SpoolJob() = default;

void SpoolJob::setSpaceShortForTest(qint64 bytes) {
    spaceShort() = bytes;
}

void SpoolJob::fail(const QString& reason) const {
    throw Error(QStringLiteral("Cannot print on the printer \"%1\": %2")
                    .arg(m_queue, reason)
                    .toStdString());
}

int SpoolJob::send(const std::function<bool()>& cancelled) {
    QFile pdf(m_file.fileName());
    if (!pdf.open(QIODevice::ReadOnly))
        fail(QStringLiteral("the print file cannot be read (%1)").arg(pdf.errorString()));
    const qint64 size = pdf.size() - spaceShort();
    // A PDF ends with its trailer: a file cut short by a full disk does not.
    pdf.seek(qMax<qint64>(0, size - 1024));
    const QByteArray tail = pdf.read(qMax<qint64>(0, qMin<qint64>(1024, size)));
    if (size <= 0 || !tail.contains("%%EOF"))
        fail(QStringLiteral("the print file in %1 is incomplete; the temporary folder may be "
                            "full")
                 .arg(QDir::toNativeSeparators(QFileInfo(m_file.fileName()).absolutePath())));
    pdf.seek(0);

    Connection c;
    if (!c.http)
        fail(QStringLiteral("the print scheduler cannot be reached"));
    const QByteArray queue = m_queue.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(c.http, queue.constData(), nullptr);
    if (!dest) {
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ||
            cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE)
            fail(QStringLiteral("there is no such printer (any more)"));
        fail(lastCupsError());
    }
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool refuses = accepting && std::string(accepting) == "false";
    cupsFreeDests(1, dest);
    if (refuses)
        fail(QStringLiteral("the printer is not accepting jobs"));

    int optionCount = 0;
    cups_option_t* options = nullptr;
    optionCount = cupsAddOption("copies", std::to_string(m_copies).c_str(), optionCount, &options);
    // The queue's own default paper would otherwise have the pages scaled onto it.
    if (!m_media.isEmpty())
        optionCount = cupsAddOption("media", m_media.constData(), optionCount, &options);
    const int job = cupsCreateJob(c.http, queue.constData(), m_title.toUtf8().constData(),
                                  optionCount, options);
    cupsFreeOptions(optionCount, options);
    if (job == 0)
        fail(lastCupsError());
    auto cancelAtSpooler = [&] {
        cupsCancelJob2(c.http, queue.constData(), job, 0);
    };
    if (cupsStartDocument(c.http, queue.constData(), job, m_title.toUtf8().constData(),
                          CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE) {
        const QString why = lastCupsError();
        cancelAtSpooler();
        fail(why);
    }
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    qint64 left = size;
    while (left > 0) {
        if (cancelled && cancelled()) {
            cupsFinishDocument(c.http, queue.constData());
            cancelAtSpooler();
            return 0;
        }
        const qint64 n = pdf.read(piece.data(), qMin<qint64>(piece.size(), left));
        if (n <= 0) {
            cupsFinishDocument(c.http, queue.constData());
            cancelAtSpooler();
            fail(QStringLiteral("the print file cannot be read (%1)").arg(pdf.errorString()));
        }
        if (cupsWriteRequestData(c.http, piece.constData(), size_t(n)) != HTTP_STATUS_CONTINUE) {
            const QString why = lastCupsError();
            cupsFinishDocument(c.http, queue.constData());
            cancelAtSpooler();
            fail(why.isEmpty() ? QStringLiteral("the print scheduler stopped answering") : why);
        }
        left -= n;
    }
    if (cupsFinishDocument(c.http, queue.constData()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        const QString why = lastCupsError();
        cancelAtSpooler();
        fail(why);
    }
    return job;
}

} // namespace qlx
