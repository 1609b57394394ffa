// libFuzzer entry for the RTF reader. Build and run with `make fuzz`.
// Beyond not crashing, it checks that whatever text the reader gives (with its line breaks
// made CR LF, as the line store does) survives our writer and the reader again unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "stores/LineStore.h"
#include "stores/Rtf.h"
#include "stores/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto text = qlx::rtf::read(input);
    if (!text)
        return 0;
    // The text can never be much longer than the document: a byte of it gives at most one
    // character of three UTF-8 bytes.
    if (text->size() > 3 * size + 2 || !qlx::utf8::isValid(*text))
        std::abort();
    const std::string lines = qlx::LineStore::normaliseLineBreaks(*text);
    const auto again = qlx::rtf::read(qlx::rtf::write(lines));
    if (!again || *again != lines)
        std::abort();
    return 0;
}
