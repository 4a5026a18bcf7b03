// Figures of the Videos and Music pages on a large library: 50,000 songs,
// 5,000 videos and 2,000 history rows in a private data folder. Each step is
// timed from its trigger to the end of the first paint that shows it.
// Runs on the offscreen platform without thumbnails.

#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "MpvApi.h"
#include "MusicPage.h"
#include "RecordingHost.h"
#include "Theme.h"
#include "VideosPage.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include <malloc.h>

namespace {

constexpr int kSongs = 50000;
constexpr int kVideos = 5000;
constexpr int kHistory = 2000;

// Notes when a widget has been painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Wall-clock and CPU milliseconds of each run of a step. The CPU time of
// the GUI thread shows the work itself when other processes load the machine.
struct Runs
{
    QList<double> wall;
    QList<double> cpu;
    void clear() { wall.clear(), cpu.clear(); }
};

// Lets the event loop run the work that waits for idle time (the song
// table's warm-up), as it would between two actions of a user.
void settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Runs the step on a settled event loop, then the loop until the widget
// has painted again.
void timeToPaint(Runs& runs, QWidget* widget, const std::function<void()>& step)
{
    settle();
    PaintWatch watch;
    widget->installEventFilter(&watch);
    QElapsedTimer t;
    t.start();
    const double cpu = threadCpuMs();
    step();
    for (int spins = 0; !watch.painted && spins < 1000; ++spins)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    runs.wall << t.nsecsElapsed() / 1e6;
    runs.cpu << threadCpuMs() - cpu;
    widget->removeEventFilter(&watch);
}

// Runs a step that leaves nothing to paint on a settled event loop.
void timeStep(Runs& runs, const std::function<void()>& step)
{
    settle();
    QElapsedTimer t;
    t.start();
    const double cpu = threadCpuMs();
    step();
    runs.wall << t.nsecsElapsed() / 1e6;
    runs.cpu << threadCpuMs() - cpu;
}

void report(const char* step, Runs runs, double goal)
{
    std::sort(runs.wall.begin(), runs.wall.end());
    std::sort(runs.cpu.begin(), runs.cpu.end());
    std::printf("%-48s median %6.1f ms, worst %6.1f ms (CPU %5.1f / %5.1f), %lld runs; ", step,
                runs.wall.at(runs.wall.size() / 2), runs.wall.last(), runs.cpu.at(runs.cpu.size() / 2),
                runs.cpu.last(), qlonglong(runs.wall.size()));
    if (goal > 0)
        std::printf("goal <= %.0f ms\n", goal);
    else
        std::printf("no goal\n");
}

double rssMiB()
{
    malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void fillLibrary()
{
    QList<MediaItem> items;
    for (int i = 0; i < kSongs + kVideos; ++i) {
        const bool video = i >= kSongs;
        MediaItem m;
        m.kind = video ? QStringLiteral("video") : QStringLiteral("audio");
        m.folder = video ? QStringLiteral("/home/user/Videos/Show %1").arg(i % 300)
                         : QStringLiteral("/home/user/Music/Artist %1/Album %2").arg(i / 25).arg(i / 10);
        m.path = m.folder + QStringLiteral("/%1 Track number %2.%3").arg(i % 10 + 1).arg(i).arg(video ? "mkv" : "flac");
        m.title = QStringLiteral("Song title %1 – %2").arg(i * 7919 % 100000).arg(i % 3 ? "live" : "Édit");
        m.artist = QStringLiteral("Artist %1").arg(i / 25);
        m.album = QStringLiteral("Album %1").arg(i / 10);
        m.genre = QStringLiteral("Genre %1").arg(i % 40);
        m.year = 1960 + i % 60;
        m.track = i % 10 + 1;
        m.duration = video ? (i % 3 ? 0 : 1200 + i) : 120 + i % 300;
        m.size = 30'000'000LL + i * 1000LL;
        m.added_at = 1'600'000'000 + i / 500;
        items << m;
    }
    Database* db = Database::instance();
    db->blockSignals(true);
    db->upsertMedia(items);
    Database::transaction();
    for (int i = 0; i < kHistory; ++i) {
        HistoryItem h;
        h.path = items.at(kSongs + i).path;
        h.kind = QStringLiteral("video");
        h.position = 100;
        h.duration = 1000;
        h.last_played = 1'700'000'000 + i;
        db->saveHistory(h);
    }
    Database::commit();
    db->blockSignals(false);
}

void benchMusic(QStackedWidget& stack, MusicPage* music)
{
    auto* table = music->findChild<QTableView*>();
    auto* search = music->findChild<QLineEdit*>();
    auto* tabs = music->findChild<QTabBar*>();
    QWidget* viewport = table->viewport();
    const double before = rssMiB();
    Runs shown;
    timeToPaint(shown, viewport, [&] { stack.setCurrentWidget(music); });
    // Most of this is the kernel handing the model's new memory over page by page.
    report("Music first shown, library read and table made", shown, 600);
    const double filled = rssMiB();

    // Every title changes between two refreshes, so each one rewrites the table.
    Runs runs;
    for (int i = 0; i < 5; ++i) {
        QSqlQuery().exec(QStringLiteral("UPDATE media SET title = title || '.' WHERE kind = 'audio'"));
        timeToPaint(runs, viewport, [] { emit Database::instance()->libraryChanged(); });
    }
    report("Music refresh while shown, to first paint", runs, 600);

    runs.clear();
    for (int round = 0; round < 3; ++round) {
        for (QChar c : QStringLiteral("title 12"))
            timeToPaint(runs, viewport, [&] { search->insert(QString(c)); });
        while (!search->text().isEmpty())
            timeToPaint(runs, viewport, [&] { search->backspace(); });
    }
    report("song search keystroke, typing and erasing", runs, 50);

    // One notch of a mouse wheel over the song table, downwards.
    runs.clear();
    for (int i = 0; i < 20; ++i)
        timeToPaint(runs, viewport, [&] {
            const QPointF at = QRectF(viewport->rect()).center();
            QWheelEvent notch(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(viewport, &notch);
        });
    report("wheel notch over the song table", runs, 50);

    // The first sort by a text column collates its texts; later ones reuse that.
    Runs first;
    for (int column : {1, 3, 4})
        timeToPaint(first, viewport, [&] { table->sortByColumn(column, Qt::AscendingOrder); });
    report("first sort by a name column", first, 100);
    runs.clear();
    for (int round = 0; round < 2; ++round)
        for (int column = 0; column < 7; ++column)
            timeToPaint(runs, viewport, [&] {
                table->sortByColumn(column, round ? Qt::DescendingOrder : Qt::AscendingOrder);
            });
    report("column re-sort", runs, 100);
    std::printf("memory the Music page adds: %.0f MiB filled and shown; sort keys and search text "
                "%.0f MiB more\n", filled - before, rssMiB() - filled);

    runs.clear();
    for (int round = 0; round < 3; ++round) {
        for (int tab = 1; tab <= 4; ++tab)
            timeToPaint(runs, music, [&] { tabs->setCurrentIndex(tab); });
        tabs->setCurrentIndex(0);
        QCoreApplication::processEvents();
    }
    report("tab switch Songs > Albums > ... > Folders", runs, 100);
}

void benchVideos(QStackedWidget& stack, VideosPage* videos)
{
    QWidget* grid = videos->findChild<QStackedWidget*>()->widget(0);
    QWidget* viewport = static_cast<QAbstractScrollArea*>(grid)->viewport();
    Runs shown;
    timeToPaint(shown, viewport, [&] { stack.setCurrentWidget(videos); });
    report("Videos first shown", shown, 0);

    // As after a scan that found one more video.
    Runs runs;
    for (int i = 0; i < 5; ++i) {
        MediaItem m;
        m.kind = QStringLiteral("video");
        m.folder = QStringLiteral("/home/user/Videos/New");
        m.path = m.folder + QStringLiteral("/New video %1.mkv").arg(i);
        m.title = QStringLiteral("New video %1").arg(i);
        m.size = 1'000'000'000;
        m.added_at = 1'700'000'000 + i;
        Database* db = Database::instance();
        db->blockSignals(true);
        db->upsertMedia({m});
        db->blockSignals(false);
        timeToPaint(runs, viewport, [] { emit Database::instance()->libraryChanged(); });
    }
    report("Videos refresh, 5,000 videos, one of them new", runs, 100);
    runs.clear();
    for (int i = 0; i < 5; ++i) {
        QSqlQuery().exec(QStringLiteral("UPDATE media SET title = title || '.' WHERE kind = 'video'"));
        timeToPaint(runs, viewport, [] { emit Database::instance()->libraryChanged(); });
    }
    report("Videos refresh, every title changed", runs, 100);
    // A scan that changed no video reads them and leaves the cards as they are.
    runs.clear();
    for (int i = 0; i < 5; ++i)
        timeStep(runs, [] { emit Database::instance()->libraryChanged(); });
    report("Videos refresh, no video changed", runs, 100);

    runs.clear();
    auto* search = videos->findChild<QLineEdit*>();
    for (int round = 0; round < 3; ++round) {
        for (QChar c : QStringLiteral("show 1"))
            timeToPaint(runs, viewport, [&] { search->insert(QString(c)); });
        while (!search->text().isEmpty())
            timeToPaint(runs, viewport, [&] { search->backspace(); });
    }
    for (QComboBox* box : videos->findChildren<QComboBox*>())
        if (box->findData(QStringLiteral("size")) >= 0)
            for (int round = 0; round < 2; ++round)
                for (int i = 0; i < box->count(); ++i)
                    timeToPaint(runs, viewport, [&] { box->setCurrentIndex((i + 1) % box->count()); });
    report("Videos fill on a keystroke or sort change", runs, 50);
    Runs paint;
    for (int i = 0; i < 5; ++i)
        timeToPaint(paint, viewport, [&] { viewport->update(); });
    report("  of which the grid's repaint alone", paint, 50);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir tmp;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(tmp.path() + "/home"));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ORVEL_NO_THUMBS", "1");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);
    if (!Database::instance()->open()) {
        std::printf("the database did not open\n");
        return 1;
    }
    QElapsedTimer t;
    t.start();
    fillLibrary();
    std::printf("library of %d songs, %d videos and %d history rows written in %.0f ms\n", kSongs, kVideos,
                kHistory, t.nsecsElapsed() / 1e6);

    // In the program, libmpv (which the thumbnailer asks for when a video
    // card is first painted) and the image plugins are loaded at start-up,
    // before either page is shown; loading them here keeps those one-time
    // costs out of the pages' figures.
    loadMpv();
    QImageReader::supportedImageFormats();

    RecordingHost host;
    QStackedWidget stack;
    stack.resize(1600, 1000);
    auto* blank = new QWidget;
    stack.addWidget(blank);
    // Built hidden, as the window builds them: neither reads the library yet.
    t.restart();
    auto* videos = new VideosPage(&host);
    const double videosMs = t.nsecsElapsed() / 1e6;
    t.restart();
    auto* music = new MusicPage(&host);
    std::printf("pages built while hidden: Videos %.1f ms, Music %.1f ms\n", videosMs, t.nsecsElapsed() / 1e6);
    stack.addWidget(videos);
    stack.addWidget(music);
    stack.show();
    QCoreApplication::processEvents();

    benchMusic(stack, music);
    benchVideos(stack, videos);
    return 0;
}
