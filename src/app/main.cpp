#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "app/MainForm.h"
#include "app/QuitOnSignals.h"
#include "metafile/MetafilePicture.h"
#include "pagestore/TemporaryFolder.h"
#include "pictures/FontConfigWarmUp.h"
#include "widgets/ErrorHandler.h"
#include "widgets/MessageBox.h"

int main(int argc, char* argv[]) {
    // Before anything makes a temporary file: a missing or unwritable TMPDIR gives way to /tmp.
    const QString temporaryFolderProblem = qlx::settleTemporaryFolder();
    // The font configuration is read while the application connects to the display.
    qlx::FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    // The title names the program in the task bar and captions every error box; the main
    // window's caption is a text of its own.
    QApplication::setApplicationName(qlx::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(QLX_VERSION));
    // The desktop matches the window to its installed launcher (and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QLX_APP_ID));
    // The desktop opens a prepared report file with the program: `qlxrender FILE.LFP`.
    QCommandLineParser parser;
    parser.setApplicationDescription(qlx::kApplicationTitle);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Label settings kept with \"Save settings\", applied after start-up."),
        QStringLiteral("FILE"));
    parser.addOption(settings);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A prepared report file (.LFP) to preview."),
                                 QStringLiteral("[FILE.LFP]"));
    // Nothing uses a font before this point; from here on Qt may read the configuration itself.
    fontConfig.wait();
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        fputs("qlxrender: one report file at most\n", stderr);
        return 2;
    }
    qlx::registerMetafilePictures();
    // A termination signal ends the program as Exit does, without leaving temporary files.
    qlx::quitOnTerminationSignals();
    qlx::MainForm form;
    // Tests of the real program shorten the splash, the exit wait and the deferred load's
    // retry: QLX_TIMELINE_SCALE=0.1 runs them at a tenth of their intervals. Only a number
    // from 0.01 to 1 is taken, so the variable can shorten the timeline but never stall it.
    bool scaled = false;
    const double scale = qEnvironmentVariable("QLX_TIMELINE_SCALE").toDouble(&scaled);
    if (scaled && scale >= 0.01 && scale <= 1)
        form.scaleTimeline(scale);
    if (parser.isSet(settings))
        form.loadSettingsAfterStart(parser.value(settings));
    form.show();
    if (!temporaryFolderProblem.isEmpty())
        QTimer::singleShot(0, &form, [&form, temporaryFolderProblem] {
            qlx::MessageBox::information(&form, qlx::kApplicationTitle, temporaryFolderProblem);
        });
    // The preview opens from the event loop, as after a click, so that the main window is up
    // behind it and the preview's own loop runs inside the program's.
    if (!files.isEmpty())
        QTimer::singleShot(0, &form, [&form, file = files.first()] { form.openReportFile(file); });
    return QApplication::exec();
}
