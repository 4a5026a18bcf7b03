#include "Actions.h"
#include "App.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"

#include <QAction>
#include <QSettings>

#include <memory>

// Catches the shortcut events that reach registered actions, so that a key
// press can be traced to its action without running the handler.
class ShortcutTrap : public QObject
{
public:
    QStringList hits;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* action = qobject_cast<QAction*>(watched);
        if (event->type() != QEvent::Shortcut || !action)
            return false;
        hits.append(action->objectName().isEmpty() ? QStringLiteral("<unnamed>") : action->objectName());
        return true;
    }
};

// The registered commands and their keys, by real key presses under Xvfb.
class TestShortcuts : public QObject
{
    Q_OBJECT
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;
    ShortcutTrap m_trap;

    QStringList press(const QKeySequence& keys)
    {
        m_trap.hits.clear();
        m_window->setFocus();
        QTest::keySequence(m_window.get(), keys);
        return m_trap.hits;
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        App::set(QStringLiteral("shortcuts/open_file"), QStringLiteral("Ctrl+Alt+O"));
        Theme::apply(*qApp);
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error, TestWindow::Active), qPrintable(error));
        qApp->installEventFilter(&m_trap);
    }

    void cleanupTestCase()
    {
        qApp->removeEventFilter(&m_trap);
        m_window.reset();
        m_core.reset();
    }

    void tableOrderGroupsAndChecks()
    {
        const QStringList expected = {
            "open_file", "open_folder", "open_url", "quit", "queue_toggle", "go_home", "go_videos", "go_music",
            "go_playlists", "go_recents", "go_radios", "go_player", "go_settings", "play_pause", "stop", "next",
            "prev", "seek_fwd", "seek_back", "seek_fwd10", "seek_back10", "seek_fwd60", "seek_back60",
            "frame_next", "frame_prev", "speed_up", "speed_down", "speed_fine_up", "speed_fine_down",
            "speed_reset", "ab_loop", "repeat", "shuffle", "chapter_next", "chapter_prev", "goto_time", "vol_up",
            "vol_down", "mute", "audio_cycle", "audio_delay_plus", "audio_delay_minus", "eq", "normalize",
            "fullscreen", "exit_fullscreen", "mini", "on_top", "aspect_cycle", "zoom_in", "zoom_out",
            "zoom_reset", "rotate", "mirror", "image_adjust", "screenshot", "screenshot_subs", "media_info",
            "sub_cycle", "sub_delay_plus", "sub_delay_minus", "sub_load", "sub_style"};
        Actions* registry = Actions::instance();
        QStringList ids, checkable, keyless;
        QMap<QString, int> groups;
        for (QAction* action : registry->all()) {
            ids << action->objectName();
            if (action->isCheckable())
                checkable << action->objectName();
            if (registry->defaults.value(action->objectName()).isEmpty())
                keyless << action->objectName();
            ++groups[registry->groups.value(action->objectName())];
        }
        QCOMPARE(ids, expected);
        QCOMPARE(checkable, QStringList({"normalize", "on_top", "mirror"}));
        QCOMPARE(keyless, QStringList({"stop", "normalize", "sub_style"}));
        QCOMPARE(groups.value("Geral"), 13);
        QCOMPARE(groups.value(QString::fromUtf8("Reprodução")), 23);
        QCOMPARE(groups.value(QString::fromUtf8("Áudio")), 8);
        QCOMPARE(groups.value(QString::fromUtf8("Vídeo")), 14);
        QCOMPARE(groups.value("Legenda"), 5);
        QCOMPARE(registry->actions.value("zoom_out")->text(), QString::fromUtf8("Afastar (zoom \u2212)"));
        QCOMPARE(registry->actions.value("eq")->text(), QString::fromUtf8("Equalizador\u2026"));
    }

    // Every default key reaches exactly its own command. The stored key of
    // "open_file" is used in place of its default until that is restored.
    void everyDefaultKeyReachesItsAction()
    {
        Actions* registry = Actions::instance();
        QCOMPARE(registry->actions.value("open_file")->shortcut(), QKeySequence("Ctrl+Alt+O"));
        QCOMPARE(press(QKeySequence("Ctrl+O")), QStringList());
        QCOMPARE(press(QKeySequence("Ctrl+Alt+O")), QStringList({"open_file"}));
        registry->setShortcut("open_file", registry->defaults.value("open_file"));

        int pressed = 0;
        for (const QString& id : registry->order) {
            const QKeySequence keys = registry->defaults.value(id);
            if (keys.isEmpty())
                continue;
            QCOMPARE(registry->actions.value(id)->shortcut(), keys);
            QCOMPARE(press(keys), QStringList({id}));
            ++pressed;
        }
        QCOMPARE(pressed, 60);
        QCOMPARE(registry->defaults.value("go_settings"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QCOMPARE(registry->defaults.value("zoom_out"), QKeySequence(Qt::CTRL | Qt::Key_Minus));
        QCOMPARE(registry->defaults.value("speed_reset"), QKeySequence(Qt::Key_Backspace));
    }
};

ORVEL_TEST_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
