#include "app/SheetCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextStream>
#include <functional>
#include <vector>

#include "app/SheetReport.h"
#include "metafile/Metafile.h"
#include "pagestore/AtomicSave.h"
#include "pagestore/PageStore.h"
#include "pagestore/PageStoreDocument.h"
#include "pagestore/PageStream.h"
#include "pagestore/ReportFileFormat.h"
#include "preview/PdfExport.h"
#include "preview/ReportPrinting.h"
#include "sheet/DeviceMapping.h"
#include "sheet/SheetDefinition.h"
#include "stores/CsvList.h"
#include "stores/DataFolder.h"
#include "stores/LabelList.h"
#include "stores/LineStore.h"
#include "stores/MineralDatabase.h"

namespace qlx {

namespace {

// The sheet's paper in tenths of a millimetre.
const QSizeF kA4(2100, 2970);

// Runs `step`, turning a failure into one that names `file`.
template <typename Step> auto about(const QString& file, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const FileError&) {
        throw;
    } catch (const TemporaryFileError&) {
        throw; // names the temporary file itself: the output is not at fault
    } catch (const Error& failure) {
        throw FileError(file, failure.what());
    }
}

// The records the job lays out: all of them, or without allPages those that fit on the first
// sheet from `firstSlot` on.
// The labels the first sheet has room for from `firstSlot` on.
int sheetRoom(int firstSlot) {
    return qMax(0, SheetDefinition::kSlotCount - firstSlot + 1);
}

std::vector<LabelRecord> sheetRecords(std::vector<LabelRecord> records, int firstSlot,
                                      bool allPages) {
    const std::size_t room = std::size_t(sheetRoom(firstSlot));
    if (!allPages && records.size() > room)
        records.resize(room);
    return records;
}

// Lays the labels out on the report's pages, as the window's "Render and preview" does.
void prepareSheets(SheetReport& report, const SheetRenderJob& job,
                   const std::vector<LabelRecord>& records) {
    about(job.backgroundPath, [&] { fillSheet(report, records, job.appearance, job.firstSlot); });
}

QImage whitePage(const QSize& pixels, int dpi) {
    QImage image(pixels, QImage::Format_RGB32);
    if (image.isNull())
        throw Error("Not enough memory for a page of " + std::to_string(pixels.width()) + " x " +
                    std::to_string(pixels.height()) + " pixels");
    image.fill(Qt::white);
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

// Page 1 of the sheet drawn straight onto a bitmap at `dpi`, as a printer of that resolution
// gets it.
QImage sheetImage(const SheetReport& report, int dpi) {
    const DeviceMapping device = DeviceMapping::screen(dpi);
    QImage image =
        whitePage(QSize(device.pageWidth(kA4.width()), device.pageHeight(kA4.height())), dpi);
    PageTarget target;
    target.dpiX = target.dpiY = dpi;
    target.paperTenthsMm = kA4;
    QPainter painter(&image);
    report.drawPage(painter, target);
    return image;
}

// A page picture played onto a bitmap at `dpi` (the picture's own size is at 96). `problem`
// gets what could not be drawn, if anything.
QImage playedPage(const Metafile& page, int dpi, std::string& problem) {
    const qint64 width = (qint64(page.size().width()) * dpi + 48) / 96;
    const qint64 height = (qint64(page.size().height()) * dpi + 48) / 96;
    if (width < 1 || height < 1 || width * height > kMaxPagePixels)
        throw Error("The page is too large to draw: " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels at " + std::to_string(dpi) +
                    " dpi (at most " + std::to_string(kMaxPagePixels) + " pixels)");
    const QSize pixels(static_cast<int>(width), static_cast<int>(height));
    QImage image = whitePage(pixels, dpi);
    QPainter painter(&image);
    page.play(painter, QRectF(QPointF(0, 0), QSizeF(pixels)), &problem);
    return image;
}

// What keeps a page from being drawn whole, found by drawing it small; empty when nothing.
std::string pageProblem(const Metafile& page) {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    std::string problem;
    page.play(painter, QRectF(0, 0, 32, 32), &problem);
    return problem;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    AtomicSave::write(path, [&](QIODevice& out) {
        if (out.write(bytes) != bytes.size())
            throw Error("Cannot write file " + path.toStdString());
    });
}

void writePng(const QString& path, const QImage& image) {
    AtomicSave::write(path, [&](QIODevice& out) {
        if (!image.save(&out, "PNG"))
            throw Error("Cannot write file " + path.toStdString());
    });
}

void writeReportFile(const SheetReport& report, const SheetRenderJob& job) {
    PageStore store(PageDestination::Pictures);
    for (int page = 1; page <= report.pageCount(); ++page)
        store.addPage(report.recordPage(page).bytes());
    store.finish(job.reportDate);
    store.saveToFile(job.outputPath, job.compress);
}

void writePdf(const SheetReport& report, const SheetRenderJob& job) {
    writePagesAsPdf(job.outputPath, report.pageCount(),
                    [&report](QPainter& painter, const PageTarget& target) {
                        report.drawPage(painter, target);
                    },
                    {QStringLiteral("qlxsheet"), QFileInfo(job.listPath).fileName()});
}

void print(SheetReport& report, const SheetRenderJob& job) {
    if (!job.printerName.isEmpty() && QPrinterInfo::printerInfo(job.printerName).isNull())
        throw Error("There is no printer " + job.printerName.toStdString());
    QPrinter printer(QPrinter::HighResolution);
    PrintSettings settings = report.previewer().settings();
    settings.printerName = job.printerName;
    settings.jobSource = QFileInfo(job.listPath).fileName();
    configurePrinter(printer, settings, QPageSize(QPageSize::A4), settings.jobName());
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error("Cannot start the print job on " + printer.printerName().toStdString());
    // The job is spooled as a PDF: labels lossless there too.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    PageTarget target = printerTarget(printer, kA4);
    for (target.page = 1; target.page <= report.pageCount(); ++target.page) {
        if (target.page > 1)
            printer.newPage();
        report.drawPage(painter, target);
    }
    painter.end();
}

PageStore& loadedReport(PageStore& store, const QString& path) {
    // Every page picture is read through as the window reads it, so that a damaged one is
    // refused with the window's message.
    PageStoreDocument::installPictureCheck();
    about(path, [&] {
        store.loadFromFile(path); // says which: missing, or not a file it can open
    });
    return store;
}

} // namespace

std::optional<SheetOutputKind> sheetOutputKind(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("lfp"))
        return SheetOutputKind::ReportFile;
    if (suffix == QLatin1String("pdf"))
        return SheetOutputKind::Pdf;
    if (suffix == QLatin1String("png"))
        return SheetOutputKind::Png;
    if (suffix == QLatin1String("emf"))
        return SheetOutputKind::Emf;
    return std::nullopt;
}

int runSheetRender(const SheetRenderJob& job, std::string* fillSummary) {
    // Read as "Open list" reads it: CSV by its extension, else RTF, else plain text.
    LineStore list(false);
    list.setLineLimit(kMaxListLines);
    about(job.listPath, [&] {
        const std::string path = job.listPath.toStdString();
        if (csv::isCsvPath(path))
            list.loadCsvFile(path);
        else
            list.loadFromFile(path);
    });
    if (job.fillFormulas) {
        LineStore database;
        const std::string athena = dataFilePath("athena.txt");
        about(QString::fromStdString(athena), [&] { database.loadFromFile(athena); });
        const FormulaFill fill = fillEmptyFormulas(list.text(), mineralEntries(database.text()));
        list.setText(fill.listText);
        if (fillSummary)
            *fillSummary = formulaFillSummary(fill);
    }
    // Only the records the sheets place are split: the first sheet's, unless every page is
    // asked for.
    const std::vector<LabelRecord> records = sheetRecords(
        labelListRecords(list.text(),
                         job.allPages ? std::size_t(-1) : std::size_t(sheetRoom(job.firstSlot))),
        job.firstSlot, job.allPages);

    SheetReport report(nullptr);
    report.setDateLineCaption(job.dateLine);
    if (job.print) {
        // Checked before any label is composed: without a spooler there is no printer to name.
        if (!printerInstalled())
            throw Error("no printer is installed");
        prepareSheets(report, job, records);
        // A failure names the queue asked for; the default one has no name to give.
        if (job.printerName.isEmpty())
            print(report, job);
        else
            about(job.printerName, [&] { print(report, job); });
        return report.pageCount();
    }
    prepareSheets(report, job, records);
    about(job.outputPath, [&] {
        switch (job.outputKind) {
        case SheetOutputKind::ReportFile:
            writeReportFile(report, job);
            break;
        case SheetOutputKind::Pdf:
            writePdf(report, job);
            break;
        case SheetOutputKind::Png:
            writePng(job.outputPath, sheetImage(report, job.dpi));
            break;
        case SheetOutputKind::Emf:
            writeBytes(job.outputPath, report.recordPage().bytes());
            break;
        }
    });
    return report.pageCount();
}

QString reportFileInfo(const QString& path, DamagedPage* damaged) {
    PageStore store(PageDestination::Pictures);
    loadedReport(store, path);
    QFile file(path);
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(ReportFileFormat::kHeaderSize);
    if (head.size() < ReportFileFormat::kHeaderSize)
        throw FileError(path, "Cannot open file " + path.toStdString());
    const ReportFileFormat::Header header = ReportFileFormat::decodeHeader(head);

    QString text;
    QTextStream out(&text);
    out << "file: " << path << '\n';
    out << "version: " << header.version << '\n';
    out << "pages: " << store.pageCount() << '\n';
    out << "date: " << ReportFileFormat::fromDays(header.date).toString(Qt::ISODate) << '\n';
    out << "compression: "
        << (header.compression == ReportFileFormat::kPlain ? QStringLiteral("none")
            : header.compression == ReportFileFormat::kCompressed
                ? QStringLiteral("zlib")
                : QString::number(header.compression))
        << '\n';
    for (int page = 1; page <= store.pageCount(); ++page) {
        const QByteArray bytes = about(path, [&] { return store.readPage(page); });
        const Metafile picture = about(path, [&] { return Metafile::fromBytes(bytes); });
        out << "page " << page << ": " << picture.size().width() << " x " << picture.size().height()
            << " pixels, " << QString::number(picture.frameMm().width(), 'f', 1) << " x "
            << QString::number(picture.frameMm().height(), 'f', 1) << " mm, " << bytes.size()
            << " bytes";
        const std::string problem = pageProblem(picture);
        if (!problem.empty()) {
            out << ", cannot be drawn whole: " << QString::fromStdString(problem);
            if (damaged && damaged->page == 0)
                *damaged = DamagedPage{page, problem};
        }
        out << '\n';
    }
    return text;
}

void extractReportPage(const QString& path, int page, const QString& outputPath,
                       SheetOutputKind kind, int dpi) {
    PageStore store(PageDestination::Pictures);
    loadedReport(store, path);
    const QByteArray bytes = about(path, [&] { return store.readPage(page); });
    const Metafile picture = about(path, [&] { return Metafile::fromBytes(bytes); });
    std::string problem;
    if (kind == SheetOutputKind::Emf) {
        problem = pageProblem(picture);
        about(outputPath, [&] { writeBytes(outputPath, bytes); });
    } else {
        const QImage image = about(path, [&] { return playedPage(picture, dpi, problem); });
        about(outputPath, [&] { writePng(outputPath, image); });
    }
    if (!problem.empty())
        throw FileError(path,
                        "Page " + std::to_string(page) + " cannot be drawn whole: " + problem);
}

} // namespace qlx
