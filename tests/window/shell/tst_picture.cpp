#include "Actions.h"
#include "ControlBar.h"
#include "App.h"
#include "Database.h"
#include "EqualizerDialog.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "Toast.h"
#include "VideoWindow.h"
#include "WindowCapture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>

#include <algorithm>
#include <memory>

// The video as the X server shows it, read back from the screen and not from
// the widget's own framebuffer: in the normal window, full screen and the
// mini player, and for a first video that follows a song in each state. Run
// once per OpenGL profile the program can be asked for (ORVEL_GL), with and
// without a window manager.
class TestPicture : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_film;
    QString m_song;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    static bool underWindowManager() { return !qEnvironmentVariableIsEmpty("ORVEL_TEST_WM"); }

    void trigger(const QString& id) { Actions::instance()->actions.value(id)->trigger(); }

    // The middle of the video widget as the screen shows it. The clip is
    // colour bars: most of it is strongly coloured, in many hues; black, the
    // window's own widgets or a flipped copy of them are not.
    bool screenShowsClip() const
    {
        auto* video = m_window->findChild<MpvWidget*>();
        if (!video || !video->isVisible())
            return false;
        const QRect middle(video->mapToGlobal(video->rect().center() / 2), video->size() / 2);
        const QImage shown =
            m_window->screen()->grabWindow(0, middle.x(), middle.y(), middle.width(), middle.height()).toImage();
        int coloured = 0, samples = 0, hues[6] = {};
        for (int y = 0; y < shown.height(); y += 3)
            for (int x = 0; x < shown.width(); x += 3, ++samples) {
                const QColor c = shown.pixelColor(x, y);
                if (c.hsvSaturation() > 120 && c.value() > 100)
                    ++coloured, ++hues[(c.hsvHue() + 30) % 360 / 60];
            }
        const int distinct = int(std::count_if(hues, hues + 6, [&](int n) { return n * 50 > samples; }));
        return coloured * 10 > samples * 3 && distinct >= 4;
    }

    VideoWindow* videoWindow() const { return m_window->windowHandle()->findChild<VideoWindow*>(); }

    // The pointer over the middle of the picture, as the user uses it: on
    // the native window where the video has one, else on the widget.
    template <typename Act>
    void onPicture(Act act)
    {
        auto* video = m_window->findChild<MpvWidget*>();
        const QPoint middle(video->width() / 2, video->height() / 2);
        if (VideoWindow* native = videoWindow())
            act(native, middle);
        else
            act(video->findChild<QWidget*>(), middle);
    }

    void moveOverVideo()
    {
        onPicture([](auto* target, QPoint at) {
            QTest::mouseMove(target, at);
            QTest::mouseMove(target, at + QPoint(8, 8));
        });
    }

    void doubleClickVideo()
    {
        onPicture([](auto* target, QPoint at) { QTest::mouseDClick(target, Qt::LeftButton, {}, at); });
    }

    // The window manager's view of the window: a property as xprop prints it.
    QString wmState(const char* property = "_NET_WM_STATE") const
    {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(m_window->windowHandle()->winId()),
                                              QString::fromLatin1(property)});
        xprop.waitForFinished(10000);
        return QString::fromLatin1(xprop.readAllStandardOutput());
    }

    // A menu or a dialog as the screen shows it: drawn, its texts are light
    // pixels; left undrawn, it is a black box.
    static bool screenShowsText(const QWidget* shown)
    {
        const QRect area = shown->geometry();
        const QImage image = shown->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        int light = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                light += image.pixelColor(x, y).lightness() > 150;
        return light >= 20;
    }

    void verifyFullscreen()
    {
        QTRY_VERIFY(m_window->windowState() & Qt::WindowFullScreen);
        if (underWindowManager())
            QTRY_COMPARE(m_window->geometry(), m_window->screen()->geometry());
    }

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_OPT", "ao=null");   // draw the video
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_film = m_dir.filePath(QStringLiteral("film.mp4"));
        m_song = m_dir.filePath(QStringLiteral("song.ogg"));
        QVERIFY2(MediaGen::video(m_film, 120, 320, 180) && MediaGen::audio(m_song, 120.0),
                 qPrintable(MediaGen::lastError()));
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
    }

    // Each case starts from a new window that has not shown a video yet.
    void init()
    {
        QVERIFY(TestWindow::show(m_core.get(), m_window, TestWindow::Active));
        m_window->setGeometry(120, 90, 1100, 700);
        QTRY_COMPARE(m_window->geometry(), QRect(120, 90, 1100, 700));
        if (underWindowManager())   // managed, so that it answers the modes
            QTRY_VERIFY(wmState().contains(QLatin1String("(ATOM)")));
    }

    void cleanup()
    {
        m_core->stop();
        QTRY_VERIFY(m_core->isIdle());
        m_window.reset();
    }

    void cleanupTestCase() { m_core.reset(); }

    // A menu and a dialog opened before any video, while a song plays,
    // show on the screen.
    void popupsBeforeAnyVideo()
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles({m_song});
        QVERIFY(loaded.wait(15000));
        QMenu* playback = m_window->menuBar()->actions().value(1)->menu();
        m_window->menuBar()->setActiveAction(playback->menuAction());
        QVERIFY(QTest::qWaitForWindowExposed(playback));
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsText(playback), "menu", 20000);
        playback->close();
        EqualizerDialog dialog(m_core.get(), m_window.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsText(&dialog), "dialog", 20000);
        QVERIFY(!m_window->findChild<MpvWidget*>());   // no video widget in the window yet
    }

    // Full screen, the mini player and back, in both orders.
    void videoInEveryMode()
    {
        m_core->openFiles({m_film});
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "normal window", 20000);
        // The video has a native window of its own, unless asked not to.
        auto* video = m_window->findChild<MpvWidget*>();
        const bool native = qgetenv("ORVEL_VIDEO") != "widget";
        QCOMPARE(video->drawsNatively(), native);
        QCOMPARE(videoWindow() != nullptr, native);

        trigger("fullscreen");
        verifyFullscreen();
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "full screen", 20000);
        trigger("fullscreen");
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "back from full screen", 20000);
        trigger("mini");
        QTRY_VERIFY(m_window->isMiniPlayer() && m_window->isVisible());
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "mini player", 20000);
        trigger("fullscreen");   // leaves the mini player first
        verifyFullscreen();
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "full screen after the mini player", 20000);
        trigger("mini");   // leaves full screen first
        QTRY_VERIFY(m_window->isMiniPlayer() && m_window->isVisible());
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "mini player from full screen", 20000);
        trigger("mini");
        QTRY_VERIFY(!m_window->isMiniPlayer() && m_window->isVisible());
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "back again", 20000);
    }

    // What lies over the video stays over it, read from the screen: the
    // transport bar brought back by a pointer move in full screen and in the
    // mini player, and a notice.
    void overlaysOverVideo()
    {
        m_core->openFiles({m_film});
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "normal window", 20000);
        auto* bar = m_window->findChild<ControlBar*>();
        trigger("fullscreen");
        verifyFullscreen();
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 20000);   // hidden while the video plays
        moveOverVideo();
        QTRY_VERIFY2_WITH_TIMEOUT(WindowCapture::screenShows(bar), "bar in full screen", 20000);
        m_window->toast(QStringLiteral("Over the picture"));
        QTRY_VERIFY2_WITH_TIMEOUT(WindowCapture::screenShows(m_window->findChild<Toast*>()), "notice in full screen", 20000);
        trigger("mini");
        QTRY_VERIFY(m_window->isMiniPlayer() && m_window->isVisible());
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "mini player", 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 20000);
        moveOverVideo();
        QTRY_VERIFY2_WITH_TIMEOUT(WindowCapture::screenShows(bar), "bar in the mini player", 20000);
        trigger("mini");
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "back from the mini player", 20000);
    }

    // A double click on the picture goes full screen and back; the window
    // keeps answering and showing the picture.
    void doubleClickTogglesFullscreen()
    {
        m_core->openFiles({m_film});
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "normal window", 20000);
        doubleClickVideo();
        verifyFullscreen();
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "full screen", 20000);
        doubleClickVideo();
        QTRY_VERIFY(!(m_window->windowState() & Qt::WindowFullScreen));
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "back from full screen", 20000);
        QVERIFY(!m_core->isPaused());   // neither click of a double click pauses
    }

    // A song plays first, so the video widget joins the window in the state
    // the user chose: the window manager keeps that state and the window its
    // place, and the picture shows.
    void videoAfterSong_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("wmState");
        QTest::newRow("normal") << "" << "(ATOM)";
        QTest::newRow("full screen") << "fullscreen" << "FULLSCREEN";
        QTest::newRow("maximized") << "showMaximized" << "MAXIMIZED_VERT";
        QTest::newRow("mini player") << "mini" << "ABOVE";
        QTest::newRow("minimized") << "showMinimized" << "HIDDEN";
    }

    void videoAfterSong()
    {
        QFETCH(QString, mode);
        QFETCH(QString, wmState);
        if (mode.startsWith(QLatin1String("show")) && !underWindowManager())
            QSKIP("needs a window manager");
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles({m_song, m_film});
        QVERIFY(loaded.wait(15000));
        if (mode.startsWith(QLatin1String("show")))
            QMetaObject::invokeMethod(m_window.get(), mode.toLatin1().constData());
        else if (!mode.isEmpty())
            trigger(mode);
        if (underWindowManager())
            QTRY_VERIFY(this->wmState().contains(wmState));
        QTest::qWait(200);
        const QString state = this->wmState();
        const QRect place = m_window->geometry();

        m_core->next();
        const bool minimized = mode == QLatin1String("showMinimized");
        if (minimized) {   // the window made anew stays out of sight until called back
            QTRY_VERIFY_WITH_TIMEOUT(m_window->findChild<MpvWidget*>()
                                         && this->wmState("WM_STATE").contains(QLatin1String("Iconic")), 20000);
            QTRY_VERIFY(m_window->isMinimized());   // the toolkit may hear of it later than the server
            m_window->showNormal();
        }
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "first video after a song", 20000);
        QCOMPARE(m_window->isMiniPlayer(), mode == QLatin1String("mini"));
        if (!minimized)
            QTRY_COMPARE(this->wmState(), state);
        QTRY_COMPARE(m_window->geometry(), place);
        if (mode == QLatin1String("showMaximized")) {   // un-maximized, it has the user's size again
            // Asked too soon, the request can cross the window manager's
            // answer to the join's own, and be lost: it is asked again.
            bool restored = false;
            for (int attempt = 0; attempt < 5 && !restored; ++attempt) {
                m_window->showNormal();
                restored = QTest::qWaitFor([&] { return m_window->geometry() == QRect(120, 90, 1100, 700); }, 3000);
            }
            QVERIFY(restored);
        }
    }
};

// The program's own OpenGL set-up, so that ORVEL_GL picks the profile here
// as it does in the program.
int main(int argc, char** argv)
{
    TestEnv env;
    App::setupOpenGl();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    TestPicture tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_picture.moc"
