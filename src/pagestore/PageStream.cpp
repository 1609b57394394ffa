#include "pagestore/PageStream.h"

#include "pagestore/TemporaryFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>

#include "stores/Error.h"

namespace qlx {

namespace {

// Temporary files of live streams. A stream normally deletes its own file; this catches the
// files of streams still alive when the program ends (a preview window left open).
class LiveTemporaryFiles {
public:
    static LiveTemporaryFiles& instance() {
        // Never destroyed: the exit handler may run after static destructors.
        static LiveTemporaryFiles* live = [] {
            auto* created = new LiveTemporaryFiles;
            std::atexit(&LiveTemporaryFiles::removeAll);
            return created;
        }();
        return *live;
    }

    void add(const QString& path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.insert(QFile::encodeName(path).toStdString());
    }

    void remove(const QString& path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.erase(QFile::encodeName(path).toStdString());
    }

private:
    static void removeAll() {
        LiveTemporaryFiles& live = instance();
        std::lock_guard<std::mutex> lock(live.m_mutex);
        for (const std::string& path : live.m_paths)
            ::unlink(path.c_str());
        live.m_paths.clear();
    }

    std::mutex m_mutex;
    std::set<std::string> m_paths;
};

[[noreturn]] void streamError(const char* what) {
    throw Error(what);
}

[[noreturn]] void temporaryFileError(const QString& path, const char* what) {
    throw TemporaryFileError(std::string(what) + " " + path.toStdString() +
                             " (the temporary folder may be full)");
}

} // namespace

PageStream::PageStream() = default;

PageStream::~PageStream() {
    clear();
}

QString PageStream::temporaryFileName() const {
    return m_file ? m_file->fileName() : QString();
}

void PageStream::moveToTemporaryFile() {
    // Checked, not QDir::tempPath(): that is empty for a TMPDIR that does not exist, which
    // would put the file in "/".
    const QString folder = checkedTemporaryFolder().path;
    auto file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/LFPXXXXXX.tmp"));
    if (!file->open())
        throw TemporaryFileError("Cannot create file " + folder.toStdString() + "/LFP");
    if (file->write(m_memory) != m_memory.size() || !file->flush())
        temporaryFileError(file->fileName(), "Cannot write the temporary file"); // the stream
                                                                                 // stays in memory
    LiveTemporaryFiles::instance().add(file->fileName());
    m_file = std::move(file);
    m_memory = QByteArray();
}

void PageStream::append(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (!m_file && m_size + bytes.size() > kMemoryLimit)
        moveToTemporaryFile();
    if (m_file) {
        if (!m_file->seek(m_size) || m_file->write(bytes) != bytes.size() || !m_file->flush())
            temporaryFileError(m_file->fileName(), "Cannot write the temporary file");
    } else {
        m_memory += bytes;
    }
    m_size += bytes.size();
}

void PageStream::overwrite(qint64 offset, const QByteArray& bytes) {
    if (offset < 0 || offset > m_size - bytes.size())
        streamError("Stream write error");
    if (m_file) {
        if (!m_file->seek(offset) || m_file->write(bytes) != bytes.size() || !m_file->flush())
            temporaryFileError(m_file->fileName(), "Cannot write the temporary file");
    } else {
        m_memory.replace(offset, bytes.size(), bytes);
    }
}

QByteArray PageStream::readAt(qint64 offset, qint64 length) const {
    if (offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
        streamError("Stream read error");
    if (!m_file)
        return m_memory.mid(offset, length);
    QByteArray bytes;
    if (!m_file->seek(offset))
        streamError("Stream read error");
    bytes = m_file->read(length);
    if (bytes.size() != length)
        streamError("Stream read error");
    return bytes;
}

void PageStream::copyTo(QIODevice& out) const {
    if (!m_file) {
        for (qint64 at = 0; at < m_size; at += kCopyPiece) {
            const qint64 length = qMin(kCopyPiece, m_size - at);
            if (out.write(m_memory.constData() + at, length) != length)
                throw OutputWriteError();
        }
        return;
    }
    // One buffer for all pieces: the file may hold many megabytes.
    QByteArray piece(kCopyPiece, Qt::Uninitialized);
    if (!m_file->seek(0))
        streamError("Stream read error");
    for (qint64 at = 0; at < m_size; at += kCopyPiece) {
        const qint64 length = qMin(kCopyPiece, m_size - at);
        if (m_file->read(piece.data(), length) != length)
            streamError("Stream read error");
        if (out.write(piece.constData(), length) != length)
            throw OutputWriteError();
    }
}

bool PageStream::appendFrom(QIODevice& in, qint64 limit) {
    for (;;) {
        const QByteArray piece = in.read(kCopyPiece);
        if (piece.isEmpty()) {
            if (!in.atEnd())
                streamError("Stream read error");
            return true;
        }
        if (piece.size() > limit - m_size)
            return false;
        append(piece);
    }
}

void PageStream::clear() {
    if (m_file) {
        const QString path = m_file->fileName();
        m_file.reset(); // QTemporaryFile removes its file
        QFile::remove(path);
        LiveTemporaryFiles::instance().remove(path);
    }
    m_memory = QByteArray();
    m_size = 0;
}

} // namespace qlx
