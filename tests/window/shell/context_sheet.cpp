// Captures the window's popup menus, for looking at them: one picture per call.
//
//   tests/support/run-dbus.sh tests/support/run-gui.sh <build>/tests/window/shell/context_sheet
//       pt|en WIDTHxHEIGHT out.png media|video|tray [media file]
//
// "media" opens the media menu of the file (or of a made-up path) with its
// "Add to playlist" submenu, over two stored playlists; "video" plays the
// file and opens the video's context menu with its speed submenu; "tray"
// starts the fake tray host first and opens the tray icon's menu. The
// picture is the screen around the window and the menus.

#include "CaptureSession.h"
#include "Database.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MpvWidget.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

QRect shownArea(const QWidget& window)
{
    QRect area = window.frameGeometry();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QMenu*>(top) && top->isVisible())
            area |= top->frameGeometry();
    return area.adjusted(-8, -8, 8, 8);
}

// Opens the submenu titled `title` of the popup shown now.
void openSubmenu(const QString& title)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
        return;
    for (QAction* action : menu->actions())
        if (action->menu() && action->text().startsWith(title)) {
            menu->setActiveAction(action);
            action->menu()->popup(menu->mapToGlobal(menu->actionGeometry(action).topRight()));
        }
}

QMenu* trayMenu(const QWidget& window)
{
    for (QMenu* menu : window.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        if (!menu->actions().isEmpty() && menu->actions().first()->text() == L("Mostrar janela", "Show window"))
            return menu;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    CaptureSession session(argc, argv, 4, "context_sheet pt|en WxH out.png media|video|tray [media]",
                           CaptureSession::DrawPicture);
    if (session.status())
        return session.status();
    const QByteArray mode = argv[4];
    const QString media = argc > 5 ? QString::fromLocal8Bit(argv[5]) : QStringLiteral("/music/Simon & Garfunkel.mp3");
    QProcess watcher;
    if (mode == "tray") {
        watcher.start(QStringLiteral(FAKE_WATCHER), {});
        watcher.waitForReadyRead(10000);
    }
    Database::instance()->createPlaylist(QStringLiteral("Road trip"));
    Database::instance()->createPlaylist(QStringLiteral("rock & roll"));
    MainWindow* window = session.showWindow(CaptureSession::size(argv[2]));
    if (!window)
        return 1;
    if (mode == "video" && argc > 5)
        session.play(media, 1000);

    QPixmap shot;
    const QPoint at = window->geometry().center() - QPoint(window->width() / 4, window->height() / 4);
    QTimer::singleShot(300, [&] {
        openSubmenu(mode == "media" ? L("Adicionar à playlist", "Add to playlist") : L("Velocidade", "Speed"));
        QTest::qWait(400);
        shot = QGuiApplication::primaryScreen()->grabWindow(0).copy(shownArea(*window));
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            menu->close();
    });
    if (mode == "media") {
        window->showMediaMenu({media}, at, nullptr);
    } else if (mode == "video") {
        emit window->findChild<MpvWidget*>()->rightClicked(at);
    } else if (QMenu* menu = trayMenu(*window)) {
        menu->exec(at);
    } else {
        std::fprintf(stderr, "no tray\n");
        return 1;
    }
    const bool ok = CaptureSession::save(shot, argv[3]);
    watcher.kill();
    watcher.waitForFinished();
    return ok ? 0 : 1;
}
