#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "pictures/Text.h"
#include "support/DataRows.h"
#include "support/TestSupport.h"
#include "widgets/FontChooser.h"
#include "widgets/FontDialog.h"

using namespace qlx;

Q_DECLARE_METATYPE(qlx::LabelFont)

namespace {

LabelFont makeFont(const QString& face, int px, bool bold, bool italic, bool underline,
                   bool strikeOut, QColor colour, int charset) {
    LabelFont f;
    f.face = fromQString(face);
    f.pixelHeight = px;
    f.bold = bold;
    f.italic = italic;
    f.underline = underline;
    f.strikeOut = strikeOut;
    f.colour = rgbOf(colour);
    f.charset = charset;
    return f;
}

using UnitRow = std::pair<int, int>;                      // pixels, points
using FieldRow = std::tuple<QString, QString, LabelFont>; // field, value, font
using EntryRow = std::tuple<QString, QString, QString>;   // field, bad entry, good entry

QPushButton* okButton(QWidget* dialog) {
    return dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

// Runs `fill` on the font dialog once it is open, then presses OK or Cancel.
void answerRealDialog(std::function<void(FontChooser*)> fill, bool ok) {
    QTimer::singleShot(0, [fill, ok] {
        auto* dialog = qobject_cast<FontChooser*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("the font dialog is not open");
        fill(dialog);
        if (ok)
            QTest::mouseClick(okButton(dialog), Qt::LeftButton);
        else
            dialog->reject();
    });
}

} // namespace

class FontDialogTest : public QObject {
    Q_OBJECT

    LabelFont arial37() { return LabelFont::regular("Arial", 37); }

private slots:
    void cleanup() { FontDialog::clearAnswers(); }

    // --- units -----------------------------------------------------------------------------

    // The layout's pairs of pixel heights and point sizes at 96 pixels per inch.
    void pointsAndPixels_data() {
        test::dataRows<UnitRow>({{"11 px", {11, 8}},
                                 {"12 px", {12, 9}},
                                 {"13 px", {13, 10}},
                                 {"15 px", {15, 11}},
                                 {"21 px", {21, 16}},
                                 {"27 px", {27, 20}},
                                 {"37 px", {37, 28}}});
    }
    void pointsAndPixels() {
        QFETCH(UnitRow, row);
        const auto [pixels, points] = row;
        QCOMPARE(LabelFont::pointsFromPixels(pixels), points);
        QCOMPARE(LabelFont::pixelsFromPoints(points), pixels);
    }

    void toQFontCarriesEverything() {
        const LabelFont f = makeFont("Arial", 27, true, true, true, true, Qt::red, 0);
        const QFont q = toQFont(f);
        QCOMPARE(q.family(), QString("Arial"));
        QCOMPARE(q.pixelSize(), 27);
        QVERIFY(q.bold() && q.italic() && q.underline() && q.strikeOut());
        QCOMPARE(fromQFont(q, Qt::red, 0), f);
    }

    // --- through the test hook ----------------------------------------------------------

    void opensOnTheCurrentFont() {
        FontDialog dialog(arial37());
        QList<LabelFont> seen;
        FontDialog::setAnswerFunction([&](const LabelFont& opensOn) {
            seen.append(opensOn);
            LabelFont next = opensOn;
            next.pixelHeight += 1;
            return std::optional<LabelFont>(next);
        });
        const int before = FontDialog::openings();
        QVERIFY(dialog.execute(nullptr));
        QVERIFY(dialog.execute(nullptr));
        QCOMPARE(FontDialog::openings() - before, 2);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].pixelHeight, 37);
        QCOMPARE(seen[1].pixelHeight, 38);
        QCOMPARE(dialog.font().pixelHeight, 39);
    }

    // --- the real dialog -------------------------------------------------------------------

    // Opening and accepting without touching anything gives the font back exactly, even
    // when its height does not survive a round trip through points or its face is missing.
    void acceptingUntouchedKeepsTheFont_data() {
        QTest::addColumn<LabelFont>("font");
        QTest::newRow("mineral") << LabelFont::regular("Arial", 37);
        QTest::newRow("info") << LabelFont::regular("Arial", 27);
        QTest::newRow("38 px rounds to 29 pt")
            << makeFont("Arial", 38, false, false, false, false, Qt::black, 0);
        QTest::newRow("face not installed")
            << makeFont("MS Sans Serif", 11, false, false, false, false, Qt::black, 1);
        QTest::newRow("bold italic underlined struck")
            << makeFont("Arial", 13, true, true, true, true, Qt::black, 0);
        QTest::newRow("custom colour")
            << makeFont("Arial", 20, false, false, false, false, QColor(10, 20, 30), 0);
        QTest::newRow("unlisted character set")
            << makeFont("Arial", 20, false, false, false, false, Qt::black, 77);
    }
    void acceptingUntouchedKeepsTheFont() {
        QFETCH(LabelFont, font);
        FontChooser dialog(font);
        QVERIFY(okButton(&dialog)->isEnabled());
        dialog.accept();
        QCOMPARE(dialog.font(), font);
    }

    void fieldsSetTheFont_data() {
        QTest::addColumn<FieldRow>("row");
        const QString face = QFontDatabase::families().value(0);
        auto base = [](auto change) {
            LabelFont f = makeFont("Arial", 37, false, false, false, false, Qt::black, 0);
            change(f);
            return f;
        };
        const auto row = [&](const char* name, const char* field, const QString& value,
                             auto change) {
            QTest::newRow(name) << FieldRow{field, value, base(change)};
        };
        row("face typed", "face", face, [&](LabelFont& f) { f.face = fromQString(face); });
        row("size typed", "size", "20", [](LabelFont& f) { f.pixelHeight = 27; });
        row("half point", "size", "10.5", [](LabelFont& f) { f.pixelHeight = 14; });
        row("size from list", "sizeList", "8", [](LabelFont& f) { f.pixelHeight = 11; });
        row("italic", "styleList", "1", [](LabelFont& f) { f.italic = true; });
        row("bold", "styleList", "2", [](LabelFont& f) { f.bold = true; });
        row("bold italic", "styleList", "3", [](LabelFont& f) { f.bold = f.italic = true; });
        row("underline", "underline", "", [](LabelFont& f) { f.underline = true; });
        row("strike-out", "strikeOut", "", [](LabelFont& f) { f.strikeOut = true; });
        row("navy", "colour", "Navy", [](LabelFont& f) { f.colour = rgbOf(QColor(0, 0, 128)); });
        row("silver", "colour", "Silver",
            [](LabelFont& f) { f.colour = rgbOf(QColor(192, 192, 192)); });
        row("symbol script", "script", "Symbol", [](LabelFont& f) { f.charset = 2; });
    }
    void fieldsSetTheFont() {
        QFETCH(FieldRow, row);
        const auto [field, value, expected] = row;
        LabelFont start = makeFont("Arial", 37, false, false, false, false, Qt::black, 0);
        FontChooser dialog(start);
        QWidget* w = test::child<QWidget>(dialog, field.toLatin1().constData());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            edit->selectAll();
            QTest::keyClicks(edit, value);
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            const auto items = list->findItems(value, Qt::MatchExactly);
            list->setCurrentRow(items.isEmpty() ? value.toInt() : list->row(items.first()));
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            box->click();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            const int index = combo->findText(value);
            if (index < 0)
                QSKIP("the face offers no such entry on this machine");
            combo->setCurrentIndex(index);
            emit combo->activated(index);
        }
        QVERIFY(okButton(&dialog)->isEnabled());
        dialog.accept();
        QCOMPARE(dialog.font(), expected);
    }

    // OK stays off while a field holds what is no font, and comes back with a good entry.
    void badEntryDisablesOk_data() {
        test::dataRows<EntryRow>({
            {"empty size", {"size", "", "12"}},
            {"word", {"size", "big", "12"}},
            {"zero", {"size", "0", "12"}},
            {"negative", {"size", "-3", "12"}},
            {"beyond the largest", {"size", "99999", "12"}},
            {"blank face", {"face", "  ", "Arial"}},
        });
    }
    void badEntryDisablesOk() {
        QFETCH(EntryRow, row);
        const auto [field, bad, good] = row;
        FontChooser dialog(arial37());
        auto* edit = test::child<QLineEdit>(dialog, qPrintable(field));
        edit->setText(bad);
        QVERIFY(!okButton(&dialog)->isEnabled());
        edit->setText(good);
        QVERIFY(okButton(&dialog)->isEnabled());
    }

    void customColourComesFromTheColourDialog() {
        FontChooser dialog(arial37());
        auto* colours = test::child<QComboBox>(dialog, "colour");
        const QColor wanted(12, 34, 56);
        QTimer::singleShot(0, [wanted] {
            auto* picker = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (!picker)
                qFatal("the colour dialog is not open");
            picker->setCurrentColor(wanted);
            picker->accept();
        });
        const int custom = colours->findText("Custom...");
        colours->setCurrentIndex(custom);
        emit colours->activated(custom);
        QCOMPARE(colours->currentText(), QString("Custom"));
        dialog.accept();
        QCOMPARE(colourOf(dialog.font()), wanted);
    }

    // --- the component running the real dialog ---------------------------------------------

    void componentRunsTheRealDialog_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void componentRunsTheRealDialog() {
        QFETCH(bool, ok);
        const LabelFont start = arial37();
        FontDialog component(start);
        LabelFont seen;
        answerRealDialog(
            [&](FontChooser* dialog) {
                seen = dialog->font();
                test::child<QLineEdit>(*dialog, "size")->setText("16");
                test::child<QCheckBox>(*dialog, "underline")->setChecked(true);
            },
            ok);
        QCOMPARE(component.execute(nullptr), ok);
        QCOMPARE(seen, start);
        LabelFont expected = start;
        if (ok) {
            expected.pixelHeight = 21;
            expected.underline = true;
        }
        QCOMPARE(component.font(), expected);
    }
};

QTEST_MAIN(FontDialogTest)
#include "tst_fontdialog.moc"
