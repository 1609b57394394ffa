// The window under conditions a collector meets: a dark desktop, files that exist already, a
// list not yet saved, a preview left open at Exit, characters the box must keep, a start-up
// load that fails, a mineral the database does not know.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "metafile/MetafilePicture.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "preview/PreviewWindow.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/FakePreviewDocument.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/FileDialog.h"
#include "widgets/FontChooser.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"

using namespace qlx;
using test::child;

namespace {

using Answer = MessageBox::Answer;

QPalette darkPalette() {
    QPalette p(QColor(53, 53, 53), QColor(45, 45, 45));
    p.setColor(QPalette::WindowText, QColor(240, 240, 240));
    p.setColor(QPalette::Text, QColor(240, 240, 240));
    p.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    return p;
}

bool isLight(const QColor& c) {
    return c.lightness() >= 180;
}
bool isDark(const QColor& c) {
    return c.lightness() <= 80;
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& test) {
    int n = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            n += test(rgb.pixel(x, y)) ? 1 : 0;
    return n;
}

bool reddish(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
}

QStringList temporaryPageFiles(const QString& folder) {
    return QDir(folder).entryList({"LFP*.tmp"}, QDir::Files);
}

using ReadableRow =
    std::tuple<QString, QPalette::ColorRole, QPalette::ColorRole>; // widget, bg, text
// save, exists, default suffix, answer, accepted, asked
using ReplaceRow = std::tuple<bool, bool, QString, Answer, bool, bool>;
// list (empty, added, opened, typed, saved), answer, save dialog answered, asked, leaves, saved
using LeavingRow = std::tuple<QString, Answer, bool, bool, bool, bool>;
using BuddyRow = std::pair<QString, QString>; // caption, buddy

} // namespace

class WindowSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerMetafilePictures(); }

    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_prefix = m_data->prefix();
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
    }
    void cleanup() {
        m_form.reset();
        m_boxes.reset();
        FileDialog::clearAnswers();
        FontDialog::clearAnswers();
        QApplication::setPalette(QApplication::style()->standardPalette());
        m_data.reset();
    }

    // Label text is black and the window light under a dark theme: the label drawn and the
    // sheet printed are the same pixels as on a light desktop.
    void darkThemeChangesNeitherLabelsNorSheet() {
        const QImage lightLabel = composedLabel();
        const QImage lightSheet = sheetPage();
        QApplication::setPalette(darkPalette());
        const QImage darkLabel = composedLabel();
        QVERIFY(!lightLabel.isNull());
        QCOMPARE(darkLabel, lightLabel);
        QCOMPARE(sheetPage(), lightSheet);
        for (FontDialog* dialog : {&m_form->mineralFontDialog(), &m_form->infoFontDialog(),
                                   &m_form->localityFontDialog()})
            QCOMPARE(colourOf(dialog->font()), QColor(Qt::black));
    }

    void darkThemeKeepsTheWindowReadable_data() {
        test::dataRows<ReadableRow>({
            {"mineral field", {"Edit7", QPalette::Base, QPalette::Text}},
            {"label list", {"RichEdit4", QPalette::Base, QPalette::Text}},
            {"button", {"Button6", QPalette::Button, QPalette::ButtonText}},
            {"splash title", {"Label30", QPalette::Window, QPalette::WindowText}},
            {"splash credit", {"Label31", QPalette::Window, QPalette::WindowText}},
            {"about line", {"Label6", QPalette::Window, QPalette::WindowText}},
            {"menu bar", {"MainMenu1", QPalette::Window, QPalette::WindowText}},
        });
    }
    void darkThemeKeepsTheWindowReadable() {
        QFETCH(ReadableRow, row);
        const auto [name, background, text] = row;
        QApplication::setPalette(darkPalette());
        m_form = std::make_unique<MainForm>();
        const QPalette palette = child<QWidget>(*m_form, qPrintable(name))->palette();
        QVERIFY2(isLight(palette.color(background)), qPrintable(palette.color(background).name()));
        QVERIFY2(isDark(palette.color(text)), qPrintable(palette.color(text).name()));
    }

    // The save dialog asks before a file that exists is replaced; No cancels.
    void saveDialogAsksBeforeReplacing_data() {
        test::dataRows<ReplaceRow>({
            {"new file", {true, false, "", Answer::No, true, false}},
            {"replace yes", {true, true, "", Answer::Yes, true, true}},
            {"replace no", {true, true, "", Answer::No, false, true}},
            {"exists with default suffix", {true, true, "LFP", Answer::No, false, true}},
            {"open never asks", {false, true, "", Answer::No, true, false}},
        });
    }
    void saveDialogAsksBeforeReplacing() {
        QFETCH(ReplaceRow, row);
        const auto [save, exists, suffix, answer, accepted, asked] = row;
        const QString stem = m_prefix + "sheet";
        const QString onDisk = suffix.isEmpty() ? stem : stem + "." + suffix;
        if (exists)
            QVERIFY(test::writeFile(onDisk, "old"));
        FileDialog dialog(save ? FileDialog::Mode::Save : FileDialog::Mode::Open);
        dialog.setDefaultSuffix(suffix);
        dialog.setFileName("earlier");
        m_boxes->queueAnswer(answer);
        FileDialog::setNextFileName(stem);
        QCOMPARE(dialog.execute(nullptr), accepted);
        QCOMPARE(m_boxes->questions().size(), size_t(asked ? 1 : 0));
        if (asked)
            QVERIFY(m_boxes->questions()[0].text.contains(QDir::toNativeSeparators(onDisk)));
        QCOMPARE(dialog.fileName(), accepted ? onDisk : QString("earlier"));
    }

    // "Save list" over a file that exists: No keeps the file as it was.
    void saveListOverAnExistingFile() {
        m_form = test::newWindow();
        const QString path = m_prefix + "list.rtf";
        QVERIFY(test::writeFile(path, "twenty labels"));
        m_form->onAddToList();
        m_boxes->queueAnswer(Answer::No);
        FileDialog::setNextFileName(path);
        m_form->onSaveList();
        QCOMPARE(test::readFile(path), std::string("twenty labels"));
        m_boxes->queueAnswer(Answer::Yes);
        FileDialog::setNextFileName(path);
        m_form->onSaveList();
        QVERIFY(test::readFile(path).find("{\\rtf") == 0);
    }

    // "Save Report" in the preview over a file that exists: No keeps the file.
    void saveReportOverAnExistingFile_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("no") << int(Answer::No) << false;
        QTest::newRow("yes") << int(Answer::Yes) << true;
    }
    void saveReportOverAnExistingFile() {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        auto document = std::make_unique<test::FakePreviewDocument>();
        document->addPage(Qt::red);
        document->finish();
        PreviewWindow window(std::move(document));
        const QString path = m_prefix + "sheet.LFP";
        QVERIFY(test::writeFile(path, "an earlier sheet"));
        m_boxes->queueAnswer(Answer(answer));
        FileDialog::setNextFileName(path);
        guarded([&] { window.saveReport(); });
        QCOMPARE(m_boxes->questions().size(), size_t(1));
        QCOMPARE(test::readFile(path) != "an earlier sheet", replaced);
        QVERIFY(m_boxes->shown().empty());
    }

    // Exit and the close box ask "Save the label list?" while the list holds unsaved lines;
    // Exit closes after its wait, the close box at once.
    void leavingWithAnUnsavedList_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<LeavingRow>("row");
        const std::pair<const char*, LeavingRow> rows[] = {
            {"empty list", {"empty", Answer::Cancel, false, false, true, false}},
            {"added, cancel", {"added", Answer::Cancel, false, true, false, false}},
            {"added, no", {"added", Answer::No, false, true, true, false}},
            {"added, yes", {"added", Answer::Yes, true, true, true, true}},
            {"added, yes, save cancelled", {"added", Answer::Yes, false, true, false, false}},
            {"opened unchanged", {"opened", Answer::Cancel, false, false, true, false}},
            {"opened, typed", {"typed", Answer::Cancel, false, true, false, false}},
            {"saved", {"saved", Answer::Cancel, false, false, true, false}},
        };
        for (bool closeBox : {false, true})
            for (const auto& [what, row] : rows)
                QTest::addRow("%s: %s", closeBox ? "close box" : "exit", what) << closeBox << row;
    }
    void leavingWithAnUnsavedList() {
        QFETCH(bool, closeBox);
        QFETCH(LeavingRow, row);
        const auto [list, answer, saveDialogAnswered, asked, leaves, saved] = row;
        m_form = test::newWindow();
        m_form->show();
        const QString listFile = m_prefix + "opened.txt";
        QVERIFY(test::writeFile(listFile, "|A|B|C|\r\n"));
        if (list == "added" || list == "saved")
            m_form->onAddToList();
        if (list == "opened" || list == "typed") {
            FileDialog::setNextFileName(listFile);
            m_form->onOpenList();
        }
        if (list == "typed")
            child<RichEditBox>(*m_form, "RichEdit4")->appendPlainText("|typed|by|hand|");
        if (list == "saved") {
            FileDialog::setNextFileName(m_prefix + "saved.rtf");
            m_form->onSaveList();
        }
        const QString target = m_prefix + "onexit.rtf";
        m_boxes->queueAnswer(answer);
        FileDialog::setNextFileName(saveDialogAnswered ? std::optional<QString>(target)
                                                       : std::nullopt);
        auto* timer2 = child<QTimer>(*m_form, "Timer2");
        if (closeBox) {
            QCOMPARE(m_form->close(), leaves);
            QVERIFY(!timer2->isActive()); // the close box closes at once
        } else {
            m_form->onExit();
            QCOMPARE(timer2->isActive(), leaves);
            if (leaves)
                m_form->onExitWaitEnd();
        }
        QCOMPARE(m_form->isVisible(), !leaves);
        QCOMPARE(m_boxes->questions().size(), size_t(asked ? 1 : 0));
        if (asked) {
            QCOMPARE(m_boxes->questions()[0].text, QString("Save the label list?"));
            QCOMPARE(m_boxes->questions()[0].caption, kApplicationTitle);
        }
        QCOMPARE(QFileInfo::exists(target), saved);
        QVERIFY(m_boxes->shown().empty());
    }

    // Exit or the close box with a preview open ends the event loop: the previews close and
    // their temporary page files go.
    void leavingWithAPreviewOpenEndsTheProgram_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("exit") << false;
        QTest::newRow("close box") << true;
    }
    void leavingWithAPreviewOpenEndsTheProgram() {
        QFETCH(bool, closeBox);
        QTemporaryDir temp;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        m_form = test::newWindow();
        // "Exit" closes after the exit wait; its length is checked with the window's timeline
        // elsewhere, here only that it ends the program.
        m_form->scaleTimeline(0.02);
        m_form->show();
        m_form->onAddToList();
        m_boxes->queueAnswer(Answer::No);
        int temporaryWhileOpen = -1;
        bool previewVisible = false;
        auto* report = child<SheetReport>(*m_form, "SheetReport");
        connect(&report->previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(0, w, [&, w] {
                previewVisible = w->isVisible();
                temporaryWhileOpen = int(temporaryPageFiles(temp.path()).size());
                if (closeBox)
                    m_form->close();
                else
                    m_form->onExit();
            });
        });
        QTimer::singleShot(0, m_form.get(),
                           [this] { guarded([&] { m_form->onRenderAndPreview(); }); });
        // Never hang: a loop still running after this long has failed the test.
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(99); });
        const int result = QCoreApplication::exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
        QCOMPARE(result, 0);
        QVERIFY(previewVisible);
        QCOMPARE(temporaryWhileOpen, 1);
        QVERIFY(!m_form->isVisible());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!qobject_cast<PreviewWindow*>(w), "a preview window is still there");
        QCOMPARE(temporaryPageFiles(temp.path()), QStringList());
        QCOMPARE(m_boxes->questions().size(), size_t(1));
    }

    // A keystroke in the list box keeps every character of the list.
    void listBoxKeepsNonBreakingSpaces() {
        m_form = test::newWindow();
        auto* box = child<RichEditBox>(*m_form, "RichEdit4");
        box->lines().setText(
            "|Pyrite\u00A0(cubic)|Navaj\u00FAn|FeS2|\r\n|Gold|Eagle\u00A0Mine|Au|");
        m_form->show();
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_X);
        QCOMPARE(
            box->lines().text(),
            std::string("|Pyrite\u00A0(cubic)|Navaj\u00FAn|FeS2|\r\n|Gold|Eagle\u00A0Mine|Au|x"));
    }

    // Fields hold texts longer than 32,767 characters, and the list gets them whole.
    void fieldsTakeLongTexts_data() {
        QTest::addColumn<QString>("field");
        for (const char* name : {"Edit7", "Edit6", "Edit5", "Edit4", "Edit1", "Edit2", "Edit3"})
            QTest::newRow(name) << name;
    }
    void fieldsTakeLongTexts() {
        QFETCH(QString, field);
        m_form = test::newWindow();
        const QString text(40000, QChar('q'));
        auto* edit = child<QLineEdit>(*m_form, qPrintable(field));
        edit->setText(text);
        QCOMPARE(edit->text().size(), text.size());
        if (field == "Edit7") {
            m_form->onAddToList();
            const std::string& list = child<RichEditBox>(*m_form, "RichEdit4")->lines().text();
            QCOMPARE(list, "|" + std::string(40000, 'q') + "|||\r\n");
        }
    }

    // With a start-up file missing, the retries run only what failed and undo nothing the
    // user did in the meantime: the locality font picked, a locality added, the background
    // chosen, and the stores are not reloaded from their files.
    void failingDeferredLoadKeepsTheUsersChoices_data() {
        QTest::addColumn<QString>("missing");
        QTest::newRow("stock background") << "labelcomplete.bmp";
        QTest::newRow("locality cache") << "cachedloc.txt";
    }
    void failingDeferredLoadKeepsTheUsersChoices() {
        QFETCH(QString, missing);
        const std::string missingBytes = test::readFile(m_prefix + missing);
        QVERIFY(QFile::remove(m_prefix + missing));
        m_form = test::newWindow(false);
        auto* timer4 = child<QTimer>(*m_form, "Timer4");
        timer4->start(); // its ticks are given by hand below
        tick();
        QVERIFY(timer4->isActive());
        QCOMPARE(m_boxes->shown().size(), size_t(1));

        LabelFont picked = LabelFont::regular("DejaVu Serif", 19);
        picked.italic = true;
        FontDialog::setNextAnswer(picked);
        guarded([&] { m_form->onPickLocalityFont(); });
        child<QLineEdit>(*m_form, "Edit6")->setText("Tsumeb Mine");
        guarded([&] { m_form->onAddToList(); });
        child<QRadioButton>(*m_form, "RadioButton2")->click(); // "Reduced"
        // Stores loaded already are not loaded again from files that change on disk now.
        const bool storesLoaded = missing != "cachedloc.txt";
        if (storesLoaded) {
            QVERIFY(test::writeFile(m_prefix + "athena.txt", "| RELOADED | X |\r\n"));
            QVERIFY(test::writeFile(m_prefix + "cachedloc.txt", "|Reloaded\r\n"));
        }

        tick();
        tick();
        QCOMPARE(m_form->localityFontDialog().font(), picked);
        QVERIFY(m_form->localityCache().text().find("|Tsumeb Mine") != std::string::npos);
        QVERIFY(m_form->localityCache().text().find("Reloaded") == std::string::npos);
        QVERIFY(m_form->mineralDatabase().text().find("RELOADED") == std::string::npos);
        QVERIFY(child<QRadioButton>(*m_form, "RadioButton2")->isChecked());

        // Once the file is back the load finishes, keeping the chosen background.
        QVERIFY(test::writeFile(m_prefix + missing, missingBytes));
        tick();
        QVERIFY(!timer4->isActive());
        QCOMPARE(m_form->localityFontDialog().font(), picked);
        QVERIFY(child<QRadioButton>(*m_form, "RadioButton2")->isChecked());
        const QImage reduced = child<ImageBox>(*m_form, "Image1")->image();
        QVERIFY(!reduced.isNull());
        QCOMPARE(child<ImageBox>(*m_form, "accimage")->image(), reduced);
        QCOMPARE(m_boxes->shown().size(), size_t(1));
    }

    // "No of labels" shows the records in the list after Open list and Add in either order, and
    // after the box is cleared (typing is tst_records' typingStaysInStep).
    void counterCountsTheList_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("count");
        QTest::newRow("open then add") << QStringList{"open", "add"} << "4";
        QTest::newRow("add then open") << QStringList{"add", "open"} << "3";
        QTest::newRow("cleared") << QStringList{"open", "clear"} << "0";
    }
    void counterCountsTheList() {
        QFETCH(QStringList, steps);
        QFETCH(QString, count);
        m_form = test::newWindow();
        QVERIFY(test::writeFile(m_prefix + "three.txt", "|A|a|1|\r\n|B|b|2|\r\n|C|c|3|\r\n"));
        auto* box = child<RichEditBox>(*m_form, "RichEdit4");
        for (const QString& step : steps) {
            if (step == "add") {
                guarded([&] { m_form->onAddToList(); });
            } else if (step == "open") {
                FileDialog::setNextFileName(m_prefix + "three.txt");
                guarded([&] { m_form->onOpenList(); });
            } else if (step == "clear") {
                box->clear();
            }
        }
        QCOMPARE(child<QLabel>(*m_form, "Label24")->text(), count);
        QVERIFY(m_boxes->shown().empty());
    }

    // A name the database does not hold marks the mineral field red with a tip, without a
    // message box, until the field changes (what it leaves in the fields is tst_mainflow's
    // mineralEnterSequence).
    void mineralMissIsShownAtTheField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::newRow("known") << "calc" << true;
        QTest::newRow("unknown") << "baryte" << false;
    }
    void mineralMissIsShownAtTheField() {
        QFETCH(QString, typed);
        QFETCH(bool, found);
        m_form = test::newWindow();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        auto* mineral = child<QLineEdit>(*m_form, "Edit7");
        const int redBefore = countPixels(mineral->grab().toImage(), reddish);
        mineral->setText(typed);
        m_form->onMineralKey(Qt::Key_Return, {});

        const QString tip = found ? QString() : QString("Not in the mineral database");
        QCOMPARE(mineral->statusTip(), tip);
        QCOMPARE(mineral->toolTip(), tip);
        const int red = countPixels(mineral->grab().toImage(), reddish);
        QCOMPARE(red > redBefore + 40, !found);
        QVERIFY(m_boxes->shown().empty());

        // The mark goes as soon as the field changes.
        mineral->setFocus();
        QTest::keyClick(mineral, Qt::Key_S);
        QCOMPARE(mineral->statusTip(), QString());
        QCOMPARE(mineral->toolTip(), QString());
        QCOMPARE(countPixels(mineral->grab().toImage(), reddish), redBefore);
    }

    // The font dialog's captions carry their Alt keys to the control they name.
    void fontDialogCaptionsHaveBuddies_data() {
        test::dataRows<BuddyRow>({
            {"face", {"&Font:", "face"}},
            {"style", {"Font st&yle:", "styleList"}},
            {"size", {"&Size:", "size"}},
            {"colour", {"&Color:", "colour"}},
            {"script", {"Sc&ript:", "script"}},
        });
    }
    void fontDialogCaptionsHaveBuddies() {
        QFETCH(BuddyRow, row);
        const auto [caption, buddy] = row;
        FontChooser dialog(LabelFont::regular("Arial", 37));
        QLabel* label = nullptr;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            if (l->text() == caption)
                label = l;
        QVERIFY(label);
        QVERIFY(label->buddy());
        QCOMPARE(label->buddy()->objectName(), buddy);

        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const QChar key = caption.at(caption.indexOf('&') + 1).toUpper();
        QTest::keyClick(&dialog, Qt::Key(key.unicode()), Qt::AltModifier);
        QTRY_COMPARE(QApplication::focusWidget(), label->buddy());
    }

    // The background captions fit their buttons, which stay within the group frame (where
    // each stands is tst_mainwindow's whatAClickReaches).
    void radioCaptionsAreNotClipped_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4"})
            QTest::newRow(name) << name;
    }
    void radioCaptionsAreNotClipped() {
        QFETCH(QString, name);
        m_form = test::newWindow();
        auto* radio = child<QRadioButton>(*m_form, qPrintable(name));
        const QRect frame = child<QGroupBox>(*m_form, "RadioGroup1")->geometry();
        QCOMPARE(radio->height(), 17);
        QVERIFY(radio->geometry().right() < frame.right());
        // A much wider button draws nothing beyond this one's right edge, and the same pixels
        // within it: the caption is not cut off.
        m_form->show();
        const QSize size = radio->size();
        const QImage asPlaced = radio->grab().toImage().convertToFormat(QImage::Format_RGB32);
        radio->resize(200, size.height());
        const QImage wide = radio->grab().toImage().convertToFormat(QImage::Format_RGB32);
        radio->resize(size);
        QCOMPARE(asPlaced, wide.copy(QRect(QPoint(0, 0), size)));
        const QRgb background = wide.pixel(wide.width() - 1, 0);
        const QImage beyond =
            wide.copy(size.width(), 0, wide.width() - size.width(), size.height());
        QCOMPARE(countPixels(beyond, [&](QRgb p) { return p != background; }), 0);
    }

private:
    void tick() {
        guarded([&] { m_form->onDeferredLoad(); });
    }

    // A label drawn by a window made under the current palette.
    QImage composedLabel() {
        m_form = test::newWindow();
        child<QLineEdit>(*m_form, "Edit1")->setText("Calcite");
        child<QLineEdit>(*m_form, "Edit2")->setText("Falun, Dalarna");
        child<QLineEdit>(*m_form, "Edit3")->setText("CaCO3");
        guarded([&] { m_form->composeLabel(); });
        return child<ImageBox>(*m_form, "rendered")->image();
    }

    QImage sheetPage() {
        auto* report = child<SheetReport>(*m_form, "SheetReport");
        report->setDateLineCaption("12:00 1.1.2026");
        QImage page(794, 1123, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        report->drawPage(painter, PageTarget{});
        return page;
    }

    std::unique_ptr<test::DataFolderFixture> m_data;
    QString m_prefix;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
};

QTEST_MAIN(WindowSafetyTest)
#include "tst_windowsafety.moc"
