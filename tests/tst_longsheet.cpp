// Long lists on the sheet: labels kept as drawings over one background (the same page bytes
// as labels kept as pictures) and composed only as their pages need them, pages produced one
// at a time behind page 1 (kept compressed for a long run), paging that reads only the page
// it shows, a label that cannot be drawn reported, and a render that the user can cancel with
// nothing changed.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "metafile/EmfRecorder.h"
#include "metafile/MetafilePicture.h"
#include "pagestore/PageStore.h"
#include "pagestore/PageStoreDocument.h"
#include "pagestore/PreviewDocument.h"
#include "pagestore/ReportFileFormat.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "render/SheetRun.h"
#include "stores/Error.h"
#include "support/DataFolderFixture.h"
#include "support/ErrorOf.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/SlotColours.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"
#include "widgets/WorkProgress.h"

using namespace qlx;

namespace {

std::vector<LabelRecord> records(int count, int repeat = 1) {
    std::vector<LabelRecord> list;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i / repeat + 1);
        list.push_back({"Mineral " + n, "Place " + n + ", Sweden", "H" + n + "O"});
    }
    return list;
}

std::string listText(int lines) {
    std::string text;
    for (const LabelRecord& r : records(lines))
        text += "|" + r.mineral + "|" + r.locality + "|" + r.info + "|\r\n";
    return text;
}

LabelAppearance stockLook() {
    LabelAppearance look = LabelAppearance::startUp();
    look.background = Picture::fromFile(QLX_BINARY_DIR "/labelcomplete.bmp");
    return look;
}

// The stock background shrunk to the size a label shows: its page pictures are a
// twentieth of the stock ones, still far from all one colour, for the runs whose checks are
// about how many page bytes they keep and where, not about the stock picture.
LabelAppearance smallLook() {
    LabelAppearance look = stockLook();
    look.background = Picture(
        look.background.bitmap().scaled(153, 113, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return look;
}

PageStore& storeOf(PreviewWindow& w) {
    return static_cast<PageStoreDocument*>(w.document())->store();
}

} // namespace

class LongSheetTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerMetafilePictures(); }

    // The sheet keeps no label pixels, and records every page to the bytes it records from
    // the labels' own pictures.
    void drawnLabelsRecordTheSamePages_data() {
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("firstSlot");
        QTest::newRow("one page") << 15 << 1 << 1;
        QTest::newRow("three pages, from slot 7") << 31 << 1 << 7;
        QTest::newRow("copies in a row") << 20 << 4 << 1;
        QTest::newRow("one label on slot 15") << 1 << 1 << 15;
    }
    void drawnLabelsRecordTheSamePages() {
        QFETCH(int, labels);
        QFETCH(int, repeat);
        QFETCH(int, firstSlot);
        const LabelAppearance look = stockLook();
        QVERIFY(!look.background.isEmpty());
        const std::vector<LabelRecord> list = records(labels, repeat);

        SheetReport drawn(nullptr);
        fillSheet(drawn, list, look, firstSlot);
        SheetReport pictured(nullptr);
        for (std::size_t i = 0; i < list.size(); ++i)
            pictured.setLabelPicture(firstSlot + int(i),
                                     composeRecordLabel(list[i], look).picture.bitmap());

        QCOMPARE(drawn.keptPictureBytes(), qint64(0));
        QCOMPARE(drawn.pageCount(), pictured.pageCount());
        QCOMPARE(drawn.pageCount(), (firstSlot - 1 + labels + 14) / 15);
        for (int page = 1; page <= drawn.pageCount(); ++page)
            QVERIFY2(drawn.recordPage(page).bytes() == pictured.recordPage(page).bytes(),
                     qPrintable(QString("page %1").arg(page)));
        for (int position = firstSlot; position < firstSlot + labels; ++position)
            QVERIFY(drawn.labelPicture(position) == pictured.labelPicture(position));
        // Neighbours with the same record share one picture.
        if (repeat > 1)
            QCOMPARE(drawn.labelPicture(1).cacheKey(), drawn.labelPicture(2).cacheKey());
    }

    // Before the preview a run composes page 1's labels and the last record's, in list
    // order, and no other; every label still draws to its own record's picture.
    void composesOnlyWhatThePreviewNeedsFirst_data() {
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("firstSlot");
        QTest::addColumn<QList<int>>("composed"); // list positions, from 1
        const QList<int> pageOne{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        QTest::newRow("empty list") << 0 << 1 << QList<int>{};
        QTest::newRow("one page") << 15 << 1 << pageOne;
        QTest::newRow("from slot 14") << 40 << 14 << QList<int>{1, 2, 40};
        QTest::newRow("the last on page 1") << 2 << 14 << QList<int>{1, 2};
        QTest::newRow("50,000 labels") << 50000 << 1 << pageOne + QList<int>{50000};
    }
    void composesOnlyWhatThePreviewNeedsFirst() {
        QFETCH(int, labels);
        QFETCH(int, firstSlot);
        QFETCH(QList<int>, composed);
        const LabelAppearance look = stockLook();
        const std::vector<LabelRecord> list = records(labels);
        QList<int> before, after;
        SheetRunObserver observer;
        observer.beforeLabel = [&](const LabelRecord& r) {
            before << std::stoi(r.mineral.substr(std::string("Mineral ").size()));
        };
        observer.afterLabel = [&](const ComposedLabel& l) {
            after << std::stoi(l.fields.mineral.substr(std::string("Mineral ").size()));
        };
        SheetReport sheet(nullptr);
        const std::optional<ComposedLabel> last = fillSheet(sheet, list, look, firstSlot, observer);
        QCOMPARE(before, composed);
        QCOMPARE(after, composed);
        QCOMPARE(last.has_value(), labels > 0);
        QCOMPARE(sheet.pageCount(), qMax(1, (firstSlot - 1 + labels + 14) / 15));
        if (labels == 0)
            return;
        QCOMPARE(last->fields.mineral, list.back().mineral);
        QVERIFY(last->picture.bitmap() == composeRecordLabel(list.back(), look).picture.bitmap());
        // A label never composed up front draws when asked, to its own record.
        const int middle = (labels + 1) / 2;
        QVERIFY(sheet.labelPicture(firstSlot + middle - 1) ==
                composeRecordLabel(list[std::size_t(middle - 1)], look).picture.bitmap());
        QVERIFY(sheet.labelPicture(firstSlot - 1).isNull());
        QVERIFY(sheet.labelPicture(firstSlot + labels).isNull());
    }

    // A run whose pages would pass the plain threshold, judged by page 1 as if every page were
    // full, keeps its pages compressed; each page reads back as the sheet records it, and
    // Save report writes the file the same run kept plain writes (the date aside).
    void longRunKeepsPagesCompressed_data() {
        QTest::addColumn<int>("labels");
        QTest::addColumn<int>("firstSlot");
        QTest::addColumn<int>("thresholdInPageOnes"); // plain run bytes, in page 1's bytes
        QTest::addColumn<bool>("compressed");
        // Whether the stored pages and the plain save are compared with a plain run's too.
        QTest::addColumn<bool>("compareWithPlain");
        QTest::newRow("3 full pages, room for 4") << 40 << 1 << 4 << false << false;
        QTest::newRow("3 full pages, room for 2") << 40 << 1 << 2 << true << true;
        // Page 1 holds one label of the fifteen a page holds: 3 pages count as 45 page 1s.
        QTest::newRow("one label on page 1, room for 20") << 31 << 15 << 20 << true << false;
        QTest::newRow("one label on page 1, room for 50") << 31 << 15 << 50 << false << false;
        QTest::newRow("one page, room for it") << 15 << 1 << 2 << false << false;
        QTest::newRow("every run compressed") << 15 << 1 << 0 << true << false;
    }
    void longRunKeepsPagesCompressed() {
        QFETCH(int, labels);
        QFETCH(int, firstSlot);
        QFETCH(int, thresholdInPageOnes);
        QFETCH(bool, compressed);
        QFETCH(bool, compareWithPlain);
        QTemporaryDir dir;
        const std::vector<LabelRecord> list = records(labels);
        const auto run = [&](qint64 plainRunBytes, const QString& path) {
            SheetReport sheet(nullptr);
            fillSheet(sheet, list, smallLook(), firstSlot);
            sheet.setPlainRunBytes(
                plainRunBytes == 0 ? 0 : plainRunBytes * sheet.recordPage(1).bytes().size());
            bool stored = false, checked = false;
            connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
                QTimer::singleShot(0, w, [&, w] {
                    QTimer::singleShot(120000, w, [w] { w->close(); }); // never hang
                    QVERIFY(QTest::qWaitFor([w] { return w->document()->isFinished(); }));
                    PageStore& store = storeOf(*w);
                    stored = store.storedCompressed();
                    QCOMPARE(store.pageCount(), sheet.pageCount());
                    if (!compareWithPlain) {
                        checked = true;
                        w->close();
                        return;
                    }
                    for (int page = sheet.pageCount(); page >= 1; --page)
                        QVERIFY(store.readPage(page) == sheet.recordPage(page).bytes());
                    FileDialog::setNextFileName(path);
                    w->saveReport();
                    checked = true;
                    w->close();
                });
            });
            sheet.preview();
            FileDialog::clearAnswers();
            [&] {
                QVERIFY(checked);
            }();
            return stored;
        };
        const QString keptPath = dir.filePath("kept.lfp"), plainPath = dir.filePath("plain.lfp");
        QCOMPARE(run(thresholdInPageOnes, keptPath), compressed);
        if (!compareWithPlain)
            return;
        QVERIFY(!run(1000, plainPath));
        const QByteArray kept = QByteArray::fromStdString(test::readFile(keptPath));
        const QByteArray plain = QByteArray::fromStdString(test::readFile(plainPath));
        QCOMPARE(kept.size(), plain.size());
        QCOMPARE(kept.left(ReportFileFormat::kDateOffset),
                 plain.left(ReportFileFormat::kDateOffset));
        QVERIFY(kept.mid(ReportFileFormat::kDateOffset + 8) ==
                plain.mid(ReportFileFormat::kDateOffset + 8));
    }

    // A label whose drawing fails is not dropped: recording its page ends with a message that
    // names it, and the preview's run ends there with that message, the pages before it shown.
    void labelThatCannotBeDrawnIsReported() {
        test::MessageBoxCatcher boxes;
        SheetReport sheet(nullptr);
        fillSheet(sheet, records(40), stockLook());
        sheet.setLabelDrawing(20, std::make_shared<const SheetReport::LabelDrawing>(
                                      []() -> QImage { throw Error("out of ink"); }));
        const QString message = "Label 20 (page 2, slot 5) cannot be drawn: out of ink";
        QVERIFY(!sheet.recordPage(3).bytes().isEmpty());
        QCOMPARE(test::errorOf([&] { sheet.recordPage(2); }), message);
        // The label drawn just before the failing one still draws.
        QVERIFY(sheet.labelPicture(19) ==
                composeRecordLabel(records(40)[18], stockLook()).picture.bitmap());

        bool checked = false;
        connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(0, w, [&, w] {
                QTimer::singleShot(120000, w, [w] { w->close(); }); // never hang
                QVERIFY(QTest::qWaitFor([&] { return !sheet.previewer().isProducing(); }));
                QVERIFY(!w->document()->isFinished());
                QCOMPARE(w->document()->pagesAvailable(), 1);
                QCOMPARE(boxes.texts(), QStringList{message + "."});
                checked = true;
                w->close();
            });
        });
        sheet.preview();
        QVERIFY(checked);
    }

    // Cancelled after its first label, a run leaves the sheet with the earlier run's labels.
    void cancelledRunLeavesTheSheet() {
        const LabelAppearance look = stockLook();
        SheetReport sheet(nullptr);
        fillSheet(sheet, records(20), look);
        const QImage first = sheet.labelPicture(1), last = sheet.labelPicture(20);
        SheetRunObserver observer;
        int asked = 0;
        observer.keepGoing = [&](int done, int total) {
            ++asked;
            return done < 1 || total < 1;
        };
        std::vector<LabelRecord> other = records(40);
        for (LabelRecord& r : other)
            r.mineral += " (new)";
        QVERIFY_THROWS_EXCEPTION(SheetRunCancelled, fillSheet(sheet, other, look, 1, observer));
        QCOMPARE(asked, 1);
        QCOMPARE(sheet.pageCount(), 2);
        QVERIFY(sheet.labelPicture(1) == first);
        QVERIFY(sheet.labelPicture(20) == last);
        QVERIFY(sheet.labelPicture(21).isNull());
    }

    // 75 labels: the window opens on page 1 before the other pages are recorded; they follow
    // while it stays open, each stored once, and only then can the pages be printed. Paging
    // reads the page it goes to and nothing else.
    void pagesFollowPageOne() {
        SheetReport sheet(nullptr);
        fillSheet(sheet, records(75), smallLook());
        QCOMPARE(sheet.pageCount(), 5);
        bool checked = false;
        connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(120000, w, [w] { w->close(); }); // never hang
            QCOMPARE(w->document()->pagesAvailable(), 1);
            QVERIFY(!w->document()->isFinished());
            QVERIFY(sheet.previewer().isProducing());
            QTimer::singleShot(0, w, [&, w] {
                QVERIFY(QTest::qWaitFor([w] { return w->pageView()->hasPicture(); }));
                QVERIFY(!w->action("Print")->isEnabled());
                QVERIFY(QTest::qWaitFor([w] { return w->document()->isFinished(); }, 60000));
                QTRY_VERIFY(w->action("Print")->isEnabled());
                QVERIFY(!sheet.previewer().isProducing());
                QCOMPARE(w->document()->pageCount(), 5);
                QTRY_COMPARE(w->pagePanel()->text(), QString("Page 1 of 5"));

                PageStore& store = storeOf(*w);
                QVERIFY(store.inTemporaryFile());
                w->pageView()->grab();
                const int reads = store.pictureReads();
                w->goToPage(4);
                w->pageView()->grab();
                w->pageView()->grab();
                QCOMPARE(store.pictureReads(), reads + 1);
                w->goToPage(4);
                w->pageView()->grab();
                QCOMPARE(store.pictureReads(), reads + 1);

                // Each page once: the stream is the header and one record per page, and
                // page 5 holds what the sheet records for page 5.
                qint64 size = ReportFileFormat::kHeaderSize;
                for (int page = 1; page <= 5; ++page)
                    size += ReportFileFormat::kRecordOverhead + store.readPage(page).size();
                QCOMPARE(store.streamSize(), size);
                QVERIFY(store.readPage(5) == sheet.recordPage(5).bytes());
                checked = true;
                w->close();
            });
        });
        sheet.preview();
        QVERIFY(checked);
    }

    // Closed while pages are still coming, the window ends the run and takes its temporary
    // file with it; the next preview runs in full.
    void closingEndsTheRun() {
        SheetReport sheet(nullptr);
        fillSheet(sheet, records(300), stockLook());
        QString temporary;
        int opened = 0;
        connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            ++opened;
            temporary = storeOf(*w).temporaryFileName();
            QTimer::singleShot(0, w, [w] { w->close(); });
        });
        sheet.preview();
        QCOMPARE(opened, 1);
        QVERIFY(!sheet.previewer().isProducing());
        QVERIFY(!temporary.isEmpty());
        QVERIFY(!QFile::exists(temporary));
        sheet.preview();
        QCOMPARE(opened, 2);
    }

    // Save report while pages are still coming writes the whole run, the file the same as the
    // store once it is finished.
    void saveWhilePagesComeWritesAll() {
        QTemporaryDir dir;
        const QString path = dir.filePath("long.LFP");
        SheetReport sheet(nullptr);
        fillSheet(sheet, records(40), smallLook());
        bool saved = false;
        connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QVERIFY(!w->document()->isFinished());
            FileDialog::setNextFileName(path);
            w->saveReport();
            QVERIFY(w->document()->isFinished());
            QCOMPARE(w->document()->pageCount(), 3);
            QVERIFY(!sheet.previewer().isProducing());
            saved = true;
            QTimer::singleShot(0, w, [w] { w->close(); });
        });
        sheet.preview();
        FileDialog::clearAnswers();
        QVERIFY(saved);
        PageStore loaded(PageDestination::Pictures);
        loaded.loadFromFile(path);
        QCOMPARE(loaded.pageCount(), 3);
        QVERIFY(loaded.readPage(3) == sheet.recordPage(3).bytes());
    }

    // A page picture is held to its byte limit while it is recorded: pictures beyond it are
    // left out and finishing says the report is too large; within it nothing changes.
    void pageSizeCheckedWhileRecorded_data() {
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("no limit") << 0 << false;
        QTest::newRow("room for both") << 200000 << false;
        QTest::newRow("room for one") << 120000 << true;
        QTest::newRow("room for none") << 2000 << true;
    }
    void pageSizeCheckedWhileRecorded() {
        QFETCH(int, limit);
        QFETCH(bool, tooLarge);
        EmfRecorder recorder(QSize(794, 1123));
        recorder.setByteLimit(size_t(limit));
        {
            QPainter painter(&recorder);
            for (int i = 0; i < 2; ++i)
                painter.drawImage(QRect(10 + 200 * i, 10, 150, 100), test::solidImage(Qt::red));
        }
        qsizetype bytes = 0;
        QCOMPARE(test::errorOf([&] { bytes = recorder.finish().bytes().size(); }),
                 tooLarge ? "The report is too large" : "no error");
        if (!tooLarge)
            QVERIFY(bytes > 2 * 217 * 137 * 3);
    }

    // A long list in the window opens its preview on page 1 while the other pages are still
    // recorded: the preview's progress panel counts them, and the window takes other work
    // between pages. The window ends with the last record's fields.
    void longListShowsProgressInThePreview() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const auto opened = test::newWindow();
        MainForm& form = *opened;
        auto& sheet = *test::child<SheetReport>(form, "SheetReport");
        test::child<RichEditBox>(form, "RichEdit4")->lines().setText(listText(90));
        QStringList progressShown;
        int pagesWhenTimerRan = 0, pagesAtTheEnd = 0;
        connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            QTimer::singleShot(120000, w, [w] { w->close(); }); // never hang
            QCOMPARE(w->document()->pagesAvailable(), 1);
            QVERIFY(!w->document()->isFinished());
            QTimer::singleShot(0, w, [&, w] {
                // A zero timer of the window's own runs while pages are still coming.
                QTimer::singleShot(0, w,
                                   [&, w] { pagesWhenTimerRan = w->document()->pagesAvailable(); });
                QVERIFY(QTest::qWaitFor([&, w] {
                    const QString text = w->progressPanel()->text();
                    // The panel's "0%" is there before any page is counted.
                    if (!text.isEmpty() && text != "0%" &&
                        progressShown.value(progressShown.size() - 1) != text)
                        progressShown << text;
                    return w->document()->isFinished();
                }));
                pagesAtTheEnd = w->document()->pageCount();
                w->close();
            });
        });
        test::child<QPushButton>(form, "Button9")->click();
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QCOMPARE(pagesAtTheEnd, 6);
        QVERIFY(pagesWhenTimerRan >= 1 && pagesWhenTimerRan < 6);
        QVERIFY2(!progressShown.isEmpty(), "no progress shown");
        for (const QString& text : progressShown)
            QVERIFY2(text.endsWith('%') && text.chopped(1).toInt() > 0 &&
                         text.chopped(1).toInt() < 100,
                     qPrintable(text));
        QCOMPARE(test::child<QLineEdit>(form, "Edit1")->text(), QString("Mineral 90"));
        QCOMPARE(test::child<QLineEdit>(form, "Edit3")->text(), QString(" H90O"));
    }

    // Cancel in the window's render progress, after the first label: no preview, and the
    // fields, the label image, the date line and the sheet are as before the click.
    void cancelInTheWindowChangesNothing() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        const auto opened = test::newWindow();
        MainForm& form = *opened;
        auto& sheet = *test::child<SheetReport>(form, "SheetReport");
        int previews = 0;
        connect(&sheet.previewer(), &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
            ++previews;
            QTimer::singleShot(0, w, [w] { w->close(); });
        });
        auto* list = test::child<RichEditBox>(form, "RichEdit4");
        list->lines().setText(listText(3));
        test::child<QPushButton>(form, "Button9")->click();
        QCOMPARE(previews, 1);
        sheet.setDateLineCaption("Time of the first run");

        const QString fields[] = {test::child<QLineEdit>(form, "Edit1")->text(),
                                  test::child<QLineEdit>(form, "Edit2")->text(),
                                  test::child<QLineEdit>(form, "Edit3")->text()};
        const QImage label = test::child<ImageBox>(form, "rendered")->picture().bitmap();
        const QImage slot1 = sheet.labelPicture(1);
        list->lines().setText(listText(200));

        WorkProgress::setShowDelay(0);
        int cancels = 0;
        QTimer canceller;
        canceller.setInterval(0);
        connect(&canceller, &QTimer::timeout, this, [&] {
            if (auto* dialog = form.findChild<QProgressDialog*>("WorkProgress")) {
                if (dialog->isVisible() && cancels == 0) {
                    ++cancels;
                    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
                }
            }
        });
        canceller.start();
        test::child<QPushButton>(form, "Button9")->click();
        canceller.stop();
        WorkProgress::setShowDelay(WorkProgress::kDefaultShowDelayMs);

        QCOMPARE(cancels, 1);
        QCOMPARE(previews, 1);
        QCOMPARE(test::child<QLineEdit>(form, "Edit1")->text(), fields[0]);
        QCOMPARE(test::child<QLineEdit>(form, "Edit2")->text(), fields[1]);
        QCOMPARE(test::child<QLineEdit>(form, "Edit3")->text(), fields[2]);
        QVERIFY(test::child<ImageBox>(form, "rendered")->picture().bitmap() == label);
        QCOMPARE(sheet.dateLineCaption(), QString("Time of the first run"));
        QCOMPARE(sheet.pageCount(), 1);
        QVERIFY(sheet.labelPicture(1) == slot1);
        QVERIFY(sheet.labelPicture(4).isNull());
        QVERIFY(form.findChild<QProgressDialog*>("WorkProgress") == nullptr);
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));

        // Not cancelled, the same list renders in full.
        test::child<QPushButton>(form, "Button9")->click();
        QCOMPARE(previews, 2);
        QCOMPARE(sheet.pageCount(), 14);
        QCOMPARE(test::child<QLineEdit>(form, "Edit1")->text(), QString("Mineral 200"));
    }
};

QTEST_MAIN(LongSheetTest)
#include "tst_longsheet.moc"
