#include "stores/Utf8.h"

#include "stores/Windows1252.h"

namespace qlx::utf8 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

} // namespace

char32_t next(std::string_view text, std::size_t& pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    const std::size_t left = text.size() - pos;
    const unsigned char b = p[0];
    if (b < 0x80) {
        ++pos;
        return b;
    }
    std::size_t extra = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if ((b & 0xE0) == 0xC0) {
        extra = 1;
        c = b & 0x1F;
        smallest = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        c = b & 0x0F;
        smallest = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        c = b & 0x07;
        smallest = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (left <= extra) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        if (!isContinuation(p[i])) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += extra + 1;
    return c;
}

std::size_t previous(std::string_view text, std::size_t pos) {
    if (pos == 0)
        return 0;
    // Step back over at most three continuation bytes to the byte that starts them, and
    // take that start only when its sequence really ends at `pos`.
    for (std::size_t back = 1; back <= 4 && back <= pos; ++back) {
        const auto b = static_cast<unsigned char>(text[pos - back]);
        if (!isContinuation(b) || back == 4) {
            std::size_t at = pos - back;
            next(text, at);
            if (at == pos)
                return pos - back;
            break;
        }
    }
    return pos - 1;
}

void append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string fromCodePoint(char32_t codePoint) {
    std::string out;
    append(out, codePoint);
    return out;
}

bool isValid(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t at = pos;
        if (next(bytes, pos) == kReplacement && pos == at + 1 &&
            static_cast<unsigned char>(bytes[at]) >= 0x80)
            return false;
    }
    return true;
}

std::size_t length(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < text.size(); ++n)
        next(text, pos);
    return n;
}

std::string sanitised(std::string_view bytes) {
    if (isValid(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t pos = 0; pos < bytes.size();)
        append(out, next(bytes, pos));
    return out;
}

std::string fromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char b : bytes)
        append(out, cp1252::toUnicode(b));
    return out;
}

std::string decodeMarkedFile(std::string_view bytes) {
    if (bytes.substr(0, kBom.size()) == kBom)
        return sanitised(bytes.substr(kBom.size()));
    return fromWindows1252(bytes);
}

std::string decodeAnyTextFile(std::string_view bytes) {
    if (bytes.substr(0, kBom.size()) == kBom)
        return sanitised(bytes.substr(kBom.size()));
    if (isValid(bytes))
        return std::string(bytes);
    return fromWindows1252(bytes);
}

std::string encodeSharedFile(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool fits = true;
    for (std::size_t pos = 0; pos < text.size() && fits;) {
        const int byte = cp1252::fromUnicode(next(text, pos));
        fits = byte >= 0;
        out += static_cast<char>(byte);
    }
    // A text that begins with the three characters whose bytes are the mark would read back
    // as UTF-8: it is written as UTF-8 too.
    if (fits && out.substr(0, kBom.size()) != kBom)
        return out;
    out = kBom;
    out += sanitised(text);
    return out;
}

} // namespace qlx::utf8
