// The media menu of the pages, the video's context menu and the tray.
#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "PlayerCore.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QUrl>

#include <chrono>

namespace {

// Adds the registered actions of these ids; an id nobody registered adds nothing.
void addRegistered(QMenu* menu, const QStringList& ids)
{
    for (const QString& id : ids)
        if (QAction* action = Actions::instance()->actions.value(id))
            menu->addAction(action);
}

// A name from the library as menu text: "&" stays a character, not a mnemonic.
QString menuText(const QString& name)
{
    return QString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void MainWindow::showMediaMenu(QList<QString> paths, QPoint globalPos, QMenu* extra)
{
    // The caller has handed extra over, so it goes whether a menu opens or not.
    if (paths.isEmpty()) {
        if (extra)
            extra->deleteLater();
        return;
    }
    QMenu menu;
    if (extra) {
        menu.addActions(extra->actions());
        menu.addSeparator();
    }
    addQueueEntries(&menu, paths);
    addPlaylistMenu(&menu, paths);
    if (paths.size() == 1) {
        addFavoriteEntry(&menu, paths.first());
        if (!App::isUrl(paths.first()))
            addFileEntries(&menu, paths.first());
    }
    menu.exec(globalPos);
    if (extra)
        extra->deleteLater();
}

void MainWindow::addQueueEntries(QMenu* menu, const QList<QString>& paths)
{
    connect(menu->addAction(Icons::icon(QStringLiteral("play")), L("Tocar", "Play")),
            &QAction::triggered, this, [this, paths] { playFiles(paths, 0); });
    connect(menu->addAction(Icons::icon(QStringLiteral("next")), L("Tocar em seguida", "Play next")),
            &QAction::triggered, this, [this, paths] { playNext(paths); });
    connect(menu->addAction(Icons::icon(QStringLiteral("queue")), L("Adicionar à fila", "Add to queue")),
            &QAction::triggered, this, [this, paths] { enqueue(paths); });
}

void MainWindow::addPlaylistMenu(QMenu* menu, const QList<QString>& paths)
{
    QMenu* sub = menu->addMenu(Icons::icon(QStringLiteral("playlist")),
                               L("Adicionar à playlist", "Add to playlist"));
    connect(sub->addAction(Icons::icon(QStringLiteral("plus")), L("Nova playlist…", "New playlist…")),
            &QAction::triggered, this, [this, paths] { createPlaylistFrom(paths); });
    const QList<Playlist> lists = Database::instance()->playlists();
    if (lists.isEmpty())
        return;
    sub->addSeparator();
    for (const Playlist& list : lists) {
        connect(sub->addAction(menuText(list.name)), &QAction::triggered, this, [this, list, paths] {
            toast(Database::instance()->addToPlaylist(list.id, paths)
                      ? L("Adicionado a \"%1\"", "Added to \"%1\"").arg(list.name)
                      : L("Falha ao salvar", "Save failed"));
        });
    }
}

void MainWindow::createPlaylistFrom(const QList<QString>& paths)
{
    storeNewPlaylist(paths, L("Nova playlist", "New playlist"), QString(), L("Playlist criada", "Playlist created"));
}

// Asks for a name and stores the paths under it; a failed write stores
// nothing, not even an empty list, and says so rather than claim success.
void MainWindow::storeNewPlaylist(const QList<QString>& paths, const QString& title, const QString& proposed,
                                  const QString& doneText)
{
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, title, L("Nome:", "Name:"), QLineEdit::Normal, proposed, &ok).trimmed();
    if (!ok || name.isEmpty())
        return;
    const bool stored = Database::instance()->createPlaylist(name, paths) > 0;
    toast(stored ? doneText : L("Falha ao salvar", "Save failed"));
}

void MainWindow::addFavoriteEntry(QMenu* menu, const QString& path)
{
    // The state is read once; the icon shows what the click will make of it.
    const bool favorite = Database::instance()->isFavorite(path);
    QAction* action = favorite
        ? menu->addAction(Icons::icon(QStringLiteral("heart")), L("Tirar dos favoritos", "Remove from favorites"))
        : menu->addAction(Icons::icon(QStringLiteral("heart-filled")), L("Favoritar", "Add to favorites"));
    connect(action, &QAction::triggered, this, [this, path, favorite] {
        Database::instance()->setFavorite(path, !favorite);
        if (path == m_currentPath)
            m_controlBar->setFavorite(!favorite, true);
    });
}

void MainWindow::addFileEntries(QMenu* menu, const QString& path)
{
    menu->addSeparator();
    connect(menu->addAction(Icons::icon(QStringLiteral("folder")), L("Abrir pasta do arquivo", "Show in folder")),
            &QAction::triggered, this,
            [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath())); });
    connect(menu->addAction(Icons::icon(QStringLiteral("link")), L("Copiar caminho", "Copy path")),
            &QAction::triggered, this,
            [path] { QGuiApplication::clipboard()->setText(QDir::toNativeSeparators(path), QClipboard::Clipboard); });
}

QMenu* MainWindow::buildContextMenu()
{
    auto* menu = new QMenu(this);
    addRegistered(menu, {QStringLiteral("play_pause"), QStringLiteral("next"), QStringLiteral("prev")});
    menu->addSeparator();
    fillSpeedMenu(menu->addMenu(Icons::icon(QStringLiteral("speed")),
                                L("Velocidade (%1)", "Speed (%1)").arg(App::formatSpeed(m_core->speed()))));
    addTrackSubmenus(menu);
    fillAspectMenu(menu->addMenu(Icons::icon(QStringLiteral("aspect")), L("Proporção", "Aspect")));
    if (!m_core->chapters().isEmpty())
        fillChaptersMenu(menu->addMenu(Icons::icon(QStringLiteral("list")), L("Capítulos", "Chapters")));
    menu->addSeparator();
    addRegistered(menu, {QStringLiteral("ab_loop"), QStringLiteral("rotate"), QStringLiteral("mirror"),
                         QStringLiteral("image_adjust"), QStringLiteral("screenshot"), QStringLiteral("media_info")});
    menu->addSeparator();
    addRegistered(menu, {QStringLiteral("fullscreen"), QStringLiteral("mini"), QStringLiteral("on_top")});
    return menu;
}

// Subtitles, the secondary subtitle and audio, each filled once now.
void MainWindow::addTrackSubmenus(QMenu* menu)
{
    const QIcon captions = Icons::icon(QStringLiteral("captions"));
    QMenu* subs = menu->addMenu(captions, L("Legenda", "Subtitles"));
    fillTrackMenu(subs, QStringLiteral("sub"));
    subs->addSeparator();
    addRegistered(subs, {QStringLiteral("sub_load"), QStringLiteral("sub_style")});
    fillSecondarySubMenu(menu->addMenu(captions, L("Segunda legenda", "Secondary subtitle")));
    QMenu* audio = menu->addMenu(Icons::icon(QStringLiteral("audio")), L("Áudio", "Audio"));
    fillTrackMenu(audio, QStringLiteral("audio"));
    audio->addSeparator();
    addRegistered(audio, {QStringLiteral("eq"), QStringLiteral("normalize")});
}

void MainWindow::buildTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(Icons::appIcon(), this);
    m_tray->setToolTip(QStringLiteral("Orvel"));
    m_trayMenu = new QMenu(this);
    connect(m_trayMenu->addAction(Icons::icon(QStringLiteral("home")), L("Mostrar janela", "Show window")),
            &QAction::triggered, this, &MainWindow::bringToFront);
    m_trayMenu->addSeparator();
    addRegistered(m_trayMenu, {QStringLiteral("play_pause"), QStringLiteral("prev"), QStringLiteral("next")});
    m_trayMenu->addSeparator();
    addRegistered(m_trayMenu, {QStringLiteral("quit")});
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onTrayActivated(reason); });
    m_tray->show();
}

void MainWindow::onTrayActivated(int reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        m_trayTriggerMs = steadyMs();
        toggleFromTray();
        break;
    case QSystemTrayIcon::DoubleClick: {
        // XEmbed trays send Trigger for the first click of a double click:
        // the pair is one activation, not a hide followed by a show.
        const bool pair = m_trayTriggerMs >= 0 && steadyMs() - m_trayTriggerMs <= QApplication::doubleClickInterval();
        m_trayTriggerMs = -1;
        if (!pair)
            toggleFromTray();
        break;
    }
    case QSystemTrayIcon::MiddleClick:
        m_core->togglePause();
        break;
    default:
        break;
    }
}

// Hides a window the user sees; otherwise brings it back in its own state
// (maximized, fullscreen or mini player stay so).
void MainWindow::toggleFromTray()
{
    if (isVisible() && !isMinimized())
        hide();
    else
        bringToFront();
}
