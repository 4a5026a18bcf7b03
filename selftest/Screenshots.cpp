#include "Screenshots.h"

#include "MainWindow.h"
#include "PlayerCore.h"
#include "TestRun.h"
#include "WindowCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

struct Step {
    int delay;
    std::function<void()> action;
};

void problem(const QString& text)
{
    std::fprintf(stderr, "FALHA: %s\n", text.toUtf8().constData());
    TestRun::fail();
}

void capture(MainWindow* window, const QString& outDir, const QString& name)
{
    QString error;
    const QImage image = WindowCapture::save(window, outDir, name, &error);
    if (image.isNull())
        problem(name + QStringLiteral(": ") + error);
    else if (WindowCapture::isBlank(image))
        problem(name + QStringLiteral(": a captura está em branco"));
}

// "site-video" shows the paused video with a transport bar that says so: the
// capture waits for the engine's pause, which reaches the bar first. Should
// the engine not confirm it in time, the next step takes the capture anyway.
struct VideoShot {
    MainWindow* window;
    QString outDir;
    bool taken = false;
    QMetaObject::Connection waiting;

    void take()
    {
        QObject::disconnect(waiting);
        if (taken)
            return;
        taken = true;
        capture(window, outDir, QStringLiteral("site-video"));
    }
};

void pauseAndCapture(PlayerCore* core, const std::shared_ptr<VideoShot>& shot)
{
    const bool wasPaused = core->isPaused();
    shot->waiting = QObject::connect(core, &PlayerCore::pauseChanged, shot->window, [shot](bool paused) {
        if (paused)
            shot->take();
    });
    core->setPaused(true);
    if (wasPaused)
        shot->take();
}

QStringList album(const QString& musicDir)
{
    QStringList paths;
    const QStringList names =
        QDir(musicDir).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        paths << musicDir + name;
    return paths;
}

QStringList videoNames()
{
    return {QStringLiteral("Floresta tropical.mp4"), QStringLiteral("Aula 01 - Marketing digital.mp4"),
            QStringLiteral("Cidade à noite.mp4"), QStringLiteral("Aurora sobre o mar.mp4")};
}

void notice(const QString& text)
{
    std::fprintf(stderr, "AVISO: %s\n", text.toUtf8().constData());
}

// A missing demonstration file is played like any other (the player reports
// it) and an empty album leaves the last video paused: the run goes on and
// only says what its captures will lack.
void checkDemo(const QString& videoDir, const QString& musicDir)
{
    for (const QString& name : videoNames())
        if (!QFileInfo(videoDir + name).isFile())
            notice(QStringLiteral("falta o vídeo de demonstração ") + videoDir + name);
    if (album(musicDir).isEmpty())
        notice(QStringLiteral("nenhum MP3 em ") + musicDir);
}

QList<Step> steps(MainWindow* w, PlayerCore* core, const QString& out, const QString& videos,
                  const QString& music)
{
    Host* host = w;
    const QStringList v = videoNames();
    const auto play = [host](const QString& path) { host->playFiles({path}, 0); };
    const auto page = [host](const char* id) { host->goToPage(QString::fromLatin1(id)); };
    const auto shot = [w, out](const char* name) { capture(w, out, QString::fromLatin1(name)); };
    const auto videoShot = std::make_shared<VideoShot>(VideoShot{w, out, false, {}});
    return {
        {2500, [=] { play(videos + v[0]); }},
        {4000, [=] { core->seekAbsolute(26.0); }},
        {5500, [=] { play(videos + v[1]); }},
        {7000, [=] {
             core->seekAbsolute(14.0);
             core->setSpeed(1.5);
         }},
        {8500, [=] { play(videos + v[2]); }},
        {10000, [=] { core->seekAbsolute(31.0); }},
        {11500, [=] { play(videos + v[3]); }},
        {13000, [=] { core->seekAbsolute(9.0); }},
        {15500, [=] { pauseAndCapture(core, videoShot); }},
        {16000, [=] {
             videoShot->take();
             host->playFiles(album(music), 0);
         }},
        {17500, [=] {
             core->seekAbsolute(9.5);
             page("player");
         }},
        {20000, [=] { shot("site-tocando-agora"); }},
        {20500, [=] { page("music"); }},
        {22000, [=] { shot("site-musica"); }},
        {22500, [=] { page("home"); }},
        {25000, [=] { shot("site-inicio"); }},
        {25500, [=] { page("videos"); }},
        {29000, [=] { shot("site-videos"); }},
        {29500, [=] { page("radios"); }},
        {35000, [=] { shot("site-radios"); }},
        {35500, [=] { page("playlists"); }},
        {36500, [=] { shot("site-playlists"); }},
        {37000, [] {
             TestRun::finish();
             QCoreApplication::quit();
         }},
    };
}

}  // namespace

void runScreenshots(MainWindow* window, PlayerCore* core, const QString& outDir, const QString& demoDir)
{
    TestRun::begin();
    QDir().mkpath(outDir);
    window->showNormal();
    window->resize(1440, 880);
    // The paths the library scan finds: absolute, whatever the argument was.
    const QString demo = demoDir.isEmpty() ? demoDir : QDir::cleanPath(QFileInfo(demoDir).absoluteFilePath());
    const QString videos = demo + QStringLiteral("/Videos/");
    const QString music = demo + QStringLiteral("/Musicas/Vezor Udiruvevo/Roru Vidudo/");
    checkDemo(videos, music);
    for (const Step& step : steps(window, core, outDir, videos, music))
        QTimer::singleShot(step.delay, Qt::PreciseTimer, window, step.action);
}
