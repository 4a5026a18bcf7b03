// The commands that keep state of their own or build their own notice.
#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "Lang.h"
#include "MediaTrack.h"
#include "MpvHandle.h"
#include "PlayerCore.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

#include <cmath>

namespace {

void setActionChecked(const char* id, bool on)
{
    if (QAction* action = Actions::instance()->actions.value(QString::fromLatin1(id)))
        action->setChecked(on);
}

// A loop point that is unset, or not a number, reads as unset.
bool isSet(double point)
{
    return !std::isnan(point) && point >= 0;
}

}  // namespace

void MainWindow::abLoopStep()
{
    m_core->cycleAbLoop();
    QTimer::singleShot(100, this, [this] {
        const double a = m_core->abLoopA();
        const double b = m_core->abLoopB();
        if (!isSet(a))
            toast(L("Repetição A-B desligada", "A-B repeat off"));
        else if (!isSet(b))
            toast(L("Início A em %1 · aperte de novo para marcar o fim B", "A set at %1 · press again for B")
                      .arg(App::formatTime(a)));
        else
            toast(L("Repetindo de %1 a %2", "Looping %1 – %2").arg(App::formatTime(a), App::formatTime(b)));
    });
}

void MainWindow::cycleRepeat()
{
    switch (m_core->repeat()) {
    case PlayerCore::RepeatOff:
        m_core->setRepeat(PlayerCore::RepeatAll);
        toast(L("Repetir a fila", "Repeat all"));
        break;
    case PlayerCore::RepeatAll:
        m_core->setRepeat(PlayerCore::RepeatOne);
        toast(L("Repetir esta faixa", "Repeat one"));
        break;
    default:
        m_core->setRepeat(PlayerCore::RepeatOff);
        toast(L("Repetição desligada", "Repeat off"));
        break;
    }
}

void MainWindow::toggleShuffle()
{
    m_core->setShuffle(!m_core->shuffle());
    toast(m_core->shuffle() ? L("Aleatório ligado", "Shuffle on") : L("Aleatório desligado", "Shuffle off"));
}

// The notice follows the state just asked for: the core's flag changes
// only when libmpv reports it.
void MainWindow::toggleMute()
{
    const bool muted = !m_core->isMuted();
    m_core->setMuted(muted);
    toast(muted ? L("Mudo", "Muted") : L("Som ligado", "Sound on"));
}

// libmpv's cycle passes through "no track": the sound goes off, and the
// notice says so. Without any audio track (nothing loaded) it stays silent.
void MainWindow::cycleAudioTrack()
{
    m_core->cycleTrack(QStringLiteral("audio"));
    QTimer::singleShot(150, this, [this] {
        const QList<MediaTrack> tracks = m_core->tracksOfType(QStringLiteral("audio"));
        if (tracks.isEmpty())
            return;
        QString label = L("desligado", "off");
        for (const MediaTrack& track : tracks)
            if (track.selected)
                label = track.label();
        toast(L("Áudio: ", "Audio: ") + label);
    });
}

void MainWindow::cycleSubtitle()
{
    m_core->cycleTrack(QStringLiteral("sub"));
    QTimer::singleShot(150, this, [this] {
        QString label = L("desligada", "off");
        for (const MediaTrack& track : m_core->tracksOfType(QStringLiteral("sub")))
            if (track.selected)
                label = track.label();
        toast(L("Legenda: ", "Subtitle: ") + label);
    });
}

void MainWindow::stepAudioDelay(double step)
{
    const MpvHandle mpv = m_core->handle();
    m_core->setAudioDelay(mpv.getDouble("audio-delay", 0) + step);
    toast(L("Atraso do áudio: %1 s", "Audio delay: %1 s").arg(mpv.getDouble("audio-delay", 0), 0, 'f', 2));
}

void MainWindow::stepSubDelay(double step)
{
    const MpvHandle mpv = m_core->handle();
    m_core->setSubDelay(mpv.getDouble("sub-delay", 0) + step);
    toast(L("Atraso da legenda: %1 s", "Subtitle delay: %1 s").arg(mpv.getDouble("sub-delay", 0), 0, 'f', 2));
}

// The stored setting, not the core, says whether normalization is on.
void MainWindow::toggleNormalize()
{
    const bool on = !App::get(QStringLiteral("audio/normalize"), false).toBool();
    App::set(QStringLiteral("audio/normalize"), on);
    m_core->setNormalize(on);
    setActionChecked("normalize", on);
    toast(on ? L("Normalização ligada", "Normalization on") : L("Normalização desligada", "Normalization off"));
}

void MainWindow::toggleMirror()
{
    m_core->setMirror(!m_core->mirror());
    setActionChecked("mirror", m_core->mirror());
    toast(m_core->mirror() ? L("Espelhado", "Mirrored") : L("Espelho desligado", "Mirror off"));
}

// The zoom is kept as libmpv's "video-zoom": the base-2 logarithm of the
// magnification, held inside [-2, 2] (25 % to 400 %).
void MainWindow::zoomBy(double step)
{
    m_zoom = qBound(-2.0, m_zoom + step, 2.0);
    m_core->handle().setDouble("video-zoom", m_zoom);
    toast(QStringLiteral("Zoom %1%").arg(int(std::pow(2.0, m_zoom) * 100.0)));
}

void MainWindow::resetZoom()
{
    m_zoom = 0;
    const MpvHandle mpv = m_core->handle();
    mpv.setDouble("video-zoom", 0);
    mpv.set("video-pan-x", QStringLiteral("0"));
    mpv.set("video-pan-y", QStringLiteral("0"));
    toast(QStringLiteral("Zoom 100%"));
}

void MainWindow::rotateVideo()
{
    m_rotation = (m_rotation + 90) % 360;
    m_core->handle().set("video-rotate", QString::number(m_rotation));
    toast(L("Rotação %1°", "Rotation %1°").arg(m_rotation));
}

void MainWindow::loadSubtitleFile()
{
    QString folder;
    if (!m_currentPath.isEmpty() && !m_currentPath.contains(QLatin1String("://")))
        folder = QFileInfo(m_currentPath).absolutePath();
    const QString path = QFileDialog::getOpenFileName(
        this, L("Legenda", "Subtitle"), folder,
        L("Legendas", "Subtitles") + QStringLiteral(" (*.srt *.ass *.ssa *.vtt *.sub *.idx *.sup *.smi)"));
    if (!path.isEmpty())
        m_core->addSubtitle(path);
}

void MainWindow::exitFullscreenOrMini()
{
    if (m_fullscreen)
        setFullscreen(false);
    else if (m_mini)
        toggleMini();
}
