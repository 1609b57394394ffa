#include <QCoreApplication>
#include <QDir>
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
        const auto row = [](const char* name, std::string exePath, std::string prefix) {
            QTest::newRow(name) << exePath << prefix;
        };
        row("installed", "/usr/local/bin/qlxrender", "/usr/local/bin/");
        // The old cut of 13 characters was right only for a 13-character file name.
        row("13-character name", "/opt/q/qlxrender.exe", "/opt/q/");
        row("short name", "/opt/quillmar/q", "/opt/quillmar/");
        row("long name", "/a/quillmar-label-studio", "/a/");
        row("14 characters", "/aqlxrender.ex", "/");
        row("root folder", "/qlxrender", "/");
        row("bare name", "qlxrender", "");
        row("empty", "", "");
        row("relative", "build/qlxrender", "build/");
        row("dot folder", "./qlxrender", "./");
        row("spaces and non-ASCII", "/home/\xc3\xa5sa/My Labels/qlxrender",
            "/home/\xc3\xa5sa/My Labels/");
        row("deleted executable", "/usr/bin/qlxrender (deleted)", "/usr/bin/");
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
        const auto row = [](const char* name, bool writable, std::string installed,
                            std::string userFolder, V readOrder, std::string writeFolder) {
            QTest::newRow(name) << writable << installed << userFolder << readOrder << writeFolder;
        };
        row("build or folder copy: beside the program", true, "", user, V{prog}, prog);
        row("read-only folder copy: the user's, then the program's", false, "", user, V{user, prog},
            user);
        row("installed, read-only: the user's, then the installed defaults", false, inst, user,
            V{user, inst}, user);
        row("installed into a writable prefix: still the user's", true, inst, user, V{user, inst},
            user);
        row("no home known: the defaults alone", false, inst, "", V{inst}, inst);
        row("no home, read-only copy: beside the program", false, "", "", V{prog}, prog);
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
        const auto row = [](const char* name, QByteArray xdg, QByteArray home, std::string folder) {
            QTest::newRow(name) << xdg << home << folder;
        };
        row("XDG_DATA_HOME", "/x/data", "/home/a", "/x/data/quillmar/");
        row("trailing slashes", "/x/data//", "/home/a", "/x/data/quillmar/");
        row("unset", "-", "/home/a", "/home/a/.local/share/quillmar/");
        row("empty", "", "/home/a/", "/home/a/.local/share/quillmar/");
        row("relative is ignored", "data", "/home/a", "/home/a/.local/share/quillmar/");
        row("root home", "-", "/", "/.local/share/quillmar/");
        row("no home", "-", "-", "");
        row("relative home", "", "a", "");
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
        const auto row = [](const char* name, std::string folder, std::string relative,
                            std::string joined) {
            QTest::newRow(name) << folder << relative << joined;
        };
        row("installed", "/usr/bin/", "../share/quillmar/", "/usr/share/quillmar/");
        row("no slashes", "/usr/bin", "../share/quillmar", "/usr/share/quillmar/");
        row("dots", "/a/./b/", "./../c/", "/a/c/");
        row("above root", "/", "../../x", "/x/");
        row("relative folder", "build/", "../../s", "../s/");
        row("absolute relative", "/usr/bin/", "/opt/d", "/opt/d/");
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
