// The window's answers to the video widget, the transport bar, the seek bar,
// the now-playing links, the queue panel and the settings page.
#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MpvHandle.h"
#include "MpvWidget.h"
#include "MusicPage.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "PreviewPopup.h"
#include "QueuePanel.h"
#include "SeekBar.h"
#include "SettingsPage.h"
#include "Thumbnailer.h"
#include "Updater.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

void MainWindow::connectVideo()
{
    connect(m_video, &MpvWidget::doubleClicked, this, [this] {
        m_clickTimer.stop();
        if (m_mini)
            toggleMini();
        else
            toggleFullscreen();
    });
    connect(m_video, &MpvWidget::clicked, this, [this] { m_clickTimer.start(); });
    connect(m_video, &MpvWidget::rightClicked, this, [this](const QPoint& pos) {
        QMenu* menu = buildContextMenu();
        menu->exec(pos);
        menu->deleteLater();
    });
    connect(m_video, &MpvWidget::mouseMoved, this, [this] {
        m_video->setCursor(Qt::ArrowCursor);
        if (m_fullscreen || m_mini)
            showOverlayControls();
        m_hideTimer.start();
    });
    connect(m_video, &MpvWidget::wheelScrolled, this,
            [this](int delta) { changeVolume(delta > 0 ? 5 : -5); });
    connect(m_nowPlaying, &NowPlaying::artistClicked, this, [this](const QString& name) {
        goToPage(QStringLiteral("music"));
        m_musicPage->showArtist(name);
    });
    connect(m_nowPlaying, &NowPlaying::albumClicked, this, [this](const QString& name) {
        goToPage(QStringLiteral("music"));
        m_musicPage->showAlbum(name, m_core->path());
    });
}

void MainWindow::connectControlBar()
{
    ControlBar* bar = m_controlBar;
    connect(bar->playButton, &QToolButton::clicked, m_core, &PlayerCore::togglePause);
    connect(bar->prevButton, &QToolButton::clicked, m_core, &PlayerCore::prev);
    connect(bar->nextButton, &QToolButton::clicked, m_core, &PlayerCore::next);
    connect(bar->back10Button, &QToolButton::clicked, this, [this] { seekStep(-10); });
    connect(bar->fwd10Button, &QToolButton::clicked, this, [this] { seekStep(10); });
    connect(bar->shuffleButton, &QToolButton::clicked, this, [this] {
        m_core->setShuffle(!m_core->shuffle());
        toast(m_core->shuffle() ? L("Aleatório ligado", "Shuffle on")
                                : L("Aleatório desligado", "Shuffle off"));
    });
    connect(bar->repeatButton, &QToolButton::clicked, this, [this] { triggerAction(QStringLiteral("repeat")); });
    connect(bar->fullscreenButton, &QToolButton::clicked, this, [this] { toggleFullscreen(); });
    connect(bar->miniButton, &QToolButton::clicked, this, [this] { toggleMini(); });
    connect(bar->eqButton, &QToolButton::clicked, this, [this] { triggerAction(QStringLiteral("eq")); });
    connect(bar->queueButton, &QToolButton::toggled, this,
            [this](bool on) { m_queuePanel->setVisible(on && !m_fullscreen && !m_mini); });
    connect(m_queuePanel, &QueuePanel::closeRequested, this,
            [this] { m_controlBar->queueButton->setChecked(false); });
    connect(m_queuePanel, &QueuePanel::saveAsPlaylist, this, &MainWindow::saveQueueAsPlaylist);
    connect(bar, &ControlBar::coverClicked, this, [this] {
        if (!m_currentPath.isEmpty())
            goToPage(QStringLiteral("player"));
    });
    connect(bar->favoriteButton, &QToolButton::clicked, this, &MainWindow::toggleFavorite);
    buildToolMenus();
}

void MainWindow::connectPanels()
{
    SeekBar* seek = m_controlBar->seekBar;
    connect(seek, &SeekBar::seekRequested, this, &MainWindow::seekFromBar);
    connect(seek, &SeekBar::hovered, this, &MainWindow::showSeekPreview);
    connect(seek, &SeekBar::hoverLeft, this, [this] {
        m_preview->hide();
        m_previewTime = -1.0;
    });
    connect(Thumbnailer::instance(), &Thumbnailer::previewReady, this,
            [this](double, const QImage& image) {
                if (!m_preview->isVisible())
                    return;
                // A frame that could not be taken leaves the time alone,
                // not the picture of another moment.
                if (image.isNull())
                    m_preview->clearImage();
                else
                    m_preview->setImage(image);
            });
    connect(m_settingsPage, &SettingsPage::checkUpdatesRequested, this, [this] { m_updater->check(true); });
    connect(m_settingsPage, &SettingsPage::subtitleStyleRequested, this,
            [this] { triggerAction(QStringLiteral("sub_style")); });
}

// The four menu buttons of the bar get one menu each, refilled every time
// it opens so it shows the state of that moment.
void MainWindow::buildToolMenus()
{
    const QList<QPair<QToolButton*, void (MainWindow::*)(QMenu*)>> buttons = {
        {m_controlBar->speedButton, &MainWindow::fillSpeedMenu},
        {m_controlBar->subsButton, &MainWindow::fillSubsButtonMenu},
        {m_controlBar->audioButton, &MainWindow::fillAudioButtonMenu},
        {m_controlBar->moreButton, &MainWindow::fillMoreMenu}};
    for (const auto& entry : buttons) {
        auto* menu = new QMenu(this);
        const auto fill = entry.second;
        connect(menu, &QMenu::aboutToShow, this, [this, menu, fill] { (this->*fill)(menu); });
        entry.first->setMenu(menu);
    }
}

namespace {

void addRegistered(QMenu* menu, const QStringList& ids)
{
    for (const QString& id : ids)
        if (QAction* action = Actions::instance()->actions.value(id))
            menu->addAction(action);
}

}  // namespace

void MainWindow::fillSubsButtonMenu(QMenu* menu)
{
    fillTrackMenu(menu, QStringLiteral("sub"));
    menu->addSeparator();
    QMenu* second = menu->addMenu(Icons::icon(QStringLiteral("captions")),
                                  L("Segunda legenda", "Secondary subtitle"));
    fillSecondarySubMenu(second);
    addRegistered(menu, {QStringLiteral("sub_load"), QStringLiteral("sub_style")});
}

void MainWindow::fillAudioButtonMenu(QMenu* menu)
{
    fillTrackMenu(menu, QStringLiteral("audio"));
    menu->addSeparator();
    QMenu* devices = menu->addMenu(Icons::icon(QStringLiteral("volume")), L("Saída de som", "Output device"));
    fillAudioDeviceMenu(devices);
    addRegistered(menu, {QStringLiteral("eq"), QStringLiteral("normalize")});
}

void MainWindow::fillMoreMenu(QMenu* menu)
{
    resetMenu(menu);
    addRegistered(menu, {QStringLiteral("ab_loop")});
    fillRepeatMenu(menu->addMenu(Icons::icon(QStringLiteral("repeat")), L("Repetir", "Repeat")));
    QMenu* chapters = menu->addMenu(Icons::icon(QStringLiteral("list")), L("Capítulos", "Chapters"));
    fillChaptersMenu(chapters);
    chapters->setEnabled(!m_core->chapters().isEmpty());
    addRegistered(menu, {QStringLiteral("goto_time")});
    menu->addSeparator();
    fillAspectMenu(menu->addMenu(Icons::icon(QStringLiteral("aspect")), L("Proporção da tela", "Aspect ratio")));
    addRegistered(menu, {QStringLiteral("rotate"), QStringLiteral("mirror"), QStringLiteral("image_adjust"),
                         QStringLiteral("screenshot"), QStringLiteral("screenshot_subs")});
    menu->addSeparator();
    addRegistered(menu, {QStringLiteral("on_top"), QStringLiteral("media_info")});
}

void MainWindow::addDigitKeys()
{
    for (int i = 0; i <= 9; ++i) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::Key_0 + i));
        connect(action, &QAction::triggered, this, [this, i] {
            if (m_core->duration() > 0)
                m_core->seekPercent(i * 10);
        });
        addAction(action);
    }
}

// Commands reached by id go through the registry; an id nobody registered
// does nothing.
void MainWindow::triggerAction(const QString& id)
{
    if (QAction* action = Actions::instance()->actions.value(id))
        action->activate(QAction::Trigger);
}

void MainWindow::seekFromBar(double position, bool dragging)
{
    const QString mode = dragging ? QStringLiteral("absolute+keyframes") : QStringLiteral("absolute+exact");
    m_core->handle().commandAsync({QStringLiteral("seek"), QString::number(position, 'f', 3), mode}, 0);
}

void MainWindow::showSeekPreview(double time, const QPoint& anchor)
{
    QString chapter;
    for (const Chapter& c : m_core->chapters())
        if (c.time <= time)
            chapter = c.title;
    m_preview->showAt(anchor, App::formatTime(time), chapter);
    if (!m_core->hasVideo() || m_core->isStream() || !QFileInfo::exists(m_currentPath)) {
        m_preview->clearImage();
        return;
    }
    if (qAbs(time - m_previewTime) <= 0.8)
        return;
    m_previewTime = time;
    Thumbnailer::instance()->requestPreview(m_currentPath, time);
}

void MainWindow::toggleFavorite()
{
    if (m_currentPath.isEmpty())
        return;
    Database* db = Database::instance();
    const bool was = db->isFavorite(m_currentPath);
    db->setFavorite(m_currentPath, !was);
    m_controlBar->setFavorite(!was, true);
    toast(was ? L("Removido dos favoritos", "Removed from favorites")
              : L("Adicionado aos favoritos", "Added to favorites"));
}

void MainWindow::saveQueueAsPlaylist(const QList<QString>& paths)
{
    storeNewPlaylist(paths, L("Salvar fila como playlist", "Save queue as playlist"), L("Minha fila", "My queue"),
                     L("Playlist salva", "Playlist saved"));
}
