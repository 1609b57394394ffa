#pragma once

#include <QString>
#include <functional>

class QIODevice;

namespace qlx {

// Replaces a file only once its new content has been written whole: the content goes to a
// temporary file in the same folder, which is renamed over the target at the end. When
// anything fails the target is left as it was and the temporary file is removed.
class AtomicSave {
public:
    // Throws qlx::Error "Cannot create file <path>" when the file cannot be made or put in
    // place; whatever `fill` throws passes through unchanged.
    static void write(const QString& path, const std::function<void(QIODevice&)>& fill);
};

} // namespace qlx
