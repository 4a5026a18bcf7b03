// Captures the main window, for looking at it: one picture per call.
//
//   tests/support/run-gui.sh <build>/tests/window/shell/window_sheet
//       pt|en WIDTHxHEIGHT out.png [page-id[+queue]] [media file]
//
// The window runs on a private data folder with an empty library. With a
// media file, it plays it first and waits two seconds.

#include "CaptureSession.h"
#include "ControlBar.h"
#include "MainWindow.h"

#include <QToolButton>



int main(int argc, char** argv)
{
    CaptureSession session(argc, argv, 3, "window_sheet pt|en WxH out.png [page] [media]",
                           CaptureSession::DrawPicture);
    if (session.status())
        return session.status();
    MainWindow* window = session.showWindow(CaptureSession::size(argv[2]));
    if (!window)
        return 1;
    if (argc > 5)
        session.play(QString::fromLocal8Bit(argv[5]), 2000);
    if (argc > 4) {
        QString page = QString::fromLocal8Bit(argv[4]);
        if (page.endsWith(QLatin1String("+queue"))) {
            page.chop(6);
            window->findChild<ControlBar*>()->queueButton->click();
        }
        window->goToPage(page);
    }
    QTest::qWait(500);
    return CaptureSession::save(window->grab(), argv[3]) ? 0 : 1;
}
