#include "stores/FileRead.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "stores/Error.h"

namespace qlx {

namespace {

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::string readWholeFile(const std::string& path, std::size_t maxSize) {
    const Error cannotOpen("Cannot open file " + path);
    const Error failed("Failed to Load Stream");
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throw cannotOpen;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw cannotOpen;
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxSize)
        throw failed;

    // The file may change while it is read: read to its end, but never past maxSize.
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() > maxSize)
                throw failed;
            bytes.resize(std::min(maxSize + 1, bytes.size() + 4096));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw failed;
        }
        if (n == 0)
            break;
        used += static_cast<size_t>(n);
    }
    if (used > maxSize)
        throw failed;
    bytes.resize(used);
    return bytes;
}

} // namespace qlx
