// The transport bar's share of playback: one positionChanged on a 1280 px
// bar, 3,000 ticks of 40 ms of media time, in both time modes. Measured once
// for the slots alone, and once with the layout and repaint they cause
// flushed. Runs on a real playback core with a paused 180 s file, on a private
// temporary home; shows a window, so scripts/bench.sh runs it under Xvfb.

#include "App.h"
#include "ControlBar.h"
#include "PlayerCore.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <cstdio>
#include <vector>

namespace {

constexpr int kTicks = 3000;

bool makeAudio(const QString& path)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg", {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=440",
                       "-t", "180", "-c:a", "libvorbis", path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", p.readAll().constData());
        return false;
    }
    return true;
}

void print(const char* what, std::vector<double> us, double goalMedian, double goalP99)
{
    std::sort(us.begin(), us.end());
    const double median = us[us.size() / 2];
    const double p99 = us[us.size() * 99 / 100];
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / us.size();
    std::printf("%-36s median %7.1f us   mean %7.1f us   p99 %7.1f us   worst %7.1f us   (goals %.0f / %.0f us)\n",
                what, median, mean, p99, us.back(), goalMedian, goalP99);
}

// One pass of ticks; with flush, each tick's posted layout and paint work
// is done before the clock stops.
std::vector<double> ticks(PlayerCore& core, bool flush)
{
    std::vector<double> us;
    us.reserve(kTicks);
    QElapsedTimer clock;
    for (int i = 0; i < kTicks; ++i) {
        const double pos = 5.0 + i * 0.04;
        clock.start();
        emit core.positionChanged(pos);
        if (flush)
            QCoreApplication::sendPostedEvents();
        us.push_back(clock.nsecsElapsed() / 1e3);
    }
    QCoreApplication::processEvents();
    return us;
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
    Theme::apply(app);

    const QString file = home.path() + "/tone.ogg";
    if (!makeAudio(file))
        return 1;
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
    core.openFiles({file});
    if (!loaded.wait(20000))
        return 1;
    core.setPaused(true);
    for (int i = 0; i < 200 && !(core.isPaused() && core.duration() > 179); ++i)
        QTest::qWait(50);

    for (const bool remaining : {false, true}) {
        App::settings()->setValue(QStringLiteral("ui/remainingTime"), remaining);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addStretch();
        layout->addWidget(new ControlBar(&core, &window));
        window.resize(1280, 120);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        QTest::qWait(200);
        const char* mode = remaining ? "remaining" : "duration";
        std::printf("%s mode, %d ticks:\n", mode, kTicks);
        print("  slots alone", ticks(core, false), 20, 20);
        print("  with layout and repaint flushed", ticks(core, true), 500, 2000);
        const QString shown = window.findChildren<QLabel*>(QStringLiteral("TimeLabel")).value(0)->text();
        if (shown != App::formatTime(5.0 + (kTicks - 1) * 0.04)) {
            std::printf("the bar did not follow the ticks (shows %s)\n", qPrintable(shown));
            return 1;
        }
    }
    return 0;
}
