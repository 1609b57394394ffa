#include "stores/LocalityCache.h"

#include <utility>

#include "stores/Utf8.h"

namespace qlx {

namespace {

constexpr char kBar = '|';

std::string entryKey(std::string_view locality) {
    std::string key(1, kBar);
    key += locality;
    return key;
}

// The text after the matched bar at `bar`.
std::string completionAfter(std::string_view text, std::size_t bar) {
    const std::size_t start = bar + 1;
    const std::size_t nextBar = text.find(kBar, start);
    if (nextBar == std::string_view::npos) {
        // The last entry: the rest of its line, without the line break.
        const std::size_t lineEnd = text.find_first_of("\r\n", start);
        return std::string(text.substr(
            start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start));
    }
    // Leave out the CR LF that ends the entry's line, whatever the two characters are.
    const std::size_t end = utf8::previous(text, utf8::previous(text, nextBar));
    if (end <= start)
        return {};
    return std::string(text.substr(start, end - start));
}

} // namespace

LocalityCompletion completeLocality(std::string_view cacheText, std::string_view typed,
                                    std::string_view mineralText) {
    LocalityCompletion result;
    const std::size_t match = cacheText.find(entryKey(typed));
    if (match == std::string_view::npos)
        return result;
    result.matched = true;
    if (!mineralText.empty())
        result.completion = completionAfter(cacheText, match);
    return result;
}

std::optional<std::string> localityFieldAfterEnter(std::string_view lastCompletion,
                                                   std::string_view noCompletionYet) {
    if (lastCompletion.empty() || lastCompletion == noCompletionYet)
        return std::nullopt;
    return std::string(lastCompletion);
}

LocalityCacheUpdate localityCacheUpdate(std::string_view cacheText, std::string_view locality) {
    LocalityCacheUpdate update;
    std::string key = entryKey(locality);
    if (cacheText.find(key) != std::string_view::npos)
        return update;
    update.addAndSave = true;
    update.line = std::move(key);
    return update;
}

} // namespace qlx
