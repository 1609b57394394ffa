#include <QApplication>

#include "app/MainForm.h"
#include "metafile/MetafilePicture.h"
#include "platform/ErrorHandler.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The title names the program in the task bar and captions every error box; the main
    // window's caption is a text of its own.
    QApplication::setApplicationName(qlx::kApplicationTitle);
    qlx::registerMetafilePictures();
    qlx::MainForm form;
    form.show();
    return QApplication::exec();
}
