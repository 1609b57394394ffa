#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Texts inside the program are UTF-8. These are the pieces the stores need to walk them by
// character and to read and write the files they share with programs that expect
// Windows-1252.
namespace qlx::utf8 {

// The byte-order mark a UTF-8 file may start with.
inline constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The code point that starts at `pos`, moving `pos` past it. A byte that starts no
// well-formed sequence (a stray continuation byte, a cut or overlong sequence, a surrogate,
// a value above U+10FFFF) gives U+FFFD and moves one byte on.
char32_t next(std::string_view text, std::size_t& pos);

// Where the character that ends just before `pos` starts (0 when pos is 0).
std::size_t previous(std::string_view text, std::size_t pos);

void append(std::string& out, char32_t codePoint);
std::string fromCodePoint(char32_t codePoint);

// Whether every byte belongs to a well-formed sequence.
bool isValid(std::string_view bytes);

// The number of characters (code points).
std::size_t length(std::string_view text);

// The text with every malformed byte made U+FFFD.
std::string sanitised(std::string_view bytes);

// Windows-1252 bytes as UTF-8.
std::string fromWindows1252(std::string_view bytes);

// A file shared with older programs, read: UTF-8 when it starts with the byte-order mark (the
// mark is dropped), Windows-1252 otherwise.
std::string decodeMarkedFile(std::string_view bytes);

// A plain-text file of any origin, read: UTF-8 when it starts with the byte-order mark or is
// well-formed UTF-8, Windows-1252 otherwise.
std::string decodeAnyTextFile(std::string_view bytes);

// A text for a shared file: Windows-1252 bytes while every character has one (and the bytes
// do not begin with the mark), else UTF-8 after the byte-order mark.
std::string encodeSharedFile(std::string_view text);

} // namespace qlx::utf8
