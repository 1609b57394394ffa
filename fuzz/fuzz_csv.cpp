// libFuzzer entry for the spreadsheet (CSV) list reader and writer. Build and run with
// `make fuzz`. Every input is refused with qlx::Error or read into well-formed list text, and
// what the writer makes of a list reads back to that list once its fields are settled.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "stores/CsvList.h"
#include "stores/Error.h"
#include "stores/Utf8.h"

namespace {

// UTF-8 lines, each ended by CR LF, with no other CR or LF.
bool wellFormedList(const std::string& text) {
    if (!qlx::utf8::isValid(text))
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))
            return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return false;
    }
    return text.empty() || text.size() >= 2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string list;
    try {
        list = qlx::csv::listTextFromCsv(bytes, "fuzz.csv");
    } catch (const qlx::Error&) {
        return 0; // refused with a message: what a damaged file should get
    }
    if (!wellFormedList(list))
        std::abort();
    // A field holding a bar splits when written; after one round the fields are settled and
    // every further round gives the same list.
    const std::string settled = qlx::csv::listTextFromCsv(qlx::csv::csvFromListText(list), "f.csv");
    if (!wellFormedList(settled) ||
        qlx::csv::listTextFromCsv(qlx::csv::csvFromListText(settled), "f.csv") != settled)
        std::abort();
    return 0;
}
