#include "stores/TextCase.h"

#include <algorithm>
#include <iterator>

#include "stores/Utf8.h"

namespace qlx {

namespace {

// The Swedish letters that take part in case folding, as the second byte of their UTF-8
// sequences; each of them starts with 0xC3.
constexpr unsigned char kLead = 0xC3;
constexpr unsigned char kSmallARing = 0xA5;        // å U+00E5
constexpr unsigned char kSmallADiaeresis = 0xA4;   // ä U+00E4
constexpr unsigned char kSmallODiaeresis = 0xB6;   // ö U+00F6
constexpr unsigned char kCapitalARing = 0x85;      // Å U+00C5
constexpr unsigned char kCapitalADiaeresis = 0x84; // Ä U+00C4
constexpr unsigned char kCapitalODiaeresis = 0x96; // Ö U+00D6

unsigned char upperSecond(unsigned char b) {
    switch (b) {
    case kSmallARing:
        return kCapitalARing;
    case kSmallADiaeresis:
        return kCapitalADiaeresis;
    case kSmallODiaeresis:
        return kCapitalODiaeresis;
    default:
        return b;
    }
}

unsigned char lowerSecond(unsigned char b) {
    switch (b) {
    case kCapitalARing:
        return kSmallARing;
    case kCapitalADiaeresis:
        return kSmallADiaeresis;
    case kCapitalODiaeresis:
        return kSmallODiaeresis;
    default:
        return b;
    }
}

// ASCII letters are single bytes in UTF-8 and the Swedish ones two bytes after 0xC3, so the
// text is folded in place without decoding it; no other byte changes.
std::string fold(std::string_view text, bool upper) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (upper && b >= 'a' && b <= 'z') {
            out[i] = static_cast<char>(b - 'a' + 'A');
        } else if (!upper && b >= 'A' && b <= 'Z') {
            out[i] = static_cast<char>(b - 'A' + 'a');
        } else if (b == kLead && i + 1 < out.size() &&
                   (static_cast<unsigned char>(out[i + 1]) & 0xC0) == 0x80) {
            const auto second = static_cast<unsigned char>(out[i + 1]);
            out[i + 1] = static_cast<char>(upper ? upperSecond(second) : lowerSecond(second));
            ++i;
        }
    }
    return out;
}

} // namespace

std::string upperCaseText(std::string_view text) {
    return fold(text, true);
}

std::string lowerCaseText(std::string_view text) {
    return fold(text, false);
}

std::string properCaseName(std::string_view text, bool keepFinalE) {
    if (text.empty())
        return {};
    std::size_t first = 0;
    utf8::next(text, first); // the first character, however many bytes it takes
    // Database names end in a capital E where Swedish drops it (CALCITE -> Calcit).
    if (!keepFinalE && text.size() > first && text.back() == 'E')
        text.remove_suffix(1);
    std::string out(text.substr(0, first));
    out += lowerCaseText(text.substr(first));
    return out;
}

std::string cutAtComma(std::string_view text) {
    return std::string(text.substr(0, text.find(',')));
}

std::string removePlus(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != '+'; });
    return out;
}

} // namespace qlx
