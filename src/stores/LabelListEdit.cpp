#include "stores/LabelListEdit.h"

#include <algorithm>
#include <vector>

#include "stores/LabelList.h"

namespace qlx {

namespace {

std::string joined(const std::vector<std::string_view>& lines) {
    std::size_t size = 0;
    for (std::string_view line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// The range clamped to the lines there are.
RecordRange clamped(RecordRange range, std::size_t count) {
    range.first = std::max(range.first, 0);
    range.last = std::min(range.last, int(count) - 1);
    return range;
}

} // namespace

std::string deleteRecords(std::string_view text, RecordRange range) {
    std::vector<std::string_view> lines = storedLines(text);
    range = clamped(range, lines.size());
    if (range.empty())
        return std::string(text);
    lines.erase(lines.begin() + range.first, lines.begin() + range.last + 1);
    return joined(lines);
}

std::string duplicateRecords(std::string_view text, RecordRange range) {
    std::vector<std::string_view> lines = storedLines(text);
    range = clamped(range, lines.size());
    if (range.empty())
        return std::string(text);
    const std::vector<std::string_view> copies(lines.begin() + range.first,
                                               lines.begin() + range.last + 1);
    lines.insert(lines.begin() + range.last + 1, copies.begin(), copies.end());
    return joined(lines);
}

std::string moveRecords(std::string_view text, RecordRange& range, int delta) {
    std::vector<std::string_view> lines = storedLines(text);
    const RecordRange r = clamped(range, lines.size());
    if (r.empty() || delta == 0)
        return std::string(text);
    range = r;
    if (delta < 0 && r.first > 0) {
        std::rotate(lines.begin() + r.first - 1, lines.begin() + r.first,
                    lines.begin() + r.last + 1);
        --range.first, --range.last;
    } else if (delta > 0 && r.last + 1 < int(lines.size())) {
        std::rotate(lines.begin() + r.first, lines.begin() + r.last + 1,
                    lines.begin() + r.last + 2);
        ++range.first, ++range.last;
    }
    return joined(lines);
}

std::string replaceRecord(std::string_view text, int index, std::string_view record) {
    std::vector<std::string_view> lines = storedLines(text);
    if (index < 0 || index >= int(lines.size()))
        return std::string(text);
    lines[std::size_t(index)] = record;
    return joined(lines);
}

void ListHistory::push(LineStore::Revert step) {
    if (step.count == 0 && step.text.empty())
        return;
    m_bytes += step.text.size();
    m_steps.push_back(std::move(step));
    while (m_steps.size() > kMaxSteps || (m_bytes > kMaxBytes && m_steps.size() > 1)) {
        m_bytes -= m_steps.front().text.size();
        m_steps.pop_front();
    }
}

std::optional<LineStore::Revert> ListHistory::undo() {
    if (m_steps.empty())
        return std::nullopt;
    LineStore::Revert step = std::move(m_steps.back());
    m_steps.pop_back();
    m_bytes -= step.text.size();
    return step;
}

void ListHistory::clear() {
    m_steps.clear();
    m_bytes = 0;
}

} // namespace qlx
