#pragma once

#include <QString>

#include "stores/Error.h"

namespace qlx {

// A prepared report file, or a page store's stream, that does not hold what its layout
// promises. The message the user sees is always the same; `reason` says what was wrong, for
// tests and for whoever looks into a damaged file.
class ReportFileError : public Error {
public:
    explicit ReportFileError(const QString& reason)
        : Error("Not a valid report file")
        , m_reason(reason) {}

    const QString& reason() const { return m_reason; }

private:
    QString m_reason;
};

} // namespace qlx
