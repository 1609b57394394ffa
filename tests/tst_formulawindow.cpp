// The window's side of the formulas: the hint on a name the database does not hold, Sheet >
// "Fill formulas from the database" as one undoable step, and the preview's note on labels
// without a formula. On the shipped database and groups file.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "preview/PreviewWindow.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

using TipRow = std::pair<QString, QString>; // typed, the tip's second line (empty: none)
using FillRow = std::tuple<QString, int, int, QString, QString>; // list, first, last selected
                                                                 // (-1: none), list after, message

} // namespace

class FormulaWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        // The shipped database and groups instead of the fixture's small listing.
        QVERIFY(QFile::remove(m_data->prefix() + "athena.txt"));
        for (const char* name : {"athena.txt", "mineral-groups.txt"})
            QVERIFY(
                QFile::copy(test::DataFolderFixture::sourceData(name), m_data->prefix() + name));
    }
    void cleanup() { m_data.reset(); }

    void missTip_data() {
        test::dataRows<TipRow>({
            {"near miss", {"Rhodocrosite", "Did you mean Rhodochrosite?"}},
            {"group",
             {"tourmaline", "Tourmaline is a group: Schorl, Dravite, Elbaite, "
                            "Fluor-liddicoatite"}},
            {"nothing near", {"Unobtainium", ""}},
        });
    }
    void missTip() {
        QFETCH(TipRow, row);
        test::MessageBoxCatcher boxes;
        const auto form = test::newWindow();
        auto* mineral = test::child<QLineEdit>(*form, "Edit7");
        mineral->setText(row.first);
        QTest::keyClick(mineral, Qt::Key_Return);
        QCOMPARE(mineral->text(), row.first); // the typed text stays
        const QString expected = row.second.isEmpty()
                                     ? QStringLiteral("Not in the mineral database")
                                     : QStringLiteral("Not in the mineral database\n") + row.second;
        QCOMPARE(mineral->toolTip(), expected);
        // A found name takes the mark and its tip away.
        mineral->setText("calcite");
        QTest::keyClick(mineral, Qt::Key_Return);
        QCOMPARE(mineral->toolTip(), QString());
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
    }

    void fill_data() {
        const QString list = "|Gypsum|Naica||\r\n|Apatite|Durango||\r\n|Quartz|X|mine|\r\n"
                             "|magnetite|Kiruna||\r\n";
        test::dataRows<FillRow>({
            {"whole list",
             {list, -1, -1,
              "|Gypsum|Naica|Ca(SO4)\u00B72H2O|\r\n|Apatite|Durango||\r\n|Quartz|X|mine|\r\n"
              "|magnetite|Kiruna|Fe2+Fe3+2O4|\r\n",
              "Filled 2 formulas from the database. Not in the database: Apatite."}},
            {"selected records",
             {list, 1, 3,
              "|Gypsum|Naica||\r\n|Apatite|Durango||\r\n|Quartz|X|mine|\r\n"
              "|magnetite|Kiruna|Fe2+Fe3+2O4|\r\n",
              "Filled 1 formula from the database. Not in the database: Apatite."}},
            {"nothing to fill",
             {"|Quartz|X|SiO2|\r\n", -1, -1, "|Quartz|X|SiO2|\r\n",
              "Filled 0 formulas from the database."}},
        });
    }
    void fill() {
        QFETCH(FillRow, row);
        const auto [list, first, last, after, message] = row;
        test::MessageBoxCatcher boxes;
        const auto form = test::newWindow();
        auto* box = test::child<RichEditBox>(*form, "RichEdit4");
        box->lines().setText(list.toStdString());
        if (first >= 0) {
            QTextCursor cursor(box->document());
            cursor.setPosition(box->document()->findBlockByNumber(first).position());
            const QTextBlock end = box->document()->findBlockByNumber(last);
            cursor.setPosition(end.position() + end.length() - 1, QTextCursor::KeepAnchor);
            box->setTextCursor(cursor);
        }
        test::child<QAction>(*form, "FillFormulas1")->trigger();
        QCOMPARE(QString::fromStdString(box->lines().text()), after);
        QCOMPARE(boxes.texts(), QStringList{message});
        // One step back gives the list as it was.
        auto* undo = test::child<QAction>(*form, "UndoList");
        if (after != list) {
            QVERIFY(undo->isEnabled());
            undo->trigger();
            QCOMPARE(QString::fromStdString(box->lines().text()), list);
        }
        QVERIFY(!undo->isEnabled());
    }

    // The render says in the preview's status bar how many labels have no formula the
    // database could give.
    void previewNote() {
        test::MessageBoxCatcher boxes;
        const auto form = test::newWindow();
        auto* box = test::child<RichEditBox>(*form, "RichEdit4");
        box->lines().setText("|Gypsum|Naica||\r\n|Apatite|Durango||\r\n|magnetite|Kiruna||\r\n"
                             "|Quartz|X|SiO2|\r\n");
        QString note;
        bool shown = false;
        auto* sheet = test::child<SheetReport>(*form, "SheetReport");
        // Read once the window is open and every listener has had the signal.
        connect(&sheet->previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(0, w, [&note, &shown, w] {
                note = w->notePanel()->text();
                shown = !w->notePanel()->isHidden();
                w->close();
            });
        });
        test::child<QPushButton>(*form, "Button9")->click();
        QCOMPARE(note,
                 QString("2 labels have no formula: Sheet > Fill formulas from the database"));
        QVERIFY(shown);

        // Filled, the next render has nothing to say.
        test::child<QAction>(*form, "FillFormulas1")->trigger();
        test::child<QPushButton>(*form, "Button9")->click();
        QCOMPARE(note, QString());
        QVERIFY(!shown);
    }

private:
    std::unique_ptr<test::DataFolderFixture> m_data;
};

QTEST_MAIN(FormulaWindowTest)
#include "tst_formulawindow.moc"
