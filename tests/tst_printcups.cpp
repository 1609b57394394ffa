#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QtTest>

#include "app/MainForm.h"
#include "platform/ErrorHandler.h"
#include "platform/RichEditBox.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "preview/PrintProgressDialog.h"
#include "preview/PrinterSetupDialog.h"
#include "preview/ReportPreview.h"
#include "preview/ReportPrinting.h"
#include "sheet/SheetLayout.h"
#include "sheet/SheetReport.h"
#include "support/DataFolderFixture.h"
#include "support/FakePreviewDocument.h"
#include "support/SlotColours.h"
#include "support/TestSupport.h"

#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

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
constexpr int kRenderDpi = 300;
constexpr double kTolerance = 5;

int toDevice(double v, double offset, double dpi) {
    return qRound((v - offset) * dpi / 254.0);
}

void drawBoxes(QPainter& p, const PageTarget& t) {
    for (const Box& b : kBoxes) {
        const QPoint tl(toDevice(b.tenths.left(), t.offsetLeft, t.dpiX),
                        toDevice(b.tenths.top(), t.offsetTop, t.dpiY));
        const QPoint br(toDevice(b.tenths.right(), t.offsetLeft, t.dpiX),
                        toDevice(b.tenths.bottom(), t.offsetTop, t.dpiY));
        p.fillRect(QRect(tl, br - QPoint(1, 1)), b.colour);
    }
}

QString runTool(const QString& program, const QStringList& args) {
    QProcess proc;
    proc.start(program, args);
    proc.waitForFinished(60000);
    return QString::fromLocal8Bit(proc.readAllStandardOutput());
}

// Waits until the spooler has no job left and the queue's file holds the page; bounded, so
// a broken spooler fails the test instead of hanging it.
bool waitForOutput(const QString& out) {
    for (int i = 0; i < 600; ++i) {
        const bool idle = runTool("lpstat", {"-o"}).trimmed().isEmpty();
        if (idle && QFileInfo(out).size() > 0)
            return true;
        QTest::qWait(100);
    }
    return false;
}

// Every job the spooler has taken since it started, printed or not.
int jobCount() {
    return int(runTool("lpstat", {"-W", "all", "-o"}).split('\n', Qt::SkipEmptyParts).size());
}

// The job's pages rendered at 100 dpi.
QList<QImage> renderPages(const QString& out, const QString& dir) {
    runTool("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m",
                   "-r" + QString::number(kRenderDpi), "-sOutputFile=" + dir + "/page%d.png", out});
    QList<QImage> pages;
    for (int n = 1;; ++n) {
        QImage img(dir + QString("/page%1.png").arg(n));
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

} // namespace

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

    void reportPageOnA4() {
        ReportPreview report([] { return std::make_unique<FakePreviewDocument>(); },
                             [](PreviewDocument&) {}, drawBoxes);
        report.print();
        QVERIFY(!report.isProducing());
        QVERIFY(waitForOutput(m_out));
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
        int slotCount = 0;
        for (const PlacedElement& e :
             SheetLayout::layout(report.definition(), DeviceMapping::screen())) {
            if (e.kind == PlacedKind::Rectangle) {
                // the title box's outline: dark pixels along its top edge
                const QPoint top = atRenderDpi((e.left + e.right) / 2, e.top);
                bool inked = false;
                for (int dy = -2; dy <= 2; ++dy)
                    inked |= qGray(page.pixel(top + QPoint(0, dy))) < 128;
                QVERIFY2(inked, e.name.c_str());
            }
            if (e.kind != PlacedKind::Slot)
                continue;
            ++slotCount;
            const QRectF r(QPointF(e.left, e.top), QPointF(e.right, e.bottom));
            const QString misplaced = boxMisplaced(page, r, test::slotColour(e.slot));
            QVERIFY2(misplaced.isEmpty(),
                     qPrintable(QString("slot %1: %2").arg(e.slot).arg(misplaced)));
        }
        QCOMPARE(slotCount, SheetDefinition::kSlotCount);
    }

    // The user's road: type, complete, add, render, then Print in the preview. The printed
    // page shows the two labels (the background's heading band) in the first two slots and
    // leaves the third white.
    void journeyFromTypingToPaper() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        MainForm form;
        test::child<QTimer>(form, "Timer4")->stop();
        guarded([&] { form.Timer4Timer(); });
        test::child<QLineEdit>(form, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(form, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(form, "Edit6")->setText("Fa");
        QTest::keyClick(test::child<QLineEdit>(form, "Edit6"), Qt::Key_Return);
        QTest::mouseClick(test::child<QPushButton>(form, "Button6"), Qt::LeftButton);
        test::child<QLineEdit>(form, "Edit7")->setText("magn");
        QTest::keyClick(test::child<QLineEdit>(form, "Edit7"), Qt::Key_Return);
        QTest::mouseClick(test::child<QPushButton>(form, "Button6"), Qt::LeftButton);
        QCOMPARE(test::child<RichEditBox>(form, "RichEdit4")->lines().count(), 2);

        bool printed = false;
        connect(&test::child<SheetReport>(form, "SheetReport")->previewer(),
                &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
                    QTimer::singleShot(0, w, [&, w] {
                        if (QTest::qWaitFor([w] { return w->pageView()->hasPicture(); })) {
                            w->print();
                            printed = true;
                        }
                        QTest::mouseClick(w->findChild<QPushButton*>("ExitButton"), Qt::LeftButton);
                    });
                });
        QTest::mouseClick(test::child<QPushButton>(form, "Button9"), Qt::LeftButton);
        QVERIFY(printed);
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QVERIFY(waitForOutput(m_out));
        QTemporaryDir dir;
        const QImage page = singleA4Page(m_out, dir.path());
        QVERIFY(!page.isNull());
        const QColor band(238, 234, 222);
        for (const PlacedElement& e :
             SheetLayout::layout(test::child<SheetReport>(form, "SheetReport")->definition(),
                                 DeviceMapping::screen())) {
            if (e.kind != PlacedKind::Slot || e.slot > 3)
                continue;
            const QRect r(atRenderDpi(e.left, e.top), atRenderDpi(e.right, e.bottom));
            int bandPixels = 0, inked = 0;
            for (int y = r.top() + 2; y < r.bottom() - 2; ++y)
                for (int x = r.left() + 2; x < r.right() - 2; ++x) {
                    const QColor c = page.pixelColor(x, y);
                    bandPixels +=
                        qAbs(c.red() - band.red()) < 12 && qAbs(c.blue() - band.blue()) < 12;
                    inked += c != QColor(Qt::white);
                }
            if (e.slot <= 2)
                QVERIFY2(bandPixels > 200, qPrintable(QString("slot %1").arg(e.slot)));
            else
                QCOMPARE(inked, 0);
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

    // A range past the one page sends no job: a job sent after it is the only new one once
    // the spooler has printed it, since the spooler takes jobs in the order they come.
    void outsidePageRangePrintsNothing() {
        const int jobsBefore = jobCount();
        ReportPreview report([] { return std::make_unique<FakePreviewDocument>(); },
                             [](PreviewDocument&) {}, drawBoxes);
        report.settings().firstPage = 2;
        report.print();
        ReportPreview marker([] { return std::make_unique<FakePreviewDocument>(); },
                             [](PreviewDocument&) {}, drawBoxes);
        marker.print();
        QVERIFY(waitForOutput(m_out));
        QCOMPARE(jobCount(), jobsBefore + 1);
        QTemporaryDir dir;
        QCOMPARE(renderPages(m_out, dir.path()).size(), 1);
    }

    void loadedPagesStretchedOverPrintableArea() {
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
        // the fake draws its colour over the middle half of the page it is stretched on
        QVERIFY(
            near(pages[0].pixelColor(pages[0].width() / 2, pages[0].height() / 2 - 100), Qt::red));
        QVERIFY(
            near(pages[1].pixelColor(pages[1].width() / 2, pages[1].height() / 2 - 100), Qt::blue));
    }
};

QTEST_MAIN(PrintCupsTest)
#include "tst_printcups.moc"
