#pragma once

#include <cstddef>
#include <string>

namespace qlx {

// The whole content of a regular file, read with one bounded allocation.
// Fails with "Cannot open file <path>" when the file cannot be opened or is not a regular
// file (a folder, a pipe or a device, which could block or never end), and with
// "Failed to Load Stream" when reading fails or the file is longer than maxSize bytes.
std::string readWholeFile(const std::string& path, std::size_t maxSize);

} // namespace qlx
