#include "stores/TextCase.h"

#include <algorithm>
#include <iterator>

namespace qlx {

namespace {

// The Swedish letters of Windows-1252 that take part in case folding.
constexpr unsigned char kSmallARing = 0xE5;        // å
constexpr unsigned char kSmallADiaeresis = 0xE4;   // ä
constexpr unsigned char kSmallODiaeresis = 0xF6;   // ö
constexpr unsigned char kCapitalARing = 0xC5;      // Å
constexpr unsigned char kCapitalADiaeresis = 0xC4; // Ä
constexpr unsigned char kCapitalODiaeresis = 0xD6; // Ö

char upperByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z')
        return static_cast<char>(b - 'a' + 'A');
    switch (b) {
    case kSmallARing:
        return static_cast<char>(kCapitalARing);
    case kSmallADiaeresis:
        return static_cast<char>(kCapitalADiaeresis);
    case kSmallODiaeresis:
        return static_cast<char>(kCapitalODiaeresis);
    default:
        return c;
    }
}

char lowerByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z')
        return static_cast<char>(b - 'A' + 'a');
    switch (b) {
    case kCapitalARing:
        return static_cast<char>(kSmallARing);
    case kCapitalADiaeresis:
        return static_cast<char>(kSmallADiaeresis);
    case kCapitalODiaeresis:
        return static_cast<char>(kSmallODiaeresis);
    default:
        return c;
    }
}

} // namespace

std::string upperCaseText(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upperByte);
    return out;
}

std::string lowerCaseText(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerByte);
    return out;
}

std::string properCaseName(std::string_view text) {
    if (text.empty())
        return {};
    // Database names end in a capital E where Swedish drops it (CALCITE -> Calcit).
    if (text.size() > 1 && text.back() == 'E')
        text.remove_suffix(1);
    std::string out(1, text.front());
    out += lowerCaseText(text.substr(1));
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
