// The desktop's recently-used list: what the program adds is read back by GLib itself as any
// other desktop program reads it, other programs' entries survive, a damaged list is never
// written over, and the "Open recent" list is this program's existing files, last used first.
#include <QMenu>
#include <QPushButton>
#include <QtTest>
#include <glib.h>

#include "app/MainForm.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"
#include "widgets/PictureDialog.h"
#include "widgets/RecentFiles.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

QDateTime at(int second) {
    return QDateTime::fromSecsSinceEpoch(1800000000 + second, Qt::UTC);
}

QString makeFile(const QDir& dir, const QString& name) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("|Calcite|Kiruna|CaCO3|\r\n");
    return f.fileName();
}

// One entry as GLib reads it from the file.
struct GlibEntry {
    bool found = false;
    QString mimeType;
    QString exec;
    unsigned count = 0;
    QStringList groups;
};

GlibEntry readWithGlib(const QString& store, const QString& path) {
    GlibEntry entry;
    GBookmarkFile* b = g_bookmark_file_new();
    if (g_bookmark_file_load_from_file(b, QFile::encodeName(store).constData(), nullptr)) {
        gchar* uri = g_filename_to_uri(QFile::encodeName(path).constData(), nullptr, nullptr);
        if (uri && g_bookmark_file_has_item(b, uri)) {
            entry.found = true;
            gchar* mime = g_bookmark_file_get_mime_type(b, uri, nullptr);
            entry.mimeType = QString::fromUtf8(mime);
            g_free(mime);
            gchar* exec = nullptr;
            g_bookmark_file_get_application_info(b, uri, kRecentApplication, &exec, &entry.count,
                                                 nullptr, nullptr);
            entry.exec = QString::fromUtf8(exec);
            g_free(exec);
            gsize n = 0;
            gchar** groups = g_bookmark_file_get_groups(b, uri, &n, nullptr);
            for (gsize i = 0; i < n; ++i)
                entry.groups << QString::fromUtf8(groups[i]);
            g_strfreev(groups);
        }
        g_free(uri);
    }
    g_bookmark_file_free(b);
    return entry;
}

QStringList paths(const QList<RecentFile>& files) {
    QStringList out;
    for (const RecentFile& f : files)
        out << QFileInfo(f.path).fileName() + (f.kind == RecentKind::Report ? ":report" : ":list");
    return out;
}

} // namespace

class RecentFilesTest : public QObject {
    Q_OBJECT

private slots:
    void entriesAsGlibReadsThem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("group");
        QTest::newRow("csv list") << "minerals.csv" << int(RecentKind::LabelList) << "text/csv"
                                  << "quillmar-label-list";
        QTest::newRow("rtf list") << "Liste.RTF" << int(RecentKind::LabelList) << "application/rtf"
                                  << "quillmar-label-list";
        QTest::newRow("text list, odd name")
            << "Stufen Ägäis #2 100%.txt" << int(RecentKind::LabelList) << "text/plain"
            << "quillmar-label-list";
        QTest::newRow("report") << "sheet.LFP" << int(RecentKind::Report)
                                << "application/x-quillmar-report"
                                << "quillmar-report";
    }
    void entriesAsGlibReadsThem() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, mimeType);
        QFETCH(QString, group);
        QTemporaryDir dir;
        const QString store = dir.filePath("share/recently-used.xbel");
        const QString file = makeFile(QDir(dir.path()), name);
        QVERIFY(addRecentFile(store, file, RecentKind(kind), at(1)));
        QVERIFY(addRecentFile(store, file, RecentKind(kind), at(2)));
        const GlibEntry entry = readWithGlib(store, file);
        QVERIFY(entry.found);
        QCOMPARE(entry.mimeType, mimeType);
        QCOMPARE(entry.exec, "qlxrender " + file); // GLib gives the command with the file filled in
        QCOMPARE(entry.count, 2u);                 // two uses, one entry
        QCOMPARE(entry.groups, QStringList{group});
        const QList<RecentFile> back = recentFiles(store, 10);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].path, file);
        QCOMPARE(int(back[0].kind), kind);
    }

    void lastUsedFirstAtMostTen() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recently-used.xbel");
        for (int i = 0; i < 12; ++i)
            QVERIFY(addRecentFile(store, makeFile(QDir(dir.path()), QString("l%1.csv").arg(i)),
                                  i % 3 ? RecentKind::LabelList : RecentKind::Report, at(i)));
        // l4 used again: it moves to the front, not in twice.
        QVERIFY(addRecentFile(store, dir.filePath("l4.csv"), RecentKind::LabelList, at(20)));
        const QStringList expected{
            "l4.csv:list", "l11.csv:list",  "l10.csv:list", "l9.csv:report", "l8.csv:list",
            "l7.csv:list", "l6.csv:report", "l5.csv:list",  "l3.csv:report", "l2.csv:list"};
        QCOMPARE(paths(recentFiles(store, 10)), expected);
        QCOMPARE(paths(recentFiles(store, 3)), expected.mid(0, 3));
    }

    void missingFilesAreLeftOut() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recently-used.xbel");
        const QString kept = makeFile(QDir(dir.path()), "kept.csv");
        const QString gone = makeFile(QDir(dir.path()), "gone.csv");
        QVERIFY(addRecentFile(store, kept, RecentKind::LabelList, at(1)));
        QVERIFY(addRecentFile(store, gone, RecentKind::LabelList, at(2)));
        QVERIFY(QFile::remove(gone));
        QCOMPARE(paths(recentFiles(store, 10)), QStringList{"kept.csv:list"});
        // The desktop's entry stays: it is the desktop's list, not ours to prune.
        QVERIFY(readWithGlib(store, gone).found);
    }

    void otherProgramsEntriesAreKept() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recently-used.xbel");
        const QString other = makeFile(QDir(dir.path()), "letter.odt");
        GBookmarkFile* b = g_bookmark_file_new();
        gchar* uri = g_filename_to_uri(QFile::encodeName(other).constData(), nullptr, nullptr);
        g_bookmark_file_set_mime_type(b, uri, "application/vnd.oasis.opendocument.text");
        g_bookmark_file_add_application(b, uri, "LibreOffice", "soffice %u");
        QVERIFY(g_bookmark_file_to_file(b, QFile::encodeName(store).constData(), nullptr));
        g_free(uri);
        g_bookmark_file_free(b);

        QVERIFY(addRecentFile(store, makeFile(QDir(dir.path()), "mine.csv"), RecentKind::LabelList,
                              at(1)));
        const GlibEntry entry = readWithGlib(store, other);
        QVERIFY(entry.found);
        QCOMPARE(entry.mimeType, QString("application/vnd.oasis.opendocument.text"));
        // Not ours: not in the menu.
        QCOMPARE(paths(recentFiles(store, 10)), QStringList{"mine.csv:list"});
    }

    void damagedListIsNotWrittenOver() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recently-used.xbel");
        const QByteArray damaged = "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\"><bookmark href=";
        {
            QFile f(store);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(damaged);
        }
        QVERIFY(!addRecentFile(store, makeFile(QDir(dir.path()), "a.csv"), RecentKind::LabelList,
                               at(1)));
        QFile f(store);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), damaged);
        QVERIFY(recentFiles(store, 10).isEmpty());
    }

    void theDesktopsListIsInXdgDataHome() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        QCOMPARE(recentFilesStore(), dir.filePath("data/recently-used.xbel"));
        const QString file = makeFile(QDir(dir.path()), "list.csv");
        QVERIFY(addRecentFile(file, RecentKind::LabelList));
        QVERIFY(readWithGlib(dir.filePath("data/recently-used.xbel"), file).found);
        QCOMPARE(paths(recentFiles()), QStringList{"list.csv:list"});
    }

    // The window: "Open list" and "Save list" add to the desktop's list, and File > "Open
    // recent" shows the program's files, last first, and opens the one chosen.
    void openRecentInTheWindow() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        test::MessageBoxCatcher boxes;
        OpenPictureDialog::setAnswerFunction(
            [](const QString&) { return std::optional<QString>(); });
        MainForm form;
        auto* recent = test::child<QMenu>(form, "OpenRecent1");
        const auto captions = [&] {
            emit recent->aboutToShow();
            QStringList out;
            for (QAction* a : recent->actions())
                out << a->text() + (a->isEnabled() ? "" : " (off)");
            return out;
        };
        QCOMPARE(captions(), QStringList{"No recent files (off)"});

        const QString opened = dir.filePath("Funde & Tausch.txt");
        QVERIFY(test::writeFile(opened, "|Calcit|Falun||\r\n"));
        FileDialog::setNextFileName(opened);
        test::child<QPushButton>(form, "Button7")->click();
        const QString saved = dir.filePath("saved.csv");
        FileDialog::setNextFileName(saved);
        test::child<QPushButton>(form, "Button8")->click();
        QVERIFY(QFileInfo(saved).isFile());
        QCOMPARE(captions(), QStringList({"&1 saved.csv", "&2 Funde && Tausch.txt"}));
        QCOMPARE(recent->actions()[1]->toolTip(), opened);

        // Another list typed in; the recent one replaces it, as "Open list" would.
        auto* list = test::child<RichEditBox>(form, "RichEdit4");
        list->lines().setText("|Quarz|Bern||\r\n");
        recent->actions()[1]->trigger();
        QCOMPARE(list->lines().text(), std::string("|Calcit|Falun||\r\n"));
        QCOMPARE(readWithGlib(recentFilesStore(), opened).count, 2u);
        QVERIFY2(boxes.shown().empty(), qPrintable(boxes.texts().join("; ")));
        FileDialog::clearAnswers();
        OpenPictureDialog::clearAnswers();
    }
};

QTEST_MAIN(RecentFilesTest)
#include "tst_recentfiles.moc"
