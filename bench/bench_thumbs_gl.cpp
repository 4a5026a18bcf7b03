// Seek-preview latency (requestPreview to previewReady) of the thumbnailer in
// both of its modes, on a 60-second 1920x1080 H.264 file with a keyframe every
// 250 frames, software decoding: 20 previews at spread positions, median and
// worst, after one first preview that starts the engine and opens the file.
// Also the cost of one library thumbnail in image mode (request to ready,
// JPEG saved). Needs a display for the OpenGL mode: scripts/bench.sh runs it
// under Xvfb. Runs on a private temporary home, never the user's.

#include "App.h"
#include "Thumbnailer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kPreviews = 20;
constexpr int kThumbs = 10;

bool makeVideo(const QString& path)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg", {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i",
                       "testsrc2=size=1920x1080:rate=25", "-t", "60", "-c:v", "libx264",
                       "-preset", "ultrafast", "-g", "250", "-keyint_min", "250",
                       "-pix_fmt", "yuv420p", path});
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", p.readAll().constData());
        return false;
    }
    return true;
}

struct Stats {
    double median = 0;
    double worst = 0;
};

Stats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return {n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2, ms.back()};
}

// Runs `ask` and waits for `signal`; the elapsed milliseconds, or -1 when no
// answer came within 20 s or the picture was null.
template <typename Signal, typename Ask>
double timed(Thumbnailer* t, Signal signal, Ask ask)
{
    QEventLoop loop;
    bool ok = false;
    auto c = QObject::connect(t, signal, &loop, [&](auto, const QImage& img, auto...) {
        ok = !img.isNull();
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    ask();
    if (!ok)
        loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(c);
    return ok ? ms : -1;
}

bool previews(const char* mode, const QString& video)
{
    auto t = std::make_unique<Thumbnailer>();
    std::vector<double> ms;
    for (int i = 0; i <= kPreviews; ++i) {
        const double at = std::fmod(1.5 + i * 23.0, 60.0);
        const double one = timed(t.get(), &Thumbnailer::previewReady,
                                 [&] { t->requestPreview(video, at); });
        if (one < 0) {
            std::printf("%s: preview at %.1f s failed\n", mode, at);
            return false;
        }
        if (i == 0)
            std::printf("%s first preview (engine start, file open): %.1f ms\n", mode, one);
        else
            ms.push_back(one);
    }
    const Stats s = stats(ms);
    std::printf("%s preview, %d at spread positions: median %.1f ms, worst %.1f ms\n", mode,
                kPreviews, s.median, s.worst);
    return true;
}

bool thumbnails(const QString& video)
{
    auto t = std::make_unique<Thumbnailer>();
    std::vector<double> ms;
    for (int i = 0; i <= kThumbs; ++i) {
        const QString key = QStringLiteral("bench_%1").arg(i);
        const double one = timed(t.get(), &Thumbnailer::ready,
                                 [&] { t->request(video, -0.15, 320, key); });
        if (one < 0) {
            std::printf("image thumbnail %d failed\n", i);
            return false;
        }
        if (i > 0)
            ms.push_back(one);
    }
    const Stats s = stats(ms);
    std::printf("image thumbnail (320 px at 15 %%, saved): median %.1f ms, worst %.1f ms\n",
                s.median, s.worst);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    App::set("video/hwdec", false);

    const QString video = home.path() + "/bench-1080p.mp4";
    if (!makeVideo(video))
        return 1;
    qunsetenv("ORVEL_THUMB_GL");
    const bool image = previews("image", video) && thumbnails(video);
    qputenv("ORVEL_THUMB_GL", "1");
    const bool gl = previews("opengl", video);
    return image && gl ? 0 : 1;
}
