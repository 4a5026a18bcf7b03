// Time to the first video frame on screen, the program against the stock
// mpv player, side by side in one run: `orvel clip.mp4` and
// `mpv --ao=null clip.mp4`, software decoding, on 1080p and 720p H.264 clips
// made with ffmpeg at run time. Both are timed the same way, from outside:
// from the spawn of the process until the X screen shows the clip's magenta
// block (the whole root window is grabbed through shared memory every 4
// milliseconds and a sparse grid of its pixels is counted). 10 interleaved
// runs per player and size, after one warm-up run each that is not counted.
// Every program run gets a private home and user name, so no single-instance
// hand-over happens and its library is empty. All runs share one Mesa shader
// cache, warmed by the first runs, as on a machine where both players have
// been started before (a cold cache adds 100-200 ms of shader compiling in
// Mesa's software renderer to every run).
//
// Needs an X display: scripts/bench.sh runs it under Xvfb. The program is
// taken from ORVEL_BIN, else from the build folder beside this benchmark;
// ORVEL_BIN_B names another build of it to time in the same rounds.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <ctime>
#include <spawn.h>
#include <string>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 10;
constexpr int kGridStep = 8;           // sample every 8th pixel in both directions
constexpr int kMinSamples = 300;       // about 19,000 magenta pixels on screen
constexpr double kTimeoutMs = 20000;
// A whole-screen grab costs the X server about 0.4 ms: polling every 4 ms
// keeps it mostly free for the players being timed.
constexpr useconds_t kPollUs = 4000;

double nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// ---------------------------------------------------------------- screen

// Grabs the root window into shared memory and counts the magenta pixels of
// a sparse grid.
class ScreenGrab
{
public:
    bool open()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display || !XShmQueryExtension(m_display))
            return false;
        const int s = DefaultScreen(m_display);
        m_root = RootWindow(m_display, s);
        m_image = XShmCreateImage(m_display, DefaultVisual(m_display, s), DefaultDepth(m_display, s),
                                  ZPixmap, nullptr, &m_shm, DisplayWidth(m_display, s),
                                  DisplayHeight(m_display, s));
        if (!m_image || m_image->bits_per_pixel != 32)
            return false;
        m_shm.shmid = shmget(IPC_PRIVATE, size_t(m_image->bytes_per_line) * m_image->height, IPC_CREAT | 0600);
        m_shm.shmaddr = m_image->data = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
        m_shm.readOnly = False;
        shmctl(m_shm.shmid, IPC_RMID, nullptr);   // freed once both sides detach
        return m_shm.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(m_display, &m_shm);
    }

    ~ScreenGrab()
    {
        if (m_image) {
            XShmDetach(m_display, &m_shm);
            shmdt(m_shm.shmaddr);
            m_image->data = nullptr;
            XDestroyImage(m_image);
        }
        if (m_display)
            XCloseDisplay(m_display);
    }

    int magentaSamples()
    {
        if (!XShmGetImage(m_display, m_root, m_image, 0, 0, AllPlanes))
            return -1;
        int n = 0;
        for (int y = kGridStep / 2; y < m_image->height; y += kGridStep) {
            const auto* row = reinterpret_cast<const quint32*>(m_image->data + size_t(y) * m_image->bytes_per_line);
            for (int x = kGridStep / 2; x < m_image->width; x += kGridStep)
                n += isMagenta(row[x]);
        }
        return n;
    }

private:
    bool isMagenta(quint32 px) const
    {
        const int r = int((px & m_image->red_mask) >> 16);
        const int g = int((px & m_image->green_mask) >> 8);
        const int b = int(px & m_image->blue_mask);
        return r > 190 && g < 90 && b > 190;
    }

    Display* m_display = nullptr;
    Window m_root = 0;
    XImage* m_image = nullptr;
    XShmSegmentInfo m_shm{};
};

// ---------------------------------------------------------------- players

struct Player {
    const char* name;
    std::vector<std::string> argv;   // the clip is appended
    bool orvel;
};

// The environment of one run: a private home and user name, and for the
// program no sound card and software decoding (the picture goes through
// the render API as usual).
std::vector<std::string> environmentFor(const QString& home, const QString& shaderCache, bool orvel, int serial)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        static const char* const replaced[] = {"HOME=", "XDG_", "USER=", "USERNAME=", "TMPDIR=", "ORVEL_",
                                               "MESA_SHADER_CACHE"};
        if (std::none_of(std::begin(replaced), std::end(replaced), [&](const char* p) { return v.rfind(p, 0) == 0; }))
            env.push_back(v);
    }
    for (const char* sub : {"home", "data", "config", "cache", "runtime", "tmp"})
        QDir().mkpath(home + QLatin1Char('/') + QLatin1String(sub));
    QFile::setPermissions(home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const std::string h = QFile::encodeName(home).toStdString();
    env.push_back("HOME=" + h + "/home");
    env.push_back("XDG_DATA_HOME=" + h + "/data");
    env.push_back("XDG_CONFIG_HOME=" + h + "/config");
    env.push_back("XDG_CACHE_HOME=" + h + "/cache");
    env.push_back("XDG_RUNTIME_DIR=" + h + "/runtime");
    // The program's socket of a stopped run stays behind: keep it in here.
    env.push_back("TMPDIR=" + h + "/tmp");
    env.push_back("USER=orvelframe-" + std::to_string(getpid()) + "-" + std::to_string(serial));
    env.push_back("MESA_SHADER_CACHE_DIR=" + QFile::encodeName(shaderCache).toStdString());
    if (orvel) {
        env.push_back("ORVEL_OPT=ao=null");
        env.push_back("ORVEL_HWDEC=no");
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    for (std::string& t : texts)
        out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

pid_t spawn(std::vector<std::string> argv, std::vector<std::string> env)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> a = pointers(argv);
    std::vector<char*> e = pointers(env);
    pid_t pid = -1;
    if (posix_spawnp(&pid, a[0], &actions, nullptr, a.data(), e.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

long rssKb(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Waits until no magenta is left from the run before, at most 5 s.
void waitForCleanScreen(ScreenGrab& screen)
{
    const double until = nowMs() + 5000;
    while (screen.magentaSamples() > 0 && nowMs() < until)
        usleep(10000);
}

struct Sample {
    double ms = -1;
    double rssMb = 0;
};

Sample runOnce(ScreenGrab& screen, const Player& player, const QString& clip, const QString& home)
{
    static int serial = 0;
    ++serial;
    waitForCleanScreen(screen);
    std::vector<std::string> argv = player.argv;
    argv.push_back(QFile::encodeName(clip).toStdString());
    std::vector<std::string> env =
        environmentFor(home + "/" + QString::number(serial), home + "/mesa-cache", player.orvel, serial);
    Sample s;
    const double t0 = nowMs();
    const pid_t pid = spawn(argv, env);
    if (pid < 0)
        return s;
    while (nowMs() - t0 < kTimeoutMs) {
        if (screen.magentaSamples() >= kMinSamples) {
            s.ms = nowMs() - t0;
            s.rssMb = rssKb(pid) / 1024.0;
            break;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return s;   // ended without a picture
        usleep(kPollUs);
    }
    stop(pid);
    return s;
}

// ---------------------------------------------------------------- figures

bool makeClip(const QString& path, const QString& size)
{
    // A moving test pattern with a large magenta block in the middle.
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg", {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i",
                       "testsrc2=size=" + size + ":rate=25,drawbox=x=iw/4:y=ih/4:w=iw/2:h=ih/2:color=0xFF00FF@1:t=fill",
                       "-t", "10", "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", path});
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", p.readAll().constData());
        return false;
    }
    return true;
}

struct Figures {
    double median = 0, worst = 0, best = 0, rss = 0;
    int failed = 0;
};

Figures summarize(const std::vector<Sample>& samples)
{
    std::vector<double> ms, rss;
    Figures f;
    for (const Sample& s : samples) {
        if (s.ms < 0) {
            ++f.failed;
            continue;
        }
        ms.push_back(s.ms);
        rss.push_back(s.rssMb);
    }
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    std::sort(rss.begin(), rss.end());
    const size_t n = ms.size();
    f.median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    f.worst = ms.back();
    f.best = ms.front();
    f.rss = rss[rss.size() / 2];
    return f;
}

// Runs every player on one clip, rotating which goes first.
std::vector<Figures> compare(ScreenGrab& screen, const std::vector<Player>& players, const QString& clip,
                             const QString& home)
{
    std::vector<std::vector<Sample>> samples(players.size());
    for (int run = -1; run < kRuns; ++run) {   // run -1 warms the caches and is not counted
        for (size_t k = 0; k < players.size(); ++k) {
            const size_t i = (k + size_t(run + 1)) % players.size();
            const Sample s = runOnce(screen, players[i], clip, home);
            if (run >= 0)
                samples[i].push_back(s);
        }
    }
    std::vector<Figures> out;
    for (const auto& s : samples)
        out.push_back(summarize(s));
    return out;
}

void printRow(const char* size, const char* name, const Figures& f)
{
    std::printf("%-6s %-22s %8.0f %8.0f %8.0f %9.1f %s\n", size, name, f.median, f.worst, f.best, f.rss,
                f.failed ? qPrintable(QStringLiteral("(%1 runs showed no picture)").arg(f.failed)) : "");
}

QString programPath()
{
    const QString env = qEnvironmentVariable("ORVEL_BIN");
    if (!env.isEmpty())
        return env;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../orvel");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ScreenGrab screen;
    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/orvel-frame-XXXXXX"));
    const QString orvel = QFileInfo(programPath()).absoluteFilePath();
    if (!screen.open() || !tmp.isValid() || !QFileInfo(orvel).isExecutable()) {
        std::fprintf(stderr, "needs an X display with MIT-SHM (scripts/bench.sh) and the program at %s\n",
                     qPrintable(orvel));
        return 1;
    }
    std::vector<Player> players = {{"orvel", {QFile::encodeName(orvel).toStdString()}, true}};
    if (!QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty())
        players.push_back({"mpv --ao=null", {"mpv", "--ao=null", "--hwdec=no"}, false});
    else
        std::printf("mpv is not installed (scripts/install-deps.sh): the program runs alone\n");
    // Another build of the program, timed in the same rounds (before/after a change).
    const QByteArray other = qgetenv("ORVEL_BIN_B");
    if (!other.isEmpty())
        players.push_back({"orvel (ORVEL_BIN_B)", {other.toStdString()}, true});
    std::printf("process start to first video frame on screen, ms; %d interleaved runs each\n", kRuns);
    std::printf("%-6s %-22s %8s %8s %8s %9s\n", "clip", "player", "median", "worst", "best", "RSS MiB");
    const char* const sizes[][2] = {{"1080p", "1920x1080"}, {"720p", "1280x720"}};
    for (const auto& size : sizes) {
        const QString clip = tmp.path() + QStringLiteral("/clip-%1.mp4").arg(size[0]);
        if (!makeClip(clip, size[1]))
            return 1;
        const std::vector<Figures> f = compare(screen, players, clip, tmp.path() + "/runs");
        for (size_t i = 0; i < players.size(); ++i)
            printRow(size[0], players[i].name, f[i]);
        if (players.size() >= 2 && !players[1].orvel)
            std::printf("%-6s goal: program median within mpv's + 150 ms: %.0f <= %.0f  %s\n", size[0],
                        f[0].median, f[1].median + 150, f[0].median <= f[1].median + 150 ? "met" : "NOT MET");
    }
    return 0;
}
