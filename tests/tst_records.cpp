// Records as units: the list edits over the text, and the list box's record commands with
// their keys, undo and "Edit in fields" in the real window.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "stores/LabelListEdit.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

Q_DECLARE_METATYPE(qlx::RecordRange)

namespace {

// "a|b|c" as list text: one CR LF ended line per name.
std::string listOf(const QString& names) {
    std::string text;
    if (names.isEmpty())
        return text;
    for (const QString& n : names.split('|'))
        text += n.toStdString() + "\r\n";
    return text;
}

// before, edit, first, last, after, and where a move leaves the range's first record
using EditRow = std::tuple<QString, QString, int, int, QString, int>;
using KeyRow = std::tuple<int, Qt::Key, Qt::KeyboardModifiers, QString>; // line, key, mods, after
using TypingRow = std::tuple<int, int, QString>;                         // line, column, typed

} // namespace

class RecordsTest : public QObject {
    Q_OBJECT
private slots:
    void edits_data() {
        test::dataRows<EditRow>({
            {"delete one", {"a|b|c", "delete", 1, 1, "a|c", 1}},
            {"delete a range", {"a|b|c|d", "delete", 1, 2, "a|d", 1}},
            {"delete clamps", {"a|b", "delete", 1, 9, "a", 1}},
            {"delete nothing", {"a|b", "delete", 5, 6, "a|b", 5}},
            {"duplicate after the range", {"a|b|c", "duplicate", 0, 1, "a|b|a|b|c", 0}},
            {"up", {"a|b|c", "up", 2, 2, "a|c|b", 1}},
            {"up a range", {"a|b|c|d", "up", 2, 3, "a|c|d|b", 1}},
            {"up at the top", {"a|b|c", "up", 0, 1, "a|b|c", 0}},
            {"down", {"a|b|c", "down", 0, 0, "b|a|c", 1}},
            {"down at the bottom", {"a|b|c", "down", 1, 2, "a|b|c", 1}},
            {"replace", {"a|b|c", "replace", 1, 1, "a|x|c", 1}},
            {"replace no such record", {"a|b", "replace", 2, 2, "a|b", 2}},
            // Line breaks of every kind are one record each; the result ends lines with CR LF.
            {"mixed line breaks", {"", "mixed", 1, 1, "a|c", 1}},
        });
    }
    void edits() {
        QFETCH(EditRow, row);
        const auto [before, edit, first, last, after, newFirst] = row;
        const std::string text = edit == "mixed" ? std::string("a\nb\rc") : listOf(before);
        RecordRange range{first, last};
        std::string result;
        if (edit == "delete" || edit == "mixed")
            result = deleteRecords(text, range);
        else if (edit == "duplicate")
            result = duplicateRecords(text, range);
        else if (edit == "up")
            result = moveRecords(text, range, -1);
        else if (edit == "down")
            result = moveRecords(text, range, +1);
        else
            result = replaceRecord(text, first, "x");
        QCOMPARE(QString::fromStdString(result), QString::fromStdString(listOf(after)));
        QCOMPARE(range.first, newFirst);
    }

    void historyIsBounded() {
        ListHistory history;
        const auto step = [](std::string text) {
            return LineStore::Revert{0, 1, std::move(text)};
        };
        for (std::size_t i = 0; i < ListHistory::kMaxSteps + 5; ++i)
            history.push(step(std::to_string(i)));
        std::size_t steps = 0;
        std::string oldest;
        while (auto taken = history.undo()) {
            oldest = taken->text;
            ++steps;
        }
        QCOMPARE(steps, ListHistory::kMaxSteps);
        QCOMPARE(oldest, std::string("5")); // the oldest went first
        // One step larger than the budget is still kept, alone.
        const std::string big(ListHistory::kMaxBytes / 2 + 1, 'x');
        history.push(step("small"));
        history.push(step(big));
        history.push(step(big));
        QVERIFY(history.undo().has_value());
        QVERIFY(!history.undo().has_value());
        // An edit that changed nothing is no step.
        history.push({});
        QVERIFY(!history.canUndo());
    }

    // --- In the window ------------------------------------------------------------------

    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        m_form = test::newWindow();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_box = test::child<RichEditBox>(*m_form, "RichEdit4");
        for (const char* m : {"A", "B", "C", "D"})
            add(m, QString("Place ") + m, "");
    }
    void cleanup() {
        m_form.reset();
        m_boxes.reset();
        m_data.reset();
    }

    // The record keys in the list box, each undone by Ctrl+Z there, one step each.
    void keysAndUndo_data() {
        const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        test::dataRows<KeyRow>({
            {"delete", {1, Qt::Key_Delete, ctrlShift, "A|C|D"}},
            {"duplicate", {2, Qt::Key_D, ctrlShift, "A|B|C|C|D"}},
            {"move up", {2, Qt::Key_Up, Qt::AltModifier, "A|C|B|D"}},
            {"move down", {0, Qt::Key_Down, Qt::AltModifier, "B|A|C|D"}},
        });
    }
    void keysAndUndo() {
        QFETCH(KeyRow, row);
        const auto [line, key, mods, after] = row;
        const std::string before = m_box->lines().text();
        putCursorOn(line);
        QTest::keyClick(m_box, key, mods);
        QCOMPARE(minerals(), after);
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_box->lines().text(), before);
        // Back to the four records added: each Add is a step too.
        QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(minerals(), QString("A|B|C"));
        QVERIFY(m_boxes->shown().empty());
    }

    // A selection over several lines works on every record it touches, and not on the line
    // it ends at the very start of; a moved selection moves again.
    void selectionSpansRecords() {
        QTextCursor c(m_box->document());
        c.setPosition(m_box->document()->findBlockByNumber(1).position() + 2);
        c.setPosition(m_box->document()->findBlockByNumber(3).position(), QTextCursor::KeepAnchor);
        m_box->setTextCursor(c);
        test::child<QAction>(*m_form, "MoveRecordsDown")->trigger();
        QCOMPARE(minerals(), QString("A|D|B|C"));
        test::child<QAction>(*m_form, "MoveRecordsDown")->trigger();
        QCOMPARE(minerals(), QString("A|D|B|C")); // at the bottom already
        test::child<QAction>(*m_form, "DeleteRecords")->trigger();
        QCOMPARE(minerals(), QString("A|D"));
    }

    // "Edit in fields" fills the fields; Add then replaces the record in place, under the
    // caption "Replace in list", even when lines before it moved; Esc cancels.
    void editInFieldsReplaces() {
        auto* add = test::child<QPushButton>(*m_form, "Button6");
        putCursorOn(2);
        QTest::keyClick(m_box, Qt::Key_F2);
        QCOMPARE(field("Edit7")->text(), QString("C"));
        QCOMPARE(field("Edit6")->text(), QString("Place C"));
        QCOMPARE(add->text(), QString("Replace in list"));
        field("Edit6")->setText("Falun");
        putCursorOn(0);
        test::child<QAction>(*m_form, "DeleteRecords")->trigger(); // C is now line 1
        add->click();
        QCOMPARE(QString::fromStdString(m_box->lines().text()),
                 QString("|B|Place B||\r\n|C|Falun||\r\n|D|Place D||\r\n"));
        QCOMPARE(add->text(), QString("Add data to list"));
        // The next Add appends again.
        add->click();
        QCOMPARE(minerals(), QString("B|C|D|C"));

        putCursorOn(0);
        test::child<QAction>(*m_form, "EditInFields")->trigger();
        QCOMPARE(add->text(), QString("Replace in list"));
        QTest::keyClick(field("Edit7"), Qt::Key_Escape);
        QCOMPARE(add->text(), QString("Add data to list"));
        add->click();
        QCOMPARE(minerals(), QString("B|C|D|C|B"));
        // Ctrl+Z away from the list box takes back the last Add.
        QTest::keyClick(add, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(minerals(), QString("B|C|D|C"));
    }

    // Typing, pasting and the box's own undo change only the paragraphs they touch; the list
    // and its counter always hold exactly what the box shows.
    void typingStaysInStep_data() {
        test::dataRows<TypingRow>({
            {"letters inside a record", {1, 3, "xyz"}},
            {"Enter splits a record", {2, 2, "q{Enter}r"}},
            {"Backspace joins two records", {2, 0, "{Backspace}{Backspace}"}},
            {"Delete at a line end joins", {0, 9, "{Delete}"}},
            {"Shift+Enter is a line break", {1, 1, "{ShiftEnter}s"}},
            {"selection over lines replaced", {0, 2, "{SelectDown}{SelectDown}k"}},
            {"paste of lines", {3, 1, "{Paste}"}},
            {"typing on the empty last line", {4, 0, "|N|P|I|{Enter}"}},
            {"typing undone in the box", {1, 2, "abc{Enter}{Undo}{Undo}"}},
        });
    }
    void typingStaysInStep() {
        QFETCH(TypingRow, row);
        const auto [line, column, typed] = row;
        putCursorOn(line);
        QTextCursor c = m_box->textCursor();
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        m_box->setTextCursor(c);
        QApplication::clipboard()->setText(QString("p1\np2") + QChar::LineSeparator + "p3");
        const QHash<QString, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys{
            {"Enter", {Qt::Key_Return, {}}},
            {"ShiftEnter", {Qt::Key_Return, Qt::ShiftModifier}},
            {"Backspace", {Qt::Key_Backspace, {}}},
            {"Delete", {Qt::Key_Delete, {}}},
            {"SelectDown", {Qt::Key_Down, Qt::ShiftModifier}},
            {"Paste", {Qt::Key_V, Qt::ControlModifier}},
            {"Undo", {Qt::Key_Z, Qt::ControlModifier}}};
        for (QString rest = typed; !rest.isEmpty();) {
            if (rest.startsWith('{')) {
                const QString key = rest.mid(1, rest.indexOf('}') - 1);
                rest = rest.mid(key.size() + 2);
                QVERIFY2(keys.contains(key), qPrintable(key));
                const auto [code, mods] = keys.value(key);
                QTest::keyClick(m_box, code, mods);
            } else {
                QTest::keyClicks(m_box, rest.left(1));
                rest = rest.mid(1);
            }
            QVERIFY2(inStep(), qPrintable(typed));
        }
        // What the program adds afterwards lands after what was typed, in the box as well.
        add("After", "typing", "");
        QVERIFY(inStep());
        QVERIFY(QString::fromStdString(m_box->lines().text()).endsWith("|After|typing||\r\n"));
        QVERIFY(m_boxes->shown().empty());
    }

    // A list at its line limit takes no more lines, whichever way they would come: a clear
    // message, and the list as it was.
    void lineLimitInTheBox_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Add") << "add";
        QTest::newRow("Enter in the box") << "enter";
        QTest::newRow("paste of two lines") << "paste";
        QTest::newRow("duplicate a record") << "duplicate";
    }
    void lineLimitInTheBox() {
        QFETCH(QString, how);
        m_box->lines().setLineLimit(4);
        const std::string before = m_box->lines().text();
        putCursorOn(1);
        if (how == "add") {
            add("E", "Place E", "");
        } else if (how == "enter") {
            QTest::keyClick(m_box, Qt::Key_Return);
        } else if (how == "paste") {
            QApplication::clipboard()->setText("x\ny\n");
            QTest::keyClick(m_box, Qt::Key_V, Qt::ControlModifier);
        } else {
            test::child<QAction>(*m_form, "DuplicateRecords")->trigger();
        }
        QTRY_COMPARE(m_boxes->texts(), QStringList{"A list may hold at most 4 lines."});
        QCOMPARE(m_box->lines().text(), before);
        QVERIFY(inStep());
        QCOMPARE(test::child<QLabel>(*m_form, "Label24")->text(), QString("4"));
        // Taking a record away makes room again.
        putCursorOn(0);
        test::child<QAction>(*m_form, "DeleteRecords")->trigger();
        add("E", "Place E", "");
        QCOMPARE(minerals(), QString("B|C|D|E"));
        QVERIFY(inStep());
    }

private:
    void add(const QString& mineral, const QString& locality, const QString& info) {
        field("Edit7")->setText(mineral);
        field("Edit6")->setText(locality);
        field("Edit5")->setText(info);
        test::child<QPushButton>(*m_form, "Button6")->click();
    }
    QLineEdit* field(const char* name) { return test::child<QLineEdit>(*m_form, name); }
    void putCursorOn(int line) {
        m_box->setFocus();
        QTextCursor c(m_box->document()->findBlockByNumber(line));
        m_box->setTextCursor(c);
    }
    // The list holds what the box shows, paragraph for line, and the counter counts it.
    bool inStep() const {
        QString shown = m_box->document()->toRawText();
        shown.replace(QChar::ParagraphSeparator, "\r\n");
        const std::string& text = m_box->lines().text();
        const QString count = test::child<QLabel>(*m_form, "Label24")->text();
        if (shown.toStdString() != text || count != QString::number(m_box->lines().count()) ||
            m_box->lines().segmentCount() != m_box->document()->blockCount()) {
            qWarning("box %s\nlist %s\ncounter %s", qPrintable(shown.toHtmlEscaped()), text.c_str(),
                     qPrintable(count));
            return false;
        }
        return true;
    }
    // The mineral of each record, joined by "|".
    QString minerals() const {
        QStringList names;
        for (const QString& line : QString::fromStdString(m_box->lines().text()).split("\r\n"))
            if (!line.isEmpty())
                names << line.section('|', 1, 1);
        return names.join('|');
    }

    std::unique_ptr<test::DataFolderFixture> m_data;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
    RichEditBox* m_box = nullptr;
};

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
