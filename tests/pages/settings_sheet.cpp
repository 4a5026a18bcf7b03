// Captures the main window on the settings page, scrolled to a point given
// in percent of the page's height (0 = top, 100 = bottom).
//
//   tests/support/run-gui.sh <build>/tests/pages/settings_sheet
//       pt|en WIDTHxHEIGHT out.png [percent]

#include "CaptureSession.h"
#include "App.h"
#include "MainWindow.h"
#include "SettingsPage.h"

#include <QScrollArea>
#include <QScrollBar>


int main(int argc, char** argv)
{
    CaptureSession session(argc, argv, 3, "settings_sheet pt|en WxH out.png [percent]");
    if (session.status())
        return session.status();
    App::set(QStringLiteral("library/audio"), QStringList{QDir::homePath() + QStringLiteral("/Music")});
    MainWindow* window = session.showWindow(CaptureSession::size(argv[2]));
    if (!window)
        return 1;
    window->goToPage(QStringLiteral("settings"));
    QTest::qWait(300);
    QScrollBar* bar = window->findChild<SettingsPage*>()->findChild<QScrollArea*>()->verticalScrollBar();
    bar->setValue(bar->maximum() * (argc > 4 ? QByteArray(argv[4]).toInt() : 0) / 100);
    QTest::qWait(300);
    return CaptureSession::save(window->grab(), argv[3]) ? 0 : 1;
}
