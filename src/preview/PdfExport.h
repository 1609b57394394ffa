#pragma once

#include <QString>

#include "preview/ReportPrinting.h"

namespace qlx {

class PreviewDocument;

// The PDF the program writes of a report: every page on A4 without margins, drawn by the
// report itself at kPdfDpi, with its bitmaps as lossless (Flate) images so that the text on
// the labels stays sharp. The file is replaced only once it has been written whole.
constexpr int kPdfDpi = 1200;

struct PdfDescription {
    QString creator;
    QString title;
};

// Draws pages 1 to `pageCount` with `draw` into the PDF at `path`. Throws qlx::Error naming
// the file when it cannot be written; the file is then left as it was.
void writePagesAsPdf(const QString& path, int pageCount, const PageProducer& draw,
                     const PdfDescription& description);

// The pages of a document (as loaded from a report file) into a PDF, each played at its
// recorded physical size from the paper's top-left corner.
void writeDocumentAsPdf(const QString& path, const PreviewDocument& document,
                        const PdfDescription& description);

} // namespace qlx
