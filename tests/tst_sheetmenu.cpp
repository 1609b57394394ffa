// The window's spreadsheet lists and its Sheet menu: Open list and Save list with CSV files,
// "Start at slot..." and "Render selected lines", driven through the handlers' bindings with
// the dialogs answered by their hooks.
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "pictures/Text.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "stores/LabelList.h"
#include "support/DataFolderFixture.h"
#include "support/DataRows.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/ImageBox.h"
#include "widgets/NumberDialog.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

const QString kAllFiles = QStringLiteral("All files (*)");
const QString kCsv = QStringLiteral("CSV (UTF-8) (*.csv)");

// the selection's anchor and cursor as (line, column), the start slot, the lines rendered
using SelectionRow = std::tuple<QPoint, QPoint, int, QList<int>>;
using ListFileRow = std::tuple<QString, QString, QString, bool>; // name, filter, written, CSV

} // namespace

class SheetMenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_data = std::make_unique<test::DataFolderFixture>();
        QVERIFY(m_data->isValid());
        m_boxes = std::make_unique<test::MessageBoxCatcher>();
        m_form = test::newWindow();
        m_previews = 0;
        watchPreviews();
    }
    void cleanup() {
        m_form.reset();
        // A test that expects messages takes them away once it has checked them.
        const QStringList unexpected = m_boxes->texts();
        m_boxes.reset();
        FileDialog::clearAnswers();
        NumberDialog::clearAnswers();
        m_data.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join("; ")));
    }

    // The answers given to "Start at slot..." in turn, then a render of three lines: the
    // labels stand from the slot in force on, the positions before it stay empty, and the
    // Render button tells the slot while it is not 1.
    void startSlotPlacesTheFirstLabel_data() {
        QTest::addColumn<QList<int>>("answers"); // 0: Cancel
        QTest::addColumn<int>("first");
        QTest::newRow("7") << QList<int>{7} << 7;
        QTest::newRow("15 runs onto page 2") << QList<int>{15} << 15;
        QTest::newRow("back to 1") << QList<int>{7, 1} << 1;
        QTest::newRow("cancel keeps the slot") << QList<int>{5, 0} << 5;
        QTest::newRow("16 is no slot") << QList<int>{3, 16} << 3;
        QTest::newRow("-1 is no slot") << QList<int>{-1} << 1;
    }
    void startSlotPlacesTheFirstLabel() {
        QFETCH(QList<int>, answers);
        QFETCH(int, first);
        QList<int> openedOn;
        for (int answer : answers) {
            NumberDialog::setAnswerFunction([&](const NumberDialog::Request& r) {
                openedOn << (r.low == 1 && r.high == 15 ? r.value : -100);
                return answer == 0 ? std::nullopt : std::optional<int>(answer);
            });
            test::child<QAction>(*m_form, "StartSlot1")->trigger();
        }
        QCOMPARE(openedOn.size(), answers.size());
        QCOMPARE(openedOn.first(), 1);
        QVERIFY(!openedOn.contains(-100)); // every opening asked for 1 to 15
        auto* render = test::child<QPushButton>(*m_form, "Button9");
        const QString tip = first == 1 ? QString() : QString("Starts at slot %1").arg(first);
        // The tip says the render's key first.
        const QString key = "Render and preview (Ctrl+R)";
        QCOMPARE(render->toolTip(), tip.isEmpty() ? key : key + "\n" + tip);
        QCOMPARE(render->statusTip(), tip);

        list().lines().setText(test::numberedList(3));
        QTest::mouseClick(render, Qt::LeftButton);
        QCOMPARE(m_previews, 1);
        QCOMPARE(report().pageCount(), first + 2 > 15 ? 2 : 1);
        for (int position = 1; position <= first + 4; ++position) {
            const int line = position - first + 1;
            const QString where = QString("position %1").arg(position);
            if (line >= 1 && line <= 3)
                QVERIFY2(report().labelPicture(position) == labelOf(line), qPrintable(where));
            else
                QVERIFY2(report().labelPicture(position).isNull(), qPrintable(where));
        }
    }

    // The slot is not kept: a window started anew renders from slot 1 and says nothing.
    void startSlotReturnsToOneAtTheNextStart() {
        NumberDialog::setNextAnswer(9);
        test::child<QAction>(*m_form, "StartSlot1")->trigger();
        m_form = test::newWindow();
        watchPreviews();
        QCOMPARE(test::child<QPushButton>(*m_form, "Button9")->statusTip(), QString());
        list().lines().setText(test::numberedList(1));
        test::child<QPushButton>(*m_form, "Button9")->click();
        QVERIFY(!report().labelPicture(1).isNull());
    }

    // The records a selection touches, in list order, from the start slot on. Line 4 (from
    // 0) is wider than the box and shows wrapped: it is still one record.
    void renderSelectedLines_data() {
        test::dataRows<SelectionRow>({
            {"two lines in part", {{1, 3}, {2, 2}, 1, {1, 2}}},
            {"up to the start of a line leaves it out", {{1, 0}, {3, 0}, 1, {1, 2}}},
            {"inside one line", {{3, 1}, {3, 4}, 1, {3}}},
            {"backwards", {{2, 2}, {0, 5}, 1, {0, 1, 2}}},
            {"wrapped line once", {{4, 1}, {4, 250}, 1, {4}}},
            {"all, from slot 14", {{0, 0}, {4, 305}, 14, {0, 1, 2, 3, 4}}},
        });
    }
    void renderSelectedLines() {
        QFETCH(SelectionRow, row);
        const auto [from, to, startSlot, lines] = row;
        if (startSlot != 1) {
            NumberDialog::setNextAnswer(startSlot);
            test::child<QAction>(*m_form, "StartSlot1")->trigger();
        }
        const std::string wide = "|" + std::string(300, 'W') + "|here|x|";
        list().lines().setText(test::numberedList(4) + wide + "\r\n");
        select(from, to);
        test::child<QAction>(*m_form, "RenderSelected1")->trigger();
        QCOMPARE(m_previews, 1);
        const std::vector<LabelRecord> records = labelListRecords(list().lines().text());
        for (int i = 0; i < lines.size(); ++i) {
            const LabelRecord& r = records[std::size_t(lines[i])];
            QVERIFY2(report().labelPicture(startSlot + i) ==
                         labelOf(toQString(r.mineral), toQString(r.locality), toQString(r.info)),
                     qPrintable(QString("label %1").arg(i + 1)));
        }
        QVERIFY(report().labelPicture(startSlot + int(lines.size())).isNull());
        QVERIFY(report().labelPicture(startSlot - 1).isNull());
    }

    // Without a selection nothing is rendered, and the window says why.
    void renderSelectedWithoutSelection() {
        list().lines().setText(test::numberedList(2));
        report().setDateLineCaption("old");
        list().moveCursor(QTextCursor::End);
        test::child<QAction>(*m_form, "RenderSelected1")->trigger();
        QCOMPARE(m_previews, 0);
        QCOMPARE(report().dateLineCaption(), QString("old"));
        QCOMPARE(m_boxes->texts(), QStringList{"No lines of the list are selected: select the "
                                               "labels to render in the list first."});
        QVERIFY(!m_boxes->shown().front().errorIcon);
        m_boxes->clear();
    }

    // Save list and Open list with the name and filter chosen: CSV by the filter or the .csv
    // extension (a name without one then gains it), RTF otherwise; either way the list comes
    // back as it was.
    void saveAndOpenByNameAndFilter_data() {
        test::dataRows<ListFileRow>({
            {"CSV filter, no extension", {"list", kCsv, "list.csv", true}},
            {"extension in capitals", {"list.CSV", kAllFiles, "list.CSV", true}},
            {"CSV filter, other extension", {"list.txt", kCsv, "list.txt", true}},
            {"RTF file", {"list.rtf", kAllFiles, "list.rtf", false}},
            {"no extension, all files", {"list", kAllFiles, "list", false}},
        });
    }
    void saveAndOpenByNameAndFilter() {
        QFETCH(ListFileRow, row);
        const auto [name, filter, written, csv] = row;
        const std::string text = "|Magnetit|Tsumeb Mine, Namibia|Fe3O4|\r\n"
                                 "|\xC3\x85sarit|5\" \"round\"|FeS|\r\n";
        list().lines().setText(text);
        FileDialog::setNextFileName(m_data->prefix() + name);
        FileDialog::setNextNameFilter(filter);
        test::child<QPushButton>(*m_form, "Button8")->click();
        const std::string bytes = test::readFile(m_data->prefix() + written);
        // The bytes of either kind of file are tst_csvlist's and tst_rtf's.
        if (csv)
            QVERIFY2(bytes.rfind("\xEF\xBB\xBFMineral,Locality,Info\r\n", 0) == 0, bytes.c_str());
        else
            QVERIFY(bytes.rfind("{\\rtf1", 0) == 0);

        list().lines().clear();
        FileDialog::setNextFileName(m_data->prefix() + written);
        FileDialog::setNextNameFilter(filter);
        test::child<QPushButton>(*m_form, "Button7")->click();
        QCOMPARE(list().lines().text(), text);
        QCOMPARE(list().lines().count(), 2);
    }

    // A CSV file that is no label list is refused with its name, and the list stays.
    void refusedCsvLeavesTheList() {
        list().lines().setText(test::numberedList(2));
        const QString path = m_data->prefix() + "addresses.csv";
        QVERIFY(test::writeFile(path, "Name,Street,Town\r\nA,B,C\r\n"));
        FileDialog::setNextFileName(path);
        test::child<QPushButton>(*m_form, "Button7")->click();
        QCOMPARE(m_boxes->texts(),
                 QStringList{"Cannot read " + path +
                             " as a CSV label list: its first row must name the columns Mineral, "
                             "Locality and Info, and it has no columns Mineral, Locality and "
                             "Info."});
        QCOMPARE(list().lines().text(), test::numberedList(2));
        m_boxes->clear();
    }

    // The real dialogs, driven as a user drives them: the number typed into "Start at slot...",
    // and a name without extension saved with the CSV filter chosen in the file dialog.
    void realDialogs() {
        QTimer::singleShot(0, this, [] {
            (void)QTest::qWaitFor(
                [] { return qobject_cast<QInputDialog*>(QApplication::activeModalWidget()); });
            if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                dialog->setIntValue(12);
                dialog->accept();
            }
        });
        test::child<QAction>(*m_form, "StartSlot1")->trigger();
        QCOMPARE(test::child<QPushButton>(*m_form, "Button9")->statusTip(),
                 QString("Starts at slot 12"));

        list().lines().setText(test::numberedList(2));
        const QString chosen = m_data->prefix() + "typed";
        QTimer::singleShot(0, this, [&] {
            (void)QTest::qWaitFor(
                [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); });
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                dialog->selectNameFilter(kCsv);
                dialog->selectFile(chosen);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        test::child<QPushButton>(*m_form, "Button8")->click();
        QVERIFY(test::readFile(chosen + ".csv").rfind("\xEF\xBB\xBFMineral,Locality,Info\r\n", 0) ==
                0);
    }

    // The Options menu driven with the mouse on the real menu bar: "Fit long rows" ticked keeps
    // a long locality out of the label's right margin, unticked lets it run to the edge.
    void fitLongRowsFromTheMenuBar() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QMenuBar* bar = m_form->menuBar();
        auto* options = test::child<QMenu>(*m_form, "Options1");
        auto* fit = test::child<QAction>(*m_form, "FitLongRows1");
        const QString locality = "Sweet Home Mine, Alma, Park County, Colorado";
        const auto rightmostInk = [](const QImage& label) {
            int right = -1;
            for (int y = 94; y < 94 + 45; ++y)
                for (int x = 0; x < label.width(); ++x)
                    if (qGray(label.pixel(x, y)) < 100)
                        right = std::max(right, x);
            return right;
        };
        for (bool ticked : {true, false}) {
            QTest::mouseClick(bar, Qt::LeftButton, {},
                              bar->actionGeometry(options->menuAction()).center());
            QVERIFY(QTest::qWaitFor([&] { return options->isVisible(); }));
            QTest::mouseClick(options, Qt::LeftButton, {}, options->actionGeometry(fit).center());
            QVERIFY(QTest::qWaitFor([&] { return !options->isVisible(); }));
            QCOMPARE(fit->isChecked(), ticked);
            const QImage label = labelOf("Quartz", locality, "SiO2");
            if (ticked)
                QVERIFY(rightmostInk(label) < label.width() - 6);
            else
                QCOMPARE(rightmostInk(label), label.width() - 1);
        }
    }

private:
    // Every preview the window opens closes once it shows its page.
    void watchPreviews() {
        connect(
            &report().previewer(), &ReportPreview::previewOpened, this, [this](PreviewWindow* w) {
                ++m_previews;
                QTimer::singleShot(60000, w, [w] { w->close(); }); // never hang
                QTimer::singleShot(0, w, [w] {
                    QVERIFY(QTest::qWaitFor([w] { return w->pageView()->hasPicture(); }));
                    QTest::mouseClick(test::child<QPushButton>(*w, "ExitButton"), Qt::LeftButton);
                });
            });
    }

    RichEditBox& list() { return *test::child<RichEditBox>(*m_form, "RichEdit4"); }
    SheetReport& report() { return *test::child<SheetReport>(*m_form, "SheetReport"); }

    // The label the window composes of these fields.
    QImage labelOf(const QString& mineral, const QString& locality, const QString& info) {
        test::child<QLineEdit>(*m_form, "Edit1")->setText(mineral);
        test::child<QLineEdit>(*m_form, "Edit2")->setText(locality);
        test::child<QLineEdit>(*m_form, "Edit3")->setText(info);
        m_form->composeLabel();
        return test::child<ImageBox>(*m_form, "rendered")->picture().bitmap();
    }
    QImage labelOf(int line) {
        const QString n = QString::number(line);
        return labelOf("Mineral " + n, "Place " + n, "H" + n + "O");
    }

    // Selects in the list box from (line, column) `from` to `to`.
    void select(const QPoint& from, const QPoint& to) {
        QTextDocument* document = list().document();
        QTextCursor cursor(document);
        cursor.setPosition(document->findBlockByNumber(from.x()).position() + from.y());
        cursor.setPosition(document->findBlockByNumber(to.x()).position() + to.y(),
                           QTextCursor::KeepAnchor);
        list().setTextCursor(cursor);
    }

    std::unique_ptr<test::DataFolderFixture> m_data;
    std::unique_ptr<test::MessageBoxCatcher> m_boxes;
    std::unique_ptr<MainForm> m_form;
    int m_previews = 0;
};

QTEST_MAIN(SheetMenuTest)
#include "tst_sheetmenu.moc"
