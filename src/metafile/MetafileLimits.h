#pragma once

#include <cstdint>

namespace qlx::metafile_limits {

// What one playback of a metafile may cost, whatever the file claims. A metafile beyond a
// count is refused when it is read, with a message naming the count, so a picture that was
// accepted always plays within these bounds.

// Points (or characters of text) in one record.
constexpr uint64_t kMaxPointsPerRecord = 100'000;
// Points (and characters) in all the records of one picture together.
constexpr uint64_t kMaxPointsPerPicture = 1'000'000;
// Records in one picture.
constexpr uint64_t kMaxRecords = 250'000;
// Clip regions are built in the pixels of the device drawn on, cut to the picture's target
// and this margin around it, so their cost follows the drawn size, not the file's frame.
constexpr int kClipMargin = 16;

} // namespace qlx::metafile_limits
