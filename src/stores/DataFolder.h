#pragma once

#include <optional>
#include <string>

namespace qlx {

// The folder of an executable path with its trailing '/', or the empty text when the path
// names no folder (then data files are looked up in the current folder).
std::string dataFolderPrefix(const std::string& exePath);

// The data folder of the running program, read afresh from /proc/self/exe at every call so
// that nothing stale is ever used. Empty when the executable's path cannot be read.
std::string dataFolderPrefix();

// The data folder prefix followed directly by a file name.
std::string dataFilePath(const std::string& fileName);

// Tests run the window against a data folder of their own; std::nullopt goes back to the
// program's folder.
void setDataFolderPrefixForTests(std::optional<std::string> prefix);

} // namespace qlx
