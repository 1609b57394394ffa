#pragma once

#include <optional>
#include <string>
#include <string_view>

// Locality completion and cache update over the whole text of the locality cache
// (cachedloc.txt): one entry per line, a "|" followed by the locality as it was added.
// A typed beginning completes to the first entry that starts with it; when nothing matches,
// the completion is empty, so that a caller keeps the typed text rather than an earlier
// completion. Adding a record whose locality occurs nowhere in the cache appends it and
// rewrites the file; an empty cache is loaded before a completion and before an update
// (localityCacheNeedsLoad), so that an update never replaces entries not yet read.
namespace qlx {

struct LocalityCompletion {
    // The key "|" + typed text occurs in the cache.
    bool matched = false;
    // The first entry that starts with the typed text; empty when nothing matched.
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
// the line break. With an empty mineral text (the mineral of the label last drawn) a match
// completes to the empty text. The cache text is searched in place, never copied.
LocalityCompletion completeLocality(std::string_view cacheText, std::string_view typed,
                                    std::string_view mineralText);

// What Enter puts into the locality field after a completion: the last completion, unless
// it is empty or still `noCompletionYet`, the text that stood before any completion.
std::optional<std::string> localityFieldAfterEnter(std::string_view lastCompletion,
                                                   std::string_view noCompletionYet);

// Whether adding a record with this locality grows the cache: only when "|" + locality
// occurs nowhere in the cache text (so the beginning of a cached locality is never cached).
LocalityCacheUpdate localityCacheUpdate(std::string_view cacheText, std::string_view locality);

} // namespace qlx
