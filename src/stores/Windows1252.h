#pragma once

#include <string>

namespace qlx::cp1252 {

// The Unicode code point of a Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as the
// platform's own conversion does, so every byte round-trips.
char32_t toUnicode(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int fromUnicode(char32_t codePoint);

// UTF-8 <-> Windows-1252. Characters outside the code page become '?'; malformed UTF-8
// sequences become '?' too.
std::string fromUtf8(const std::string& utf8);
std::string toUtf8(const std::string& text);

} // namespace qlx::cp1252
