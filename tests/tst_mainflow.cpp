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
#include "platform/ErrorHandler.h"
#include "platform/ImageBox.h"
#include "platform/Picture.h"
#include "platform/RichEditBox.h"
#include "platform/SpinField.h"
#include "platform/Text.h"
#include "stores/DataFolder.h"
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
        m_form->Timer4->stop();
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
        m_form->Timer4->start();
        handle(&MainForm::Timer4Timer);
        QVERIFY(m_boxes->shown().empty());
        QVERIFY(!m_form->Timer4->isActive());
        QCOMPARE(m_form->RichEdit3.text(), std::string(kDatabase));
        QCOMPARE(m_form->RichEdit2.count(), 2);
        QCOMPARE(m_form->FontDialog3.font(), m_form->FontDialog1.font());
        QCOMPARE(m_form->Image3->picture().size(), QSize(640, 404));
        QCOMPARE(m_form->accimage->image(), m_form->Image3->image());
        QVERIFY(m_form->Image1->image() != m_form->Image3->image());
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
        m_form->Timer4->start();
        handle(&MainForm::Timer4Timer);
        handle(&MainForm::Timer4Timer);
        QCOMPARE(m_boxes->texts(), QStringList{message.arg(m_prefix)});
        QVERIFY(m_form->Timer4->isActive());
        QCOMPARE(!m_form->RichEdit3.text().empty(), databaseLoaded);
        QCOMPARE(m_form->FontDialog3.font() == m_form->FontDialog1.font(), localityFontCopied);
        QVERIFY(m_form->accimage->picture().isEmpty());
        // Once the file is back, the next tick finishes the load.
        QVERIFY(QFile::copy(missing.endsWith(".bmp") ? sourceData(qPrintable(missing)) : QString(),
                            m_prefix + missing) ||
                test::writeFile(m_prefix + missing, kDatabase));
        handle(&MainForm::Timer4Timer);
        QVERIFY(!m_form->Timer4->isActive());
        QCOMPARE(m_boxes->shown().size(), size_t(1));
    }

    // Backgrounds are found in the current folder first, then beside the program.
    void stockBackgroundsFromTheDataFolder() {
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        handle(&MainForm::Timer4Timer);
        QVERIFY(m_boxes->shown().empty());
        QCOMPARE(m_form->accimage->picture().size(), QSize(640, 404));
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
        m_form->Edit7->setText(typed);
        QTest::keyClick(m_form->Edit7, Qt::Key_Return);
        QCOMPARE(m_form->Edit7->text(), mineral);
        QCOMPARE(m_form->Edit4->text(), formula);
        QCOMPARE(m_form->Edit5->text(), formula); // "Info = formula" is ticked
        QVERIFY(m_boxes->shown().empty());
    }

    void otherKeysDoNotLookUp() {
        m_form->Edit7->setText("calc");
        QTest::keyClick(m_form->Edit7, Qt::Key_Tab);
        QTest::keyClick(m_form->Edit7, Qt::Key_A);
        QCOMPARE(m_form->Label11->text(), QString("cachedword"));
    }

    void infoFollowsFormulaOnlyWhenTicked() {
        m_form->CheckBox1->setChecked(false);
        m_form->Edit5->setText("my own");
        m_form->Edit7->setText("calc");
        QTest::keyClick(m_form->Edit7, Qt::Key_Enter);
        QCOMPARE(m_form->Edit4->text(), QString("CaCO3"));
        QCOMPARE(m_form->Edit5->text(), QString("my own"));
        // The same formula again changes nothing, even once ticked.
        m_form->CheckBox1->setChecked(true);
        QTest::keyClick(m_form->Edit7, Qt::Key_Return);
        QCOMPARE(m_form->Edit5->text(), QString("my own"));
    }

    void lookupWithoutDatabaseReportsThePath() {
        QFile::remove(m_prefix + "athena.txt");
        m_form->Edit7->setText("calc");
        QTest::keyClick(m_form->Edit7, Qt::Key_Return);
        QCOMPARE(m_boxes->texts(), QStringList{"Cannot open file " + m_prefix + "athena.txt."});
        QCOMPARE(m_form->Edit7->text(), QString("calc"));
    }

    void localityCompletionAndCache() {
        m_form->Edit1->setText("Calcit");
        m_form->Edit6->setText("Fa");
        QTest::keyClick(m_form->Edit6, Qt::Key_Return);
        QCOMPARE(m_form->Edit6->text(), QString("Falun, Dalarna"));
        // A failed completion keeps the last one.
        m_form->Edit6->setText("Norberg");
        QTest::keyClick(m_form->Edit6, Qt::Key_Return);
        QCOMPARE(m_form->Edit6->text(), QString("Falun, Dalarna"));

        // A new locality is cached and the file rewritten; a known one is not.
        m_form->Edit6->setText(QString::fromUtf8("Långban, Värmland"));
        m_form->Button6->click();
        m_form->Edit6->setText("Falun");
        m_form->Button6->click();
        QCOMPARE(test::readFile(m_prefix + "cachedloc.txt"),
                 std::string("|Falun, Dalarna\r\n|Kiruna\r\n|L\xE5ngban, V\xE4rmland\r\n"));
        QCOMPARE(m_form->Label24->text(), QString("2"));
        QCOMPARE(m_form->RichEdit4->lines().count(), 2);
    }

    void addStepBuildsRecords() {
        m_form->Edit7->setText(QString::fromUtf8("Kvarts"));
        m_form->Edit6->setText(QString::fromUtf8("Åre"));
        m_form->Edit5->setText("SiO2");
        m_form->Button6->click();
        m_form->Edit5->clear();
        m_form->Button6->click();
        QCOMPARE(m_form->RichEdit4->lines().text(),
                 std::string("|Kvarts|\xC5re|SiO2|\r\n|Kvarts|\xC5re||\r\n"));
        QCOMPARE(m_form->Label24->text(), QString("2"));
        QCOMPARE(m_form->RichEdit4->toPlainText(),
                 QString::fromUtf8("|Kvarts|Åre|SiO2|\n|Kvarts|Åre||\n"));
    }

    void cacheThatCannotBeWrittenIsReported() {
        QFile::remove(m_prefix + "cachedloc.txt");
        QVERIFY(QDir(m_prefix).mkdir("cachedloc.txt")); // a folder in the file's place
        m_form->Edit6->setText("Norberg");
        m_form->Button6->click();
        QCOMPARE(m_boxes->texts(),
                 QStringList{"Cannot create file " + m_prefix + "cachedloc.txt."});
        QCOMPARE(m_form->Label24->text(), QString("1"));
        QCOMPARE(m_form->RichEdit4->lines().count(), 1);
    }

    void saveAndOpenListsKeepTheirLines() {
        m_form->Edit7->setText(QString::fromUtf8("Lölling{it}"));
        m_form->Edit6->setText(QString::fromUtf8("Bäckström \\ €"));
        m_form->Button6->click();
        const std::string saved = m_form->RichEdit4->lines().text();
        const QString path = m_prefix + "list";
        FileDialog::setNextFileName(path);
        m_form->Button8->click();
        QVERIFY(test::readFile(path).rfind("{\\rtf1", 0) == 0);

        m_form->RichEdit4->lines().clear();
        FileDialog::setNextFileName(path);
        m_form->Button7->click();
        QCOMPARE(m_form->RichEdit4->lines().text(), saved);
        QCOMPARE(m_form->Label24->text(), QString("1")); // the one record opened

        // Cancel changes nothing; the dialog starts with the name chosen last.
        QString startedWith;
        FileDialog::setAnswerFunction([&](const FileDialog::Request& r) {
            startedWith = r.startName;
            return std::optional<QString>();
        });
        m_form->Button7->click();
        QCOMPARE(startedWith, path);
        QCOMPARE(m_form->RichEdit4->lines().text(), saved);
        QVERIFY(m_boxes->shown().empty());
    }

    void plainTextFilesOpenAsLists() {
        QVERIFY(test::writeFile(m_prefix + "plain.txt", "|A|b|c|\n|D|e|f|"));
        FileDialog::setNextFileName(m_prefix + "plain.txt");
        m_form->Button7->click();
        QCOMPARE(m_form->RichEdit4->lines().count(), 2);
        QCOMPARE(m_form->RichEdit4->lines().line(1), std::string("|D|e|f|"));
    }

    void openingAMissingListReportsIt() {
        m_form->Edit7->setText("x");
        m_form->Button6->click();
        FileDialog::setNextFileName(m_prefix + "nothing-here");
        m_form->Button7->click();
        QCOMPARE(m_boxes->texts(), QStringList{"Cannot open file " + m_prefix + "nothing-here."});
        QCOMPARE(m_form->RichEdit4->lines().count(), 1);
    }

    void typedListTextReachesTheStore() {
        m_form->RichEdit4->setPlainText("|Typed|by|hand|");
        QCOMPARE(m_form->RichEdit4->lines().text(), std::string("|Typed|by|hand|"));
    }

    void pickFontChangesOnlyItsRow() {
        handle(&MainForm::Timer4Timer);
        const LabelFont locality = m_form->FontDialog3.font();
        LabelFont chosen = LabelFont::regular("Liberation Serif", 40);
        chosen.bold = true;
        chosen.colour = Qt::darkRed;
        FontDialog::setNextAnswer(chosen);
        m_form->Button5->click();
        QCOMPARE(m_form->FontDialog1.font(), chosen);
        QCOMPARE(m_form->FontDialog3.font(), locality);
        FontDialog::setNextAnswer(std::nullopt);
        m_form->Button3->click();
        QCOMPARE(m_form->FontDialog2.font(), LabelFont::regular("Arial", 27));
    }

    void radioButtonsChooseBackgrounds() {
        handle(&MainForm::Timer4Timer);
        m_form->RadioButton2->setChecked(true);
        QCOMPARE(m_form->accimage->image(), m_form->Image1->image());
        m_form->RadioButton3->setChecked(true);
        QCOMPARE(m_form->accimage->image(), m_form->Image2->image());
        m_form->RadioButton1->setChecked(true);
        QCOMPARE(m_form->accimage->image(), m_form->Image3->image());

        // "Custom", Cancel: the background stays, Custom stays selected, and clicking it
        // again opens nothing.
        OpenPictureDialog::setNextFileName(std::nullopt);
        m_form->RadioButton4->setChecked(true);
        QCOMPARE(OpenPictureDialog::openings(), 1);
        QCOMPARE(m_form->accimage->image(), m_form->Image3->image());
        QTest::mouseClick(m_form->RadioButton4, Qt::LeftButton);
        QCOMPARE(OpenPictureDialog::openings(), 1);
        QVERIFY(m_form->RadioButton4->isChecked());
    }

    void customBackgrounds_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("size");
        QTest::newRow("bitmap") << QLX_TEST_DATA "/pictures/rgb4x3.bmp" << QString() << QSize(4, 3);
        QTest::newRow("icon") << QLX_TEST_DATA "/pictures/two.ico" << QString() << QSize(32, 32);
        QTest::newRow("unknown extension")
            << QLX_TEST_DATA "/pictures/rgb4x3.png"
            << "Unknown picture file extension (.png)" << QSize(640, 404);
        QTest::newRow("missing") << "/no/such/file.bmp"
                                 << "Cannot open file /no/such/file.bmp." << QSize(640, 404);
    }
    void customBackgrounds() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QSize, size);
        handle(&MainForm::Timer4Timer);
        OpenPictureDialog::setNextFileName(file);
        m_form->RadioButton4->setChecked(true);
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_form->accimage->picture().size(), size);
        QVERIFY(m_form->RadioButton4->isChecked());
    }

    void saveSettingsAppendsTheMineralFace() {
        m_form->Button12->click();
        m_form->Button12->click();
        QCOMPARE(m_form->RichEdit1->lines().text(),
                 std::string("Arial\r\nArial\r\nArial\r\nArial\r\n"));
    }

    void composeLabelDrawsOnACopy() {
        handle(&MainForm::Timer4Timer);
        const QImage background = m_form->accimage->image();
        m_form->Edit1->setText("Calcit");
        m_form->Edit2->setText("Falun");
        m_form->Edit3->setText("CaCO3");
        m_form->ComposeLabel();
        const QImage label = m_form->rendered->image();
        QCOMPARE(label.size(), background.size());
        QVERIFY(label != background);
        QCOMPARE(m_form->accimage->image(), background);
        QCOMPARE(m_form->Edit3->text(), QString(" CaCO3"));
        // The mineral row's cell starts at (151, 32): dark glyph pixels lie right of it.
        bool ink = false;
        for (int x = 151; x < 260 && !ink; ++x)
            for (int y = 32; y < 74 && !ink; ++y)
                ink = qGray(label.pixel(x, y)) < 80;
        QVERIFY(ink);
        // Composing again starts from the unmarked background.
        m_form->Edit1->setText("");
        m_form->Edit2->setText("");
        m_form->Edit3->setText("");
        m_form->ComposeLabel();
        QCOMPARE(m_form->rendered->image().pixel(200, 50), background.pixel(200, 50));
    }

    void composeOnEmptyBackgroundMakesAWhiteLabel() {
        m_form->Edit1->setText("");
        m_form->Edit2->setText("");
        m_form->Edit3->setText("");
        m_form->ComposeLabel();
        const QImage label = m_form->rendered->image();
        QCOMPARE(label.size(), QSize(153, 113));
        QCOMPARE(QColor(label.pixel(5, 5)), QColor(Qt::white));
    }

    void composeOnAnIconFailsBeforeDrawing() {
        OpenPictureDialog::setNextFileName(QLX_TEST_DATA "/pictures/two.ico");
        m_form->RadioButton4->setChecked(true);
        m_form->Edit3->setText("SiO2");
        bool failed = false;
        try {
            m_form->ComposeLabel();
        } catch (const std::exception& e) {
            failed = QString(e.what()) == "Can only modify an image if it contains a bitmap";
        }
        QVERIFY(failed);
        QCOMPARE(m_form->Edit3->text(), QString("SiO2"));
        QVERIFY(!m_form->rendered->picture().isBitmap());
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
