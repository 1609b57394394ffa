#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>
#include <optional>

#include "preview/PrintSettings.h"

class QWidget;

namespace qlx {

// Printer setup: the platform's print dialog preset from the report's settings. Tests answer
// through setHook instead of a person.
class PrinterSetupDialog {
public:
    struct Request {
        PrintSettings settings;
        int minPage = 0;
        int maxPage = 9999;
        int fromPage = 0;
        int toPage = 0;
        bool printerInstalled = false;
        // No printer listed because the print scheduler does not answer (not "no printers").
        bool schedulerUnreachable = false;
    };
    enum class Range { All, Selection, Pages };
    struct Answer {
        QString printerName;
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        int copies = 1;
        Range range = Range::All;
        int fromPage = 0;
        int toPage = 0;
    };
    // Returns the answer on OK, nothing on Cancel.
    using Hook = std::function<std::optional<Answer>(const Request&)>;

    // Shows the dialog; on OK the settings take the choices and true is returned. With no
    // printer installed a warning is shown and nothing changes.
    static bool run(QWidget* parent, PrintSettings& settings, int pageCount, bool finished);

    // The dialog's preset: page limits 1 to the page count when the pages are all there,
    // otherwise 0 to 9999.
    static Request requestFor(const PrintSettings& settings, int pageCount, bool finished,
                              bool printerInstalled);
    // The settings after OK: copies, printer and orientation kept; all pages or a selection
    // clear the page limits, a page range sets them.
    static PrintSettings applied(const PrintSettings& settings, const Answer& answer);

    static void setHook(Hook hook);

private:
    static std::optional<Answer> showDialog(QWidget* parent, const Request& request);
};

} // namespace qlx
