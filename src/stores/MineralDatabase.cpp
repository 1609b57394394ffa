#include "stores/MineralDatabase.h"

#include <algorithm>

#include "stores/LabelList.h"
#include "stores/TextCase.h"
#include "stores/Utf8.h"

namespace qlx {

namespace {

// Capitals without diacritics for U+00C0 to U+017F; an empty entry keeps the character
// (the multiplication and division signs).
constexpr const char* kLatinFold[] = {
    "A", "A", "A",  "A",  "A", "A", "AE", "C",  "E",  "E", "E", "E", "I",  "I",  "I", "I", "D", "N",
    "O", "O", "O",  "O",  "O", "",  "O",  "U",  "U",  "U", "U", "Y", "TH", "SS", "A", "A", "A", "A",
    "A", "A", "AE", "C",  "E", "E", "E",  "E",  "I",  "I", "I", "I", "D",  "N",  "O", "O", "O", "O",
    "O", "",  "O",  "U",  "U", "U", "U",  "Y",  "TH", "Y", "A", "A", "A",  "A",  "A", "A", "C", "C",
    "C", "C", "C",  "C",  "C", "C", "D",  "D",  "D",  "D", "E", "E", "E",  "E",  "E", "E", "E", "E",
    "E", "E", "G",  "G",  "G", "G", "G",  "G",  "G",  "G", "H", "H", "H",  "H",  "I", "I", "I", "I",
    "I", "I", "I",  "I",  "I", "I", "IJ", "IJ", "J",  "J", "K", "K", "K",  "L",  "L", "L", "L", "L",
    "L", "L", "L",  "L",  "L", "N", "N",  "N",  "N",  "N", "N", "N", "N",  "N",  "O", "O", "O", "O",
    "O", "O", "OE", "OE", "R", "R", "R",  "R",  "R",  "R", "S", "S", "S",  "S",  "S", "S", "S", "S",
    "T", "T", "T",  "T",  "T", "T", "U",  "U",  "U",  "U", "U", "U", "U",  "U",  "U", "U", "U", "U",
    "W", "W", "Y",  "Y",  "Y", "Z", "Z",  "Z",  "Z",  "Z", "Z", "S",
};
static_assert(sizeof(kLatinFold) / sizeof(kLatinFold[0]) == 0x180 - 0xC0);

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string withoutSpaces(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c != ' ')
            out += c;
    }
    return out;
}

std::u32string codePoints(std::string_view s) {
    std::u32string out;
    for (std::size_t pos = 0; pos < s.size();)
        out += utf8::next(s, pos);
    return out;
}

bool isBlank(std::string_view s) {
    return trimmed(s).empty();
}

} // namespace

std::string foldName(std::string_view text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = utf8::next(text, pos);
        if (c >= 'a' && c <= 'z')
            out += char(c - 'a' + 'A');
        else if (c >= 0xC0 && c < 0x180 && *kLatinFold[c - 0xC0])
            out += kLatinFold[c - 0xC0];
        else if (c == '\'' || c == 0x2019)
            continue;
        else if (c == 0x3B1 || c == 0x391)
            out += "ALPHA";
        else if (c == 0x3B2 || c == 0x392)
            out += "BETA";
        else
            utf8::append(out, c);
    }
    return out;
}

std::string MineralEntry::labelName() const {
    if (!spelling.empty())
        return spelling;
    return properCaseName(withoutSpaces(nameColumn), true);
}

std::vector<MineralEntry> mineralEntries(std::string_view text) {
    std::vector<MineralEntry> entries;
    for (std::string_view line : storedLines(text)) {
        if (line.size() < 2 || line[0] != '|' || line[1] != ' ')
            continue;
        const std::size_t bar1 = line.find('|', 1);
        if (bar1 == std::string_view::npos)
            continue;
        const std::size_t bar2 = line.find('|', bar1 + 1);
        if (bar2 == std::string_view::npos)
            continue;
        MineralEntry e;
        e.nameColumn = std::string(trimmed(line.substr(2, bar1 - 2)));
        // A lowercase "e" before the closing bar is the listing's mark, not a letter.
        std::string name = withoutSpaces(line.substr(2, bar1 - 2));
        if (!name.empty() && name.back() == 'e')
            name.pop_back();
        e.folded = foldName(name);
        e.formula = withoutSpaces(line.substr(bar1 + 1, bar2 - bar1 - 1));
        const std::size_t bar3 = line.find('|', bar2 + 1);
        if (bar3 != std::string_view::npos) {
            const std::string_view spelling = trimmed(line.substr(bar2 + 1, bar3 - bar2 - 1));
            if (!spelling.empty() && foldName(withoutSpaces(spelling)) == e.folded)
                e.spelling = std::string(spelling);
        }
        if (!e.folded.empty())
            entries.push_back(std::move(e));
    }
    return entries;
}

const MineralEntry* findExactEntry(const std::vector<MineralEntry>& entries,
                                   std::string_view name) {
    const std::string key = foldName(withoutSpaces(name));
    if (key.empty())
        return nullptr;
    const std::string withE = key + "E";
    for (const MineralEntry& e : entries) {
        if (e.folded == key || e.folded == withE)
            return &e;
    }
    return nullptr;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    const std::u32string x = codePoints(a);
    const std::u32string y = codePoints(b);
    std::vector<std::size_t> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] != y[j - 1])});
            diagonal = above;
        }
    }
    return row[y.size()];
}

std::vector<std::string> nearestNames(const std::vector<MineralEntry>& entries,
                                      std::string_view typed, std::size_t most) {
    const std::string key = foldName(withoutSpaces(cutAtComma(typed)));
    const std::size_t length = utf8::length(key);
    if (length == 0 || most == 0)
        return {};
    const std::size_t limit = length <= 4 ? 1 : length <= 8 ? 2 : 3;
    std::vector<std::pair<std::size_t, std::size_t>> near; // distance, entry index
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].folded;
        // The distance is at least the difference in length.
        const std::size_t other = utf8::length(name);
        if ((other > length ? other - length : length - other) > limit)
            continue;
        const std::size_t d = editDistance(key, name);
        if (d <= limit)
            near.emplace_back(d, i);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (const auto& [d, i] : near) {
        if (names.size() == most)
            break;
        names.push_back(entries[i].labelName());
    }
    return names;
}

std::vector<MineralGroup> parseMineralGroups(std::string_view text) {
    std::vector<MineralGroup> groups;
    for (std::string_view line : storedLines(text)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        MineralGroup g;
        g.name = std::string(trimmed(line.substr(0, colon)));
        std::string_view rest = line.substr(colon + 1);
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view species = trimmed(rest.substr(0, comma));
            if (!species.empty())
                g.species.emplace_back(species);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        if (!g.name.empty() && !g.species.empty())
            groups.push_back(std::move(g));
    }
    return groups;
}

const MineralGroup* findGroup(const std::vector<MineralGroup>& groups, std::string_view name) {
    const std::string key = foldName(withoutSpaces(cutAtComma(name)));
    for (const MineralGroup& g : groups) {
        if (!key.empty() && foldName(withoutSpaces(g.name)) == key)
            return &g;
    }
    return nullptr;
}

std::string notFoundHint(const std::vector<MineralEntry>& entries,
                         const std::vector<MineralGroup>& groups, std::string_view typed) {
    auto joined = [](const std::vector<std::string>& names, const char* last) {
        std::string s;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0)
                s += i + 1 == names.size() ? last : ", ";
            s += names[i];
        }
        return s;
    };
    if (const MineralGroup* g = findGroup(groups, typed))
        return g->name + " is a group: " + joined(g->species, ", ");
    const std::vector<std::string> names = nearestNames(entries, typed);
    if (names.empty())
        return {};
    return "Did you mean " + joined(names, " or ") + "?";
}

namespace {

// Where the info field of a stored line lies, after its second bar after the opening one, up
// to the third (closed) or to the end of the line; nothing when the line is no record with a
// locality field.
struct InfoSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool closed = false;
};
std::optional<InfoSpan> infoSpan(std::string_view line) {
    if (line.empty() || line[0] != '|')
        return std::nullopt;
    std::size_t bar = 0;
    for (int i = 0; i < 2; ++i) {
        bar = line.find('|', bar + 1);
        if (bar == std::string_view::npos)
            return std::nullopt;
    }
    const std::size_t close = line.find('|', bar + 1);
    if (close == std::string_view::npos)
        return InfoSpan{bar + 1, line.size(), false};
    return InfoSpan{bar + 1, close, true};
}

} // namespace

FormulaFill fillEmptyFormulas(std::string_view listText, const std::vector<MineralEntry>& entries,
                              const std::vector<std::size_t>* lines) {
    FormulaFill fill;
    const std::vector<std::string_view> stored = storedLines(listText);
    std::size_t copied = 0; // bytes of listText already in the result
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (lines && std::find(lines->begin(), lines->end(), i) == lines->end())
            continue;
        const std::string_view line = stored[i];
        const std::optional<InfoSpan> span = infoSpan(line);
        if (!span || !isBlank(line.substr(span->begin, span->end - span->begin)))
            continue;
        const LabelRecord record = splitLabelRecord(line);
        if (isBlank(record.mineral))
            continue;
        const MineralEntry* entry = findExactEntry(entries, trimmed(record.mineral));
        if (!entry) {
            const std::string name(trimmed(record.mineral));
            const std::string folded = foldName(name);
            if (std::none_of(fill.notFound.begin(), fill.notFound.end(),
                             [&](const std::string& n) { return foldName(n) == folded; }))
                fill.notFound.push_back(name);
            continue;
        }
        if (entry->formula.empty())
            continue;
        const std::size_t lineStart = static_cast<std::size_t>(line.data() - listText.data());
        fill.listText.append(listText.substr(copied, lineStart + span->begin - copied));
        fill.listText += entry->formula;
        if (!span->closed)
            fill.listText += '|';
        copied = lineStart + span->end;
        ++fill.filled;
    }
    fill.listText.append(listText.substr(copied));
    return fill;
}

std::size_t countFillableFormulas(std::string_view listText,
                                  const std::vector<MineralEntry>& entries) {
    std::size_t count = 0;
    for (std::string_view line : storedLines(listText)) {
        const std::optional<InfoSpan> span = infoSpan(line);
        if (!span || !isBlank(line.substr(span->begin, span->end - span->begin)))
            continue;
        const LabelRecord record = splitLabelRecord(line);
        const MineralEntry* entry =
            isBlank(record.mineral) ? nullptr : findExactEntry(entries, trimmed(record.mineral));
        if (entry && !entry->formula.empty())
            ++count;
    }
    return count;
}

std::size_t countFillableFormulas(const std::vector<LabelRecord>& records,
                                  const std::vector<MineralEntry>& entries) {
    std::size_t count = 0;
    for (const LabelRecord& record : records) {
        if (!isBlank(record.info) || isBlank(record.mineral))
            continue;
        const MineralEntry* entry = findExactEntry(entries, trimmed(record.mineral));
        if (entry && !entry->formula.empty())
            ++count;
    }
    return count;
}

std::string formulaFillSummary(const FormulaFill& fill) {
    std::string s = "Filled " + std::to_string(fill.filled) +
                    (fill.filled == 1 ? " formula" : " formulas") + " from the database.";
    if (!fill.notFound.empty()) {
        s += " Not in the database: ";
        for (std::size_t i = 0; i < fill.notFound.size(); ++i)
            s += (i ? ", " : "") + fill.notFound[i];
        s += ".";
    }
    return s;
}

std::string missingFormulasMessage(std::size_t count) {
    if (count == 0)
        return {};
    return std::to_string(count) + (count == 1 ? " label has" : " labels have") +
           " no formula: Sheet > Fill formulas from the database";
}

} // namespace qlx
