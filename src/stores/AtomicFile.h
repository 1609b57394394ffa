#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace qlx {

// Writes all of `size` bytes to the open descriptor; false (with errno set) when it cannot.
// Replaceable so that tests can make a write fail part way.
using ChunkWriter = std::function<bool(int fd, const char* data, std::size_t size)>;

// The calls a save makes to the system. Each is replaceable, so that tests can make one fail
// as a disk or a permission would, or watch the order they come in; an empty one is the real
// call.
struct SaveCalls {
    SaveCalls() = default;
    // Only the write replaced. Not explicit: a ChunkWriter stands for the calls it replaces.
    SaveCalls(ChunkWriter writer) // NOLINT(google-explicit-constructor)
        : write(std::move(writer)) {}

    // Whether the existing target may be replaced (access(W_OK)).
    std::function<bool(const std::string& path)> mayWrite;
    // Creates and opens the temporary file named by the mkostemp `pattern`, which it fills in;
    // the descriptor, or -1 with errno set.
    std::function<int(std::string& pattern)> makeTemporary;
    ChunkWriter write;
    // Flushes the file's bytes to the disk (fsync); false (with errno set) when it cannot.
    std::function<bool(int fd)> sync;
    // Puts the temporary file in the target's place (rename); false (with errno set) when it
    // cannot.
    std::function<bool(const std::string& from, const std::string& to)> rename;
    // Makes the rename in `folder` durable (fsync of the folder). Best effort: some file
    // systems refuse it, and the file is in place by then.
    std::function<void(const std::string& folder)> syncFolder;
};

// Replaces the file at `path` so that the old file stays whole if anything goes wrong: the
// bytes go to a temporary file in the same folder, which is flushed to disk and then renamed
// over the target by commit(); the folder is flushed after the rename. A symbolic link is
// followed and its target replaced. An existing file keeps its permission bits; a new one gets
// the usual 0666 less the umask. Dropped without commit(), or after a failure, the temporary
// file is removed and the old file is left as it was.
//
// The constructor fails with "Cannot create file <path>" when the temporary file cannot be
// made (folder missing or not writable) or the target is a folder, not a regular file or not
// writable; write() and commit() fail with "Failed to Save Stream <path>".
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path, SaveCalls calls = {});
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
    SaveCalls m_calls;
    int m_fd = -1;
};

// The whole of `bytes` through an AtomicFile.
void writeFileAtomically(const std::string& path, const std::string& bytes, SaveCalls calls = {});

} // namespace qlx
