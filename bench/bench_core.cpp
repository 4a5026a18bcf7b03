// Start-up and seek latency of the playback core against libmpv driven
// directly and against the stock mpv player, on a 10-second 1080p H.264/AAC
// file with no picture or sound output.
#include "MediaGen.h"
#include "MpvApi.h"
#include "PlayerCore.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 20;

double targetOf(int run)
{
    return 1.0 + (run * 3) % 8;   // 1..8 s, varied
}

void print(const char* what, QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.2f ms   worst %7.2f ms\n", what, ms[ms.size() / 2], ms.last());
}

// Waits on the event loop until done() holds, at most 10 s.
template <typename Pred>
bool spin(Pred done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

void benchCore(const QString& file)
{
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::printf("init failed: %s\n", qPrintable(error));
        return;
    }
    bool loaded = false;
    double lastPos = -1;
    QObject::connect(&core, &PlayerCore::fileLoaded, [&] { loaded = true; });
    QObject::connect(&core, &PlayerCore::positionChanged, [&](double p) { lastPos = p; });
    QVector<double> open, seek;
    QElapsedTimer t;
    for (int i = 0; i < kRuns; ++i) {
        loaded = false;
        t.start();
        core.openFiles({file});
        spin([&] { return loaded; });
        open << t.nsecsElapsed() / 1e6;
        core.setPaused(true);
        spin([&] { return core.isPaused(); });
        const double target = targetOf(i);
        lastPos = -1;
        t.start();
        core.seekAbsolute(target);
        spin([&] { return qAbs(lastPos - target) < 0.1; });
        seek << t.nsecsElapsed() / 1e6;
    }
    print("PlayerCore openFiles -> fileLoaded", open);
    print("PlayerCore seekAbsolute -> positionChanged", seek);
}

// Blocks on libmpv's events until one matches, at most 10 s without events.
template <typename Pred>
void waitFor(mpv_handle* h, Pred match)
{
    for (;;) {
        mpv_event* e = mpv()->wait_event(h, 10);
        if (e->event_id == MPV_EVENT_NONE || match(e))
            return;
    }
}

// The same two steps on a bare libmpv instance, blocking on mpv_wait_event.
void benchRaw(const QString& file)
{
    mpv_handle* h = mpv()->create();
    const char* const options[][2] = {{"config", "no"}, {"vo", "null"},        {"ao", "null"},
                                      {"hwdec", "no"},  {"idle", "yes"},       {"keep-open", "yes"}};
    for (const auto& o : options)
        mpv()->set_option_string(h, o[0], o[1]);
    mpv()->initialize(h);
    mpv()->observe_property(h, 1, "time-pos", MPV_FORMAT_DOUBLE);
    mpv()->observe_property(h, 2, "pause", MPV_FORMAT_FLAG);
    const QByteArray path = QFile::encodeName(file);
    QVector<double> open, seek;
    QElapsedTimer t;
    for (int i = 0; i < kRuns; ++i) {
        const char* load[] = {"loadfile", path.constData(), "replace", nullptr};
        t.start();
        mpv()->command(h, load);
        waitFor(h, [](mpv_event* e) { return e->event_id == MPV_EVENT_FILE_LOADED; });
        open << t.nsecsElapsed() / 1e6;
        int paused = 1;
        mpv()->set_property(h, "pause", MPV_FORMAT_FLAG, &paused);
        waitFor(h, [](mpv_event* e) {
            auto* p = static_cast<mpv_event_property*>(e->data);
            return e->event_id == MPV_EVENT_PROPERTY_CHANGE && qstrcmp(p->name, "pause") == 0;
        });
        const double target = targetOf(i);
        const QByteArray tt = QByteArray::number(target, 'f', 3);
        const char* sk[] = {"seek", tt.constData(), "absolute", nullptr};
        t.start();
        mpv()->command(h, sk);
        waitFor(h, [target](mpv_event* e) {
            auto* p = static_cast<mpv_event_property*>(e->data);
            return e->event_id == MPV_EVENT_PROPERTY_CHANGE && p->format == MPV_FORMAT_DOUBLE
                && qAbs(*static_cast<double*>(p->data) - target) < 0.1;
        });
        seek << t.nsecsElapsed() / 1e6;
    }
    mpv()->terminate_destroy(h);
    print("libmpv loadfile -> FILE_LOADED", open);
    print("libmpv seek -> time-pos", seek);
}

void benchCli(const QString& file)
{
    if (QStandardPaths::findExecutable("mpv").isEmpty()) {
        std::printf("mpv command-line player not installed: skipped\n");
        return;
    }
    QVector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < kRuns; ++i) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        t.start();
        p.start("mpv", {"--no-config", "--vo=null", "--ao=null", "--hwdec=no", "--frames=1", file});
        p.waitForFinished(30000);
        ms << t.nsecsElapsed() / 1e6;
    }
    print("mpv --frames=1 (whole process)", ms);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("ORVEL_OPT").isEmpty())
        qputenv("ORVEL_OPT", "vo=null;ao=null");
    if (qgetenv("ORVEL_HWDEC").isEmpty())
        qputenv("ORVEL_HWDEC", "no");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.path() + "/bench.mp4";
    MediaGen::Spec spec;
    spec.video = true;
    spec.seconds = 10;
    spec.width = 1920;
    spec.height = 1080;
    if (!MediaGen::make(file, spec)) {
        std::printf("could not make the media: %s\n", qPrintable(MediaGen::lastError()));
        return 1;
    }
    if (!loadMpv()) {
        std::printf("libmpv: %s\n", qPrintable(mpv()->error));
        return 1;
    }
    std::printf("%d runs, 10 s 1920x1080 H.264 + AAC, vo=null ao=null\n", kRuns);
    benchCore(file);
    benchRaw(file);
    benchCli(file);
    return 0;
}
