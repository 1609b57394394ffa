// qlxsheet: the label sheet from the command line. It draws the sheet with the same run as
// the window's "Render and preview" and reads and writes the same prepared report files; all
// it adds is the reading of its arguments.
#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

#include "app/SheetCommands.h"
#include "metafile/MetafilePicture.h"
#include "pagestore/TemporaryFolder.h"
#include "pictures/ClockDateTime.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "render/SheetRun.h"

namespace {

using namespace qlx;

constexpr int kBadInput = 1;
constexpr int kBadUsage = 2;

const char kDescription[] =
    "Composes mineral labels onto the label sheet, and reads prepared report files.\n"
    "\n"
    "Commands:\n"
    "  render LIST -o OUT    the sheet for the first labels of LIST (.csv, RTF or\n"
    "                        plain text); OUT by its extension: .LFP, .pdf, .png, .emf\n"
    "  render LIST --print[=QUEUE]\n"
    "                        the sheet on a printer (the default one without QUEUE)\n"
    "  info FILE.LFP         checks a prepared report file and shows its header and pages\n"
    "  page FILE.LFP N -o OUT.png|OUT.emf\n"
    "                        page N of a prepared report file\n"
    "\n"
    "Fonts are given as FAMILY,SIZE[px|pt][,bold][,italic][,underline][,strikeout];\n"
    "a size without a unit is in pixels. --correction takes a row (mineral, locality or\n"
    "info) and two signed pixel offsets, and may be given once per row.\n"
    "Exit status: 0 done, 1 bad input (a file missing, unreadable or damaged), 2 bad usage.";

// Bad usage: a message of one line and exit status 2.
struct UsageError {
    QString message;
};

// A write to standard output that fails (a full disk, a closed pipe) is a failure of the
// command, not a silent loss.
struct OutputError {};

void writeOut(const QByteArray& text) {
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) ||
        std::fflush(stdout) != 0)
        throw OutputError{};
}

// This program's messages go here: standard error as it was when the program started.
FILE* g_messages = stderr;

// A note on the run, on this program's message stream.
void message(const QString& text) {
    std::fprintf(g_messages, "qlxsheet: %s\n", qPrintable(text));
    std::fflush(g_messages);
}

void fail(const QString& message) {
    std::fprintf(g_messages, "qlxsheet: %s\n", qPrintable(message.simplified()));
    std::fflush(g_messages);
}

// Libraries below Qt (libpng's errors, for one) write to standard error themselves, which no
// message handler sees. Our messages keep a copy of standard error, and the libraries' own
// stream goes to /dev/null, so that a failure is one line. QLX_LIBRARY_STDERR=1 keeps it for
// debugging.
void keepStandardErrorForMessages() {
    if (qEnvironmentVariableIntValue("QLX_LIBRARY_STDERR") == 1)
        return;
    const int copy = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    FILE* messages = copy >= 0 ? fdopen(copy, "w") : nullptr;
    if (messages && null >= 0 && dup2(null, STDERR_FILENO) >= 0)
        g_messages = messages;
    else if (messages)
        std::fclose(messages);
    if (null >= 0)
        close(null);
}

// Arguments that QCommandLineParser has no form for are rewritten first: "--correction ROW X
// Y" becomes one value, and "--print=QUEUE" (an optional value) a flag and a queue.
QStringList normalisedArguments(const QStringList& in) {
    QStringList out;
    for (int i = 0; i < in.size(); ++i) {
        const QString& a = in[i];
        if (a == QLatin1String("--correction")) {
            if (i + 3 >= in.size())
                throw UsageError{QStringLiteral("--correction needs a row and two offsets")};
            out << QStringLiteral("--correction=%1,%2,%3").arg(in[i + 1], in[i + 2], in[i + 3]);
            i += 3;
        } else if (a.startsWith(QLatin1String("--print="))) {
            out << QStringLiteral("--print") << QStringLiteral("--queue")
                << a.mid(int(qstrlen("--print=")));
        } else {
            out << a;
        }
    }
    return out;
}

int parseInt(const QString& text, const QString& what, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError{QStringLiteral("%1 must be a whole number from %2 to %3, not '%4'")
                             .arg(what)
                             .arg(low)
                             .arg(high)
                             .arg(text)};
    return value;
}

LabelFont parseFont(const QString& spec, LabelFont font) {
    const QStringList parts = spec.split(QLatin1Char(','));
    const QRegularExpression sizeForm(QStringLiteral("^(\\d{1,4}(?:\\.\\d+)?)\\s*(px|pt)?$"));
    const QRegularExpressionMatch size = parts.size() >= 2
                                             ? sizeForm.match(parts[1].trimmed().toLower())
                                             : QRegularExpressionMatch();
    if (parts[0].trimmed().isEmpty() || !size.hasMatch())
        throw UsageError{
            QStringLiteral("a font is FAMILY,SIZE[px|pt][,bold][,italic], not '%1'").arg(spec)};
    font.face = fromQString(parts[0].trimmed());
    const double value = size.captured(1).toDouble();
    font.pixelHeight = size.captured(2) == QLatin1String("pt") ? LabelFont::pixelsFromPoints(value)
                                                               : qRound(value);
    if (font.pixelHeight < 1 || font.pixelHeight > 1000)
        throw UsageError{QStringLiteral("a font size must be from 1 to 1000 pixels, not '%1'")
                             .arg(parts[1].trimmed())};
    font.bold = font.italic = font.underline = font.strikeOut = false;
    for (int i = 2; i < parts.size(); ++i) {
        const QString style = parts[i].trimmed().toLower();
        if (style == QLatin1String("bold"))
            font.bold = true;
        else if (style == QLatin1String("italic"))
            font.italic = true;
        else if (style == QLatin1String("underline"))
            font.underline = true;
        else if (style == QLatin1String("strikeout"))
            font.strikeOut = true;
        else
            throw UsageError{QStringLiteral("unknown font style '%1' in '%2'").arg(style, spec)};
    }
    return font;
}

void applyCorrection(const QString& value, LabelCorrections& corrections) {
    const QStringList parts = value.split(QLatin1Char(','));
    if (parts.size() != 3)
        throw UsageError{QStringLiteral("--correction needs a row and two offsets")};
    const QString row = parts[0].toLower();
    const int x = parseInt(parts[1], QStringLiteral("a correction"), -100000, 100000);
    const int y = parseInt(parts[2], QStringLiteral("a correction"), -100000, 100000);
    if (row == QLatin1String("mineral"))
        corrections.mineralX = x, corrections.mineralY = y;
    else if (row == QLatin1String("locality"))
        corrections.localityX = x, corrections.localityY = y;
    else if (row == QLatin1String("info"))
        corrections.infoX = x, corrections.infoY = y;
    else
        throw UsageError{QStringLiteral("a correction's row is mineral, locality or info, not '%1'")
                             .arg(parts[0])};
}

// The label background: one of the stock pictures, found as the window finds them, or a
// picture file.
QString backgroundPath(const QString& choice) {
    if (choice == QLatin1String("complete"))
        return stockBackgroundPath(BackgroundChoice::Complete);
    if (choice == QLatin1String("clean"))
        return stockBackgroundPath(BackgroundChoice::Clean);
    if (choice == QLatin1String("reduced"))
        return stockBackgroundPath(BackgroundChoice::Reduced);
    return choice;
}

// The report file's header date: the --date text when it is an ISO 8601 date or date and
// time, so that a reproducible run gives the same file; else the time of the run.
QDateTime reportDate(const QString& text) {
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid())
            when = day.startOfDay();
    }
    return when.isValid() ? when : clockDateTime();
}

struct Options {
    QCommandLineOption output{{"o", "output"}, "The file to write.", "OUT"};
    QCommandLineOption background{"background",
                                  "Label background: complete (default), clean, reduced, or a "
                                  "picture file.",
                                  "complete|clean|reduced|FILE", "complete"};
    QCommandLineOption mineralFont{"mineral-font", "Font of the mineral row (Arial,37px).", "FONT"};
    QCommandLineOption localityFont{"locality-font", "Font of the locality row (Arial,37px).",
                                    "FONT"};
    QCommandLineOption infoFont{"info-font", "Font of the info row (Arial,27px).", "FONT"};
    QCommandLineOption correction{"correction",
                                  "Moves a row's text by X, Y pixels (ROW: mineral, locality or "
                                  "info).",
                                  "ROW X Y"};
    QCommandLineOption fitLongRows{"fit-long-rows",
                                   "Mineral and locality rows too wide for the label are drawn "
                                   "smaller (down to 60 %), then shortened with an ellipsis."};
    QCommandLineOption date{"date", "The sheet's date line (default: the time and date now).",
                            "TEXT"};
    QCommandLineOption start{"start", "Slot of the first label, 1 to 15 (default 1).", "N", "1"};
    QCommandLineOption all{"all", "Every label of the list, 15 to a page (.LFP, .pdf, print)."};
    QCommandLineOption compress{"compress", "Writes the .LFP's page pictures compressed (older "
                                            "readers cannot open such a file)."};
    QCommandLineOption dpi{"dpi", "Resolution of a .png (default 96).", "DPI", "96"};
    QCommandLineOption print{"print", "Prints the sheet; --print=QUEUE names the printer."};
    QCommandLineOption queue{"queue", "The printer to print on.", "QUEUE"};
    QCommandLineOption fillFormulas{"fill-formulas",
                                    "Empty infos get their minerals' formulas from the database "
                                    "(the list file is not changed)."};

    Options() { queue.setFlags(QCommandLineOption::HiddenFromHelp); }
    QList<QCommandLineOption> list() const {
        return {output,     background,  mineralFont, localityFont, infoFont,
                correction, fitLongRows, date,        start,        all,
                compress,   dpi,         print,       queue,        fillFormulas};
    }
};

void requirePositionals(const QStringList& args, int count, const char* form) {
    if (args.size() != count)
        throw UsageError{QStringLiteral("usage: qlxsheet %1").arg(QLatin1String(form))};
}

// The render options only make sense with render.
void refuseRenderOptions(const QCommandLineParser& parser, const Options& o, const QString& cmd) {
    for (const QCommandLineOption& option :
         {o.background, o.mineralFont, o.localityFont, o.infoFont, o.correction, o.fitLongRows,
          o.date, o.start, o.all, o.compress, o.print, o.queue, o.fillFormulas})
        if (parser.isSet(option))
            throw UsageError{
                QStringLiteral("--%1 does not go with %2").arg(option.names().constLast(), cmd)};
}

SheetOutputKind outputKindOf(const QString& path, bool pageOnly) {
    const std::optional<SheetOutputKind> kind = sheetOutputKind(path);
    if (!kind || (pageOnly && *kind != SheetOutputKind::Png && *kind != SheetOutputKind::Emf))
        throw UsageError{QStringLiteral("cannot tell what to write from the name '%1' (use %2)")
                             .arg(path, pageOnly ? "OUT.png or OUT.emf"
                                                 : "OUT.LFP, OUT.pdf, OUT.png or OUT.emf")};
    return *kind;
}

int render(const QCommandLineParser& parser, const Options& o) {
    const QStringList args = parser.positionalArguments();
    requirePositionals(args, 2, "render LIST (-o OUT | --print[=QUEUE]) [options]");
    SheetRenderJob job;
    job.listPath = args[1];
    job.print = parser.isSet(o.print) || parser.isSet(o.queue);
    job.printerName = parser.value(o.queue);
    if (job.print == parser.isSet(o.output))
        throw UsageError{QStringLiteral("render needs either -o OUT or --print")};
    if (!job.print) {
        job.outputPath = parser.value(o.output);
        job.outputKind = outputKindOf(job.outputPath, false);
    }
    job.allPages = parser.isSet(o.all);
    if (job.allPages && !job.print &&
        (job.outputKind == SheetOutputKind::Png || job.outputKind == SheetOutputKind::Emf))
        throw UsageError{
            QStringLiteral("--all writes an .LFP or a .pdf, not '%1'").arg(job.outputPath)};
    job.compress = parser.isSet(o.compress);
    if (job.compress && (job.print || job.outputKind != SheetOutputKind::ReportFile))
        throw UsageError{QStringLiteral("--compress writes an .LFP only")};
    job.firstSlot =
        parseInt(parser.value(o.start), QStringLiteral("--start"), kFirstStartSlot, kLastStartSlot);
    job.dpi = parseInt(parser.value(o.dpi), QStringLiteral("--dpi"), 1, kMaxImageDpi);

    job.appearance = LabelAppearance::startUp();
    if (parser.isSet(o.mineralFont))
        job.appearance.mineralFont =
            parseFont(parser.value(o.mineralFont), job.appearance.mineralFont);
    if (parser.isSet(o.localityFont))
        job.appearance.localityFont =
            parseFont(parser.value(o.localityFont), job.appearance.localityFont);
    if (parser.isSet(o.infoFont))
        job.appearance.infoFont = parseFont(parser.value(o.infoFont), job.appearance.infoFont);
    for (const QString& value : parser.values(o.correction))
        applyCorrection(value, job.appearance.corrections);
    job.appearance.fitLongRows = parser.isSet(o.fitLongRows);
    job.dateLine = parser.isSet(o.date) ? parser.value(o.date) : sheetDateLine(clockDateTime());
    job.reportDate = reportDate(parser.value(o.date));

    // Bad usage is all reported by now; what follows reads files.
    job.backgroundPath = backgroundPath(parser.value(o.background));
    try {
        job.appearance.background = Picture::fromFile(job.backgroundPath);
    } catch (const Error& failure) {
        throw FileError(job.backgroundPath, failure.what());
    }
    job.fillFormulas = parser.isSet(o.fillFormulas);
    std::string fillSummary;
    runSheetRender(job, &fillSummary);
    if (job.fillFormulas)
        message(QString::fromStdString(fillSummary));
    return 0;
}

int info(const QCommandLineParser& parser, const Options& o) {
    requirePositionals(parser.positionalArguments(), 2, "info FILE.LFP");
    refuseRenderOptions(parser, o, QStringLiteral("info"));
    if (parser.isSet(o.output) || parser.isSet(o.dpi))
        throw UsageError{QStringLiteral("info writes no file")};
    const QString path = parser.positionalArguments()[1];
    DamagedPage damaged;
    const QString text = reportFileInfo(path, &damaged);
    writeOut(text.toUtf8());
    if (damaged.page != 0)
        throw FileError(path, "Page " + std::to_string(damaged.page) +
                                  " cannot be drawn whole: " + damaged.problem);
    return 0;
}

int page(const QCommandLineParser& parser, const Options& o) {
    const QStringList args = parser.positionalArguments();
    requirePositionals(args, 3, "page FILE.LFP N -o OUT.png|OUT.emf");
    refuseRenderOptions(parser, o, QStringLiteral("page"));
    if (!parser.isSet(o.output))
        throw UsageError{QStringLiteral("page needs -o OUT.png or -o OUT.emf")};
    const int n = parseInt(args[2], QStringLiteral("the page number"), 1, 0x7fffffff);
    const int dpi = parseInt(parser.value(o.dpi), QStringLiteral("--dpi"), 1, kMaxImageDpi);
    const QString out = parser.value(o.output);
    extractReportPage(args[1], n, out, outputKindOf(out, true), dpi);
    return 0;
}

int run(QCommandLineParser& parser, const QStringList& arguments) {
    Options o;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addPositionalArgument("command", "render, info or page", "COMMAND");
    parser.addPositionalArgument("arguments", "The command's files and numbers.", "[ARGS...]");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions(o.list());
    if (!parser.parse(normalisedArguments(arguments)))
        throw UsageError{parser.errorText()};
    if (parser.isSet(help)) {
        writeOut(parser.helpText().toUtf8());
        return 0;
    }
    if (parser.isSet(version)) {
        writeOut("qlxsheet " + QCoreApplication::applicationVersion().toUtf8() + '\n');
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        throw UsageError{QStringLiteral("no command given (see qlxsheet --help)")};
    if (args[0] == QLatin1String("render"))
        return render(parser, o);
    if (args[0] == QLatin1String("info"))
        return info(parser, o);
    if (args[0] == QLatin1String("page"))
        return page(parser, o);
    throw UsageError{QStringLiteral("unknown command '%1' (see qlxsheet --help)").arg(args[0])};
}

// Qt's own warnings (a missing runtime folder, what the off-screen platform cannot do) are
// not this program's messages: standard error keeps one line per failure.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(g_messages, "qlxsheet: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    // A program for scripts and terminals: without a display it draws off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    keepStandardErrorForMessages();
    qInstallMessageHandler(quietMessages);
    // A missing or unwritable TMPDIR gives way to /tmp, said once on standard error.
    const QString temporaryFolderProblem = qlx::settleTemporaryFolder();
    if (!temporaryFolderProblem.isEmpty())
        std::fprintf(g_messages, "qlxsheet: %s\n", qPrintable(temporaryFolderProblem));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qlxsheet"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    qlx::registerMetafilePictures();

    QCommandLineParser parser;
    try {
        return run(parser, QApplication::arguments());
    } catch (const OutputError&) {
        fail(QStringLiteral("Cannot write to standard output"));
        return kBadInput;
    } catch (const UsageError& usage) {
        fail(usage.message);
        return kBadUsage;
    } catch (const FileError& failure) {
        fail(failure.file() + QStringLiteral(": ") + QString::fromUtf8(failure.what()));
        return kBadInput;
    } catch (const Error& failure) {
        fail(QString::fromUtf8(failure.what()));
        return kBadInput;
    } catch (const std::bad_alloc&) {
        fail(QStringLiteral("not enough memory"));
        return kBadInput;
    }
}
