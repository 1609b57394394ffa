// libFuzzer entry for the prepared report file reader. Build and run with `make fuzz`.
// Whatever the bytes, reading must end in a value or a qlx::Error: no crash, no hang, no
// outsized allocation.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "pagestore/PageStream.h"
#include "pagestore/ReportFileReader.h"
#include "stores/Error.h"

using namespace qlx;

namespace {

void walkEveryPage(const ReportFileReader& reader, qint32 pages) {
    PagePosition at;
    QByteArray forward;
    for (qint32 page = 1; page <= pages; ++page) {
        at = reader.locate(page, pages, at);
        forward += reader.picture(at);
    }
    QByteArray backward;
    for (qint32 page = pages; page >= 1; --page) {
        at = reader.locate(page, pages, at);
        backward.prepend(reader.picture(at));
    }
    if (forward != backward)
        std::abort(); // the two walks disagree on a file the check accepted
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PageStream stream;
    try {
        stream.append(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const Error&) {
        return 0;
    }
    const ReportFileReader reader(stream);
    try {
        walkEveryPage(reader, reader.validate());
    } catch (const Error&) {
    }
    // Walks over a stream that was never checked must fail cleanly as well, from any start.
    for (qint32 page = 1; page <= 4; ++page) {
        try {
            const PagePosition from{3, static_cast<qint64>(size / 2)};
            reader.picture(reader.locate(page, 4, from));
        } catch (const Error&) {
        }
    }
    return 0;
}
