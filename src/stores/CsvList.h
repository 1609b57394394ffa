#pragma once

#include <string>
#include <string_view>

// Label lists exchanged with spreadsheets: comma-separated values (RFC 4180) with a header row
// naming the columns Mineral, Locality and Info. The list side is the list's own text, one
// record "|mineral|locality|info|" per line, lines joined by CR LF.
namespace qlx::csv {

// Whether a list file is read and written as CSV: its name ends in ".csv", in any letter case.
bool isCsvPath(std::string_view path);

// The list text of a CSV file's bytes. The bytes are UTF-8 (a byte-order mark is dropped);
// bytes that are not well-formed UTF-8 are taken as Windows-1252, as older spreadsheets write.
//
// The first row is the header. The columns are found by name, in any order and letter case,
// spaces around a name ignored; other columns are left out. Fields are separated by commas;
// a header that names the three columns only when split at semicolons or tabs (as spreadsheets
// in some locales write) makes that the separator. A quoted field may hold separators, doubled
// quotes (one quote each) and line breaks (each becomes one space, since a record is one
// line). A row whose fields are all empty is no label and is left out; a row with fewer fields
// than the header leaves the missing ones empty. Field texts go into the record as they stand,
// as the fields of the window do.
//
// Fails with a message that names `path` when there is no header row, when the header lacks
// one of the three columns or names one twice, and when a quoted field is never closed.
std::string listTextFromCsv(std::string_view bytes, const std::string& path);

// A CSV file of the list: UTF-8 after a byte-order mark (so that spreadsheets take it for
// UTF-8), the header row "Mineral,Locality,Info", then one row per stored line of the list,
// split into its fields as "Render and preview" splits it. Rows end with CR LF; a field is
// quoted when it holds a comma, a quote, a line break or space at either end.
std::string csvFromListText(std::string_view listText);

} // namespace qlx::csv
