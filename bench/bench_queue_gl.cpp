// The queue panel on a display: a real playback core (no picture or sound
// output) holding 10,000 entries, each a distinct path with a media row
// (title and artist). Figures: one refresh with the list's layout and paint
// flushed, at the top and scrolled half-way (the scroll position is kept);
// the database look-ups that name the rows afterwards; how many rebuilds one change of track makes,
// shown and hidden. Then, on a queue of 20,000 links to a closed port: what
// opening them costs, the longest stall of the event loop while libmpv
// walks them with the panel open, and what removing one row costs. Runs on a private temporary home,
// never the user's.

#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "MediaGen.h"
#include "MediaItem.h"
#include "PlayerCore.h"
#include "QueuePanel.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <time.h>

namespace {

constexpr int kEntries = 10000;
constexpr int kRounds = 5;
constexpr int kWait = 30000;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// CPU time of this thread: what the work costs on a machine that others share.
double cpuMs(const std::function<void()>& work)
{
    timespec a, b;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    return (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
}

void flush()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// One real file and 10,000 links to it, each with its own media row.
QStringList makeEntries(const QString& dir)
{
    const QString song = dir + "/song.flac";
    if (!MediaGen::audio(song, 120)) {
        std::fprintf(stderr, "%s\n", qPrintable(MediaGen::lastError()));
        return {};
    }
    QStringList paths;
    QList<MediaItem> rows;
    for (int i = 0; i < kEntries; ++i) {
        paths << QStringLiteral("%1/track-%2.flac").arg(dir).arg(i, 5, 10, QLatin1Char('0'));
        if (!QFile::link(song, paths.last()))
            return {};
        MediaItem m;
        m.path = paths.last();
        m.kind = "audio";
        m.title = QStringLiteral("Song number %1").arg(i);
        m.artist = QStringLiteral("Artist %1").arg(i % 97);
        m.folder = dir;
        rows << m;
    }
    Database::instance()->upsertMedia(rows);
    return paths;
}

void refreshFigures(QueuePanel& panel, const QStringList& paths)
{
    QListWidget* list = panel.findChild<QListWidget*>();
    QList<double> top, middle, lookups;
    for (int r = 0; r < kRounds; ++r) {
        list->verticalScrollBar()->setValue(0);
        top << timeMs([&] {
            panel.refresh();
            flush();
        });
    }
    for (int r = 0; r < kRounds; ++r) {
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
        const int before = list->verticalScrollBar()->value();
        middle << timeMs([&] {
            panel.refresh();
            flush();
        });
        if (list->verticalScrollBar()->value() != before)
            std::printf("  scroll position lost: %d -> %d\n", before, list->verticalScrollBar()->value());
    }
    for (int r = 0; r < kRounds; ++r) {
        lookups << timeMs([&] {   // in one read transaction, as the panel does
            Database::transaction();
            for (const QString& p : paths)
                Database::instance()->mediaByPath(p);
            Database::commit();
        });
    }
    QList<double> cpu;
    for (int r = 0; r < kRounds; ++r) {
        cpu << cpuMs([&] {
            panel.refresh();
            flush();
        });
    }
    std::printf("refresh of %d rows, layout and paint flushed: median %7.1f ms (goal < 300 ms)\n", kEntries,
                median(top));
    std::printf("  the same in CPU time of the GUI thread:     median %7.1f ms\n", median(cpu));
    std::printf("  scrolled half-way, position kept:           median %7.1f ms\n", median(middle));
    std::printf("  %d mediaByPath look-ups, made later a slice per turn: median %7.1f ms\n", kEntries,
                median(lookups));
}

// Rebuilds of the list (model resets) for one next().
int rebuildsForNext(PlayerCore& core, QueuePanel& panel)
{
    QListWidget* list = panel.findChild<QListWidget*>();
    QSignalSpy resets(list->model(), &QAbstractItemModel::modelReset);
    const int target = core.playlistPos() + 1;
    core.next();
    if (!QTest::qWaitFor([&] { return core.playlistPos() == target; }, kWait))
        std::printf("  (the track did not change)\n");
    QTest::qWait(1500);   // let every queue signal of this change arrive
    return int(resets.size());
}

// The longest gap between two turns of the event loop while it runs.
class StallMeter
{
public:
    StallMeter()
    {
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_clock.nsecsElapsed() / 1e6);
            m_clock.restart();
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_tick.start(0);
    }
    double stop()
    {
        m_tick.stop();
        return qMax(m_longest, m_clock.nsecsElapsed() / 1e6);
    }

private:
    QTimer m_tick;
    QElapsedTimer m_clock;
    double m_longest = 0;
};

void failingWalkFigures(PlayerCore& core, QueuePanel& panel)
{
    constexpr int kLinks = 20000;
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    QStringList links;
    for (int i = 0; i < kLinks; ++i)
        links << QStringLiteral("http://127.0.0.1:%1/gone.ts?n=%2").arg(port).arg(i);
    QListWidget* list = panel.findChild<QListWidget*>();
    int ended = 0;
    auto counting = QObject::connect(&core, &PlayerCore::fileEnded, [&] { ++ended; });
    StallMeter meter;
    QElapsedTimer walk;
    walk.start();
    const double open = timeMs([&] { core.openFiles(links); });
    meter.start();
    const bool done = QTest::qWaitFor([&] { return ended >= kLinks && core.isIdle(); }, 20 * kWait);
    const double stall = meter.stop();
    QObject::disconnect(counting);
    std::printf("open %d links: %.1f ms, libmpv's commands that queue them\n", kLinks, open);
    std::printf("walk over them failing, panel open: %s in %.1f s, longest stall %.1f ms (goal < 50 ms)\n",
                done ? "done" : "NOT done", walk.nsecsElapsed() / 1e9, stall);
    if (!QTest::qWaitFor([&] { return list->count() == kLinks; }, kWait))
        std::printf("  (the panel did not show every link)\n");
    QList<double> stalls;
    for (int r = 0; r < kRounds; ++r) {
        const int before = list->count();
        meter.start();
        core.removeIndex(before / 2);
        if (!QTest::qWaitFor([&] { return list->count() == before - 1; }, kWait))
            std::printf("  (the row did not go)\n");
        stalls << meter.stop();
    }
    std::printf("remove one row of %d, panel open: longest stall median %.1f ms (goal < 20 ms)\n", kLinks,
                median(stalls));
    core.clearQueue();
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir tmp;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(tmp.path() + "/home"));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);
    if (!Database::instance()->open())
        return 1;
    const QStringList paths = makeEntries(tmp.path());
    if (paths.isEmpty())
        return 1;

    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
    core.openFiles(paths);
    if (!loaded.wait(kWait))
        return 1;
    core.setPaused(true);
    if (!QTest::qWaitFor([&] { return core.queue().size() == kEntries; }, kWait))
        return 1;

    QueuePanel panel(&core);
    panel.resize(340, 1000);
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        return 1;
    flush();
    refreshFigures(panel, paths);
    std::printf("rebuilds for one next(), panel shown:  %d (goal 1)\n", rebuildsForNext(core, panel));
    panel.hide();
    std::printf("rebuilds for one next(), panel hidden: %d", rebuildsForNext(core, panel));
    QListWidget* list = panel.findChild<QListWidget*>();
    QSignalSpy resets(list->model(), &QAbstractItemModel::modelReset);
    panel.show();
    flush();
    std::printf(", then %d when shown\n", int(resets.size()));
    core.stop();
    failingWalkFigures(core, panel);
    return 0;
}
