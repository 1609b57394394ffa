#include "app/SheetReport.h"

#include <QPrinter>
#include <QWidget>

#include "pagestore/PageStoreDocument.h"

namespace qlx {

SheetReport::SheetReport(QWidget* owner)
    : QObject(owner) {
    m_previewer = std::make_unique<ReportPreview>(
        [this]() -> std::unique_ptr<PreviewDocument> {
            return std::make_unique<PageStoreDocument>(m_previewer->pagePaper(), this);
        },
        ReportPreview::Production([this](PreviewDocument& document) { return produce(document); }),
        [this](QPainter& painter, const PageTarget& target) { drawPage(painter, target); },
        [this] { return pageCount(); });
    m_previewer->settings().jobTitle = QStringLiteral("Mineral labels");
}

SheetReport::~SheetReport() = default;

QSizeF SheetReport::pagePaper() const {
    return m_previewer->pagePaper();
}

void SheetReport::preview() {
    m_previewer->preview();
}

void SheetReport::print(QWidget* parent) {
    m_previewer->print(parent);
}

DeviceMapping printerMapping(const QPrinter& printer) {
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QPointF margin = printer.fullPage() ? QPointF() : printable.topLeft() - paper.topLeft();
    return DeviceMapping::printer(printer.logicalDpiX(), printer.logicalDpiY(), qRound(margin.x()),
                                  qRound(margin.y()));
}

} // namespace qlx
