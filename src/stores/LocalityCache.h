#pragma once

#include <optional>
#include <string>
#include <string_view>

// Locality completion and cache update over the whole text of the locality cache
// (cachedloc.txt): one entry per line, a "|" followed by the locality as it was added.
//
// How the window uses it:
//   Button1Click: if localityCacheNeedsLoad(cache text), load cachedloc.txt into the
//     cache store (a load error ends the click). Then
//     c = completeLocality(cache text, Edit6 text, Edit1 text); lastlocality = c.completion,
//     which is empty when nothing matched, so that Enter keeps the typed text.
//   Edit6KeyDown, on Enter: click Button1, then if localityFieldAfterEnter(lastlocality)
//     gives a text, set Edit6 to it.
//   Button6Click, after the record is in the list: u = localityCacheUpdate(cache text,
//     Edit6 text); if u.addAndSave, Add(u.line) to the cache store and save the store to
//     cachedloc.txt (the cache store is not reloaded here, even when it is empty).
namespace qlx {

// The caption lastlocality starts with; it stands for "no completion yet".
inline constexpr std::string_view kNoLocalityCompletion = "lastlocality";

struct LocalityCompletion {
    // The key "|" + typed text occurs in the cache.
    bool matched = false;
    // The new caption of lastlocality; empty when nothing matched.
    std::string completion;
};

struct LocalityCacheUpdate {
    // The locality is new: append `line` to the cache store and rewrite the cache file.
    bool addAndSave = false;
    std::string line;
};

// True when the cache store holds nothing yet and must be loaded before a completion.
inline bool localityCacheNeedsLoad(std::string_view cacheText) {
    return cacheText.empty();
}

// The completion of the typed beginning: everything after the first "|" + typed text up
// to the next bar, less the two characters (the CR LF ending the entry's line) before that
// bar. The last entry has no bar after it; it completes to the rest of its line without
// the line break. With an empty mineral text (`edit1Text`, the hidden Edit1) a match
// completes to the empty text. The cache text is searched in place, never copied.
LocalityCompletion completeLocality(std::string_view cacheText, std::string_view typed,
                                    std::string_view edit1Text);

// What Enter puts into the locality field after a completion: the caption of
// lastlocality, unless it is empty or still the initial "lastlocality".
std::optional<std::string> localityFieldAfterEnter(std::string_view lastLocalityCaption);

// Whether adding a record with this locality grows the cache: only when "|" + locality
// occurs nowhere in the cache text (so the beginning of a cached locality is never cached).
LocalityCacheUpdate localityCacheUpdate(std::string_view cacheText, std::string_view locality);

} // namespace qlx
