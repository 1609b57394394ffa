#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace qlx {

// Writes all of `size` bytes to the open descriptor; false (with errno set) when it cannot.
// Replaceable so that tests can make a write fail part way.
using ChunkWriter = std::function<bool(int fd, const char* data, std::size_t size)>;

// Replaces the file at `path` so that the old file stays whole if anything goes wrong: the
// bytes go to a temporary file in the same folder, which is flushed to disk and then renamed
// over the target by commit(). A symbolic link is followed and its target replaced. An
// existing file keeps its permission bits; a new one gets the usual 0666 less the umask.
// Dropped without commit(), or after a failure, the temporary file is removed and the old
// file is left as it was.
//
// The constructor fails with "Cannot create file <path>" when the temporary file cannot be
// made (folder missing or not writable) or the target is a folder, not a regular file or not
// writable; write() and commit() fail with "Failed to Save Stream <path>".
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path, ChunkWriter writer = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const char* data, std::size_t size);
    void commit();

private:
    void discard();
    [[noreturn]] void fail();

    std::string m_path; // as the caller named it, for the messages
    std::string m_target;
    std::string m_temp;
    ChunkWriter m_writer;
    int m_fd = -1;
};

// The whole of `bytes` through an AtomicFile.
void writeFileAtomically(const std::string& path, const std::string& bytes,
                         const ChunkWriter& writer = {});

} // namespace qlx
