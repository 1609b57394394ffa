#include "stores/LabelList.h"

#include <charconv>
#include <cstdint>

namespace qlx {

namespace {

constexpr char kBar = '|';

} // namespace

std::string makeLabelRecord(std::string_view mineral, std::string_view locality,
                            std::string_view info) {
    std::string record;
    record.reserve(mineral.size() + locality.size() + info.size() + 4);
    record += kBar;
    record += mineral;
    record += kBar;
    record += locality;
    record += kBar;
    record += info;
    record += kBar;
    return record;
}

LabelRecord splitLabelRecord(std::string_view line) {
    LabelRecord record;
    if (line.size() < 2)
        return record;
    std::string* const fields[] = {&record.mineral, &record.locality, &record.info};
    std::size_t fieldStart = 1; // the first character is never looked at
    for (std::string* field : fields) {
        const std::size_t bar = line.find(kBar, fieldStart);
        if (bar == std::string_view::npos)
            break; // this field and the ones after it stay empty
        field->assign(line.substr(fieldStart, bar - fieldStart));
        fieldStart = bar + 1;
    }
    return record;
}

std::vector<std::string_view> storedLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

std::vector<LabelRecord> labelListRecords(std::string_view listText, std::size_t most) {
    std::vector<LabelRecord> records;
    std::size_t start = 0;
    while (start < listText.size() && records.size() < most) {
        std::size_t end = listText.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = listText.size();
        records.push_back(splitLabelRecord(listText.substr(start, end - start)));
        start = end + 1;
        if (end < listText.size() && listText[end] == '\r' && start < listText.size() &&
            listText[start] == '\n')
            ++start;
    }
    return records;
}

std::string nextLabelCount(std::string_view caption) {
    std::uint64_t count = 0;
    const char* const end = caption.data() + caption.size();
    const auto [stop, error] = std::from_chars(caption.data(), end, count);
    if (error != std::errc() || stop != end)
        count = 0;
    if (count == UINT64_MAX)
        return std::string(caption); // cannot grow further; never reached by counting
    return std::to_string(count + 1);
}

std::optional<std::string> infoAfterFormulaChange(bool infoIsFormula, std::string_view formula) {
    if (!infoIsFormula)
        return std::nullopt;
    return std::string(formula);
}

} // namespace qlx
