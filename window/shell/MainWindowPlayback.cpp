// Playback bookkeeping: what is loaded, position saving and play counting,
// and the small playback commands shared by buttons, keys and the wheel.
#include "MainWindow.h"

#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "Lang.h"
#include "MpvWidget.h"
#include "NowPlaying.h"
#include "PlayerCore.h"

#include <QPushButton>
#include <QStackedLayout>

void MainWindow::connectCore()
{
    connect(m_core, &PlayerCore::fileLoaded, this, &MainWindow::onFileLoaded);
    connect(m_core, &PlayerCore::errorMessage, this, &MainWindow::toast);
    connect(m_core, &PlayerCore::idleChanged, this, [this](bool idle) {
        if (idle)
            onIdle();
    });
}

void MainWindow::onFileLoaded()
{
    m_currentPath = m_core->path();
    m_playedSeconds = 0;
    m_playCounted = false;
    m_playerNav->show();
    m_controlBar->setFavorite(Database::instance()->isFavorite(m_currentPath), true);
    m_controlBar->setNowPlaying(m_core->title(), QString(), QPixmap());
    if (m_core->hasVideo()) {
        if (!m_mini)
            goToPage(QStringLiteral("player"));
        m_videoStack->setCurrentWidget(m_video);
    } else {
        m_videoStack->setCurrentWidget(m_nowPlaying);
    }
}

void MainWindow::onIdle()
{
    m_currentPath.clear();
    m_controlBar->setNowPlaying(L("Nada tocando", "Nothing playing"), QString(), QPixmap());
    m_controlBar->setFavorite(false, false);
    setWindowTitle(QStringLiteral("Orvel"));
    m_playerNav->hide();
    if (onPlayerPage() && m_core->queue().isEmpty())
        goToPage(m_lastPage == QLatin1String("player") ? QStringLiteral("home") : m_lastPage);
}

void MainWindow::playFiles(const QList<QString>& paths, int start)
{
    if (paths.isEmpty())
        return;
    saveCurrentPosition(true);
    m_core->openFiles(paths, start);
}

void MainWindow::playResume(const QString&)
{
}

void MainWindow::saveCurrentPosition(bool)
{
}

void MainWindow::onSaveTimer()
{
    saveCurrentPosition(false);
}

void MainWindow::onPlayTimer()
{
}

void MainWindow::seekStep(double seconds)
{
    if (m_core->isIdle())
        return;
    m_core->seekRelative(seconds);
    toast(QStringLiteral("%1%2 s").arg(seconds > 0 ? QStringLiteral("+") : QString()).arg(seconds, 0, 'g'));
}

void MainWindow::changeVolume(double delta)
{
    const double v = m_core->volume() + delta;
    m_core->setVolume(v);
    App::set(QStringLiteral("audio/volume"), v);
    toast(QStringLiteral("Volume %1%").arg(qBound(0, int(v), 200)));
}
