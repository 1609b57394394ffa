#pragma once

#include <QPageLayout>
#include <QString>

namespace qlx {

// The report's printer settings, kept for the whole run and changed by Printer setup.
struct PrintSettings {
    QString printerName; // empty: the system's default printer
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    int copies = 1;
    int firstPage = 0; // 0: no limit on that side
    int lastPage = 0;
    // What print jobs are called: the title, then the file the pages come from when there is
    // one ("Mineral labels - garden.rtf").
    QString jobTitle;
    QString jobSource;

    QString jobName() const {
        if (jobSource.isEmpty())
            return jobTitle;
        return jobTitle.isEmpty() ? jobSource : jobTitle + QStringLiteral(" - ") + jobSource;
    }

    // Whether page n goes to the printer under the first and last page limits.
    bool printsPage(int n) const {
        return (firstPage <= 0 || n >= firstPage) && (lastPage <= 0 || n <= lastPage);
    }
};

} // namespace qlx
