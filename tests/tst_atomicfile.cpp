#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pagestore/AtomicSave.h"
#include "stores/AtomicFile.h"
#include "stores/Error.h"
#include "support/ByteString.h"
#include "support/DataRows.h"
#include "support/ErrorOf.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

enum class Failure { None, AtOnce, PartWay, FullDisk, Sync, Rename };

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

bool ownerMayWrite(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || (st.st_mode & S_IWUSR) != 0;
}

// The permission checks as they stop an ordinary user. Root passes them (and CI runs as
// root), so the refusal the kernel would give comes from here: an existing file or a folder
// without its owner's write bit is refused.
SaveCalls asOrdinaryUser(SaveCalls calls) {
    calls.mayWrite = [](const std::string& path) {
        return ownerMayWrite(path) && ::access(path.c_str(), W_OK) == 0;
    };
    calls.makeTemporary = [](std::string& pattern) {
        if (!ownerMayWrite(QFileInfo(QString::fromStdString(pattern)).path().toStdString())) {
            errno = EACCES;
            return -1;
        }
        return ::mkostemp(pattern.data(), O_CLOEXEC);
    };
    return calls;
}

SaveCalls failingCalls(Failure failure) {
    SaveCalls calls;
    if (failure == Failure::Sync) {
        calls.sync = [](int) {
            errno = EIO;
            return false;
        };
    } else if (failure == Failure::Rename) {
        calls.rename = [](const std::string&, const std::string&) {
            errno = EXDEV;
            return false;
        };
    } else if (failure != Failure::None) {
        calls.write = failingWriter(failure);
    }
    return asOrdinaryUser(calls);
}

// The target's content as a word, for a trace of the save.
QString contentOf(const QString& path, const std::string& old, const std::string& bytes) {
    if (!QFileInfo::exists(path))
        return "missing";
    const std::string now = test::readFile(path);
    return now == old ? "old" : now == bytes ? "new" : "other";
}

// The calls of a save as they come, each with what the disk holds at that moment: how many
// bytes the temporary file has when it is synced, and which content the target has.
SaveCalls tracingCalls(QStringList& trace, const QDir& dir, const QString& target,
                       const std::string& old, const std::string& bytes) {
    SaveCalls calls;
    calls.write = [&trace](int fd, const char* data, std::size_t size) {
        if (trace.isEmpty() || trace.last() != "write")
            trace << "write";
        return ::write(fd, data, size) == static_cast<ssize_t>(size);
    };
    calls.sync = [=, &trace](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        trace << QString("sync %1 bytes, target %2")
                     .arg(st.st_size)
                     .arg(contentOf(target, old, bytes));
        return ::fsync(fd) == 0;
    };
    calls.rename = [&trace](const std::string& from, const std::string& to) {
        trace << "rename";
        return ::rename(from.c_str(), to.c_str()) == 0;
    };
    calls.syncFolder = [=, &trace](const std::string& folder) {
        trace << QString("sync folder %1, target %2")
                     .arg(dir.relativeFilePath(QString::fromStdString(folder)))
                     .arg(contentOf(target, old, bytes));
    };
    return calls;
}

enum class Saved { New, Existing, ThroughLinkElsewhere };

using ContentRow = std::pair<bool, std::string>;         // whether the file exists, the new content
using TargetRow = std::tuple<QString, Failure, QString>; // target, failure, message
using OrderRow = std::tuple<Saved, bool, QString>; // target, through AtomicSave, folder synced

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

    // A save is durable in this order: the bytes reach the disk, the temporary file takes the
    // target's name, the folder holding the name reaches the disk. Synced after the rename,
    // or not at all, a crash can leave an empty or half-written file under the target's name.
    void syncsBeforeTheRename_data() {
        test::dataRows<OrderRow>({
            {"new file", {Saved::New, false, "."}},
            {"existing file", {Saved::Existing, false, "."}},
            {"through a link into another folder", {Saved::ThroughLinkElsewhere, false, "real"}},
            {"through a device", {Saved::Existing, true, "."}},
        });
    }
    void syncsBeforeTheRename() {
        QFETCH(OrderRow, row);
        const auto [saved, device, folder] = row;
        QTemporaryDir temporary;
        const QDir dir(temporary.path());
        QVERIFY(dir.mkdir("real"));
        const std::string old = "old content\r\n", bytes(100000, 'n');
        const QString path = dir.filePath("list.txt");
        QString target = path;
        if (saved == Saved::ThroughLinkElsewhere) {
            target = dir.filePath("real/list.txt");
            QVERIFY(QFile::link(target, path));
        }
        if (saved != Saved::New)
            QVERIFY(test::writeFile(target, old));

        QStringList trace;
        const SaveCalls calls = tracingCalls(trace, dir, target, old, bytes);
        if (device) {
            AtomicSave::write(
                path, [&](QIODevice& out) { out.write(bytes.data(), qint64(bytes.size())); },
                calls);
        } else {
            writeFileAtomically(path.toStdString(), bytes, calls);
        }
        const QString before = saved == Saved::New ? "missing" : "old";
        QCOMPARE(trace, QStringList({"write", "sync 100000 bytes, target " + before, "rename",
                                     "sync folder " + folder + ", target new"}));
        QCOMPARE(test::readFile(target), bytes);
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
            {"sync fails", {"list.txt", Failure::Sync, save}},
            {"rename fails", {"list.txt", Failure::Rename, save}},
        });
    }
    void failureKeepsOldFile() {
        QFETCH(TargetRow, row);
        const auto [target, failure, message] = row;
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
        const QString error = test::errorOf([&] {
            writeFileAtomically(path.toStdString(), std::string(100000, 'n'),
                                failingCalls(failure));
        });
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
