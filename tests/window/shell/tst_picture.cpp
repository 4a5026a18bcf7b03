#include "Actions.h"
#include "App.h"
#include "Database.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"

#include <QAction>
#include <QOpenGLContext>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>

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

    bool play(const QStringList& paths)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles(paths, 0);
        return loaded.wait(15000);
    }

    void trigger(const char* id)
    {
        QAction* action = Actions::instance()->actions.value(QString::fromLatin1(id));
        QVERIFY2(action, id);
        action->trigger();
    }

    // The middle of the video widget as the screen shows it. The clip is
    // colour bars: most of it is strongly coloured, in many hues; black, the
    // window's own widgets or a flipped copy of them are not.
    bool screenShowsClip() const
    {
        auto* video = m_window->findChild<MpvWidget*>();
        if (!video || !video->isVisible())
            return false;
        const QPoint middle = video->mapToGlobal(video->rect().center());
        const QSize size = video->size() / 2;
        const QImage shown = m_window->screen()
                                 ->grabWindow(0, middle.x() - size.width() / 2, middle.y() - size.height() / 2,
                                              size.width(), size.height())
                                 .toImage();
        int coloured = 0, samples = 0;
        int hues[6] = {};
        for (int y = 0; y < shown.height(); y += 3)
            for (int x = 0; x < shown.width(); x += 3, ++samples) {
                const QColor c = shown.pixelColor(x, y);
                if (c.hsvSaturation() > 120 && c.value() > 100) {
                    ++coloured;
                    ++hues[qBound(0, (c.hsvHue() + 30) % 360 / 60, 5)];
                }
            }
        int distinct = 0;
        for (int count : hues)
            distinct += count * 50 > samples;
        return samples > 0 && coloured * 10 > samples * 3 && distinct >= 4;
    }

    // What the window manager holds of the window: _NET_WM_STATE as xprop
    // prints it.
    QString wmState() const
    {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(m_window->windowHandle()->winId()), QStringLiteral("_NET_WM_STATE")});
        xprop.waitForFinished(10000);
        return QString::fromLatin1(xprop.readAllStandardOutput());
    }

    void verifyPicture(const char* where)
    {
        QTRY_VERIFY2_WITH_TIMEOUT(screenShowsClip(), where, 20000);
    }

    void verifyFullscreen()
    {
        QTRY_VERIFY(m_window->windowState() & Qt::WindowFullScreen);
        if (underWindowManager()) {
            QTRY_VERIFY_WITH_TIMEOUT(wmState().contains(QLatin1String("_NET_WM_STATE_FULLSCREEN")), 10000);
            QTRY_COMPARE(m_window->geometry(), m_window->screen()->geometry());
        }
    }

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_OPT", "ao=null");   // draw the video
        Lang::englishFlag() = true;
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_film = m_dir.filePath(QStringLiteral("film.mp4"));
        MediaGen::Spec film;
        film.seconds = 120;
        film.video = true;
        film.width = 320;
        film.height = 180;
        film.rate = 10;
        QVERIFY2(MediaGen::make(m_film, film), qPrintable(MediaGen::lastError()));
        m_song = m_dir.filePath(QStringLiteral("song.ogg"));
        QVERIFY2(MediaGen::audio(m_song, 120.0), qPrintable(MediaGen::lastError()));
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
    }

    // Each case starts from a new window that has not shown a video yet, on
    // an engine that plays nothing.
    void init()
    {
        QVERIFY(TestWindow::show(m_core.get(), m_window, TestWindow::Active));
        m_window->setGeometry(120, 90, 1100, 700);
    }

    void cleanup()
    {
        m_core->stop();
        QTRY_VERIFY(m_core->isIdle());
        m_window.reset();
    }

    void cleanupTestCase() { m_core.reset(); }

    // Full screen, the mini player and back, in two orders.
    void videoInEveryMode()
    {
        QVERIFY(play({m_film}));
        verifyPicture("normal window");
        // The widget is drawn into the window's own share group, where the
        // window composes it.
        auto* video = m_window->findChild<MpvWidget*>();
        QVERIFY(video && video->hasRenderContext());
        QVERIFY(QOpenGLContext::areSharing(video->context(), QOpenGLContext::globalShareContext()));

        trigger("fullscreen");
        verifyFullscreen();
        verifyPicture("full screen");
        trigger("fullscreen");
        QTRY_VERIFY(!(m_window->windowState() & Qt::WindowFullScreen));
        verifyPicture("back from full screen");

        trigger("mini");
        QTRY_VERIFY(m_window->isMiniPlayer() && m_window->isVisible());
        verifyPicture("mini player");
        trigger("fullscreen");   // leaves the mini player first
        verifyFullscreen();
        verifyPicture("full screen after the mini player");
        trigger("mini");   // leaves full screen first
        QTRY_VERIFY(m_window->isMiniPlayer() && m_window->isVisible());
        verifyPicture("mini player from full screen");
        trigger("mini");
        QTRY_VERIFY(!m_window->isMiniPlayer() && m_window->isVisible());
        verifyPicture("back again");
    }

    // A song plays first, so the video widget joins the window in the state
    // the user chose; that state holds and the picture shows.
    void videoAfterSong_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("normal") << "normal";
        QTest::newRow("full screen") << "fullscreen";
        QTest::newRow("maximized") << "maximized";
        QTest::newRow("mini player") << "mini";
    }

    void videoAfterSong()
    {
        QFETCH(QString, state);
        if (state == QLatin1String("maximized") && !underWindowManager())
            QSKIP("maximizing needs a window manager");
        QVERIFY(play({m_song, m_film}));
        QVERIFY(!m_core->hasVideo());
        if (state == QLatin1String("fullscreen")) {
            trigger("fullscreen");
            verifyFullscreen();
        } else if (state == QLatin1String("maximized")) {
            m_window->showMaximized();
            QTRY_VERIFY(wmState().contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_VERT")));
        } else if (state == QLatin1String("mini")) {
            trigger("mini");
            QTRY_VERIFY(m_window->isMiniPlayer() && m_window->isVisible());
        }
        QTest::qWait(200);
        const QRect before = m_window->geometry();

        m_core->next();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->hasVideo(), 15000);
        verifyPicture("first video after a song");
        if (state == QLatin1String("fullscreen"))
            verifyFullscreen();
        if (state == QLatin1String("maximized")) {
            QVERIFY(m_window->isMaximized());
            QTRY_VERIFY(wmState().contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_VERT")));
            QTRY_COMPARE(m_window->geometry(), before);
        }
        if (state == QLatin1String("mini")) {
            QVERIFY(m_window->isMiniPlayer());
            QVERIFY(m_window->windowFlags() & Qt::WindowStaysOnTopHint);
            QTRY_COMPARE(m_window->geometry(), before);
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
