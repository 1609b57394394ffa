#include <QTimer>
#include <QtTest>

#include "pictures/Text.h"
#include "stores/Error.h"
#include "stores/Windows1252.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestSupport.h"
#include "widgets/ErrorHandler.h"

using namespace qlx;

class ErrorHandlerTest : public QObject {
    Q_OBJECT
private slots:
    void fullStopRule_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const QString& message, const QString& shown) {
            QTest::newRow(name) << message << shown;
        };
        row("letter", "Cannot open file /x/athena.txt", "Cannot open file /x/athena.txt.");
        row("digit", "Error 42", "Error 42.");
        row("exclamation", "Stop!", "Stop!");
        row("parenthesis", "Unknown picture file extension (.png)",
            "Unknown picture file extension (.png)");
        row("full stop", "Done.", "Done.");
        row("slash sorts after the full stop", "a/", "a/.");
        row("comma sorts before", "a,", "a,");
        row("empty", "", "");
        row("non-ASCII letter", "Kvarts ö", "Kvarts ö.");
    }
    void fullStopRule() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        test::MessageBoxCatcher boxes;
        guarded([&] { throw Error(message.toStdString()); });
        QCOMPARE(boxes.shown().size(), size_t(1));
        QCOMPARE(boxes.shown()[0].text, shown);
        QCOMPARE(boxes.shown()[0].caption, QString("Quillmar Mineral Label Studio"));
        QVERIFY(boxes.shown()[0].errorIcon);
    }

    // A timer whose handler fails keeps running and the event loop goes on.
    void failingTimerKeepsTicking() {
        test::MessageBoxCatcher boxes;
        QTimer timer;
        timer.setInterval(5);
        int ticks = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            guarded([&] {
                ++ticks;
                throw Error("tick failed");
            });
        });
        timer.start();
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 5000);
        QVERIFY(timer.isActive());
        QVERIFY(boxes.shown().size() >= 3);
        QCOMPARE(boxes.shown()[0].text, QString("tick failed."));
    }

    // Below the widgets texts are UTF-8: every character crosses the boundary both ways.
    void widgetBoundaryText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << "Quartz" << QByteArray("Quartz");
        QTest::newRow("swedish") << QString::fromUtf8("Åsa Ödmark ä")
                                 << QByteArray("\xC3\x85sa \xC3\x96"
                                               "dmark \xC3\xA4");
        QTest::newRow("euro and dashes")
            << QString::fromUtf8("€–—") << QByteArray("\xE2\x82\xAC\xE2\x80\x93\xE2\x80\x94");
        QTest::newRow("outside the code page")
            << QString::fromUtf8("ř中😀x") << QByteArray("\xC5\x99\xE4\xB8\xAD\xF0\x9F\x98\x80x");
    }
    void widgetBoundaryText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const std::string utf8 = fromQString(text);
        QCOMPARE(QByteArray::fromStdString(utf8), bytes);
        QCOMPARE(toQString(utf8), text);
    }

    void everyByteRoundTrips() {
        for (int b = 0; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            QCOMPARE(fromQString(toQString(cp1252::toUtf8(one))), cp1252::toUtf8(one));
            QCOMPARE(cp1252::fromUtf8(cp1252::toUtf8(one)), one);
        }
        // A malformed byte shows as the replacement character, never as nothing.
        QCOMPARE(toQString("a\xFFz"), QString::fromUtf8("a\uFFFDz"));
    }

    void malformedUtf8BecomesQuestionMarks() {
        QCOMPARE(cp1252::fromUtf8("a\xC3"), std::string("a?"));
        QCOMPARE(cp1252::fromUtf8("\xFF\xFE"), std::string("??"));
        QCOMPARE(cp1252::fromUtf8("\xE2\x82"), std::string("??"));
        QCOMPARE(cp1252::fromUtf8("\xE2\x82\xAC"), std::string("\x80"));
    }
};

QTEST_MAIN(ErrorHandlerTest)
#include "tst_errorhandler.moc"
