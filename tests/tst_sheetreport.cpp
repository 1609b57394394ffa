#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>
#include <functional>

#include "app/SheetReport.h"
#include "metafile/EmfPictureCheck.h"
#include "metafile/MetafilePicture.h"
#include "pagestore/PreviewDocument.h"
#include "pagestore/ReportFileFormat.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "sheet/SheetLayout.h"
#include "support/MessageBoxCatcher.h"
#include "support/SlotColours.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"

using namespace qlx;
using test::slotColour;

namespace {

void fillAllSlots(SheetReport& report) {
    for (int n = 1; n <= SheetDefinition::kSlotCount; ++n)
        report.setSlotPicture(n, test::solidImage(slotColour(n)));
}

// The page picture played at 96 dpi onto white, at its own size.
QImage played(const Metafile& page) {
    QImage img(page.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    page.play(p, QRectF(QPointF(0, 0), QSizeF(page.size())));
    return img;
}

// Where the layout puts an element on the 96 dpi page picture.
QRect deviceRect(const SheetReport& report, const std::string& name) {
    for (const PlacedElement& e : SheetLayout::layout(report.definition(), DeviceMapping::screen()))
        if (e.name == name)
            return QRect(e.device.left, e.device.top, e.device.width(), e.device.height());
    return {};
}

QRect slotRect(const SheetReport& report, int slot) {
    return deviceRect(report, "SheetSlot" + std::to_string(slot));
}

int pixelsOf(const QImage& img, const QRect& r, const QColor& colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixelColor(x, y) == colour;
    return n;
}

int nonWhite(const QImage& img, const QRect& r) {
    return r.width() * r.height() - pixelsOf(img, r, Qt::white);
}

// Page 1 of a document drawn at the page picture's size.
QImage documentPage(const PreviewDocument& doc) {
    QImage img(794, 1123, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    doc.drawPage(1, p, QRectF(0, 0, 794, 1123));
    return img;
}

// Runs the report's preview operation headless: once the window is open and its page shown,
// `scenario` acts on it; the window is then closed with its Close button, which ends the
// preview call. A guard closes it should the page never arrive.
struct PreviewRun {
    bool opened = false;
    bool pageShown = false;
};

PreviewRun runPreview(SheetReport& report, const std::function<void(PreviewWindow&)>& scenario) {
    PreviewRun run;
    QMetaObject::Connection c =
        QObject::connect(&report.previewer(), &ReportPreview::previewOpened, [&](PreviewWindow* w) {
            run.opened = true;
            QTimer::singleShot(60000, w, [w] { w->close(); });
            QTimer::singleShot(0, w, [&, w] {
                run.pageShown = QTest::qWaitFor([w] { return w->pageView()->hasPicture(); });
                if (run.pageShown)
                    scenario(*w);
                QTest::mouseClick(test::child<QPushButton>(*w, "ExitButton"), Qt::LeftButton);
            });
        });
    report.preview();
    QObject::disconnect(c);
    return run;
}

QByteArray readAll(const QString& path) {
    return QByteArray::fromStdString(test::readFile(path));
}

} // namespace

class SheetReportTest : public QObject {
    Q_OBJECT
    QList<std::optional<QString>> m_answers;

private slots:
    void initTestCase() {
        // No spooler here: printing is tst_printcups' part.
        qputenv("CUPS_SERVER", QByteArray(QLX_BINARY_DIR) + "/no-such-cups.sock");
        registerMetafilePictures();
    }
    void init() {
        m_answers.clear();
        FileDialog::clearAnswers();
        FileDialog::setAnswerFunction([this](const FileDialog::Request&) {
            return m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
        });
    }
    void cleanup() { FileDialog::clearAnswers(); }

    // ---- the page picture -------------------------------------------------------------
    // Every slot's colour fills its rectangle on the page picture and reaches no further.
    void slotColourInItsRectangle() {
        SheetReport report(nullptr);
        fillAllSlots(report);
        const Metafile page = report.recordPage();
        QCOMPARE(page.format(), Metafile::Format::Emf);
        QCOMPARE(page.size(), QSize(794, 1123));
        const QImage img = played(page);
        for (int slot = 1; slot <= SheetDefinition::kSlotCount; ++slot) {
            const QByteArray where = "slot " + QByteArray::number(slot);
            const QRect r = slotRect(report, slot);
            QVERIFY2(r.width() > 200 && r.height() > 130, where);
            const QColor colour = slotColour(slot);
            // the whole rectangle in the slot's colour, one pixel of slack at the edges
            const QRect inner = r.adjusted(1, 1, -1, -1);
            QVERIFY2(pixelsOf(img, inner, colour) == inner.width() * inner.height(), where);
            // and nothing of it two pixels outside on any side
            for (const QRect& outside : {QRect(r.left() - 3, r.top(), 1, r.height()),
                                         QRect(r.right() + 3, r.top(), 1, r.height()),
                                         QRect(r.left(), r.top() - 3, r.width(), 1),
                                         QRect(r.left(), r.bottom() + 3, r.width(), 1)})
                QVERIFY2(pixelsOf(img, outside, colour) == 0, where);
        }
    }

    void emptySlotDrawsNothing_data() {
        QTest::addColumn<int>("emptySlot");
        QTest::newRow("first") << 1;
        QTest::newRow("centre") << 8;
        QTest::newRow("last") << 15;
    }
    void emptySlotDrawsNothing() {
        QFETCH(int, emptySlot);
        SheetReport report(nullptr);
        fillAllSlots(report);
        report.setSlotPicture(emptySlot, QImage());
        QVERIFY(report.slotPicture(emptySlot).isNull());
        const QImage img = played(report.recordPage());
        QCOMPARE(nonWhite(img, slotRect(report, emptySlot)), 0);
        const int neighbour = emptySlot == 15 ? 14 : emptySlot + 1;
        QVERIFY(nonWhite(img, slotRect(report, neighbour)) > 0);
    }

    void slotKeepsItsOwnCopy() {
        SheetReport report(nullptr);
        QImage label = test::solidImage(Qt::red);
        report.setSlotPicture(3, label);
        label.fill(Qt::blue); // drawing the next label
        QCOMPARE(report.slotPicture(3).pixelColor(5, 5), QColor(Qt::red));
        // an image over a buffer of the caller's: the slot must not follow the buffer
        QByteArray buffer(4 * 4 * 4, char(0));
        QImage wrapped(reinterpret_cast<uchar*>(buffer.data()), 4, 4, QImage::Format_RGB32);
        wrapped.fill(Qt::green);
        report.setSlotPicture(4, wrapped);
        buffer.fill(char(0));
        QCOMPARE(report.slotPicture(4).pixelColor(1, 1), QColor(Qt::green));
        // numbers outside 1 to 15 are ignored
        report.setSlotPicture(0, label);
        report.setSlotPicture(16, label);
        QVERIFY(report.slotPicture(0).isNull());
        QVERIFY(report.slotPicture(16).isNull());
    }

    void dateLineDrawn_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("time and date") << "20:57:29 Monday, 7 December 2026";
        QTest::newRow("accented") << QString::fromUtf8("Malmö, 7 déc. 2026");
    }
    void dateLineDrawn() {
        QFETCH(QString, caption);
        SheetReport report(nullptr);
        report.setDateLineCaption(caption);
        QCOMPARE(report.dateLineCaption(), caption);
        const QImage withText = played(report.recordPage());
        const QRect box = deviceRect(report, "DateLine");
        QVERIFY(nonWhite(withText, box) > 20);

        report.setDateLineCaption(QString());
        const QImage empty = played(report.recordPage());
        QCOMPARE(nonWhite(empty, box), 0);
        // and the title is there either way
        QVERIFY(nonWhite(empty, deviceRect(report, "TitleText")) > 20);
    }

    void dateLineRemeasuredAtOnce() {
        SheetReport report(nullptr);
        report.setDateLineCaption("12:00");
        const QRect shortBox = deviceRect(report, "DateLine");
        report.setDateLineCaption("12:00:00 Wednesday, 30 September 2026 and a good deal more");
        const QRect longBox = deviceRect(report, "DateLine");
        QCOMPARE(longBox.left(), shortBox.left());
        QCOMPARE(longBox.height(), shortBox.height()); // no wrapping
        QVERIFY(longBox.width() > 3 * shortBox.width());
    }

    void landscapeTarget() {
        SheetReport report(nullptr);
        fillAllSlots(report);
        PageTarget target;
        target.paperTenthsMm = QSizeF(2970, 2100);
        QImage img(1123, 794, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            report.drawPage(p, target);
        }
        // the first row stands where it does in portrait; the fifth row is off the paper
        const QRect first = slotRect(report, 1);
        QCOMPARE(img.pixelColor(first.center()), slotColour(1));
        QVERIFY(slotRect(report, 13).top() > img.height());
        // the report's own definition stays portrait
        QCOMPARE(report.definition().page().width, 2100.0);
    }

    // ---- the preview operation --------------------------------------------------------
    // (How the window opens and pages is tst_preview's, on a stand-in document.)
    // The dialog's second choice saves the pages compressed; they load back the same, on the
    // paper they were made for, and the first choice still writes them plain, each with the
    // date of the run.
    void previewSavesCompressed_data() {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSizeF>("paper");
        QTest::newRow("portrait") << false << QSize(794, 1123) << QSizeF(2100, 2970);
        QTest::newRow("landscape") << true << QSize(1123, 794) << QSizeF(2970, 2100);
    }
    void previewSavesCompressed() {
        QFETCH(bool, landscape);
        QFETCH(QSize, pixels);
        QFETCH(QSizeF, paper);
        SheetReport report(nullptr);
        fillAllSlots(report);
        // as after Printer setup: the report's page turns, the next preview shows it turned
        if (landscape)
            report.previewer().settings().orientation = QPageLayout::Landscape;
        QCOMPARE(report.recordPage().size(), pixels);
        QTemporaryDir dir;
        m_answers << dir.filePath("packed.LFP") << dir.filePath("packed.LFP")
                  << dir.filePath("plain.LFP");
        QImage before, after;
        QSizeF producing, loaded;
        QString compressedChoice;
        test::MessageBoxCatcher boxes;
        runPreview(report, [&](PreviewWindow& w) {
            before = documentPage(*w.document());
            producing = w.document()->paperSize();
            FileDialog& dialog = w.saveReportDialog();
            compressedChoice = dialog.nameFilters().value(1);
            dialog.selectNameFilter(compressedChoice);
            w.saveReport();
            w.loadReport();
            after = documentPage(*w.document());
            loaded = w.document()->paperSize();
            dialog.selectNameFilter(dialog.nameFilters().value(0));
            w.saveReport();
        });
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join('\n')));
        QVERIFY(compressedChoice.contains("compressed - older readers cannot open it"));
        const QByteArray packed = readAll(dir.filePath("packed.LFP"));
        const QByteArray plain = readAll(dir.filePath("plain.LFP"));
        QCOMPARE(int(packed.at(25)), 1);
        QCOMPARE(int(plain.at(25)), 0);
        const double now = ReportFileFormat::toDays(QDateTime::currentDateTime());
        for (const QByteArray& file : {packed, plain})
            QVERIFY(qAbs(qFromLittleEndian<double>(file.constData() + 16) - now) < 1.0);
        QVERIFY2(packed.size() * 5 < plain.size(),
                 qPrintable(QString("%1 against %2").arg(packed.size()).arg(plain.size())));
        QVERIFY(!before.isNull());
        QCOMPARE(after, before);
        QCOMPARE(producing, paper);
        QCOMPARE(loaded, paper);
    }

    // A page whose records are damaged behind a sound header is refused: the shown report's
    // pictures are read record by record, not only their headers.
    void damagedFileLeavesPage() {
        SheetReport report(nullptr);
        fillAllSlots(report);
        QTemporaryDir dir;
        const QString good = dir.filePath("good.LFP");
        const QString bad = dir.filePath("bad.LFP");
        m_answers << good << bad;
        QStringList messages;
        bool loaded = true, setupEnabled = false, headerPasses = false;
        QString panel;
        QImage before, after;
        test::MessageBoxCatcher boxes;
        runPreview(report, [&](PreviewWindow& w) {
            before = documentPage(*w.document());
            w.action("SaveReport")->trigger();
            QByteArray bytes = readAll(good);
            const int picture = 128 + 8;
            // The second record's size made 6: not a whole number of 32-bit words
            const quint32 headerSize = qFromLittleEndian<quint32>(bytes.constData() + picture + 4);
            qToLittleEndian<quint32>(6, bytes.data() + picture + headerSize + 4);
            // the page record: its number, the offset of the next, the picture, a back offset
            const qint32 next = qFromLittleEndian<qint32>(bytes.constData() + 128 + 4);
            headerPasses = EmfPictureCheck::headerIsWellFormed(
                bytes.mid(picture, next - picture - 4), nullptr);
            test::writeFile(bad, bytes.toStdString());
            w.action("LoadReport")->trigger();
            messages = boxes.texts();
            loaded = w.document()->isLoadedFromFile();
            setupEnabled = w.action("PrintSetup")->isEnabled();
            panel = w.pagePanel()->text();
            after = documentPage(*w.document());
        });
        QVERIFY(headerPasses);
        QCOMPARE(messages, QStringList{"Not a valid report file."});
        QVERIFY(!loaded);
        QVERIFY(setupEnabled);
        QCOMPARE(panel, QString("Page 1 of 1"));
        QCOMPARE(after, before);
    }

    void previewAgainAfterClosing() {
        SheetReport report(nullptr);
        report.setSlotPicture(1, test::solidImage(Qt::red));
        QColor first, second;
        runPreview(report, [&](PreviewWindow& w) {
            first = documentPage(*w.document()).pixelColor(slotRect(report, 1).center());
        });
        report.setSlotPicture(1, test::solidImage(Qt::blue));
        runPreview(report, [&](PreviewWindow& w) {
            second = documentPage(*w.document()).pixelColor(slotRect(report, 1).center());
        });
        QCOMPARE(first, QColor(Qt::red));
        QCOMPARE(second, QColor(Qt::blue));
    }
};

QTEST_MAIN(SheetReportTest)
#include "tst_sheetreport.moc"
