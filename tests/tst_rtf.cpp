#include <QTemporaryDir>
#include <QtTest>

#include "stores/LineStore.h"
#include "stores/Rtf.h"
#include "stores/Windows1252.h"
#include "support/ByteString.h"
#include "support/RunTool.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

// One character of Windows-1252 in UTF-8.
std::string ch(int byte) {
    return cp1252::toUtf8(std::string(1, static_cast<char>(byte)));
}

// Characters beyond Windows-1252: Czech, Polish, Cyrillic, Chinese, one outside the BMP and
// the replacement character.
const char* const kBeyond[] = {"\u0159", "\u0144", "\u0416", "\u4E2D", "\U0001F48E", "\uFFFD"};

std::string nested(size_t depth, const std::string& inner) {
    return "{\\rtf1 " + std::string(depth, '{') + inner + std::string(depth, '}') + "}";
}

} // namespace

class RtfTest : public QObject {
    Q_OBJECT
private slots:
    // Every character of the code page, and characters beyond it, come back from write() and
    // read() unchanged.
    void roundTripEveryByte_data() {
        QTest::addColumn<std::string>("text");
        for (int b = 1; b < 256; ++b) {
            const std::string text = "a" + ch(b) + "z\r\n" + ch(b) + "\r\n";
            QTest::addRow("byte 0x%02x", b) << LineStore::normaliseLineBreaks(text);
        }
        std::string all;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all += ch(b);
        QTest::newRow("all bytes in one line") << all + "\r\n" + all;
        for (const char* c : kBeyond)
            QTest::addRow("beyond the code page %s", c) << "a" + std::string(c) + "z\r\n" + c;
        std::string beyond;
        for (const char* c : kBeyond)
            beyond += c;
        QTest::newRow("beyond, in a row") << beyond + "\u00e9" + beyond;
        QTest::newRow("empty lines") << std::string("\r\n\r\na\r\n\r\n");
        QTest::newRow("empty") << std::string();
    }
    void roundTripEveryByte() {
        QFETCH(std::string, text);
        const std::string rtf = rtf::write(text);
        for (unsigned char c : rtf) // the document itself is 7-bit text
            QVERIFY(c < 0x80 && (c >= 0x20 || c == '\r' || c == '\n'));
        const auto back = rtf::read(rtf);
        QVERIFY(back.has_value());
        QCOMPARE(*back, text);
    }

    // A character beyond the code page is written as \uN, where N is a signed 16-bit number:
    // characters from U+8000 on are negative (N - 65536), and a character beyond U+FFFF is
    // its UTF-16 surrogate pair, each half written the same way. Readers that keep to the
    // rule take an N above 32767 as out of range, so the exact bytes matter, not only our own
    // reader's leniency.
    void writesUnicodeAsSigned16Bit_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<std::string>("body");
        auto row = [](const char* name, const std::string& text, const char* body) {
            QTest::newRow(name) << text << std::string(body);
        };
        row("Latin Extended", "\u0159", "\\u345\\'3f");
        row("CJK", "\u4E2D", "\\u20013\\'3f");
        row("highest positive", "\u7FFF", "\\u32767\\'3f");
        row("lowest negative", "\u8000", "\\u-32768\\'3f");
        row("private use", "\uF0B7", "\\u-3913\\'3f");
        row("replacement character", "\uFFFD", "\\u-3\\'3f");
        row("highest in the BMP", "\uFFFF", "\\u-1\\'3f");
        row("first beyond the BMP", "\U00010000", "\\u-10240\\'3f\\u-9216\\'3f");
        row("gem stone", "\U0001F48E", "\\u-10179\\'3f\\u-9074\\'3f");
        row("last character", "\U0010FFFF", "\\u-9217\\'3f\\u-8193\\'3f");
        row("between code page letters", "a\u00E9\uFFFDz", "a\\'e9\\u-3\\'3fz");
    }
    void writesUnicodeAsSigned16Bit() {
        QFETCH(std::string, text);
        QFETCH(std::string, body);
        // The document of the empty text, with `body` where that text would be.
        std::string expected = rtf::write("");
        expected.insert(expected.size() - 3, body);
        QCOMPARE(rtf::write(text), expected);
    }

    // Pieces of RTF as other programs write them.
    void readSnippets_data() {
        QTest::addColumn<std::string>("rtf");
        QTest::addColumn<std::string>("text");
        auto row = [](const char* name, const char* rtf, const std::string& text) {
            QTest::newRow(name) << std::string(rtf) << text;
        };
        row("plain paragraph", "{\\rtf1 Hello\\par}", "Hello\r\n");
        row("no final par", "{\\rtf1 Hello}", "Hello");
        row("line break", "{\\rtf1 a\\line b\\par}", "a\r\nb\r\n");
        row("backslash newline is a paragraph", "{\\rtf1 a\\\nb\\\r\nc}", "a\r\nb\r\nc");
        row("source line ends are not text", "{\\rtf1 a\r\nb\nc\\par}", "abc\r\n");
        row("tab", "{\\rtf1 a\\tab b}", "a\tb");
        row("parameter and delimiter space", "{\\rtf1\\fs24 x\\b0  y}", "x y");
        row("negative parameter", "{\\rtf1\\fi-360 x}", "x");
        row("hex byte", "{\\rtf1 caf\\'e9 \\'80}", std::string("café €"));
        row("hex byte upper case", "{\\rtf1 \\'C5}", std::string("Å"));
        row("escaped specials", "{\\rtf1 \\{\\}\\\\}", "{}\\");
        row("non-breaking space and hyphens", "{\\rtf1 a\\~b\\-c\\_d}", std::string("a\u00a0bc-d"));
        row("named quotes and dashes",
            "{\\rtf1 \\lquote\\rquote\\ldblquote\\rdblquote\\endash\\emdash\\bullet}",
            std::string("‘’“”–—•"));
        row("unicode with fallback", "{\\rtf1 \\u233?x}", std::string("éx"));
        row("unicode negative", "{\\rtf1\\uc1 \\u-3913?}", "\uF0B7"); // private use
        row("unicode outside the code page", "{\\rtf1 \\u20013?}", "\u4E2D");
        row("fallback written as a hex escape", "{\\rtf1 P\\u345\\'3f\\'edbram}",
            "P\u0159\u00EDbram");
        row("unicode in code page above Latin-1", "{\\rtf1 \\u8364?}", std::string("€"));
        row("uc0 skips nothing", "{\\rtf1\\uc0 \\u233 x}", std::string("éx"));
        row("uc2 skips two", "{\\rtf1\\uc2 \\u233\\'e9\\'e9x}", std::string("éx"));
        row("uc is per group", "{\\rtf1{\\uc2 \\u233 ab}\\u233 ab}", std::string("ééb"));
        row("skipping ends at a group end", "{\\rtf1\\uc3 \\u233{}ab}", std::string("éab"));
        row("control word counts as one fallback", "{\\rtf1 \\u233\\par x}", std::string("éx"));
        row("surrogate pair gives one character", "{\\rtf1 \\u-10179?\\u-8694?x}", "\U0001F60Ax");
        row("lone low surrogate", "{\\rtf1 \\u-8694?x}", "\uFFFDx");
        row("lone high surrogate", "{\\rtf1 \\u-10179?x}", "\uFFFDx");
        row("high surrogate at a group end", "{\\rtf1 {\\u-10179?}x}", "\uFFFDx");
        row("unicode far out of range", "{\\rtf1 \\u99999999999999999999?x}", "\uFFFDx");
        row("8-bit byte as it is", "{\\rtf1 caf\xe9 \x80}", "caf\u00E9 \u20AC");
        row("unicode without parameter", "{\\rtf1 \\u x}", "x");
        row("font table skipped", "{\\rtf1{\\fonttbl{\\f0 Arial;}}x}", "x");
        row("colour table skipped", "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}x}", "x");
        row("stylesheet skipped", "{\\rtf1{\\stylesheet{\\s0 Normal;}}x}", "x");
        row("info skipped", "{\\rtf1{\\info{\\title T}{\\author A}}x}", "x");
        row("picture skipped", "{\\rtf1{\\pict\\pngblip 89504e47}x}", "x");
        row("starred group skipped", "{\\rtf1{\\*\\unknown a{b}c}x}", "x");
        row("unknown destination kept", "{\\rtf1{\\unknownword a}x}", "ax");
        row("field result kept, instruction skipped",
            "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}}", "link");
        row("binary data skipped", "{\\rtf1{\\pict\\bin3 }{\\}x}", "x");
        row("binary data outside a picture", "{\\rtf1 a\\bin2 {}b}", "ab");
        row("binary zero length", "{\\rtf1 a\\bin0 b}", "ab");
        row("table cells", "{\\rtf1 a\\cell b\\cell\\row c}", "a\tb\t\r\nc");
        row("text after the document ignored", "{\\rtf1 a}garbage}}{", "a");
        row("long control word", "{\\rtf1\\abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz x}",
            "x");
        row("NUL byte escaped", "{\\rtf1 a\\'00b}", std::string("a\0b", 3));
        row("1000 nested groups", nested(1000, "deep").c_str(), "deep");
    }
    void readSnippets() {
        QFETCH(std::string, rtf);
        QFETCH(std::string, text);
        const auto got = rtf::read(rtf);
        QVERIFY(got.has_value());
        QCOMPARE(*got, text);
    }

    // Not RTF: the reader says so instead of guessing, and never reads past the data.
    void malformed_data() {
        QTest::addColumn<std::string>("rtf");
        QTest::newRow("empty") << std::string();
        QTest::newRow("plain text") << std::string("|Quartz|Alps|SiO2|");
        QTest::newRow("rtf not at the start") << std::string(" {\\rtf1 a}");
        QTest::newRow("only the opening") << std::string("{\\rtf");
        QTest::newRow("truncated") << std::string("{\\rtf1 a\\par b");
        QTest::newRow("unclosed inner group") << std::string("{\\rtf1 {a\\par}");
        QTest::newRow("backslash at the end") << std::string("{\\rtf1 a\\");
        QTest::newRow("hex escape cut short") << std::string("{\\rtf1 a\\'4");
        QTest::newRow("hex escape not hex") << std::string("{\\rtf1 a\\'zz}");
        QTest::newRow("control word at the end") << std::string("{\\rtf1 a\\par");
        QTest::newRow("parameter at the end") << std::string("{\\rtf1 a\\fs2");
        QTest::newRow("bin longer than the data") << std::string("{\\rtf1 a\\bin10 abc}");
        QTest::newRow("huge bin") << std::string("{\\rtf1 a\\bin99999999999999999999 }");
        QTest::newRow("nesting 100000 deep") << nested(100000, "x");
        QTest::newRow("nesting 100000 deep, never closed") << "{\\rtf1 " + std::string(100000, '{');
        QTest::newRow("nesting one past the limit") << nested(rtf::kMaxDepth, "x");
    }
    void malformed() {
        QFETCH(std::string, rtf);
        // A copy on the heap of exactly the data's size, so a sanitizer build catches any
        // read past its end.
        std::unique_ptr<char[]> exact(new char[rtf.size() + 1]);
        std::copy(rtf.begin(), rtf.end(), exact.get());
        QVERIFY(!rtf::read(std::string_view(exact.get(), rtf.size())).has_value());
    }

    // Documents written by other programs.
    void samples_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<std::string>("text");
        QTest::newRow("pandoc")
            << "pandoc.rtf"
            << std::string(
                   "|Calcite|Tsumeb, Namibia|CaCO3|\r\n|Fluorite|Weardale, England|CaF2|\r\n"
                   "|Rhodochrosite|Sweet Home Mine, Alma, Colorado|MnCO3|\r\n"
                   "|Smithsonite|Kelly Mine, Magdalena, New Mexico – €5|ZnCO3|\r\n"
                   "|Aragonite|Minglanilla, Cuenca, España|CaCO3|\r\n"
                   "|Quartz|\u6771\u4EAC \U0001F48E|SiO2|\r\n");
        QTest::newRow("WordPad")
            << "wordpad.rtf"
            << std::string("|Kvarts|Åsen, Öland|SiO2|\r\n|Fluorit|Kongsberg – Norge|CaF2|\r\n"
                           "|Beryll|Minas Gerais|Be3Al2Si6O18|\r\nTab\there and a {brace} and "
                           "\\backslash\r\n");
        QTest::newRow("TextEdit") << "textedit.rtf"
                                  << std::string(
                                         "|Azurite|Bisbee, Arizona|Cu3(CO3)2(OH)2|\r\n"
                                         "|Malachite|Kolwezi, Katanga — DRC|Cu2CO3(OH)2|\r\n"
                                         "|Cerussite|Tsumeb “Tsumcorp”|PbCO3|\r\n"
                                         "|Wulfenite|Red Cloud Mine \u2605 AZ|PbMoO4|");
        QTest::newRow("LibreOffice") << "libreoffice.rtf"
                                     << std::string("|Pyrit|Navajún, La Rioja|FeS2|\r\n"
                                                    "|Vanadinit|Mibladen, Marocko|Pb5(VO4)3Cl|\r\n"
                                                    "|Baryt|Cumbria|BaSO4|\r\n");
        QTest::newRow("Word") << "word.rtf"
                              << std::string("|Topaz|Ouro Preto|Al2SiO4F2|\r\n"
                                             "|Rhodonite|Broken Hill|MnSiO3|\r\n"
                                             "|Gold|Eagle\u00a0Mine \u3042\uF020|Au|\r\n");
    }
    void samples() {
        QFETCH(QString, file);
        QFETCH(std::string, text);
        LineStore store(false);
        store.loadFromFile(QString(QLX_TEST_DATA "/rtf/" + file).toStdString());
        QCOMPARE(store.text(), text);
    }

    // Our documents as an independent reader sees them.
    void readByUnrtf_data() {
        QTest::addColumn<std::string>("text");
        QTest::newRow("records") << std::string("|Calcite|Tsumeb|CaCO3|\r\n|Quartz|Alps|SiO2|\r\n");
        QTest::newRow("specials") << std::string("{brace} \\back\\slash\\ \\par\r\n");
        QTest::newRow("Latin-1 letters") << std::string("Åsen, Öland, Navajún, España\r\n");
        // (unrtf folds runs of spaces into one, so none are tested here.)
        QTest::newRow("empty lines") << std::string(" a\r\n\r\nb\r\n");
    }
    void readByUnrtf() {
        QFETCH(std::string, text);
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath("list.rtf"), rtf::write(text)));
        const auto out = test::runTool("unrtf", {"--text", "list.rtf"}, {}, dir.path());
        QVERIFY2(out, "unrtf did not read the list (not installed, or it failed)");
        // unrtf puts a comment header before the text, ended by a line of dashes, and writes
        // Latin-1 with LF line ends.
        const QByteArray marker = "-----------------\n";
        const qsizetype at = out->indexOf(marker);
        QVERIFY(at >= 0);
        std::string got = cp1252::toUtf8(out->mid(at + marker.size()).toStdString());
        QCOMPARE(LineStore::normaliseLineBreaks(got), text);
    }

    // Documents pandoc writes from UTF-8 text.
    void writtenByPandoc_data() {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<std::string>("text");
        QTest::newRow("two paragraphs") << "Calcite\n\nQuartz\n"
                                        << std::string("Calcite\r\nQuartz\r\n");
        QTest::newRow("accents and euro")
            << QString::fromUtf8("Caf\u00e9 \u20ac 3\n") << std::string("Café € 3\r\n");
        QTest::newRow("outside the code page")
            << QString::fromUtf8("Jade \u7389, \u0159 and \U0001F48E\n")
            << std::string("Jade \u7389, \u0159 and \U0001F48E\r\n");
        QTest::newRow("braces and backslash") << "a {b} \\\\ c\n" << std::string("a {b} \\ c\r\n");
        QTest::newRow("hard line break") << "one\\\ntwo\n" << std::string("one\r\ntwo\r\n");
    }
    void writtenByPandoc() {
        QFETCH(QString, markdown);
        QFETCH(std::string, text);
        const auto out = test::runTool("pandoc", {"-f", "markdown-smart", "-t", "rtf", "-s"},
                                       markdown.toUtf8(), QDir::tempPath());
        QVERIFY2(out, "pandoc did not write the document (not installed, or it failed)");
        const auto got = rtf::read(out->toStdString());
        QVERIFY(got.has_value());
        QCOMPARE(LineStore::normaliseLineBreaks(*got), text);
    }
};

QTEST_GUILESS_MAIN(RtfTest)
#include "tst_rtf.moc"
