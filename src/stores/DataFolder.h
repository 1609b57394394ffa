#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qlx {

// The folder of an executable path with its trailing '/', or the empty text when the path
// names no folder (then data files are looked up in the current folder).
std::string dataFolderPrefix(const std::string& exePath);

// The data folder of the running program, read afresh from /proc/self/exe at every call so
// that nothing stale is ever used. Empty when the executable's path cannot be read.
std::string dataFolderPrefix();

// Where the data files (athena.txt, cachedloc.txt, the stock backgrounds) are looked for.
//
// Run from its build folder or from a copy of its folder that it may write, the program keeps
// everything beside itself. Installed (bin/ next to share/quillmar/) or in a folder it may not
// write, it reads each file from the user's own data folder first and falls back to the
// read-only defaults it came with, and writes into the user's folder only.
struct DataPlace {
    std::string programFolder; // with its trailing '/', or empty for the current folder
    bool programFolderWritable = true;
    std::string installedFolder; // the installed defaults, with '/'; empty when not installed
    std::string userFolder;      // the per-user data folder, with '/'; empty when unknown
};

struct DataFolders {
    std::vector<std::string> readOrder; // folders searched in turn; never empty
    std::string writeFolder;            // where a data file is written
    bool perUser = false;               // the write folder is the user's (made on first write)
};

DataFolders dataFoldersFor(const DataPlace& place);

// $XDG_DATA_HOME/quillmar/, or ~/.local/share/quillmar/ when that is unset, empty or not an
// absolute path (as the base directory rules say); empty when neither gives a folder.
std::string userDataFolder(const char* xdgDataHome, const char* home);

// A folder path joined with a relative one, "." and ".." taken out lexically; ends with '/'.
std::string joinFolder(const std::string& folder, const std::string& relative);

// Whether a folder counts as writable: the system allows it, and, for the superuser whom the
// system never refuses, some write permission bit is set, so that a tree made read-only for
// everyone is treated as read-only by root too.
bool folderWritable(bool accessAllowsWrite, bool superuser, unsigned mode);
bool folderWritable(const std::string& folder);

// The place of a program in `programFolder`, looked at on disk now; the user's folder comes
// from the given environment values.
DataPlace dataPlaceFor(const std::string& programFolder, const char* xdgDataHome, const char* home);

// The running program's data folders, worked out afresh at every call.
DataFolders dataFolders();

// Where a data file is read from: the first folder of the read order that holds it as a
// regular file, or the last (the defaults) when none does, so a missing file is reported
// where it was expected.
std::string dataFileIn(const DataFolders& folders, const std::string& fileName);
std::string dataFilePath(const std::string& fileName);

// Where a data file is written; the user's data folder is made first when it is the one.
std::string dataFileWritePath(const std::string& fileName);

// Tests run the window against a data folder of their own; std::nullopt goes back to the
// program's folder.
void setDataFolderPrefixForTests(std::optional<std::string> prefix);

} // namespace qlx
