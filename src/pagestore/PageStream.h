#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <string>

#include "stores/Error.h"

class QIODevice;
class QTemporaryFile;

namespace qlx {

// A failure of a stream's temporary file. Its message names that file (or the temporary
// folder): a full temporary folder is no fault of the file the user saves to.
class TemporaryFileError : public Error {
public:
    explicit TemporaryFileError(const std::string& message)
        : Error(message) {}
};

// Writing to the device a stream is copied to failed ("Stream write error"); whoever opened
// that device names its file.
class OutputWriteError : public Error {
public:
    OutputWriteError()
        : Error("Stream write error") {}
};

// The byte stream behind a page store. It is held in memory until it grows beyond
// kMemoryLimit bytes; the write that passes that size moves the whole stream into a new
// temporary file ("LFP" prefix, in the system's temporary folder), where it continues. The
// temporary file is deleted when the stream is cleared or destroyed, and at program exit if
// the stream is still alive then.
//
// Not thread-safe by itself: the page store guards it with its own lock.
class PageStream {
public:
    static constexpr qint64 kMemoryLimit = 100000;
    static constexpr qint64 kCopyPiece = 10240;

    PageStream();
    ~PageStream();
    PageStream(const PageStream&) = delete;
    PageStream& operator=(const PageStream&) = delete;

    qint64 size() const { return m_size; }
    bool inTemporaryFile() const { return m_file != nullptr; }
    // Empty while the stream is in memory.
    QString temporaryFileName() const;

    // Appends at the end. Throws TemporaryFileError when the temporary file cannot be made or
    // written.
    void append(const QByteArray& bytes);
    // Replaces bytes inside the stream; the range must lie within the current size.
    void overwrite(qint64 offset, const QByteArray& bytes);
    // Exactly `length` bytes from `offset`; throws qlx::Error when the range is not inside
    // the stream or cannot be read.
    QByteArray readAt(qint64 offset, qint64 length) const;

    // Writes the whole stream from its start in pieces of kCopyPiece bytes. Throws
    // OutputWriteError when `out` takes less than it is given.
    void copyTo(QIODevice& out) const;
    // Appends everything `in` delivers, in pieces of kCopyPiece bytes. Stops and returns false
    // when the stream would pass `limit` bytes; throws qlx::Error when `in` fails.
    bool appendFrom(QIODevice& in, qint64 limit);

    // Empties the stream and deletes its temporary file.
    void clear();

private:
    void moveToTemporaryFile();

    QByteArray m_memory;
    std::unique_ptr<QTemporaryFile> m_file;
    qint64 m_size = 0;
};

} // namespace qlx
