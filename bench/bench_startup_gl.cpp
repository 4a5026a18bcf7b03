// Start-up time to the first picture: from the spawn of a fresh process to
// the first frameSwapped of the video widget, which the first show of the
// window brings about. Three cases, 10 processes each, interleaved:
//   bare   a QMainWindow holding a QOpenGLWidget (the same OpenGL defaults
//          as the program), nothing else;
//   empty  the program's own start-up order with the real classes, on an
//          empty library;
//   rows   the same on a library of 50,000 media rows and 2,000 history rows.
// Each child prints its figures and exits; the parent gives median, worst
// and the resident memory at the first frame. Needs a display with OpenGL:
// scripts/bench.sh runs it under Xvfb. Every child runs on a private
// temporary home (Qt's test-mode folders), never the user's; all share one
// Mesa shader cache, as on a machine where the program has run before.
//
// Child modes (the executable re-runs itself): --child CASE, --fill ROWS.

#include "App.h"
#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "Log.h"
#include "MainWindow.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "SingleInstance.h"
#include "Theme.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QMainWindow>
#include <QOpenGLWidget>
#include <QProcess>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 10;
constexpr int kMediaRows = 50000;
constexpr int kVideoRows = 5000;   // of the media rows
constexpr int kHistoryRows = 2000;

// ---------------------------------------------------------------- clocks

qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Milliseconds since the parent spawned this process (it passes its clock
// reading in ORVEL_BENCH_T0).
double sinceSpawnMs()
{
    static const qint64 t0 = qgetenv("ORVEL_BENCH_T0").toLongLong();
    return (monotonicNs() - t0) / 1e6;
}

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// ---------------------------------------------------------------- child

// Milestones of one start: time since spawn and resident memory after each.
struct Step {
    QByteArray name;
    double ms = 0;
    long rssKb = 0;
};
std::vector<Step> g_steps;

void mark(const char* name)
{
    g_steps.push_back({name, sinceSpawnMs(), rssKb()});
}

// At the widget's first swap: prints one "name ms rss" line per step, the
// last one "frame", and quits.
void firstFrameShown()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    mark("frame");
    for (const Step& s : g_steps)
        std::printf("%s %.2f %ld\n", s.name.constData(), s.ms, s.rssKb);
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void reportFirstFrame(QOpenGLWidget* widget)
{
    QObject::connect(widget, &QOpenGLWidget::frameSwapped, widget, &firstFrameShown);
    QTimer::singleShot(0, qApp, [] { mark("loop"); });
}

// A window that composes no OpenGL widget shows its first frame when the
// window system first exposes it.
struct ExposeWatch : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            firstFrameShown();
        return false;
    }
};

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvel"));
}

int runBare(int argc, char** argv)
{
    App::setupOpenGl();
    QApplication app(argc, argv);
    mark("QApplication");
    QMainWindow window;
    auto* gl = new QOpenGLWidget;
    window.setCentralWidget(gl);
    window.resize(1100, 700);
    reportFirstFrame(gl);
    window.show();
    mark("show");
    return QApplication::exec();
}

// The video widget may sit on a page that is not the current one: bring
// every page that holds it to the front, as playing a file does.
void bringToFront(QWidget* widget)
{
    for (QWidget* w = widget; w && w->parentWidget(); w = w->parentWidget())
        if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget()))
            stack->setCurrentWidget(w);
}

// The start-up order of the program's entry, step by step, without the
// command-line and test-mode branches.
int runMainOrder(int argc, char** argv)
{
    App::setupOpenGl();
    QApplication app(argc, argv);
    setIdentity();
    std::setlocale(LC_NUMERIC, "C");
    mark("QApplication");
    SingleInstance::Start instance =
        SingleInstance::handOverOrListen({}, &app, [](const QStringList&) {}, [] {});
    if (instance.handedOver)
        return 3;
    mark("hand-over or listen");
    Log::open(App::subDir(QStringLiteral("logs")));
    qInfo().noquote() << "Orvel 1.0.1 iniciando, Qt" << qVersion();
    Lang::englishFlag() =
        App::get(QStringLiteral("ui/language"), QStringLiteral("pt")).toString() == QLatin1String("en");
    mark("log+settings");
    Theme::apply(app);
    mark("Theme::apply");
    QApplication::setWindowIcon(Icons::appIcon());
    Covers::setIconSource(&Icons::pixmap);
    mark("icons");
    if (!Database::instance()->open())
        std::fprintf(stderr, "database did not open\n");
    mark("Database::open");
    auto core = std::make_unique<PlayerCore>();
    QString error;
    if (!core->init(&error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return 1;
    }
    mark("PlayerCore::init");
    auto window = std::make_unique<MainWindow>(core.get());
    mark("MainWindow");
    auto* video = window->findChild<MpvWidget*>();
    if (!video) {
        std::fprintf(stderr, "no video widget in the window\n");
        return 1;
    }
    bringToFront(video);
    ExposeWatch exposed;
    if (auto* gl = video->findChild<QOpenGLWidget*>()) {
        reportFirstFrame(gl);
    } else {
        QTimer::singleShot(0, qApp, [] { mark("loop"); });
        window->winId();
        window->windowHandle()->installEventFilter(&exposed);
    }
    window->show();
    mark("show");
    const int code = QApplication::exec();
    instance.server.reset();
    window.reset();
    core.reset();
    return code;
}

// Fills the library of this process's data folder (the schema only when
// rows is 0): media rows in one batch upsert, history rows in one transaction.
int fillLibrary(int argc, char** argv, int rows)
{
    QCoreApplication app(argc, argv);
    setIdentity();
    Database* db = Database::instance();
    if (!db->open())
        return 1;
    QList<MediaItem> items;
    for (int i = 0; i < rows; ++i) {
        const bool video = i >= rows - kVideoRows;
        MediaItem m;
        m.folder = QStringLiteral("/srv/bench/%1/Artist %2/Album %3")
                       .arg(video ? "Videos" : "Music").arg(i / 200).arg(i / 12);
        m.path = m.folder + QStringLiteral("/%1 - Track %2.%3").arg(i % 12 + 1).arg(i).arg(video ? "mkv" : "flac");
        m.kind = video ? QStringLiteral("video") : QStringLiteral("audio");
        m.title = QStringLiteral("Track %1").arg(i);
        m.artist = QStringLiteral("Artist %1").arg(i / 200);
        m.album = QStringLiteral("Album %1").arg(i / 12);
        m.album_artist = m.artist;
        m.genre = QStringLiteral("Genre %1").arg(i % 17);
        m.year = 1960 + i % 60;
        m.track = i % 12 + 1;
        m.duration = 180 + i % 120;
        m.size = 30000000 + i;
        m.added_at = 1600000000 + i;
        items << m;
    }
    db->upsertMedia(items);
    Database::transaction();
    for (int i = 0; rows > 0 && i < kHistoryRows; ++i) {
        const MediaItem& m = items.at((i * 25) % rows);
        HistoryItem h{m.path, m.kind, m.title, 42.0, m.duration, 1700000000 + i, i % 5 == 0};
        db->saveHistory(h);
    }
    Database::commit();
    db->close();
    return 0;
}

int runChild(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    const QByteArray mode = argv[1];
    const QByteArray what = argv[2];
    if (mode == "--fill")
        return fillLibrary(argc, argv, what.toInt());
    if (what == "bare")
        return runBare(argc, argv);
    return runMainOrder(argc, argv);
}

// ---------------------------------------------------------------- parent

struct Case {
    const char* name;
    const char* label;
    QString home;   // the private home of its processes
};

// One child's steps, in the order it reached them.
using Sample = std::vector<Step>;

QProcessEnvironment childEnvironment(const QString& home, int serial)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // One Mesa shader cache for every run, warmed by the first round.
    env.insert(QStringLiteral("MESA_SHADER_CACHE_DIR"), QFileInfo(home).absolutePath() + QStringLiteral("/mesa-cache"));
    for (const char* sub : {"home", "data", "config", "cache", "runtime"})
        QDir().mkpath(home + QLatin1Char('/') + QLatin1String(sub));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), home + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    // A user name of its own: no single-instance hand-over between runs.
    env.insert(QStringLiteral("USER"), QStringLiteral("orvelbench-%1-%2").arg(QCoreApplication::applicationPid()).arg(serial));
    env.remove(QStringLiteral("USERNAME"));
    // No sound card; the picture goes through the render API as usual.
    env.insert(QStringLiteral("ORVEL_OPT"), QStringLiteral("ao=null"));
    env.insert(QStringLiteral("ORVEL_HWDEC"), QStringLiteral("no"));
    return env;
}

// Runs one child and reads its steps; false when it failed.
bool runOne(const QStringList& args, const QString& home, Sample* out)
{
    static int serial = 0;
    QProcess p;
    QProcessEnvironment env = childEnvironment(home, ++serial);
    env.insert(QStringLiteral("ORVEL_BENCH_T0"), QString::number(monotonicNs()));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        std::fprintf(stderr, "child %s failed: %s\n", qPrintable(args.join(' ')),
                     p.readAllStandardError().constData());
        return false;
    }
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const int b = line.lastIndexOf(' ');
        const int a = line.lastIndexOf(' ', b - 1);
        if (a > 0 && out)
            out->push_back({line.left(a), line.mid(a + 1, b - a - 1).toDouble(), line.mid(b + 1).toLong()});
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The values of one step across runs: its time, or its memory in MiB.
std::vector<double> column(const std::vector<Sample>& runs, const QByteArray& step, bool memory)
{
    std::vector<double> v;
    for (const Sample& run : runs)
        for (const Step& s : run)
            if (s.name == step)
                v.push_back(memory ? s.rssKb / 1024.0 : s.ms);
    return v;
}

struct Figures {
    double frame = 0, worst = 0, main = 0, loop = 0, rss = 0, rssWorst = 0;
};

Figures summarize(const std::vector<Sample>& runs)
{
    const std::vector<double> frame = column(runs, "frame", false);
    const std::vector<double> rss = column(runs, "frame", true);
    return {median(frame), *std::max_element(frame.begin(), frame.end()), median(column(runs, "main", false)),
            median(column(runs, "loop", false)), median(rss), *std::max_element(rss.begin(), rss.end())};
}

// Median time and memory at each step of one case, with the growth since
// the step before: where the time to the first frame goes.
void printSteps(const char* label, const std::vector<Sample>& runs)
{
    std::printf("\n%s: step medians (ms since spawn, ms of the step, RSS MiB, RSS growth)\n", label);
    double ms = 0, mb = 0;
    for (const Step& step : runs.front()) {
        const double t = median(column(runs, step.name, false));
        const double m = median(column(runs, step.name, true));
        std::printf("  %-22s %8.1f %+8.1f %8.1f %+7.1f\n", step.name.constData(), t, t - ms, m, m - mb);
        ms = t;
        mb = m;
    }
}

void printGoal(const char* what, double value, double limit)
{
    std::printf("  %-40s %7.1f <= %7.1f  %s\n", what, value, limit, value <= limit ? "met" : "NOT MET");
}

void printTable(const std::vector<Case>& cases, const std::vector<std::vector<Sample>>& samples)
{
    std::printf("\n%-44s %8s %8s %9s %9s %9s %9s\n", "case (spawn to first frameSwapped, ms)", "median",
                "worst", "->main", "->loop", "RSS MiB", "RSS max");
    std::vector<Figures> f;
    for (size_t i = 0; i < cases.size(); ++i) {
        f.push_back(summarize(samples[i]));
        std::printf("%-44s %8.1f %8.1f %9.1f %9.1f %9.1f %9.1f\n", cases[i].label, f[i].frame, f[i].worst,
                    f[i].main, f[i].loop, f[i].rss, f[i].rssWorst);
    }
    std::printf("(->main, ->loop: medians of spawn to main() and to the first event-loop turn)\n");
    std::printf("anchor: bare window, main() to first loop turn %.1f ms (170-210 ms expected)\n",
                f[0].loop - f[0].main);
    std::printf("goals:\n");
    printGoal("empty <= bare + 150 ms", f[1].frame, f[0].frame + 150);
    printGoal("50,000 rows <= empty + 50 ms", f[2].frame, f[1].frame + 50);
    printGoal("RSS empty <= bare + 40 MB", f[1].rss, f[0].rss + 40);
    printGoal("RSS 50,000 rows <= bare + 40 MB", f[2].rss, f[0].rss + 40);
    for (size_t i = 0; i < cases.size(); ++i)
        printSteps(cases[i].label, samples[i]);
}

int runParent(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/orvel-bench-XXXXXX"));
    if (!tmp.isValid() || qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs a temporary folder and an X display (run it through scripts/bench.sh)\n");
        return 1;
    }
    std::vector<Case> cases = {
        {"bare", "bare QMainWindow + QOpenGLWidget", tmp.path() + QStringLiteral("/bare")},
        {"main", "start-up order, empty library", tmp.path() + QStringLiteral("/empty")},
        {"main", "start-up order, 50,000 media + 2,000 history", tmp.path() + QStringLiteral("/rows")},
    };
    if (!runOne({"--fill", "0"}, cases[1].home, nullptr)
        || !runOne({"--fill", QString::number(kMediaRows)}, cases[2].home, nullptr))
        return 1;
    std::printf("library filled: %d media rows (%d videos), %d history rows\n", kMediaRows, kVideoRows, kHistoryRows);
    std::vector<std::vector<Sample>> samples(cases.size());
    for (int run = -1; run < kRuns; ++run) {   // run -1 warms the caches and is not counted
        for (size_t i = 0; i < cases.size(); ++i) {
            Sample s;
            if (!runOne({"--child", cases[i].name}, cases[i].home, &s))
                return 1;
            if (run >= 0)
                samples[i].push_back(s);
        }
    }
    printTable(cases, samples);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    mark("main");
    if (argc >= 3 && (std::strcmp(argv[1], "--child") == 0 || std::strcmp(argv[1], "--fill") == 0))
        return runChild(argc, argv);
    return runParent(argc, argv);
}
