// libFuzzer entry for the plain-text load of the line store (the bytes of a file, after it is
// read) and its line access. Build and run with `make fuzz`.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "stores/LineStore.h"
#include "stores/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // A file's bytes read either way give well-formed UTF-8, and a text written for a shared
    // file reads back as it was.
    for (const std::string& read :
         {qlx::utf8::decodeMarkedFile(bytes), qlx::utf8::decodeAnyTextFile(bytes)}) {
        if (!qlx::utf8::isValid(read) ||
            qlx::utf8::decodeMarkedFile(qlx::utf8::encodeSharedFile(read)) != read)
            std::abort();
    }
    qlx::LineStore store;
    store.setText(bytes);
    const std::string& text = store.text();
    // CR and LF only ever come as CR LF, and nothing else changed.
    std::size_t crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n')
                std::abort();
            ++crlf;
            ++i;
        } else if (text[i] == '\n') {
            std::abort();
        }
    }
    for (int i = 0; i < store.count(); ++i)
        if (store.line(i).size() > qlx::LineStore::kMaxLineRead)
            std::abort();
    if (store.count() < static_cast<int>(crlf) || store.count() > static_cast<int>(crlf) + 1)
        std::abort();
    // Add keeps the text ending with CR LF exactly when it did, and adds one line.
    const bool ended = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    const int before = store.count();
    store.add("|x|y|z|");
    const bool ends = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    if ((ended || before == 0) != ends || store.count() != before + 1)
        std::abort();
    return 0;
}
