#include "stores/MineralLookup.h"

#include <algorithm>

#include "stores/MineralDatabase.h"
#include "stores/TextCase.h"

namespace qlx {

namespace {

constexpr char kBar = '|';

// One column of a database line: its characters and where the scan goes on after it.
struct Column {
    std::string_view text;
    bool closedByBar = false;
    std::size_t next = 0; // index just after the closing bar
};

std::string_view withoutTrailingLineBreaks(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// The characters from `from` up to the next bar. CR and LF are ordinary characters here;
// only when the end of the text closes the column are the final line breaks left out.
Column scanColumn(std::string_view text, std::size_t from) {
    const std::size_t bar = text.find(kBar, from);
    if (bar == std::string_view::npos)
        return {withoutTrailingLineBreaks(text.substr(from)), false, text.size()};
    return {text.substr(from, bar - from), true, bar + 1};
}

// Spaces go; so does a lowercase "e" that stands right before the end of the column.
std::string nameFromColumn(std::string_view column) {
    std::string name;
    for (std::size_t i = 0; i < column.size(); ++i) {
        const char c = column[i];
        const bool last = i + 1 == column.size();
        if (c == ' ' || (c == 'e' && last))
            continue;
        name += c;
    }
    return name;
}

// Spaces go; charges keep their signs (Fe2+).
std::string formulaFromColumn(std::string_view column) {
    std::string formula;
    for (char c : column) {
        if (c != ' ')
            formula += c;
    }
    return formula;
}

std::string withoutSpaces(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ')
            out += c;
    }
    return out;
}

// The start of a line's name column, after "| ", whose name begins with the typed text
// (both folded: any case, with or without diacritics); npos when there is none.
std::size_t findFoldedName(std::string_view text, std::string_view typed) {
    const std::string key = foldName(cutAtComma(typed));
    for (std::size_t line = 0; line < text.size();) {
        std::size_t end = text.find('\n', line);
        if (end == std::string_view::npos)
            end = text.size();
        if (text.compare(line, 2, "| ") == 0) {
            std::size_t bar = text.find('|', line + 2);
            if (bar == std::string_view::npos || bar > end)
                bar = end;
            std::string_view column = text.substr(line + 2, bar - line - 2);
            if (!column.empty() && column.back() == 'e')
                column.remove_suffix(1);
            // Names are written in capitals; an entry in small letters is not one.
            const bool capitals = std::none_of(column.begin(), column.end(),
                                               [](char c) { return c >= 'a' && c <= 'z'; });
            if (capitals && foldName(column).compare(0, key.size(), key) == 0)
                return line;
        }
        line = end + 1;
    }
    return std::string_view::npos;
}

// The third column of the line, when it spells the name of the name column (the IMA's own
// spelling, with its diacritics and the case of a suffix such as -(Ce)); empty otherwise.
std::string spellingColumn(std::string_view text, std::size_t from, std::string_view name) {
    const Column column = scanColumn(text, from);
    if (!column.closedByBar)
        return {};
    std::string_view spelling = column.text;
    if (spelling.find_first_of("\r\n") != std::string_view::npos)
        return {};
    while (!spelling.empty() && spelling.front() == ' ')
        spelling.remove_prefix(1);
    while (!spelling.empty() && spelling.back() == ' ')
        spelling.remove_suffix(1);
    if (spelling.empty() || foldName(withoutSpaces(spelling)) != foldName(name))
        return {};
    return std::string(spelling);
}

} // namespace

std::string mineralSearchKey(std::string_view typed) {
    return "| " + upperCaseText(cutAtComma(typed));
}

MineralLookupResult lookupMineral(std::string_view databaseText, std::string_view typed,
                                  bool keepFinalE) {
    const std::string key = mineralSearchKey(typed);
    std::size_t match = databaseText.find(key);
    if (match == std::string_view::npos)
        match = findFoldedName(databaseText, typed);
    MineralLookupResult result;
    if (match == std::string_view::npos)
        return result;
    result.found = true;

    // The typed prefix is scanned again with the rest: the name is the database's whole name.
    const Column name = scanColumn(databaseText, match + 2);
    const std::string scanned = nameFromColumn(name.text);
    result.name = properCaseName(scanned, keepFinalE);
    if (name.closedByBar) {
        const Column formula = scanColumn(databaseText, name.next);
        result.formula = formulaFromColumn(formula.text);
        std::string spelling =
            formula.closedByBar ? spellingColumn(databaseText, formula.next, scanned) : "";
        if (!spelling.empty()) {
            // The final-E rule as for the name column: the spelling loses its last letter
            // where the proper-cased name lost its capital E.
            if (result.name.size() < scanned.size())
                spelling.pop_back();
            result.name = spelling;
        }
    }
    return result;
}

} // namespace qlx
