#include "stores/DataFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#ifndef QLX_DATA_FROM_BIN
#define QLX_DATA_FROM_BIN "../share/quillmar/"
#endif

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

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Makes the folder and any missing parents, private to the user as the base directory rules
// ask; a failure shows later as the write's own "Cannot create file".
void makeFolders(const std::string& folder) {
    for (std::size_t at = folder.find('/', 1); at != std::string::npos;
         at = folder.find('/', at + 1)) {
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
}

std::string withSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder != "/")
        folder += '/';
    return folder;
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

DataFolders dataFoldersFor(const DataPlace& place) {
    const std::string& defaults =
        place.installedFolder.empty() ? place.programFolder : place.installedFolder;
    const bool besideProgram = place.installedFolder.empty() && place.programFolderWritable;
    if (besideProgram || place.userFolder.empty())
        return {{defaults}, defaults, false};
    return {{place.userFolder, defaults}, place.userFolder, true};
}

std::string userDataFolder(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && xdgDataHome[0] == '/')
        return withSlash(xdgDataHome) + "quillmar/";
    if (home && home[0] == '/')
        return withSlash(home) + ".local/share/quillmar/";
    return {};
}

std::string joinFolder(const std::string& folder, const std::string& relative) {
    const std::string joined =
        relative.empty() || relative[0] != '/' ? folder + "/" + relative : relative;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (joined[0] != '/')
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result = joined[0] == '/' ? "/" : "";
    for (const std::string& part : parts)
        result += part + "/";
    return result.empty() ? "./" : result;
}

bool folderWritable(bool accessAllowsWrite, bool superuser, unsigned mode) {
    if (!accessAllowsWrite)
        return false;
    return !superuser || (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool folderWritable(const std::string& folder) {
    const std::string path = folder.empty() ? "." : folder;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return folderWritable(::access(path.c_str(), W_OK) == 0, ::geteuid() == 0, st.st_mode);
}

DataPlace dataPlaceFor(const std::string& programFolder, const char* xdgDataHome,
                       const char* home) {
    DataPlace place;
    place.programFolder = programFolder;
    place.programFolderWritable = folderWritable(programFolder);
    // An installed tree: the defaults lie where the install put them, relative to bin/.
    if (!programFolder.empty()) {
        const std::string installed = joinFolder(programFolder, QLX_DATA_FROM_BIN);
        if (isFolder(installed))
            place.installedFolder = installed;
    }
    place.userFolder = userDataFolder(xdgDataHome, home);
    return place;
}

DataFolders dataFolders() {
    if (prefixOverride())
        return {{*prefixOverride()}, *prefixOverride(), false};
    return dataFoldersFor(
        dataPlaceFor(dataFolderPrefix(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
}

std::string dataFileIn(const DataFolders& folders, const std::string& fileName) {
    for (const std::string& folder : folders.readOrder) {
        if (isRegularFile(folder + fileName))
            return folder + fileName;
    }
    return folders.readOrder.back() + fileName;
}

std::string dataFilePath(const std::string& fileName) {
    return dataFileIn(dataFolders(), fileName);
}

std::string dataFileWritePath(const std::string& fileName) {
    const DataFolders folders = dataFolders();
    if (folders.perUser)
        makeFolders(folders.writeFolder);
    return folders.writeFolder + fileName;
}

} // namespace qlx
