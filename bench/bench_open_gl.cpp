// Opening a large collection: 10,000 audio files in 100 folders (hard links
// of one generated file) and a 10,000-entry M3U of them. Measures the folder
// walk with its natural sort, the playlist read, and playFiles of every path
// to the first fileLoaded, against libmpv given the same M3U and folder.
// Also the longest stall of the event loop while a 16 MiB playlist and a
// song with a 10 MiB title are opened.
// Shows a MainWindow, so it needs a display (scripts/bench.sh runs it under Xvfb).
#include "App.h"
#include "Database.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvApi.h"
#include "PlayerCore.h"
#include "PlaylistsPage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace {

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;
constexpr int kRuns = 5;

void print(const char* what, QVector<double> ms, double goal)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-48s median %8.2f ms   worst %8.2f ms", what, ms[ms.size() / 2], ms.last());
    if (goal > 0)
        std::printf("   (goal <= %.0f ms)", goal);
    std::printf("\n");
}

bool makeTree(const QString& root, const QString& source, QString* m3u)
{
    QByteArray list = "#EXTM3U\n";
    for (int d = 0; d < kFolders; ++d) {
        const QString folder = QStringLiteral("%1/tree/Album %2").arg(root).arg(d + 1);
        QDir().mkpath(folder);
        for (int f = 0; f < kPerFolder; ++f) {
            const QString path = QStringLiteral("%1/Track %2.ogg").arg(folder).arg(f + 1);
            if (::link(QFile::encodeName(source).constData(), QFile::encodeName(path).constData()) != 0)
                return false;
            list += path.toUtf8() + '\n';
        }
    }
    *m3u = root + QStringLiteral("/all.m3u");
    QFile out(*m3u);
    return out.open(QIODevice::WriteOnly) && out.write(list) == list.size();
}

template <typename F>
QVector<double> timed(F run)
{
    QVector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < kRuns; ++i) {
        t.start();
        run();
        ms << t.nsecsElapsed() / 1e6;
    }
    return ms;
}

// Waits on the event loop until done() holds, at most 20 s.
template <typename Pred>
bool spin(Pred done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

void benchWindow(const QString& tree, const QString& m3u)
{
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::printf("init failed: %s\n", qPrintable(error));
        return;
    }
    MainWindow window(&core);
    window.show();
    QList<QString> files;
    print("collectMedia of the tree", timed([&] { files = window.collectMedia({tree}); }), 150);
    std::printf("  %lld files collected\n", static_cast<long long>(files.size()));
    QList<QString> entries;
    print("importM3U", timed([&] {
              QString name;
              entries.clear();
              PlaylistsPage::importM3U(m3u, &name, &entries);
          }),
          30);
    std::printf("  %lld entries read\n", static_cast<long long>(entries.size()));
    bool loaded = false;
    QObject::connect(&core, &PlayerCore::fileLoaded, [&] { loaded = true; });
    QVector<double> returned, first;
    QElapsedTimer t;
    for (int i = 0; i < kRuns; ++i) {
        loaded = false;
        t.start();
        window.playFiles(files, 0);
        returned << t.nsecsElapsed() / 1e6;
        spin([&] { return loaded; });
        first << t.nsecsElapsed() / 1e6;
    }
    print("playFiles(10,000) returns", returned, 0);
    print("playFiles(10,000) -> first fileLoaded", first, 500);
}

void waitLoaded(mpv_handle* h)
{
    for (;;) {
        mpv_event* e = mpv()->wait_event(h, 20);
        if (e->event_id == MPV_EVENT_NONE || e->event_id == MPV_EVENT_FILE_LOADED)
            return;
    }
}

void benchRaw(const QString& tree, const QString& m3u)
{
    mpv_handle* h = mpv()->create();
    const char* const options[][2] = {{"config", "no"}, {"vo", "null"}, {"ao", "null"},
                                      {"hwdec", "no"},  {"idle", "yes"}, {"keep-open", "yes"}};
    for (const auto& o : options)
        mpv()->set_option_string(h, o[0], o[1]);
    mpv()->initialize(h);
    for (const QString& target : {m3u, tree}) {
        const QByteArray path = QFile::encodeName(target);
        const QVector<double> ms = timed([&] {
            const char* load[] = {"loadfile", path.constData(), "replace", nullptr};
            mpv()->command(h, load);
            waitLoaded(h);
        });
        print(target == m3u ? "libmpv loadfile M3U -> FILE_LOADED"
                            : "libmpv loadfile folder -> FILE_LOADED",
              ms, 0);
    }
    mpv()->terminate_destroy(h);
}

// Peak resident memory of the process so far, in MiB (VmHWM).
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// A 16 MiB playlist of one-character relative names (8.4 million lines),
// opened as the command line does; a zero-interval timer measures the
// longest gap of the event loop over the open and the 5 s after it.
void benchHugePlaylist(const QString& dir)
{
    const QString path = dir + QStringLiteral("/huge.m3u");
    QFile out(path);
    const QByteArray lines = QByteArray("a\n").repeated(8 * 1024 * 1024);
    if (!out.open(QIODevice::WriteOnly) || out.write(lines) != lines.size()) {
        std::printf("could not write %s\n", qPrintable(path));
        return;
    }
    out.close();
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::printf("init failed: %s\n", qPrintable(error));
        return;
    }
    MainWindow window(&core);
    window.show();
    QElapsedTimer settle;
    settle.start();
    spin([&] { return settle.elapsed() > 500; });
    QFile clear(QStringLiteral("/proc/self/clear_refs"));   // "5" resets VmHWM
    const bool reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    const double before = peakMiB();
    QElapsedTimer gap, total;
    qint64 worst = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst = std::max(worst, gap.restart());
    });
    gap.start();
    tick.start(0);
    QTimer::singleShot(0, &window, [&] { window.openFromCommandLine({path}, false); });
    total.start();
    spin([&] { return total.elapsed() > 5000; });
    std::printf("8.4M-line playlist from the command line: longest stall %lld ms (goal <= 1000), "
                "peak %.0f MiB (goal < 300; %.0f MiB before the open%s), queue %lld\n",
                static_cast<long long>(worst), peakMiB(), before,
                reset ? ", peak reset there" : ", peak not reset", static_cast<long long>(core.queue().size()));
}

// Title and artist of the given length each; 10 MiB as a hostile download
// may carry them.
bool writeTags(const QString& path, int length)
{
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    file.ID3v2Tag(true)->setTitle(std::wstring(size_t(length), L'T'));
    file.ID3v2Tag()->setArtist(std::wstring(size_t(length), L'A'));
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3);
}

// Such a song, not yet in the library, opened from the command line while
// the player page shows; a zero-interval timer measures the longest gap of
// the event loop from the open to 3 s after the file loaded.
void benchTitle(const QString& dir, int length, const char* what)
{
    const QString path = dir + QStringLiteral("/title-%1.mp3").arg(length);
    if (!MediaGen::audio(path, 5.0) || !writeTags(path, length)) {
        std::printf("could not make %s\n", qPrintable(path));
        return;
    }
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::printf("init failed: %s\n", qPrintable(error));
        return;
    }
    MainWindow window(&core);
    window.show();
    window.goToPage(QStringLiteral("player"));
    QElapsedTimer settle;
    settle.start();
    spin([&] { return settle.elapsed() > 500; });
    bool loaded = false;
    QObject::connect(&core, &PlayerCore::fileLoaded, [&] { loaded = true; });
    QElapsedTimer gap, after;
    qint64 worst = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { worst = std::max(worst, gap.restart()); });
    gap.start();
    tick.start(0);
    QTimer::singleShot(0, &window, [&] { window.openFromCommandLine({path}, false); });
    spin([&] { return loaded; });
    after.start();
    spin([&] { return after.elapsed() > 3000; });
    std::printf("song with a %s title and artist from the command line: longest stall %lld ms "
                "(goal < 50), %s, title of %lld characters\n",
                what, static_cast<long long>(worst), loaded ? "loaded" : "NOT loaded",
                static_cast<long long>(core.title().size()));
}

// openFiles of 20,000 entries (every file of the tree twice) until the
// queue mirror holds them all, against the same appends on a bare libmpv.
void benchOpenFiles(const QString& tree)
{
    QStringList paths;
    for (int copy = 0; copy < 2; ++copy)
        for (int d = 0; d < kFolders; ++d)
            for (int f = 0; f < kPerFolder; ++f)
                paths << QStringLiteral("%1/Album %2/Track %3.ogg").arg(tree).arg(d + 1).arg(f + 1);
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::printf("init failed: %s\n", qPrintable(error));
        return;
    }
    QVector<double> returned, ours;
    QElapsedTimer t;
    for (int i = 0; i < kRuns; ++i) {
        core.stop();
        spin([&] { return core.queue().isEmpty(); });
        t.start();
        core.openFiles(paths, 0);
        returned << t.nsecsElapsed() / 1e6;
        spin([&] { return core.queue().size() == paths.size(); });
        ours << t.nsecsElapsed() / 1e6;
    }
    mpv_handle* h = mpv()->create();
    const char* const options[][2] = {{"config", "no"}, {"vo", "null"}, {"ao", "null"}, {"idle", "yes"}};
    for (const auto& o : options)
        mpv()->set_option_string(h, o[0], o[1]);
    mpv()->initialize(h);
    const QVector<double> bare = timed([&] {
        const char* stop[] = {"stop", nullptr};
        mpv()->command(h, stop);
        for (const QString& p : paths) {
            const QByteArray path = QFile::encodeName(p);
            const char* append[] = {"loadfile", path.constData(), "append", nullptr};
            mpv()->command(h, append);
        }
        mpv()->set_property_string(h, "playlist-pos", "0");
    });
    mpv()->terminate_destroy(h);
    print("openFiles(20,000) returns", returned, 0);
    print("openFiles(20,000) -> queue mirrored", ours, 0);
    print("libmpv: stop, 20,000 appends, playlist-pos", bare, 0);
    const auto mid = [](QVector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("  medians against libmpv: returns %.2fx, mirrored %.2fx (goal <= 2x)\n",
                mid(returned) / mid(bare), mid(ours) / mid(bare));
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(home.path()));
    if (qgetenv("ORVEL_OPT").isEmpty())
        qputenv("ORVEL_OPT", "vo=null;ao=null");
    if (qgetenv("ORVEL_HWDEC").isEmpty())
        qputenv("ORVEL_HWDEC", "no");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    App::set(QStringLiteral("general/checkUpdates"), false);
    Database::instance()->open();

    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/source.ogg");
    if (!MediaGen::audio(source, 5.0)) {
        std::printf("could not make the media: %s\n", qPrintable(MediaGen::lastError()));
        return 1;
    }
    QString m3u;
    if (!makeTree(dir.path(), source, &m3u)) {
        std::printf("could not make the tree\n");
        return 1;
    }
    if (!loadMpv()) {
        std::printf("libmpv: %s\n", qPrintable(mpv()->error));
        return 1;
    }
    const QString tree = dir.path() + QStringLiteral("/tree");
    std::printf("%d runs, %d files in %d folders, one 5 s Vorbis file hard-linked, vo=null ao=null\n",
                kRuns, kFolders * kPerFolder, kFolders);
    benchWindow(tree, m3u);
    benchRaw(tree, m3u);
    benchOpenFiles(tree);
    benchHugePlaylist(dir.path());
    benchTitle(dir.path(), 20, "20-character");
    benchTitle(dir.path(), 10 << 20, "10 MiB");
    return 0;
}
