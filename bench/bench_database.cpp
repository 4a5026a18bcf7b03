// Library database figures on a 55,000-row catalogue (50,000 audio files and
// 5,000 videos) with 50,000 history rows: upsert throughput of a whole scan
// in one transaction, the time of the reads the pages make and of the check
// a start makes after a run that did not end cleanly; and the longest stall
// of the event loop while another program holds the write lock.
// Runs on a private temporary data folder, never the user's.

#include "App.h"
#include "Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

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

void benchCheck()
{
    QElapsedTimer t;
    t.start();
    QSqlQuery q(QStringLiteral("PRAGMA quick_check(1)"));
    const QString answer = q.next() ? q.value(0).toString() : QStringLiteral("(no answer)");
    std::printf("quick_check of the whole file: %.0f ms (%s)\n", msSince(t), qPrintable(answer));
}

// Another connection, on its own thread as another program would be, holds
// the write lock for the given time.
void holdLock(std::atomic<int>* state, int ms)
{
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        other.setDatabaseName(App::dataDir() + QStringLiteral("/biblioteca.db"));
        QSqlQuery q(other);
        if (other.open() && q.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
            *state = 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            q.exec(QStringLiteral("COMMIT"));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    *state = 2;
}

// What the window writes for one song: the history row when it loads, a
// position save, the play count and the row when it ends.
void playSong(Database* db, const QString& path, int startMs)
{
    const auto row = [path](double position, bool finished) {
        HistoryItem h;
        h.path = path;
        h.kind = QStringLiteral("audio");
        h.title = path;
        h.position = position;
        h.duration = 600;
        h.finished = finished;
        return h;
    };
    QTimer::singleShot(startMs, db, [db, row] { db->saveHistory(row(0, false)); });
    QTimer::singleShot(startMs + 1000, db, [db, row] {
        const bool was = db->blockSignals(true);
        db->saveHistory(row(60, false));
        db->blockSignals(was);
    });
    QTimer::singleShot(startMs + 2000, db, [db, path] { db->countPlay(path); });
    QTimer::singleShot(startMs + 2800, db, [db, row] { db->saveHistory(row(120, false)); });
}

int landed(Database* db, const QStringList& songs)
{
    int n = 0;
    for (const QString& path : songs) {
        const std::optional<HistoryItem> h = db->historyFor(path);
        const std::optional<MediaItem> m = db->mediaByPath(path);
        n += h && h->position == 120 && m && m->play_count == 1;
    }
    return n;
}

void benchLockedWrites(Database* db)
{
    constexpr int kLockMs = 10000;
    QStringList songs;
    for (int i = 0; i < 3; ++i) {
        songs << QStringLiteral("/home/user/Music/locked/%1.flac").arg(i);
        db->ensureMedia(songs.last(), QStringLiteral("audio"), songs.last());
    }
    std::atomic<int> state{0};
    std::thread holder(holdLock, &state, kLockMs);
    while (state == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    QTimer meter;
    meter.setTimerType(Qt::PreciseTimer);
    meter.setInterval(1);
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    meter.start();
    for (int i = 0; i < songs.size(); ++i)
        playSong(db, songs.at(i), 3000 * i);
    qint64 released = -1;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (state == 2 && released < 0)
            released = clock.elapsed();
        if ((state == 2 && landed(db, songs) == songs.size()) || clock.elapsed() > kLockMs + 20000)
            loop.quit();
    });
    poll.start(20);
    last = clock.nsecsElapsed();
    loop.exec();
    meter.stop();
    holder.join();
    std::printf("lock held %d s, 3 songs of writes: longest event-loop stall %.1f ms; "
                "%lld of 3 songs fully written, %lld ms after the lock went\n",
                kLockMs / 1000, worst / 1e6, static_cast<long long>(landed(db, songs)),
                static_cast<long long>(clock.elapsed() - released));
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
    benchCheck();
    benchLockedWrites(db);
    db->close();
    return 0;
}
