#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <string>

#include "render/SheetRun.h"
#include "stores/Error.h"

namespace qlx {

// A failure and the file it concerns, so that the one-line message can name it.
class FileError : public Error {
public:
    FileError(const QString& file, const std::string& message)
        : Error(message)
        , m_file(file) {}
    const QString& file() const { return m_file; }

private:
    QString m_file;
};

// What an output file holds, chosen by its extension in any letter case.
enum class SheetOutputKind { ReportFile, Pdf, Png, Emf };
std::optional<SheetOutputKind> sheetOutputKind(const QString& path);

// One run of the sheet from a list file, as the command line asks for it.
struct SheetRenderJob {
    QString listPath;
    // The background's file, named when the background cannot be drawn on.
    QString backgroundPath;
    LabelAppearance appearance;
    QString dateLine;
    QDateTime reportDate; // written into a report file's header
    int firstSlot = 1;
    bool allPages = false; // every label, fifteen to a page; else the first sheet only
    bool compress = false; // a report file's page pictures compressed
    // Either a file to write or a printer to print on.
    QString outputPath;
    SheetOutputKind outputKind = SheetOutputKind::ReportFile;
    int dpi = 96; // of a PNG
    bool print = false;
    QString printerName; // empty: the default printer
    // Empty infos of the list are filled with their minerals' formulas from the database
    // (athena.txt in the data folder) before the labels are drawn; the list file is not
    // changed.
    bool fillFormulas = false;
};

// Reads the list, composes the labels onto as many sheets as the job asks for and writes or
// prints them. Returns the number of pages. Throws FileError; an output file is replaced only
// once it has been written whole. With fillFormulas, `fillSummary` (when given) gets what the
// fill did (formulaFillSummary).
int runSheetRender(const SheetRenderJob& job, std::string* fillSummary = nullptr);

// The header and page sizes of a prepared report file, one item a line; a page that cannot
// be drawn whole says so on its line, and `damaged` (when given) gets the first such page's
// number and reason. Throws FileError with the message Load report gives for a file that is
// missing or damaged.
struct DamagedPage {
    int page = 0; // 0: every page can be drawn whole
    std::string problem;
};
QString reportFileInfo(const QString& path, DamagedPage* damaged = nullptr);

// Page `page` (from 1) of a prepared report file as a PNG at `dpi` or as its own page
// picture. Throws FileError, also when the page cannot be drawn whole (the PNG is written
// all the same, with what could be drawn) or is larger than kMaxPagePixels at `dpi`.
void extractReportPage(const QString& path, int page, const QString& outputPath,
                       SheetOutputKind kind, int dpi);

// The sheets' pictures at `dpi` are held in memory whole: A4 at this resolution is about
// 140 MB.
constexpr int kMaxImageDpi = 600;
// The most pixels a page drawn to a bitmap may have: an A4 sheet at kMaxImageDpi. A page
// whose picture claims more at the asked resolution is refused before anything is drawn.
constexpr qint64 kMaxPagePixels = qint64(4961) * 7016;

} // namespace qlx
