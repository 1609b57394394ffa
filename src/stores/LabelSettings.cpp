#include "stores/LabelSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "stores/Error.h"
#include "stores/Product.h"
#include "stores/Utf8.h"

namespace qlx {

namespace {

constexpr std::array<std::string_view, 3> kRows = {"mineral", "locality", "info"};
constexpr std::array<std::string_view, 4> kBackgrounds = {"complete", "reduced", "clean", "custom"};
constexpr std::size_t kMaxLines = 1000;

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

[[noreturn]] void damaged(int line, const std::string& why) {
    throw Error("The settings file is damaged: line " + std::to_string(line) + ": " + why);
}

const LabelFont* fontOf(const LabelSettings& s, std::size_t row) {
    return row == 0 ? &s.mineralFont : row == 1 ? &s.localityFont : &s.infoFont;
}

LabelFont* fontOf(LabelSettings& s, std::size_t row) {
    return const_cast<LabelFont*>(fontOf(static_cast<const LabelSettings&>(s), row));
}

// Reads the value of one line; `line` names it in a failure.
struct ValueReader {
    int line;
    std::string_view key;
    std::string_view value;

    long integer(long low, long high) const {
        const std::string text(value);
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno == ERANGE || n < low || n > high)
            damaged(line, std::string(key) + " must be a whole number from " + std::to_string(low) +
                              " to " + std::to_string(high));
        return n;
    }
    bool flag() const { return integer(0, 1) == 1; }
    std::uint32_t colour() const {
        const std::string text(value);
        char* end = nullptr;
        const unsigned long n =
            text.size() == 7 && text[0] == '#' ? std::strtoul(text.c_str() + 1, &end, 16) : 0;
        if (text.size() != 7 || text[0] != '#' || *end != '\0')
            damaged(line, std::string(key) + " must be a colour #RRGGBB");
        return std::uint32_t(n);
    }
};

} // namespace

bool LabelSettings::operator==(const LabelSettings& o) const {
    const auto sameInFile = [](LabelFont a, const LabelFont& b) {
        a.charset = b.charset;
        return a == b;
    };
    return sameInFile(mineralFont, o.mineralFont) && sameInFile(localityFont, o.localityFont) &&
           sameInFile(infoFont, o.infoFont) && corrections == o.corrections &&
           background == o.background && customPicture == o.customPicture &&
           infoIsFormula == o.infoIsFormula && keepFinalE == o.keepFinalE &&
           fitLongRows == o.fitLongRows;
}

std::string writeLabelSettings(const LabelSettings& s) {
    std::string out = std::string("# ") + kProductName +
                      " label settings\nversion = " + std::to_string(LabelSettings::kVersion) +
                      "\n";
    const auto line = [&out](std::string_view key, const std::string& value) {
        out += std::string(key) + " = " + value + "\n";
    };
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        const LabelFont& f = *fontOf(s, row);
        const std::string p = std::string(kRows[row]) + ".";
        line(p + "font", f.face);
        line(p + "size", std::to_string(f.pixelHeight));
        line(p + "bold", f.bold ? "1" : "0");
        line(p + "italic", f.italic ? "1" : "0");
        line(p + "underline", f.underline ? "1" : "0");
        line(p + "strikeout", f.strikeOut ? "1" : "0");
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%06X", unsigned(f.colour & 0xFFFFFF));
        line(p + "colour", colour);
        line(p + "x", std::to_string(s.corrections[row * 2]));
        line(p + "y", std::to_string(s.corrections[row * 2 + 1]));
    }
    line("background", std::string(kBackgrounds[std::size_t(s.background)]));
    if (s.background == BackgroundChoice::Custom)
        line("background.picture", s.customPicture);
    line("info_is_formula", s.infoIsFormula ? "1" : "0");
    line("keep_final_e", s.keepFinalE ? "1" : "0");
    line("fit_long_rows", s.fitLongRows ? "1" : "0");
    return out;
}

LabelSettings readLabelSettings(std::string_view text) {
    if (text.size() > LabelSettings::kMaxFileSize)
        throw Error("The settings file is damaged: it is longer than a settings file can be");
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (!utf8::isValid(text))
        throw Error("The settings file is damaged: it is not UTF-8 text");
    LabelSettings s;
    bool versioned = false;
    int number = 0;
    std::map<std::string, int> seen;
    for (std::size_t pos = 0; pos <= text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view raw = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (++number > int(kMaxLines))
            damaged(number, "too many lines");
        if (raw.empty() || raw[0] == '#')
            continue;
        const std::size_t eq = raw.find('=');
        if (eq == std::string_view::npos)
            damaged(number, "a line must be \"key = value\"");
        const ValueReader v{number, trimmed(raw.substr(0, eq)), trimmed(raw.substr(eq + 1))};
        const std::string key(v.key);
        if (!seen.emplace(key, number).second)
            damaged(number, key + " is given twice");
        if (!versioned) {
            if (key != "version")
                damaged(number, "the file must start with its version");
            const long version = v.integer(1, 1000000);
            if (version > LabelSettings::kVersion)
                throw Error("The settings file is of a later version (" + std::to_string(version) +
                            ") than this program reads");
            versioned = true;
            continue;
        }
        bool known = false;
        for (std::size_t row = 0; row < kRows.size() && !known; ++row) {
            const std::string p = std::string(kRows[row]) + ".";
            if (key.compare(0, p.size(), p) != 0)
                continue;
            const std::string field = key.substr(p.size());
            LabelFont& f = *fontOf(s, row);
            known = true;
            if (field == "font") {
                if (v.value.empty() || v.value.size() > 100)
                    damaged(number, key + " must name a font");
                f.face = std::string(v.value);
            } else if (field == "size") {
                f.pixelHeight = int(v.integer(1, LabelSettings::kMaxPixelHeight));
            } else if (field == "bold") {
                f.bold = v.flag();
            } else if (field == "italic") {
                f.italic = v.flag();
            } else if (field == "underline") {
                f.underline = v.flag();
            } else if (field == "strikeout") {
                f.strikeOut = v.flag();
            } else if (field == "colour") {
                f.colour = v.colour();
            } else if (field == "x" || field == "y") {
                s.corrections[row * 2 + (field == "y" ? 1 : 0)] =
                    int(v.integer(-LabelSettings::kMaxCorrection, LabelSettings::kMaxCorrection));
            } else {
                known = false;
            }
        }
        if (key == "background") {
            std::size_t i = 0;
            while (i < kBackgrounds.size() && kBackgrounds[i] != v.value)
                ++i;
            if (i == kBackgrounds.size())
                damaged(number, "background must be complete, reduced, clean or custom");
            s.background = BackgroundChoice(i);
        } else if (key == "background.picture") {
            s.customPicture = std::string(v.value);
        } else if (key == "info_is_formula") {
            s.infoIsFormula = v.flag();
        } else if (key == "keep_final_e") {
            s.keepFinalE = v.flag();
        } else if (key == "fit_long_rows") {
            s.fitLongRows = v.flag();
        }
    }
    if (!versioned)
        throw Error("The settings file is damaged: it holds no settings");
    if (s.background == BackgroundChoice::Custom && s.customPicture.empty())
        throw Error("The settings file is damaged: a custom background needs its picture");
    return s;
}

} // namespace qlx
