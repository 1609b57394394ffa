#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "stores/DataFolder.h"
#include "support/ByteString.h"
#include "support/TestSupport.h"

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

    // Which folders are read, in which order, and which is written.
    void folders_data() {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<std::string>("installed");
        QTest::addColumn<std::string>("user");
        QTest::addColumn<std::vector<std::string>>("readOrder");
        QTest::addColumn<std::string>("writeFolder");
        const std::string prog = "/opt/q/", inst = "/usr/share/quillmar/",
                          user = "/home/a/.local/share/quillmar/";
        using V = std::vector<std::string>;
        QTest::newRow("build or folder copy: beside the program")
            << true << std::string() << user << V{prog} << prog;
        QTest::newRow("read-only folder copy: the user's, then the program's")
            << false << std::string() << user << V{user, prog} << user;
        QTest::newRow("installed, read-only: the user's, then the installed defaults")
            << false << inst << user << V{user, inst} << user;
        QTest::newRow("installed into a writable prefix: still the user's")
            << true << inst << user << V{user, inst} << user;
        QTest::newRow("no home known: the defaults alone")
            << false << inst << std::string() << V{inst} << inst;
        QTest::newRow("no home, read-only copy: beside the program")
            << false << std::string() << std::string() << V{prog} << prog;
    }
    void folders() {
        QFETCH(bool, writable);
        QFETCH(std::string, installed);
        QFETCH(std::string, user);
        QFETCH(std::vector<std::string>, readOrder);
        QFETCH(std::string, writeFolder);
        const DataFolders f = dataFoldersFor({"/opt/q/", writable, installed, user});
        QCOMPARE(f.readOrder, readOrder);
        QCOMPARE(f.writeFolder, writeFolder);
        QCOMPARE(f.perUser, writeFolder == user && !user.empty());
    }

    void userFolder_data() {
        QTest::addColumn<QByteArray>("xdg"); // "-": unset
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<std::string>("folder");
        QTest::newRow("XDG_DATA_HOME")
            << QByteArray("/x/data") << QByteArray("/home/a") << std::string("/x/data/quillmar/");
        QTest::newRow("trailing slashes")
            << QByteArray("/x/data//") << QByteArray("/home/a") << std::string("/x/data/quillmar/");
        QTest::newRow("unset") << QByteArray("-") << QByteArray("/home/a")
                               << std::string("/home/a/.local/share/quillmar/");
        QTest::newRow("empty") << QByteArray("") << QByteArray("/home/a/")
                               << std::string("/home/a/.local/share/quillmar/");
        QTest::newRow("relative is ignored") << QByteArray("data") << QByteArray("/home/a")
                                             << std::string("/home/a/.local/share/quillmar/");
        QTest::newRow("root home")
            << QByteArray("-") << QByteArray("/") << std::string("/.local/share/quillmar/");
        QTest::newRow("no home") << QByteArray("-") << QByteArray("-") << std::string();
        QTest::newRow("relative home") << QByteArray("") << QByteArray("a") << std::string();
    }
    void userFolder() {
        QFETCH(QByteArray, xdg);
        QFETCH(QByteArray, home);
        QFETCH(std::string, folder);
        QCOMPARE(userDataFolder(xdg == "-" ? nullptr : xdg.constData(),
                                home == "-" ? nullptr : home.constData()),
                 folder);
    }

    void join_data() {
        QTest::addColumn<std::string>("folder");
        QTest::addColumn<std::string>("relative");
        QTest::addColumn<std::string>("joined");
        QTest::newRow("installed") << std::string("/usr/bin/") << std::string("../share/quillmar/")
                                   << std::string("/usr/share/quillmar/");
        QTest::newRow("no slashes") << std::string("/usr/bin") << std::string("../share/quillmar")
                                    << std::string("/usr/share/quillmar/");
        QTest::newRow("dots") << std::string("/a/./b/") << std::string("./../c/")
                              << std::string("/a/c/");
        QTest::newRow("above root")
            << std::string("/") << std::string("../../x") << std::string("/x/");
        QTest::newRow("relative folder")
            << std::string("build/") << std::string("../../s") << std::string("../s/");
        QTest::newRow("absolute relative")
            << std::string("/usr/bin/") << std::string("/opt/d") << std::string("/opt/d/");
    }
    void join() {
        QFETCH(std::string, folder);
        QFETCH(std::string, relative);
        QFETCH(std::string, joined);
        QCOMPARE(joinFolder(folder, relative), joined);
    }

    void writable_data() {
        QTest::addColumn<bool>("access");
        QTest::addColumn<bool>("superuser");
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<bool>("writable");
        QTest::newRow("user, allowed") << true << false << 0755u << true;
        QTest::newRow("user, refused") << false << false << 0755u << false;
        // root is allowed everywhere by the system; the bits say what was meant
        QTest::newRow("root, owner may write") << true << true << 0755u << true;
        QTest::newRow("root, group may write") << true << true << 0575u << true;
        QTest::newRow("root, nobody may write") << true << true << 0555u << false;
        QTest::newRow("root, read-only file system") << false << true << 0755u << false;
    }
    void writable() {
        QFETCH(bool, access);
        QFETCH(bool, superuser);
        QFETCH(unsigned, mode);
        QFETCH(bool, writable);
        QCOMPARE(folderWritable(access, superuser, mode), writable);
    }

    // On disk: an installed tree is recognised by its share/quillmar/ beside bin/, and a
    // folder without write bits counts as read-only whoever runs the program.
    void placeOnDisk() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string root = dir.path().toStdString() + "/";
        QVERIFY(QDir().mkpath(dir.filePath("prefix/bin")));
        QVERIFY(QDir().mkpath(dir.filePath("copy")));
        DataPlace copy = dataPlaceFor(root + "copy/", "/x", nullptr);
        QVERIFY(copy.programFolderWritable);
        QCOMPARE(copy.installedFolder, std::string());
        QCOMPARE(copy.userFolder, std::string("/x/quillmar/"));

        QVERIFY(QDir().mkpath(dir.filePath("prefix/share/quillmar")));
        const DataPlace installed = dataPlaceFor(root + "prefix/bin/", nullptr, "/home/b");
        QCOMPARE(installed.installedFolder, root + "prefix/share/quillmar/");
        QCOMPARE(installed.userFolder, std::string("/home/b/.local/share/quillmar/"));

        QVERIFY(QFile::setPermissions(dir.filePath("copy"), QFile::ReadOwner | QFile::ExeOwner |
                                                                QFile::ReadGroup |
                                                                QFile::ExeGroup));
        copy = dataPlaceFor(root + "copy/", "/x", nullptr);
        QVERIFY(QFile::setPermissions(dir.filePath("copy"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!copy.programFolderWritable);
    }

    // The user's copy of a file wins over the default; a folder of that name is no copy.
    void readsUserCopyFirst() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string user = dir.path().toStdString() + "/user/",
                          defaults = dir.path().toStdString() + "/defaults/";
        QVERIFY(QDir().mkpath(dir.filePath("user/labelclean.bmp")));
        QVERIFY(QDir().mkpath(dir.filePath("defaults")));
        for (const char* name : {"defaults/athena.txt", "defaults/labelclean.bmp",
                                 "defaults/cachedloc.txt", "user/cachedloc.txt"})
            QVERIFY(test::writeFile(dir.filePath(name), "x"));
        const DataFolders folders{{user, defaults}, user, true};
        QCOMPARE(dataFileIn(folders, "cachedloc.txt"), user + "cachedloc.txt");
        QCOMPARE(dataFileIn(folders, "athena.txt"), defaults + "athena.txt");
        QCOMPARE(dataFileIn(folders, "labelclean.bmp"), defaults + "labelclean.bmp");
        QCOMPARE(dataFileIn(folders, "absent.txt"), defaults + "absent.txt");
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
