#include "App.h"
#include "Database.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include <memory>

// Without a tray host on the bus there is no tray: nothing tray-related is
// made and closing quits even with "general/closeToTray" on. Qt decides
// once per process whether a tray exists, hence a process of its own.
class TestContextNoTray : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
    }

    void closingQuits()
    {
        PlayerCore core;
        QString error;
        QVERIFY2(core.init(&error), qPrintable(error));
        MainWindow window(&core);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(!window.m_tray);
        QVERIFY(!window.m_trayMenu);

        App::set(QStringLiteral("general/closeToTray"), true);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QVERIFY(!App::get(QStringLiteral("window/geometry")).toByteArray().isEmpty());
    }
};

ORVEL_TEST_MAIN(TestContextNoTray)
#include "tst_context_notray.moc"
