// Captures the main window on the settings page, scrolled to a point given
// in percent of the page's height (0 = top, 100 = bottom).
//
//   tests/support/run-gui.sh <build>/tests/pages/settings_sheet
//       pt|en WIDTHxHEIGHT out.png [percent]

#include "App.h"
#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "SettingsPage.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>

#include <cstdio>

int main(int argc, char** argv)
{
    TestEnv env;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (argc < 4) {
        std::fprintf(stderr, "usage: settings_sheet pt|en WxH out.png [percent]\n");
        return 2;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    const QList<QByteArray> size = QByteArray(argv[2]).split('x');
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);
    Database::instance()->open();
    App::set(QStringLiteral("library/audio"), QStringList{QDir::homePath() + QStringLiteral("/Music")});
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
    QTest::qWait(300);  // the first show visits the player page for 60 ms
    window.goToPage(QStringLiteral("settings"));
    QTest::qWait(300);
    QScrollBar* bar = window.findChild<SettingsPage*>()->findChild<QScrollArea*>()->verticalScrollBar();
    bar->setValue(bar->maximum() * (argc > 4 ? QByteArray(argv[4]).toInt() : 0) / 100);
    QTest::qWait(300);
    const bool ok = window.grab().save(QString::fromLocal8Bit(argv[3]));
    std::printf("%dx%d %s\n", window.width(), window.height(), ok ? "saved" : "not saved");
    return ok ? 0 : 1;
}
