#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "stores/LineStore.h"

// Edits of the label list by whole records: each record is one stored line of the list text
// (see storedLines), however the box that shows it wraps it. Every edit returns the whole new
// text with each line ended by CR LF, the list's own line break. Ranges count records from 0
// and are clamped to the list; an empty range changes nothing.
namespace qlx {

struct RecordRange {
    int first = 0;
    int last = -1; // inclusive; last < first is the empty range
    bool empty() const { return last < first; }
    bool operator==(const RecordRange& o) const { return first == o.first && last == o.last; }
};

std::string deleteRecords(std::string_view text, RecordRange range);

// The records of the range once more, right after the range.
std::string duplicateRecords(std::string_view text, RecordRange range);

// Moves the range one record up (delta < 0) or down (delta > 0); at the list's top or bottom
// nothing moves. `range` becomes where the records now stand.
std::string moveRecords(std::string_view text, RecordRange& range, int delta);

// Record `index` replaced by `record`; the text unchanged when there is no such record.
std::string replaceRecord(std::string_view text, int index, std::string_view record);

// What takes back each record edit of the list, newest last, so that each edit can be taken
// back as one step. A step holds only the lines the edit replaced, never the whole list.
// Bounded by steps and by bytes: the oldest steps go first.
class ListHistory {
public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kMaxBytes = std::size_t(64) * 1024 * 1024;

    // A step that changed nothing (count 0, no text) is not kept.
    void push(LineStore::Revert step);
    // What takes back the newest edit, which leaves the history; nothing when it is empty.
    std::optional<LineStore::Revert> undo();
    bool canUndo() const { return !m_steps.empty(); }
    void clear();

private:
    std::deque<LineStore::Revert> m_steps;
    std::size_t m_bytes = 0;
};

} // namespace qlx
