#include "stores/LineStore.h"

#include <algorithm>

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

const std::vector<size_t>& LineStore::lineStarts() const {
    if (m_lineStarts.empty() && !m_text.empty()) {
        m_lineStarts.push_back(0);
        for (size_t p = m_text.find(kCrLf); p != std::string::npos; p = m_text.find(kCrLf, p + 2))
            if (p + 2 < m_text.size()) // the empty position after a final CR LF is no line
                m_lineStarts.push_back(p + 2);
    }
    return m_lineStarts;
}

int LineStore::count() const {
    return static_cast<int>(lineStarts().size());
}

std::string LineStore::line(int index) const {
    const auto& starts = lineStarts();
    if (index < 0 || static_cast<size_t>(index) >= starts.size())
        return {};
    const size_t start = starts[static_cast<size_t>(index)];
    size_t end = m_text.find(kCrLf, start);
    if (end == std::string::npos)
        end = m_text.size();
    if (end - start <= kMaxLineRead)
        return m_text.substr(start, end - start);
    // Cut before the character that would run past the limit, never inside it.
    size_t cut = start + kMaxLineRead;
    while (cut > start && (static_cast<unsigned char>(m_text[cut]) & 0xC0) == 0x80)
        --cut;
    return m_text.substr(start, cut - start);
}

void LineStore::add(const std::string& line) {
    const std::string s = normaliseLineBreaks(line);
    const bool startNewLine = m_text.empty() || endsWithCrLf(m_text);
    const size_t grownBy = s.size() + kCrLf.size();
    if (m_text.size() + grownBy > m_lengthLimit)
        throw Error("RichEdit line insertion error");
    if (startNewLine) {
        m_text += s;
        m_text += kCrLf;
    } else {
        m_text += kCrLf;
        m_text += s;
    }
    changed();
}

void LineStore::setText(std::string_view text) {
    replace(normaliseLineBreaks(text));
}

void LineStore::replace(std::string text) {
    if (text == m_text)
        return;
    m_text = std::move(text);
    changed();
}

void LineStore::changed() {
    m_lineStarts.clear();
    ++m_revision;
    if (m_listener)
        m_listener();
}

void LineStore::loadFromFile(const std::string& path) {
    const std::string bytes = readWholeFile(path, kMaxLength);
    std::string text;
    if (!m_plainText) {
        if (auto rich = rtf::read(bytes))
            text = normaliseLineBreaks(*rich);
        else // not RTF: read again as plain text, from whatever program it came
            text = normaliseLineBreaks(utf8::decodeAnyTextFile(bytes));
    } else {
        text = normaliseLineBreaks(utf8::decodeMarkedFile(bytes));
    }
    m_lengthLimit = std::max(m_lengthLimit, kMaxLength);
    replace(std::move(text));
}

void LineStore::loadCsvFile(const std::string& path) {
    std::string text = csv::listTextFromCsv(readWholeFile(path, kMaxLength), path);
    m_lengthLimit = std::max(m_lengthLimit, kMaxLength);
    replace(std::move(text));
}

void LineStore::saveCsvFile(const std::string& path) const {
    writeFileAtomically(path, csv::csvFromListText(m_text));
}

void LineStore::saveToFile(const std::string& path) const {
    writeFileAtomically(path, m_plainText ? utf8::encodeSharedFile(m_text) : rtf::write(m_text));
}

} // namespace qlx
