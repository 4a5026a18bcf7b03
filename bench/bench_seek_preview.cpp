// Seek preview through the real window: a pointer move over the seek bar of
// a playing 60 s 1920x1080 H.264 file (keyframe every 250 frames, software
// decoding, ORVEL_THUMB_GL=1) to the preview frame painted in the popup;
// 20 moves at spread times, median and worst, after one first preview that
// starts the thumbnail engine. Also a move that asks no new frame (within
// 0.8 s of the last one): the time to handle it. Needs a display:
// scripts/bench.sh runs it under Xvfb. Runs on a private temporary home.

#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "PreviewPopup.h"
#include "SeekBar.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kMoves = 20;

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

// Stops the clock when the popup's picture is painted with a new frame.
class FramePainted : public QObject
{
public:
    explicit FramePainted(QLabel* image) : m_image(image) { image->installEventFilter(this); }

    // Milliseconds from the move to the new frame on screen; -1 after 20 s without one.
    double measure(const std::function<void()>& move)
    {
        m_last = m_image->pixmap().cacheKey();
        m_done = false;
        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        m_clock.start();
        move();
        if (!m_done)
            loop.exec();
        m_loop = nullptr;
        return m_done ? m_ms : -1;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_loop && !m_done && !m_image->pixmap().isNull()
            && m_image->pixmap().cacheKey() != m_last) {
            m_done = true;
            m_ms = m_clock.nsecsElapsed() / 1e6;
            // The label paints now, inside this event: stop after it.
            QTimer::singleShot(0, m_loop, &QEventLoop::quit);
        }
        return false;
    }

private:
    QLabel* m_image;
    qint64 m_last = 0;
    bool m_done = false;
    double m_ms = 0;
    QEventLoop* m_loop = nullptr;
    QElapsedTimer m_clock;
};

void print(const char* what, std::vector<double> ms, const char* goals)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    std::printf("%-44s median %8.2f ms   worst %8.2f ms   (%s)\n", what, median, ms.back(), goals);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(home.path()));
    qputenv("ORVEL_THUMB_GL", "1");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    App::set("general/checkUpdates", false);
    App::set("video/hwdec", false);
    Theme::apply(app);
    Database::instance()->open();

    const QString video = home.path() + "/bench-1080p.mp4";
    if (!makeVideo(video))
        return 1;
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    MainWindow window(&core);
    window.resize(1280, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
    window.playFiles({video}, 0);
    if (!loaded.wait(20000))
        return 1;
    core.setPaused(true);
    QTest::qWait(500);

    SeekBar* seek = window.findChild<ControlBar*>()->seekBar;
    auto* popup = window.findChild<PreviewPopup*>();
    FramePainted painted(popup->findChildren<QLabel*>().value(0));
    // The pointer enters the bar once; then each move is one event delivered
    // as the window system's would be, application event filters included.
    QTest::mouseMove(window.windowHandle(), seek->mapTo(&window, QPoint(2, 11)));
    const auto moveToX = [&](int x) {
        const QPointF local(x, 11);
        QMouseEvent move(QEvent::MouseMove, local, seek->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(seek, &move);
    };
    const auto moveTo = [&](double secs) { moveToX(seek->xAt(secs)); };

    const double first = painted.measure([&] { moveTo(30); });
    if (first < 0) {
        std::printf("first preview failed\n");
        return 1;
    }
    std::printf("first preview (engine start, file open): %.1f ms\n", first);
    std::vector<double> frames;
    for (int i = 0; i < kMoves; ++i) {
        const double at = std::fmod(1.5 + i * 23.0, 60.0);
        const double ms = painted.measure([&] { moveTo(at); });
        if (ms < 0) {
            std::printf("preview at %.1f s failed\n", at);
            return 1;
        }
        frames.push_back(ms);
    }
    print("move to frame shown, 20 spread times", frames, "goals: median < 50, worst < 150");

    if (painted.measure([&] { moveTo(30); }) < 0)
        return 1;
    std::vector<double> still;
    QElapsedTimer clock;
    std::vector<double> repainted;
    for (int i = 0; i < kMoves; ++i) {
        clock.start();
        moveToX(seek->xAt(30) + 1 + (i % 2));
        still.push_back(clock.nsecsElapsed() / 1e6);
        QCoreApplication::sendPostedEvents();
        repainted.push_back(clock.nsecsElapsed() / 1e6);
    }
    print("move asking no new frame: handled", still, "goal: < 1");
    print("  with the window and popup repainted", repainted, "no goal");
    core.stop();
    return 0;
}
