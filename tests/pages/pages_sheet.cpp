// Captures the main window on a library page, for looking at it (not a test):
//
//   tests/support/run-gui.sh <build>/tests/pages/pages_sheet
//       pt|en WIDTHxHEIGHT out.png page-id media-folder [music tab 0-4]
//
// The library is the media folder's "Musicas" and "Videos" subfolders,
// scanned into a private data folder before the capture.

#include "CaptureSession.h"
#include "Library.h"
#include "MainWindow.h"
#include "MusicPage.h"

#include <QSignalSpy>
#include <QTabBar>


int main(int argc, char** argv)
{
    CaptureSession session(argc, argv, 5, "pages_sheet pt|en WxH out.png page media-folder [tab]");
    if (session.status())
        return session.status();
    const QString media = QString::fromLocal8Bit(argv[5]);
    QSignalSpy scanned(Library::instance(), &Library::scanFinished);
    Library::instance()->addFolder(QStringLiteral("audio"), media + QStringLiteral("/Musicas"));
    Library::instance()->addFolder(QStringLiteral("video"), media + QStringLiteral("/Videos"));
    while (scanned.count() < 2 && scanned.wait(20000)) {
    }
    MainWindow* window = session.showWindow(CaptureSession::size(argv[2]));
    if (!window)
        return 1;
    window->goToPage(QString::fromLocal8Bit(argv[4]));
    if (argc > 6)
        window->findChild<MusicPage*>()->findChild<QTabBar*>()->setCurrentIndex(QByteArray(argv[6]).toInt());
    QTest::qWait(2500);  // covers and thumbnails
    return CaptureSession::save(window->grab(), argv[3]) ? 0 : 1;
}
