#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "InputDialogAnswer.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvHandle.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "ToastReader.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>

#include <memory>

// The command handlers and the menus on a real playback core, with a
// generated video that has chapters and two audio tracks, under Xvfb.
class TestHandlers : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_video;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    static QAction* action(const char* id) { return Actions::instance()->actions.value(QString::fromLatin1(id)); }

    QString toastAfter(const char* id)
    {
        action(id)->trigger();
        return ToastReader::text(m_window.get());
    }

    bool load()
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles({m_video}, 0);
        if (!loaded.wait(10000))
            return false;
        m_core->setPaused(true);
        return true;
    }

    void stop()
    {
        m_core->stop();
        QTRY_VERIFY(m_core->isIdle());
    }

    bool seekTo(double t)
    {
        m_core->seekAbsolute(t);
        return QTest::qWaitFor([&] { return qAbs(m_core->position() - t) < 0.3; }, 5000);
    }

    void press(const QKeySequence& keys)
    {
        m_window->setFocus();
        QTest::keySequence(m_window.get(), keys);
    }

    // One line per menu: ids of registered actions, [submenus] and "|" for
    // separators.
    static QString describe(QMenu* menu)
    {
        QStringList parts;
        for (QAction* a : menu->actions())
            parts << (a->isSeparator() ? QStringLiteral("|")
                      : a->menu()      ? QLatin1Char('[') + a->text() + QLatin1Char(']')
                      : a->objectName().isEmpty() ? a->text()
                                                  : a->objectName());
        return parts.join(QLatin1Char(' '));
    }

    static QStringList texts(QMenu* menu)
    {
        QStringList list;
        for (QAction* a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("|") : a->text());
        return list;
    }

private slots:
    void initTestCase()
    {
        Lang::englishFlag() = true;
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_video = m_dir.filePath(QStringLiteral("film.mkv"));
        MediaGen::Spec spec;
        spec.seconds = 40;
        spec.video = true;
        spec.width = 160;
        spec.height = 120;
        spec.rate = 10;
        spec.audioTracks = 2;
        spec.audioTitles = QStringList{"Main", "Tom & Jerry"};
        spec.chapters = {{0.0, QString()}, {20.0, QStringLiteral("Simon & Garfunkel")}};
        QVERIFY2(MediaGen::make(m_video, spec), qPrintable(MediaGen::lastError()));
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error, TestWindow::Active), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    // With nothing loaded the commands still answer, and the track menus
    // show their placeholders.
    void nothingLoaded()
    {
        QVERIFY(m_core->isIdle());
        action("sub_cycle")->trigger();
        QTRY_COMPARE(ToastReader::text(m_window.get()), QStringLiteral("Subtitle: off"));
        const Qt::WindowStates state = m_window->windowState();
        action("exit_fullscreen")->trigger();
        QCOMPARE(m_window->windowState(), state);
        QVERIFY(!m_window->m_fullscreen && !m_window->m_mini);

        QMenu menu;
        m_window->fillTrackMenu(&menu, QStringLiteral("video"));
        QCOMPARE(texts(&menu), QStringList({"Off", "(no tracks)"}));
        QVERIFY(menu.actions().at(0)->isChecked());
        QVERIFY(!menu.actions().at(1)->isEnabled());
        m_window->fillTrackMenu(&menu, QStringLiteral("audio"));
        QCOMPARE(texts(&menu), QStringList({"(no tracks)"}));
    }

    void repeatMuteAndNormalize()
    {
        QVERIFY(load());
        QCOMPARE(toastAfter("repeat"), QStringLiteral("Repeat all"));
        QCOMPARE(toastAfter("repeat"), QStringLiteral("Repeat one"));
        QCOMPARE(toastAfter("repeat"), QStringLiteral("Repeat off"));
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatOff);

        QCOMPARE(toastAfter("mute"), QStringLiteral("Muted"));
        QTRY_VERIFY(m_core->isMuted());
        QCOMPARE(toastAfter("mute"), QStringLiteral("Sound on"));
        QTRY_VERIFY(!m_core->isMuted());

        for (bool on : {true, false}) {
            QCOMPARE(toastAfter("normalize"), on ? QStringLiteral("Normalization on")
                                                 : QStringLiteral("Normalization off"));
            QCOMPARE(App::get(QStringLiteral("audio/normalize")).toBool(), on);
            QCOMPARE(action("normalize")->isChecked(), on);
            QCOMPARE(m_core->normalize(), on);
        }
    }

    void abLoopAtThreePositions()
    {
        QVERIFY(seekTo(10));
        action("ab_loop")->trigger();
        QTRY_COMPARE(ToastReader::text(m_window.get()), QString::fromUtf8("A set at 0:10 · press again for B"));
        QVERIFY(seekTo(20));
        action("ab_loop")->trigger();
        QTRY_COMPARE(ToastReader::text(m_window.get()), QString::fromUtf8("Looping 0:10 – 0:20"));
        seekTo(30);
        action("ab_loop")->trigger();
        QTRY_COMPARE(ToastReader::text(m_window.get()), QStringLiteral("A-B repeat off"));
    }

    void zoomAndRotate()
    {
        const MpvHandle mpv = m_core->handle();
        QString shown;
        for (int i = 0; i < 10; ++i)
            shown = toastAfter("zoom_in");
        QCOMPARE(shown, QStringLiteral("Zoom 199%"));
        QVERIFY(qAbs(mpv.getDouble("video-zoom", -9) - 1.0) < 1e-6);
        for (int i = 0; i < 10; ++i)
            shown = toastAfter("zoom_in");
        QCOMPARE(shown, QStringLiteral("Zoom 400%"));
        QCOMPARE(mpv.getDouble("video-zoom", -9), 2.0);
        QCOMPARE(toastAfter("zoom_reset"), QStringLiteral("Zoom 100%"));
        for (int i = 0; i < 10; ++i)
            shown = toastAfter("zoom_out");
        QCOMPARE(shown, QStringLiteral("Zoom 50%"));
        QVERIFY(qAbs(mpv.getDouble("video-zoom", -9) + 1.0) < 1e-6);
        toastAfter("zoom_reset");

        for (int degrees : {90, 180, 270, 0})
            QCOMPARE(toastAfter("rotate"), QString::fromUtf8("Rotation %1°").arg(degrees));
        QCOMPARE(mpv.getString("video-rotate"), QStringLiteral("0"));
    }

    void speedAndSettingsKeys()
    {
        m_window->setSpeedValue(2.0);
        QTRY_COMPARE(m_core->speed(), 2.0);
        press(QKeySequence(Qt::Key_Backspace));
        QTRY_COMPARE(m_core->speed(), 1.0);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Speed 1x"));
        press(QKeySequence(QStringLiteral("Ctrl+,")));
        QCOMPARE(m_window->m_stack->currentWidget(), m_window->m_pages.value(QStringLiteral("settings")));
    }

    void menuBarLayout()
    {
        QStringList menus;
        int separators = 0;
        for (QAction* top : m_window->menuBar()->actions()) {
            menus << top->text() + QStringLiteral(": ") + describe(top->menu());
            for (QAction* a : top->menu()->actions())
                separators += a->isSeparator();
        }
        QCOMPARE(menus, QStringList({
            "&Media: open_file open_folder open_url [Open recent] | quit",
            "&Playback: play_pause stop prev next | seek_back seek_fwd seek_back10 seek_fwd10 seek_back60 "
            "seek_fwd60 frame_prev frame_next goto_time | [Speed] [Repeat] shuffle ab_loop [Chapters]",
            "&Audio: [Audio track] [Output device] vol_up vol_down mute audio_cycle audio_delay_plus "
            "audio_delay_minus eq normalize",
            "&Video: fullscreen mini on_top | [Aspect ratio] [Video track] zoom_in zoom_out zoom_reset rotate "
            "mirror image_adjust screenshot screenshot_subs media_info",
            "&Subtitles: [Subtitle track] [Secondary subtitle] sub_cycle sub_load sub_delay_plus "
            "sub_delay_minus sub_style",
            "V&iew: go_home go_videos go_music go_playlists go_recents go_radios go_player queue_toggle go_settings",
            "&Help: Keyboard shortcuts Check for updates Orvel website About"}));
        QCOMPARE(separators, 4);
        // A literal "&" in a label is doubled, or the menu takes it for a mnemonic.
        static const QRegularExpression loneAmpersand(QStringLiteral("(?<!&)(&&)*&( |$)"));
        for (QAction* a : Actions::instance()->all())
            QVERIFY2(!loneAmpersand.match(a->text()).hasMatch(), qPrintable(a->text()));
    }

    // Texts from the media keep their "&"; the right entries are checked.
    void mediaMenus()
    {
        QMenu menu;
        m_window->fillTrackMenu(&menu, QStringLiteral("audio"));
        QCOMPARE(menu.actions().size(), 2);
        QVERIFY(menu.actions().at(0)->isChecked());
        QVERIFY2(menu.actions().at(1)->text().contains(QStringLiteral("Tom && Jerry")),
                 qPrintable(menu.actions().at(1)->text()));
        m_window->fillChaptersMenu(&menu);
        QCOMPARE(texts(&menu), QStringList({QString::fromUtf8("0:00  ·  Chapter 1"),
                                            QString::fromUtf8("0:20  ·  Simon && Garfunkel")}));

        HistoryItem item{QStringLiteral("/videos/duo.mp4"), QStringLiteral("video"), QStringLiteral("Simon & Garfunkel"),
                         754, 2000, 0, false};
        Database::instance()->saveHistory(item);
        m_window->fillRecentMenu(&menu);
        // The playing file's own row may be saved after ours and come first.
        QVERIFY2(texts(&menu).contains(QStringLiteral("Simon && Garfunkel   (12:34)")),
                 qPrintable(texts(&menu).join(QLatin1Char('\n'))));
        QCOMPARE(texts(&menu).mid(texts(&menu).size() - 2), QStringList({"|", QString::fromUtf8("See all…")}));
    }

    void speedEntriesInBothLanguages()
    {
        QMenu menu;
        m_window->fillSpeedMenu(&menu);
        QStringList checked;
        for (QAction* a : menu.actions())
            if (a->isChecked())
                checked << a->text();
        QCOMPARE(checked, QStringList({"1x  (normal)"}));
        QCOMPARE(texts(&menu).mid(0, 8), QStringList({"0.25x", "0.5x", "0.75x", "1x  (normal)", "1.25x", "1.5x",
                                                      "1.75x", "2x"}));
        QCOMPARE(texts(&menu).mid(12),
                 QStringList({"|", "Faster", "Slower", "Speed +0.05", QString::fromUtf8("Speed \u22120.05"),
                              QString::fromUtf8("Custom speed…")}));
        Lang::englishFlag() = false;
        m_window->setSpeedValue(1.1);
        QTRY_COMPARE(m_core->speed(), 1.1);
        m_window->fillSpeedMenu(&menu);
        Lang::englishFlag() = true;
        QCOMPARE(texts(&menu).mid(0, 2), QStringList({"0,25x", "0,5x"}));
        for (QAction* a : menu.actions())
            QVERIFY(!a->isChecked());
        m_window->setSpeedValue(1.0);
    }

    void aspectModes()
    {
        const MpvHandle mpv = m_core->handle();
        QStringList shown;
        QStringList panscan, keepaspect;
        for (int i = 0; i < 9; ++i) {
            shown << toastAfter("aspect_cycle");
            panscan << QString::number(mpv.getDouble("panscan", -1));
            keepaspect << mpv.getString("keepaspect");
        }
        QCOMPARE(shown, QStringList({"Aspect: 16:9", "Aspect: 4:3", "Aspect: 21:9", "Aspect: 2,35:1",
                                     "Aspect: 1:1", "Aspect: 9:16", "Aspect: Fill screen (crop)",
                                     "Aspect: Stretch", "Aspect: Auto"}));
        QCOMPARE(panscan, QStringList({"0", "0", "0", "0", "0", "0", "1", "0", "0"}));
        QCOMPARE(keepaspect.mid(6), QStringList({"yes", "no", "yes"}));

        QMenu menu;
        m_window->fillAspectMenu(&menu);
        QCOMPARE(menu.actions().size(), 9);
        menu.actions().at(3)->trigger();
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Aspect: 21:9"));
        QVERIFY(qAbs(mpv.getDouble("video-aspect-override", 0) - 2.33) < 0.001);
        m_window->fillAspectMenu(&menu);
        QVERIFY(menu.actions().at(3)->isChecked());
    }

    // Each answer seeks to the time it reads; what is not a number, "nan"
    // and "inf" included, reads as 0.
    void goToTime()
    {
        const QList<QPair<QString, double>> cases = {
            {":30", 30}, {"1,5", 1.5}, {"0:12", 12}, {"nan", 0}, {"25", 25}, {"inf", 0}, {"20", 20}, {"abc", 0},
            {"1:23:45", 39}};
        for (const auto& c : cases) {
            InputDialogAnswer::next(c.first);
            action("goto_time")->trigger();
            QVERIFY2(QTest::qWaitFor([&] { return qAbs(m_core->position() - c.second) < 1.0; }, 5000),
                     qPrintable(c.first + QStringLiteral(" -> ") + QString::number(m_core->position())));
        }
    }

    // Refilling a menu leaves nothing behind: no action groups, no old
    // submenus.
    void refillsLeaveNothingBehind()
    {
        ControlBar* bar = m_window->m_controlBar;
        QList<QMenu*> menus = {bar->speedButton->menu(), bar->subsButton->menu(), bar->audioButton->menu(),
                               bar->moreButton->menu()};
        for (QAction* top : m_window->menuBar()->actions())
            for (QAction* a : top->menu()->actions())
                if (a->menu())
                    menus << a->menu();
        for (QMenu* menu : menus) {
            emit menu->aboutToShow();
            const int children = menu->findChildren<QObject*>().size();
            for (int i = 0; i < 50; ++i)
                emit menu->aboutToShow();
            QCOMPARE(menu->findChildren<QObject*>().size(), children);
        }
    }
};

ORVEL_TEST_MAIN(TestHandlers)
#include "tst_handlers.moc"
