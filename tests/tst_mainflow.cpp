// The window's handlers driven as a user drives them: keys, clicks and dialogs answered
// through the dialog hooks, against a data folder of the test's own.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <sys/stat.h>

#include "app/MainForm.h"
#include "platform/ErrorHandler.h"
#include "platform/ImageBox.h"
#include "platform/Picture.h"
#include "platform/RichEditBox.h"
#include "platform/SpinField.h"
#include "platform/Text.h"
#include "render/SheetRun.h"
#include "stores/DataFolder.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"
#include "support/DataFolderFixture.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

const char* const kDatabase = test::DataFolderFixture::kDatabase;

QString sourceData(const char* name) {
    return test::DataFolderFixture::sourceData(QString::fromLatin1(name));
}

} // namespace

class MainFlowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_prefix = m_data->prefix();
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        m_form = std::make_unique<MainForm>();
        test::child<QTimer>(*m_form, "Timer4")->stop();
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
        handle(&MainForm::Timer4Timer);
        QVERIFY(m_boxes->shown().empty());
        QVERIFY(!test::child<QTimer>(*m_form, "Timer4")->isActive());
        // The fixture's database is Windows-1252 (no byte-order mark); the store holds UTF-8.
        QCOMPARE(m_form->mineralDatabase().text(), cp1252::toUtf8(kDatabase));
        QCOMPARE(m_form->localityCache().count(), 2);
        QCOMPARE(m_form->localityFontDialog().font(), m_form->mineralFontDialog().font());
        QCOMPARE(test::child<ImageBox>(*m_form, "Image3")->picture().size(), QSize(640, 404));
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->image(),
                 test::child<ImageBox>(*m_form, "Image3")->image());
        QVERIFY(test::child<ImageBox>(*m_form, "Image1")->image() !=
                test::child<ImageBox>(*m_form, "Image3")->image());
    }

    // Each file missing in turn ends the load at its step, reported once, and the timer
    // goes on trying.
    void deferredLoadWithAFileMissing_data() {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("databaseLoaded");
        QTest::addColumn<bool>("localityFontCopied");
        QTest::newRow("cache") << "cachedloc.txt"
                               << "Cannot open file %1cachedloc.txt." << false << false;
        QTest::newRow("database") << "athena.txt"
                                  << "Cannot open file %1athena.txt." << false << false;
        QTest::newRow("complete") << "labelcomplete.bmp"
                                  << "Cannot open file labelcomplete.bmp." << true << true;
        QTest::newRow("reduced") << "labelreduced.bmp"
                                 << "Cannot open file labelreduced.bmp." << true << true;
    }
    void deferredLoadWithAFileMissing() {
        QFETCH(QString, missing);
        QFETCH(QString, message);
        QFETCH(bool, databaseLoaded);
        QFETCH(bool, localityFontCopied);
        QVERIFY(QFile::remove(m_prefix + missing));
        test::child<QTimer>(*m_form, "Timer4")->start();
        handle(&MainForm::Timer4Timer);
        handle(&MainForm::Timer4Timer);
        QCOMPARE(m_boxes->texts(), QStringList{message.arg(m_prefix)});
        QVERIFY(test::child<QTimer>(*m_form, "Timer4")->isActive());
        QCOMPARE(!m_form->mineralDatabase().text().empty(), databaseLoaded);
        QCOMPARE(m_form->localityFontDialog().font() == m_form->mineralFontDialog().font(),
                 localityFontCopied);
        QVERIFY(test::child<ImageBox>(*m_form, "accimage")->picture().isEmpty());
        // Once the file is back, the next tick finishes the load.
        QVERIFY(QFile::copy(missing.endsWith(".bmp") ? sourceData(qPrintable(missing)) : QString(),
                            m_prefix + missing) ||
                test::writeFile(m_prefix + missing, kDatabase));
        handle(&MainForm::Timer4Timer);
        QVERIFY(!test::child<QTimer>(*m_form, "Timer4")->isActive());
        QCOMPARE(m_boxes->shown().size(), size_t(1));
    }

    // Backgrounds are found in the current folder first, then beside the program.
    void stockBackgroundsFromTheDataFolder() {
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        handle(&MainForm::Timer4Timer);
        QVERIFY(m_boxes->shown().empty());
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->picture().size(), QSize(640, 404));
    }

    void enterCompletesMineralAndFormula_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("mineral");
        QTest::addColumn<QString>("formula");
        QTest::newRow("prefix") << "calc"
                                << "Calcit"
                                << "CaCO3";
        QTest::newRow("comma cut") << "Calcite, var. X"
                                   << "Calcit"
                                   << "CaCO3";
        QTest::newRow("charges") << "magn"
                                 << "Magnetit"
                                 << "Fe2Fe32O4";
        QTest::newRow("swedish capital")
            << QString::fromUtf8("åsa") << QString::fromUtf8("Åsarit") << "FeS";
        QTest::newRow("empty key takes the first") << ""
                                                   << "Andalusit"
                                                   << "Al2SiO5";
        QTest::newRow("no match keeps the text") << "quartz"
                                                 << "quartz"
                                                 << "";
    }
    void enterCompletesMineralAndFormula() {
        QFETCH(QString, typed);
        QFETCH(QString, mineral);
        QFETCH(QString, formula);
        test::child<QLineEdit>(*m_form, "Edit7")->setText(typed);
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit7")->text(), mineral);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit4")->text(), formula);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit5")->text(),
                 formula); // "Info = formula" is ticked
        QVERIFY(m_boxes->shown().empty());
    }

    void otherKeysDoNotLookUp() {
        test::child<QLineEdit>(*m_form, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Tab);
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_A);
        QCOMPARE(test::child<QLabel>(*m_form, "Label11")->text(), QString("cachedword"));
    }

    void infoFollowsFormulaOnlyWhenTicked() {
        test::child<QCheckBox>(*m_form, "CheckBox1")->setChecked(false);
        test::child<QLineEdit>(*m_form, "Edit5")->setText("my own");
        test::child<QLineEdit>(*m_form, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Enter);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit4")->text(), QString("CaCO3"));
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit5")->text(), QString("my own"));
        // The same formula again changes nothing, even once ticked.
        test::child<QCheckBox>(*m_form, "CheckBox1")->setChecked(true);
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit5")->text(), QString("my own"));
        // Ticked, a formula and an info typed by hand stay when a name is not found.
        test::child<QCheckBox>(*m_form, "CheckBox1")->setChecked(true);
        test::child<QLineEdit>(*m_form, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(*m_form, "Edit4")->setText("BaSO4");
        test::child<QLineEdit>(*m_form, "Edit5")->setText("typed info");
        test::child<QLineEdit>(*m_form, "Edit7")->setText("baryte");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit4")->text(), QString("BaSO4"));
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit5")->text(), QString("typed info"));
        // Ticked, the found formula goes, the info typed by hand stays.
        test::child<QLineEdit>(*m_form, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(*m_form, "Edit5")->setText("typed info");
        test::child<QLineEdit>(*m_form, "Edit7")->setText("baryte");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit4")->text(), QString());
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit5")->text(), QString("typed info"));
        // Unticked, a name not found empties the formula but leaves the user's info.
        test::child<QCheckBox>(*m_form, "CheckBox1")->setChecked(false);
        test::child<QLineEdit>(*m_form, "Edit7")->setText("magn");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        test::child<QLineEdit>(*m_form, "Edit5")->setText("my own");
        test::child<QLineEdit>(*m_form, "Edit7")->setText("xyz");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit4")->text(), QString());
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit5")->text(), QString("my own"));
    }

    void lookupWithoutDatabaseReportsThePath() {
        QFile::remove(m_prefix + "athena.txt");
        test::child<QLineEdit>(*m_form, "Edit7")->setText("calc");
        QTest::keyClick(test::child<QLineEdit>(*m_form, "Edit7"), Qt::Key_Return);
        QCOMPARE(m_boxes->texts(), QStringList{"Cannot open file " + m_prefix + "athena.txt."});
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit7")->text(), QString("calc"));
    }

    void localityCompletionAndCache() {
        auto* locality = test::child<QLineEdit>(*m_form, "Edit6");
        test::child<QLineEdit>(*m_form, "Edit1")->setText("Calcit");
        locality->setText("Fa");
        QTest::keyClick(locality, Qt::Key_Return);
        QCOMPARE(locality->text(), QString("Falun, Dalarna"));
        // A failed completion keeps what was typed.
        locality->setText("Norberg");
        QTest::keyClick(locality, Qt::Key_Return);
        QCOMPARE(locality->text(), QString("Norberg"));

        // A new locality is cached and the file rewritten; a known one is not.
        test::child<QLineEdit>(*m_form, "Edit6")->setText(QString::fromUtf8("Långban, Värmland"));
        test::child<QPushButton>(*m_form, "Button6")->click();
        test::child<QLineEdit>(*m_form, "Edit6")->setText("Falun");
        test::child<QPushButton>(*m_form, "Button6")->click();
        QCOMPARE(test::readFile(m_prefix + "cachedloc.txt"),
                 std::string("|Falun, Dalarna\r\n|Kiruna\r\n|L\xE5ngban, V\xE4rmland\r\n"));
        QCOMPARE(test::child<QLabel>(*m_form, "Label24")->text(), QString("2"));
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().count(), 2);
    }

    // Enter pressed in turn in the mineral field; "" keeps the field as the last Enter left it,
    // and `userInfo` is typed into the info field before the last Enter.
    void mineralEnterSequence_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("userInfo");
        QTest::addColumn<QString>("mineral");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("info");
        QTest::newRow("repeated Enter finds the same entry")
            << QStringList{"calcit", ""} << QString() << "Calcit"
            << "CaCO3"
            << "CaCO3";
        QTest::newRow("same formula again leaves edited info alone")
            << QStringList{"calc", "calcite"} << "edited"
            << "Calcit"
            << "CaCO3"
            << "edited";
        QTest::newRow("new formula overwrites edited info")
            << QStringList{"calc", "magn"} << "edited"
            << "Magnetit"
            << "Fe2Fe32O4"
            << "Fe2Fe32O4";
        // The earlier mineral's formula must not reach the new label.
        QTest::newRow("failure keeps the typed text and empties the formula")
            << QStringList{"magn", "xyz"} << QString() << "xyz"
            << ""
            << "";
        QTest::newRow("failure, then a found name fills the formula again")
            << QStringList{"magn", "xyz", "calc"} << QString() << "Calcit"
            << "CaCO3"
            << "CaCO3";
        // The completion has lost the space that the database's name has.
        QTest::newRow("spaced name then Enter again")
            << QStringList{"native", ""} << QString() << "Nativecopper"
            << "Cu"
            << "Cu";
    }
    void mineralEnterSequence() {
        QFETCH(QStringList, typed);
        QFETCH(QString, userInfo);
        QFETCH(QString, mineral);
        QFETCH(QString, formula);
        QFETCH(QString, info);
        QVERIFY(test::writeFile(m_prefix + "athena.txt",
                                std::string(kDatabase) + "| NATIVE COPPER  | Cu |\r\n"));
        auto* field = test::child<QLineEdit>(*m_form, "Edit7");
        auto* infoField = test::child<QLineEdit>(*m_form, "Edit5");
        for (int i = 0; i < typed.size(); ++i) {
            if (!typed[i].isEmpty())
                field->setText(typed[i]);
            if (i + 1 == typed.size() && !userInfo.isNull())
                infoField->setText(userInfo);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(field->text(), mineral);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit4")->text(), formula);
        QCOMPARE(infoField->text(), info);
        QVERIFY(m_boxes->shown().empty());
    }

    // Enter pressed in turn in the locality field, over a cache of the row's own, with the
    // hidden mineral name `edit1`.
    void localityEnterSequence_data() {
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("edit1");
        QTest::addColumn<QString>("field");
        const QByteArray cache = test::DataFolderFixture::kCache;
        const QByteArray emptyFirst = "|\r\n|Falun\r\n";
        QTest::newRow("first match") << cache << QStringList{"Fa"} << "Edit1"
                                     << "Falun, Dalarna";
        QTest::newRow("no completion yet keeps the typed text")
            << cache << QStringList{"Norberg"} << "Edit1"
            << "Norberg";
        QTest::newRow("new locality after a completion")
            << cache << QStringList{"Fa", "Tsumeb Mine"} << "Edit1"
            << "Tsumeb Mine";
        QTest::newRow("new locality after two completions")
            << cache << QStringList{"Ki", "Fa", "Norberg"} << "Edit1"
            << "Norberg";
        QTest::newRow("completion after a failed one")
            << cache << QStringList{"Fa", "Norberg", "Ki"} << "Edit1"
            << "Kiruna";
        QTest::newRow("prefix is case-sensitive") << cache << QStringList{"Ki", "fa"} << "Edit1"
                                                  << "fa";
        QTest::newRow("empty field gives the oldest entry")
            << cache << QStringList{"Ki", ""} << "Edit1"
            << "Falun, Dalarna";
        QTest::newRow("empty completion keeps the typed text")
            << emptyFirst << QStringList{"Fa", ""} << "Edit1"
            << "";
        QTest::newRow("empty completion then failure keeps the typed text")
            << emptyFirst << QStringList{"Fa", "", "Norberg"} << "Edit1"
            << "Norberg";
        QTest::newRow("cached word lastlocality never fills the field")
            << QByteArray("|lastlocality\r\n|x\r\n") << QStringList{"last"} << "Edit1"
            << "last";
        QTest::newRow("empty mineral name completes nothing") << cache << QStringList{"Fa"} << ""
                                                              << "Fa";
    }
    void localityEnterSequence() {
        QFETCH(QByteArray, cache);
        QFETCH(QStringList, typed);
        QFETCH(QString, edit1);
        QFETCH(QString, field);
        QVERIFY(test::writeFile(m_prefix + "cachedloc.txt", cache.toStdString()));
        test::child<QLineEdit>(*m_form, "Edit1")->setText(edit1);
        auto* locality = test::child<QLineEdit>(*m_form, "Edit6");
        for (const QString& t : typed) {
            locality->setText(t);
            QTest::keyClick(locality, Qt::Key_Return);
        }
        QCOMPARE(locality->text(), field);
        QVERIFY(m_boxes->shown().empty());
    }

    void addStepBuildsRecords() {
        test::child<QLineEdit>(*m_form, "Edit7")->setText(QString::fromUtf8("Kvarts"));
        test::child<QLineEdit>(*m_form, "Edit6")->setText(QString::fromUtf8("Åre"));
        test::child<QLineEdit>(*m_form, "Edit5")->setText("SiO2");
        test::child<QPushButton>(*m_form, "Button6")->click();
        test::child<QLineEdit>(*m_form, "Edit5")->clear();
        test::child<QPushButton>(*m_form, "Button6")->click();
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().text(),
                 std::string("|Kvarts|\u00C5re|SiO2|\r\n|Kvarts|\u00C5re||\r\n"));
        QCOMPARE(test::child<QLabel>(*m_form, "Label24")->text(), QString("2"));
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->toPlainText(),
                 QString::fromUtf8("|Kvarts|Åre|SiO2|\n|Kvarts|Åre||\n"));
    }

    void cacheThatCannotBeWrittenIsReported() {
        QFile::remove(m_prefix + "cachedloc.txt");
        QVERIFY(QDir(m_prefix).mkdir("cachedloc.txt")); // a folder in the file's place
        test::child<QLineEdit>(*m_form, "Edit6")->setText("Norberg");
        test::child<QPushButton>(*m_form, "Button6")->click();
        QCOMPARE(m_boxes->texts(),
                 QStringList{"Cannot create file " + m_prefix + "cachedloc.txt."});
        QCOMPARE(test::child<QLabel>(*m_form, "Label24")->text(), QString("1"));
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().count(), 1);
    }

    void saveAndOpenListsKeepTheirLines() {
        test::child<QLineEdit>(*m_form, "Edit7")->setText(QString::fromUtf8("Lölling{it}"));
        test::child<QLineEdit>(*m_form, "Edit6")->setText(QString::fromUtf8("Bäckström \\ €"));
        test::child<QPushButton>(*m_form, "Button6")->click();
        const std::string saved = test::child<RichEditBox>(*m_form, "RichEdit4")->lines().text();
        const QString path = m_prefix + "list";
        FileDialog::setNextFileName(path);
        test::child<QPushButton>(*m_form, "Button8")->click();
        QVERIFY(test::readFile(path).rfind("{\\rtf1", 0) == 0);

        test::child<RichEditBox>(*m_form, "RichEdit4")->lines().clear();
        FileDialog::setNextFileName(path);
        test::child<QPushButton>(*m_form, "Button7")->click();
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().text(), saved);
        QCOMPARE(test::child<QLabel>(*m_form, "Label24")->text(),
                 QString("1")); // the one record opened

        // Cancel changes nothing; the dialog starts with the name chosen last.
        QString startedWith;
        FileDialog::setAnswerFunction([&](const FileDialog::Request& r) {
            startedWith = r.startName;
            return std::optional<QString>();
        });
        test::child<QPushButton>(*m_form, "Button7")->click();
        QCOMPARE(startedWith, path);
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().text(), saved);
        QVERIFY(m_boxes->shown().empty());
    }

    // A list opened from a folder is saved there too, while the settings dialogs keep their
    // own folder.
    void listDialogsShareTheirFolder() {
        QVERIFY(QDir(m_prefix).mkdir("lists"));
        const QString folder = QFileInfo(m_prefix + "lists").absoluteFilePath();
        QVERIFY(test::writeFile(folder + "/minerals.txt", "|A|b|c|"));
        QStringList startNames;
        FileDialog::setAnswerFunction([&](const FileDialog::Request& r) {
            startNames << r.startName;
            return startNames.size() == 1 ? std::optional<QString>(folder + "/minerals.txt")
                                          : std::optional<QString>();
        });
        test::child<QPushButton>(*m_form, "Button7")->click();
        test::child<QPushButton>(*m_form, "Button8")->click();
        m_form->Loadsetting1Click();
        QCOMPARE(startNames.size(), 3);
        QCOMPARE(startNames[1], folder + "/");
        QVERIFY(!startNames[2].startsWith(folder));
    }

    void plainTextFilesOpenAsLists() {
        QVERIFY(test::writeFile(m_prefix + "plain.txt", "|A|b|c|\n|D|e|f|"));
        FileDialog::setNextFileName(m_prefix + "plain.txt");
        test::child<QPushButton>(*m_form, "Button7")->click();
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().count(), 2);
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().line(1),
                 std::string("|D|e|f|"));
    }

    void openingAMissingListReportsIt() {
        test::child<QLineEdit>(*m_form, "Edit7")->setText("x");
        test::child<QPushButton>(*m_form, "Button6")->click();
        FileDialog::setNextFileName(m_prefix + "nothing-here");
        test::child<QPushButton>(*m_form, "Button7")->click();
        QCOMPARE(m_boxes->texts(), QStringList{"Cannot open file " + m_prefix + "nothing-here."});
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().count(), 1);
    }

    void typedListTextReachesTheStore() {
        test::child<RichEditBox>(*m_form, "RichEdit4")->setPlainText("|Typed|by|hand|");
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit4")->lines().text(),
                 std::string("|Typed|by|hand|"));
    }

    void pickFontChangesOnlyItsRow() {
        handle(&MainForm::Timer4Timer);
        const LabelFont locality = m_form->localityFontDialog().font();
        LabelFont chosen = LabelFont::regular("Liberation Serif", 40);
        chosen.bold = true;
        chosen.colour = Qt::darkRed;
        FontDialog::setNextAnswer(chosen);
        test::child<QPushButton>(*m_form, "Button5")->click();
        QCOMPARE(m_form->mineralFontDialog().font(), chosen);
        QCOMPARE(m_form->localityFontDialog().font(), locality);
        FontDialog::setNextAnswer(std::nullopt);
        test::child<QPushButton>(*m_form, "Button3")->click();
        QCOMPARE(m_form->infoFontDialog().font(), LabelFont::regular("Arial", 27));
    }

    void radioButtonsChooseBackgrounds() {
        handle(&MainForm::Timer4Timer);
        test::child<QRadioButton>(*m_form, "RadioButton2")->setChecked(true);
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->image(),
                 test::child<ImageBox>(*m_form, "Image1")->image());
        test::child<QRadioButton>(*m_form, "RadioButton3")->setChecked(true);
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->image(),
                 test::child<ImageBox>(*m_form, "Image2")->image());
        test::child<QRadioButton>(*m_form, "RadioButton1")->setChecked(true);
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->image(),
                 test::child<ImageBox>(*m_form, "Image3")->image());

        // "Custom", Cancel: the background stays, Custom stays selected, and clicking it
        // again opens nothing.
        OpenPictureDialog::setNextFileName(std::nullopt);
        test::child<QRadioButton>(*m_form, "RadioButton4")->setChecked(true);
        QCOMPARE(OpenPictureDialog::openings(), 1);
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->image(),
                 test::child<ImageBox>(*m_form, "Image3")->image());
        QTest::mouseClick(test::child<QRadioButton>(*m_form, "RadioButton4"), Qt::LeftButton);
        QCOMPARE(OpenPictureDialog::openings(), 1);
        QVERIFY(test::child<QRadioButton>(*m_form, "RadioButton4")->isChecked());
    }

    void customBackgrounds_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("size");
        QTest::newRow("bitmap") << QLX_TEST_DATA "/pictures/rgb4x3.bmp" << QString() << QSize(4, 3);
        QTest::newRow("icon") << QLX_TEST_DATA "/pictures/two.ico" << QString() << QSize(32, 32);
        QTest::newRow("png") << QLX_TEST_DATA "/pictures/rgb4x3.png" << QString() << QSize(4, 3);
        QTest::newRow("unknown extension")
            << QLX_TEST_DATA "/pictures/red.gif"
            << "Unknown picture file extension (.gif)" << QSize(640, 404);
        QTest::newRow("missing") << "/no/such/file.bmp"
                                 << "Cannot open file /no/such/file.bmp." << QSize(640, 404);
        // Made by the test in its data folder: the window must not wait for a writer.
        QTest::newRow("named pipe") << "pipe.bmp"
                                    << "Cannot open file %1pipe.bmp." << QSize(640, 404);
    }
    void customBackgrounds() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QSize, size);
        if (file == "pipe.bmp") {
            file = m_prefix + file;
            message = message.arg(m_prefix);
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        }
        handle(&MainForm::Timer4Timer);
        OpenPictureDialog::setNextFileName(file);
        test::child<QRadioButton>(*m_form, "RadioButton4")->setChecked(true);
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->picture().size(), size);
        QVERIFY(test::child<QRadioButton>(*m_form, "RadioButton4")->isChecked());
    }

    void saveSettingsAppendsTheMineralFace() {
        test::child<QPushButton>(*m_form, "Button12")->click();
        test::child<QPushButton>(*m_form, "Button12")->click();
        QCOMPARE(test::child<RichEditBox>(*m_form, "RichEdit1")->lines().text(),
                 std::string("Arial\r\nArial\r\nArial\r\nArial\r\n"));
    }

    void composeLabelDrawsOnACopy() {
        handle(&MainForm::Timer4Timer);
        const QImage background = test::child<ImageBox>(*m_form, "accimage")->image();
        test::child<QLineEdit>(*m_form, "Edit1")->setText("Calcit");
        test::child<QLineEdit>(*m_form, "Edit2")->setText("Falun");
        test::child<QLineEdit>(*m_form, "Edit3")->setText("CaCO3");
        m_form->ComposeLabel();
        const QImage label = test::child<ImageBox>(*m_form, "rendered")->image();
        QCOMPARE(label.size(), background.size());
        QVERIFY(label != background);
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->image(), background);
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit3")->text(), QString(" CaCO3"));
        // The mineral row's cell starts at (151, 32): dark glyph pixels lie right of it.
        bool ink = false;
        for (int x = 151; x < 260 && !ink; ++x)
            for (int y = 32; y < 74 && !ink; ++y)
                ink = qGray(label.pixel(x, y)) < 80;
        QVERIFY(ink);
        // Composing again starts from the unmarked background.
        test::child<QLineEdit>(*m_form, "Edit1")->setText("");
        test::child<QLineEdit>(*m_form, "Edit2")->setText("");
        test::child<QLineEdit>(*m_form, "Edit3")->setText("");
        m_form->ComposeLabel();
        QCOMPARE(test::child<ImageBox>(*m_form, "rendered")->image().pixel(200, 50),
                 background.pixel(200, 50));
    }

    void composeOnEmptyBackgroundMakesAWhiteLabel() {
        test::child<QLineEdit>(*m_form, "Edit1")->setText("");
        test::child<QLineEdit>(*m_form, "Edit2")->setText("");
        test::child<QLineEdit>(*m_form, "Edit3")->setText("");
        m_form->ComposeLabel();
        const QImage label = test::child<ImageBox>(*m_form, "rendered")->image();
        QCOMPARE(label.size(), QSize(153, 113));
        QCOMPARE(QColor(label.pixel(5, 5)), QColor(Qt::white));
    }

    // An icon background is drawn into a bitmap of its natural size, and the label is
    // composed on it; the background itself stays the icon.
    void composeOnAnIconDrawsOnItsBitmap() {
        OpenPictureDialog::setNextFileName(QLX_TEST_DATA "/pictures/two.ico");
        test::child<QRadioButton>(*m_form, "RadioButton4")->setChecked(true);
        // The mineral row moved onto the icon's top-left corner.
        test::child<SpinField>(*m_form, "SpinEdit4")->setValue(-151);
        test::child<SpinField>(*m_form, "SpinEdit1")->setValue(-32);
        test::child<QLineEdit>(*m_form, "Edit1")->setText("W");
        test::child<QLineEdit>(*m_form, "Edit2")->setText("");
        test::child<QLineEdit>(*m_form, "Edit3")->setText("SiO2");
        m_form->ComposeLabel();
        QCOMPARE(test::child<QLineEdit>(*m_form, "Edit3")->text(), QString(" SiO2"));
        const Picture& label = test::child<ImageBox>(*m_form, "rendered")->picture();
        QVERIFY(label.isBitmap());
        QCOMPARE(label.size(), QSize(32, 32));
        QCOMPARE(test::child<ImageBox>(*m_form, "accimage")->picture().type(), Picture::Type::Icon);
        const QImage icon = test::child<ImageBox>(*m_form, "accimage")
                                ->picture()
                                .toDrawableBitmap(kMaxLabelPixels)
                                .bitmap();
        QVERIFY(label.bitmap() != icon);
    }

private:
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
