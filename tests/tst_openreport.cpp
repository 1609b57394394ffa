#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "pagestore/PreviewDocument.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "preview/ReportPreview.h"
#include "support/DataFolderFixture.h"
#include "support/MessageBoxCatcher.h"
#include "support/SlotColours.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"

using namespace qlx;

namespace {

QImage pageImage(const PreviewDocument& document, int page) {
    QImage image(397, 561, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawPage(page, painter, QRectF(image.rect()));
    return image;
}

// What the preview showed while it was open.
struct Shown {
    bool opened = false;
    bool pageShown = false;
    QString panel;
    bool loadedFromFile = false;
    bool printSetup = true;
    bool print = false;
    QImage first, second;
};

// Runs `run`, which opens `previewer`'s preview, and looks at the window once its page is
// shown; saves the pages to `saveTo` when given.
Shown look(ReportPreview& previewer, const std::function<void()>& run, const QString& saveTo = {}) {
    Shown shown;
    const QMetaObject::Connection c =
        QObject::connect(&previewer, &ReportPreview::previewOpened, [&](PreviewWindow* w) {
            shown.opened = true;
            QTimer::singleShot(0, w, [&, w] {
                shown.pageShown = QTest::qWaitFor([w] { return w->pageView()->hasPicture(); });
                if (shown.pageShown) {
                    shown.panel = w->pagePanel()->text();
                    shown.loadedFromFile = w->document()->isLoadedFromFile();
                    shown.printSetup = w->action("PrintSetup")->isEnabled();
                    shown.print = w->action("Print")->isEnabled();
                    shown.first = pageImage(*w->document(), 1);
                    shown.second = pageImage(*w->document(), 2);
                    if (!saveTo.isEmpty())
                        w->document()->saveTo(saveTo);
                }
                w->close();
            });
        });
    run();
    QObject::disconnect(c);
    return shown;
}

} // namespace

// `qlxrender FILE.LFP` hands the file to the main window, which opens it in the preview as
// "Load report" does.
class OpenReportTest : public QObject {
    Q_OBJECT
private slots:
    void opensFileInPreview() {
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        QTemporaryDir dir;
        const QString path = dir.filePath("two pages.LFP");
        // A two-page report made by the sheet itself: red labels on page 1, blue on page 2.
        SheetReport made(nullptr);
        made.setLabelPicture(1, test::solidImage(Qt::red, QSize(640, 404)));
        made.setLabelPicture(16, test::solidImage(Qt::blue, QSize(640, 404)));
        const Shown saved = look(
            made.previewer(), [&] { made.preview(); }, path);
        QVERIFY(saved.pageShown);
        QVERIFY(QFileInfo(path).isFile());

        MainForm form;
        test::MessageBoxCatcher boxes;
        auto* report = test::child<SheetReport>(form, "SheetReport");
        const Shown opened = look(report->previewer(), [&] { form.openReportFile(path); });
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join('\n')));
        QVERIFY(opened.opened);
        QVERIFY(opened.pageShown);
        QCOMPARE(opened.panel, QString("Page 1 of 2"));
        QVERIFY(opened.loadedFromFile);
        QVERIFY(!opened.printSetup);
        QVERIFY(opened.print);
        QCOMPARE(opened.first, saved.first);
        QCOMPARE(opened.second, saved.second);
        QVERIFY(opened.first != opened.second);
        // the preview has closed and let go of its window
        QVERIFY(QTest::qWaitFor([] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<PreviewWindow*>(w))
                    return false;
            return true;
        }));
    }

    // A bad file shows the message "Load report" shows for it, and no preview opens.
    void badFileOpensNothing_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("a folder") << QByteArray() << true;
        QTest::newRow("not a report") << QByteArray("hello, labels") << false;
        QTest::newRow("header only")
            << QByteArray("\x03\x00\x31\x01", 4) + QByteArray(124, '\0') << false;
    }
    void badFileOpensNothing() {
        QFETCH(QByteArray, content);
        QFETCH(bool, folder);
        test::DataFolderFixture data;
        QTemporaryDir dir;
        const QString path = dir.filePath("in.LFP");
        if (folder)
            QVERIFY(QDir().mkdir(path));
        else if (!content.isEmpty())
            QVERIFY(test::writeFile(path, content.toStdString()));

        QStringList loadReportSays;
        {
            SheetReport other(nullptr);
            test::MessageBoxCatcher boxes;
            QObject::connect(&other.previewer(), &ReportPreview::previewOpened,
                             [&](PreviewWindow* w) {
                                 QTimer::singleShot(0, w, [&, w] {
                                     FileDialog::setNextFileName(path);
                                     w->action("LoadReport")->trigger();
                                     loadReportSays = boxes.texts();
                                     w->close();
                                 });
                             });
            other.preview();
            FileDialog::clearAnswers();
        }
        QCOMPARE(loadReportSays.size(), 1);

        MainForm form;
        test::MessageBoxCatcher boxes;
        auto* report = test::child<SheetReport>(form, "SheetReport");
        const Shown opened = look(report->previewer(), [&] { form.openReportFile(path); });
        QVERIFY(!opened.opened);
        QCOMPARE(boxes.texts(), loadReportSays);
        QCOMPARE(boxes.shown()[0].caption, QString("Quillmar Mineral Label Studio"));
        QVERIFY(!report->previewer().window());
    }
};

QTEST_MAIN(OpenReportTest)
#include "tst_openreport.moc"
