// Captures the window's view modes and menus, for looking at them: one
// picture per call.
//
//   tests/support/run-gui.sh <build>/tests/window/shell/mode_sheet
//       pt|en WIDTHxHEIGHT out.png fullscreen|mini|menu:<n>|about [media file]
//
// "menu:<n>" opens the n-th menu of the menu bar (from 0) and captures the
// whole screen; "about" captures the About box. With a media file, it plays
// it first and waits two seconds.

#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

#include <cstdio>

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
    TestEnv env;
    qputenv("ORVEL_OPT", "ao=null");   // draw the video, as the player does
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (argc < 5) {
        std::fprintf(stderr, "usage: mode_sheet pt|en WxH out.png fullscreen|mini|menu:<n>|about [media]\n");
        return 2;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    const QList<QByteArray> size = QByteArray(argv[2]).split('x');
    const QByteArray mode = argv[4];
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);
    Database::instance()->open();
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    MainWindow window(&core);
    window.setGeometry(40, 40, size.value(0).toInt(), size.value(1).toInt());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QTest::qWait(300);
    if (argc > 5) {
        QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
        core.openFiles({QString::fromLocal8Bit(argv[5])}, 0);
        loaded.wait(10000);
        QTest::qWait(2000);
    }
    QPixmap shot;
    if (mode == "fullscreen" || mode == "mini") {
        QTest::keyClick(&window, mode == "mini" ? Qt::Key_M : Qt::Key_F,
                        mode == "mini" ? Qt::ControlModifier : Qt::NoModifier);
        QTest::qWait(1500);
        shot = window.grab();
    } else if (mode.startsWith("menu:")) {
        shot = openMenu(window, mode.mid(5).toInt());
    } else if (mode == "about") {
        shot = aboutBox(window);
    }
    const bool ok = !shot.isNull() && shot.save(QString::fromLocal8Bit(argv[3]));
    std::printf("%dx%d %s\n", shot.width(), shot.height(), ok ? "saved" : "not saved");
    return ok ? 0 : 1;
}
