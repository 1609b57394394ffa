#pragma once

#include <QString>
#include <functional>

#include "stores/AtomicFile.h"

class QIODevice;

namespace qlx {

// The stores' AtomicFile seen as a QIODevice, for writers that fill a device: the content
// goes to a temporary file in the same folder, which replaces the target only once it has
// been written whole. When anything fails the target is left as it was and the temporary
// file is removed.
class AtomicSave {
public:
    // Throws qlx::Error "Cannot create file <path>" when the file cannot be made, "Failed to
    // Save Stream" when it cannot be written or put in place; whatever `fill` throws passes
    // through unchanged. `calls` are for tests that make the disk fail part way.
    static void write(const QString& path, const std::function<void(QIODevice&)>& fill,
                      SaveCalls calls = {});
};

} // namespace qlx
