#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "stores/Error.h"
#include "stores/LabelList.h"
#include "stores/LineStore.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

std::string bytes(const char* s, size_t n) {
    return std::string(s, n);
}

// Table rows; each test names the fields where it takes them apart.
using LoadRow = std::tuple<std::string, std::string, int>;
using LineRow = std::tuple<std::string, int, std::string>;
using AddRow = std::tuple<std::string, std::string, std::string, int>;
using LimitRow = std::tuple<int, std::string, std::string, bool>;
using FailureRow = std::tuple<QString, QString, QString>;
using RichRow = std::pair<std::string, std::string>;

} // namespace

class LineStoreTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    // Plain files: every kind of line break becomes CR LF, nothing else changes.
    void loadPlain_data() {
        // The file, the text it loads as, the lines counted.
        test::dataRows<LoadRow>({
            {"empty file", {"", "", 0}},
            {"one line, no break", {"Calcite", "Calcite", 1}},
            {"one line, CR LF", {"Calcite\r\n", "Calcite\r\n", 1}},
            {"only a break", {"\r\n", "\r\n", 1}},
            {"LF file", {"a\nb\n", "a\r\nb\r\n", 2}},
            {"CR file", {"a\rb\r", "a\r\nb\r\n", 2}},
            {"LF file without final break", {"a\nb", "a\r\nb", 2}},
            {"mixed breaks", {"a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd", 4}},
            {"LF CR is two breaks", {"a\n\rb", "a\r\n\r\nb", 3}},
            {"CR CR LF is two breaks", {"a\r\r\nb", "a\r\n\r\nb", 3}},
            {"empty lines kept", {"\n\n\n", "\r\n\r\n\r\n", 3}},
            {"two final breaks", {"a\r\n\r\n", "a\r\n\r\n", 2}},
            {"spaces not trimmed", {"  a  \n", "  a  \r\n", 1}},
            {"NUL inside a line", {bytes("a\0b\nc", 5), bytes("a\0b\r\nc", 6), 2}},
            {"control and high bytes",
             {"\x01\x1b\x7f\x80\x9d\xe5\xff\n", "\x01\x1b\x7f\x80\x9d\xe5\xff\r\n", 1}},
        });
    }
    void loadPlain() {
        QFETCH(LoadRow, row);
        const auto [file, text, count] = row;
        QVERIFY(test::writeFile(path("in.txt"), file));
        LineStore store;
        store.setText("old content\r\n");
        store.loadFromFile(path("in.txt").toStdString());
        QCOMPARE(store.text(), cp1252::toUtf8(text)); // a file without the mark is Windows-1252
        QCOMPARE(store.count(), count);
    }

    void lineAccess_data() {
        // The store's text, the index asked for, the line it gives.
        const std::string x4094(4094, 'x'), x4095(4095, 'x');
        test::dataRows<LineRow>({
            {"first", {"a\r\nbb\r\n", 0, "a"}},
            {"second", {"a\r\nbb\r\n", 1, "bb"}},
            {"last without break", {"a\r\nbb", 1, "bb"}},
            {"empty line", {"a\r\n\r\nc", 1, ""}},
            {"past the end", {"a\r\n", 1, ""}},
            {"negative", {"a\r\n", -1, ""}},
            {"4096 characters whole", {std::string(4096, 'x') + "\r\n", 0, std::string(4096, 'x')}},
            {"longer line cut at 4096",
             {"a\r\n" + std::string(4000, 'x') + std::string(1000, 'y') + "\r\nz", 1,
              std::string(4000, 'x') + std::string(96, 'y')}},
            {"line after a long one", {std::string(5000, 'x') + "\r\nz", 1, "z"}},
            {"NUL inside", {bytes("a\0b\r\n", 5), 0, bytes("a\0b", 3)}},
            {"cut before a character it would split", {x4095 + "\u0159yy\r\n", 0, x4095}},
            {"cut after a character that fits", {x4094 + "\u0159yy\r\n", 0, x4094 + "\u0159"}},
            {"cut before a four-byte character", {x4094 + "\U0001F48E\r\n", 0, x4094}},
        });
    }
    void lineAccess() {
        QFETCH(LineRow, row);
        const auto [text, index, line] = row;
        LineStore store;
        store.setText(text);
        QCOMPARE(store.line(index), line);
    }

    void add_data() {
        // The text before, the line added, the text after, the lines counted.
        test::dataRows<AddRow>({
            {"empty store", {"", "X", "X\r\n", 1}},
            {"after a break", {"A\r\n", "X", "A\r\nX\r\n", 2}},
            {"no final break", {"A", "X", "A\r\nX", 2}},
            {"empty line to empty store", {"", "", "\r\n", 1}},
            {"empty line after a break", {"A\r\n", "", "A\r\n\r\n", 2}},
            {"line with LF inside", {"A\r\n", "X\nY", "A\r\nX\r\nY\r\n", 3}},
            {"high bytes", {"", "\xc5sen|\xd6land|", "\xc5sen|\xd6land|\r\n", 1}},
        });
    }
    void add() {
        QFETCH(AddRow, row);
        const auto [before, added, after, count] = row;
        LineStore store;
        store.setText(before);
        store.add(added);
        QCOMPARE(store.text(), after);
        QCOMPARE(store.count(), count);
    }

    // A store that was never loaded refuses to grow past its limit, and adds nothing then.
    void addLimit_data() {
        // The length limit, the text before, the line added, whether it fits.
        test::dataRows<LimitRow>({
            {"fits exactly", {10, "abc\r\n", "def", true}},
            {"one byte over", {10, "abc\r\n", "defg", false}},
            {"empty store, too long", {4, "", "abc", false}},
            {"break before the line counts", {8, "abc", "def", true}},
            {"break before the line counts, over", {7, "abc", "def", false}},
        });
    }
    void addLimit() {
        QFETCH(LimitRow, row);
        const auto [limit, before, added, fits] = row;
        LineStore store;
        store.setText(before);
        store.setLengthLimit(static_cast<size_t>(limit));
        const QString error = test::errorOf([&] { store.add(std::get<2>(row)); });
        QCOMPARE(error, fits ? QString("no error") : QString("RichEdit line insertion error"));
        if (!fits)
            QCOMPARE(store.text(), before);
        QVERIFY(store.text().size() <= static_cast<size_t>(limit));
    }

    void loadLiftsTheLimit() {
        QVERIFY(test::writeFile(path("small.txt"), "a\r\n"));
        LineStore store;
        store.setLengthLimit(8);
        QCOMPARE(test::errorOf([&] { store.add(std::string(20, 'x')); }),
                 QString("RichEdit line insertion error"));
        store.loadFromFile(path("small.txt").toStdString());
        store.add(std::string(20, 'x'));
        QCOMPARE(store.count(), 2);
    }

    // Plain files come back byte for byte: every byte value but the line breaks.
    void plainByteTransparency_data() {
        QTest::addColumn<std::string>("file");
        std::string all;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all += static_cast<char>(b);
        QTest::newRow("every byte in one line") << all + "\r\n" + all;
        QTest::newRow("NUL lines") << bytes("\0\r\n\0\0\r\n", 7);
    }
    void plainByteTransparency() {
        QFETCH(std::string, file);
        QVERIFY(test::writeFile(path("bytes.txt"), file));
        LineStore store;
        store.loadFromFile(path("bytes.txt").toStdString());
        store.saveToFile(path("bytes2.txt").toStdString());
        QCOMPARE(test::readFile(path("bytes2.txt")), file);
    }

    // Failed loads name the full path and leave the store as it was.
    void loadFailure_data() {
        // The file's name, how it is loaded, the message (%1: the file's path).
        test::dataRows<FailureRow>({
            {"missing, plain", {"missing.txt", "plain", "Cannot open file %1"}},
            {"missing, rich", {"missing.rtf", "rich", "Cannot open file %1"}},
            {"a folder", {"folder", "plain", "Cannot open file %1"}},
            {"a pipe", {"pipe", "plain", "Cannot open file %1"}},
            {"longer than the limit", {"huge.txt", "plain", "Failed to Load Stream"}},
            {"longer than the limit, rich", {"huge.txt", "rich", "Failed to Load Stream"}},
            {"longer than the limit, CSV", {"huge.txt", "csv", "Failed to Load Stream"}},
        });
    }
    void loadFailure() {
        QFETCH(FailureRow, row);
        const auto [name, kind, message] = row;
        QDir(m_dir.path()).mkdir("folder");
        ::mkfifo(path("pipe").toLocal8Bit().constData(), 0600);
        if (!QFile::exists(path("huge.txt"))) {
            QFile huge(path("huge.txt")); // sparse but for its CSV header: costs no disk
            QVERIFY(huge.open(QIODevice::WriteOnly));
            huge.write("Mineral,Locality,Info\r\n");
            QVERIFY(huge.resize(qint64(LineStore::kMaxLength) + 1));
        }
        LineStore store(kind == "plain");
        store.setText("kept\r\n");
        const auto revision = store.revision();
        const std::string full = path(name).toStdString();
        const bool csv = kind == "csv";
        QCOMPARE(test::errorOf([&] {
                     if (csv)
                         store.loadCsvFile(full);
                     else
                         store.loadFromFile(full);
                 }),
                 message.contains("%1") ? message.arg(path(name)) : message);
        QCOMPARE(store.text(), std::string("kept\r\n"));
        QCOMPARE(store.revision(), revision);
    }

    // A rich-text store reads RTF, and a file that is not RTF as plain text.
    void loadRich_data() {
        // The file, the text it loads as.
        test::dataRows<RichRow>({
            {"RTF", {"{\\rtf1\\ansi {\\fonttbl{\\f0 Arial;}}a\\par b\\par}", "a\r\nb\r\n"}},
            {"plain text", {"|Quartz|Alps|SiO2|\n", "|Quartz|Alps|SiO2|\r\n"}},
            {"truncated RTF is read as plain text", {"{\\rtf1 a\\par\nb", "{\\rtf1 a\\par\r\nb"}},
            {"empty file", {"", ""}},
            {"RTF with an escaped CR byte keeps CR LF only",
             {"{\\rtf1 a\\'0db\\par}", "a\r\nb\r\n"}},
            {"RTF with a unicode LF keeps CR LF only", {"{\\rtf1 a\\u10 ?b}", "a\r\nb"}},
        });
    }
    void loadRich() {
        QFETCH(RichRow, row);
        const auto [file, text] = row;
        QVERIFY(test::writeFile(path("list.rtf"), file));
        LineStore store(false);
        store.loadFromFile(path("list.rtf").toStdString());
        QCOMPARE(store.text(), text);
    }

    void changeTracking() {
        LineStore store;
        int calls = 0;
        store.setChangeListener([&](const LineStore::Change&) { ++calls; });
        store.setText("a\r\n");
        QCOMPARE(calls, 1);
        store.setText("a\n"); // the same text once the break is CR LF
        QCOMPARE(calls, 1);
        store.add("b");
        QCOMPARE(calls, 2);
        QCOMPARE(store.revision(), std::uint64_t(2));
        store.clear();
        QCOMPARE(calls, 3);
        store.clear();
        QCOMPARE(calls, 3);
        QCOMPARE(store.count(), 0);
    }

    // Every edit reports the segments it replaced, and its revert brings the text back: a
    // mirror kept only from the reported changes always equals the store, and the store's
    // line access agrees with a fresh split of its text.
    void changesAndReverts_data() {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u})
            QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
    }
    void changesAndReverts() {
        QFETCH(unsigned, seed);
        std::mt19937 random(seed);
        const auto pick = [&](int n) {
            return int(random() % unsigned(n));
        };
        const char* const pieces[] = {"a", "bc", "\r\n", "\n", "\r", "|x|y|z|", "", "\xc3\xa9"};
        const auto someText = [&] {
            std::string text;
            for (int i = pick(6); i > 0; --i)
                text += pieces[pick(8)];
            return text;
        };
        LineStore store;
        std::vector<std::string> mirror{""};
        store.setChangeListener([&](const LineStore::Change& change) {
            QVERIFY(change.removed >= 1 && change.added >= 1);
            QVERIFY(change.first + change.removed <= int(mirror.size()));
            std::vector<std::string> added;
            for (int i = 0; i < change.added; ++i)
                added.emplace_back(store.segment(change.first + i));
            mirror.erase(mirror.begin() + change.first,
                         mirror.begin() + change.first + change.removed);
            mirror.insert(mirror.begin() + change.first, added.begin(), added.end());
        });
        std::vector<std::pair<std::string, LineStore::Revert>> done;
        for (int step = 0; step < 300; ++step) {
            const std::string before = store.text();
            LineStore::Revert revert;
            switch (pick(4)) {
            case 0:
                revert = store.add(someText());
                break;
            case 1:
                revert =
                    store.setText(before.substr(0, size_t(pick(int(before.size()) + 1))) +
                                  someText() + before.substr(size_t(pick(int(before.size()) + 1))));
                break;
            case 2:
                revert = store.replaceSegments(pick(store.segmentCount() + 1), pick(3), someText());
                break;
            default:
                if (!done.empty()) { // take back the newest edit
                    store.revert(done.back().second);
                    QCOMPARE(store.text(), done.back().first);
                    done.pop_back();
                    continue;
                }
            }
            done.emplace_back(before, revert);
            // The whole text, split afresh, is what the segments and lines say.
            std::string joined;
            for (size_t i = 0; i < mirror.size(); ++i)
                joined += (i ? "\r\n" : "") + mirror[i];
            QCOMPARE(joined, store.text());
            QCOMPARE(store.segmentCount(), int(mirror.size()));
            QCOMPARE(size_t(store.count()), storedLines(store.text()).size());
            QCOMPARE(size_t(store.count()), LineStore::countLines(store.text()));
            for (int i = 0; i < store.count(); ++i)
                QCOMPARE(store.line(i), std::string(storedLines(store.text())[size_t(i)]));
        }
        while (!done.empty()) {
            store.revert(done.back().second);
            QCOMPARE(store.text(), done.back().first);
            done.pop_back();
        }
    }

    // A store with a line limit refuses to go beyond it, however the lines would come, and
    // is unchanged then; an edit that does not add lines still goes through at the limit.
    void lineLimit_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("fits");
        QTest::newRow("add at the limit") << "add" << false;
        QTest::newRow("set one line more") << "set 4" << false;
        QTest::newRow("set as many lines") << "set 3" << true;
        QTest::newRow("replace a line in place") << "replace" << true;
        QTest::newRow("replace a line by two") << "replace by two" << false;
    }
    void lineLimit() {
        QFETCH(QString, how);
        QFETCH(bool, fits);
        LineStore store;
        store.setText("a\r\nb\r\nc\r\n");
        store.setLineLimit(3);
        const std::string before = store.text();
        const QString error = test::errorOf([&] {
            if (how == "add")
                store.add("d");
            else if (how == "set 4")
                store.setText("a\nb\nc\nd");
            else if (how == "set 3")
                store.setText("x\ny\nz\n");
            else if (how == "replace")
                store.replaceSegments(1, 1, "B");
            else
                store.replaceSegments(1, 1, "B\nB");
        });
        QCOMPARE(error, fits ? QString("no error") : QString("A list may hold at most 3 lines"));
        if (!fits)
            QCOMPARE(store.text(), before);
        QVERIFY(store.count() <= 3);
    }

    // A file with more lines than the limit is refused with a message naming it, whatever
    // its form, and the store keeps what it held.
    void loadTooManyLines_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::string>("content");
        QTest::addColumn<int>("lines");
        QTest::newRow("line breaks only") << "breaks.txt" << std::string(8, '\n') << 8;
        QTest::newRow("CR LF lines, last open")
            << "crlf.txt" << std::string("1\r\n2\r\n3\r\n4\r\n5") << 5;
        QTest::newRow("RTF paragraphs")
            << "list.rtf" << std::string("{\\rtf1 a\\par b\\par c\\par d\\par e\\par}") << 5;
        QTest::newRow("CSV rows") << "list.csv"
                                  << std::string("Mineral,Locality,Info\r\na,b,c\r\na,b,c\r\n"
                                                 "a,b,c\r\na,b,c\r\na,b,c\r\n")
                                  << 5;
    }
    void loadTooManyLines() {
        QFETCH(QString, name);
        QFETCH(std::string, content);
        QFETCH(int, lines);
        QVERIFY(test::writeFile(path(name), content));
        LineStore store(false);
        store.setText("kept\r\n");
        store.setLineLimit(4);
        const std::string file = path(name).toStdString();
        const auto load = [&] {
            if (name.endsWith(".csv"))
                store.loadCsvFile(file);
            else
                store.loadFromFile(file);
        };
        QCOMPARE(test::errorOf(load),
                 QString("The list %1 has %2 lines: A list may hold at most 4 lines")
                     .arg(path(name))
                     .arg(lines));
        QCOMPARE(store.text(), std::string("kept\r\n"));
        store.setLineLimit(size_t(lines));
        QCOMPARE(test::errorOf(load), QString("no error"));
        QCOMPARE(store.count(), lines);
    }

    // What Save list writes, Open list reads back: a list whose RTF would be longer than a
    // list file may be is refused before anything is written, and the old file stays.
    void saveOnlyWhatLoads() {
        const std::string accented = "\xc3\xa9\xc3\xa5\xc3\xb6"; // three letters, six bytes
        std::string text;
        const size_t lines = (LineStore::kMaxLength * 3 / 5) / 64;
        std::string line;
        while (line.size() < 62)
            line += accented;
        text.reserve(lines * (line.size() + 2));
        for (size_t i = 0; i < lines; ++i)
            (text += line) += "\r\n";
        QVERIFY(text.size() < LineStore::kMaxLength); // within what a store holds
        LineStore store(false);
        store.setText(text);
        QVERIFY(test::writeFile(path("old.rtf"), "old"));
        const QString error =
            test::errorOf([&] { store.saveToFile(path("old.rtf").toStdString()); });
        QVERIFY2(error.startsWith("The list would take ") &&
                     error.endsWith(QString(" bytes in %1, more than the 67108864 bytes a list "
                                            "file may have: nothing was written")
                                        .arg(path("old.rtf"))),
                 qPrintable(error));
        QCOMPARE(test::readFile(path("old.rtf")), std::string("old"));
        // A part of it saves as RTF, and loads again.
        store.setText(text.substr(0, 1000 * (line.size() + 2)));
        store.saveToFile(path("half.rtf").toStdString());
        QVERIFY(test::readFile(path("half.rtf")).rfind("{\\rtf1", 0) == 0);
        LineStore again(false);
        again.loadFromFile(path("half.rtf").toStdString());
        QCOMPARE(again.text(), store.text());
    }
};

QTEST_GUILESS_MAIN(LineStoreTest)
#include "tst_linestore.moc"
