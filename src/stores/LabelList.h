#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The label list: one record "|" mineral "|" locality "|" info "|" per stored line. A
// record is made from the three field texts as they stand and split again on its bars; a
// line wider than the box that shows it is still one record. Beside the records: the count
// of labels added, and the info text that follows the formula while asked to.
namespace qlx {

// The most lines the label list holds (the list box, Open list and the command line's lists):
// fifty thousand labels and room to spare, while the box stays quick to lay out.
constexpr std::size_t kMaxListLines = 100000;

struct LabelRecord {
    std::string mineral;
    std::string locality;
    std::string info;
};

// The record of one label; the field texts go in as they stand (a bar typed into a field
// stays, and becomes a separator when the record is split again).
std::string makeLabelRecord(std::string_view mineral, std::string_view locality,
                            std::string_view info);

// Splits one list line into its fields. The first character is skipped (it is the opening
// bar of a well-formed record); the first three bars after it close the mineral, locality
// and info fields. A field whose closing bar is missing is empty, and so is every field
// after it; anything after the third bar is ignored.
LabelRecord splitLabelRecord(std::string_view line);

// The stored lines of the list text (lines joined by CR LF; a lone CR or LF also ends a
// line). A final empty line after the last line break is not a line.
std::vector<std::string_view> storedLines(std::string_view text);

// The stored lines of the list, split into their fields: the first `most` of them, so that a
// run that places a few labels splits no more lines than it places.
std::vector<LabelRecord> labelListRecords(std::string_view listText,
                                          std::size_t most = std::size_t(-1));

// The counter caption after one more "Add data to list". The caption is only ever
// written by this function; one that is not a decimal count is taken as 0.
std::string nextLabelCount(std::string_view caption);

// "Info = formula": the new text of the info field after the formula field changed to
// `formula`, or nothing when the box is not ticked.
std::optional<std::string> infoAfterFormulaChange(bool infoIsFormula, std::string_view formula);

} // namespace qlx
