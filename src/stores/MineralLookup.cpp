#include "stores/MineralLookup.h"

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

std::string formulaFromColumn(std::string_view column) {
    std::string formula;
    for (char c : column) {
        if (c != ' ')
            formula += c;
    }
    return removePlus(formula);
}

} // namespace

std::string mineralSearchKey(std::string_view typed) {
    return "| " + upperCaseText(cutAtComma(typed));
}

MineralLookupResult lookupMineral(std::string_view databaseText, std::string_view typed,
                                  bool keepFinalE) {
    const std::string key = mineralSearchKey(typed);
    const std::size_t match = databaseText.find(key);
    MineralLookupResult result;
    if (match == std::string_view::npos)
        return result;
    result.found = true;

    // The typed prefix is scanned again with the rest: the name is the database's whole name.
    const Column name = scanColumn(databaseText, match + 2);
    result.name = properCaseName(nameFromColumn(name.text), keepFinalE);
    if (name.closedByBar)
        result.formula = formulaFromColumn(scanColumn(databaseText, name.next).text);
    return result;
}

} // namespace qlx
