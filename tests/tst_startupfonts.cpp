#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QWidget>
#include <QtTest>
#include <fontconfig/fontconfig.h>
#include <memory>

#include "pictures/FontConfigWarmUp.h"
#include "widgets/Controls.h"

using namespace qlx;

// The fonts of the window's labels as the program starts: the font configuration read on a
// thread beside the application's start, and each label measured once, in its own font.
class StartupFontsTest : public QObject {
    Q_OBJECT

private slots:
    // A label made in its font is as large as one measured in the inherited font and then
    // measured again in its own, for every font the window's captions use.
    void labelSizedInItsOwnFont_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("text");
        QTest::newRow("entry caption") << pixelFont("Arial", 13, true) << "Locality";
        QTest::newRow("heading") << pixelFont("Arial", 11, true) << "X correction:";
        QTest::newRow("splash title")
            << pixelFont("Arial", 21, true, true) << "Quillmar Mineral Label Studio";
        QTest::newRow("splash credit")
            << pixelFont("Arial", 15, true, true) << "by the Quillmar developers";
        QTest::newRow("splash contact")
            << pixelFont("Arial", 12, true) << "Contact: see the project's README";
        QTest::newRow("missing face") << pixelFont("MS Sans Serif", 11) << "No of labels";
        QTest::newRow("empty text") << pixelFont("Arial", 37) << "";
    }
    void labelSizedInItsOwnFont() {
        QFETCH(QFont, font);
        QFETCH(QString, text);
        QWidget parent;
        parent.setFont(pixelFont("MS Sans Serif", 11));
        QLabel* measuredTwice = makeLabel(&parent, "twice", {8, 24}, text);
        measuredTwice->setFont(font);
        measuredTwice->adjustSize();
        QLabel* measuredOnce = makeLabel(&parent, "once", {8, 24}, text, font);
        QCOMPARE(measuredOnce->font(), font);
        QCOMPARE(measuredOnce->geometry(), measuredTwice->geometry());
        QCOMPARE(measuredOnce->text(), text);
    }

    // With the configuration read on the thread, the window's faces still resolve to the
    // installed metric-compatible fonts.
    void facesResolveAfterWarmUp_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("family");
        QTest::newRow("Arial") << pixelFont("Arial", 13, true) << "Liberation Sans";
        QTest::newRow("MS Sans Serif") << pixelFont("MS Sans Serif", 11) << "Liberation Sans";
    }
    void facesResolveAfterWarmUp() {
        QFETCH(QFont, font);
        QFETCH(QString, family);
        QVERIFY(FcConfigGetCurrent() != nullptr);
        QCOMPARE(QFontInfo(font).family(), family);
    }

    // Waiting again, or leaving a warm-up that was never waited for, is harmless: the thread
    // is joined exactly once.
    void waitIsIdempotent() {
        auto warmUp = std::make_unique<FontConfigWarmUp>();
        warmUp->wait();
        warmUp->wait();
        warmUp.reset();
        { FontConfigWarmUp unwaited; }
        QVERIFY(FcConfigGetCurrent() != nullptr);
    }
};

// Started as the program starts: the warm-up before the application object, waited for
// before the first font.
int main(int argc, char* argv[]) {
    FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    StartupFontsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startupfonts.moc"
