// Label settings kept in a file: the text format on its own, and Save settings / Load
// settings / --settings through the real window.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "stores/Error.h"
#include "stores/LabelSettings.h"
#include "support/DataFolderFixture.h"
#include "support/ErrorOf.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/FileDialog.h"
#include "widgets/ImageBox.h"
#include "widgets/SpinField.h"

using namespace qlx;

namespace {

LabelSettings unusual() {
    LabelSettings s;
    s.mineralFont = {"DejaVu Serif", 30, true, false, true, false, 0x123456};
    s.localityFont = {"Liberation Sans", 12, false, true, false, true, 0xFF0000};
    s.infoFont = {"Noto Sans CJK \u4E2D", 20, true, true, true, true, 0x00FF80};
    s.corrections = {-3, 4, 0, 10000, -10000, 7};
    s.background = BackgroundChoice::Custom;
    s.customPicture = "/tmp/labels \u00E5/custom.bmp";
    s.infoIsFormula = false;
    s.keepFinalE = true;
    s.fitLongRows = true;
    return s;
}

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip() {
        const LabelSettings s = unusual();
        QVERIFY(readLabelSettings(writeLabelSettings(s)) == s);
        QVERIFY(readLabelSettings(writeLabelSettings(LabelSettings())) == LabelSettings());
        // Comments, blank lines, a byte-order mark, CR LF and keys of a later version are fine.
        const LabelSettings read = readLabelSettings("\xEF\xBB\xBF# mine\r\nversion = 1\r\n\r\n"
                                                     "  mineral.size=12 \r\nlater.key = 5\r\n");
        QCOMPARE(read.mineralFont.pixelHeight, 12);
        QCOMPARE(read.localityFont.pixelHeight, LabelSettings().localityFont.pixelHeight);
    }

    // A file of the first version, written before there were options, reads with them off; the
    // options are written, and each is read on its own.
    void optionsAcrossVersions() {
        const LabelSettings old = readLabelSettings("version = 1\ninfo_is_formula = 0\n");
        QVERIFY(!old.keepFinalE);
        QVERIFY(!old.fitLongRows);
        QVERIFY(!old.infoIsFormula);
        QVERIFY(writeLabelSettings(LabelSettings()).find("version = 2\n") != std::string::npos);
        QVERIFY(readLabelSettings("version = 2\nkeep_final_e = 1\n").keepFinalE);
        QVERIFY(!readLabelSettings("version = 2\nkeep_final_e = 1\n").fitLongRows);
        QVERIFY(readLabelSettings("version = 2\nfit_long_rows = 1\n").fitLongRows);
        QVERIFY(!readLabelSettings("version = 2\nfit_long_rows = 1\n").keepFinalE);
    }

    void damagedFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, QByteArray text, const char* reason) {
            QTest::newRow(name) << text << reason;
        };
        row("empty", "", "it holds no settings");
        row("no version first", "mineral.size = 3\nversion = 1\n",
            "line 1: the file must start with its version");
        row("later version", "version = 3\n", "of a later version (3)");
        row("option flag", "version = 2\nfit_long_rows = on\n",
            "line 2: fit_long_rows must be a whole number from 0 to 1");
        row("size zero", "version = 1\nmineral.size = 0\n",
            "line 2: mineral.size must be a whole number from 1 to 400");
        row("size not a number", "version = 1\ninfo.size = 12px\n",
            "line 2: info.size must be a whole number");
        row("huge correction", "version = 1\nlocality.x = 99999999999999999999\n",
            "line 2: locality.x must be a whole number");
        row("colour", "version = 1\ninfo.colour = red\n",
            "line 2: info.colour must be a colour #RRGGBB");
        row("flag", "version = 1\nmineral.bold = yes\n",
            "line 2: mineral.bold must be a whole number from 0 to 1");
        row("twice", "version = 1\n# x\ninfo.x = 1\ninfo.x = 2\n", "line 4: info.x is given twice");
        row("no equals sign", "version = 1\nbold\n", "line 2: a line must be");
        row("background", "version = 1\nbackground = sepia\n",
            "line 2: background must be complete");
        row("custom without picture", "version = 1\nbackground = custom\n",
            "a custom background needs its picture");
        row("not UTF-8", "version = 1\nmineral.font = \xE5\n", "not UTF-8 text");
        row("too long", "version = 1\n" + QByteArray(70000, '#'),
            "longer than a settings file can be");
    }
    void damagedFiles() {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        const QString error = test::errorOf([&] { readLabelSettings(text.toStdString()); });
        QVERIFY2(error != "no error" && error.contains(reason), qPrintable(error));
    }

    // --- In the window ------------------------------------------------------------------

    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
    }
    void cleanup() {
        m_boxes.reset();
        FileDialog::clearAnswers();
        m_data.reset();
    }

    // What one window saves, a fresh window loads: the fonts, corrections, background and
    // "Info = formula" all come back.
    void saveThenLoad() {
        const QString path = m_data->prefix() + "mine.qlxset";
        LabelSettings saved;
        {
            auto form = test::newWindow();
            LabelFont font = form->mineralFontDialog().font();
            font.face = "DejaVu Serif";
            font.pixelHeight = 30;
            font.italic = true;
            font.colour = rgbOf(QColor(0x12, 0x34, 0x56));
            form->mineralFontDialog().setFont(font);
            test::child<SpinField>(*form, "SpinEdit5")->setValue(-6);
            test::child<SpinField>(*form, "SpinEdit3")->setValue(9);
            test::child<QRadioButton>(*form, "RadioButton3")->setChecked(true);
            test::child<QCheckBox>(*form, "CheckBox1")->setChecked(false);
            test::child<QAction>(*form, "KeepFinalE1")->trigger();
            test::child<QAction>(*form, "FitLongRows1")->trigger();
            saved = form->labelSettings();
            QVERIFY(saved.keepFinalE && saved.fitLongRows);
            FileDialog::setNextFileName(path);
            form->onSaveSettings();
        }
        QVERIFY(QFileInfo(path).isFile());
        auto form = test::newWindow();
        QVERIFY(!(form->labelSettings() == saved));
        FileDialog::setNextFileName(path);
        guarded([&] { form->onLoadSettings(); });
        QVERIFY(m_boxes->shown().empty());
        // labelSettings() reads the controls themselves: the fonts, the radio button and the
        // menu's options are back. The background shown follows the radio button.
        QVERIFY(form->labelSettings() == saved);
        QCOMPARE(test::child<ImageBox>(*form, "accimage")->image(),
                 test::child<ImageBox>(*form, "Image2")->image());
    }

    // The options sit in the menu bar, off at start; "Keep the final E of names" changes what
    // Enter in the mineral field completes to, and back.
    void optionsInTheMenuBar() {
        auto form = test::newWindow();
        auto* keep = test::child<QAction>(*form, "KeepFinalE1");
        auto* fit = test::child<QAction>(*form, "FitLongRows1");
        for (QAction* option : {keep, fit}) {
            QVERIFY(option->isCheckable());
            QVERIFY(!option->isChecked());
            QVERIFY(!form->clientArea()->isAncestorOf(qobject_cast<QWidget*>(option->parent())));
        }
        // The captions with their mnemonics (K, L) for the keyboard.
        QCOMPARE(keep->text(), QString("&Keep the final E of names"));
        QCOMPARE(fit->text(), QString("Fit &long rows"));
        auto* mineral = test::child<QLineEdit>(*form, "Edit7");
        const auto complete = [&](const QString& typed) {
            mineral->setText(typed);
            guarded([&] { form->onMineralKey(Qt::Key_Return, Qt::NoModifier); });
            return mineral->text();
        };
        QCOMPARE(complete("calc"), QString("Calcit"));
        keep->trigger();
        QCOMPARE(complete("calc"), QString("Calcite"));
        QCOMPARE(complete("Calcite"), QString("Calcite"));
        keep->trigger();
        QCOMPARE(complete("calc"), QString("Calcit"));
        QVERIFY(m_boxes->shown().empty());
    }

    // A damaged file, or a custom picture that cannot be read, gives one message naming the
    // file and changes nothing.
    void badFilesChangeNothing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("damaged") << QByteArray(
                                        "version = 1\nmineral.size = 0\nbackground = clean\n")
                                 << "The settings file is damaged: line 2";
        QTest::newRow("missing picture")
            << QByteArray("version = 1\nmineral.size = 12\nbackground = custom\n"
                          "background.picture = /nonexistent/x.bmp\n")
            << "/nonexistent/x.bmp";
    }
    void badFilesChangeNothing() {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        const QString path = m_data->prefix() + "bad.qlxset";
        QVERIFY(test::writeFile(path, text.toStdString()));
        auto form = test::newWindow();
        const LabelSettings before = form->labelSettings();
        FileDialog::setNextFileName(path);
        guarded([&] { form->onLoadSettings(); });
        QCOMPARE(m_boxes->shown().size(), std::size_t(1));
        QVERIFY2(m_boxes->texts().first().contains(message), qPrintable(m_boxes->texts().first()));
        QVERIFY(form->labelSettings() == before);
    }

    // A file given at start is applied once the deferred load is done, over its defaults.
    void settingsGivenAtStart() {
        const QString path = m_data->prefix() + "start.qlxset";
        QVERIFY(test::writeFile(path, "version = 1\nlocality.size = 15\nbackground = reduced\n"));
        auto form = test::newWindow(false);
        form->loadSettingsAfterStart(path);
        guarded([&] { form->onDeferredLoad(); });
        QVERIFY(m_boxes->shown().empty());
        QCOMPARE(form->localityFontDialog().font().pixelHeight, 15);
        QVERIFY(test::child<QRadioButton>(*form, "RadioButton2")->isChecked());
        QCOMPARE(test::child<ImageBox>(*form, "accimage")->image(),
                 test::child<ImageBox>(*form, "Image1")->image());
    }

private:
    std::unique_ptr<test::DataFolderFixture> m_data;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
