#include "App.h"
#include "Database.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MenuDriver.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "Updater.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <memory>

// The tray icon on a private session bus whose tray host is the fake
// watcher process, so Qt publishes the icon as a StatusNotifierItem; the
// test clicks it through that item's D-Bus methods.
class TestContextTray : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_film;
    QProcess m_watcher;
    QString m_item;   // the icon's bus name, as the watcher was told
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    // Activate is a single click, SecondaryActivate a middle click.
    void click(const QString& method)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            m_item, QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.kde.StatusNotifierItem"), method);
        call.setArguments({0, 0});
        QDBusConnection::sessionBus().asyncCall(call);
    }

    // One click hides the shown window, the next brings it back.
    void clickTwice()
    {
        QVERIFY(m_window->isVisible());
        click(QStringLiteral("Activate"));
        QTRY_VERIFY(!m_window->isVisible());
        click(QStringLiteral("Activate"));
        QTRY_VERIFY(m_window->isVisible());
    }

    QString watcherLine()
    {
        if (!m_watcher.canReadLine() && !m_watcher.waitForReadyRead(10000))
            return QString();
        return QString::fromUtf8(m_watcher.readLine()).trimmed();
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_film = m_dir.filePath(QStringLiteral("film.mp4"));
        QVERIFY2(MediaGen::video(m_film, 30.0, 160, 120), qPrintable(MediaGen::lastError()));

        m_watcher.start(QStringLiteral(FAKE_WATCHER), {});
        QVERIFY(m_watcher.waitForStarted());
        QCOMPARE(watcherLine(), QStringLiteral("ready"));

        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error), qPrintable(error));
        const QString registered = watcherLine();
        QVERIFY2(registered.startsWith(QStringLiteral("registered ")), qPrintable(registered));
        m_item = registered.section(QLatin1Char(' '), 1);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
        m_watcher.kill();
        m_watcher.waitForFinished();
    }

    // The icon, its tooltip and its menu; an update notice with no
    // notification service shows nothing and breaks nothing.
    void trayBuilt()
    {
        QSystemTrayIcon* tray = m_window->m_tray;
        QVERIFY(tray);
        QVERIFY(tray->isVisible());
        QVERIFY(tray->toolTip().startsWith(QStringLiteral("Orvel")));
        QCOMPARE(tray->contextMenu(), m_window->m_trayMenu.data());
        QCOMPARE(MenuDriver::rows(m_window->m_trayMenu),
                 QStringList({QStringLiteral("Mostrar janela"), QStringLiteral("-"), QStringLiteral("play_pause"),
                              QStringLiteral("prev"), QStringLiteral("next"), QStringLiteral("-"),
                              QStringLiteral("quit")}));
        emit m_window->m_updater->updateAvailable(QStringLiteral("9.9.9"), QString(), QString());
        QVERIFY(m_window->isVisible());
    }

    // A click hides the window and the next brings it back as it was:
    // normal, maximized, fullscreen or mini player.
    void clicksRestoreWindowState()
    {
        clickTwice();
        QCOMPARE(m_window->windowState(), Qt::WindowNoState);

        m_window->showMaximized();
        QTRY_VERIFY(m_window->windowState() & Qt::WindowMaximized);
        clickTwice();
        QVERIFY(m_window->windowState() & Qt::WindowMaximized);
        m_window->hide();
        QAction* show = MenuDriver::find(m_window->m_trayMenu, {QStringLiteral("Mostrar janela")});
        QVERIFY(show);
        show->trigger();
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->windowState() & Qt::WindowMaximized);
        m_window->showNormal();

        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->playFiles({m_film}, 0);
        QVERIFY(loaded.wait(10000));
        m_window->toggleFullscreen();
        QVERIFY(m_window->m_fullscreen);
        clickTwice();
        QVERIFY(m_window->m_fullscreen);
        QVERIFY(m_window->windowState() & Qt::WindowFullScreen);
        m_window->toggleFullscreen();
        QTRY_VERIFY(!(m_window->windowState() & Qt::WindowFullScreen));

        m_window->toggleMini();
        QVERIFY(m_window->m_mini);
        const QRect mini = m_window->geometry();
        clickTwice();
        QVERIFY(m_window->m_mini);
        QCOMPARE(m_window->geometry(), mini);
        m_window->toggleMini();
        QVERIFY(!m_window->m_mini);

        // A minimized window comes back un-minimized.
        m_window->showMinimized();
        QTRY_VERIFY(m_window->isMinimized());
        click(QStringLiteral("Activate"));
        QTRY_VERIFY(!m_window->isMinimized());
        QVERIFY(m_window->isVisible());
    }

    // An XEmbed double click arrives as Trigger then DoubleClick: one
    // activation. A DoubleClick on its own toggles.
    void doubleClickTogglesOnce()
    {
        QVERIFY(m_window->isVisible());
        click(QStringLiteral("Activate"));
        QTRY_VERIFY(!m_window->isVisible());
        emit m_window->m_tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!m_window->isVisible());
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        emit m_window->m_tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_window->isVisible());
    }

    // A middle click pauses and resumes.
    void middleClickTogglesPause()
    {
        QVERIFY(!m_core->isIdle());
        const bool paused = m_core->isPaused();
        click(QStringLiteral("SecondaryActivate"));
        QTRY_COMPARE(m_core->isPaused(), !paused);
        click(QStringLiteral("SecondaryActivate"));
        QTRY_COMPARE(m_core->isPaused(), paused);
    }

    // With "general/closeToTray" closing hides to the tray and a click
    // brings the window back; Quit still quits.
    void closeToTrayThenQuit()
    {
        App::set(QStringLiteral("general/closeToTray"), true);
        QVERIFY(!m_window->close());
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_window->m_tray->isVisible());
        QVERIFY(!m_core->isIdle());
        click(QStringLiteral("Activate"));
        QTRY_VERIFY(m_window->isVisible());
        QVERIFY(!m_window->close());

        // Quit from the tray menu while the window is hidden.
        App::set(QStringLiteral("window/geometry"), QByteArray());
        QAction* quit = MenuDriver::find(m_window->m_trayMenu, {QStringLiteral("Sair")});
        QVERIFY(quit);
        quit->trigger();
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_window->m_tray->isVisible());
        QVERIFY(!App::get(QStringLiteral("window/geometry")).toByteArray().isEmpty());
    }
};

ORVEL_TEST_MAIN(TestContextTray)
#include "tst_context_tray.moc"
