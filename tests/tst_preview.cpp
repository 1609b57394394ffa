#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include "HostileInputs.h"
#include "metafile/Metafile.h"
#include "pagestore/PageStoreDocument.h"
#include "pagestore/PrinterSettings.h"
#include "preview/PageView.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewGlyphs.h"
#include "preview/PreviewWindow.h"
#include "preview/PrintProgressDialog.h"
#include "preview/PrintSpool.h"
#include "preview/PrinterSetupDialog.h"
#include "preview/ReportPreview.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/FakePreviewDocument.h"
#include "support/MessageBoxCatcher.h"
#include "support/SlotColours.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"

using namespace qlx;
using qlx::test::FakePreviewDocument;

namespace {

// A preview window on a fake document with `pages` pages, produced as the report does: the
// window opens first, then the pages arrive, and the production ends when `finished`.
struct OpenPreview {
    QPointer<PreviewWindow> window;
    FakePreviewDocument* doc = nullptr;
    std::shared_ptr<bool> alive;

    explicit OpenPreview(int pages, QSizeF paper = QSizeF(2100, 2970), bool finished = true) {
        auto d = std::make_unique<FakePreviewDocument>(paper);
        doc = d.get();
        alive = d->alive();
        window = new PreviewWindow(std::move(d));
        window->open();
        for (int i = 0; i < pages; ++i)
            doc->addPage(test::slotColour(i % 15 + 1));
        if (finished)
            doc->finish();
        QCoreApplication::processEvents();
    }
    ~OpenPreview() { delete window; }
    PageView* view() const { return window->pageView(); }
    // Restores the window from maximised to the size given.
    void resize(int width, int height) {
        window->showNormal();
        window->resize(width, height);
        QTRY_COMPARE(window->size(), QSize(width, height));
    }
};

// Table rows; each test names the fields where it takes them apart.
using PixelsRow = std::tuple<double, double, double, PixelSize>;
using ZoomRow = std::tuple<ZoomMode, PixelSize, int, int>;
using PlacementRow = std::tuple<int, PixelSize, ImagePlacement>;
using KeyRow = std::tuple<int, int, PagingCommand>;
using PagingRow = std::tuple<int, int, int, int, int>;
using StepRow = std::tuple<int, int, int>;
using LimitsRow = std::tuple<int, bool, QList<int>>; // count, finished; min, max, from, to
using AnswerRow = std::tuple<PrinterSetupDialog::Range, int, int>;
using RangeRow = std::tuple<int, int, int, bool>;
using PanelRow = std::pair<QList<int>, QStringList>;
using ProgressRow = std::tuple<QList<int>, int, QString>;
using LoadRow = std::pair<QByteArray, QString>;

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT
    QList<std::optional<QString>> m_answers;
    QList<FileDialog::Request> m_requests;
    void answer(const std::optional<QString>& name) { m_answers << name; }

private slots:
    void initTestCase() {
        // No spooler: the printer-less paths are what this suite checks.
        qputenv("CUPS_SERVER", QByteArray(QLX_BINARY_DIR) + "/no-such-cups.sock");
        qputenv("PRINTER", "");
    }
    void init() {
        FileDialog::clearAnswers();
        m_requests.clear();
        // Every opening is answered from the queue below and its request kept for checking.
        FileDialog::setAnswerFunction([this](const FileDialog::Request& r) {
            m_requests << r;
            return m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
        });
    }
    void cleanup() { FileDialog::clearAnswers(); }

    // ---- zoom arithmetic --------------------------------------------------------------
    void pagePixelsAt_data() {
        test::dataRows<PixelsRow>({
            {"A4 at 96", {2100, 2970, 96, {794, 1123}}},
            {"A4 landscape at 96", {2970, 2100, 96, {1123, 794}}},
            {"A4 at 120", {2100, 2970, 120, {992, 1403}}},
            {"Letter at 96", {2159, 2794, 96, {816, 1056}}},
        });
    }
    void pagePixelsAt() {
        QFETCH(PixelsRow, row);
        const auto [w, h, dpi, expected] = row;
        QCOMPARE(pagePixels(w, h, dpi, dpi), expected);
    }

    void zoomForModes_data() {
        // 1000 / 794 * 90 = 113.35; 800 / 1123 * 95 = 67.68; 400 / 794 * 95 = 47.86 against
        // 2000 / 1123 * 95 = 169.2; 1920 / 794 * 90 = 217.6; 8 / 794 * 90 = 0.9 is below 2 and
        // refused, 18 / 794 * 90 = 2.04 the smallest allowed; 200000 / 794 * 90 = 22670 is
        // above 2000 and refused.
        test::dataRows<ZoomRow>({
            {"width", {ZoomMode::Width, {1000, 800}, 100, 113}},
            {"fit limited by height", {ZoomMode::Fit, {1000, 800}, 100, 68}},
            {"fit limited by width", {ZoomMode::Fit, {400, 2000}, 100, 48}},
            {"fixed keeps", {ZoomMode::Fixed, {1000, 800}, 37, 37}},
            {"full HD width", {ZoomMode::Width, {1920, 1000}, 100, 218}},
            {"too small for 2%", {ZoomMode::Width, {8, 800}, 75, 75}},
            {"just 2%", {ZoomMode::Width, {18, 800}, 75, 2}},
            {"fit too small", {ZoomMode::Fit, {1000, 10}, 64, 64}},
            {"too large", {ZoomMode::Width, {200000, 800}, 90, 90}},
            {"empty view", {ZoomMode::Fit, {0, 0}, 90, 90}},
        });
    }
    void zoomForModes() {
        QFETCH(ZoomRow, row);
        const auto [mode, view, current, expected] = row;
        QCOMPARE(zoomForMode(mode, view, {794, 1123}, current), expected);
    }

    void imagePlacement_data() {
        // 794 * 50 / 100 = 397 + 4; 1123 * 50 / 100 = 561.5 rounds to 562, + 4;
        // 794 * 2 / 100 = 15.88 -> 16; 1123 * 2 / 100 = 22.46 -> 22
        test::dataRows<PlacementRow>({
            {"half, centred both ways", {50, {1000, 900}, {299, 167, 401, 566}}},
            {"100 wider than view", {100, {500, 2000}, {0, 436, 798, 1127}}},
            {"odd difference rounds down", {100, {799, 1128}, {0, 0, 798, 1127}}},
            {"exact fit is not centred", {100, {798, 1127}, {0, 0, 798, 1127}}},
            {"2%", {2, {100, 100}, {40, 37, 20, 26}}},
            {"2000%", {2000, {1920, 1080}, {0, 0, 15884, 22464}}},
        });
    }
    void imagePlacement() {
        QFETCH(PlacementRow, row);
        const auto [zoom, view, expected] = row;
        QCOMPARE(placeImage({794, 1123}, zoom, view), expected);
    }

    void pagingKeys_data() {
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
        const int keypad = Qt::KeypadModifier;
        test::dataRows<KeyRow>({
            {"Esc", {Qt::Key_Escape, 0, PagingCommand::Close}},
            {"Ctrl+Esc", {Qt::Key_Escape, ctrl, PagingCommand::Close}},
            {"PgUp", {Qt::Key_PageUp, 0, PagingCommand::Previous}},
            {"Ctrl+PgUp", {Qt::Key_PageUp, ctrl, PagingCommand::First}},
            {"Shift+PgUp", {Qt::Key_PageUp, shift, PagingCommand::Previous}},
            {"Ctrl+Shift+PgUp", {Qt::Key_PageUp, ctrl | shift, PagingCommand::Previous}},
            {"Ctrl+Alt+PgUp", {Qt::Key_PageUp, ctrl | alt, PagingCommand::Previous}},
            {"keypad Ctrl+PgUp", {Qt::Key_PageUp, ctrl | keypad, PagingCommand::First}},
            {"PgDn", {Qt::Key_PageDown, 0, PagingCommand::Next}},
            {"Ctrl+PgDn", {Qt::Key_PageDown, ctrl, PagingCommand::Last}},
            {"Shift+PgDn", {Qt::Key_PageDown, shift, PagingCommand::Next}},
            {"Home", {Qt::Key_Home, 0, PagingCommand::First}},
            {"Ctrl+Home", {Qt::Key_Home, ctrl, PagingCommand::First}},
            {"End", {Qt::Key_End, shift, PagingCommand::Last}},
            {"other key", {Qt::Key_Down, 0, PagingCommand::None}},
            {"Ctrl++ (shifted =)", {Qt::Key_Plus, ctrl | shift, PagingCommand::ZoomIn}},
            {"Ctrl+= (unshifted)", {Qt::Key_Equal, ctrl, PagingCommand::ZoomIn}},
            {"keypad Ctrl++", {Qt::Key_Plus, ctrl | keypad, PagingCommand::ZoomIn}},
            {"Ctrl+-", {Qt::Key_Minus, ctrl, PagingCommand::ZoomOut}},
            {"+ alone types", {Qt::Key_Plus, shift, PagingCommand::None}},
            {"- alone types", {Qt::Key_Minus, 0, PagingCommand::None}},
            {"Ctrl+Alt+-", {Qt::Key_Minus, ctrl | alt, PagingCommand::None}},
        });
    }
    void pagingKeys() {
        QFETCH(KeyRow, row);
        const auto [key, mods, command] = row;
        QCOMPARE(pagingCommandForKey(key, mods), command);
    }

    // ---- drawing the page image -------------------------------------------------------
    void pageImagePixels_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(24, 30);
        QTest::newRow("sheet at 50%") << QSize(401, 566);
    }
    void pageImagePixels() {
        QFETCH(QSize, size);
        const int w = size.width(), h = size.height();
        FakePreviewDocument doc;
        doc.addPage(QColor(0, 0, 255));
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            PageView::drawPageImage(p, doc, 1, w, h);
        }
        const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
        // outline: column 0 and row 0 up to w - 2, column w - 2 and row h - 2
        QCOMPARE(img.pixel(0, 0), black);
        QCOMPARE(img.pixel(0, h - 2), black);
        QCOMPARE(img.pixel(w - 2, 0), black);
        QCOMPARE(img.pixel(w / 3, 0), black);
        QCOMPARE(img.pixel(0, h / 3), black);
        // inside: white page
        QCOMPARE(img.pixel(1, 1), white);
        QCOMPARE(img.pixel(w - 3, h - 3), white);
        // shadow, 2 pixels thick, starting 2 pixels in from the corners
        QCOMPARE(img.pixel(w - 1, 2), black);
        QCOMPARE(img.pixel(w - 1, h - 1), black);
        QCOMPARE(img.pixel(2, h - 1), black);
        QCOMPARE(qAlpha(img.pixel(w - 1, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(w - 1, 1)), 0);
        QCOMPARE(qAlpha(img.pixel(0, h - 1)), 0);
        QCOMPARE(qAlpha(img.pixel(1, h - 1)), 0);
        // the page picture stretched over the whole image: the fake's band in the middle
        QCOMPARE(img.pixel(w / 2 - w / 8, h / 2 - h / 8), qRgb(0, 0, 255));
    }

    void glyphsAtBothRatios() {
        for (int g = 0; g < kPreviewGlyphCount; ++g) {
            for (int ratio : {1, 2}) {
                const QImage img = previewGlyphPixmap(PreviewGlyph(g), ratio).toImage();
                QCOMPARE(img.size(), QSize(16 * ratio, 16 * ratio));
                int inked = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        inked += qAlpha(img.pixel(x, y)) > 128;
                QVERIFY2(inked > 10 * ratio * ratio, qPrintable(QString::number(g)));
            }
            // every glyph differs from the others
            for (int other = 0; other < g; ++other)
                QVERIFY(previewGlyphPixmap(PreviewGlyph(g), 1).toImage() !=
                        previewGlyphPixmap(PreviewGlyph(other), 1).toImage());
        }
    }

    // ---- the window -------------------------------------------------------------------
    // A page with a part that cannot be drawn says so beside the page number; a sound page
    // shown after it clears the message.
    void pageThatCannotBeDrawnWholeIsNamed() {
        auto doc = std::make_unique<PageStoreDocument>();
        doc->addPage(Metafile::fromBytes(hostile::emfBrokenPngThenRectangle()));
        doc->addPage(Metafile::fromBytes(hostile::emfPolygon(10)));
        doc->finish();
        QPointer<PreviewWindow> w = new PreviewWindow(std::move(doc));
        w->open();
        QTRY_VERIFY(w->pagePanel()->text().startsWith(
            "Page 1 of 2 - this page cannot be drawn whole: The metafile holds a damaged bitmap"));
        w->action("NextPage")->trigger();
        QTRY_COMPARE(w->pagePanel()->text(), QString("Page 2 of 2"));
        w->close();
        delete w;
    }

    void openingState() {
        OpenPreview p(0, QSizeF(2100, 2970), false);
        PreviewWindow* w = p.window;
        QCOMPARE(w->windowTitle(), QString("Print Preview"));
        QVERIFY(w->isMaximized());
        QCOMPARE(w->pagePanel()->text(), QString("Page 1 of 0"));
        QCOMPARE(w->progressPanel()->text(), QString("0%"));
        QCOMPARE(w->progressPanel()->width(), 40);
        QVERIFY(w->progressPanel()->alignment() & Qt::AlignRight);
        QVERIFY(!w->pageView()->hasPicture());
        QVERIFY(!w->action("PrintSetup")->isEnabled());
        QVERIFY(!w->action("Print")->isEnabled());
        QVERIFY(w->action("ZoomToWidth")->isChecked());
        QVERIFY(!w->action("ZoomFit")->isChecked());
        QVERIFY(!w->action("Zoom100")->isChecked());
        const QString hints = "ZoomFit:Zoom to fit, Zoom100:100%, ZoomToWidth:Zoom to width, "
                              "FirstPage:First page, PreviousPage:Previous page, NextPage:Next "
                              "page, LastPage:Last page, PrintSetup:Printer setup (Ctrl+Shift+P), "
                              "Print:Print (Ctrl+P), SaveReport:Save Report (Ctrl+S), "
                              "LoadReport:Load Report (Ctrl+O), SaveAsPdf:Save as PDF (Ctrl+E)";
        for (const QString& hint : hints.split(", "))
            QCOMPARE(w->action(hint.section(':', 0, 0))->toolTip(), hint.section(':', 1));
        auto* close = test::child<QPushButton>(*w, "ExitButton");
        QVERIFY(close);
        QCOMPARE(close->text(), QString("&Close"));
        QCOMPARE(close->size(), QSize(40, 22));

        // the page arrives after production, as a posted notice
        p.doc->addPage(Qt::red);
        p.doc->finish();
        QCOMPARE(w->pagePanel()->text(), QString("Page 1 of 0"));
        QTRY_COMPARE(w->pagePanel()->text(), QString("Page 1 of 1"));
        QVERIFY(w->pageView()->hasPicture());
        QVERIFY(w->action("PrintSetup")->isEnabled());
        QVERIFY(w->action("Print")->isEnabled());
        // zoomed to width: the page takes 90% of the view's width, within one zoom step (an
        // A4 page is 794 pixels wide at 100%)
        const int viewWidth = w->pageView()->width();
        const int pageShown = w->pageView()->imagePlacement().width - 4;
        QVERIFY2(qAbs(pageShown - 0.9 * viewWidth) <= 794 / 100.0 + 1,
                 qPrintable(QString("%1 of %2").arg(pageShown).arg(viewWidth)));
        QCOMPARE(w->pageView()->zoomMode(), ZoomMode::Width);
    }

    void pagingCommands_data() {
        // Which key gives which command is pagingKeys' table; these rows are what each
        // command does to the page shown, at the ends too.
        const int ctrl = Qt::ControlModifier;
        test::dataRows<PagingRow>({
            {"one page: End", {1, 1, Qt::Key_End, 0, 1}},
            {"PgDn", {4, 2, Qt::Key_PageDown, 0, 3}},
            {"PgDn at the end", {4, 4, Qt::Key_PageDown, 0, 4}},
            {"PgUp", {4, 3, Qt::Key_PageUp, 0, 2}},
            {"PgUp at the start", {4, 1, Qt::Key_PageUp, 0, 1}},
            {"Ctrl+PgUp", {4, 3, Qt::Key_PageUp, ctrl, 1}},
            {"Ctrl+PgDn", {4, 2, Qt::Key_PageDown, ctrl, 4}},
            {"Home", {4, 3, Qt::Key_Home, 0, 1}},
            {"End", {4, 2, Qt::Key_End, 0, 4}},
        });
    }
    void pagingCommands() {
        QFETCH(PagingRow, row);
        const auto [pages, start, key, mods, shown] = row;
        OpenPreview p(pages);
        p.window->goToPage(start);
        QCOMPARE(p.view()->shownPage(), start);
        p.view()->horizontalScrollBar()->setValue(p.view()->horizontalScrollBar()->maximum());
        // keys reach the window even when the page view, which scrolls on them, has focus
        QTest::keyClick(p.view()->viewport(), Qt::Key(key), Qt::KeyboardModifiers(mods));
        QCOMPARE(p.view()->shownPage(), shown);
        QCOMPARE(p.window->pagePanel()->text(), QString("Page %1 of %2").arg(shown).arg(pages));
        if (shown != start)
            QCOMPARE(p.view()->horizontalScrollBar()->value(), 0);
        QVERIFY(p.window); // paging never closes
    }

    void pagingOutOfRangeIgnored() {
        OpenPreview p(3);
        for (int n : {0, -1, 4, 99}) {
            p.window->goToPage(n);
            QCOMPARE(p.view()->shownPage(), 1);
            QCOMPARE(p.window->pagePanel()->text(), QString("Page 1 of 3"));
        }
        p.window->goToPage(3);
        QCOMPARE(p.view()->shownPage(), 3);
    }

    // Restored from maximised, the window stands at its designed size in the middle of the
    // screen.
    void restoredWindowIsCentred() {
        OpenPreview p(1);
        QVERIFY(p.window->isMaximized());
        p.window->showNormal();
        QTRY_VERIFY(!p.window->isMaximized());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_COMPARE(p.window->size(), QSize(652, 579));
        // Within the width of a window frame, which is not known before the window shows.
        const QPoint offCentre = p.window->frameGeometry().center() - screen.center();
        QVERIFY2(qAbs(offCentre.x()) <= 4 && qAbs(offCentre.y()) <= 4,
                 qPrintable(QString("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    }

    void zoomSteps_data() {
        test::dataRows<StepRow>({
            {"100 in", {100, 1, 125}},
            {"100 out", {100, -1, 75}},
            {"between steps in", {110, 1, 125}},
            {"between steps out", {110, -1, 100}},
            {"top stays", {400, 1, 400}},
            {"bottom stays", {25, -1, 25}},
            {"below the steps in", {10, 1, 25}},
            {"below the steps out", {10, -1, 10}},
            {"above the steps out", {1000, -1, 400}},
        });
    }
    void zoomSteps() {
        QFETCH(StepRow, row);
        const auto [current, direction, next] = row;
        QCOMPARE(zoomStep(current, direction), next);
    }

    // Zoom in and out from the tool bar, the keyboard and Ctrl with the wheel, each a step
    // from the zoom shown; no zoom button stays pressed except "100%" at 100%.
    void zoomInAndOut() {
        OpenPreview p(1);
        p.resize(900, 700);
        const int width = p.view()->zoom();
        p.window->action("ZoomIn")->trigger();
        QCOMPARE(p.view()->zoom(), zoomStep(width, 1));
        QVERIFY(p.view()->zoom() > width);
        QCOMPARE(p.view()->zoomMode(), ZoomMode::Fixed);
        QVERIFY(!p.window->action("ZoomToWidth")->isChecked());
        QVERIFY(!p.window->action("Zoom100")->isChecked());

        p.window->action("Zoom100")->trigger();
        QTest::keyClick(p.view()->viewport(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(p.view()->zoom(), 75);
        QVERIFY(!p.window->action("Zoom100")->isChecked());
        QTest::keyClick(p.view()->viewport(), Qt::Key_Plus,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(p.view()->zoom(), 100);
        QVERIFY(p.window->action("Zoom100")->isChecked());

        const auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
            QWidget* target = p.view()->viewport();
            const QPointF at(target->width() / 2.0, target->height() / 2.0);
            QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          mods, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &e);
        };
        wheel(120, Qt::ControlModifier);
        QCOMPARE(p.view()->zoom(), 125);
        wheel(-120, Qt::ControlModifier);
        wheel(-120, Qt::ControlModifier);
        QCOMPARE(p.view()->zoom(), 75);
        wheel(-120, Qt::NoModifier); // scrolls, does not zoom
        QCOMPARE(p.view()->zoom(), 75);
        for (int i = 0; i < 12; ++i)
            p.window->action("ZoomIn")->trigger();
        QCOMPARE(p.view()->zoom(), 400);
    }

    void zoomButtonsAndResize() {
        OpenPreview p(1);
        p.resize(900, 700);
        p.window->action("Zoom100")->trigger();
        QCOMPARE(p.view()->zoom(), 100);
        QVERIFY(p.window->action("Zoom100")->isChecked());
        QVERIFY(!p.window->action("ZoomToWidth")->isChecked());
        p.resize(600, 500);
        QCOMPARE(p.view()->zoom(), 100);

        p.window->action("ZoomFit")->trigger();
        const int fitBefore = p.view()->zoom();
        QVERIFY(fitBefore < 100);
        p.resize(900, 800);
        const int fitAfter = p.view()->zoom();
        QVERIFY(fitAfter > fitBefore);
        // the whole page fits, and fills 95% of the view on one side (one zoom step of slack)
        const ImagePlacement img = p.view()->imagePlacement();
        const QSize view = p.view()->size();
        const double stepW = 794 / 100.0, stepH = 1123 / 100.0;
        QVERIFY(img.width - 4 <= view.width() * 0.95 + stepW);
        QVERIFY(img.height - 4 <= view.height() * 0.95 + stepH);
        QVERIFY(qAbs(img.width - 4 - view.width() * 0.95) <= stepW ||
                qAbs(img.height - 4 - view.height() * 0.95) <= stepH);
        // centred horizontally: the page is narrower than the view
        QCOMPARE(img.left, (p.view()->viewport()->width() - img.width) / 2);
        QVERIFY(p.window->action("ZoomFit")->isChecked());
    }

    void viewTooSmallKeepsZoom() {
        FakePreviewDocument doc;
        doc.addPage(Qt::blue);
        PageView view;
        view.setDocument(&doc);
        view.resize(400, 400);
        view.show();
        view.showPage(1);
        view.setZoomMode(ZoomMode::Fit);
        const int zoom = view.zoom();
        QVERIFY(zoom > 2);
        view.resize(12, 12); // fit would be 12 / 1123 * 95, below 2%
        QCoreApplication::processEvents();
        QCOMPARE(view.zoom(), zoom);
        QCOMPARE(view.zoomMode(), ZoomMode::Fit);
        view.resize(200, 200);
        QCoreApplication::processEvents();
        QVERIFY(view.zoom() < zoom); // the mode stayed: a usable size fits again
        view.setFixedZoom(2001);
        QCOMPARE(view.zoomMode(), ZoomMode::Fixed);
        QVERIFY(view.zoom() < zoom);
        view.setFixedZoom(2000);
        QCOMPARE(view.zoom(), 2000);
    }

    void repaintDoesNotReplay() {
        OpenPreview p(1);
        QWidget* vp = p.view()->viewport();
        vp->repaint();
        const int played = p.doc->drawCount();
        QVERIFY(played >= 1);
        vp->repaint();
        p.view()->verticalScrollBar()->setValue(50);
        vp->repaint();
        QCOMPARE(p.doc->drawCount(), played);
        p.window->action("Zoom100")->trigger();
        vp->repaint();
        QCOMPARE(p.doc->drawCount(), played + 1);
        QCOMPARE(p.view()->verticalScrollBar()->value(), 0);
    }

    void progressPanel_data() {
        test::dataRows<PanelRow>({
            {"steps of five", {{5, 7, 10, 12, 16}, {"5%", "5%", "10%", "10%", "16%"}}},
            {"small steps", {{3, 4, 6}, {"0%", "0%", "6%"}}},
            {"ends cleared", {{50, 100}, {"50%", ""}}},
            {"zero clears", {{0}, {""}}},
        });
    }
    void progressPanel() {
        QFETCH(PanelRow, row);
        const auto [notices, texts] = row;
        OpenPreview p(1);
        for (int i = 0; i < notices.size(); ++i) {
            p.doc->reportProgress(notices[i]);
            QCoreApplication::processEvents();
            QCOMPARE(p.window->progressPanel()->text(), texts[i]);
        }
    }

    // ---- save and load ----------------------------------------------------------------
    void saveThenLoad() {
        QTemporaryDir dir;
        OpenPreview saved(2);
        answer(dir.filePath("sheet"));
        saved.window->action("SaveReport")->trigger();
        QVERIFY(QFileInfo::exists(dir.filePath("sheet.LFP")));
        QCOMPARE(m_requests.value(0).title, QString("Save report"));
        QCOMPARE(
            m_requests.value(0).filters,
            (QStringList{"Leafpress file(*.LFP)",
                         "Leafpress file, compressed - older readers cannot open it (*.LFP)"}));
        QCOMPARE(m_requests.value(0).mode, FileDialog::Mode::Save);

        OpenPreview other(1, QSizeF(2970, 2100));
        other.window->goToPage(1);
        test::MessageBoxCatcher boxes;
        answer(dir.filePath("sheet.LFP"));
        other.window->action("LoadReport")->trigger();
        QVERIFY(boxes.shown().empty());
        QCOMPARE(m_requests.value(1).title, QString("Load report"));
        QCOMPARE(m_requests.value(1).filters, QStringList{"Leafpress file (*.LFP)"});
        QCOMPARE(m_requests.value(1).mode, FileDialog::Mode::Open);
        QCOMPARE(other.window->pagePanel()->text(), QString("Page 1 of 2"));
        QCOMPARE(other.doc->pageColour(1), saved.doc->pageColour(1));
        QCOMPARE(other.doc->pageColour(2), saved.doc->pageColour(2));
        QVERIFY(other.doc->isLoadedFromFile());
        QVERIFY(!other.window->action("PrintSetup")->isEnabled());
        QVERIFY(other.window->action("Print")->isEnabled());
        // the shown page is the loaded one, on the loaded (portrait) paper
        const QImage shot = other.view()->viewport()->grab().toImage();
        const ImagePlacement img = other.view()->imagePlacement();
        QVERIFY(img.height > img.width);
        const QPoint inBand(img.left + img.width / 2 - img.width / 8,
                            img.top + img.height / 2 - img.height / 8);
        QCOMPARE(shot.pixelColor(inBand), saved.doc->pageColour(1));
    }

    void loadFailures_data() {
        // The file's content (empty: no file at all), the message.
        test::dataRows<LoadRow>({
            {"missing", {"", "File does not exist."}},
            {"damaged", {QByteArray("\x03\x00\x31\x01garbage", 11), "Failed to Load Stream."}},
            {"bad page", {"QLXFAKEPAGES 1\n2100 2970\nnot-a-colour\n", "Failed to Load Stream."}},
        });
    }
    void loadFailures() {
        QFETCH(LoadRow, row);
        const auto [content, message] = row;
        QTemporaryDir dir;
        const QString path = dir.filePath("in.LFP");
        if (!content.isEmpty())
            QVERIFY(test::writeFile(path, content.toStdString()));
        OpenPreview p(1);
        const int played = p.doc->drawCount();
        test::MessageBoxCatcher boxes;
        answer(path);
        p.window->action("LoadReport")->trigger();
        QCOMPARE(boxes.texts(), QStringList{message});
        QCOMPARE(boxes.shown()[0].caption, QString("Quillmar Mineral Label Studio"));
        // nothing changed: the page is still shown, the report's commands still there
        QVERIFY(p.view()->hasPicture());
        QCOMPARE(p.doc->pageColour(1), test::slotColour(1));
        QVERIFY(!p.doc->isLoadedFromFile());
        QCOMPARE(p.window->pagePanel()->text(), QString("Page 1 of 1"));
        QVERIFY(p.window->action("PrintSetup")->isEnabled());
        p.view()->viewport()->repaint();
        QVERIFY(p.doc->drawCount() >= played);
    }

    void saveCancelledOrUnfinishedWritesNothing() {
        QTemporaryDir dir;
        OpenPreview p(1, QSizeF(2100, 2970), false);
        answer(dir.filePath("early.LFP"));
        p.window->saveReport();
        QVERIFY(!QFileInfo::exists(dir.filePath("early.LFP")));
        p.doc->finish();
        answer(std::nullopt); // Cancel
        p.window->saveReport();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    }

    // ---- closing ----------------------------------------------------------------------
    void closingReleasesDocument_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("Close button") << "button";
        QTest::newRow("close box") << "box";
    }
    void closingReleasesDocument() {
        QFETCH(QString, how);
        OpenPreview p(1);
        QSignalSpy closing(p.window.data(), &PreviewWindow::previewClosing);
        if (how == "esc")
            QTest::keyClick(p.view()->viewport(), Qt::Key_Escape);
        else if (how == "button")
            QTest::mouseClick(test::child<QPushButton>(*p.window, "ExitButton"), Qt::LeftButton);
        else
            p.window->close();
        QCOMPARE(closing.count(), 1);
        QVERIFY(!*p.alive);
        QTRY_VERIFY(p.window.isNull());
    }

    // ---- the preview operation --------------------------------------------------------
    void previewRunsUntilClosed() {
        QWidget mainWindow;
        auto* edit = new QLineEdit(&mainWindow);
        mainWindow.show();
        std::shared_ptr<bool> alive;
        int produced = 0;
        ReportPreview* self = nullptr;
        ReportPreview report(
            [&] {
                auto d = std::make_unique<FakePreviewDocument>();
                alive = d->alive();
                return d;
            },
            [&](PreviewDocument& doc) {
                ++produced;
                self->preview(); // a request while producing is ignored
                auto& fake = static_cast<FakePreviewDocument&>(doc);
                fake.addPage(Qt::green);
                fake.finish();
            },
            [](QPainter&, const PageTarget&) {});
        self = &report;
        QString panelSeen;
        bool maximised = false;
        bool documentAliveWhileOpen = false;
        connect(&report, &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            // Runs inside the preview's own event loop: the main window takes input.
            QTimer::singleShot(0, &mainWindow, [&, w] {
                QTest::keyClicks(edit, "quartz");
                panelSeen = w->pagePanel()->text();
                maximised = w->isMaximized();
                documentAliveWhileOpen = *alive;
                QTest::keyClick(w->pageView()->viewport(), Qt::Key_Escape);
            });
        });
        report.preview();
        QCOMPARE(produced, 1);
        QCOMPARE(edit->text(), QString("quartz"));
        QCOMPARE(panelSeen, QString("Page 1 of 1"));
        QVERIFY(maximised);
        QVERIFY(documentAliveWhileOpen);
        QVERIFY(!*alive);
        QVERIFY(!report.isProducing());
        QVERIFY(report.window() == nullptr);
    }

    // A run whose production fails leaves the window open saying why, with nothing offered
    // that needs the whole run: on the first page (no pages) or on a later one.
    void failedRunSaysWhy_data() {
        QTest::addColumn<int>("failingPage");
        QTest::newRow("first page") << 1;
        QTest::newRow("second page") << 2;
    }
    void failedRunSaysWhy() {
        QFETCH(int, failingPage);
        ReportPreview report([] { return std::make_unique<FakePreviewDocument>(); },
                             ReportPreview::Production([failingPage](PreviewDocument& doc) {
                                 auto& fake = static_cast<FakePreviewDocument&>(doc);
                                 auto next = std::make_shared<int>(1);
                                 return ReportPreview::ProductionStep([&fake, next, failingPage] {
                                     if (*next == failingPage)
                                         throw Error("Cannot create file /nowhere/LFP");
                                     fake.addPage(Qt::red);
                                     return ++*next <= 3;
                                 });
                             }),
                             [](QPainter&, const PageTarget&) {});
        QString panel;
        QStringList disabled;
        connect(&report, &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(0, w, [&, w] {
                QTRY_VERIFY(!w->runFailure().isEmpty());
                QTest::qWait(0);
                panel = w->pagePanel()->text();
                for (const char* name : {"SaveReport", "Print", "PrintSetup", "SaveAsPdf"})
                    if (!w->action(name)->isEnabled())
                        disabled << name;
                w->close();
            });
        });
        test::MessageBoxCatcher boxes;
        report.preview();
        QCOMPARE(boxes.texts(),
                 QStringList{"Cannot create file /nowhere/LFP."}); // the handler adds the stop
        QCOMPARE(disabled, (QStringList{"SaveReport", "Print", "PrintSetup", "SaveAsPdf"}));
        QVERIFY2(!panel.contains("of 0"), qPrintable(panel));
        QVERIFY2(panel.endsWith("the report stopped: Cannot create file /nowhere/LFP"),
                 qPrintable(panel));
        QCOMPARE(panel.startsWith("Page 1 of 1"), failingPage == 2);
    }

    void printerSetupRequestFromWindow() {
        std::optional<PrinterSetupDialog::Request> seen;
        PrinterSetupDialog::setHook([&](const PrinterSetupDialog::Request& r) {
            seen = r;
            PrinterSetupDialog::Answer a;
            a.orientation = QPageLayout::Landscape;
            return std::optional(a);
        });
        int drawn = 0;
        ReportPreview report([] { return std::make_unique<FakePreviewDocument>(); },
                             [](PreviewDocument& doc) {
                                 auto& fake = static_cast<FakePreviewDocument&>(doc);
                                 fake.addPage(Qt::red);
                                 fake.addPage(Qt::blue);
                                 fake.finish();
                             },
                             [&](QPainter&, const PageTarget&) { ++drawn; });
        connect(&report, &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(0, w, [w] {
                w->action("PrintSetup")->trigger();
                w->action("Print")->trigger(); // no printer: nothing at all
                w->close();
            });
        });
        test::MessageBoxCatcher boxes;
        report.preview();
        PrinterSetupDialog::setHook({});
        QVERIFY(seen.has_value());
        QCOMPARE(seen->minPage, 1);
        QCOMPARE(seen->maxPage, 2);
        QCOMPARE(seen->fromPage, 1);
        QCOMPARE(seen->toPage, 2);
        QVERIFY(!seen->printerInstalled);
        // with no printer the choice is not kept
        QCOMPARE(report.settings().orientation, QPageLayout::Portrait);
        QCOMPARE(report.pagePaper(), QSizeF(2100, 2970));
        // No printer because no scheduler answers is said (naming the reason); a scheduler
        // with no printer leaves Print silent.
        const bool schedulerDown = schedulerState() == SchedulerState::Unreachable;
        QCOMPARE(int(boxes.shown().size()), schedulerDown ? 1 : 0);
        if (schedulerDown)
            QVERIFY2(boxes.texts().first().contains("scheduler cannot be reached"),
                     qPrintable(boxes.texts().first()));
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<PrintProgressDialog*>(top));
        boxes.clear();
        const QString direct = test::errorOf([&] { report.print(); }); // straight from the report
        QCOMPARE(drawn, 0);
        QCOMPARE(direct.contains("scheduler cannot be reached"), schedulerDown);
        QVERIFY(boxes.shown().empty());
    }

    void setupRequestLimits_data() {
        test::dataRows<LimitsRow>({
            {"finished", {3, true, {1, 3, 1, 3}}},
            {"producing", {3, false, {0, 9999, 0, 0}}},
            {"empty", {0, true, {0, 9999, 0, 0}}},
        });
    }
    void setupRequestLimits() {
        QFETCH(LimitsRow, row);
        const auto [count, finished, limits] = row;
        PrintSettings s;
        s.copies = 3;
        const auto r = PrinterSetupDialog::requestFor(s, count, finished, true);
        QCOMPARE((QList<int>{r.minPage, r.maxPage, r.fromPage, r.toPage}), limits);
        QCOMPARE(r.settings.copies, 3);
    }

    void setupAnswerApplied_data() {
        using Range = PrinterSetupDialog::Range;
        test::dataRows<AnswerRow>({
            {"all pages", {Range::All, 0, 0}},
            {"selection", {Range::Selection, 0, 0}},
            {"pages", {Range::Pages, 2, 3}},
        });
    }
    void setupAnswerApplied() {
        QFETCH(AnswerRow, row);
        const auto [range, first, last] = row;
        PrintSettings before;
        before.firstPage = 5;
        before.lastPage = 6;
        PrinterSetupDialog::Answer a;
        a.printerName = "labels";
        a.orientation = QPageLayout::Landscape;
        a.copies = 4;
        a.range = range;
        a.fromPage = 2;
        a.toPage = 3;
        const PrintSettings s = PrinterSetupDialog::applied(before, a);
        QCOMPARE(s.printerName, QString("labels"));
        QCOMPARE(s.orientation, QPageLayout::Landscape);
        QCOMPARE(s.copies, 4);
        QCOMPARE(s.firstPage, first);
        QCOMPARE(s.lastPage, last);
    }

    void pageRangeRule_data() {
        test::dataRows<RangeRow>({
            {"no limits", {0, 0, 1, true}},
            {"within", {1, 1, 1, true}},
            {"below first", {2, 0, 1, false}},
            {"above last", {0, 2, 3, false}},
            {"last only", {0, 3, 3, true}},
        });
    }
    void pageRangeRule() {
        QFETCH(RangeRow, row);
        const auto [first, last, page, prints] = row;
        PrintSettings s;
        s.firstPage = first;
        s.lastPage = last;
        QCOMPARE(s.printsPage(page), prints);
    }

    void progressDialog_data() {
        test::dataRows<ProgressRow>({
            {"none", {{}, 0, ""}},
            {"fifty", {{50}, 50, "50%  Completed"}},
            {"not a multiple of 5", {{20, 23}, 20, "20%  Completed"}},
            {"done", {{95, 100}, 100, "100%  Completed"}},
        });
    }
    void progressDialog() {
        QFETCH(ProgressRow, row);
        const auto [steps, bar, text] = row;
        PrintProgressDialog d;
        QCOMPARE(d.windowTitle(), QString("Printing progress"));
        QCOMPARE(d.size(), QSize(149, 97));
        for (int p : steps)
            d.setProgress(p);
        QCOMPARE(d.bar()->value(), bar);
        QCOMPARE(d.textLine()->text(), text);
        QVERIFY(!d.isCancelled());
        QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
        QVERIFY(d.isCancelled());
    }
};

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
