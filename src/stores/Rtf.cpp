#include "stores/Rtf.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "stores/Utf8.h"
#include "stores/Windows1252.h"

namespace qlx::rtf {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

const char kHeader[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0"
                       "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                       "\\viewkind4\\uc1\\pard\\f0\\fs20 ";

// Groups whose content is not part of the document's text. Groups opened with \* are left out
// as well, whatever their destination.
constexpr std::string_view kSkippedDestinations[] = {
    "annotation", "atnauthor",    "atnid",
    "author",     "background",   "bkmkend",
    "bkmkstart",  "category",     "colorschememapping",
    "colortbl",   "comment",      "company",
    "datastore",  "do",           "doccomm",
    "docvar",     "filetbl",      "fldinst",
    "fonttbl",    "footer",       "footerf",
    "footerl",    "footerr",      "footnote",
    "ftncn",      "ftnsep",       "ftnsepc",
    "generator",  "header",       "headerf",
    "headerl",    "headerr",      "info",
    "keywords",   "latentstyles", "listoverridetable",
    "listtable",  "listtext",     "manager",
    "mmathPr",    "nonshppict",   "objdata",
    "object",     "operator",     "pgdsctbl",
    "pict",       "pn",           "pntext",
    "pntxta",     "pntxtb",       "private",
    "revtbl",     "rsidtbl",      "shpinst",
    "sp",         "stylesheet",   "subject",
    "tc",         "template",     "themedata",
    "title",      "txe",          "userprops",
    "xe",         "xmlnstbl",
};

constexpr bool sortedDestinations() {
    for (size_t i = 1; i < std::size(kSkippedDestinations); ++i)
        if (!(kSkippedDestinations[i - 1] < kSkippedDestinations[i]))
            return false;
    return true;
}
static_assert(sortedDestinations(), "kSkippedDestinations is searched by bisection");

// Control words that stand for one character of text.
struct WordChar {
    std::string_view word;
    const char* text;
};
constexpr WordChar kWordChars[] = {
    {"par", "\r\n"},       {"line", "\r\n"},      {"row", "\r\n"},    {"sect", "\r\n"},
    {"nestrow", "\r\n"},   {"tab", "\t"},         {"cell", "\t"},     {"nestcell", "\t"},
    {"emdash", "\x97"},    {"endash", "\x96"},    {"lquote", "\x91"}, {"rquote", "\x92"},
    {"ldblquote", "\x93"}, {"rdblquote", "\x94"}, {"bullet", "\x95"}, {"emspace", " "},
    {"enspace", " "},      {"qmspace", " "},
};

// How many fallback characters a \uN is followed by; larger values are taken as this.
constexpr long kMaxUnicodeSkip = 16;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Reader {
public:
    explicit Reader(std::string_view data)
        : m_in(data) {}

    std::optional<std::string> run() {
        if (m_in.substr(0, 5) != "{\\rtf")
            return std::nullopt;
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            bool ok = true;
            switch (c) {
            case '{':
                ok = openGroup();
                break;
            case '}':
                ok = closeGroup();
                if (ok && m_stack.empty())
                    return std::move(m_out);
                break;
            case '\\':
                ok = control();
                break;
            case '\r':
            case '\n':
                break; // line ends in RTF source are not text
            default:
                character(c);
            }
            if (!ok)
                return std::nullopt;
        }
        return std::nullopt; // the outermost group was never closed
    }

private:
    struct State {
        bool skip = false;
        long unicodeSkip = 1;
    };

    bool openGroup() {
        if (m_stack.size() >= kMaxDepth)
            return false;
        m_stack.push_back(m_state);
        m_pendingSkip = 0;
        return true;
    }

    bool closeGroup() {
        if (m_stack.empty())
            return false;
        m_state = m_stack.back();
        m_stack.pop_back();
        m_pendingSkip = 0;
        dropHighSurrogate();
        return true;
    }

    // Text of the document (UTF-8), unless it is one of the fallback characters after a \uN.
    void text(std::string_view t) {
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            return;
        }
        dropHighSurrogate();
        if (!m_state.skip)
            m_out += t;
    }

    // One byte of the document's code page.
    void character(char c) {
        const std::string_view byte(&c, 1);
        text(static_cast<unsigned char>(c) < 0x80 ? std::string(byte)
                                                  : utf8::fromWindows1252(byte));
    }

    // A \uN high surrogate that no low one followed stands for a character we cannot know.
    void dropHighSurrogate() {
        if (m_highSurrogate != 0 && !m_state.skip)
            utf8::append(m_out, 0xFFFD);
        m_highSurrogate = 0;
    }

    bool control() {
        if (m_pos >= m_in.size())
            return false;
        const char c = m_in[m_pos];
        if (isLetter(c))
            return word();
        ++m_pos;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(c);
            return true;
        case '~':
            character('\xA0');
            return true;
        case '_':
            character('-');
            return true;
        case '\r':
        case '\n':
            text("\r\n");
            return true;
        case '*':
            m_state.skip = true;
            return true;
        case '\'':
            return hexByte();
        default: // \- optional hyphen, \: index entry, \| formula and the unknown: no text
            text({});
            return true;
        }
    }

    bool hexByte() {
        if (m_in.size() - m_pos < 2)
            return false;
        const int hi = hexValue(m_in[m_pos]);
        const int lo = hexValue(m_in[m_pos + 1]);
        if (hi < 0 || lo < 0)
            return false;
        m_pos += 2;
        character(static_cast<char>(hi * 16 + lo));
        return true;
    }

    bool word() {
        const size_t start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]))
            ++m_pos;
        const std::string_view name = m_in.substr(start, m_pos - start);

        bool hasParam = false;
        long param = 0;
        const bool negative =
            m_pos + 1 < m_in.size() && m_in[m_pos] == '-' && isDigit(m_in[m_pos + 1]);
        if (negative)
            ++m_pos;
        // Digits beyond what a 32-bit parameter holds are read but saturate the value.
        while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
            hasParam = true;
            param = std::min<long>(param * 10 + (m_in[m_pos] - '0'), 100000000000L);
            ++m_pos;
        }
        if (negative)
            param = -param;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        return wordAction(name, hasParam, param);
    }

    bool wordAction(std::string_view name, bool hasParam, long param) {
        if (name == "bin")
            return binary(hasParam ? param : 0);
        if (m_pendingSkip > 0) { // a control word is one fallback character
            --m_pendingSkip;
            return true;
        }
        if (name == "u") {
            if (hasParam)
                unicode(param);
            return true;
        }
        if (name == "uc") {
            m_state.unicodeSkip = std::clamp(hasParam ? param : 1L, 0L, kMaxUnicodeSkip);
            return true;
        }
        for (const WordChar& wc : kWordChars)
            if (wc.word == name) {
                text(utf8::fromWindows1252(wc.text));
                return true;
            }
        if (std::binary_search(std::begin(kSkippedDestinations), std::end(kSkippedDestinations),
                               name))
            m_state.skip = true;
        return true;
    }

    bool binary(long count) {
        if (count < 0)
            count = 0;
        if (static_cast<unsigned long>(count) > m_in.size() - m_pos)
            return false;
        m_pos += static_cast<size_t>(count);
        if (m_pendingSkip > 0)
            --m_pendingSkip;
        return true;
    }

    void unicode(long value) {
        // Parameters are signed 16-bit: code points above 32767 are written negative, and
        // those above U+FFFF as a pair of surrogates.
        if (value < 0)
            value += 65536;
        const bool lowSurrogate = value >= 0xDC00 && value <= 0xDFFF;
        const bool highSurrogate = value >= 0xD800 && value <= 0xDBFF;
        char32_t c = 0xFFFD;
        if (lowSurrogate && m_highSurrogate != 0) {
            c = 0x10000 + ((m_highSurrogate - 0xD800) << 10) +
                (static_cast<char32_t>(value) - 0xDC00);
            m_highSurrogate = 0;
        } else {
            dropHighSurrogate();
            if (value > 0 && value <= 0xFFFF && !lowSurrogate)
                c = static_cast<char32_t>(value);
        }
        if (highSurrogate) {
            if (!m_state.skip)
                m_highSurrogate = static_cast<char32_t>(value);
        } else if (!m_state.skip) {
            utf8::append(m_out, c);
        }
        m_pendingSkip = m_state.unicodeSkip;
    }

    std::string_view m_in;
    size_t m_pos = 0;
    std::string m_out;
    std::vector<State> m_stack;
    State m_state;
    long m_pendingSkip = 0;
    char32_t m_highSurrogate = 0; // a \uN high surrogate waiting for its low one
};

} // namespace

namespace {

void appendHexByte(std::string& out, unsigned char b) {
    out += "\\'";
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
}

// \uN with its signed 16-bit parameter and the fallback "?" that \uc1 announces, written
// \'3f as word processors write it (some readers skip a literal fallback and the character
// after it too).
void appendUnicode(std::string& out, char32_t unit) {
    out += "\\u";
    out += std::to_string(unit > 32767 ? static_cast<long>(unit) - 65536 : static_cast<long>(unit));
    out += "\\'3f";
}

} // namespace

std::string write(const std::string& text) {
    std::string out = kHeader;
    out.reserve(out.size() + text.size() + text.size() / 4 + 8);
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            if (b == '\r' || b == '\n') {
                if (b == '\r' && i < text.size() && text[i] == '\n')
                    ++i;
                out += "\\par\r\n";
            } else if (b == '\\' || b == '{' || b == '}') {
                out += '\\';
                out += static_cast<char>(b);
            } else if (b == '\t') {
                out += "\\tab ";
            } else if (b < 0x20 || b == 0x7F) {
                appendHexByte(out, b);
            } else {
                out += static_cast<char>(b);
            }
            continue;
        }
        const char32_t c = utf8::next(text, i);
        const int byte = cp1252::fromUnicode(c);
        if (byte >= 0) {
            appendHexByte(out, static_cast<unsigned char>(byte));
        } else if (c > 0xFFFF) {
            appendUnicode(out, 0xD800 + ((c - 0x10000) >> 10));
            appendUnicode(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            appendUnicode(out, c);
        }
    }
    out += "}\r\n";
    return out;
}

std::optional<std::string> read(std::string_view data) {
    return Reader(data).run();
}

} // namespace qlx::rtf
