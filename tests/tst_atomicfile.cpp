#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "stores/AtomicFile.h"
#include "stores/Error.h"
#include "support/ByteString.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

enum class Failure { None, AtOnce, PartWay, FullDisk };

// A writer that fails as asked, after writing part of the bytes when asked to.
ChunkWriter failingWriter(Failure failure) {
    return [failure](int fd, const char* data, std::size_t size) -> bool {
        if (failure == Failure::PartWay) {
            if (::write(fd, data, size / 2) < 0)
                return false;
            errno = EIO;
            return false;
        }
        if (failure == Failure::FullDisk) {
            errno = ENOSPC;
            return false;
        }
        errno = EIO;
        return false;
    };
}

using ContentRow = std::pair<bool, std::string>;         // whether the file exists, the new content
using TargetRow = std::tuple<QString, Failure, QString>; // target, failure, message

} // namespace

class AtomicFileTest : public QObject {
    Q_OBJECT
private slots:
    void replacesContent_data() {
        test::dataRows<ContentRow>({
            {"new file", {false, "a\r\nb\r\n"}},
            {"existing file", {true, "new\r\n"}},
            {"empty content", {true, ""}},
            {"binary content", {true, std::string("\0\xff\r\x1a", 4)}},
        });
    }
    void replacesContent() {
        QFETCH(ContentRow, row);
        const auto [exists, bytes] = row;
        QTemporaryDir dir;
        const QString path = dir.filePath("cachedloc.txt");
        if (exists)
            QVERIFY(test::writeFile(path, "old and longer content\r\n"));
        writeFileAtomically(path.toStdString(), bytes);
        QCOMPARE(test::readFile(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"cachedloc.txt"});
    }

    void keepsPermissions() {
        QTemporaryDir dir;
        const QString path = dir.filePath("list.txt");
        QVERIFY(test::writeFile(path, "old"));
        ::chmod(path.toLocal8Bit().constData(), 0640);
        writeFileAtomically(path.toStdString(), "new");
        struct stat st {};
        QCOMPARE(::stat(path.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
    }

    void newFileHonoursUmask() {
        QTemporaryDir dir;
        const QString path = dir.filePath("new.txt");
        const mode_t old = ::umask(027);
        writeFileAtomically(path.toStdString(), "x");
        ::umask(old);
        struct stat st {};
        QCOMPARE(::stat(path.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
    }

    void followsSymbolicLink() {
        QTemporaryDir dir;
        const QString real = dir.filePath("real.txt");
        const QString link = dir.filePath("link.txt");
        QVERIFY(test::writeFile(real, "old"));
        QVERIFY(QFile::link(real, link));
        writeFileAtomically(link.toStdString(), "new");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(test::readFile(real), std::string("new"));
    }

    // Whatever fails, the old file stays whole and no temporary file is left behind.
    void failureKeepsOldFile_data() {
        const QString create = "Cannot create file %1", save = "Failed to Save Stream %1";
        test::dataRows<TargetRow>({
            {"folder missing", {"missing/list.txt", Failure::None, create}},
            {"target is a folder", {"folder", Failure::None, create}},
            {"empty path", {"", Failure::None, create}},
            {"read-only folder", {"readonly/list.txt", Failure::None, create}},
            {"read-only file", {"locked.txt", Failure::None, create}},
            {"write fails at once", {"list.txt", Failure::AtOnce, save}},
            {"write fails part way", {"list.txt", Failure::PartWay, save}},
            {"disk full", {"list.txt", Failure::FullDisk, save}},
        });
    }
    void failureKeepsOldFile() {
        QFETCH(TargetRow, row);
        const auto [target, failure, message] = row;
        const bool root = ::geteuid() == 0;
        if (root && (target.startsWith("readonly") || target.startsWith("locked")))
            QSKIP("permission bits do not stop root; the other rows cover the failure");
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("folder");
        QDir(dir.path()).mkdir("readonly");
        const std::string old = "old content that must survive\r\n";
        for (const char* name : {"list.txt", "locked.txt", "readonly/list.txt"})
            QVERIFY(test::writeFile(dir.filePath(name), old));
        ::chmod(dir.filePath("locked.txt").toLocal8Bit().constData(), 0444);
        ::chmod(dir.filePath("readonly").toLocal8Bit().constData(), 0555);
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        const QString path = target.isEmpty() ? QString() : dir.filePath(target);
        const ChunkWriter writer =
            failure == Failure::None ? ChunkWriter() : failingWriter(failure);
        const QString error = test::errorOf(
            [&] { writeFileAtomically(path.toStdString(), std::string(100000, 'n'), writer); });
        ::chmod(dir.filePath("readonly").toLocal8Bit().constData(), 0755);
        QCOMPARE(error, message.contains("%1") ? message.arg(path) : message);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(QDir(dir.filePath("readonly")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"list.txt"});
        if (QFileInfo(path).isFile())
            QCOMPARE(test::readFile(path), old);
    }
};

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "tst_atomicfile.moc"
