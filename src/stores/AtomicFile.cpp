#include "stores/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "stores/Error.h"

namespace qlx {

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file a save really replaces: the target of a symbolic link, so that the link survives.
std::string resolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path; // a dangling link is replaced by the file itself
    return resolved;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t modeForNewFile() {
    // umask can only be read by setting it; the program has one thread that touches files.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncFolder(const std::string& folder) {
    // Makes the rename itself durable. Best effort: some file systems refuse fsync on a folder.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool mayWrite(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

int makeTemporary(std::string& pattern) {
    return ::mkostemp(pattern.data(), O_CLOEXEC);
}

bool sync(int fd) {
    return ::fsync(fd) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// The calls not replaced by the caller, filled in with the system's own.
SaveCalls withSystemCalls(SaveCalls calls) {
    if (!calls.mayWrite)
        calls.mayWrite = mayWrite;
    if (!calls.makeTemporary)
        calls.makeTemporary = makeTemporary;
    if (!calls.write)
        calls.write = writeAll;
    if (!calls.sync)
        calls.sync = sync;
    if (!calls.rename)
        calls.rename = renameFile;
    if (!calls.syncFolder)
        calls.syncFolder = syncFolder;
    return calls;
}

} // namespace

AtomicFile::AtomicFile(const std::string& path, SaveCalls calls)
    : m_path(path)
    , m_calls(withSystemCalls(std::move(calls))) {
    const Error cannotCreate("Cannot create file " + path);
    if (path.empty())
        throw cannotCreate;

    m_target = resolveTarget(path);
    mode_t mode = modeForNewFile();
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || !m_calls.mayWrite(m_target))
            throw cannotCreate;
        mode = st.st_mode & 07777;
    }

    m_temp = folderOf(m_target) + "/." + nameOf(m_target) + ".XXXXXX";
    m_fd = m_calls.makeTemporary(m_temp);
    if (m_fd < 0)
        throw cannotCreate;
    if (::fchmod(m_fd, mode) != 0) {
        discard();
        throw cannotCreate;
    }
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(m_temp.c_str());
    m_fd = -1;
}

void AtomicFile::fail() {
    discard();
    throw Error("Failed to Save Stream " + m_path);
}

void AtomicFile::write(const char* data, std::size_t size) {
    if (m_fd < 0 || !m_calls.write(m_fd, data, size))
        fail();
}

void AtomicFile::commit() {
    // The bytes reach the disk before the name does: otherwise a crash just after the rename
    // can leave the target empty or half written.
    if (m_fd < 0 || !m_calls.sync(m_fd))
        fail();
    const int fd = m_fd;
    m_fd = -1; // closed below whatever happens; only the temporary file may remain to remove
    if (::close(fd) != 0 || !m_calls.rename(m_temp, m_target)) {
        ::unlink(m_temp.c_str());
        throw Error("Failed to Save Stream " + m_path);
    }
    m_calls.syncFolder(folderOf(m_target));
}

void writeFileAtomically(const std::string& path, const std::string& bytes, SaveCalls calls) {
    AtomicFile file(path, std::move(calls));
    file.write(bytes.data(), bytes.size());
    file.commit();
}

} // namespace qlx
