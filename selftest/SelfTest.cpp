#include "SelfTest.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "MainWindow.h"
#include "MpvWidget.h"
#include "MpvHandle.h"
#include "PlayerCore.h"
#include "SelfTestReport.h"
#include "TestRun.h"
#include "Thumbnailer.h"
#include "WindowCapture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

struct Step {
    int delay;
    std::function<void()> action;
};

QString fixed2(double value)
{
    return QString::number(value, 'f', 2);
}

QString shortest(double value)
{
    return QString::number(value, 'g', -1);
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// Files as the library knows them: a relative argument would be a second
// entry for the same file beside the one the scan of its folder finds.
QStringList absolutePaths(const QStringList& files)
{
    QStringList paths;
    for (const QString& file : files) {
        const bool keep = file.isEmpty() || App::isUrl(file);
        paths << (keep ? file : QDir::cleanPath(QFileInfo(file).absoluteFilePath()));
    }
    return paths;
}

// Everything the steps share: the window, the core, the files and the report.
struct Run {
    MainWindow* window;
    PlayerCore* core;
    QString outDir;
    QString first;
    QString second;
    SelfTestReport* report;
    bool previewWithPicture = false;

    QString mpvString(const char* name) const { return core->handle().getString(name); }

    void state(const QString& label) const
    {
        const QString line = QStringLiteral("[") + label + QStringLiteral("] path=")
            + SelfTestReport::oneLine(core->path()) + QStringLiteral(" title=")
            + SelfTestReport::oneLine(core->title()) + QStringLiteral(" pos=") + fixed2(core->position())
            + QStringLiteral(" dur=") + fixed2(core->duration()) + QStringLiteral(" paused=")
            + flag(core->isPaused()) + QStringLiteral(" speed=") + shortest(core->speed())
            + QStringLiteral(" video=") + flag(core->hasVideo()) + QStringLiteral(" hwdec=")
            + mpvString("hwdec-current") + QStringLiteral(" vo=") + mpvString("current-vo")
            + QStringLiteral(" tracks=") + QString::number(core->tracks().size())
            + QStringLiteral(" chapters=") + QString::number(core->chapters().size())
            + QStringLiteral(" sid=") + mpvString("sid") + QStringLiteral(" queue=")
            + QString::number(core->playlistPos()) + QLatin1Char('/') + QString::number(core->queue().size());
        report->line(line);
    }

    void frames() const
    {
        const MpvHandle mpv = core->handle();
        report->line(QStringLiteral("quadros: perdidos=") + QString::number(mpv.getInt("frame-drop-count", 0))
                     + QStringLiteral(" decoder-perdidos=")
                     + QString::number(mpv.getInt("decoder-frame-drop-count", 0))
                     + QStringLiteral(" atrasados=") + QString::number(mpv.getInt("vo-delayed-frame-count", 0))
                     + QStringLiteral(" fps=") + fixed2(mpv.getDouble("estimated-vf-fps", 0))
                     + QStringLiteral(" display-fps=") + fixed2(mpv.getDouble("display-fps", 0)));
    }

    QImage capture(const QString& name) const
    {
        QString error;
        const QImage image = WindowCapture::save(window, outDir, name, &error);
        if (!report->check(name, !image.isNull(), QStringLiteral("a saved capture"), error))
            return image;
        report->check(name, !WindowCapture::isBlank(image), QStringLiteral("a capture with content"),
                      QStringLiteral("a blank capture"));
        return image;
    }

    void capturePicture(const QString& name) const
    {
        const QImage image = capture(name);
        if (image.isNull())
            return;
        // The saved capture is the window's own; whether the user sees the
        // picture is read from the screen.
        const QImage shown = WindowCapture::fromScreen(window);
        if (shown.isNull())
            report->check(name, WindowCapture::showsPicture(image), QStringLiteral("the video picture"),
                          QStringLiteral("no picture in the middle of the window"));
        else
            report->check(name, WindowCapture::showsPicture(shown), QStringLiteral("the video picture on the screen"),
                          QStringLiteral("no picture in the middle of the window on the screen"));
    }

    void capturePage(const QString& name, const QString& page) const
    {
        report->check(name, window->currentPageId() == page, QStringLiteral("page ") + page,
                      QStringLiteral("page ") + window->currentPageId());
        capture(name);
    }

    // Mouse input on the picture, as the window system would bring it: to
    // the video's native window where it has one.
    void mouseOnVideo(QEvent::Type type, Qt::MouseButton button, ulong time) const
    {
        auto* video = window->findChild<MpvWidget*>();
        if (!video || !video->isVisible())
            return;
        QObject* target = video->nativeWindow() ? static_cast<QObject*>(video->nativeWindow()) : video;
        const QPointF at(video->width() / 2.0, video->height() / 2.0);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, at, video->mapToGlobal(at), button, held, Qt::NoModifier);
        event.setTimestamp(time);
        QCoreApplication::sendEvent(target, &event);
    }

    void doubleClickVideo() const
    {
        const ulong t = ulong(QDateTime::currentMSecsSinceEpoch());
        const bool native = window->findChild<MpvWidget*>() && window->findChild<MpvWidget*>()->nativeWindow();
        mouseOnVideo(QEvent::MouseButtonPress, Qt::LeftButton, t);
        mouseOnVideo(QEvent::MouseButtonRelease, Qt::LeftButton, t + 10);
        // A native window is told presses only and finds the double itself.
        mouseOnVideo(native ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick, Qt::LeftButton, t + 20);
        mouseOnVideo(QEvent::MouseButtonRelease, Qt::LeftButton, t + 30);
    }

    // The transport bar, brought back over the full-screen video by a
    // pointer move, as the screen shows it.
    void checkOverlay() const
    {
        auto* bar = window->findChild<ControlBar*>();
        if (WindowCapture::fromScreen(window).isNull())
            return;
        report->check(QStringLiteral("barra-sobre-video"), bar && WindowCapture::screenShows(bar),
                      QStringLiteral("the transport bar over the video on the screen"),
                      QStringLiteral("no transport bar there"));
    }

    void checkDoubleClick(const QString& label, bool fullscreen) const
    {
        report->check(label, window->isFullScreen() == fullscreen,
                      fullscreen ? QStringLiteral("full screen") : QStringLiteral("a normal window"),
                      window->isFullScreen() ? QStringLiteral("full screen") : QStringLiteral("a normal window"));
    }

    void trigger(const QString& id) const
    {
        if (QAction* action = Actions::instance()->actions.value(id))
            action->activate(QAction::Trigger);
    }

    bool needSecond(const QString& label) const
    {
        if (!second.isEmpty())
            return true;
        report->skip(label, QStringLiteral("sem segundo arquivo"));
        return false;
    }

    void checkPath(const QString& label, const QString& expected) const
    {
        report->check(label, core->path() == expected, QStringLiteral("path ") + expected,
                      QStringLiteral("path ") + core->path());
    }

    void checkVideo4s() const
    {
        const QString label = QStringLiteral("video-4s");
        checkPath(label, first);
        const bool playing = !core->isIdle() && !core->isPaused();
        report->check(label, playing, QStringLiteral("playing"),
                      core->isIdle() ? QStringLiteral("idle") : QStringLiteral("paused"));
        report->check(label, core->duration() > 0, QStringLiteral("duration > 0"),
                      QStringLiteral("duration ") + fixed2(core->duration()));
        report->check(label, core->hasVideo(), QStringLiteral("video 1"), QStringLiteral("video 0"));
    }

    void checkFullscreen() const
    {
        report->check(QStringLiteral("tela-cheia"), window->isFullScreen(), QStringLiteral("full screen"),
                      QStringLiteral("a normal window"));
    }

    // Read from the engine itself: the core's copies follow a moment later,
    // and a loaded machine may write the line before they do.
    void checkAb() const
    {
        const double a = core->handle().getDouble("ab-loop-a", -1);
        const double b = core->handle().getDouble("ab-loop-b", -1);
        report->check(QStringLiteral("ab"), a >= 0 && b >= 0 && b > a, QStringLiteral("0 <= a < b"),
                      QStringLiteral("a=") + shortest(a) + QStringLiteral(" b=") + shortest(b));
    }

    void checkMusic() const
    {
        const QString label = QStringLiteral("musica");
        if (!needSecond(label))
            return;
        checkPath(label, second);
        report->check(label, core->queue().size() == 2 && core->playlistPos() == 0, QStringLiteral("queue 0/2"),
                      QStringLiteral("queue ") + QString::number(core->playlistPos()) + QLatin1Char('/')
                          + QString::number(core->queue().size()));
        report->check(label, !core->hasVideo(), QStringLiteral("video 0"), QStringLiteral("video 1"));
    }

    void checkMini() const
    {
        report->check(QStringLiteral("mini"), window->isMiniPlayer(), QStringLiteral("the mini player"),
                      QStringLiteral("the full window"));
    }

    void checkFinal() const
    {
        const QString label = QStringLiteral("final");
        if (needSecond(label)) {
            checkPath(label, first);
            report->check(label, core->playlistPos() == 1, QStringLiteral("queue position 1"),
                          QStringLiteral("queue position ") + QString::number(core->playlistPos()));
        }
        report->check(label, !window->isFullScreen() && !window->isMiniPlayer(), QStringLiteral("a normal window"),
                      window->isFullScreen() ? QStringLiteral("full screen") : QStringLiteral("the mini player"));
    }

    void checkPreview() const
    {
        const QString label = QStringLiteral("previa");
        if (qEnvironmentVariableIsSet("ORVEL_NO_THUMBS"))
            report->skip(label, QStringLiteral("prévias desligadas por ORVEL_NO_THUMBS"));
        else
            report->check(label, previewWithPicture, QStringLiteral("a preview with a picture"),
                          QStringLiteral("none, or no picture in the middle of it"));
    }

    void end() const
    {
        checkPreview();
        report->line(QStringLiteral("resultado: ") + QString::number(report->checks())
                     + QStringLiteral(" verificações, ") + QString::number(report->failures())
                     + QStringLiteral(" falhas"));
        report->line(QStringLiteral("fim"));
        TestRun::finish();
        QCoreApplication::exit(report->failures() == 0 && report->isOpen() ? 0 : 1);
    }

    void onPreview(double seconds, const QImage& image)
    {
        if (!image.isNull() && image.save(outDir + QStringLiteral("/02-previa-barra.png")))
            previewWithPicture = previewWithPicture || WindowCapture::showsPicture(image);
        report->line(QStringLiteral("previa pronta pos=") + shortest(seconds) + QStringLiteral(" tamanho=")
                     + QString::number(image.width()) + QLatin1Char('x') + QString::number(image.height()));
    }
};

QList<Step> steps(const std::shared_ptr<Run>& r)
{
    Host* host = r->window;
    return {
        {500, [r, host] { host->playFiles({r->first}, 0); }},
        {4000, [r] {
             r->state(QStringLiteral("video-4s"));
             r->checkVideo4s();
             r->capturePicture(QStringLiteral("01-video"));
             Thumbnailer::instance()->requestPreview(r->first, 15.0);
         }},
        {5000, [r] { r->core->setSpeed(2.0); }},
        {7000, [r] {
             r->state(QStringLiteral("velocidade-2x"));
             // The engine's own value: the core's copy may not have caught up
             // when a busy machine runs both steps at once.
             const double speed = r->core->handle().getDouble("speed", r->core->speed());
             r->report->check(QStringLiteral("velocidade-2x"), speed == 2.0, QStringLiteral("speed 2"),
                              QStringLiteral("speed ") + shortest(speed));
             r->frames();
         }},
        {7200, [r] { r->trigger(QStringLiteral("fullscreen")); }},
        {8600, [r] { r->mouseOnVideo(QEvent::MouseMove, Qt::NoButton, 0); }},
        {9000, [r] {
             r->capturePicture(QStringLiteral("03-tela-cheia"));
             r->state(QStringLiteral("tela-cheia"));
             r->checkFullscreen();
             r->checkOverlay();
             r->trigger(QStringLiteral("exit_fullscreen"));
         }},
        {9300, [r] { r->doubleClickVideo(); }},
        {9700, [r] {
             r->checkDoubleClick(QStringLiteral("duplo-clique"), true);
             r->doubleClickVideo();
         }},
        {9800, [r] {
             r->core->setSpeed(1.0);
             r->core->cycleAbLoop();
         }},
        {10600, [r] {
             r->core->cycleAbLoop();
             r->checkDoubleClick(QStringLiteral("duplo-clique-volta"), false);
         }},
        {11000, [r] {
             r->report->line(QStringLiteral("ab a=") + shortest(r->core->abLoopA()) + QStringLiteral(" b=")
                             + shortest(r->core->abLoopB()));
             r->checkAb();
             r->core->clearAbLoop();
         }},
        {11500, [r, host] { host->playFiles({r->second, r->first}, 0); }},
        {14500, [r, host] {
             host->goToPage(QStringLiteral("player"));
             r->state(QStringLiteral("musica"));
             r->checkMusic();
         }},
        {15500, [r] { r->capturePage(QStringLiteral("04-tocando-agora"), QStringLiteral("player")); }},
        {16000, [host] { host->goToPage(QStringLiteral("music")); }},
        {17500, [r] { r->capturePage(QStringLiteral("05-musica"), QStringLiteral("music")); }},
        {18000, [host] { host->goToPage(QStringLiteral("videos")); }},
        {22000, [r] { r->capturePage(QStringLiteral("06-videos"), QStringLiteral("videos")); }},
        {22500, [host] { host->goToPage(QStringLiteral("recents")); }},
        {24000, [r] { r->capturePage(QStringLiteral("07-recentes"), QStringLiteral("recents")); }},
        {24500, [host] { host->goToPage(QStringLiteral("home")); }},
        {26000, [r] { r->capturePage(QStringLiteral("08-inicio"), QStringLiteral("home")); }},
        {26500, [host] { host->goToPage(QStringLiteral("radios")); }},
        {32000, [r] { r->capturePage(QStringLiteral("09-radios"), QStringLiteral("radios")); }},
        {32500, [host] { host->goToPage(QStringLiteral("playlists")); }},
        {33500, [r] { r->capturePage(QStringLiteral("10-playlists"), QStringLiteral("playlists")); }},
        {34000, [host] { host->goToPage(QStringLiteral("settings")); }},
        {35000, [r] { r->capturePage(QStringLiteral("11-configuracoes"), QStringLiteral("settings")); }},
        {35500, [r] { r->core->next(); }},
        {37500, [r] { r->trigger(QStringLiteral("mini")); }},
        {39500, [r] {
             r->capture(QStringLiteral("12-mini"));
             r->state(QStringLiteral("mini"));
             r->checkMini();
             r->trigger(QStringLiteral("mini"));
         }},
        {40500, [host] { host->goToPage(QStringLiteral("player")); }},
        {41500, [r] {
             r->capturePicture(QStringLiteral("13-video-normal"));
             r->state(QStringLiteral("final"));
             r->checkFinal();
         }},
        {42500, [r] { r->end(); }},
    };
}

}  // namespace

void runSelfTest(MainWindow* window, PlayerCore* core, const QString& outDir, const QStringList& files)
{
    TestRun::begin();
    QDir().mkpath(outDir);
    auto run = std::make_shared<Run>();
    run->window = window;
    run->core = core;
    run->outDir = outDir;
    run->report = new SelfTestReport(outDir + QStringLiteral("/relatorio.txt"), window);
    const QStringList paths = absolutePaths(files);
    run->first = paths.value(0);
    run->second = paths.value(1);
    QObject::connect(Thumbnailer::instance(), &Thumbnailer::previewReady, window,
                     [run](double seconds, const QImage& image) { run->onPreview(seconds, image); });
    for (const Step& step : steps(run))
        QTimer::singleShot(step.delay, Qt::PreciseTimer, window, step.action);
}
