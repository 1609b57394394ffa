#include "widgets/RecentFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <glib.h>
#include <memory>

namespace qlx {

namespace {

// The group says which of the program's commands opens an entry again.
const char* groupOf(RecentKind kind) {
    return kind == RecentKind::Report ? "quillmar-report" : "quillmar-label-list";
}

// What the desktop shows the file as: reports by their own type, lists by their extension
// (a list may be CSV, RTF or plain text).
const char* mimeTypeOf(const QString& path, RecentKind kind) {
    if (kind == RecentKind::Report)
        return "application/x-quillmar-report";
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return "text/csv";
    if (suffix == QLatin1String("rtf"))
        return "application/rtf";
    return "text/plain";
}

struct BookmarksDeleter {
    void operator()(GBookmarkFile* b) const { g_bookmark_file_free(b); }
};
using Bookmarks = std::unique_ptr<GBookmarkFile, BookmarksDeleter>;

struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error)
            g_error_free(error);
    }
};

// The list as it is on disk; an empty list when there is none yet. Null when the file exists
// but cannot be read whole (damaged, unreadable), so that nothing writes over it.
Bookmarks load(const QString& store) {
    Bookmarks bookmarks(g_bookmark_file_new());
    if (!QFileInfo::exists(store))
        return bookmarks;
    GErrorHolder e;
    if (!g_bookmark_file_load_from_file(bookmarks.get(), QFile::encodeName(store).constData(),
                                        &e.error))
        return nullptr;
    return bookmarks;
}

QByteArray uriOf(const QString& path) {
    GErrorHolder e;
    gchar* uri = g_filename_to_uri(
        QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData(), nullptr, &e.error);
    if (!uri)
        return {};
    QByteArray result(uri);
    g_free(uri);
    return result;
}

bool addRecentFileAt(const QString& store, const QString& path, RecentKind kind,
                     gint64 microseconds);

} // namespace

QString recentFilesStore() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/recently-used.xbel");
}

bool addRecentFile(const QString& path, RecentKind kind) {
    // Stamped to the microsecond, as GLib keeps it: a list opened and saved again at once is
    // still ordered.
    return addRecentFileAt(recentFilesStore(), path, kind, g_get_real_time());
}

bool addRecentFile(const QString& store, const QString& path, RecentKind kind,
                   const QDateTime& when) {
    return addRecentFileAt(store, path, kind, when.toMSecsSinceEpoch() * 1000);
}

namespace {

bool addRecentFileAt(const QString& store, const QString& path, RecentKind kind,
                     gint64 microseconds) {
    const QByteArray uri = uriOf(path);
    if (uri.isEmpty())
        return false;
    Bookmarks bookmarks = load(store);
    if (!bookmarks)
        return false;
    GBookmarkFile* b = bookmarks.get();
    g_bookmark_file_set_mime_type(b, uri.constData(), mimeTypeOf(path, kind));
    g_bookmark_file_add_group(b, uri.constData(), groupOf(kind));
    // Counts this use and registers the program under its name.
    g_bookmark_file_add_application(b, uri.constData(), kRecentApplication, kRecentExec);
    GDateTime* stamp = g_date_time_new_from_unix_utc(0);
    GDateTime* at = g_date_time_add(stamp, microseconds);
    g_date_time_unref(stamp);
    unsigned count = 1;
    {
        GErrorHolder e;
        g_bookmark_file_get_application_info(b, uri.constData(), kRecentApplication, nullptr,
                                             &count, nullptr, &e.error);
    }
    bool ok = false;
    {
        GErrorHolder e;
        ok = g_bookmark_file_set_application_info(b, uri.constData(), kRecentApplication,
                                                  kRecentExec, int(count), at, &e.error);
    }
    g_bookmark_file_set_visited_date_time(b, uri.constData(), at);
    g_bookmark_file_set_modified_date_time(b, uri.constData(), at);
    g_date_time_unref(at);
    if (!ok)
        return false;
    QDir().mkpath(QFileInfo(store).absolutePath());
    // Written whole to a temporary file and renamed over the list, as every GLib program does.
    GErrorHolder e;
    return g_bookmark_file_to_file(b, QFile::encodeName(store).constData(), &e.error);
}

} // namespace

QList<RecentFile> recentFiles(int limit) {
    return recentFiles(recentFilesStore(), limit);
}

QList<RecentFile> recentFiles(const QString& store, int limit) {
    Bookmarks bookmarks = load(store);
    if (!bookmarks)
        return {};
    GBookmarkFile* b = bookmarks.get();
    struct Entry {
        RecentFile file;
        gint64 used;
    };
    std::vector<Entry> entries;
    gsize size = 0;
    gchar** uris = g_bookmark_file_get_uris(b, &size);
    for (gsize i = 0; i < size; ++i) {
        const char* uri = uris[i];
        GDateTime* stamp = nullptr;
        GErrorHolder e;
        if (!g_bookmark_file_get_application_info(b, uri, kRecentApplication, nullptr, nullptr,
                                                  &stamp, &e.error))
            continue; // another program's entry
        const gint64 used =
            g_date_time_to_unix(stamp) * 1000000 + g_date_time_get_microsecond(stamp);
        RecentKind kind;
        if (g_bookmark_file_has_group(b, uri, groupOf(RecentKind::Report), nullptr))
            kind = RecentKind::Report;
        else if (g_bookmark_file_has_group(b, uri, groupOf(RecentKind::LabelList), nullptr))
            kind = RecentKind::LabelList;
        else
            continue;
        gchar* name = g_filename_from_uri(uri, nullptr, nullptr);
        if (!name)
            continue;
        const QString path = QFile::decodeName(name);
        g_free(name);
        if (QFileInfo(path).isFile())
            entries.push_back({{path, kind}, used});
    }
    g_strfreev(uris);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& left, const Entry& right) { return left.used > right.used; });
    QList<RecentFile> result;
    for (const Entry& entry : entries) {
        if (result.size() >= limit)
            break;
        result.append(entry.file);
    }
    return result;
}

} // namespace qlx
