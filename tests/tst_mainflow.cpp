// The window's handlers driven as a user drives them: keys, clicks and dialogs answered
// through the dialog hooks, against a data folder of the test's own.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "render/SheetRun.h"
#include "stores/DataFolder.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"
#include "widgets/SpinField.h"

using namespace qlx;

namespace {

const char* const kDatabase = test::DataFolderFixture::kDatabase;

QString sourceData(const char* name) {
    return test::DataFolderFixture::sourceData(QString::fromLatin1(name));
}

// missing file, message, database loaded, locality font copied
using MissingRow = std::tuple<QString, QString, bool, bool>;
// typed, user info, user formula, ticked, then the mineral, formula and info fields
using MineralRow = std::tuple<QStringList, QString, QString, bool, QString, QString, QString>;
using LocalityRow =
    std::tuple<QByteArray, QStringList, QString, QString>; // cache, typed, Edit1, field
using BackgroundRow = std::tuple<QString, QString, QSize>; // file, message, size

} // namespace

class MainFlowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_prefix = m_data->prefix();
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        m_form = test::newWindow(false);
    }
    void cleanup() {
        m_form.reset();
        m_boxes.reset();
        FileDialog::clearAnswers();
        FontDialog::clearAnswers();
        OpenPictureDialog::clearAnswers();
        m_data.reset();
    }

    void deferredLoadFillsStoresFontsAndBackgrounds() {
        test::child<QTimer>(*m_form, "Timer4")->start();
        handle(&MainForm::onDeferredLoad);
        QVERIFY(m_boxes->shown().empty());
        QVERIFY(!test::child<QTimer>(*m_form, "Timer4")->isActive());
        // The fixture's database is Windows-1252 (no byte-order mark); the store holds UTF-8.
        QCOMPARE(m_form->mineralDatabase().text(), cp1252::toUtf8(kDatabase));
        QCOMPARE(m_form->localityCache().count(), 2);
        QCOMPARE(m_form->localityFontDialog().font(), m_form->mineralFontDialog().font());
        QCOMPARE(image("Image3")->picture().size(), QSize(640, 404));
        QCOMPARE(image("accimage")->image(), image("Image3")->image());
        QVERIFY(image("Image1")->image() != image("Image3")->image());
    }

    // Each file missing in turn ends the load at its step, reported once, and the timer
    // goes on trying.
    void deferredLoadWithAFileMissing_data() {
        test::dataRows<MissingRow>({
            {"cache", {"cachedloc.txt", "Cannot open file %1cachedloc.txt.", false, false}},
            {"database", {"athena.txt", "Cannot open file %1athena.txt.", false, false}},
            {"complete", {"labelcomplete.bmp", "Cannot open file labelcomplete.bmp.", true, true}},
            {"reduced", {"labelreduced.bmp", "Cannot open file labelreduced.bmp.", true, true}},
        });
    }
    void deferredLoadWithAFileMissing() {
        QFETCH(MissingRow, row);
        const auto [missing, message, databaseLoaded, localityFontCopied] = row;
        QVERIFY(QFile::remove(m_prefix + missing));
        test::child<QTimer>(*m_form, "Timer4")->start();
        handle(&MainForm::onDeferredLoad);
        handle(&MainForm::onDeferredLoad);
        QCOMPARE(m_boxes->texts(),
                 QStringList{message.contains("%1") ? message.arg(m_prefix) : message});
        QVERIFY(test::child<QTimer>(*m_form, "Timer4")->isActive());
        QCOMPARE(!m_form->mineralDatabase().text().empty(), databaseLoaded);
        QCOMPARE(m_form->localityFontDialog().font() == m_form->mineralFontDialog().font(),
                 localityFontCopied);
        QVERIFY(image("accimage")->picture().isEmpty());
        // Once the file is back, the next tick finishes the load.
        QVERIFY(missing.endsWith(".bmp")
                    ? QFile::copy(sourceData(qPrintable(missing)), m_prefix + missing)
                    : test::writeFile(m_prefix + missing, kDatabase));
        handle(&MainForm::onDeferredLoad);
        QVERIFY(!test::child<QTimer>(*m_form, "Timer4")->isActive());
        QCOMPARE(m_boxes->shown().size(), size_t(1));
    }

    // Backgrounds are found in the current folder first, then beside the program.
    void stockBackgroundsFromTheDataFolder() {
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        handle(&MainForm::onDeferredLoad);
        QVERIFY(m_boxes->shown().empty());
        QCOMPARE(image("accimage")->picture().size(), QSize(640, 404));
    }

    // Tab and letters do not look the mineral up; the keypad's Enter does, as Return does.
    void otherKeysDoNotLookUp() {
        edit("Edit7")->setText("calc");
        QTest::keyClick(edit("Edit7"), Qt::Key_Tab);
        QTest::keyClick(edit("Edit7"), Qt::Key_A);
        QCOMPARE(test::child<QLabel>(*m_form, "Label11")->text(), QString("cachedword"));
        enter("Edit7", "calc", Qt::Key_Enter);
        QCOMPARE(edit("Edit7")->text(), QString("Calcit"));
    }

    void lookupWithoutDatabaseReportsThePath() {
        QFile::remove(m_prefix + "athena.txt");
        enter("Edit7", "calc");
        QCOMPARE(m_boxes->texts(), QStringList{"Cannot open file " + m_prefix + "athena.txt."});
        QCOMPARE(edit("Edit7")->text(), QString("calc"));
    }

    // A new locality is cached and the file rewritten; a known one is not. An Add before the
    // start-up load has read the cache reads it first instead of replacing it.
    void addingCachesNewLocalities_data() {
        QTest::addColumn<bool>("loadedAtStart");
        QTest::newRow("after the start-up load") << true;
        QTest::newRow("before the start-up load") << false;
    }
    void addingCachesNewLocalities() {
        QFETCH(bool, loadedAtStart);
        if (loadedAtStart)
            handle(&MainForm::onDeferredLoad);
        edit("Edit6")->setText(QString::fromUtf8("Långban, Värmland"));
        click("Button6");
        edit("Edit6")->setText("Falun");
        click("Button6");
        QCOMPARE(test::readFile(m_prefix + "cachedloc.txt"),
                 std::string("|Falun, Dalarna\r\n|Kiruna\r\n|L\xE5ngban, V\xE4rmland\r\n"));
        QCOMPARE(labelCount(), QString("2"));
        QCOMPARE(list()->lines().count(), 2);
    }

    // The counter shows every digit of a long list's count inside the panel.
    void labelCountFitsThePanel_data() {
        QTest::addColumn<int>("records");
        QTest::newRow("two") << 2;
        QTest::newRow("thousands") << 3000;
        QTest::newRow("the most a list holds") << 50000;
    }
    void labelCountFitsThePanel() {
        QFETCH(int, records);
        list()->lines().setText(test::numberedList(records));
        QCOMPARE(labelCount(), QString::number(records));
        const auto* count = test::child<QLabel>(*m_form, "Label24");
        const auto* panel = test::child<QFrame>(*m_form, "Panel3");
        QVERIFY(count->x() + count->fontMetrics().horizontalAdvance(count->text()) <=
                panel->contentsRect().right() + 1);
        QVERIFY(count->font().pixelSize() >= 6);
        const auto* caption = test::child<QLabel>(*m_form, "Label23");
        QCOMPARE(count->y() + count->fontMetrics().ascent(),
                 caption->y() + caption->fontMetrics().ascent());
        if (records < 100)
            QCOMPARE(count->font().pixelSize(), 13);
    }

    // Enter pressed in turn in the mineral field; "" keeps the field as the last Enter left it.
    // Before the last Enter `userFormula`, where given, is typed into the formula field and
    // `userInfo` into the info field; `ticked` is "Info = formula".
    void mineralEnterSequence_data() {
        QTest::addColumn<MineralRow>("row");
        const auto row = [](const char* name, QStringList typed, QString userInfo, QString mineral,
                            QString formula, QString info, bool ticked = true,
                            QString userFormula = {}) {
            QTest::newRow(name) << MineralRow{typed,   userInfo, userFormula, ticked,
                                              mineral, formula,  info};
        };
        const QString none;
        // One Enter: the completed name, its formula, and the info following it.
        row("prefix", {"calc"}, none, "Calcit", "CaCO3", "CaCO3");
        row("comma cut", {"Calcite, var. X"}, none, "Calcit", "CaCO3", "CaCO3");
        row("charges kept", {"magn"}, none, "Magnetit", "Fe2+Fe3+2O4", "Fe2+Fe3+2O4");
        row("swedish capital", {"åsa"}, none, "Åsarit", "FeS", "FeS");
        row("empty key takes the first", {""}, none, "Andalusit", "Al2SiO5", "Al2SiO5");
        row("no match keeps the text", {"quartz"}, none, "quartz", "", "");
        row("repeated Enter finds the same entry", {"calcit", ""}, none, "Calcit", "CaCO3",
            "CaCO3");
        row("same formula again leaves edited info alone", {"calc", "calcite"}, "edited", "Calcit",
            "CaCO3", "edited");
        row("new formula overwrites edited info", {"calc", "magn"}, "edited", "Magnetit",
            "Fe2+Fe3+2O4", "Fe2+Fe3+2O4");
        // The earlier mineral's formula must not reach the new label; what the user typed stays.
        row("failure keeps the typed text and empties the formula", {"magn", "xyz"}, none, "xyz",
            "", "");
        row("failure, then a found name fills the formula again", {"magn", "xyz", "calc"}, none,
            "Calcit", "CaCO3", "CaCO3");
        row("failure keeps an info typed by hand", {"calc", "baryte"}, "typed", "baryte", "",
            "typed");
        row("failure keeps a formula typed by hand", {"calc", "baryte"}, "typed", "baryte", "BaSO4",
            "typed", true, "BaSO4");
        row("unticked, the info stays", {"calc"}, "my own", "Calcit", "CaCO3", "my own", false);
        row("unticked, failure", {"magn", "xyz"}, "my own", "xyz", "", "my own", false);
        // The completion has lost the space that the database's name has.
        row("spaced name then Enter again", {"native", ""}, none, "Nativecopper", "Cu", "Cu");
    }
    void mineralEnterSequence() {
        QFETCH(MineralRow, row);
        const auto [typed, userInfo, userFormula, ticked, mineral, formula, info] = row;
        QVERIFY(test::writeFile(m_prefix + "athena.txt",
                                std::string(kDatabase) + "| NATIVE COPPER  | Cu |\r\n"));
        test::child<QCheckBox>(*m_form, "CheckBox1")->setChecked(ticked);
        auto* field = edit("Edit7");
        for (int i = 0; i < typed.size(); ++i) {
            if (!typed[i].isEmpty())
                field->setText(typed[i]);
            if (i + 1 == typed.size() && !userFormula.isNull())
                edit("Edit4")->setText(userFormula);
            if (i + 1 == typed.size() && !userInfo.isNull())
                edit("Edit5")->setText(userInfo);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(field->text(), mineral);
        QCOMPARE(edit("Edit4")->text(), formula);
        QCOMPARE(edit("Edit5")->text(), info);
        QVERIFY(m_boxes->shown().empty());
    }

    // Enter pressed in turn in the locality field, over a cache of the row's own, with the
    // hidden mineral name `edit1`.
    void localityEnterSequence_data() {
        QTest::addColumn<LocalityRow>("row");
        const auto row = [](const char* name, QByteArray cache, QStringList typed, QString edit1,
                            QString field) {
            QTest::newRow(name) << LocalityRow{cache, typed, edit1, field};
        };
        const QByteArray cache = test::DataFolderFixture::kCache;
        const QByteArray emptyFirst = "|\r\n|Falun\r\n";
        row("first match", cache, {"Fa"}, "Edit1", "Falun, Dalarna");
        row("no completion yet keeps the typed text", cache, {"Norberg"}, "Edit1", "Norberg");
        row("new locality after a completion", cache, {"Fa", "Tsumeb Mine"}, "Edit1",
            "Tsumeb Mine");
        row("new locality after two completions", cache, {"Ki", "Fa", "Norberg"}, "Edit1",
            "Norberg");
        row("completion after a failed one", cache, {"Fa", "Norberg", "Ki"}, "Edit1", "Kiruna");
        row("empty field gives the oldest entry", cache, {"Ki", ""}, "Edit1", "Falun, Dalarna");
        row("empty completion keeps the typed text", emptyFirst, {"Fa", ""}, "Edit1", "");
        row("empty completion then failure keeps the typed text", emptyFirst, {"Fa", "", "Norberg"},
            "Edit1", "Norberg");
        row("cached word lastlocality never fills the field", "|lastlocality\r\n|x\r\n", {"last"},
            "Edit1", "last");
        row("empty mineral name completes nothing", cache, {"Fa"}, "", "Fa");
    }
    void localityEnterSequence() {
        QFETCH(LocalityRow, row);
        const auto [cache, typed, edit1, field] = row;
        QVERIFY(test::writeFile(m_prefix + "cachedloc.txt", cache.toStdString()));
        edit("Edit1")->setText(edit1);
        auto* locality = edit("Edit6");
        for (const QString& t : typed) {
            locality->setText(t);
            QTest::keyClick(locality, Qt::Key_Return);
        }
        QCOMPARE(locality->text(), field);
        QVERIFY(m_boxes->shown().empty());
    }

    void addStepBuildsRecords() {
        edit("Edit7")->setText(QString::fromUtf8("Kvarts"));
        edit("Edit6")->setText(QString::fromUtf8("Åre"));
        edit("Edit5")->setText("SiO2");
        click("Button6");
        edit("Edit5")->clear();
        click("Button6");
        QCOMPARE(list()->lines().text(),
                 std::string("|Kvarts|\u00C5re|SiO2|\r\n|Kvarts|\u00C5re||\r\n"));
        QCOMPARE(labelCount(), QString("2"));
        QCOMPARE(list()->toPlainText(), QString::fromUtf8("|Kvarts|Åre|SiO2|\n|Kvarts|Åre||\n"));
    }

    // A cache that cannot be read is not rewritten; one read that cannot be written is reported.
    void cacheThatCannotBeReadOrWrittenIsReported_data() {
        QTest::addColumn<bool>("readFirst");
        QTest::addColumn<QString>("message");
        QTest::newRow("read, then a folder in its place") << true << "Cannot create file %1";
        QTest::newRow("a folder before it was read") << false << "Cannot open file %1";
    }
    void cacheThatCannotBeReadOrWrittenIsReported() {
        QFETCH(bool, readFirst);
        QFETCH(QString, message);
        if (readFirst)
            handle(&MainForm::onDeferredLoad);
        QFile::remove(m_prefix + "cachedloc.txt");
        QVERIFY(QDir(m_prefix).mkdir("cachedloc.txt")); // a folder in the file's place
        edit("Edit6")->setText("Norberg");
        click("Button6");
        QCOMPARE(m_boxes->texts(), QStringList{message.arg(m_prefix) + "cachedloc.txt."});
        QCOMPARE(labelCount(), QString("1"));
        QCOMPARE(list()->lines().count(), 1);
    }

    // Open list cancelled changes nothing, and its dialog starts with the name chosen last (a
    // list saved and opened again is tst_unicode's roundTrip, its bytes tst_rtf's).
    void cancelledOpenKeepsTheList() {
        const std::string saved = "|Calcit|Falun||\r\n";
        const QString path = m_prefix + "list.txt";
        QVERIFY(test::writeFile(path, saved));
        FileDialog::setNextFileName(path);
        click("Button7");
        QString startedWith;
        FileDialog::setAnswerFunction([&](const FileDialog::Request& r) {
            startedWith = r.startName;
            return std::optional<QString>();
        });
        click("Button7");
        QCOMPARE(startedWith, path);
        QCOMPARE(list()->lines().text(), saved);
        QVERIFY(m_boxes->shown().empty());
    }

    // A list opened from a folder is saved there too, while the settings dialogs keep their
    // own folder. Both list dialogs offer every file and CSV files.
    void listDialogsShareTheirFolder() {
        QVERIFY(QDir(m_prefix).mkdir("lists"));
        const QString folder = QFileInfo(m_prefix + "lists").absoluteFilePath();
        QVERIFY(test::writeFile(folder + "/minerals.txt", "|A|b|c|"));
        QList<FileDialog::Request> requests;
        FileDialog::setAnswerFunction([&](const FileDialog::Request& r) {
            requests << r;
            return requests.size() == 1 ? std::optional<QString>(folder + "/minerals.txt")
                                        : std::optional<QString>();
        });
        click("Button7");
        click("Button8");
        m_form->onLoadSettings();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[1].startName, folder + "/");
        QVERIFY(!requests[2].startName.startsWith(folder));
        for (int i : {0, 1})
            QCOMPARE(requests[i].filters, QStringList({"All files (*)", "CSV (UTF-8) (*.csv)"}));
    }

    void openingAMissingListReportsIt() {
        edit("Edit7")->setText("x");
        click("Button6");
        FileDialog::setNextFileName(m_prefix + "nothing-here");
        click("Button7");
        QCOMPARE(m_boxes->texts(), QStringList{"Cannot open file " + m_prefix + "nothing-here."});
        QCOMPARE(list()->lines().count(), 1);
    }

    void pickFontChangesOnlyItsRow() {
        handle(&MainForm::onDeferredLoad);
        const LabelFont locality = m_form->localityFontDialog().font();
        LabelFont chosen = LabelFont::regular("Liberation Serif", 40);
        chosen.bold = true;
        chosen.colour = rgbOf(Qt::darkRed);
        FontDialog::setNextAnswer(chosen);
        click("Button5");
        QCOMPARE(m_form->mineralFontDialog().font(), chosen);
        QCOMPARE(m_form->localityFontDialog().font(), locality);
        FontDialog::setNextAnswer(std::nullopt);
        click("Button3");
        QCOMPARE(m_form->infoFontDialog().font(), LabelFont::regular("Arial", 27));
    }

    void radioButtonsChooseBackgrounds() {
        handle(&MainForm::onDeferredLoad);
        radio("RadioButton2")->setChecked(true);
        QCOMPARE(image("accimage")->image(), image("Image1")->image());
        radio("RadioButton3")->setChecked(true);
        QCOMPARE(image("accimage")->image(), image("Image2")->image());
        radio("RadioButton1")->setChecked(true);
        QCOMPARE(image("accimage")->image(), image("Image3")->image());

        // "Custom", Cancel: the background stays, and so does the choice before; clicking
        // "Custom" again asks again.
        OpenPictureDialog::setNextFileName(std::nullopt);
        radio("RadioButton4")->setChecked(true);
        QCOMPARE(OpenPictureDialog::openings(), 1);
        QCOMPARE(image("accimage")->image(), image("Image3")->image());
        QVERIFY(radio("RadioButton1")->isChecked());
        OpenPictureDialog::setNextFileName(std::nullopt);
        QTest::mouseClick(radio("RadioButton4"), Qt::LeftButton);
        QCOMPARE(OpenPictureDialog::openings(), 2);
        QVERIFY(radio("RadioButton1")->isChecked());
    }

    // A custom background shows its picture, or keeps the one before with a message and
    // goes back to the choice before. What each kind of file gives is tst_picture's.
    void customBackgrounds_data() {
        test::dataRows<BackgroundRow>({
            {"bitmap", {QLX_TEST_DATA "/pictures/rgb4x3.bmp", QString(), QSize(4, 3)}},
            {"icon", {QLX_TEST_DATA "/pictures/two.ico", QString(), QSize(32, 32)}},
            {"missing", {"/no/such/file.bmp", "Cannot open file /no/such/file.bmp.", {640, 404}}},
        });
    }
    void customBackgrounds() {
        QFETCH(BackgroundRow, row);
        const auto [file, message, size] = row;
        handle(&MainForm::onDeferredLoad);
        OpenPictureDialog::setNextFileName(file);
        radio("RadioButton4")->setChecked(true);
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(image("accimage")->picture().size(), size);
        // A file that does not load leaves the choice before selected, as Cancel does.
        QCOMPARE(radio("RadioButton4")->isChecked(), message.isEmpty());
        QCOMPARE(radio("RadioButton1")->isChecked(), !message.isEmpty());
    }

    void saveSettingsAppendsTheMineralFace() {
        click("Button12");
        click("Button12");
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit1")->lines().text(),
                 std::string("Arial\r\nArial\r\nArial\r\nArial\r\n"));
    }

    void composeLabelDrawsOnACopy() {
        handle(&MainForm::onDeferredLoad);
        const QImage background = image("accimage")->image();
        edit("Edit1")->setText("Calcit");
        edit("Edit2")->setText("Falun");
        edit("Edit3")->setText("CaCO3");
        m_form->composeLabel();
        const QImage label = image("rendered")->image();
        QCOMPARE(label.size(), background.size());
        QVERIFY(label != background);
        QCOMPARE(image("accimage")->image(), background);
        QCOMPARE(edit("Edit3")->text(), QString(" CaCO3"));
        // The mineral row's cell starts at (151, 32): dark glyph pixels lie right of it.
        bool ink = false;
        for (int x = 151; x < 260 && !ink; ++x)
            for (int y = 32; y < 74 && !ink; ++y)
                ink = qGray(label.pixel(x, y)) < 80;
        QVERIFY(ink);
        // Composing again starts from the unmarked background.
        edit("Edit1")->setText("");
        edit("Edit2")->setText("");
        edit("Edit3")->setText("");
        m_form->composeLabel();
        QCOMPARE(image("rendered")->image().pixel(200, 50), background.pixel(200, 50));
    }

    void composeOnEmptyBackgroundMakesAWhiteLabel() {
        edit("Edit1")->setText("");
        edit("Edit2")->setText("");
        edit("Edit3")->setText("");
        m_form->composeLabel();
        const QImage label = image("rendered")->image();
        QCOMPARE(label.size(), QSize(153, 113));
        QCOMPARE(QColor(label.pixel(5, 5)), QColor(Qt::white));
    }

    // An icon background is drawn into a bitmap of its natural size, and the label is
    // composed on it; the background itself stays the icon.
    void composeOnAnIconDrawsOnItsBitmap() {
        OpenPictureDialog::setNextFileName(QLX_TEST_DATA "/pictures/two.ico");
        radio("RadioButton4")->setChecked(true);
        // The mineral row moved onto the icon's top-left corner.
        test::child<SpinField>(*m_form, "SpinEdit4")->setValue(-151);
        test::child<SpinField>(*m_form, "SpinEdit1")->setValue(-32);
        edit("Edit1")->setText("W");
        edit("Edit2")->setText("");
        edit("Edit3")->setText("SiO2");
        m_form->composeLabel();
        QCOMPARE(edit("Edit3")->text(), QString(" SiO2"));
        const Picture& label = image("rendered")->picture();
        QVERIFY(label.isBitmap());
        QCOMPARE(label.size(), QSize(32, 32));
        QCOMPARE(image("accimage")->picture().type(), Picture::Type::Icon);
        const QImage icon = image("accimage")->picture().toDrawableBitmap(kMaxLabelPixels).bitmap();
        QVERIFY(label.bitmap() != icon);
    }

private:
    QLineEdit* edit(const char* name) { return test::child<QLineEdit>(*m_form, name); }
    ImageBox* image(const char* name) { return test::child<ImageBox>(*m_form, name); }
    QRadioButton* radio(const char* name) { return test::child<QRadioButton>(*m_form, name); }
    RichEditBox* list() { return test::child<RichEditBox>(*m_form, "RichEdit4"); }
    QString labelCount() { return test::child<QLabel>(*m_form, "Label24")->text(); }
    void click(const char* name) { test::child<QPushButton>(*m_form, name)->click(); }
    // Types a text into a field and presses Return (or `key`) there.
    void enter(const char* name, const QString& text, Qt::Key key = Qt::Key_Return) {
        edit(name)->setText(text);
        QTest::keyClick(edit(name), key);
    }
    // Runs a handler as the window's event bindings do: through the error handler.
    void handle(void (MainForm::*handler)()) {
        guarded([&] { (m_form.get()->*handler)(); });
    }

    std::unique_ptr<test::DataFolderFixture> m_data;
    QString m_prefix;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
};

QTEST_MAIN(MainFlowTest)
#include "tst_mainflow.moc"
