#pragma once

#include <QObject>
#include <QSizeF>
#include <memory>

#include "preview/ReportPreview.h"
#include "sheet/DeviceMapping.h"
#include "sheet/LabelSheet.h"

class QPrinter;
class QWidget;

namespace qlx {

// The label sheet report: the label sheet with the printer settings, kept for the run. It
// previews itself in a preview window over a fresh page store and prints itself on request of
// that window; its pages are laid on the paper those settings turn.
class SheetReport : public QObject, public LabelSheet {
    Q_OBJECT
public:
    explicit SheetReport(QWidget* owner);
    ~SheetReport() override;

    // Opens the preview window on a fresh page store, produces the page into it and returns
    // once the window has closed. A request while the page is being produced is ignored.
    void preview();
    // Produces the page once more on the printer, with the print progress dialog.
    void print(QWidget* parent);

    ReportPreview& previewer() { return *m_previewer; }

protected:
    QSizeF pagePaper() const override;

private:
    std::unique_ptr<ReportPreview> m_previewer;
};

// The mapping for a printer that paints from the corner of its printable area (not full
// page): its resolution, with the unprintable left and top margins as offsets.
DeviceMapping printerMapping(const QPrinter& printer);

} // namespace qlx
