// Captures the window's view modes and menus, for looking at them: one
// picture per call.
//
//   tests/support/run-gui.sh <build>/tests/window/shell/mode_sheet
//       pt|en WIDTHxHEIGHT out.png fullscreen|mini|menu:<n>|about [media file]
//
// "menu:<n>" opens the n-th menu of the menu bar (from 0) and captures the
// whole screen; "about" captures the About box. With a media file, it plays
// it first and waits two seconds.

#include "CaptureSession.h"
#include "MainWindow.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>


namespace {

QPixmap screenShot()
{
    return QGuiApplication::primaryScreen()->grabWindow(0);
}

// Runs the About entry of the Help menu and grabs the box once it shows.
QPixmap aboutBox(MainWindow& window)
{
    QPixmap shot;
    QTimer::singleShot(800, [&shot] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shot = box->grab();
            box->accept();
        }
    });
    const QList<QAction*> menus = window.menuBar()->actions();
    menus.last()->menu()->actions().last()->trigger();
    return shot;
}

QPixmap openMenu(MainWindow& window, int index)
{
    QMenuBar* bar = window.menuBar();
    QAction* top = bar->actions().value(index);
    if (!top)
        return {};
    bar->setActiveAction(top);
    QTest::qWait(800);
    const QPixmap shot = screenShot().copy(window.frameGeometry().adjusted(0, 0, 0, 420));
    top->menu()->close();
    return shot;
}

}  // namespace

int main(int argc, char** argv)
{
    CaptureSession session(argc, argv, 4, "mode_sheet pt|en WxH out.png fullscreen|mini|menu:<n>|about [media]",
                           CaptureSession::DrawPicture);
    if (session.status())
        return session.status();
    const QByteArray mode = argv[4];
    MainWindow* window = session.showWindow(CaptureSession::size(argv[2]));
    if (!window)
        return 1;
    if (argc > 5)
        session.play(QString::fromLocal8Bit(argv[5]), 2000);
    QPixmap shot;
    if (mode == "fullscreen" || mode == "mini") {
        QTest::keyClick(window, mode == "mini" ? Qt::Key_M : Qt::Key_F,
                        mode == "mini" ? Qt::ControlModifier : Qt::NoModifier);
        QTest::qWait(1500);
        shot = window->grab();
    } else if (mode.startsWith("menu:")) {
        shot = openMenu(*window, mode.mid(5).toInt());
    } else if (mode == "about") {
        shot = aboutBox(*window);
    }
    return CaptureSession::save(shot, argv[3]) ? 0 : 1;
}
