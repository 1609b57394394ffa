#include "stores/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

void writeFileAtomically(const std::string& path, const std::string& bytes,
                         const ChunkWriter& writer) {
    const Error cannotCreate("Cannot create file " + path);
    const Error failedToSave("Failed to Save Stream");
    if (path.empty())
        throw cannotCreate;

    const std::string target = resolveTarget(path);
    mode_t mode = modeForNewFile();
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0)
            throw cannotCreate;
        mode = st.st_mode & 07777;
    }

    const std::string folder = folderOf(target);
    std::string temp = folder + "/." + nameOf(target) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        throw cannotCreate;

    const ChunkWriter& write = writer ? writer : ChunkWriter(writeAll);
    bool ok = ::fchmod(fd, mode) == 0;
    ok = ok && write(fd, bytes.data(), bytes.size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw failedToSave;
    }
    syncFolder(folder);
}

} // namespace qlx
