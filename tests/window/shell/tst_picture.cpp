#include "Actions.h"
#include "App.h"
#include "Database.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
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

    // The window manager's view of the window: a property as xprop prints it.
    QString wmState(const char* property = "_NET_WM_STATE") const
    {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(m_window->windowHandle()->winId()),
                                              QString::fromLatin1(property)});
        xprop.waitForFinished(10000);
        return QString::fromLatin1(xprop.readAllStandardOutput());
    }

    // A popup or a dialog as the screen shows it: drawn, its texts are there
    // in light pixels, where an undrawn one is a black box.
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

    // Before any video the window draws through no OpenGL at all: a menu of
    // the menu bar and a dialog opened while a song plays are drawn on the
    // screen too.
    void popupsBeforeAnyVideo()
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles({m_song});
        QVERIFY(loaded.wait(15000));
        QAction* playback = m_window->menuBar()->actions().value(1);
        QVERIFY(playback && playback->menu());
        m_window->menuBar()->setActiveAction(playback);
        QVERIFY(QTest::qWaitForWindowExposed(playback->menu()));
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsText(playback->menu()), "menu", 20000);
        playback->menu()->close();

        bool dialogDrawn = false;
        QTimer::singleShot(0, this, [&] {
            QWidget* dialog = nullptr;
            if (QTest::qWaitFor([&] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, 20000)
                && QTest::qWaitForWindowExposed(dialog))
                dialogDrawn = QTest::qWaitFor([&] { return screenShowsText(dialog); }, 20000);
            if (dialog)
                dialog->close();
        });
        trigger("eq");
        QVERIFY2(dialogDrawn, "equalizer");
        QVERIFY(!m_window->findChild<MpvWidget*>());   // the video widget has not joined the window
    }

    // Full screen, the mini player and back, in both orders.
    void videoInEveryMode()
    {
        m_core->openFiles({m_film});
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "normal window", 20000);
        // The widget draws in the window's own share group, where it is composed.
        auto* video = m_window->findChild<MpvWidget*>();
        QVERIFY(QOpenGLContext::areSharing(video->context(), QOpenGLContext::globalShareContext()));

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

    // A song plays first, so the video widget joins the window in the state
    // the user chose: the window manager keeps that state and the window its
    // place, and the picture shows.
    void videoAfterSong_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("wmState");
        QTest::newRow("normal") << "" << "(ATOM)";
        QTest::newRow("full screen") << "fullscreen" << "FULLSCREEN";
        QTest::newRow("maximized") << "maximize" << "MAXIMIZED_VERT";
        QTest::newRow("mini player") << "mini" << "ABOVE";
        QTest::newRow("minimized") << "minimize" << "HIDDEN";
    }

    void videoAfterSong()
    {
        QFETCH(QString, mode);
        QFETCH(QString, wmState);
        const bool minimize = mode == QLatin1String("minimize");
        if ((minimize || mode == QLatin1String("maximize")) && !underWindowManager())
            QSKIP("needs a window manager");
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles({m_song, m_film});
        QVERIFY(loaded.wait(15000));
        if (mode == QLatin1String("maximize"))
            m_window->showMaximized();
        else if (minimize)
            m_window->showMinimized();
        else if (!mode.isEmpty())
            trigger(mode);
        if (underWindowManager())
            QTRY_VERIFY(this->wmState().contains(wmState));
        QTest::qWait(200);
        const QString state = this->wmState();
        const QRect place = m_window->geometry();

        m_core->next();
        if (minimize) {   // stays out of sight, and shows the video once back
            QTRY_VERIFY(m_window->findChild<MpvWidget*>());   // joined the window
            QTRY_VERIFY_WITH_TIMEOUT(this->wmState("WM_STATE").contains(QLatin1String("Iconic")), 10000);
            QVERIFY(this->wmState().contains(wmState));
            m_window->showNormal();
        }
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), "first video after a song", 20000);
        QCOMPARE(m_window->isMiniPlayer(), mode == QLatin1String("mini"));
        if (!minimize)
            QTRY_COMPARE(this->wmState(), state);
        QTRY_COMPARE(m_window->geometry(), place);
        if (mode == QLatin1String("maximize")) {   // and gives back the size the user had
            m_window->showNormal();
            QTRY_COMPARE(m_window->geometry(), QRect(120, 90, 1100, 700));
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
