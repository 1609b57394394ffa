#include <QDir>
#include <QPainter>
#include <QTextBlock>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "pagestore/PageStoreDocument.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "preview/PrintProgressDialog.h"
#include "preview/PrintSpool.h"
#include "preview/PrinterSetupDialog.h"
#include "preview/ReportPreview.h"
#include "preview/ReportPrinting.h"
#include "sheet/SheetLayout.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/FakePreviewDocument.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/RunTool.h"
#include "support/SlotColours.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/FileDialog.h"
#include "widgets/NumberDialog.h"
#include "widgets/RichEditBox.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <cups/cups.h>

using namespace qlx;
using qlx::test::FakePreviewDocument;

namespace {

// Three solid rectangles where the sheet's first three slots stand, in tenths of a
// millimetre from the paper's edges.
struct Box {
    QRectF tenths;
    QColor colour;
};
const Box kBoxes[] = {
    {QRectF(QPointF(152.92, 435.56), QPointF(726.18, 797.15)), QColor(255, 0, 0)},
    {QRectF(QPointF(770.28, 435.56), QPointF(1343.54, 797.15)), QColor(0, 255, 0)},
    {QRectF(QPointF(1370.00, 435.56), QPointF(1943.26, 797.15)), QColor(0, 0, 255)},
};

// Printed pages are rendered at this resolution, and everything must stand within half a
// millimetre (in tenths of a millimetre) of its place.
constexpr int kRenderDpi = 150;
constexpr double kTolerance = 5;

int toDevice(double v, double offset, double dpi) {
    return qRound((v - offset) * dpi / 254.0);
}

void drawBox(QPainter& p, const PageTarget& t, const Box& b) {
    const QPoint tl(toDevice(b.tenths.left(), t.offsetLeft, t.dpiX),
                    toDevice(b.tenths.top(), t.offsetTop, t.dpiY));
    const QPoint br(toDevice(b.tenths.right(), t.offsetLeft, t.dpiX),
                    toDevice(b.tenths.bottom(), t.offsetTop, t.dpiY));
    p.fillRect(QRect(tl, br - QPoint(1, 1)), b.colour);
}

void drawBoxes(QPainter& p, const PageTarget& t) {
    for (const Box& b : kBoxes)
        drawBox(p, t, b);
}

// Waits until the spooler has no job left and the queue's file holds the page; bounded (one
// minute), so a broken spooler fails the test instead of hanging it.
bool waitForOutput(const QString& out) {
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        const auto jobs = test::runTool("lpstat", {"-o"});
        if (jobs && jobs->trimmed().isEmpty() && QFileInfo(out).size() > 0)
            return true;
        QTest::qWait(25);
    }
    return false;
}

// Every job the spooler has taken since it started, printed or not.
int jobCount() {
    const QByteArray jobs = test::runTool("lpstat", {"-W", "all", "-o"}).value_or(QByteArray());
    return int(QString::fromLocal8Bit(jobs).split('\n', Qt::SkipEmptyParts).size());
}

// The job's pages rendered at the render resolution, as uncompressed pixmaps: writing and
// reading back PNGs of an A4 page at 300 dpi costs several times the rendering.
QList<QImage> renderPages(const QString& out, const QString& dir) {
    (void)test::runTool("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw",
                               "-r" + QString::number(kRenderDpi),
                               "-sOutputFile=" + dir + "/page%d.ppm", out});
    QList<QImage> pages;
    for (int n = 1;; ++n) {
        QImage img(dir + QString("/page%1.ppm").arg(n));
        if (img.isNull())
            break;
        pages << img;
    }
    return pages;
}

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) < 60 && qAbs(a.green() - b.green()) < 60 &&
           qAbs(a.blue() - b.blue()) < 60;
}

QPoint atRenderDpi(double xTenths, double yTenths) {
    return QPoint(qRound(xTenths * kRenderDpi / 254.0), qRound(yTenths * kRenderDpi / 254.0));
}

// The job's one page when it is exactly one A4 page (210 x 297 mm at the render resolution),
// else a null image.
QImage singleA4Page(const QString& out, const QString& dir) {
    const QList<QImage> pages = renderPages(out, dir);
    if (pages.size() != 1)
        return {};
    const QImage& page = pages[0];
    const int width = qRound(2100 * kRenderDpi / 254.0), height = qRound(2970 * kRenderDpi / 254.0);
    return qAbs(page.width() - width) <= 1 && qAbs(page.height() - height) <= 1 ? page : QImage();
}

// Empty when the box (tenths of a millimetre from the paper's edges) shows its colour half a
// millimetre inside each edge and paper white half a millimetre outside: it stands where it was
// asked to within half a millimetre. Otherwise says which probe failed.
QString boxMisplaced(const QImage& page, const QRectF& r, const QColor& colour) {
    const QPointF c = r.center();
    const struct {
        const char* where;
        QPointF at;
        QColor expected;
    } probes[] = {
        {"centre", c, colour},
        {"inside left", {r.left() + kTolerance, c.y()}, colour},
        {"inside right", {r.right() - kTolerance, c.y()}, colour},
        {"inside top", {c.x(), r.top() + kTolerance}, colour},
        {"inside bottom", {c.x(), r.bottom() - kTolerance}, colour},
        {"outside left", {r.left() - kTolerance, c.y()}, Qt::white},
        {"outside right", {r.right() + kTolerance, c.y()}, Qt::white},
        {"outside top", {c.x(), r.top() - kTolerance}, Qt::white},
        {"outside bottom", {c.x(), r.bottom() + kTolerance}, Qt::white},
    };
    for (const auto& probe : probes)
        if (!near(page.pixelColor(atRenderDpi(probe.at.x(), probe.at.y())), probe.expected))
            return probe.where;
    return {};
}

// The spooler's page log lines of a queue, each "job total sheets name" after the queue's name:
// one line per job, its sheets being its pages times its copies.
QStringList pageLogOf(const QString& queue) {
    QFile log(qEnvironmentVariable("QLX_CUPS_PAGELOG"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(log.readAll()).split('\n'))
        if (line.startsWith(queue + ' '))
            lines << line.mid(queue.size() + 1);
    return lines;
}

// The places of the sheet's fifteen slots, in tenths of a millimetre from the paper's edges.
QList<QRectF> slotPlaces(const SheetReport& report) {
    QList<QRectF> places;
    for (const PlacedElement& e : SheetLayout::layout(report.definition(), DeviceMapping::screen()))
        if (e.kind == PlacedKind::Slot)
            places << QRectF(QPointF(e.left, e.top), QPointF(e.right, e.bottom));
    return places;
}

// Empty when every slot of the page shows its own solid colour where the sheet places it (see
// boxMisplaced); otherwise the first slot that does not, and why.
QString slotsMisplaced(const QImage& page, const SheetReport& report) {
    const QList<QRectF> places = slotPlaces(report);
    if (places.size() != SheetDefinition::kSlotCount)
        return QString("%1 slots").arg(places.size());
    for (int n = 1; n <= places.size(); ++n) {
        const QString misplaced = boxMisplaced(page, places[n - 1], test::slotColour(n));
        if (!misplaced.isEmpty())
            return QString("slot %1: %2").arg(n).arg(misplaced);
    }
    return {};
}

QRect atRenderDpi(const QRectF& tenths) {
    return QRect(atRenderDpi(tenths.left(), tenths.top()),
                 atRenderDpi(tenths.right(), tenths.bottom()));
}

// A picture cut down to a small grey image, so that two prints of the same label compare
// closely whatever the resampling on the way.
QImage thumbnail(const QImage& image) {
    return image.scaled(240, 150, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Grayscale8);
}

// Of two thumbnails (grey, one byte a pixel).
double meanDifference(const QImage& a, const QImage& b) {
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* lineA = a.constScanLine(y);
        const uchar* lineB = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            sum += qAbs(int(lineA[x]) - int(lineB[x]));
    }
    return double(sum) / (a.width() * a.height());
}

int inkedPixels(const QImage& page, const QRect& area) {
    const QImage rgb = page.convertToFormat(QImage::Format_RGB32);
    int inked = 0;
    for (int y = area.top() + 2; y < area.bottom() - 2; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = area.left() + 2; x < area.right() - 2; ++x)
            inked += (line[x] & RGB_MASK) != RGB_MASK;
    }
    return inked;
}

// Each printed slot of the pages, counted on from slot 1 of page 1, against the labels the
// window composed for the positions first to first + count - 1: a slot in that run must look
// most like its own label, which tells labels apart by their text alone ("Mineral 7" from
// "Mineral 8"); every other slot is blank. Empty when all hold, else the first that does not.
QString labelsMisplaced(const QList<QImage>& pages, const SheetReport& report, int first,
                        int count) {
    QList<QImage> composed;
    for (int n = 0; n < count; ++n) {
        const QImage label = report.labelPicture(first + n);
        if (label.isNull())
            return QString("no label composed for position %1").arg(first + n);
        composed << thumbnail(label);
    }
    const QList<QRectF> places = slotPlaces(report);
    const int perPage = int(places.size());
    for (int position = 1; position <= pages.size() * perPage; ++position) {
        const QImage& page = pages[(position - 1) / perPage];
        const QRect area = atRenderDpi(places[(position - 1) % perPage]);
        const int label = position - first + 1;
        const QString where = QString("page %1 slot %2")
                                  .arg((position - 1) / perPage + 1)
                                  .arg((position - 1) % perPage + 1);
        if (label < 1 || label > count) {
            if (inkedPixels(page, area) != 0)
                return where + " is not blank";
            continue;
        }
        const QImage printed = thumbnail(page.copy(area));
        int closest = 0;
        for (int other = 1; other < count; ++other)
            if (meanDifference(printed, composed[other]) <
                meanDifference(printed, composed[closest]))
                closest = other;
        if (closest != label - 1)
            return where + QString(" looks like label %1, not %2").arg(closest + 1).arg(label);
    }
    return {};
}

// "Render and preview", then Print in the preview once its page is drawn there, and Exit.
// True when the preview printed; the job is then in the spooler.
bool printFromPreview(MainForm& form) {
    bool printed = false;
    QObject context;
    QObject::connect(&test::child<SheetReport>(form, "SheetReport")->previewer(),
                     &ReportPreview::previewOpened, &context, [&](PreviewWindow* w) {
                         QTimer::singleShot(0, w, [&, w] {
                             if (QTest::qWaitFor([w] { return w->pageView()->hasPicture(); })) {
                                 w->print();
                                 printed = true;
                             }
                             QTest::mouseClick(test::child<QPushButton>(*w, "ExitButton"),
                                               Qt::LeftButton);
                         });
                     });
    QTest::mouseClick(test::child<QPushButton>(form, "Button9"), Qt::LeftButton);
    return printed;
}

// What is done to a preview while its loaded pages print, once page 3 is being drawn.
enum class MidPrint { CloseYes, CloseNo, ProgressCancel, SecondPrint, EscapeYes };
struct MidPrintRow {
    MidPrint action;
    bool windowStays;
    bool questionAsked;
    bool jobSent;
};

} // namespace

Q_DECLARE_METATYPE(MidPrintRow)

namespace {
// A spooler fault set up before Print, and what the message must say.
enum class Fault { NotAccepting, QueueDeleted, SchedulerDown, SpaceShort };
struct FaultRow {
    Fault fault;
    bool loadedPages; // the pages of a loaded file, else the report's own print
    const char* reason;
};

} // namespace

Q_DECLARE_METATYPE(FaultRow)

namespace {} // namespace

class PrintCupsTest : public QObject {
    Q_OBJECT
    QString m_out;

private slots:
    void initTestCase() {
        m_out = qEnvironmentVariable("QLX_CUPS_OUT");
        if (m_out.isEmpty())
            QFAIL("run by tests/print_cups.sh, which starts the private spooler");
        QVERIFY(printerInstalled());
    }
    void init() { QFile::remove(m_out); }

    // The page lands on A4 where it was drawn. Its job also shows that a range past the one
    // page sends none: a report printed just before it with such a range adds no job, as the
    // spooler takes jobs in the order they come.
    void reportPageOnA4() {
        const int jobsBefore = jobCount();
        ReportPreview outsideRange([] { return std::make_unique<FakePreviewDocument>(); },
                                   [](PreviewDocument&) {}, drawBoxes);
        outsideRange.settings().firstPage = 2;
        outsideRange.print();
        ReportPreview report([] { return std::make_unique<FakePreviewDocument>(); },
                             [](PreviewDocument&) {}, drawBoxes);
        report.print();
        QVERIFY(!report.isProducing());
        QVERIFY(waitForOutput(m_out));
        QCOMPARE(jobCount(), jobsBefore + 1);
        QTemporaryDir dir;
        const QImage page = singleA4Page(m_out, dir.path());
        QVERIFY(!page.isNull());
        for (const Box& b : kBoxes)
            QCOMPARE(boxMisplaced(page, b.tenths, b.colour), QString());
    }

    // The real sheet with a label of its own colour in every slot: each colour stands in its
    // slot's rectangle on A4, measured from the paper's edges, within half a millimetre.
    void sheetReportOnA4() {
        SheetReport report(nullptr);
        for (int n = 1; n <= SheetDefinition::kSlotCount; ++n)
            report.setSlotPicture(n, test::solidImage(test::slotColour(n)));
        report.setDateLineCaption("21:05:00 Monday, 7 December 2026");
        report.print(nullptr);
        QVERIFY(!report.previewer().isProducing());
        QVERIFY(waitForOutput(m_out));
        QTemporaryDir dir;
        const QImage page = singleA4Page(m_out, dir.path());
        QVERIFY(!page.isNull());
        QCOMPARE(slotsMisplaced(page, report), QString());
        for (const PlacedElement& e :
             SheetLayout::layout(report.definition(), DeviceMapping::screen())) {
            if (e.kind != PlacedKind::Rectangle)
                continue;
            // the title box's outline: dark pixels along its top edge
            const QPoint top = atRenderDpi((e.left + e.right) / 2, e.top);
            bool inked = false;
            for (int dy = -2; dy <= 2; ++dy)
                inked |= qGray(page.pixel(top + QPoint(0, dy))) < 128;
            QVERIFY2(inked, e.name.c_str());
        }
    }

    void landscapeAfterSetup() {
        PrinterSetupDialog::setHook([](const PrinterSetupDialog::Request& r) {
            PrinterSetupDialog::Answer a;
            a.printerName = r.settings.printerName;
            a.orientation = QPageLayout::Landscape;
            return std::optional(a);
        });
        ReportPreview report([] { return std::make_unique<FakePreviewDocument>(); },
                             [](PreviewDocument&) {}, drawBoxes);
        report.printerSetup(nullptr, 1, true);
        PrinterSetupDialog::setHook({});
        QCOMPARE(report.settings().orientation, QPageLayout::Landscape);
        QCOMPARE(report.pagePaper(), QSizeF(2970, 2100));
        report.print();
        QVERIFY(waitForOutput(m_out));
        QTemporaryDir dir;
        const QList<QImage> pages = renderPages(m_out, dir.path());
        QCOMPARE(pages.size(), 1);
        // the rendered page is turned (ghostscript may rotate it back; accept either way as
        // long as the first box is there in the page's own orientation)
        const QImage& page = pages[0];
        QVERIFY(page.width() != page.height());
        bool found = false;
        for (int y = 0; y < page.height() && !found; y += 4)
            for (int x = 0; x < page.width() && !found; x += 4)
                found = near(page.pixelColor(x, y), kBoxes[0].colour);
        QVERIFY(found);
    }

    // A saved sheet loaded into the preview and printed: every slot stands where a freshly
    // printed sheet has it, within half a millimetre of its place on the paper, and the job
    // goes to the printer, with the copies, chosen in Printer setup, under a name.
    void loadedReportPrintsWhereAFreshOneDoes() {
        const QString spare = qEnvironmentVariable("QLX_CUPS_SPARE");
        QVERIFY(!spare.isEmpty());
        QFile::remove(spare);
        QTemporaryDir dir;
        const QString file = dir.filePath("garden.LFP");
        SheetReport report(nullptr);
        for (int n = 1; n <= SheetDefinition::kSlotCount; ++n)
            report.setSlotPicture(n, test::solidImage(test::slotColour(n)));
        {
            PageStoreDocument saved;
            saved.addPage(report.recordPage());
            saved.finish();
            saved.saveTo(file);
        }
        PrintSettings chosen = report.previewer().settings();
        chosen.printerName = "spare";
        chosen.copies = 2;
        auto window = std::make_unique<PreviewWindow>(std::make_unique<PageStoreDocument>());
        window->setPrintSettingsSource([chosen] { return chosen; });
        FileDialog::setNextFileName(file);
        test::MessageBoxCatcher boxes;
        window->loadReport();
        window->print();
        FileDialog::clearAnswers();
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QVERIFY(waitForOutput(spare));
        QVERIFY(!QFileInfo::exists(m_out) || QFileInfo(m_out).size() == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!pageLogOf("spare").isEmpty(), 10000);
        const QStringList log = pageLogOf("spare");
        QVERIFY2(log.first().endsWith(" 2 Mineral labels - garden.LFP"), qPrintable(log.join('|')));

        const QList<QImage> pages = renderPages(spare, dir.path());
        QVERIFY(!pages.isEmpty());
        QCOMPARE(slotsMisplaced(pages.first(), report), QString());
    }

    // The road of a collector's evening: three labels typed, one of them with a new locality
    // after a completed one, the list grown to twenty, rendered and printed from the preview.
    // On paper: two pages; on page 2 slots 1 to 5 hold labels 16 to 20 and slots 6 to 15 are
    // blank. The labels are pictures, so each printed slot is compared with every label the
    // window composed: it must look most like its own one, which tells labels apart by their
    // text alone ("Mineral 7" from "Mineral 8").
    void journeyTwentyLabelsOnTwoPages() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const auto window = test::newWindow();
        MainForm& form = *window;
        auto* mineral = test::child<QLineEdit>(form, "Edit7");
        auto* locality = test::child<QLineEdit>(form, "Edit6");
        auto* add = test::child<QPushButton>(form, "Button6");
        auto* list = test::child<RichEditBox>(form, "RichEdit4");
        const struct {
            const char* mineral;
            const char* locality;
        } typed[] = {{"calc", "Fa"}, {"magn", "Tsumeb Mine, Namibia"}, {"anda", "Ki"}};
        for (const auto& label : typed) {
            mineral->setText(label.mineral);
            QTest::keyClick(mineral, Qt::Key_Return);
            locality->setText(label.locality);
            QTest::keyClick(locality, Qt::Key_Return);
            QTest::mouseClick(add, Qt::LeftButton);
        }
        QCOMPARE(list->lines().line(0), std::string("|Calcit|Falun, Dalarna|CaCO3|"));
        QCOMPARE(list->lines().line(1), std::string("|Magnetit|Tsumeb Mine, Namibia|Fe2+Fe3+2O4|"));
        QCOMPARE(list->lines().line(2), std::string("|Andalusit|Kiruna|Al2SiO5|"));
        for (int i = 4; i <= 20; ++i)
            list->lines().add("|Mineral " + std::to_string(i) + "|Place " + std::to_string(i) +
                              "|H" + std::to_string(i) + "O|");
        // Saved as a list file, whose name the print job then carries.
        FileDialog::setNextFileName(data.prefix() + "evening.rtf");
        QTest::mouseClick(test::child<QPushButton>(form, "Button8"), Qt::LeftButton);
        FileDialog::clearAnswers();

        QVERIFY(printFromPreview(form));
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QVERIFY(waitForOutput(m_out));
        QTRY_VERIFY_WITH_TIMEOUT(!pageLogOf("labels").isEmpty(), 10000);
        QVERIFY2(pageLogOf("labels").last().endsWith(" 2 Mineral labels - evening.rtf"),
                 qPrintable(pageLogOf("labels").join('|')));
        QTemporaryDir dir;
        const QList<QImage> pages = renderPages(m_out, dir.path());
        QCOMPARE(pages.size(), 2);
        const QString misplaced =
            labelsMisplaced(pages, *test::child<SheetReport>(form, "SheetReport"), 1, 20);
        QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced));
    }

    // A partly used sheet: a list of twenty that a spreadsheet wrote (UTF-8 with its mark,
    // quoted commas) opened as CSV, one record deleted, another edited in the fields and
    // replaced, the first label set to slot 7, rendered and printed. On paper page 1 has slots
    // 1 to 6 blank and labels 1 to 9 in slots 7 to 15; page 2 has labels 10 to 19 in slots 1 to
    // 10 and the rest blank. Each printed slot must look most like its own label (which
    // records the window renders from which slot is tst_sheetmenu's startSlotPlacesTheFirstLabel).
    void journeySpreadsheetListFromSlotSeven() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const auto window = test::newWindow();
        MainForm& form = *window;
        std::string csv = "\xEF\xBB\xBFMineral,Locality,Info\r\n";
        for (int i = 1; i <= 20; ++i)
            csv += "Mineral " + std::to_string(i) + ",\"L\xC3\xA5ngban " + std::to_string(i) +
                   ", V\xC3\xA4rmland\",H" + std::to_string(i) + "O\r\n";
        const QString listPath = data.prefix() + "spreadsheet.csv";
        QVERIFY(test::writeFile(listPath, csv));
        FileDialog::setNextFileName(listPath);
        QTest::mouseClick(test::child<QPushButton>(form, "Button7"), Qt::LeftButton);
        FileDialog::clearAnswers();
        auto* list = test::child<RichEditBox>(form, "RichEdit4");
        QCOMPARE(list->lines().count(), 20);
        QCOMPARE(list->lines().line(0),
                 std::string("|Mineral 1|L\xC3\xA5ngban 1, V\xC3\xA4rmland|H1O|"));

        // Record 5 deleted; record 2 edited in the fields and replaced in place.
        const auto cursorOn = [&](int line) {
            list->setTextCursor(QTextCursor(list->document()->findBlockByNumber(line)));
        };
        cursorOn(4);
        test::child<QAction>(form, "DeleteRecords")->trigger();
        cursorOn(1);
        test::child<QAction>(form, "EditInFields")->trigger();
        test::child<QLineEdit>(form, "Edit6")->setText("Tsumeb");
        QTest::mouseClick(test::child<QPushButton>(form, "Button6"), Qt::LeftButton);
        QCOMPARE(list->lines().count(), 19);
        QCOMPARE(list->lines().line(1), std::string("|Mineral 2|Tsumeb|H2O|"));
        QVERIFY(list->lines().text().find("|Mineral 5|") == std::string::npos);

        NumberDialog::setNextAnswer(7);
        test::child<QAction>(form, "StartSlot1")->trigger();
        NumberDialog::clearAnswers();
        QCOMPARE(test::child<QPushButton>(form, "Button9")->statusTip(),
                 QString("Starts at slot 7"));

        auto& report = *test::child<SheetReport>(form, "SheetReport");
        QVERIFY(printFromPreview(form));
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QVERIFY(waitForOutput(m_out));
        QTemporaryDir dir;
        const QList<QImage> pages = renderPages(m_out, dir.path());
        QCOMPARE(pages.size(), 2);

        const QString misplaced = labelsMisplaced(pages, report, 7, 19);
        QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced));
    }

    // The real print dialog of Printer setup shows the paper the sheet prints on: its
    // properties sheet lists A4 (the queue's own default is US Letter).
    void printerSetupShowsA4() {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; });
            auto* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            if (auto* properties = dialog->findChild<QPushButton*>("properties")) {
                QTimer::singleShot(0, [&, dialog] {
                    (void)QTest::qWaitFor(
                        [dialog] { return QApplication::activeModalWidget() != dialog; });
                    QWidget* sheet = QApplication::activeModalWidget();
                    for (QComboBox* combo : sheet->findChildren<QComboBox*>())
                        seen << combo->objectName() + "=" + combo->currentText();
                    qobject_cast<QDialog*>(sheet)->reject();
                });
                properties->click();
            }
            qobject_cast<QDialog*>(dialog)->reject();
        });
        PrintSettings settings;
        PrinterSetupDialog::run(nullptr, settings, 1, true);
        QVERIFY2(seen.contains("pageSizeCombo=A4"), qPrintable(seen.join("; ")));
    }

    // A report of three pages with pages 2 to 3 chosen: two sheets, page 2's then page 3's.
    // Each page draws only the box of its own number.
    void pageRangeOfAManyPageReport() {
        ReportPreview report(
            [] { return std::make_unique<FakePreviewDocument>(); }, [](PreviewDocument&) {},
            [](QPainter& p, const PageTarget& t) { drawBox(p, t, kBoxes[t.page - 1]); },
            [] { return 3; });
        report.settings().firstPage = 2;
        report.settings().lastPage = 3;
        report.print();
        QVERIFY(waitForOutput(m_out));
        QTemporaryDir dir;
        const QList<QImage> pages = renderPages(m_out, dir.path());
        QCOMPARE(pages.size(), 2);
        for (int sheet = 0; sheet < 2; ++sheet)
            for (int box = 0; box < 3; ++box) {
                const QPoint centre =
                    atRenderDpi(kBoxes[box].tenths.center().x(), kBoxes[box].tenths.center().y());
                QCOMPARE(near(pages[sheet].pixelColor(centre), kBoxes[box].colour),
                         box == sheet + 1);
            }
    }

    // Close, Esc, Cancel or Print once more while a loaded report prints: the window never
    // goes while its pages print (under ASan a use of the released pages would show), the
    // question comes only for a close, and a stopped job sends nothing.
    void actMidPrint_data() {
        test::dataRows<MidPrintRow>({
            {"close, answered yes", {MidPrint::CloseYes, false, true, false}},
            {"close, answered no", {MidPrint::CloseNo, true, true, true}},
            {"escape, answered yes", {MidPrint::EscapeYes, false, true, false}},
            {"progress cancel", {MidPrint::ProgressCancel, true, false, false}},
            {"second print click", {MidPrint::SecondPrint, true, false, true}},
        });
    }
    void actMidPrint() {
        QFETCH(MidPrintRow, row);
        constexpr int kPages = 12;
        QTemporaryDir dir;
        const QString file = dir.filePath("long.LFP");
        {
            FakePreviewDocument saved;
            for (int n = 0; n < kPages; ++n)
                saved.addPage(QColor::fromHsv(n * 30 % 360, 200, 200));
            saved.finish();
            saved.saveTo(file);
        }
        auto owned = std::make_unique<FakePreviewDocument>();
        FakePreviewDocument* doc = owned.get();
        const std::shared_ptr<bool> alive = doc->alive();
        QPointer<PreviewWindow> window = new PreviewWindow(std::move(owned));
        window->loadReportFile(file);
        window->show();
        const int jobsBefore = jobCount();
        test::MessageBoxCatcher boxes;
        boxes.queueAnswer(row.action == MidPrint::CloseNo ? MessageBox::Answer::No
                                                          : MessageBox::Answer::Yes);
        bool acted = false;
        int drawnWhenActed = 0;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (acted || !*alive || doc->drawCount() < 3 || !window)
                return;
            acted = true;
            drawnWhenActed = doc->drawCount();
            QVERIFY(window->isPrinting());
            switch (row.action) {
            case MidPrint::CloseYes:
            case MidPrint::CloseNo:
                QTest::mouseClick(test::child<QPushButton>(*window, "ExitButton"), Qt::LeftButton);
                break;
            case MidPrint::EscapeYes:
                QTest::keyClick(window, Qt::Key_Escape);
                break;
            case MidPrint::ProgressCancel:
                QTest::mouseClick(test::child<QPushButton>(
                                      *window->findChild<PrintProgressDialog*>(), "CancelButton"),
                                  Qt::LeftButton);
                break;
            case MidPrint::SecondPrint:
                QVERIFY(!window->action("Print")->isEnabled());
                window->print();
                break;
            }
        });
        watch.start();
        window->print();
        watch.stop();
        QVERIFY(acted);
        QTRY_COMPARE(bool(window), row.windowStays);
        QCOMPARE(*alive, row.windowStays);
        QCOMPARE(int(boxes.questions().size()), row.questionAsked ? 1 : 0);
        if (row.questionAsked)
            QCOMPARE(boxes.questions().front().text,
                     QString("A print job is running. Cancel it and close?"));
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        if (row.jobSent) {
            QVERIFY(waitForOutput(m_out));
            QCOMPARE(jobCount(), jobsBefore + 1); // one job, not two
            const QString info =
                QString::fromLocal8Bit(test::runTool("pdfinfo", {m_out}).value_or(QByteArray()));
            QVERIFY2(info.contains(QRegularExpression("Pages:\\s+12\\n")), qPrintable(info));
            QVERIFY(window->action("Print")->isEnabled());
        } else {
            // stopped before the page after the one being drawn
            QVERIFY(drawnWhenActed < kPages);
            if (*alive)
                QCOMPARE(doc->drawCount(), drawnWhenActed);
            QTest::qWait(0);
            QCOMPARE(jobCount(), jobsBefore);
        }
        QVERIFY(!window || !window->isPrinting());
        delete window.data();
    }

    // Each refusal of the spooler reaches the user as one message naming the printer and
    // the reason; nothing goes to another queue, and the preview keeps its pages.
    void faultsAreTold_data() {
        const char* notAccepting = "not accepting jobs";
        const char* gone = "no such printer";
        const char* down = "scheduler cannot be reached";
        const char* full = "temporary folder may be full";
        test::dataRows<FaultRow>({
            {"loaded, queue rejecting", {Fault::NotAccepting, true, notAccepting}},
            {"loaded, queue deleted", {Fault::QueueDeleted, true, gone}},
            {"loaded, scheduler down", {Fault::SchedulerDown, true, down}},
            {"loaded, spool space short", {Fault::SpaceShort, true, full}},
            {"report, queue rejecting", {Fault::NotAccepting, false, notAccepting}},
            {"report, queue deleted", {Fault::QueueDeleted, false, gone}},
            {"report, scheduler down", {Fault::SchedulerDown, false, down}},
            {"report, spool space short", {Fault::SpaceShort, false, full}},
        });
    }
    void faultsAreTold() {
        QFETCH(FaultRow, row);
        QTemporaryDir dir;
        const int jobsBefore = jobCount();
        QString queue = "labels";
        std::function<void()> undo = [] {
        };
        switch (row.fault) {
        case Fault::NotAccepting:
            QVERIFY(test::runTool("cupsreject", {"labels"}));
            undo = [] {
                (void)test::runTool("cupsaccept", {"labels"});
            };
            break;
        case Fault::QueueDeleted:
            queue = "chosen";
            QVERIFY(test::runTool("lpadmin", {"-p", "chosen", "-E", "-v", "file:///dev/null"}));
            QVERIFY(test::runTool("lpadmin", {"-x", "chosen"}));
            break;
        case Fault::SchedulerDown: {
            const QByteArray none = dir.filePath("none.sock").toUtf8();
            cupsSetServer(none.constData());
            undo = [] {
                cupsSetServer(nullptr);
            };
            break;
        }
        case Fault::SpaceShort:
            SpoolJob::setSpaceShortForTest(qint64(1) << 30);
            undo = [] {
                SpoolJob::setSpaceShortForTest(0);
            };
            break;
        }
        test::MessageBoxCatcher boxes;
        PrintSettings chosen;
        chosen.printerName = queue;
        QPointer<PreviewWindow> window;
        SheetReport report(nullptr);
        if (row.loadedPages) {
            const QString file = dir.filePath("two.LFP");
            {
                FakePreviewDocument saved;
                saved.addPage(Qt::red);
                saved.addPage(Qt::blue);
                saved.finish();
                saved.saveTo(file);
            }
            window = new PreviewWindow(std::make_unique<FakePreviewDocument>());
            window->setPrintSettingsSource([chosen] { return chosen; });
            window->loadReportFile(file);
            window->show();
            window->action("Print")->trigger();
        } else {
            report.previewer().settings().printerName = queue;
            guarded([&] { report.print(nullptr); });
        }
        undo();
        QCOMPARE(int(boxes.shown().size()), 1);
        const QString text = boxes.shown().front().text;
        QVERIFY2(text.contains("\"" + queue + "\"") && text.contains(row.reason), qPrintable(text));
        QVERIFY(boxes.shown().front().errorIcon);
        QCOMPARE(jobCount(), jobsBefore); // and none went anywhere else
        if (window) {
            QCOMPARE(window->document()->pageCount(), 2);
            QVERIFY(window->action("Print")->isEnabled());
            QVERIFY(!window->isPrinting());
            delete window.data();
        }
    }

    // With the scheduler down, Printer setup says so instead of "no printers".
    void printerSetupTellsSchedulerDown() {
        QTemporaryDir dir;
        std::optional<PrinterSetupDialog::Request> seen;
        PrinterSetupDialog::setHook([&](const PrinterSetupDialog::Request& r) {
            seen = r;
            return std::optional<PrinterSetupDialog::Answer>();
        });
        PrintSettings settings;
        PrinterSetupDialog::run(nullptr, settings, 1, true);
        QVERIFY(seen && seen->printerInstalled && !seen->schedulerUnreachable);
        const QByteArray none = dir.filePath("none.sock").toUtf8();
        cupsSetServer(none.constData());
        seen.reset();
        PrinterSetupDialog::run(nullptr, settings, 1, true);
        cupsSetServer(nullptr);
        PrinterSetupDialog::setHook({});
        QVERIFY(seen && !seen->printerInstalled && seen->schedulerUnreachable);
    }

    void loadedPagesPrintOnePerSheet() {
        FakePreviewDocument doc;
        doc.addPage(QColor(255, 0, 0));
        doc.addPage(QColor(0, 0, 255));
        doc.finish();
        QPrinter printer(QPrinter::HighResolution);
        configurePrinter(printer, PrintSettings(), QPageSize(QPageSize::A4), QString());
        QVERIFY(printDocumentPages(doc, printer, 0, 0));
        QVERIFY(waitForOutput(m_out));
        QTemporaryDir dir;
        const QList<QImage> pages = renderPages(m_out, dir.path());
        QCOMPARE(pages.size(), 2);
        // the fake draws its colour over the middle half of its page
        QVERIFY(
            near(pages[0].pixelColor(pages[0].width() / 2, pages[0].height() / 2 - 100), Qt::red));
        QVERIFY(
            near(pages[1].pixelColor(pages[1].width() / 2, pages[1].height() / 2 - 100), Qt::blue));
    }

    // Exit of the main window while a loaded report prints: the preview asks, stops before
    // its next page, closes once its page loop has returned, and nothing is sent. Last of the
    // functions: the program's exit ends every event loop of the process.
    void zExitDuringLoadedPrint() {
        QTemporaryDir dir;
        const QString file = dir.filePath("long.LFP");
        {
            SheetReport sheet(nullptr);
            for (int n = 1; n <= SheetDefinition::kSlotCount; ++n)
                sheet.setSlotPicture(n, test::solidImage(test::slotColour(n)));
            PageStoreDocument saved;
            for (int n = 0; n < 15; ++n)
                saved.addPage(sheet.recordPage());
            saved.finish();
            saved.saveTo(file);
        }
        const int jobsBefore = jobCount();
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const auto window = test::newWindow();
        MainForm& form = *window;
        QPointer<PreviewWindow> preview;
        bool acted = false;
        QObject::connect(&test::child<SheetReport>(form, "SheetReport")->previewer(),
                         &ReportPreview::previewOpened, &form, [&](PreviewWindow* w) {
                             preview = w;
                             QTimer::singleShot(0, w, [w] { w->action("Print")->trigger(); });
                         });
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (acted || !preview)
                return;
            const auto* progress = preview->findChild<PrintProgressDialog*>();
            if (progress && progress->pagesDone() >= 2) {
                acted = true;
                form.close();
            }
        });
        watch.start();
        form.openReportFile(file); // returns once the preview has gone
        watch.stop();
        QVERIFY(acted);
        QTRY_VERIFY(!preview);
        QVERIFY(!form.isVisible());
        QCOMPARE(int(boxes.questions().size()), 1);
        QCOMPARE(boxes.questions().front().text,
                 QString("A print job is running. Cancel it and close?"));
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QCOMPARE(jobCount(), jobsBefore);
    }
};

QTEST_MAIN(PrintCupsTest)
#include "tst_printcups.moc"
