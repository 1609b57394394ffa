#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stores/LabelList.h"

// The mineral database (athena.txt) read as entries, for what the lookup's substring search
// does not do: names compared whatever their case and diacritics, the nearest names to one
// that is not there, the groups whose species a name stands for, and filling a list's empty
// infos with formulas. All texts are UTF-8.
namespace qlx {

// A name folded for comparing: letters in capitals without their diacritics (ä, á, å -> A;
// æ -> AE, ß -> SS, ø -> O), the Greek α and β spelt ALPHA and BETA, apostrophes left out;
// every other character as it is.
std::string foldName(std::string_view text);

// One database line "| NAME | FORMULA |" or "| NAME | FORMULA | Spelling |".
struct MineralEntry {
    std::string nameColumn; // as written, trailing spaces left out
    std::string formula;    // without spaces
    std::string spelling;   // the third column when it spells the name, else empty
    std::string folded;     // foldName of the name column, without spaces
    // The name as a label writes it: the spelling when there is one, else the name column
    // in proper case (without its spaces).
    std::string labelName() const;
};

// The entries of the database text in file order: every line that starts with "| " and
// closes its name and formula columns on the line.
std::vector<MineralEntry> mineralEntries(std::string_view databaseText);

// The entry whose name is `name`, its case, diacritics and spaces aside, also when the name
// lacks the final E that completion leaves out (Calcit); the first such entry in file order.
const MineralEntry* findExactEntry(const std::vector<MineralEntry>& entries, std::string_view name);

// Levenshtein distance between two texts, by characters.
std::size_t editDistance(std::string_view a, std::string_view b);

// Up to `most` names (as labels write them) nearest to `typed` by edit distance over folded
// names, nearest first, ties in file order; only names within a distance that grows with
// the name's length (1 up to 4 letters, 2 up to 8, 3 beyond), none for an empty name.
std::vector<std::string> nearestNames(const std::vector<MineralEntry>& entries,
                                      std::string_view typed, std::size_t most = 3);

// The groups file beside athena.txt: "Group: Species, Species, ..." per line; "#" starts a
// comment line.
struct MineralGroup {
    std::string name;
    std::vector<std::string> species;
};
std::vector<MineralGroup> parseMineralGroups(std::string_view text);
const MineralGroup* findGroup(const std::vector<MineralGroup>& groups, std::string_view name);

// The tip of the mark on a name that is not in the database: the group's species
// ("Apatite is a group: Fluorapatite, Hydroxylapatite, Chlorapatite"), else the nearest
// names ("Did you mean Rhodochrosite?", "Did you mean A, B or C?"), else nothing.
std::string notFoundHint(const std::vector<MineralEntry>& entries,
                         const std::vector<MineralGroup>& groups, std::string_view typed);

// Filling the empty infos of a label list with the formulas of their minerals.
struct FormulaFill {
    std::string listText;              // the list with the infos filled
    std::size_t filled = 0;            // records that got a formula
    std::vector<std::string> notFound; // minerals not in the database, once each, in order
};
// Every record (or, when `lines` is given, the records of those stored lines, counted from
// 0) whose info is empty or spaces and whose mineral is not empty gets the formula of the
// entry findExactEntry finds for its mineral; an info field that the line ends without its
// closing bar gets the bar too. Lines that are no record, and records whose info is not
// empty, are left as they are, byte for byte; so is the rest of a filled line.
FormulaFill fillEmptyFormulas(std::string_view listText, const std::vector<MineralEntry>& entries,
                              const std::vector<std::size_t>* lines = nullptr);

// The records a fill would change: an empty info and a mineral the database has.
std::size_t countFillableFormulas(std::string_view listText,
                                  const std::vector<MineralEntry>& entries);
// The same over records already split (a render's).
std::size_t countFillableFormulas(const std::vector<LabelRecord>& records,
                                  const std::vector<MineralEntry>& entries);

// What a fill did, in a sentence or two: "Filled 12 formulas from the database." and, when
// some minerals were not found, "Not in the database: Apatite, Tourmaline."
std::string formulaFillSummary(const FormulaFill& fill);

// The preview's status line for that count; empty for 0.
std::string missingFormulasMessage(std::size_t count);

} // namespace qlx
