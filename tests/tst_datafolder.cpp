#include <QCoreApplication>
#include <QtTest>

#include "stores/DataFolder.h"
#include "support/ByteString.h"

using namespace qlx;

class DataFolderTest : public QObject {
    Q_OBJECT
private slots:
    void prefix_data() {
        QTest::addColumn<std::string>("exePath");
        QTest::addColumn<std::string>("prefix");
        QTest::newRow("installed")
            << std::string("/usr/local/bin/qlxrender") << std::string("/usr/local/bin/");
        // The old cut of 13 characters was right only for a 13-character file name.
        QTest::newRow("13-character name")
            << std::string("/opt/q/qlxrender.exe") << std::string("/opt/q/");
        QTest::newRow("short name")
            << std::string("/opt/quillmar/q") << std::string("/opt/quillmar/");
        QTest::newRow("long name") << std::string("/a/quillmar-label-studio") << std::string("/a/");
        QTest::newRow("14 characters") << std::string("/aqlxrender.ex") << std::string("/");
        QTest::newRow("root folder") << std::string("/qlxrender") << std::string("/");
        QTest::newRow("bare name") << std::string("qlxrender") << std::string();
        QTest::newRow("empty") << std::string() << std::string();
        QTest::newRow("relative") << std::string("build/qlxrender") << std::string("build/");
        QTest::newRow("dot folder") << std::string("./qlxrender") << std::string("./");
        QTest::newRow("spaces and non-ASCII") << std::string("/home/\xc3\xa5sa/My Labels/qlxrender")
                                              << std::string("/home/\xc3\xa5sa/My Labels/");
        QTest::newRow("deleted executable")
            << std::string("/usr/bin/qlxrender (deleted)") << std::string("/usr/bin/");
    }
    void prefix() {
        QFETCH(std::string, exePath);
        QFETCH(std::string, prefix);
        QCOMPARE(dataFolderPrefix(exePath), prefix);
    }

    // The running program's prefix is the folder this test executable lives in.
    void runningProgram() {
        const std::string expected = QCoreApplication::applicationDirPath().toStdString() + "/";
        QCOMPARE(dataFolderPrefix(), expected);
        QCOMPARE(dataFilePath("athena.txt"), expected + "athena.txt");
    }
};

QTEST_GUILESS_MAIN(DataFolderTest)
#include "tst_datafolder.moc"
