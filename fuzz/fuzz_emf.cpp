// libFuzzer entry for the EMF reader and player: every input is either refused with
// qlx::Error or checked and then drawn into a small image. Build with `make fuzz`.
#include "MetafileFuzz.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qlx::fuzz::startMetafileFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qlx::fuzz::fuzzMetafile(data, size, qlx::Metafile::Format::Emf);
    return 0;
}
