// One label's road from the typed mineral to the sheet: the real window, its handlers and
// dialogs (answered through their hooks), the sheet report, the preview and the report file.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "metafile/Metafile.h"
#include "metafile/MetafilePicture.h"
#include "pagestore/PageStore.h"
#include "pagestore/PreviewDocument.h"
#include "pictures/Picture.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "render/SheetRun.h"
#include "sheet/DeviceMapping.h"
#include "sheet/SheetLayout.h"
#include "support/DataFolderFixture.h"
#include "support/FixedClock.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/ImageBox.h"
#include "widgets/MessageBox.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

// The heading band of the "Complete" background: a label drawn on it shows this colour.
const QColor kBand(238, 234, 222);
const QSize kBandSize(153, 113);

QRect slotRect(const SheetReport& report, int slot) {
    const std::string name = "SheetSlot" + std::to_string(slot);
    for (const PlacedElement& e : SheetLayout::layout(report.definition(), DeviceMapping::screen()))
        if (e.name == name)
            return QRect(e.device.left, e.device.top, e.device.width(), e.device.height());
    return {};
}

int pixelsOf(const QImage& image, const QRect& area, const QColor& colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += QColor(image.pixel(x, y)) == colour;
    return n;
}

int nonWhite(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

// A page of a loaded report file, played at 96 dpi.
QImage playPage(PageStore& store, int pageNumber) {
    const Metafile page = Metafile::fromBytes(store.readPage(pageNumber));
    QImage image(794, 1123, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.play(painter, QRectF(0, 0, 794, 1123));
    return image;
}

// The first page of a report file, played at 96 dpi.
QImage playReportFile(const QString& path) {
    PageStore store(PageDestination::Pictures);
    store.loadFromFile(path);
    return playPage(store, 1);
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerMetafilePictures(); }

    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        m_form = test::newWindow();
        m_previews = 0;
        connect(&test::child<SheetReport>(*m_form, "SheetReport")->previewer(),
                &ReportPreview::previewOpened, this, [this](PreviewWindow* w) {
                    ++m_previews;
                    QTimer::singleShot(60000, w, [w] { w->close(); }); // never hang
                    QTimer::singleShot(0, w, [this, w] {
                        // The pages after the first follow while the window is open; Print
                        // comes on with the last.
                        QVERIFY(QTest::qWaitFor([w] {
                            return w->pageView()->hasPicture() && w->action("Print")->isEnabled();
                        }));
                        m_pagePanel = w->pagePanel()->text();
                        m_maximised = w->isMaximized();
                        if (m_whilePreviewOpen)
                            m_whilePreviewOpen(*w);
                        QTest::mouseClick(test::child<QPushButton>(*w, "ExitButton"),
                                          Qt::LeftButton);
                    });
                });
    }
    void cleanup() {
        m_form.reset();
        QVERIFY2(m_boxes->shown().empty() || m_expectBoxes,
                 qPrintable(m_boxes->texts().join("; ")));
        m_boxes.reset();
        m_whilePreviewOpen = nullptr;
        m_expectBoxes = false;
        FileDialog::clearAnswers();
        OpenPictureDialog::clearAnswers();
        m_data.reset();
    }

    void typeAddRenderSaveAndPlay() {
        MainForm& f = *m_form;
        // Three records typed as a user would, the last with an empty info line.
        test::child<QLineEdit>(f, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(f, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(f, "Edit6")->setText("Fa");
        QTest::keyClick(test::child<QLineEdit>(f, "Edit6"), Qt::Key_Return);
        QCOMPARE(test::child<QLineEdit>(f, "Edit7")->text(), QString("Calcit"));
        QCOMPARE(test::child<QLineEdit>(f, "Edit6")->text(), QString("Falun, Dalarna"));
        QCOMPARE(test::child<QLineEdit>(f, "Edit5")->text(), QString("CaCO3"));
        QTest::mouseClick(test::child<QPushButton>(f, "Button6"), Qt::LeftButton);
        test::child<QLineEdit>(f, "Edit7")->setText("magn");
        QTest::keyClick(test::child<QLineEdit>(f, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(f, "Edit6")->setText("Kiruna");
        QTest::mouseClick(test::child<QPushButton>(f, "Button6"), Qt::LeftButton);
        test::child<QLineEdit>(f, "Edit7")->setText("anda");
        QTest::keyClick(test::child<QLineEdit>(f, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(f, "Edit5")->clear();
        QTest::mouseClick(test::child<QPushButton>(f, "Button6"), Qt::LeftButton);
        QCOMPARE(test::child<QLabel>(f, "Label24")->text(), QString("3"));
        QCOMPARE(test::child<RichEditBox>(f, "RichEdit4")->lines().line(1),
                 std::string("|Magnetit|Kiruna|Fe2+Fe3+2O4|"));

        const QString report = m_data->prefix() + "sheet.LFP";
        QString typedWhileOpen;
        m_whilePreviewOpen = [&](PreviewWindow& w) {
            // The main window takes input while the preview is open.
            QTest::keyClicks(test::child<QLineEdit>(f, "Edit5"), "xyz");
            typedWhileOpen = test::child<QLineEdit>(f, "Edit5")->text();
            FileDialog::setNextFileName(report);
            w.saveReport();
        };
        QTest::mouseClick(test::child<QPushButton>(f, "Button9"), Qt::LeftButton);
        QCOMPARE(m_previews, 1);
        QCOMPARE(m_pagePanel, QString("Page 1 of 1"));
        QVERIFY(m_maximised);
        QCOMPARE(typedWhileOpen, QString("xyz"));
        QVERIFY(QRegularExpression("^Time \\d{1,2}[:.]\\d{2}[:.]\\d{2}.*, Date .+$")
                    .match(test::child<SheetReport>(f, "SheetReport")->dateLineCaption())
                    .hasMatch());

        // The saved file's one page picture shows each label in its slot and leaves the others
        // empty.
        const QImage page = playReportFile(report);
        for (int slot = 1; slot <= 3; ++slot)
            QVERIFY2(pixelsOf(page, slotRect(*test::child<SheetReport>(f, "SheetReport"), slot),
                              kBand) > 100,
                     qPrintable(QString::number(slot)));
        QCOMPARE(nonWhite(page, slotRect(*test::child<SheetReport>(f, "SheetReport"), 4)), 0);
        // The last line left its fields behind, the info with its lead space.
        QCOMPARE(test::child<QLineEdit>(f, "Edit1")->text(), QString("Andalusit"));
        QCOMPARE(test::child<QLineEdit>(f, "Edit3")->text(), QString(" "));

        // A second run with one line shows only that line: slots 2 and 3 are empty again.
        test::child<RichEditBox>(f, "RichEdit4")->lines().setText("|Quartz|Arkansas|SiO2|");
        m_whilePreviewOpen = nullptr;
        QTest::mouseClick(test::child<QPushButton>(f, "Button9"), Qt::LeftButton);
        QCOMPARE(m_previews, 2);
        const SheetReport& sheet = *test::child<SheetReport>(f, "SheetReport");
        QVERIFY(!sheet.slotPicture(1).isNull());
        QVERIFY(sheet.slotPicture(2).isNull());
        QVERIFY(sheet.slotPicture(3).isNull());
        QCOMPARE(test::child<QLineEdit>(f, "Edit1")->text(), QString("Quartz"));
        QCOMPARE(test::child<QLineEdit>(f, "Edit2")->text(), QString("Arkansas"));
        QCOMPARE(test::child<QLineEdit>(f, "Edit3")->text(), QString(" SiO2"));
    }

    // Twenty lines: all are composed, the first fifteen placed.
    void twentyLinesFillFifteenSlots() {
        MainForm& f = *m_form;
        test::child<RichEditBox>(f, "RichEdit4")->lines().setText(test::numberedList(20));
        test::child<QPushButton>(f, "Button9")->click();
        QCOMPARE(test::child<QLineEdit>(f, "Edit1")->text(), QString("Mineral 20"));
        QCOMPARE(test::child<QLineEdit>(f, "Edit3")->text(), QString(" H20O"));
        // Slot 15 holds line 15's label exactly.
        test::child<QLineEdit>(f, "Edit1")->setText("Mineral 15");
        test::child<QLineEdit>(f, "Edit2")->setText("Place 15");
        test::child<QLineEdit>(f, "Edit3")->setText("H15O");
        f.composeLabel();
        QCOMPARE(test::child<SheetReport>(f, "SheetReport")->slotPicture(15),
                 test::child<ImageBox>(f, "rendered")->picture().bitmap());
    }

    // A render after an earlier one: every label of this list on the sheet, fifteen to a page,
    // and nothing of the earlier list. Seen through the preview (its page panel and paging)
    // and the report file Save Report writes.
    void renderLaysOutThisListOnly_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("5 after 20") << 20 << 5 << 1;
        QTest::newRow("none after 20") << 20 << 0 << 1;
        QTest::newRow("15 fill one page") << 0 << 15 << 1;
        QTest::newRow("16 start a second page") << 0 << 16 << 2;
        QTest::newRow("20 after 5") << 5 << 20 << 2;
        QTest::newRow("31 on three pages") << 0 << 31 << 3;
    }
    void renderLaysOutThisListOnly() {
        QFETCH(int, before);
        QFETCH(int, lines);
        QFETCH(int, pages);
        MainForm& f = *m_form;
        useBandBackground();
        auto* list = test::child<RichEditBox>(f, "RichEdit4");
        auto* render = test::child<QPushButton>(f, "Button9");
        list->lines().setText(test::numberedList(before));
        render->click();

        list->lines().setText(test::numberedList(lines));
        const QString report = m_data->prefix() + "sheet.LFP";
        QString lastPanel;
        m_whilePreviewOpen = [&](PreviewWindow& w) {
            QTest::keyClick(w.pageView()->viewport(), Qt::Key_End);
            lastPanel = w.pagePanel()->text();
            FileDialog::setNextFileName(report);
            w.saveReport();
        };
        render->click();
        if (lines > 0)
            QCOMPARE(test::child<SheetReport>(f, "SheetReport")->slotPicture(1).size(), kBandSize);
        QCOMPARE(m_pagePanel, QString("Page 1 of %1").arg(pages));
        QCOMPARE(lastPanel, QString("Page %1 of %1").arg(pages));

        PageStore store(PageDestination::Pictures);
        store.loadFromFile(report);
        QCOMPARE(store.pageCount(), pages);
        const SheetReport& sheet = *test::child<SheetReport>(f, "SheetReport");
        for (int page = 1; page <= pages; ++page) {
            const QImage image = playPage(store, page);
            for (int slot = 1; slot <= 15; ++slot) {
                const QRect r = slotRect(sheet, slot);
                const int position = (page - 1) * 15 + slot;
                const QString where = QString("page %1 slot %2").arg(page).arg(slot);
                if (position <= lines)
                    QVERIFY2(pixelsOf(image, r, kBand) > 100, qPrintable(where));
                else
                    QVERIFY2(nonWhite(image, r) == 0, qPrintable(where));
            }
        }
    }

    // Labels after the fifteenth go on further pages and leave page 1 exactly as it was.
    void laterLabelsLeavePageOneAsItWas() {
        MainForm& f = *m_form;
        useBandBackground();
        auto* list = test::child<RichEditBox>(f, "RichEdit4");
        auto* render = test::child<QPushButton>(f, "Button9");
        const SheetReport& sheet = *test::child<SheetReport>(f, "SheetReport");
        QString path;
        m_whilePreviewOpen = [&](PreviewWindow& w) {
            FileDialog::setNextFileName(path);
            w.saveReport();
        };
        auto pageOne = [&](int count, const QString& name) {
            list->lines().setText(test::numberedList(count));
            path = m_data->prefix() + name;
            render->click();
            PageStore store(PageDestination::Pictures);
            store.loadFromFile(path);
            return std::make_pair(sheet.dateLineCaption(), store.readPage(1));
        };
        // The date line holds the time to the second: the clock stands still for both runs.
        const test::FixedClock clock(test::FixedClock::localTime(2026, 12, 8, 14, 5, 9));
        const auto fifteen = pageOne(15, "fifteen.LFP");
        const auto twenty = pageOne(20, "twenty.LFP");
        QCOMPARE(fifteen.first, twenty.first);
        QCOMPARE(fifteen.first, sheetDateLine(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9))));
        QVERIFY(!fifteen.second.isEmpty());
        QVERIFY(fifteen.second == twenty.second);
    }

    // A record wider than the list box is still one label.
    void wideRecordIsOneLabel() {
        MainForm& f = *m_form;
        const std::string wide = "|" + std::string(300, 'W') + "|here|x|";
        test::child<RichEditBox>(f, "RichEdit4")->lines().setText(wide);
        test::child<QPushButton>(f, "Button9")->click();
        QCOMPARE(test::child<QLineEdit>(f, "Edit2")->text(), QString("here"));
        QVERIFY(test::child<SheetReport>(f, "SheetReport")->slotPicture(2).isNull());
    }

    void emptyListStillStampsAndPreviews() {
        MainForm& f = *m_form;
        test::child<SheetReport>(f, "SheetReport")->setDateLineCaption("old");
        test::child<QLineEdit>(f, "Edit1")->setText("kept");
        test::child<QPushButton>(f, "Button9")->click();
        QCOMPARE(m_previews, 1);
        QVERIFY(test::child<SheetReport>(f, "SheetReport")->dateLineCaption().startsWith("Time "));
        QCOMPARE(test::child<QLineEdit>(f, "Edit1")->text(), QString("kept"));
        QVERIFY(test::child<SheetReport>(f, "SheetReport")->slotPicture(1).isNull());
    }

    // "Save as PDF" in the preview writes the drawing qlxsheet writes for the same list: as
    // many A4 pages, the same pixels once rasterised. Replacing the file is confirmed first.
    void previewSavesTheSamePdfAsQlxsheet() {
        const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
        QVERIFY2(!pdftoppm.isEmpty(), "pdftoppm (poppler-utils) is not installed");
        MainForm& f = *m_form;
        useBandBackground();
        const std::string list = test::numberedList(20);
        QVERIFY(test::writeFile(m_data->prefix() + "list.txt", list));
        test::child<RichEditBox>(f, "RichEdit4")->lines().setText(list);
        const QString ours = m_data->prefix() + "preview.pdf";
        QVERIFY(test::writeFile(ours, "older"));
        QStringList asked;
        MessageBox::Answer answer = MessageBox::Answer::No;
        MessageBox::setQuestionHook([&](const MessageBoxShown& box) {
            asked << box.text;
            return answer;
        });
        m_whilePreviewOpen = [&](PreviewWindow& w) {
            test::child<SheetReport>(f, "SheetReport")->setDateLineCaption("d");
            QVERIFY(w.action("SaveAsPdf")->isEnabled());
            FileDialog::setNextFileName(ours);
            // The tool bar's button, clicked; No: the older file stays.
            QWidget* button =
                test::child<QToolBar>(w, "ToolBar")->widgetForAction(w.action("SaveAsPdf"));
            QVERIFY(button && button->isVisible());
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(test::readFile(ours), std::string("older"));
            FileDialog::setNextFileName(ours);
            answer = MessageBox::Answer::Yes;
            w.action("SaveAsPdf")->trigger();
            // A file that cannot be made: one message naming it.
            FileDialog::setNextFileName(m_data->prefix() + "no/such/folder.pdf");
            w.action("SaveAsPdf")->trigger();
        };
        m_expectBoxes = true;
        test::child<QPushButton>(f, "Button9")->click();
        MessageBox::setQuestionHook({});
        QCOMPARE(m_previews, 1);
        QCOMPARE(asked, QStringList(2, FileDialog::replaceQuestion(ours)));
        QCOMPARE(m_boxes->texts().size(), 1);
        QVERIFY2(m_boxes->texts().first().contains(m_data->prefix() + "no/such/folder.pdf"),
                 qPrintable(m_boxes->texts().first()));

        QProcess sheet;
        sheet.setWorkingDirectory(m_data->prefix());
        sheet.start(QLX_BINARY_DIR "/qlxsheet", {"render", "list.txt", "--all", "--date", "d",
                                                 "--background", "band.bmp", "-o", "sheet.pdf"});
        QVERIFY(sheet.waitForFinished(120000));
        QCOMPARE(sheet.exitCode(), 0);
        const auto pages = [&](const QString& pdf, const QString& stem) {
            QProcess raster;
            raster.start(pdftoppm, {"-r", "60", "-png", pdf, m_data->prefix() + stem});
            raster.waitForFinished(120000);
            QList<QImage> images;
            for (const QString& name : QDir(m_data->prefix()).entryList({stem + "-*.png"}))
                images << QImage(m_data->prefix() + name).convertToFormat(QImage::Format_RGB32);
            return images;
        };
        const QList<QImage> fromPreview = pages(ours, "p");
        const QList<QImage> fromSheet = pages(m_data->prefix() + "sheet.pdf", "s");
        QCOMPARE(fromPreview.size(), 2);
        QCOMPARE(fromSheet.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(fromPreview[i].size(), QSize(496, 702)); // A4 at 60 dpi
            QVERIFY2(fromPreview[i] == fromSheet[i], qPrintable(QString("page %1").arg(i + 1)));
        }
    }

    // An icon background is drawn into a bitmap once, and every line becomes a label on it.
    void iconBackgroundRenders() {
        MainForm& f = *m_form;
        OpenPictureDialog::setNextFileName(QLX_TEST_DATA "/pictures/two.ico");
        test::child<QRadioButton>(f, "RadioButton4")->setChecked(true);
        test::child<RichEditBox>(f, "RichEdit4")
            ->lines()
            .setText("|Quartz|Arkansas|SiO2|\r\n|Calcit|Falun|CaCO3|\r\n");
        test::child<QPushButton>(f, "Button9")->click();
        QVERIFY(m_boxes->texts().isEmpty());
        QCOMPARE(m_previews, 1);
        for (int slot : {1, 2})
            QCOMPARE(test::child<SheetReport>(f, "SheetReport")->slotPicture(slot).size(),
                     QSize(32, 32));
        QVERIFY(test::child<SheetReport>(f, "SheetReport")->slotPicture(3).isNull());
    }

private:
    // A custom background of the band's colour at the label's size, picked in the window: the
    // stock one makes pages of 11 MB to save, load and rasterise, where which slots hold a
    // label, or whether two drawings agree, shows the same on a small one.
    void useBandBackground() {
        QImage band(kBandSize, QImage::Format_RGB32);
        band.fill(kBand);
        QVERIFY(band.save(m_data->prefix() + "band.bmp", "BMP"));
        OpenPictureDialog::setNextFileName(m_data->prefix() + "band.bmp");
        test::child<QRadioButton>(*m_form, "RadioButton4")->setChecked(true);
    }

    std::unique_ptr<test::DataFolderFixture> m_data;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
    std::function<void(PreviewWindow&)> m_whilePreviewOpen;
    int m_previews = 0;
    QString m_pagePanel;
    bool m_maximised = false;
    bool m_expectBoxes = false;
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
