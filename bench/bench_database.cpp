// Library database figures on a 55,000-row catalogue (50,000 audio files and
// 5,000 videos) with 50,000 history rows: upsert throughput of a whole scan
// in one transaction, and the time of the reads the pages make.
// Runs on a private temporary data folder, never the user's.

#include "App.h"
#include "Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kAudio = 50000;
constexpr int kVideo = 5000;
constexpr int kRounds = 7;

struct Figures
{
    double median = 0;
    double worst = 0;
};

Figures measure(int rounds, const std::function<double()>& run)
{
    QList<double> values;
    for (int i = 0; i < rounds; ++i)
        values << run();
    std::sort(values.begin(), values.end());
    return {values.at(values.size() / 2), values.last()};
}

QList<MediaItem> catalogue(int generation)
{
    QList<MediaItem> items;
    items.reserve(kAudio + kVideo);
    for (int i = 0; i < kAudio + kVideo; ++i) {
        const bool video = i >= kAudio;
        const QString folder = QStringLiteral("/home/user/%1/Artist %2/Album %3")
                                   .arg(video ? "Videos" : "Music").arg(i / 200).arg(i / 12);
        MediaItem m;
        m.path = folder + QStringLiteral("/%1 - Track title number %2.%3")
                              .arg(i % 12 + 1, 2, 10, QLatin1Char('0')).arg(i).arg(video ? "mkv" : "flac");
        m.kind = video ? QStringLiteral("video") : QStringLiteral("audio");
        m.title = QStringLiteral("Track title number %1 (take %2)").arg(i).arg(generation);
        m.artist = QStringLiteral("Artist %1").arg(i / 200);
        m.album = QStringLiteral("Album %1").arg(i / 12);
        m.album_artist = m.artist;
        m.genre = QStringLiteral("Genre %1").arg(i % 17);
        m.year = 1960 + i % 60;
        m.track = i % 12 + 1;
        m.duration = video ? 0 : 180 + i % 120;
        m.folder = folder;
        m.size = 30'000'000 + i;
        m.added_at = 1'600'000'000 + i;
        items << m;
    }
    return items;
}

double msSince(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void fillStatistics(Database* db, const QList<MediaItem>& items)
{
    QElapsedTimer t;
    t.start();
    db->blockSignals(true);
    Database::transaction();
    for (int i = 0; i < kAudio; ++i) {
        db->setFavorite(items.at(i).path, true);
        if (i % 3 == 0)
            db->countPlay(items.at(i).path);
    }
    for (int i = 0; i < kAudio; ++i) {
        const MediaItem& m = items.at(i % 2 ? i : kAudio + i % kVideo);
        HistoryItem h;
        h.path = i % 2 ? m.path : m.path + QString::number(i);
        h.kind = m.kind;
        h.title = m.title;
        h.position = 42;
        h.duration = 300;
        h.last_played = 1'700'000'000 + i;
        db->saveHistory(h);
    }
    Database::commit();
    db->blockSignals(false);
    std::printf("setup: favourites, plays and %d history rows in %.0f ms\n", kAudio, msSince(t));
}

void printRate(const char* name, qsizetype rows, const Figures& ms)
{
    // The worst round is the slowest one.
    std::printf("%-24s %6lld rows: median %8.0f rows/s, worst %8.0f rows/s\n", name,
                static_cast<long long>(rows), rows / (ms.median / 1000.0), rows / (ms.worst / 1000.0));
}

void benchUpserts(Database* db)
{
    const QList<MediaItem> first = catalogue(0);
    const Figures fresh = measure(kRounds, [&] {
        QSqlQuery(QStringLiteral("DELETE FROM media")).exec();
        QElapsedTimer t;
        t.start();
        db->upsertMedia(first);
        return msSince(t);
    });
    printRate("upsertMedia, new rows", first.size(), fresh);
    const QList<MediaItem> rescan = catalogue(1);
    const Figures update = measure(kRounds, [&] {
        QElapsedTimer t;
        t.start();
        db->upsertMedia(rescan);
        return msSince(t);
    });
    printRate("upsertMedia, rescan", rescan.size(), update);
}

// Times one read; the result is freed after the clock stops, as a caller
// keeps what it read.
template <typename Read>
void benchRead(const char* name, Read read)
{
    qsizetype rows = 0;
    const Figures f = measure(kRounds * 2, [&] {
        QElapsedTimer t;
        t.start();
        const auto result = read();
        const double ms = msSince(t);
        rows = result.size();
        return ms;
    });
    std::printf("%-24s %6lld rows: median %7.2f ms, worst %7.2f ms\n", name, static_cast<long long>(rows),
                f.median, f.worst);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config"));
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));

    Database* db = Database::instance();
    if (!db->open()) {
        std::printf("database did not open in %s\n", qPrintable(App::dataDir()));
        return 1;
    }
    std::printf("data folder: %s\n", qPrintable(App::dataDir()));
    benchUpserts(db);
    fillStatistics(db, catalogue(1));
    benchRead("media(\"audio\")", [&] { return db->media(QStringLiteral("audio")); });
    benchRead("recentlyAdded(200)", [&] { return db->recentlyAdded(200); });
    benchRead("favorites()", [&] { return db->favorites(); });
    benchRead("mostPlayed(100)", [&] { return db->mostPlayed(100); });
    benchRead("history(\"video\", 2000)", [&] { return db->history(QStringLiteral("video"), 2000); });
    db->close();
    return 0;
}
