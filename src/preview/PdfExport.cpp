#include "preview/PdfExport.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "pagestore/AtomicSave.h"
#include "pagestore/PreviewDocument.h"
#include "stores/Error.h"

namespace qlx {

namespace {

// A4 in tenths of a millimetre, width across.
const QSizeF kA4Tenths(2100, 2970);

} // namespace

void writePagesAsPdf(const QString& path, int pageCount, const PageProducer& draw,
                     const PdfDescription& description) {
    const std::string cannotWrite = "Cannot write file " + path.toStdString();
    try {
        AtomicSave::write(path, [&](QIODevice& out) {
            QPdfWriter pdf(&out);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            pdf.setResolution(kPdfDpi);
            pdf.setCreator(description.creator);
            pdf.setTitle(description.title);
            QPainter painter;
            if (!painter.begin(&pdf))
                throw Error(cannotWrite);
            // Bitmaps go in as Flate-compressed pixels, not JPEG.
            painter.setRenderHint(QPainter::LosslessImageRendering);
            PageTarget target;
            target.dpiX = target.dpiY = kPdfDpi;
            target.paperTenthsMm = kA4Tenths;
            for (target.page = 1; target.page <= pageCount; ++target.page) {
                if (target.page > 1)
                    pdf.newPage();
                draw(painter, target);
            }
            if (!painter.end())
                throw Error(cannotWrite);
        });
    } catch (const Error& failure) {
        // Every failure names the file, whichever step it came from.
        const std::string why = failure.what();
        if (why.find(path.toStdString()) != std::string::npos)
            throw;
        throw Error(cannotWrite + ": " + why);
    }
}

void writeDocumentAsPdf(const QString& path, const PreviewDocument& document,
                        const PdfDescription& description) {
    writePagesAsPdf(
        path, document.pagesAvailable(),
        [&document](QPainter& painter, const PageTarget& target) {
            document.drawPage(target.page, painter,
                              physicalPageRect(target, document.pageFrameTenthsMm(target.page)));
        },
        description);
}

} // namespace qlx
