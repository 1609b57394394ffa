#pragma once

#include <string>
#include <string_view>

// Case folding and small cuts on UTF-8 texts, as the mineral lookup uses them.
// Only a to z and the Swedish letters å, ä, ö (U+00E5, U+00E4, U+00F6) and their capitals
// Å, Ä, Ö (U+00C5, U+00C4, U+00D6) fold; every other character, é and ü included, keeps its
// case.
// Each function returns a new text and leaves its argument alone.
namespace qlx {

// a-z -> A-Z, å ä ö -> Å Ä Ö.
std::string upperCaseText(std::string_view text);

// A-Z -> a-z, Å Ä Ö -> å ä ö.
std::string lowerCaseText(std::string_view text);

// The first character as it stands, the rest folded to lower case. A final capital "E"
// after the first character is left out, so names come out the Swedish way:
// "CALCITE" -> "Calcit", "QUARTZ" -> "Quartz", "E" -> "E"; with `keepFinalE` it stays, as
// English names have it ("CALCITE" -> "Calcite").
std::string properCaseName(std::string_view text, bool keepFinalE = false);

// The characters before the first comma; the whole text when there is none.
std::string cutAtComma(std::string_view text);

// The text with every "+" removed.
std::string removePlus(std::string_view text);

} // namespace qlx
