#pragma once

#include <QString>
#include <QTemporaryFile>
#include <functional>
#include <memory>

class QPrinter;

namespace qlx {

// What the print scheduler says when asked for its printers.
enum class SchedulerState { Printers, NoPrinters, Unreachable };
SchedulerState schedulerState();

// The queue a job goes to: the one named, else the scheduler's default (empty when there is
// none).
QString printQueueFor(const QString& chosen);

// A print job made as a PDF of our own and handed to the spooler through libcups, so that its
// every answer is checked and Cancel reaches it. Qt's own print engine sends the job only when
// its painter ends, ignores the spooler's answer and falls back to another queue when the
// chosen one is gone.
class SpoolJob {
public:
    // Turns a configured printer into a PDF writer into a temporary file of its own, keeping
    // the paper, margins and resolution the queue gave it. Throws when no file can be made.
    SpoolJob(QPrinter& printer, const QString& queue, int copies, const QString& title);
    ~SpoolJob();
    SpoolJob(const SpoolJob&) = delete;
    SpoolJob& operator=(const SpoolJob&) = delete;

    const QString& queue() const { return m_queue; }
    // Sends the written PDF to the queue: the job is created, the document streamed in pieces
    // (`cancelled` is asked between them: a cancelled job is cancelled at the spooler) and
    // finished. Any refusal throws a message naming the printer and the reason. Returns the
    // spooler's job number, or 0 when cancelled.
    int send(const std::function<bool()>& cancelled = {});

    // For tests: the spool file counts as this many bytes short, as on a full disk.
    static void setSpaceShortForTest(qint64 bytes);

private:
    [[noreturn]] void fail(const QString& reason) const;

    QTemporaryFile m_file;
    QString m_queue;
    int m_copies = 1;
    QString m_title;
    QByteArray m_media; // the paper's name for the spooler ("A4")
};

} // namespace qlx
