// Captures the main window on a library page, for looking at it (not a test):
//
//   tests/support/run-gui.sh <build>/tests/pages/pages_sheet
//       pt|en WIDTHxHEIGHT out.png page-id media-folder [music tab 0-4]
//
// The library is the media folder's "Musicas" and "Videos" subfolders,
// scanned into a private data folder before the capture.

#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "MainWindow.h"
#include "MusicPage.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTabBar>

#include <cstdio>

int main(int argc, char** argv)
{
    TestEnv env;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (argc < 6) {
        std::fprintf(stderr, "usage: pages_sheet pt|en WxH out.png page media-folder [tab]\n");
        return 2;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    const QList<QByteArray> size = QByteArray(argv[2]).split('x');
    const QString media = QString::fromLocal8Bit(argv[5]);
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);
    Database::instance()->open();
    QSignalSpy scanned(Library::instance(), &Library::scanFinished);
    Library::instance()->addFolder(QStringLiteral("audio"), media + QStringLiteral("/Musicas"));
    Library::instance()->addFolder(QStringLiteral("video"), media + QStringLiteral("/Videos"));
    while (scanned.count() < 2 && scanned.wait(20000)) {
    }

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
    window.goToPage(QString::fromLocal8Bit(argv[4]));
    if (argc > 6)
        window.findChild<MusicPage*>()->findChild<QTabBar*>()->setCurrentIndex(QByteArray(argv[6]).toInt());
    QTest::qWait(2500);  // covers and thumbnails
    const bool ok = window.grab().save(QString::fromLocal8Bit(argv[3]));
    std::printf("%dx%d %s\n", window.width(), window.height(), ok ? "saved" : "not saved");
    return ok ? 0 : 1;
}
