#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "stores/LabelFont.h"

// The label settings the user can keep in a file of their own: the three row fonts with
// style and colour, the six corrections, the background, "Info = formula" and the options.
// The file is UTF-8 text, one "key = value" per line, "#" starting a comment, and opens with
// its format version ("version = 2"; version 1 files, written before the options, still read
// with the options off); keys it does not know are skipped, so a later version's additions
// do not stop this one. docs/settings.md describes every key. A font's character set is not
// kept: a font read from a file has the ANSI one, and the window keeps its dialog's.
namespace qlx {

enum class BackgroundChoice { Complete, Reduced, Clean, Custom };

struct LabelSettings {
    static constexpr int kVersion = 2;
    static constexpr std::size_t kMaxFileSize = 64 * 1024;
    static constexpr int kMaxPixelHeight = 400;
    static constexpr int kMaxCorrection = 10000;

    LabelFont mineralFont;
    LabelFont localityFont;
    LabelFont infoFont;
    // X then Y of the mineral, locality and info rows.
    std::array<int, 6> corrections{};
    BackgroundChoice background = BackgroundChoice::Complete;
    std::string customPicture; // the picture file of Custom
    bool infoIsFormula = true;
    // Options, off unless asked for: the mineral completion keeps an English name's final E;
    // mineral and locality rows too wide for the label shrink, then end in an ellipsis.
    bool keepFinalE = false;
    bool fitLongRows = false;
    // Equal as the file holds them: the fonts' character sets aside.
    bool operator==(const LabelSettings& o) const;
};

std::string writeLabelSettings(const LabelSettings& settings);

// Reads a settings text. Fails with qlx::Error "The settings file is damaged: line N: ..."
// (or "... is of a later version N") and nothing half-read is returned.
LabelSettings readLabelSettings(std::string_view text);

} // namespace qlx
