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
// The work one playback may do, in painted pixels: every drawing record is charged the
// device pixels it can touch (its box on the device drawn on, cut to the target and the clip;
// a stroke only its outline's band) plus kDrawUnits for the call itself. A picture that
// spends more is cut short there, with a message, and what was drawn stays: a small file of
// thousands of full-page fills is answered quickly at any drawn size.
constexpr uint64_t kMaxPaintUnits = 400'000'000;
constexpr uint64_t kDrawUnits = 256;
// How the message of a playback cut short for its cost begins.
constexpr const char* kWorkCutShort = "The picture takes too much work to draw";
// Clip regions are built in the pixels of the device drawn on, cut to the picture's target
// and this margin around it, so their cost follows the drawn size, not the file's frame.
constexpr int kClipMargin = 16;

} // namespace qlx::metafile_limits
