// Captures the main window, for looking at it: one picture per call.
//
//   tests/support/run-gui.sh <build>/tests/window/shell/window_sheet
//       pt|en WIDTHxHEIGHT out.png [page-id] [media file]
//
// The window runs on a private data folder with an empty library. With a
// media file, it plays it first and waits two seconds.

#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    TestEnv env;
    qunsetenv("ORVEL_OPT");   // draw the video, as the player does
    qputenv("ORVEL_OPT", "ao=null");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_sheet pt|en WxH out.png [page] [media]\n");
        return 2;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    const QList<QByteArray> size = QByteArray(argv[2]).split('x');
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
    window.resize(size.value(0).toInt(), size.value(1).toInt());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(300);
    if (argc > 5) {
        QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
        core.openFiles({QString::fromLocal8Bit(argv[5])}, 0);
        loaded.wait(10000);
        QTest::qWait(2000);
    }
    if (argc > 4)
        window.goToPage(QString::fromLocal8Bit(argv[4]));
    QTest::qWait(500);
    const bool ok = window.grab().save(QString::fromLocal8Bit(argv[3]));
    std::printf("%dx%d %s\n", window.width(), window.height(), ok ? "saved" : "not saved");
    return ok ? 0 : 1;
}
