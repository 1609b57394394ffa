#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Rich Text Format for label lists: what we write, and the text of what other programs write.
// Texts are UTF-8 strings whose lines are joined by CR LF; documents are in the ANSI code page
// 1252, with \uN for the characters it lacks.
namespace qlx::rtf {

// Groups nested deeper than this make a document unreadable (it is then not taken as RTF).
constexpr std::size_t kMaxDepth = 1024;

// An RTF 1.x document in the ANSI code page 1252 with one paragraph (\par) per line of the
// text. '{', '}' and '\' are escaped, tabs written as \tab, every other control character,
// DEL and every character of the code page beyond ASCII as \'hh, and every other character
// as \uN (a pair of them above U+FFFF) followed by the fallback "?" that older readers show,
// so any character but CR and LF comes back unchanged from read(). A text that does not end
// with a line break gives a last paragraph without \par.
std::string write(const std::string& text);

// The text of an RTF document: paragraph and line breaks (\par, \line, \row, \sect, and a
// backslash before a line end) become CR LF, \tab and \cell a tab; \'hh is taken as a
// Windows-1252 byte, and so is a byte 0x80-0xFF written as it is; \uN gives its character
// (a surrogate pair one character, a lone surrogate U+FFFD) and skips the \ucN fallback
// characters that follow; font, colour and style tables, document information,
// pictures, binary data (\bin N) and every {\* ...} group are left out.
//
// Empty when the data is not RTF: it does not start with "{\rtf", a group is closed that was
// never opened, the data ends before the outermost group is closed (or inside an escape or
// \bin data), or groups nest deeper than kMaxDepth. Anything after the outermost group is
// ignored. Runs in time and memory linear in the size of the data.
std::optional<std::string> read(std::string_view data);

} // namespace qlx::rtf
