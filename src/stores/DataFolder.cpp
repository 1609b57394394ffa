#include "stores/DataFolder.h"

#include <unistd.h>

#include <optional>
#include <vector>

namespace qlx {

std::string dataFolderPrefix(const std::string& exePath) {
    const auto slash = exePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return exePath.substr(0, slash + 1);
}

namespace {

std::optional<std::string>& prefixOverride() {
    static std::optional<std::string> prefix;
    return prefix;
}

} // namespace

void setDataFolderPrefixForTests(std::optional<std::string> prefix) {
    prefixOverride() = std::move(prefix);
}

std::string dataFolderPrefix() {
    if (prefixOverride())
        return *prefixOverride();
    // readlink does not say how long the target is, so grow the buffer until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return dataFolderPrefix(std::string(buffer.data(), static_cast<size_t>(n)));
        if (buffer.size() >= 65536)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string dataFilePath(const std::string& fileName) {
    return dataFolderPrefix() + fileName;
}

} // namespace qlx
