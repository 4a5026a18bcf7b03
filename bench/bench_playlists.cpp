// Opening a playlist of 5,000 library songs on the Playlists page: the table
// fill (loadItems), next to the anchor of 5,000 lookups of a path by itself.
// Runs on the offscreen platform in a private data folder.

#include "Database.h"
#include "PlaylistsPage.h"
#include "RecordingHost.h"
#include "Theme.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSongs = 5000;
constexpr int kRuns = 5;

QStringList makeSongs(const QString& folder)
{
    QDir().mkpath(folder);
    QList<MediaItem> rows;
    QStringList paths;
    for (int i = 0; i < kSongs; ++i) {
        MediaItem m;
        m.path = folder + QStringLiteral("/song %1.flac").arg(i, 5, 10, QLatin1Char('0'));
        QFile(m.path).open(QIODevice::WriteOnly);
        m.kind = QStringLiteral("audio");
        m.title = QStringLiteral("Song %1").arg(i);
        m.artist = QStringLiteral("Artist %1").arg(i % 300);
        m.album = QStringLiteral("Album %1").arg(i % 900);
        m.duration = 180 + i % 120;
        m.folder = folder;
        m.added_at = 1000 + i;
        rows << m;
        paths << m.path;
    }
    Database::instance()->upsertMedia(rows);
    return paths;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir tmp;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(tmp.path() + "/home"));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    Theme::apply(app);
    Database* db = Database::instance();
    if (!db->open()) {
        std::printf("the database did not open\n");
        return 1;
    }
    const QStringList paths = makeSongs(tmp.path() + QStringLiteral("/music"));
    const qint64 id = db->createPlaylist(QStringLiteral("Everything"));
    db->setPlaylistItems(id, paths);

    QList<double> lookups;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        for (const QString& path : paths)
            db->mediaByPath(path);
        lookups << t.nsecsElapsed() / 1e6;
    }

    RecordingHost host;
    PlaylistsPage page(&host);
    QListWidget* lists = page.findChild<QListWidget*>();
    lists->setCurrentRow(lists->count() - 1);
    QList<double> fills;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        page.loadItems();
        fills << t.nsecsElapsed() / 1e6;
    }
    std::printf("anchor: %d path lookups, median of %d: %.0f ms\n", kSongs, kRuns, median(lookups));
    std::printf("loadItems of a %d-song playlist, median of %d: %.0f ms (limit 400 ms)\n",
                int(page.currentPaths().size()), kRuns, median(fills));
    return 0;
}
