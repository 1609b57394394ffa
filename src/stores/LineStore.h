#pragma once

// The stores. This folder is the program's plain C++ core, with no Qt in it: the line store
// that keeps a text as lines and loads and saves it as plain text or RTF, the label list and
// its edits by whole records, the mineral lookup over the mineral database, the locality cache
// and its completion, the label settings file, the CSV and RTF exchange, UTF-8, Windows-1252
// and case folding, the data folder beside the program, bounded file reads, the atomic save,
// the header checks of bitmaps and icons, and the Error whose message reaches the user. Every
// other layer builds on it; it sees none of them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace qlx {

// An ordered list of UTF-8 text lines, kept as one text in which CR LF is the only line
// separator. Loads and saves itself as plain text or as RTF (plainText flag).
//
// Plain-text files (the mineral database and the locality cache) are shared with programs
// that expect Windows-1252: they are read as UTF-8 when they start with a UTF-8 byte-order
// mark and as Windows-1252 otherwise, and written as Windows-1252 while every character has
// a byte there, as UTF-8 after a byte-order mark once one does not.
//
// Plain data: a widget that shows a store mirrors its text and follows the store's changes
// through the change listener, which says which segments changed (see Change), so that a
// long list is never copied whole for a small edit.
//
// Segments: the pieces of the text between its CR LFs, the last one after the last CR LF
// (empty when the text ends with CR LF, or is empty). A text with n CR LFs has n + 1
// segments, as a text box showing it has n + 1 paragraphs.
class LineStore {
public:
    // Segments [first, first + removed) of the text before a change became segments
    // [first, first + added) of the text after it.
    struct Change {
        int first = 0;
        int removed = 0;
        int added = 0;
    };
    // What takes one change back: segments [first, first + count) are to become `text`
    // again (see revert()).
    struct Revert {
        int first = 0;
        int count = 0;
        std::string text;
    };

    // Longest text a store that was never loaded from a file takes by add().
    static constexpr std::size_t kDefaultLengthLimit = 4u << 20;
    // Longest file a store loads, and its length limit once loaded.
    static constexpr std::size_t kMaxLength = 64u << 20;
    // Longest part of a line that line() returns.
    static constexpr std::size_t kMaxLineRead = 4096;
    // No limit on the number of lines (the hidden stores).
    static constexpr std::size_t kNoLineLimit = std::numeric_limits<std::size_t>::max();

    explicit LineStore(bool plainText = true);

    bool plainText() const { return m_plainText; }
    void setPlainText(bool plainText) { m_plainText = plainText; }

    // The whole content, lines joined by CR LF; ends with CR LF when the last line has one.
    const std::string& text() const { return m_text; }
    // Number of lines; a final empty line (after a trailing CR LF, or the only line of an
    // empty store) does not count.
    int count() const;
    // Number of segments (always at least 1) and segment `index`, whole; empty when there is
    // no such segment.
    int segmentCount() const { return static_cast<int>(m_breaks.size()) + 1; }
    std::string_view segment(int index) const;
    // Line `index` (from 0) without its line break, at most kMaxLineRead bytes, cut between
    // characters; empty when there is no such line.
    std::string line(int index) const;

    // Appends `line` as a new last line: with CR LF after it when the text is empty or ends
    // with CR LF, else after a CR LF, so it never joins the last line and the text keeps
    // ending with CR LF exactly when it did. Line breaks inside `line` become CR LF.
    // Fails with "RichEdit line insertion error" when the text would grow past the length
    // limit, and with tooManyLines() when the store would hold more lines than its line
    // limit; then nothing is added. Returns what takes the addition back.
    Revert add(const std::string& line);

    // Replaces the content; every line break (CR LF, lone CR, lone LF) becomes CR LF. Only the
    // segments that differ are replaced (one Change). Setting the text the store already
    // holds changes nothing. Fails with tooManyLines() beyond the line limit, changing
    // nothing. Returns what takes the change back (count 0 and no text when nothing changed).
    Revert setText(std::string_view text);
    void clear() { setText({}); }

    // Segments [first, first + count) replaced by `text` (line breaks made CR LF), clamped to
    // the segments there are. Fails as setText does; returns what takes it back.
    Revert replaceSegments(int first, int count, std::string_view text);
    // Takes back the change `revert` was made for; returns what takes this back in turn.
    Revert revert(const Revert& revert) {
        return replaceSegments(revert.first, revert.count, revert.text);
    }

    // Replaces the content with the file's. A plain-text store takes the characters as they
    // are but for line breaks (as setText); a rich-text store reads the file as RTF and, when
    // it is not RTF, as plain text: UTF-8 when it is well-formed UTF-8 (with or without a
    // byte-order mark), Windows-1252 otherwise. Fails with "Cannot open file <path>" when the file
    // cannot be opened and "Failed to Load Stream" when it cannot be read or is longer than
    // kMaxLength; a failed load leaves the store unchanged. A successful load lifts the length
    // limit to kMaxLength.
    void loadFromFile(const std::string& path);
    // Writes the text (plain) or an RTF document of it (rich) and replaces the file at
    // `path` atomically. Fails with "Cannot create file <path>" or "Failed to Save Stream <path>";
    // the old file then stays whole. A file that loadFromFile could not read back (longer
    // than kMaxLength once encoded) is refused before anything is written, with a message
    // naming it.
    void saveToFile(const std::string& path) const;

    // A label list exchanged with spreadsheets (stores/CsvList.h): loadCsvFile replaces the
    // content with the CSV file's records, failing as loadFromFile does for a file that cannot
    // be read and with a message naming the file for one that is not such a list; a failed
    // load leaves the store unchanged. saveCsvFile writes the lines as CSV rows, atomically.
    void loadCsvFile(const std::string& path);
    void saveCsvFile(const std::string& path) const;

    void setLengthLimit(std::size_t limit) { m_lengthLimit = limit; }
    // The most lines the store holds: add(), setText() and the loads refuse more, loads
    // before the text is decoded when they can.
    void setLineLimit(std::size_t limit) { m_lineLimit = limit; }
    std::size_t lineLimit() const { return m_lineLimit; }
    // The message for more lines than `limit`.
    static std::string tooManyLines(std::size_t limit);

    // Grows by one at every change of the text.
    std::uint64_t revision() const { return m_revision; }
    // Called after every change of the text (not when a change leaves it as it was).
    void setChangeListener(std::function<void(const Change&)> listener) {
        m_listener = std::move(listener);
    }

    // `text` with every CR LF, lone CR and lone LF made CR LF; nothing else is touched.
    static std::string normaliseLineBreaks(std::string_view text);

    // Lines of `text` as count() would count them once its line breaks are made CR LF.
    static std::size_t countLines(std::string_view text);

private:
    void loaded(std::string text, const std::string& path);
    Revert splice(std::size_t from, std::size_t to, std::string_view inserted);
    std::size_t segmentStart(int index) const;
    std::size_t segmentEnd(int index) const;
    void changed(const Change& change);

    std::string m_text;
    bool m_plainText;
    std::size_t m_lengthLimit = kDefaultLengthLimit;
    std::size_t m_lineLimit = kNoLineLimit;
    std::uint64_t m_revision = 0;
    std::function<void(const Change&)> m_listener;
    std::vector<std::size_t> m_breaks; // where each CR LF of the text stands
};

} // namespace qlx
