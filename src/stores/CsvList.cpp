#include "stores/CsvList.h"

#include <array>
#include <cstddef>
#include <vector>

#include "stores/Error.h"
#include "stores/LabelList.h"
#include "stores/Utf8.h"

namespace qlx::csv {

namespace {

constexpr char kQuote = '"';
constexpr std::string_view kCrLf = "\r\n";
constexpr std::array<std::string_view, 3> kColumns{"Mineral", "Locality", "Info"};
// Separators a header row is tried with, in this order.
constexpr std::array<char, 3> kSeparators{',', ';', '\t'};

[[noreturn]] void refuse(const std::string& path, const std::string& reason) {
    throw Error("Cannot read " + path + " as a CSV label list: " + reason);
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t';
    };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Walks the fields of a CSV text one at a time, so that memory follows the longest field
// rather than the widest row.
class FieldReader {
public:
    FieldReader(std::string_view text, char separator, const std::string& path)
        : m_text(text)
        , m_separator(separator)
        , m_path(path) {}

    // The next field into `field`; false when the text has no more. `rowEnds` tells whether
    // the field is the last of its row.
    bool next(std::string& field, bool& rowEnds) {
        field.clear();
        if (m_pos >= m_text.size() && !m_afterSeparator)
            return false;
        m_afterSeparator = false;
        if (m_pos < m_text.size() && m_text[m_pos] == kQuote)
            readQuoted(field);
        // Unquoted text, and anything after a closing quote, up to the field's end.
        const std::size_t end = m_text.find_first_of(stops(), m_pos);
        const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
        field.append(m_text.substr(m_pos, stop - m_pos));
        m_pos = stop;
        rowEnds = true;
        if (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == m_separator) {
                rowEnds = false;
                m_afterSeparator = true;
            } else if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n') {
                ++m_pos;
            }
        }
        if (rowEnds)
            ++m_row;
        return true;
    }

    // The row (from 1) the next field belongs to.
    int row() const { return m_row; }

private:
    std::string_view stops() const {
        return m_separator == ','   ? std::string_view(",\r\n")
               : m_separator == ';' ? std::string_view(";\r\n")
                                    : std::string_view("\t\r\n");
    }

    // From an opening quote to its closing one: a doubled quote stands for one, and a line
    // break for one space.
    void readQuoted(std::string& field) {
        const int startRow = m_row;
        ++m_pos;
        for (;;) {
            const std::size_t special = m_text.find_first_of("\"\r\n", m_pos);
            if (special == std::string_view::npos)
                refuse(m_path, "a quoted field that starts in row " + std::to_string(startRow) +
                                   " is never closed");
            field.append(m_text.substr(m_pos, special - m_pos));
            m_pos = special + 1;
            const char c = m_text[special];
            if (c == kQuote) {
                if (m_pos < m_text.size() && m_text[m_pos] == kQuote) {
                    field += kQuote;
                    ++m_pos;
                    continue;
                }
                return;
            }
            if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n')
                ++m_pos;
            field += ' ';
        }
    }

    std::string_view m_text;
    char m_separator;
    const std::string& m_path;
    std::size_t m_pos = 0;
    bool m_afterSeparator = false;
    int m_row = 1;
};

// Where each of the three columns stands in the header row; missing ones stay npos.
struct HeaderColumns {
    std::array<std::size_t, 3> index{std::string_view::npos, std::string_view::npos,
                                     std::string_view::npos};
    std::string twice; // a column the header names more than once

    bool complete() const {
        for (std::size_t i : index)
            if (i == std::string_view::npos)
                return false;
        return true;
    }
};

HeaderColumns readHeader(FieldReader& reader) {
    HeaderColumns header;
    std::string field;
    bool rowEnds = false;
    for (std::size_t column = 0; !rowEnds && reader.next(field, rowEnds); ++column) {
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            if (!sameName(trimmed(field), kColumns[c]))
                continue;
            if (header.index[c] != std::string_view::npos)
                header.twice = kColumns[c];
            else
                header.index[c] = column;
        }
    }
    return header;
}

// "no column Info", "no columns Locality and Info", "no columns Mineral, Locality and Info".
std::string missingColumns(const HeaderColumns& header) {
    std::vector<std::string_view> missing;
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        if (header.index[c] == std::string_view::npos)
            missing.push_back(kColumns[c]);
    std::string names(missing.size() == 1 ? "no column " : "no columns ");
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i > 0)
            names += i + 1 == missing.size() ? " and " : ", ";
        names += missing[i];
    }
    return names;
}

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos ||
           (!field.empty() && (field.front() == ' ' || field.back() == ' '));
}

void appendField(std::string& out, std::string_view field) {
    if (!needsQuotes(field)) {
        out += field;
        return;
    }
    out += kQuote;
    for (char c : field) {
        if (c == kQuote)
            out += kQuote;
        out += c;
    }
    out += kQuote;
}

} // namespace

bool isCsvPath(std::string_view path) {
    constexpr std::string_view kSuffix = ".csv";
    return path.size() >= kSuffix.size() &&
           sameName(path.substr(path.size() - kSuffix.size()), kSuffix);
}

std::string listTextFromCsv(std::string_view bytes, const std::string& path) {
    const std::string text = utf8::decodeAnyTextFile(bytes);
    if (text.empty())
        refuse(path, "the file is empty; its first row must name the columns Mineral, Locality "
                     "and Info");

    // The separator is the first one under which the header names all three columns.
    HeaderColumns header;
    char separator = kSeparators.front();
    for (char candidate : kSeparators) {
        FieldReader probe(text, candidate, path);
        const HeaderColumns found = readHeader(probe);
        if (candidate == kSeparators.front())
            header = found;
        if (found.complete()) {
            header = found;
            separator = candidate;
            break;
        }
    }
    if (!header.twice.empty())
        refuse(path, "its header row names the column " + header.twice + " twice");
    if (!header.complete())
        refuse(path, "its first row must name the columns Mineral, Locality and Info, and it has " +
                         missingColumns(header));

    FieldReader reader(text, separator, path);
    readHeader(reader);
    std::string list;
    std::array<std::string, 3> row;
    std::string field;
    bool rowEnds = true;
    std::size_t column = 0;
    while (reader.next(field, rowEnds)) {
        for (std::size_t c = 0; c < row.size(); ++c)
            if (header.index[c] == column)
                row[c] = field;
        ++column;
        if (!rowEnds)
            continue;
        if (!row[0].empty() || !row[1].empty() || !row[2].empty()) {
            list += makeLabelRecord(row[0], row[1], row[2]);
            list += kCrLf;
        }
        for (std::string& f : row)
            f.clear();
        column = 0;
    }
    return list;
}

std::string csvFromListText(std::string_view listText) {
    std::string out(utf8::kBom);
    out += "Mineral,Locality,Info";
    out += kCrLf;
    for (std::string_view line : storedLines(listText)) {
        const LabelRecord record = splitLabelRecord(line);
        appendField(out, record.mineral);
        out += ',';
        appendField(out, record.locality);
        out += ',';
        appendField(out, record.info);
        out += kCrLf;
    }
    return out;
}

} // namespace qlx::csv
