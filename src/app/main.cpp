#include <QApplication>

#include "app/MainForm.h"
#include "metafile/MetafilePicture.h"
#include "platform/ErrorHandler.h"
#include "platform/QuitOnSignals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The title names the program in the task bar and captions every error box; the main
    // window's caption is a text of its own.
    QApplication::setApplicationName(qlx::kApplicationTitle);
    qlx::registerMetafilePictures();
    // A termination signal ends the program as Exit does, without leaving temporary files.
    qlx::quitOnTerminationSignals();
    qlx::MainForm form;
    // --settings FILE: label settings kept with "Save settings", applied after start-up.
    const QStringList args = QApplication::arguments();
    const qsizetype settings = args.indexOf(QStringLiteral("--settings"));
    if (settings > 0 && settings + 1 < args.size())
        form.loadSettingsAfterStart(args.at(settings + 1));
    form.show();
    return QApplication::exec();
}
