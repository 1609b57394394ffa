#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace qlx {

// Writes all of `size` bytes to the open descriptor; false (with errno set) when it cannot.
// Replaceable so that tests can make a write fail part way.
using ChunkWriter = std::function<bool(int fd, const char* data, std::size_t size)>;

// Replaces the file at `path` with `bytes` so that the old file stays whole if anything goes
// wrong: the bytes go to a temporary file in the same folder, which is flushed to disk and
// then renamed over the target. A symbolic link is followed and its target replaced. An
// existing file keeps its permission bits; a new one gets the usual 0666 less the umask.
//
// Fails with "Cannot create file <path>" when the temporary file cannot be made (folder
// missing or not writable) or the target is a folder, not a regular file or not writable;
// with "Failed to Save Stream" when writing, flushing or renaming fails. In both cases the
// temporary file is removed and the old file is left as it was.
void writeFileAtomically(const std::string& path, const std::string& bytes,
                         const ChunkWriter& writer = {});

} // namespace qlx
