// Many renders with their previews in a row: nothing the program opens, allocates or writes
// to the temporary folder may pile up.
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "platform/ErrorHandler.h"
#include "platform/RichEditBox.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "sheet/SheetReport.h"
#include "support/DataFolderFixture.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

int openFiles() {
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

int temporaryReportFiles() {
    return int(QDir(QDir::tempPath()).entryList({"LFP*"}, QDir::Files).size());
}

// Resident memory in KiB.
long residentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

} // namespace

class SoakWindowTest : public QObject {
    Q_OBJECT
private slots:
    void twoHundredRendersAndPreviews() {
        // A temporary folder of the test's own: other tests running at the same time make
        // and remove their own page files in the shared one.
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        const auto restoreTemp = qScopeGuard([&] {
            if (oldTemp.isNull())
                qunsetenv("TMPDIR");
            else
                qputenv("TMPDIR", oldTemp);
        });
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        test::MessageBoxCatcher boxes;
        MainForm form;
        form.Timer4->stop();
        guarded([&] { form.Timer4Timer(); });
        std::string list;
        for (int i = 1; i <= 15; ++i)
            list += "|Calcit|Falun, Dalarna|CaCO3.6H2O|\r\n";
        form.RichEdit4->lines().setText(list);

        int previews = 0;
        connect(&form.SheetReport->previewer(), &ReportPreview::previewOpened, this,
                [&](PreviewWindow* w) {
                    ++previews;
                    QTimer::singleShot(0, w, [w] {
                        QVERIFY(QTest::qWaitFor([w] { return w->pageView()->hasPicture(); }));
                        QTest::mouseClick(w->findChild<QPushButton*>("ExitButton"), Qt::LeftButton);
                    });
                });

        auto render = [&] {
            form.Button9->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        // A few runs first, so that caches the first runs fill are not counted as growth.
        for (int i = 0; i < 5; ++i)
            render();
        const int files = openFiles();
        const int temporary = temporaryReportFiles();
        const long memory = residentKiB();
        for (int i = 0; i < 200; ++i)
            render();
        QCOMPARE(previews, 205);
        QVERIFY(boxes.shown().empty());
        QCOMPARE(openFiles(), files);
        QCOMPARE(temporaryReportFiles(), temporary);
        // Each run handles several MB of label bitmaps; a leak of even one of them per run
        // would grow by hundreds of MB.
        QVERIFY2(residentKiB() - memory < 40 * 1024,
                 qPrintable(QString("grew by %1 KiB").arg(residentKiB() - memory)));
    }
};

QTEST_MAIN(SoakWindowTest)
#include "tst_soakwindow.moc"
