#include "stores/LineStore.h"

#include <algorithm>
#include <optional>

#include "stores/AtomicFile.h"
#include "stores/CsvList.h"
#include "stores/Error.h"
#include "stores/FileRead.h"
#include "stores/Rtf.h"
#include "stores/Utf8.h"

namespace qlx {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool endsWithCrLf(const std::string& text) {
    return text.size() >= 2 && text.compare(text.size() - 2, 2, kCrLf) == 0;
}

} // namespace

LineStore::LineStore(bool plainText)
    : m_plainText(plainText) {}

std::string LineStore::normaliseLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += kCrLf;
        } else {
            out += c;
        }
    }
    return out;
}

std::size_t LineStore::countLines(std::string_view text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++breaks;
        }
    }
    const bool openLast = !text.empty() && text.back() != '\r' && text.back() != '\n';
    return breaks + (openLast ? 1 : 0);
}

std::string LineStore::tooManyLines(std::size_t limit) {
    return "A list may hold at most " + std::to_string(limit) + " lines";
}

std::size_t LineStore::segmentStart(int index) const {
    return index <= 0 ? 0 : m_breaks[static_cast<size_t>(index) - 1] + kCrLf.size();
}

std::size_t LineStore::segmentEnd(int index) const {
    return static_cast<size_t>(index) < m_breaks.size() ? m_breaks[static_cast<size_t>(index)]
                                                        : m_text.size();
}

std::string_view LineStore::segment(int index) const {
    if (index < 0 || index >= segmentCount())
        return {};
    const size_t start = segmentStart(index);
    return std::string_view(m_text).substr(start, segmentEnd(index) - start);
}

int LineStore::count() const {
    // The empty position after a final CR LF, or of an empty text, is no line.
    const bool openLast = !m_text.empty() && !endsWithCrLf(m_text);
    return static_cast<int>(m_breaks.size()) + (openLast ? 1 : 0);
}

std::string LineStore::line(int index) const {
    if (index < 0 || index >= count())
        return {};
    const std::string_view whole = segment(index);
    if (whole.size() <= kMaxLineRead)
        return std::string(whole);
    // Cut before the character that would run past the limit, never inside it.
    size_t cut = kMaxLineRead;
    while (cut > 0 && (static_cast<unsigned char>(whole[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(whole.substr(0, cut));
}

// Bytes [from, to) of the text become `inserted` (whose line breaks are CR LF already).
// Neither end may fall between the CR and the LF of a line break.
LineStore::Revert LineStore::splice(size_t from, size_t to, std::string_view inserted) {
    if (std::string_view(m_text).substr(from, to - from) == inserted)
        return {};
    const auto firstBreak = std::lower_bound(m_breaks.begin(), m_breaks.end(), from);
    const auto endBreak = std::lower_bound(firstBreak, m_breaks.end(), to);
    std::vector<size_t> insertedBreaks;
    for (size_t p = inserted.find(kCrLf); p != std::string_view::npos;
         p = inserted.find(kCrLf, p + 2))
        insertedBreaks.push_back(from + p);

    // The lines the text would have, checked before anything changes.
    const size_t breaks = m_breaks.size() - size_t(endBreak - firstBreak) + insertedBreaks.size();
    const size_t newSize = m_text.size() - (to - from) + inserted.size();
    bool endsWithBreak = endsWithCrLf(m_text);
    if (to == m_text.size())
        endsWithBreak = inserted.empty()
                            ? from >= 2 && m_text.compare(from - 2, 2, kCrLf) == 0
                            : inserted.size() >= 2 && inserted.substr(inserted.size() - 2) == kCrLf;
    const size_t lines = breaks + (newSize > 0 && !endsWithBreak ? 1 : 0);
    if (lines > m_lineLimit && lines > size_t(count()))
        throw Error(tooManyLines(m_lineLimit));

    Change change;
    change.first = int(firstBreak - m_breaks.begin());
    change.removed = int(endBreak - firstBreak) + 1;
    change.added = int(insertedBreaks.size()) + 1;
    Revert revert;
    revert.first = change.first;
    revert.count = change.added;
    const size_t oldStart = segmentStart(change.first);
    revert.text = m_text.substr(oldStart, segmentEnd(change.first + change.removed - 1) - oldStart);

    m_text.replace(from, to - from, inserted);
    const std::ptrdiff_t shift = std::ptrdiff_t(inserted.size()) - std::ptrdiff_t(to - from);
    const auto at = m_breaks.erase(firstBreak, endBreak);
    for (auto it = at; it != m_breaks.end(); ++it)
        *it = size_t(std::ptrdiff_t(*it) + shift);
    m_breaks.insert(at, insertedBreaks.begin(), insertedBreaks.end());
    changed(change);
    return revert;
}

LineStore::Revert LineStore::add(const std::string& line) {
    const std::string s = normaliseLineBreaks(line);
    const bool startNewLine = m_text.empty() || endsWithCrLf(m_text);
    const size_t grownBy = s.size() + kCrLf.size();
    if (m_text.size() + grownBy > m_lengthLimit)
        throw Error("RichEdit line insertion error");
    const std::string inserted = startNewLine ? s + std::string(kCrLf) : std::string(kCrLf) + s;
    return splice(m_text.size(), m_text.size(), inserted);
}

LineStore::Revert LineStore::setText(std::string_view text) {
    const std::string wanted = normaliseLineBreaks(text);
    // Only the differing middle is replaced: the common beginning and end stay.
    const size_t most = std::min(m_text.size(), wanted.size());
    size_t head = 0;
    while (head < most && m_text[head] == wanted[head])
        ++head;
    size_t tail = 0;
    while (tail < most - head &&
           m_text[m_text.size() - 1 - tail] == wanted[wanted.size() - 1 - tail])
        ++tail;
    return splice(head, m_text.size() - tail,
                  std::string_view(wanted).substr(head, wanted.size() - tail - head));
}

LineStore::Revert LineStore::replaceSegments(int first, int count, std::string_view text) {
    const int segments = segmentCount();
    first = std::clamp(first, 0, segments);
    count = std::clamp(count, 0, segments - first);
    const std::string s = normaliseLineBreaks(text);
    if (count > 0)
        return splice(segmentStart(first), segmentEnd(first + count - 1), s);
    if (s.empty())
        return {};
    // New segments before segment `first`, or after the last one.
    if (first < segments)
        return splice(segmentStart(first), segmentStart(first), s + std::string(kCrLf));
    return splice(m_text.size(), m_text.size(), std::string(kCrLf) + s);
}

void LineStore::changed(const Change& change) {
    ++m_revision;
    if (m_listener)
        m_listener(change);
}

void LineStore::loaded(std::string text, const std::string& path) {
    const size_t lines = countLines(text);
    if (lines > m_lineLimit)
        throw Error("The list " + path + " has " + std::to_string(lines) +
                    " lines: " + tooManyLines(m_lineLimit));
    setText(text);
    m_lengthLimit = std::max(m_lengthLimit, kMaxLength);
}

void LineStore::loadFromFile(const std::string& path) {
    const std::string bytes = readWholeFile(path, kMaxLength);
    std::optional<std::string> rich;
    if (!m_plainText)
        rich = rtf::read(bytes);
    if (rich) {
        loaded(std::move(*rich), path);
        return;
    }
    // Plain text (also a rich store's file that is not RTF, from whatever program it came):
    // line breaks are the same bytes in every encoding read, so too many lines are refused
    // before anything is decoded.
    const size_t lines = countLines(bytes);
    if (lines > m_lineLimit)
        throw Error("The list " + path + " has " + std::to_string(lines) +
                    " lines: " + tooManyLines(m_lineLimit));
    loaded(m_plainText ? utf8::decodeMarkedFile(bytes) : utf8::decodeAnyTextFile(bytes), path);
}

void LineStore::loadCsvFile(const std::string& path) {
    loaded(csv::listTextFromCsv(readWholeFile(path, kMaxLength), path), path);
}

namespace {

// A file that loadFromFile could not read back is not written.
const std::string& readableFile(const std::string& bytes, const std::string& path) {
    if (bytes.size() > LineStore::kMaxLength)
        throw Error("The list would take " + std::to_string(bytes.size()) + " bytes in " + path +
                    ", more than the " + std::to_string(LineStore::kMaxLength) +
                    " bytes a list file may have: nothing was written");
    return bytes;
}

} // namespace

void LineStore::saveCsvFile(const std::string& path) const {
    writeFileAtomically(path, readableFile(csv::csvFromListText(m_text), path));
}

void LineStore::saveToFile(const std::string& path) const {
    writeFileAtomically(
        path,
        readableFile(m_plainText ? utf8::encodeSharedFile(m_text) : rtf::write(m_text), path));
}

} // namespace qlx
