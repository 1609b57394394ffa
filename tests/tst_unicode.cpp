// Localities, minerals and info lines in any script: from the fields through the list file
// and the locality cache to the label, and the files of other programs and earlier versions.
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "app/MainForm.h"
#include "render/SheetRun.h"
#include "stores/LabelList.h"
#include "stores/LineStore.h"
#include "stores/LocalityCache.h"
#include "stores/MineralLookup.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"
#include "support/DataFolderFixture.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/RunTool.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

QLineEdit* field(MainForm& form, const char* name) {
    return test::child<QLineEdit>(form, name);
}

LineStore& list(MainForm& form) {
    return test::child<RichEditBox>(form, "RichEdit4")->lines();
}

void typeAndEnter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QImage label(const QString& mineral, const QString& locality, const QString& info) {
    LabelAppearance look = LabelAppearance::startUp();
    look.blankSize = QSize(620, 180);
    return composeRecordLabel({mineral.toStdString(), locality.toStdString(), info.toStdString()},
                              look)
        .picture.bitmap();
}

QImage localityLabel(const QString& locality) {
    return label({}, locality, {});
}

int inkPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

// Localities in the scripts a collector meets, by language.
const char* const kLocalities[][2] = {
    {"Czech", "Příbram, Střední Čechy"},         {"Polish", "Gdańsk, Pomorskie, Łódź"},
    {"German", "Großschönau, Sachsen"},          {"Swedish", "Långban, Värmland"},
    {"Russian", "Дальнегорск, Приморский край"}, {"Chinese", "湖南省郴州市瑶岗仙"}};

} // namespace

class UnicodeTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { FileDialog::clearAnswers(); }

    // Typed -> list -> Save list -> Open list, and the cache, which completes the locality in
    // the next window.
    void roundTrip_data() {
        QTest::addColumn<QString>("locality");
        for (const auto& [language, locality] : kLocalities)
            QTest::newRow(language) << QString::fromUtf8(locality);
    }
    void roundTrip() {
        QFETCH(QString, locality);
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const QString path = data.prefix() + "list.rtf";
        const std::string record = "|Calcit|" + locality.toStdString() + "|CaCO3|\r\n";
        {
            auto form = test::newWindow();
            typeAndEnter(field(*form, "Edit7"), "calc");
            field(*form, "Edit6")->setText(locality);
            QTest::mouseClick(test::child<QPushButton>(*form, "Button6"), Qt::LeftButton);
            QCOMPARE(list(*form).text(), record);

            FileDialog::setNextFileName(path);
            form->onSaveList();
            QVERIFY(test::readFile(path).rfind("{\\rtf1\\ansi\\ansicpg1252", 0) == 0);

            list(*form).clear();
            FileDialog::setNextFileName(path);
            form->onOpenList();
            QCOMPARE(list(*form).text(), record);
        }
        // The next run completes the locality from its first three characters.
        {
            auto form = test::newWindow();
            typeAndEnter(field(*form, "Edit6"), locality.left(3));
            QCOMPARE(field(*form, "Edit6")->text(), locality);
        }
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
    }

    // Other programs read the saved list with the real characters; pandoc reads RTF to plain
    // text, unrtf to HTML with character references.
    void readersOfTheSavedList() {
        QStringList records;
        for (const auto& [language, locality] : kLocalities)
            records << "|Calcit|" + QString::fromUtf8(locality) + "|CaCO3|";
        QTemporaryDir dir;
        const QString path = dir.filePath("list.rtf");
        LineStore store(false);
        store.setText((records.join("\r\n") + "\r\n").toStdString());
        store.saveToFile(path.toStdString());

        const auto pandoc =
            test::runTool("pandoc", {"-f", "rtf", "-t", "plain", "--wrap=none", path});
        QVERIFY2(pandoc, "pandoc did not read the list (not installed, or it failed)");
        QCOMPARE(QString::fromUtf8(*pandoc).split('\n', Qt::SkipEmptyParts), records);

        const auto unrtf = test::runTool("unrtf", {"--html", path});
        QVERIFY2(unrtf, "unrtf did not read the list (not installed, or it failed)");
        const QString text =
            QTextDocumentFragment::fromHtml(QString::fromUtf8(*unrtf)).toPlainText();
        for (const QString& record : records)
            QVERIFY2(text.contains(record), qPrintable(text));
    }

    // A plain-text list opens as its bytes mean: UTF-8 when it is UTF-8, with or without the
    // mark; Windows-1252 otherwise, whatever the bytes.
    void plainTextLists_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString record = QString::fromUtf8("|Löllingite|Příbram, Střední Čechy|FeAs2|\r\n");
        QTest::newRow("UTF-8 with the mark")
            << QByteArray("\xEF\xBB\xBF") + record.toUtf8() << record;
        QTest::newRow("UTF-8 without the mark") << record.toUtf8() << record;
        QTest::newRow("UTF-8, lone LF")
            << QString::fromUtf8("|Ж|中|\n").toUtf8() << QString::fromUtf8("|Ж|中|\r\n");
        QTest::newRow("Windows-1252")
            << QByteArray("|L\xF6llingite|\xC5re \x80 \x96 \x84x\x93|\r\n")
            << QString::fromUtf8("|Löllingite|Åre € – „x“|\r\n");
        // Bytes that are no Windows-1252 text (0x81 0x8D 0x8F 0x90 0x9D) and no UTF-8 either:
        // each stays one character, none is lost.
        QTest::newRow("neither") << QByteArray("a\x81\x8D\x8F\x90\x9D\xC3(z")
                                 << QString::fromUtf8("a\u0081\u008D\u008F\u0090\u009D\u00C3(z");
        QTest::newRow("the mark, then malformed bytes") << QByteArray("\xEF\xBB\xBF"
                                                                      "a\xFF"
                                                                      "z")
                                                        << QString::fromUtf8("a\uFFFDz");
        QTest::newRow("half a mark is Windows-1252")
            << QByteArray("\xEF\xBBx") << QString::fromUtf8("ï»x");
    }
    void plainTextLists() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        test::DataFolderFixture data;
        test::MessageBoxCatcher boxes;
        const QString path = data.prefix() + "list.txt";
        QVERIFY(test::writeFile(path, bytes.toStdString()));
        auto form = test::newWindow();
        FileDialog::setNextFileName(path);
        form->onOpenList();
        QCOMPARE(QString::fromStdString(list(*form).text()), text);
        QVERIFY(boxes.shown().empty());
    }

    // The mineral database and the cache are UTF-8 after the mark, Windows-1252 without it:
    // a file written by an earlier version reads as before.
    void sharedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("Windows-1252")
            << QByteArray("| \xC5SARITE | FeS |\r\n") << QString::fromUtf8("| ÅSARITE | FeS |\r\n");
        QTest::newRow("UTF-8 with the mark")
            << QByteArray("\xEF\xBB\xBF| \xC3\x85SARITE | FeS |\r\n")
            << QString::fromUtf8("| ÅSARITE | FeS |\r\n");
        QTest::newRow("UTF-8 without the mark is Windows-1252")
            << QByteArray("| \xC3\x85SARITE | FeS |\r\n")
            << QString::fromUtf8("| Ã…SARITE | FeS |\r\n");
    }
    void sharedFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath("athena.txt"), bytes.toStdString()));
        LineStore store;
        store.loadFromFile(dir.filePath("athena.txt").toStdString());
        QCOMPARE(QString::fromStdString(store.text()), text);
        // The Swedish letter folds in either file: "åsa" finds the entry.
        QCOMPARE(lookupMineral(store.text(), "\u00E5sa").found, text.contains(QChar(0xC5)));
    }

    // The cache stays Windows-1252 while every entry fits and becomes UTF-8 after the mark at
    // the first that does not; old entries still complete.
    void cacheSwitchesToUtf8() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const QString cache = data.prefix() + "cachedloc.txt";
        const QString pribram = QString::fromUtf8("Příbram, Střední Čechy");
        {
            auto form = test::newWindow();
            auto add = [&](const QString& locality) {
                field(*form, "Edit6")->setText(locality);
                QTest::mouseClick(test::child<QPushButton>(*form, "Button6"), Qt::LeftButton);
            };
            add(QString::fromUtf8("Långban, Värmland")); // still Windows-1252: tst_mainflow
            add(pribram);
            const std::string utf8 =
                "|Falun, Dalarna\r\n|Kiruna\r\n|L\u00E5ngban, V\u00E4rmland\r\n"
                "|P\u0159\u00EDbram, St\u0159edn\u00ED \u010Cechy\r\n";
            QCOMPARE(test::readFile(cache), kBom + utf8);
            add(QString::fromUtf8("Åre"));
            QCOMPARE(test::readFile(cache), kBom + utf8 + "|\u00C5re\r\n");
        }
        const std::vector<std::pair<QString, QString>> completions = {
            {"Fa", "Falun, Dalarna"},
            {QString::fromUtf8("Lå"), QString::fromUtf8("Långban, Värmland")},
            {QString::fromUtf8("Pří"), pribram},
            {QString::fromUtf8("Å"), QString::fromUtf8("Åre")},
        };
        for (const auto& [typed, completed] : completions) {
            auto form = test::newWindow();
            typeAndEnter(field(*form, "Edit6"), typed);
            QCOMPARE(field(*form, "Edit6")->text(), completed);
        }
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
    }

    // The label shows the glyph itself: ř is neither the "?" an older version drew nor a
    // plain r or a ø; a CJK locality is drawn from a fallback font, not as empty boxes (two
    // different missing glyphs would be the same box).
    void labelsDrawTheCharacters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("others");
        QTest::newRow("r caron") << QString::fromUtf8("Příbram")
                                 << QStringList{"P?íbram", QString::fromUtf8("Príbram"),
                                                QString::fromUtf8("Pøíbram")};
        QTest::newRow("Chinese") << QString::fromUtf8("中")
                                 << QStringList{QString::fromUtf8("国"), "?",
                                                QString::fromUcs4(U"\U0010FFFD", 1)};
        QTest::newRow("Cyrillic") << QString::fromUtf8("Ж") << QStringList{"?", "X"};
    }
    void labelsDrawTheCharacters() {
        QFETCH(QString, text);
        QFETCH(QStringList, others);
        const QImage drawn = localityLabel(text);
        QVERIFY(inkPixels(drawn) > 20);
        for (const QString& other : others)
            QVERIFY2(localityLabel(other) != drawn, qPrintable(other));
        // The info row too, one character at a time.
        const QImage info = label({}, {}, text);
        QVERIFY(label({}, {}, others.front()) != info);
    }
};

QTEST_MAIN(UnicodeTest)
#include "tst_unicode.moc"
