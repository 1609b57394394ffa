// The command-line sheet program: the same sheet as the window's "Render and preview", the
// outputs it writes, the report-file tools and its exit statuses. What only the program shows
// (its reading of the arguments, its messages, exit statuses and standard streams) is seen by
// running it; what its commands write is mostly seen by calling them here, as each start of
// the program costs more than most of the commands.
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "HostileInputs.h"
#include "app/MainForm.h"
#include "app/SheetCommands.h"
#include "app/SheetReport.h"
#include "metafile/EmfRecorder.h"
#include "metafile/Metafile.h"
#include "metafile/MetafilePicture.h"
#include "pagestore/PageStore.h"
#include "pictures/Picture.h"
#include "preview/PreviewWindow.h"
#include "preview/ReportPrinting.h"
#include "render/SheetRun.h"
#include "sheet/DeviceMapping.h"
#include "sheet/SheetLayout.h"
#include "stores/LabelList.h"
#include "support/DataFolderFixture.h"
#include "support/ErrorOf.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/RunTool.h"
#include "support/TestSupport.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

const QString kProgram = QStringLiteral(QLX_BINARY_DIR "/qlxsheet");
// The colour of the solid background the slot tests use; no text colour comes near it.
const QColor kLabelColour(40, 160, 90);
// How far Ghostscript's rendering of the PDF may stray from the bitmap inside the labels: both
// sample the same lossless label pixels, but may pick a neighbouring source pixel at the
// edges of a stretched label.
constexpr double kPdfMeanTolerance = 8.0;
constexpr double kPdfFarTolerance = 0.06;

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

void startProgram(QProcess& process, const QStringList& args, const QString& folder,
                  const QProcessEnvironment& environment) {
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(kProgram, args);
}

// The run of a started program, once it has ended; an event loop meanwhile may already have
// seen it end.
Run finished(QProcess& process) {
    Run run;
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(120000);
    if (process.state() != QProcess::NotRunning || process.error() == QProcess::FailedToStart ||
        process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run qlxsheet(const QStringList& args, const QString& folder,
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    startProgram(process, args, folder, environment);
    return finished(process);
}

// Runs that do not depend on each other go side by side: each is its own process with its
// own output file, and the program's start-up is most of what each costs.
QList<Run> qlxsheetSideBySide(const QList<QStringList>& runs, const QString& folder) {
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& args : runs) {
        processes.push_back(std::make_unique<QProcess>());
        startProgram(*processes.back(), args, folder, QProcessEnvironment::systemEnvironment());
    }
    QList<Run> results;
    for (const auto& process : processes)
        results << finished(*process);
    return results;
}

// What a command called in this process failed with, as the program says it after
// "qlxsheet: "; empty when it succeeded.
template <typename Call> QString failureOf(Call&& call) {
    try {
        call();
        return {};
    } catch (const FileError& failure) {
        return failure.file() + ": " + QString::fromUtf8(failure.what());
    } catch (const Error& failure) {
        return QString::fromUtf8(failure.what());
    }
}

// `render LIST -o OUT` as the program runs it, called in this process (whose current folder is
// the test's data folder): the stock "complete" background or a picture file, and the date
// line "d".
struct RenderHere {
    QString background = QStringLiteral("complete");
    int start = 1;
    bool all = false;
};
QString renderHere(const QString& list, const QString& output, const RenderHere& options = {}) {
    return failureOf([&] {
        SheetRenderJob job;
        job.listPath = list;
        job.outputPath = output;
        job.outputKind = sheetOutputKind(output).value();
        job.firstSlot = options.start;
        job.allPages = options.all;
        job.dateLine = QStringLiteral("d");
        job.reportDate = QDateTime(QDate(2024, 5, 1), QTime(10, 0));
        job.appearance = LabelAppearance::startUp();
        job.backgroundPath = options.background == QLatin1String("complete")
                                 ? stockBackgroundPath("labelcomplete.bmp")
                                 : options.background;
        job.appearance.background = Picture::fromFile(job.backgroundPath);
        runSheetRender(job);
    });
}

QString tool(const QString& program, const QStringList& args) {
    return QString::fromUtf8(test::runTool(program, args).value_or(QByteArray()));
}

QImage played(const Metafile& page) {
    QImage image(page.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.play(painter, QRectF(QPointF(0, 0), QSizeF(page.size())));
    return image;
}

QImage reportPage(const QString& path, int page) {
    PageStore store(PageDestination::Pictures);
    store.loadFromFile(path);
    return played(Metafile::fromBytes(store.readPage(page)));
}

// The slot rectangles of the sheet on a device of `dpi`.
QList<QRect> slotRects(int dpi) {
    SheetReport report(nullptr);
    QList<QRect> rects(SheetDefinition::kSlotCount);
    for (const PlacedElement& e :
         SheetLayout::layout(report.definition(), DeviceMapping::screen(dpi)))
        if (e.kind == PlacedKind::Slot)
            rects[e.slot - 1] =
                QRect(e.device.left, e.device.top, e.device.width(), e.device.height());
    return rects;
}

bool near(QRgb a, const QColor& b) {
    return qAbs(qRed(a) - b.red()) <= 12 && qAbs(qGreen(a) - b.green()) <= 12 &&
           qAbs(qBlue(a) - b.blue()) <= 12;
}

// The share of a rectangle's pixels that show the label colour.
double colourShare(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += near(image.pixel(x, y), kLabelColour);
    return double(n) / (area.width() * area.height());
}

// Slots whose inner part is mostly the label colour; and every pixel of that colour must lie
// in some slot's rectangle.
QList<int> filledSlots(const QImage& page, int dpi, int* strayPixels) {
    const QList<QRect> rects = slotRects(dpi);
    QList<int> filled;
    for (int slot = 1; slot <= rects.size(); ++slot)
        if (colourShare(page, rects[slot - 1].adjusted(4, 4, -4, -4)) > 0.5)
            filled << slot;
    *strayPixels = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (near(page.pixel(x, y), kLabelColour)) {
                bool inside = false;
                for (const QRect& r : rects)
                    inside = inside || r.adjusted(-1, -1, 1, 1).contains(x, y);
                *strayPixels += !inside;
            }
    return filled;
}

QList<int> range(int first, int last) {
    QList<int> slotList;
    for (int s = first; s <= last; ++s)
        slotList << s;
    return slotList;
}

} // namespace

class QlxSheetTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        registerMetafilePictures();
        QVERIFY2(QFileInfo(kProgram).isExecutable(), qPrintable(kProgram));
    }

    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        QImage solid(153, 113, QImage::Format_RGB32);
        solid.fill(kLabelColour);
        QVERIFY(solid.save(m_data->prefix() + "solid.bmp", "BMP"));
    }
    void cleanup() { m_data.reset(); }

    // The window's run and the program's give page pictures that play to the same pixels.
    void sameSheetAsTheWindow_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("radio"); // the window's background button
        QTest::addColumn<QString>("background");
        QTest::addColumn<QString>("date");
        const auto row = [](const char* tag, const std::string& list, int radio, QString background,
                            QString date) {
            QTest::newRow(tag) << QString::fromLatin1(list.c_str()) << radio << background << date;
        };
        row("three, complete",
            "|Quartz|Arkansas|SiO2|\r\n|Calcit|Falun, "
            "Dalarna|CaCO3|\r\n|Andalusit|Lisens|Al2SiO5|\r\n",
            1, "complete", "Time 10:00:00, Date 01/05/2024");
        row("twenty, reduced", test::numberedList(20), 2, "reduced", "Sammlung M\u00fcller");
        row("one, clean, no info", "|\xC5sarite|Lule\xE5|", 3, "clean", "");
        row("empty list", "", 1, "complete", "x");
    }
    void sameSheetAsTheWindow() {
        QFETCH(QString, list);
        QFETCH(int, radio);
        QFETCH(QString, background);
        QFETCH(QString, date);
        const std::string listBytes = list.toLatin1().toStdString();
        // The program draws its sheet while the window draws its own.
        const QString listPath = m_data->prefix() + "list.txt";
        QVERIFY(test::writeFile(listPath, listBytes));
        QProcess program;
        startProgram(
            program,
            {"render", listPath, "-o", "x.LFP", "--date", date, "--background", background},
            m_data->prefix(), QProcessEnvironment::systemEnvironment());

        test::MessageBoxCatcher boxes;
        const auto opened = test::newWindow();
        MainForm& form = *opened;
        connect(&test::child<SheetReport>(form, "SheetReport")->previewer(),
                &ReportPreview::previewOpened, this,
                [](PreviewWindow* w) { QTimer::singleShot(0, w, [w] { w->close(); }); });
        if (radio == 2)
            form.onReducedBackground();
        if (radio == 3)
            form.onCleanBackground();
        // The window holds the list as UTF-8; the file is Windows-1252, as an earlier version
        // wrote it.
        test::child<RichEditBox>(form, "RichEdit4")->lines().setText(list.toStdString());
        form.onRenderAndPreview();
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        test::child<SheetReport>(form, "SheetReport")->setDateLineCaption(date);
        const QImage window = played(test::child<SheetReport>(form, "SheetReport")->recordPage());

        const Run run = finished(program);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.err, QString());
        const QImage fromProgram = reportPage(m_data->prefix() + "x.LFP", 1);
        QCOMPARE(fromProgram.size(), window.size());
        QVERIFY(fromProgram == window);
    }

    // The labels land in the slotList the run gives them, in every image output.
    void labelsInTheirSlots_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QList<int>>("expected");
        const auto row = [](const char* tag, int lines, int start, QString output, int last) {
            QTest::newRow(tag) << lines << start << output << range(start, last);
        };
        row("png, three", 3, 1, "s.png", 3);
        row("png, start 4", 1, 4, "s.png", 4);
        row("png, start 13, five lines", 5, 13, "s.png", 15);
        row("pdf, twenty", 20, 1, "s.pdf", 15);
        row("pdf, start 4", 2, 4, "s.pdf", 5);
        row("emf, start 15", 3, 15, "s.emf", 15);
    }
    void labelsInTheirSlots() {
        QFETCH(int, lines);
        QFETCH(int, start);
        QFETCH(QString, output);
        QFETCH(QList<int>, expected);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(lines)));
        RenderHere options;
        options.background = "solid.bmp";
        options.start = start;
        QCOMPARE(renderHere("list.txt", output, options), QString());

        const QString path = m_data->prefix() + output;
        QImage page;
        const int dpi = 96;
        if (output.endsWith(".png")) {
            page = QImage(path).convertToFormat(QImage::Format_RGB32);
        } else if (output.endsWith(".emf")) {
            page = played(Metafile::fromBytes(QByteArray::fromStdString(test::readFile(path))));
        } else {
            // One A4 page.
            const QString info = tool("pdfinfo", {path});
            QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
            // A4 to the nearest point, as Qt writes the page box.
            QVERIFY2(info.contains(QRegularExpression(
                         "Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts \\(A4\\)")),
                     qPrintable(info));
            tool("pdftoppm", {"-r", QString::number(dpi), "-png", "-singlefile", path,
                              m_data->prefix() + "pdfpage"});
            page = QImage(m_data->prefix() + "pdfpage.png").convertToFormat(QImage::Format_RGB32);
        }
        QCOMPARE(page.size(), QSize(794, 1123));
        int stray = 0;
        QCOMPARE(filledSlots(page, dpi, &stray), expected);
        QCOMPARE(stray, 0);
    }

    // --fill-formulas: the sheet is the one of the list with the database's formulas typed in,
    // the run says what it filled and what it did not find, and the list file stays as it was.
    void fillFormulas() {
        const std::string empty = "|Gypsum|Naica||\r\n|Apatite|Durango||\r\n|Quartz|X|mine|\r\n"
                                  "|magnetite|Kiruna| |\r\n";
        const std::string typed = "|Gypsum|Naica|Ca(SO4)\xB7"
                                  "2H2O|\r\n|Apatite|Durango||\r\n"
                                  "|Quartz|X|mine|\r\n|magnetite|Kiruna|Fe2+Fe3+2O4|\r\n";
        QVERIFY(test::writeFile(m_data->prefix() + "empty.txt", empty));
        QVERIFY(test::writeFile(m_data->prefix() + "typed.txt", typed));
        const QList<Run> runs = qlxsheetSideBySide(
            {{"render", "empty.txt", "-o", "filled.LFP", "--date", "d", "--fill-formulas"},
             {"render", "typed.txt", "-o", "typed.LFP", "--date", "d"}},
            m_data->prefix());
        QVERIFY2(runs[0].exitCode == 0, qPrintable(runs[0].err));
        QVERIFY2(runs[1].exitCode == 0, qPrintable(runs[1].err));
        QCOMPARE(runs[0].err, QString("qlxsheet: Filled 2 formulas from the database. Not in the "
                                      "database: Apatite.\n"));
        QCOMPARE(runs[1].err, QString());
        QVERIFY(reportPage(m_data->prefix() + "filled.LFP", 1) ==
                reportPage(m_data->prefix() + "typed.LFP", 1));
        QCOMPARE(test::readFile(m_data->prefix() + "empty.txt"), empty);
    }

    // A spreadsheet's list is read by its extension, in any case, from the start slot on; the
    // PNG is drawn at the resolution asked for.
    void csvListsByExtension() {
        QVERIFY(test::writeFile(m_data->prefix() + "sheet.CSV",
                                "\xEF\xBB\xBFInfo,Mineral,Locality\r\nSiO2,Quartz,\"Hot Springs, "
                                "Arkansas\"\r\nCaCO3,Calcit,Falun\r\nFe3O4,Magnetit,Kiruna\r\n"));
        const Run run = qlxsheet({"render", "sheet.CSV", "-o", "s.png", "--background", "solid.bmp",
                                  "--start", "5", "--dpi", "48"},
                                 m_data->prefix());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QImage page =
            QImage(m_data->prefix() + "s.png").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(page.size(), QSize(397, 561));
        int stray = 0;
        QCOMPARE(filledSlots(page, 48, &stray), range(5, 7));
        QCOMPARE(stray, 0);
    }

    // The PDF holds the labels as lossless pixels: no JPEG stream, and the page rasterised by
    // Ghostscript matches the sheet drawn onto a bitmap at the same resolution, as a PNG gets
    // it (drawn here: compressing A4 at 300 dpi to a PNG costs more than the rest together).
    void pdfLabelsLossless() {
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(15)));
        QCOMPARE(renderHere("list.txt", "s.pdf"), QString());
        const QByteArray pdf =
            QByteArray::fromStdString(test::readFile(m_data->prefix() + "s.pdf"));
        QVERIFY(!pdf.contains("DCTDecode"));
        QVERIFY(pdf.contains("FlateDecode"));

        // Each image in the PDF is its label's bitmap, pixel for pixel.
        const QString pdfimages = QStandardPaths::findExecutable("pdfimages");
        QVERIFY2(!pdfimages.isEmpty(), "pdfimages (poppler-utils) is not installed");
        // As raw pixmaps (PPM), which cost nothing to write and read, unlike PNGs.
        QProcess extract;
        extract.start(pdfimages, {m_data->prefix() + "s.pdf", m_data->prefix() + "img"});
        QVERIFY(extract.waitForFinished(120000));
        QCOMPARE(extract.exitCode(), 0);
        SheetReport labels(nullptr);
        LabelAppearance appearance = LabelAppearance::startUp();
        appearance.background = Picture::fromFile(QLX_BINARY_DIR "/labelcomplete.bmp");
        fillSheet(labels, labelListRecords(test::numberedList(15)), appearance);
        for (int slot = 1; slot <= 15; ++slot) {
            const QImage image(m_data->prefix() +
                               QString("img-%1.ppm").arg(slot - 1, 3, 10, QChar('0')));
            const QImage label = labels.labelPicture(slot).convertToFormat(QImage::Format_RGB32);
            QVERIFY2(!label.isNull() && image.convertToFormat(QImage::Format_RGB32) == label,
                     qPrintable(QString("label %1").arg(slot)));
        }

        const QString gs = QStandardPaths::findExecutable("gs");
        QVERIFY2(!gs.isEmpty(), "Ghostscript (gs) is not installed");
        // As a raw pixmap: compressing and decoding a PNG of A4 at 300 dpi costs more than
        // rendering it.
        QProcess raster;
        raster.start(gs,
                     {"-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=ppmraw", "-r300",
                      "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1",
                      "-sOutputFile=" + m_data->prefix() + "gs.ppm", m_data->prefix() + "s.pdf"});
        QVERIFY(raster.waitForFinished(120000));
        QCOMPARE(raster.exitCode(), 0);
        const QImage fromPdf =
            QImage(m_data->prefix() + "gs.ppm").convertToFormat(QImage::Format_RGB32);
        const DeviceMapping device = DeviceMapping::screen(300);
        QImage drawn(device.pageWidth(2100), device.pageHeight(2970), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        PageTarget target;
        target.dpiX = target.dpiY = 300;
        QPainter painter(&drawn);
        labels.drawPage(painter, target);
        painter.end();
        // The two round A4's width to whole pixels each their own way.
        QVERIFY(qAbs(fromPdf.width() - drawn.width()) <= 1 &&
                qAbs(fromPdf.height() - drawn.height()) <= 1);
        // Within the labels only (the heading's text is drawn by two font rasterisers). Both
        // stretch the same pixels, but pick a neighbouring source pixel at some stroke edges.
        qint64 sum = 0, pixels = 0, far = 0;
        for (const QRect& slot : slotRects(300)) {
            const QRect inner = slot.adjusted(4, 4, -4, -4);
            for (int y = inner.top(); y <= inner.bottom(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(fromPdf.constScanLine(y));
                for (int x = inner.left(); x <= inner.right(); ++x) {
                    const int d =
                        qMax(qAbs(qRed(a[x]) - qRed(b[x])), qMax(qAbs(qGreen(a[x]) - qGreen(b[x])),
                                                                 qAbs(qBlue(a[x]) - qBlue(b[x]))));
                    sum += d;
                    far += d > 24;
                    ++pixels;
                }
            }
        }
        const double mean = double(sum) / pixels;
        const double farShare = double(far) / pixels;
        qInfo("PDF against the bitmap in the labels: mean difference %.3f, %.4f%% of pixels off by "
              "more "
              "than 24",
              mean, 100 * farShare);
        QVERIFY2(mean < kPdfMeanTolerance, qPrintable(QString::number(mean)));
        QVERIFY2(farShare < kPdfFarTolerance, qPrintable(QString::number(farShare)));
    }

    // A metafile background is drawn into a bitmap at its frame's size at 96 dpi: recorded
    // at 300 dpi, 300 x 200 pixels make a frame of one by two thirds of an inch, 96 x 64.
    void metafileBackgroundAtItsFrameSize() {
        EmfRecorder recorder(QSize(300, 200), 300);
        QPainter painter(&recorder);
        painter.fillRect(QRect(0, 0, 300, 200), kLabelColour);
        painter.end();
        const QString path = m_data->prefix() + "frame.emf";
        QVERIFY(test::writeFile(path, recorder.finish().bytes().toStdString()));
        LabelAppearance appearance = LabelAppearance::startUp();
        appearance.background = Picture::fromFile(path);
        SheetReport labels(nullptr);
        fillSheet(labels, labelListRecords("|Quartz|Ural|SiO2|\r\n"), appearance);
        const QImage label = labels.labelPicture(1);
        QCOMPARE(label.size(), QSize(96, 64));
        QVERIFY(near(label.pixel(5, 60), kLabelColour));
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", "|Quartz|Ural|SiO2|\r\n"));
        const Run run = qlxsheet({"render", "list.txt", "-o", "s.pdf", "--background", "frame.emf"},
                                 m_data->prefix());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    // Copies of one label side by side go into the PDF as one image.
    void pdfSharesIdenticalLabels_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("images");
        const auto row = [](const char* tag, QString list, int images) {
            QTest::newRow(tag) << list << images;
        };
        row("two copies", "|Quartz|Ural|SiO2|\r\n|Quartz|Ural|SiO2|\r\n", 1);
        row("two labels", "|Quartz|Ural|SiO2|\r\n|Quartz|Alps|SiO2|\r\n", 2);
        row("copies apart", "|Quartz|Ural|SiO2|\r\n|Beryl|Ural||\r\n|Quartz|Ural|SiO2|\r\n", 3);
    }
    void pdfSharesIdenticalLabels() {
        QFETCH(QString, list);
        QFETCH(int, images);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", list.toStdString()));
        QCOMPARE(renderHere("list.txt", "s.pdf"), QString());
        const QByteArray pdf =
            QByteArray::fromStdString(test::readFile(m_data->prefix() + "s.pdf"));
        QCOMPARE(int(pdf.count("/Subtype /Image")), images);
    }

    // --compress writes the same pages compressed: info names the compression, and each page
    // comes out as from the plain file.
    void compressedReportFile() {
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(20)));
        // (on the small solid background: the stock one makes pages of 11 MB to write and read)
        RenderHere options;
        options.all = true;
        options.background = "solid.bmp";
        QCOMPARE(renderHere("list.txt", "plain.LFP", options), QString());
        // The packed file from the program itself, which reads --compress.
        const Run packing = qlxsheet({"render", "list.txt", "--all", "--compress", "--date", "d",
                                      "--background", "solid.bmp", "-o", "packed.LFP"},
                                     m_data->prefix());
        QVERIFY2(packing.exitCode == 0, qPrintable(packing.err));
        const QFileInfo plain(m_data->prefix() + "plain.LFP");
        const QFileInfo packed(m_data->prefix() + "packed.LFP");
        QVERIFY2(packed.size() * 5 < plain.size(),
                 qPrintable(QString("%1 against %2").arg(packed.size()).arg(plain.size())));
        QString info;
        QCOMPARE(failureOf([&] { info = reportFileInfo("packed.LFP"); }), QString());
        QVERIFY2(info.contains("compression: zlib\n"), qPrintable(info));
        QVERIFY2(info.contains("pages: 2\n"), qPrintable(info));
        // Each page's picture, taken out of either file, is the same to the byte.
        for (int page = 1; page <= 2; ++page) {
            const auto extracted = [&](const QString& file) {
                const QString out = QString("%1.%2.emf").arg(file).arg(page);
                const QString failure = failureOf(
                    [&] { extractReportPage(file, page, out, SheetOutputKind::Emf, 96); });
                return failure.isEmpty() ? test::readFile(m_data->prefix() + out) : std::string();
            };
            const std::string packedPage = extracted("packed.LFP");
            QVERIFY(!packedPage.empty());
            QCOMPARE(packedPage, extracted("plain.LFP"));
        }
    }

    // --all: fifteen labels to a page, in a report file and a PDF.
    void everyLabelOnPages_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("pages");
        const auto row = [](const char* tag, int lines, int start, int pages) {
            QTest::newRow(tag) << lines << start << pages;
        };
        row("forty", 40, 1, 3);
        row("fifteen", 15, 1, 1);
        row("sixteen", 16, 1, 2);
        row("thirteen from slot 4", 13, 4, 2);
        row("none", 0, 1, 1);
    }
    void everyLabelOnPages() {
        QFETCH(int, lines);
        QFETCH(int, start);
        QFETCH(int, pages);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(lines)));
        RenderHere options;
        options.all = true;
        options.start = start;
        options.background = "solid.bmp";
        for (const QString out : {"all.LFP", "all.pdf"})
            QCOMPARE(renderHere("list.txt", out, options), QString());
        QString info;
        QCOMPARE(failureOf([&] { info = reportFileInfo("all.LFP"); }), QString());
        QVERIFY2(info.contains(QString("pages: %1\n").arg(pages)), qPrintable(info));
        const QString pdf = tool("pdfinfo", {m_data->prefix() + "all.pdf"});
        QVERIFY2(pdf.contains(QRegularExpression(QString("Pages:\\s+%1\\n").arg(pages))),
                 qPrintable(pdf));

        // The last page holds what is left over, from its first slot.
        const int onFirst = 16 - start;
        const int left = lines <= onFirst ? lines : (lines - onFirst - 1) % 15 + 1;
        const int firstSlot = pages == 1 ? start : 1;
        int stray = 0;
        const QList<int> expected =
            lines == 0 ? QList<int>() : range(firstSlot, firstSlot + left - 1);
        QCOMPARE(filledSlots(reportPage(m_data->prefix() + "all.LFP", pages), 96, &stray),
                 expected);
    }

    void infoAndPageOnReportFiles_data() {
        QTest::addColumn<QString>("damage"); // how the good file is spoilt
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, QString damage, QString message) {
            QTest::newRow(tag) << damage << message;
        };
        row("good", "", "");
        row("missing", "remove", "missing.LFP: File does not exist");
        row("truncated", "truncate", "sheet.LFP: Not a valid report file");
        row("picture record", "record", "sheet.LFP: Not a valid report file");
    }
    void infoAndPageOnReportFiles() {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        // One report file, rendered for the first row, is what every row spoils.
        if (m_twoLabelReport.empty()) {
            QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(2)));
            RenderHere options;
            options.background = "solid.bmp";
            QCOMPARE(renderHere("list.txt", "sheet.LFP", options), QString());
            m_twoLabelReport = test::readFile(m_data->prefix() + "sheet.LFP");
            QVERIFY(!m_twoLabelReport.empty());
        }
        const QString path = m_data->prefix() + "sheet.LFP";
        std::string bytes = m_twoLabelReport;
        QString file = "sheet.LFP";
        if (damage == "remove")
            file = "missing.LFP";
        else if (damage == "truncate")
            bytes.resize(bytes.size() / 2);
        else if (damage == "record") {
            // The picture's header stays sound; the record after it claims to run far past
            // the end of the picture.
            const std::size_t picture = 128 + 8;
            const std::size_t second = picture + qFromLittleEndian<quint32>(&bytes[picture + 4]);
            qToLittleEndian<quint32>(0x7FFFFFF0, &bytes[second + 4]);
        }
        QVERIFY(test::writeFile(path, bytes));
        QVERIFY(test::writeFile(m_data->prefix() + "old.png", "old"));

        // A damaged file is refused by the commands called here with the message the program
        // gives; the good file and a missing one are seen through the program itself, its
        // output, exit statuses and one-line messages.
        if (!damage.isEmpty() && damage != "remove") {
            QString info;
            QCOMPARE(failureOf([&] { info = reportFileInfo(file); }), message);
            QCOMPARE(info, QString());
            for (const auto& [output, kind] : {std::pair(QString("old.png"), SheetOutputKind::Png),
                                               std::pair(QString("p.emf"), SheetOutputKind::Emf)})
                QCOMPARE(failureOf([&] { extractReportPage(file, 1, output, kind, 96); }), message);
            QCOMPARE(test::readFile(m_data->prefix() + "old.png"), std::string("old"));
            QVERIFY(!QFileInfo::exists(m_data->prefix() + "p.emf"));
            return;
        }
        const Run info = qlxsheet({"info", file}, m_data->prefix());
        const Run png = qlxsheet({"page", file, "1", "-o", "old.png"}, m_data->prefix());
        const Run emf = qlxsheet({"page", file, "1", "-o", "p.emf"}, m_data->prefix());
        if (message.isEmpty()) {
            QCOMPARE(info.exitCode, 0);
            for (const char* line :
                 {"version: 3\n", "pages: 1\n", "compression: none\n", "page 1: 794 x 1123 pixels"})
                QVERIFY2(info.out.contains(line), qPrintable(info.out));
            QCOMPARE(png.exitCode, 0);
            QCOMPARE(QImage(m_data->prefix() + "old.png").convertToFormat(QImage::Format_RGB32),
                     reportPage(path, 1));
            QCOMPARE(emf.exitCode, 0);
            PageStore store(PageDestination::Pictures);
            store.loadFromFile(path);
            QCOMPARE(QByteArray::fromStdString(test::readFile(m_data->prefix() + "p.emf")),
                     store.readPage(1));
            // A page that is not there.
            const Run second = qlxsheet({"page", file, "2", "-o", "q.png"}, m_data->prefix());
            QCOMPARE(second.exitCode, 1);
            QCOMPARE(second.err, QString("qlxsheet: sheet.LFP: There is no page 2\n"));
            QVERIFY(!QFileInfo::exists(m_data->prefix() + "q.png"));
            return;
        }
        for (const Run& run : {info, png, emf}) {
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, "qlxsheet: " + message + "\n");
            QCOMPARE(run.out, QString());
        }
        // Nothing is written, and the older file stays whole.
        QCOMPARE(test::readFile(m_data->prefix() + "old.png"), std::string("old"));
        QVERIFY(!QFileInfo::exists(m_data->prefix() + "p.emf"));
    }

    // Report pages that are sound files but cannot be drawn as asked: status 1 and one line
    // naming the file and the page, within seconds.
    void reportPagesThatCannotBeDrawn_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("info");    // what info's page line says, empty: nothing
        QTest::addColumn<QString>("message"); // from page N -o OUT.png
        const auto row = [](const char* tag, QByteArray page, QString info, QString message) {
            QTest::newRow(tag) << page << info << message;
        };
        row("undecodable bitmap", hostile::emfBrokenPngThenRectangle(), ", cannot be drawn whole: ",
            "r.LFP: Page 1 cannot be drawn whole: The metafile holds a damaged bitmap");
        row("claims 2^28 pixels", hostile::emfClaimingSize(1 << 28), "",
            "r.LFP: The page is too large to draw: 268435456 x 268435456 pixels at 96 dpi");
        row("claims 20,000 pixels", hostile::emfClaimingSize(20000), "",
            "r.LFP: The page is too large to draw: 20000 x 20000 pixels at 96 dpi");
    }
    void reportPagesThatCannotBeDrawn() {
        QFETCH(QByteArray, page);
        QFETCH(QString, info);
        QFETCH(QString, message);
        PageStore store(PageDestination::Pictures);
        store.addPage(page);
        store.finish();
        store.saveToFile(m_data->prefix() + "r.LFP");
        QElapsedTimer clock;
        clock.start();
        const Run listed = qlxsheet({"info", "r.LFP"}, m_data->prefix());
        QVERIFY2(listed.out.contains("page 1: "), qPrintable(listed.err));
        if (info.isEmpty()) {
            QCOMPARE(listed.exitCode, 0);
        } else {
            QCOMPARE(listed.exitCode, 1);
            QVERIFY2(listed.out.contains(info), qPrintable(listed.out));
            QVERIFY2(listed.err.startsWith("qlxsheet: r.LFP: Page 1 cannot be drawn whole"),
                     qPrintable(listed.err));
        }
        const Run png = qlxsheet({"page", "r.LFP", "1", "-o", "p.png"}, m_data->prefix());
        QCOMPARE(png.exitCode, 1);
        QVERIFY2(png.err.startsWith("qlxsheet: " + message), qPrintable(png.err));
        QCOMPARE(png.err.count('\n'), 1);
        QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    }

    // What is not a regular file is named as a file that cannot be opened; a failed write
    // to standard output is a failure.
    void notAFileAndFullOutput() {
        QVERIFY(QDir(m_data->prefix()).mkdir("folder.LFP"));
        QCOMPARE(mkfifo(QFile::encodeName(m_data->prefix() + "fifo.LFP").constData(), 0600), 0);
        for (const char* name : {"folder.LFP", "fifo.LFP"}) {
            const Run run = qlxsheet({"info", name}, m_data->prefix());
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, QString("qlxsheet: %1: Cannot open file %1\n").arg(name));
        }
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(2)));
        QCOMPARE(renderHere("list.txt", "s.LFP"), QString());
        QProcess process;
        process.setWorkingDirectory(m_data->prefix());
        process.setStandardOutputFile("/dev/full");
        process.start(kProgram, {"info", "s.LFP"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
                 QString("qlxsheet: Cannot write to standard output\n"));
    }

    // A large file that is no report is refused from its first bytes, not after a copy.
    void sparseFileRefusedWhereItLies() {
        const QString path = m_data->prefix() + "sparse.LFP";
        QFile sparse(path);
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(qint64(2047) * 1024 * 1024));
        sparse.close();
        QElapsedTimer clock;
        clock.start();
        PageStore store(PageDestination::Pictures);
        QCOMPARE(test::errorOf([&] { store.loadFromFile(path); }), "Not a valid report file");
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(store.pageCount(), 0);
    }

    // Bad input to render: one line naming the file, status 1, an older output left whole.
    void renderBadInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, QStringList args, QString message) {
            QTest::newRow(tag) << args << message;
        };
        const QString gif = QLX_TEST_DATA "/pictures/red.gif";
        row("no list", {"render", "nolist.txt", "-o", "out.pdf"},
            "nolist.txt: Cannot open file nolist.txt");
        row("no background", {"render", "list.txt", "-o", "out.pdf", "--background", "none.bmp"},
            "none.bmp: ");
        row("unknown background type", {"render", "list.txt", "-o", "out.pdf", "--background", gif},
            gif + ": Unknown picture file extension (.gif)");
        row("output is a folder", {"render", "list.txt", "-o", "folder.png"},
            "folder.png: Cannot create file folder.png");
        row("background is a named pipe",
            {"render", "list.txt", "-o", "out.pdf", "--background", "pipe.bmp"},
            "pipe.bmp: Cannot open file pipe.bmp");
        row("CSV without the columns", {"render", "other.csv", "-o", "out.pdf"},
            "other.csv: Cannot read other.csv as a CSV label list: its first row must name");
    }
    void renderBadInput() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(2)));
        QVERIFY(test::writeFile(m_data->prefix() + "other.csv", "Name,Place\r\nA,B\r\n"));
        QVERIFY(test::writeFile(m_data->prefix() + "out.pdf", "old"));
        QVERIFY(QDir(m_data->prefix()).mkdir("folder.png"));
        QCOMPARE(::mkfifo(QFile::encodeName(m_data->prefix() + "pipe.bmp").constData(), 0600), 0);
        const Run run = qlxsheet(args, m_data->prefix());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("qlxsheet: " + message), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
        QCOMPARE(test::readFile(m_data->prefix() + "out.pdf"), std::string("old"));
        QCOMPARE(QDir(m_data->prefix()).entryList({"*.tmp", ".*"}, QDir::Files), QStringList());
    }

    // A list beyond the line limit is refused before a label is made, naming the list.
    void renderTooManyLines() {
        QVERIFY(
            test::writeFile(m_data->prefix() + "long.txt", std::string(kMaxListLines + 1, '\n')));
        const Run run = qlxsheet({"render", "long.txt", "-o", "out.png"}, m_data->prefix());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QString("qlxsheet: long.txt: The list long.txt has 100001 lines: A list "
                                  "may hold at most 100000 lines\n"));
        QVERIFY(!QFile::exists(m_data->prefix() + "out.png"));
    }

    // The page store's temporary file failing is said of that file, not of the output (a
    // temporary folder that fills up while the sheet is made); a TMPDIR that is no folder
    // gives way to /tmp with a message.
    void temporaryFolderFailures_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("no folder") << false;
        QTest::newRow("full") << true;
    }
    void temporaryFolderFailures() {
        QFETCH(bool, full);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(2)));
        QVERIFY(test::writeFile(m_data->prefix() + "out.LFP", "old"));
        const QString temporary = m_data->prefix() + (full ? "tmp" : "tmp-is-a-file");
        if (full)
            QVERIFY(QDir(m_data->prefix()).mkdir("tmp"));
        else
            QVERIFY(test::writeFile(temporary, "x"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", temporary);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_data->prefix());
        if (full) {
            // Files may grow to 1 MB: the sheet's page pictures do not fit.
            process.setChildProcessModifier([] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{1 << 20, 1 << 20};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        process.start(kProgram, {"render", "list.txt", "-o", "out.LFP"});
        QVERIFY(process.waitForFinished(120000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        if (!full) {
            // A TMPDIR that is no folder gives way to /tmp, said once; the sheet is made.
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(err, "qlxsheet: The temporary folder " + temporary +
                              " (TMPDIR) is not a folder; temporary files go to /tmp instead\n");
            QVERIFY(test::readFile(m_data->prefix() + "out.LFP") != std::string("old"));
            return;
        }
        QCOMPARE(process.exitCode(), 1);
        const QString expected =
            full ? "qlxsheet: Cannot write the temporary file " + temporary + "/LFP"
                 : "qlxsheet: Cannot create file " + temporary + "/LFP\n";
        QVERIFY2(err.startsWith(expected), qPrintable(err));
        if (full)
            QVERIFY2(err.endsWith(" (the temporary folder may be full)\n"), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);
        QCOMPARE(test::readFile(m_data->prefix() + "out.LFP"), std::string("old"));
    }

    // Printing where no spooler answers: one line that says so, naming no printer.
    void printWithoutSpooler() {
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(2)));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CUPS_SERVER", m_data->prefix() + "no-cupsd.sock");
        environment.remove("PRINTER");
        environment.remove("LPDEST");
        const Run run = qlxsheet({"render", "list.txt", "--print"}, m_data->prefix(), environment);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QString("qlxsheet: no printer is installed\n"));
    }

    void badUsage_data() {
        QTest::addColumn<QStringList>("args");
        const auto row = [](const char* tag, QStringList args) {
            QTest::newRow(tag) << args;
        };
        // `render list.txt -o a.png` and an option after it.
        const auto png = [](QStringList options) {
            return QStringList{"render", "list.txt", "-o", "a.png"} + options;
        };
        row("no command", {});
        row("unknown command", {"draw", "list.txt"});
        row("unknown option", {"render", "list.txt", "-o", "a.pdf", "--x"});
        row("no output", {"render", "list.txt"});
        row("output and print", {"render", "list.txt", "-o", "a.pdf", "--print"});
        row("two lists", {"render", "list.txt", "b.txt", "-o", "a.pdf"});
        row("unknown extension", {"render", "list.txt", "-o", "a.txt"});
        row("compressed pdf", {"render", "list.txt", "-o", "a.pdf", "--compress"});
        row("compressed info", {"info", "a.LFP", "--compress"});
        row("start 0", png({"--start", "0"}));
        row("start 16", png({"--start", "16"}));
        row("dpi huge", png({"--dpi", "100000"}));
        row("font without size", png({"--info-font", "Arial"}));
        row("font style", png({"--info-font", "Arial,9pt,fat"}));
        row("correction row", png({"--correction", "nose", "1", "2"}));
        row("correction short", png({"--correction", "info", "1"}));
        row("correction not a number", png({"--correction", "info", "1", "x"}));
        row("all to png", {"render", "list.txt", "--all", "-o", "a.png"});
        row("page number", {"page", "a.LFP", "one", "-o", "a.png"});
        row("page to pdf", {"page", "a.LFP", "1", "-o", "a.pdf"});
        row("page without output", {"page", "a.LFP", "1"});
        row("info with render option", {"info", "a.LFP", "--all"});
    }
    void badUsage() {
        QFETCH(QStringList, args);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", test::numberedList(2)));
        const QStringList before = QDir(m_data->prefix()).entryList(QDir::Files);
        const Run run = qlxsheet(args, m_data->prefix());
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith("qlxsheet: "), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
        QCOMPARE(QDir(m_data->prefix()).entryList(QDir::Files), before);
    }

    void helpNamesEveryCommand() {
        const Run run = qlxsheet({"--help"}, m_data->prefix());
        QCOMPARE(run.exitCode, 0);
        for (const char* word : {"render LIST", "info FILE.LFP", "page FILE.LFP N", "--all",
                                 "--start", "--correction", "--background", "--print", "--date"})
            QVERIFY2(run.out.contains(word), word);
    }

    // Fonts and corrections reach the labels: each changes the sheet, and the same options
    // give the same sheet.
    void appearanceOptionsChangeTheLabels_data() {
        QTest::addColumn<QStringList>("options");
        const auto row = [](const char* tag, QStringList options) {
            QTest::newRow(tag) << options;
        };
        row("mineral font", {"--mineral-font", "DejaVu Serif,20pt,bold"});
        row("locality font", {"--locality-font", "Arial,20px,italic"});
        row("info font", {"--info-font", "Arial,40"});
        row("correction", {"--correction", "mineral", "5", "-3"});
        row("background", {"--background", "clean"});
        row("icon background", {"--background", QLX_TEST_DATA "/pictures/two.ico"});
        row("fit long rows", {"--fit-long-rows"});
    }
    void appearanceOptionsChangeTheLabels() {
        QFETCH(QStringList, options);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt",
                                "|Quartz|Arkansas, Hot Spring County, Magnet Cove|SiO2|"));
        const QStringList base{"render", "list.txt", "--date", "d", "-o"};
        // The sheets are written as page pictures and played here: a PNG costs the program
        // more to compress than to draw.
        const auto sheet = [&](const QString& name) {
            return played(Metafile::fromBytes(
                QByteArray::fromStdString(test::readFile(m_data->prefix() + name))));
        };
        // The sheet without options, rendered for the first row, is what every row changes.
        if (m_plainSheet.isNull()) {
            QCOMPARE(qlxsheet(base + QStringList{"plain.emf"}, m_data->prefix()).exitCode, 0);
            m_plainSheet = sheet("plain.emf");
            QCOMPARE(m_plainSheet.size(), QSize(794, 1123));
        }
        for (const Run& run : qlxsheetSideBySide(
                 {base + QStringList{"a.emf"} + options, base + QStringList{"b.emf"} + options},
                 m_data->prefix()))
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QImage plain = m_plainSheet;
        const QImage a = sheet("a.emf");
        QCOMPARE(a.size(), plain.size());
        QVERIFY(a != plain);
        QCOMPARE(test::readFile(m_data->prefix() + "b.emf"),
                 test::readFile(m_data->prefix() + "a.emf"));
        // Only the first slot changes.
        const QRect slot = slotRects(96)[0];
        QImage outside = a;
        QImage plainOutside = plain;
        QPainter(&outside).fillRect(slot, Qt::white);
        QPainter(&plainOutside).fillRect(slot, Qt::white);
        QCOMPARE(outside, plainOutside);
    }

private:
    std::unique_ptr<test::DataFolderFixture> m_data;
    std::string m_twoLabelReport;
    QImage m_plainSheet;
};

QTEST_MAIN(QlxSheetTest)
#include "tst_qlxsheet.moc"
