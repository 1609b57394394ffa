// Many renders with their previews in a row: nothing the program opens, allocates or writes
// to the temporary folder may pile up.
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "preview/PageView.h"
#include "preview/PreviewWindow.h"
#include "support/DataFolderFixture.h"
#include "support/MessageBoxCatcher.h"
#include "support/NewWindow.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

int openFiles() {
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

int temporaryReportFiles(const QString& folder) {
    return int(QDir(folder).entryList({"LFP*"}, QDir::Files).size());
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
    // Enough rounds that a label bitmap kept per round would show, far fewer than it takes to
    // hide one in the noise: after the warm-up the heap grows by 0 to 5 MB in steps, the bound
    // below is half a label (about 1 MB) per round.
    void rendersAndPreviewsLeaveNothingBehind() {
        constexpr int kWarmUp = 20;
        constexpr int kRounds = 20;
        test::DataFolderFixture data;
        QVERIFY(data.isValid());
        // The temporary files are counted in a folder of the test's own, so nothing else that
        // runs meanwhile can change the count.
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary.path().toLocal8Bit());
        const auto restoreTmp = qScopeGuard([&] { qputenv("TMPDIR", oldTmp); });
        QCOMPARE(QDir::tempPath(), temporary.path());

        test::MessageBoxCatcher boxes;
        const auto window = test::newWindow();
        MainForm& form = *window;
        std::string list;
        for (int i = 1; i <= 15; ++i)
            list += "|Calcit|Falun, Dalarna|CaCO3.6H2O|\r\n";
        test::child<RichEditBox>(form, "RichEdit4")->lines().setText(list);

        int previews = 0;
        int filesWhileOpen = 0;
        connect(&test::child<SheetReport>(form, "SheetReport")->previewer(),
                &ReportPreview::previewOpened, this, [&](PreviewWindow* w) {
                    ++previews;
                    QTimer::singleShot(0, w, [&, w] {
                        QVERIFY(QTest::qWaitFor([w] { return w->pageView()->hasPicture(); }));
                        filesWhileOpen =
                            std::max(filesWhileOpen, temporaryReportFiles(temporary.path()));
                        QTest::mouseClick(test::child<QPushButton>(*w, "ExitButton"),
                                          Qt::LeftButton);
                    });
                });

        auto* render = test::child<QPushButton>(form, "Button9");
        auto round = [&] {
            render->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        // Runs first, so that caches and the allocator's pools the first runs fill are not
        // counted as growth: the heap settles after about twenty runs.
        for (int i = 0; i < kWarmUp; ++i)
            round();
        const int files = openFiles();
        const long memory = residentKiB();
        for (int i = 0; i < kRounds; ++i)
            round();
        QCOMPARE(previews, kWarmUp + kRounds);
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        QCOMPARE(openFiles(), files);
        // Each open preview's pages lived in a temporary file there, and none is left.
        QVERIFY(filesWhileOpen > 0);
        QCOMPARE(temporaryReportFiles(temporary.path()), 0);
        // Each round draws 15 labels on copies of the background; keeping even half of one
        // of them per round would pass this bound.
        const QSize label = test::child<ImageBox>(form, "Image3")->picture().size();
        QVERIFY(!label.isEmpty());
        const long labelKiB = long(label.width()) * label.height() * 4 / 1024;
        const long grown = residentKiB() - memory;
        QVERIFY2(grown < kRounds * labelKiB / 2,
                 qPrintable(QString("grew by %1 KiB in %2 rounds, a label is %3 KiB")
                                .arg(grown)
                                .arg(kRounds)
                                .arg(labelKiB)));
    }
};

QTEST_MAIN(SoakWindowTest)
#include "tst_soakwindow.moc"
