#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace qlx {

// The desktop's list of recently used files ($XDG_DATA_HOME/recently-used.xbel), which file
// choosers and docks of every program show and write. The program adds the label lists and
// report files it opens and saves, and reads its own back for its "Open recent" menu. The
// list belongs to the whole desktop: entries of other programs are kept as they are, and a
// list that cannot be read whole is never written over.
enum class RecentKind { LabelList, Report };

struct RecentFile {
    QString path;
    RecentKind kind = RecentKind::LabelList;
};

// The name the entries are registered under, and the command that opens them.
inline constexpr char kRecentApplication[] = "Quillmar Mineral Label Studio";
inline constexpr char kRecentExec[] = "qlxrender %f";

// The desktop's list: recently-used.xbel in the user's data folder.
QString recentFilesStore();

// Adds (or moves to the front) a file this program opened or saved, stamped now. False, and
// the list left as it was, when the list cannot be read or written; never throws.
bool addRecentFile(const QString& path, RecentKind kind);
bool addRecentFile(const QString& store, const QString& path, RecentKind kind,
                   const QDateTime& when);

// This program's files of the list that still exist, the last used first, at most `limit`.
QList<RecentFile> recentFiles(int limit = 10);
QList<RecentFile> recentFiles(const QString& store, int limit);

} // namespace qlx
