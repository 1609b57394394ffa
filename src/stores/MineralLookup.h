#pragma once

#include <string>
#include <string_view>

// Mineral lookup over the whole text of the mineral database (athena.txt). A database
// line reads "| NAME | FORMULA | ..." with the name in capitals; the lookup finds the
// first "| " followed by the typed name in capitals anywhere in the text and cuts the
// name and the formula out of the two columns that follow. When that finds nothing, the
// first line whose name column begins with the typed name, case and diacritics aside, is
// taken (bastnasite finds BASTNÄSITE-(CE), rosièresite ROSIÈRESITE). A third column that
// spells the name ("| BASTNÄSITE-(CE) | (Ce)(CO3)F | Bastnäsite-(Ce) |") gives the name as
// the label writes it. An empty database is loaded
// first (mineralStoreNeedsLoad); a lookup that finds nothing gives an empty name, and the
// caller keeps the typed text and the formula it had.
namespace qlx {

struct MineralLookupResult {
    // The search key occurs in the text. When false there is no formula.
    bool found = false;
    // The proper-cased name, empty when nothing was found or the name column was empty.
    std::string name;
    // The formula column without spaces, when found; charges keep their signs (Fe2+).
    std::string formula;
};

// True when the store holds nothing yet and must be loaded before the lookup.
inline bool mineralStoreNeedsLoad(std::string_view databaseText) {
    return databaseText.empty();
}

// "| " followed by the typed text cut at its first comma, in capitals.
std::string mineralSearchKey(std::string_view typed);

// The lookup itself; the database text is searched in place, never copied.
//
// A column that the end of the text closes (no "|" after it) counts as closed there,
// except that line breaks at the very end of the text are not part of it: a database
// whose last line is "| CALCITE | CaCO3" CR LF gives Calcit and CaCO3. When it is the
// name column that runs to the end, the entry has no formula column and the formula is
// empty, as for an empty formula column.
//
// The name comes out as properCaseName gives it: without its final capital E (Calcit)
// unless `keepFinalE` asks for the English spelling (Calcite); or as the third column spells
// it, without its last letter where properCaseName leaves out the E.
MineralLookupResult lookupMineral(std::string_view databaseText, std::string_view typed,
                                  bool keepFinalE = false);

} // namespace qlx
