// The start-up reference: the smallest Qt Widgets program that shows a window, started the
// same way as the real program, so the start-up benchmark can set one beside the other.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty reference window"));
    window.resize(594, 477);
    window.show();
    return QApplication::exec();
}
