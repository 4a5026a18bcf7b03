#include "App.h"
#include "CardView.h"
#include "ControlBar.h"
#include "Database.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "QueuePanel.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "ToastReader.h"

#include <QAbstractItemView>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QToolButton>

#include <memory>

// Records which registered commands the shortcut machinery reaches.
class ShortcutSpy : public QObject
{
public:
    QStringList hits;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched))
            hits << watched->objectName();
        return false;
    }
};

// Fullscreen, the mini player and the input filter, with real key presses
// on a window that draws the video, under Xvfb.
class TestModes : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_film;
    QString m_song;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;
    ShortcutSpy m_spy;

    bool load(const QStringList& paths)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles(paths, 0);
        return loaded.wait(10000);
    }

    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        m_window->activateWindow();
        QApplication::setActiveWindow(m_window.get());
        QTest::keyClick(target, key, modifiers);
    }

    ControlBar* bar() const { return m_window->m_controlBar; }

    QRect lowerRight(const QSize& size) const
    {
        const QRect area = m_window->screen()->availableGeometry();
        return QRect(area.right() - size.width() - 24, area.bottom() - size.height() - 24, size.width(),
                     size.height());
    }

    // The share of pixels that are neither black nor the widget's clear
    // colour: a drawn test picture is mostly coloured.
    static double colouredShare(const QImage& image)
    {
        int coloured = 0, total = 0;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4, ++total) {
                const QColor c = image.pixelColor(x, y);
                coloured += c.saturation() > 80 && c.value() > 60;
            }
        return total ? double(coloured) / total : 0;
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
        film.seconds = 60;
        film.video = true;
        film.width = 320;
        film.height = 180;
        film.rate = 10;
        QVERIFY2(MediaGen::make(m_film, film), qPrintable(MediaGen::lastError()));
        m_song = m_dir.filePath(QStringLiteral("song.ogg"));
        QVERIFY2(MediaGen::audio(m_song, 60.0), qPrintable(MediaGen::lastError()));
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error, TestWindow::Active), qPrintable(error));
        qApp->installEventFilter(&m_spy);
    }

    void cleanupTestCase()
    {
        qApp->removeEventFilter(&m_spy);
        m_window.reset();
        m_core.reset();
    }

    // The first window lies inside the screen, also on a laptop's
    // 1366 x 768 (the second run of this test).
    void firstWindowFitsTheScreen()
    {
        const QRect area = m_window->screen()->availableGeometry();
        QTRY_VERIFY2(area.contains(m_window->frameGeometry()),
                     qPrintable(QStringLiteral("%1x%2 frame in %3x%4").arg(m_window->frameGeometry().width())
                                    .arg(m_window->frameGeometry().height()).arg(area.width()).arg(area.height())));
    }

    void nothingLoadedChangesNothing()
    {
        const QRect before = m_window->geometry();
        press(m_window.get(), Qt::Key_F);
        press(bar()->miniButton, Qt::Key_M, Qt::ControlModifier);
        bar()->miniButton->click();
        bar()->fullscreenButton->click();
        QTest::qWait(100);
        QVERIFY(!m_window->m_fullscreen && !m_window->m_mini);
        QVERIFY(!(m_window->windowState() & Qt::WindowFullScreen));
        QVERIFY(!(m_window->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(m_window->geometry(), before);
        QVERIFY(m_window->menuBar()->isVisible());
    }

    // Fullscreen from a library page: the player page alone, with the bar
    // floating inside the margins; back to the maximized window after.
    void fullscreenFromVideos()
    {
        QVERIFY(load({m_film}));
        m_window->goToPage(QStringLiteral("videos"));
        bar()->queueButton->setChecked(true);
        QVERIFY(m_window->m_queuePanel->isVisible());
        m_window->showMaximized();
        QTRY_VERIFY(m_window->isMaximized());

        press(m_window.get(), Qt::Key_F);
        QVERIFY(m_window->m_fullscreen);
        QTRY_VERIFY(m_window->windowState() & Qt::WindowFullScreen);
        QVERIFY(m_window->onPlayerPage());
        QVERIFY(!m_window->m_sidebar->isVisible());
        QVERIFY(!m_window->menuBar()->isVisible());
        QVERIFY(!m_window->m_queuePanel->isVisible());
        QCOMPARE(bar()->parentWidget(), m_window->m_videoArea);
        const QSize area = m_window->m_videoArea->size();
        const QRect band = bar()->geometry();
        QCOMPARE(band.left(), 28);
        QCOMPARE(band.width(), area.width() - 56);
        QCOMPARE(band.bottom() + 1, area.height() - 28);
        // Above the bar, the subtitles: raised by a share of the height over their margin (in 720).
        const auto raised = [&] { return (100 - m_core->handle().getInt("sub-pos", -1)) / 100.0 + 22 / 720.0; };
        QTRY_VERIFY(raised() * area.height() > area.height() - band.top());

        press(m_window.get(), Qt::Key_Escape);
        QVERIFY(!m_window->m_fullscreen);
        QTRY_VERIFY(m_window->isMaximized());
        QVERIFY(m_window->onPlayerPage());
        QVERIFY(m_window->m_sidebar->isVisible());
        QVERIFY(m_window->menuBar()->isVisible());
        QVERIFY(m_window->m_queuePanel->isVisible());
        QCOMPARE(bar()->parentWidget(), m_window->centralWidget());
        QCOMPARE(m_window->m_video->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(m_core->handle().getInt("sub-pos", -1), 100);
        bar()->queueButton->setChecked(false);
        m_window->showNormal();
        QTRY_VERIFY(!m_window->isMaximized());
    }

    // The picture comes back after the window flags changed twice.
    void miniPlayerWithVideo()
    {
        m_core->setPaused(false);
        QTRY_VERIFY(colouredShare(m_window->m_video->grabFramebuffer()) > 0.3);
        m_window->setGeometry(100, 80, 900, 600);
        QTRY_COMPARE(m_window->geometry(), QRect(100, 80, 900, 600));
        const QRect normal = m_window->geometry();

        press(m_window.get(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(m_window->m_mini);
        QTRY_COMPARE(m_window->geometry(), lowerRight(QSize(520, 292)));
        QVERIFY(m_window->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(m_window->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_window->menuBar()->isVisible());
        QTRY_VERIFY(colouredShare(m_window->m_video->grabFramebuffer()) > 0.3);

        m_window->goToPage(QStringLiteral("home"));
        QVERIFY(!m_window->m_mini);
        QCOMPARE(m_window->m_stack->currentWidget(), m_window->m_pages.value(QStringLiteral("home")));
        QTRY_COMPARE(m_window->geometry(), normal);
        QVERIFY(!(m_window->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(m_window->minimumSize(), QSize(420, 260));

        m_window->goToPage(QStringLiteral("player"));
        QTRY_VERIFY(m_window->m_video->isVisible());
        QTRY_VERIFY(colouredShare(m_window->m_video->grabFramebuffer()) > 0.3);
        QVERIFY(m_window->m_video->hasRenderContext());
    }

    // The audio mini player is lower than the normal window's minimum; it
    // keeps its size all the same.
    void miniPlayerWithAudio()
    {
        QVERIFY(load({m_song}));
        QTRY_VERIFY(!m_core->hasVideo());
        bar()->miniButton->click();
        QVERIFY(m_window->m_mini);
        QTRY_COMPARE(m_window->geometry(), lowerRight(QSize(460, 220)));
        QVERIFY(bar()->isVisible());
        bar()->miniButton->click();
        QVERIFY(!m_window->m_mini);
        QCOMPARE(m_window->minimumSize(), QSize(420, 260));
    }

    // Lists keep their arrows (keypad ones too) while Left and Space stay
    // with the window; a spin box, a tab bar and a card grid keep Left and
    // Right; the volume slider leaves Up to the window, a sidebar entry
    // keeps it.
    void focusedWidgetsKeepTheirKeys()
    {
        QVERIFY(load({m_film, m_song, m_film}));
        m_window->goToPage(QStringLiteral("videos"));
        bar()->queueButton->setChecked(true);
        auto* list = m_window->m_queuePanel->findChild<QAbstractItemView*>();
        QVERIFY(list);
        QTRY_COMPARE(list->model()->rowCount(), 3);
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 0));
        const double volume = m_core->volume();

        m_spy.hits.clear();
        press(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex().row(), 1);
        press(list, Qt::Key_Up);
        QCOMPARE(list->currentIndex().row(), 0);
        press(list, Qt::Key_Down, Qt::KeypadModifier);
        QCOMPARE(list->currentIndex().row(), 1);
        press(list, Qt::Key_Up, Qt::KeypadModifier);
        QCOMPARE(list->currentIndex().row(), 0);
        QCOMPARE(m_spy.hits, QStringList());
        QCOMPARE(m_core->volume(), volume);

        const bool paused = m_core->isPaused();
        press(list, Qt::Key_Left);
        press(list, Qt::Key_Space);
        QCOMPARE(m_spy.hits, QStringList({"seek_back", "play_pause"}));
        QTRY_COMPARE(m_core->isPaused(), !paused);

        auto* spin = new QSpinBox(m_window->m_content);
        spin->show();
        spin->setFocus();
        m_spy.hits.clear();
        press(spin, Qt::Key_Left);
        press(spin, Qt::Key_Right);
        QCOMPARE(m_spy.hits, QStringList());
        delete spin;

        QSlider* slider = bar()->volumeSlider;
        slider->setFocus();
        press(slider, Qt::Key_Up);
        QCOMPARE(m_spy.hits, QStringList({"vol_up"}));
        QTRY_COMPARE(m_core->volume(), qMin(volume + 5, 200.0));
        bar()->queueButton->setChecked(false);

        // A tab bar and a grid of cards take Left and Right; the sidebar's
        // entries Up and Down, which show the next page.
        m_window->goToPage(QStringLiteral("music"));
        auto* tabs = m_window->m_pages.value(QStringLiteral("music"))->findChild<QTabBar*>();
        QVERIFY(tabs && tabs->isVisible());
        tabs->setCurrentIndex(0);
        tabs->setFocus();
        CardView cards(CardDelegate::Grid, false, m_window->m_content);
        for (int i = 0; i < 6; ++i)
            cards.model->appendRow(new QStandardItem(QString::number(i)));
        cards.resize(1000, 300);
        m_spy.hits.clear();
        press(tabs, Qt::Key_Right);
        QCOMPARE(tabs->currentIndex(), 1);
        cards.show();
        cards.setFocus();
        cards.setCurrentIndex(cards.model->index(0, 0));
        press(&cards, Qt::Key_Right);
        QCOMPARE(cards.currentIndex().row(), 1);
        const double kept = m_core->volume();
        QPushButton* music = m_window->m_navButtons.value(QStringLiteral("music"));
        music->setFocus();
        press(music, Qt::Key_Down);
        QCOMPARE(m_window->currentPageId(), QStringLiteral("playlists"));
        press(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(m_window->currentPageId(), QStringLiteral("music"));
        QCOMPARE(QApplication::focusWidget(), music);
        QCOMPARE(m_spy.hits, QStringList());
        QCOMPARE(m_core->volume(), kept);
    }

    // Tab walks the Home page to its buttons; Return presses the one it is
    // on, Alt+Space does not.
    void keyboardPressesHomeButtons()
    {
        MediaItem song;
        song.path = m_song;
        song.kind = QStringLiteral("audio");
        song.folder = m_dir.path();
        Database::instance()->upsertMedia({song});
        m_window->goToPage(QStringLiteral("home"));
        QPushButton* goMusic = nullptr;
        for (QPushButton* b : m_window->m_pages.value(QStringLiteral("home"))->findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Go to Music"))
                goMusic = b;
        QVERIFY(goMusic && goMusic->isVisibleTo(m_window.get()));
        m_window->activateWindow();
        QApplication::setActiveWindow(m_window.get());
        m_window->m_navButtons.value(QStringLiteral("home"))->setFocus();
        // From the sidebar into the page, before the transport bar.
        for (int i = 0; i < 40 && QApplication::focusWidget() != goMusic; ++i) {
            press(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!bar()->isAncestorOf(QApplication::focusWidget()));
        }
        QCOMPARE(QApplication::focusWidget(), goMusic);

        press(goMusic, Qt::Key_Space, Qt::AltModifier);   // a press and release would click at once
        QVERIFY(!goMusic->isDown());
        QCOMPARE(m_window->currentPageId(), QStringLiteral("home"));
        press(goMusic, Qt::Key_Return);
        QTRY_COMPARE(m_window->currentPageId(), QStringLiteral("music"));
    }

    // Under a window manager fullscreen is left only when it answers: the
    // window the user had comes back all the same, from the mini player
    // entered from fullscreen and at the next start after quitting from
    // fullscreen.
    void normalGeometryAfterFullscreen()
    {
        if (qEnvironmentVariableIsEmpty("ORVEL_TEST_WM"))
            QSKIP("needs a window manager: tests/support/run-gui.sh --wm");
        QVERIFY(load({m_film}));
        m_window->goToPage(QStringLiteral("player"));
        const QRect normal(301, 157, 1100, 700);
        m_window->setGeometry(normal);
        QTRY_COMPARE(m_window->geometry(), normal);
        const QRect screen = m_window->screen()->geometry();

        press(m_window.get(), Qt::Key_F);
        QTRY_COMPARE(m_window->geometry(), screen);
        press(m_window.get(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(m_window->m_mini && !m_window->m_fullscreen);
        QTRY_COMPARE(m_window->geometry(), lowerRight(QSize(520, 292)));
        press(m_window.get(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!m_window->m_mini);
        QTRY_COMPARE(m_window->geometry(), normal);
        QVERIFY(!(m_window->windowState() & Qt::WindowFullScreen));

        // Leaving the mini player maps the window anew: fullscreen is asked
        // for once the window manager has framed it again.
        QTRY_VERIFY(!m_window->windowHandle()->frameMargins().isNull());
        QCOMPARE(m_window->geometry(), normal);
        press(m_window.get(), Qt::Key_F);
        QTRY_COMPARE(m_window->geometry(), screen);
        m_window->close();
        // What the next start restores: the window the user had, not the
        // screen (its place may differ by the frame, which is not known yet).
        QWidget next;
        QVERIFY(next.restoreGeometry(App::get(QStringLiteral("window/geometry")).toByteArray()));
        QVERIFY(!(next.windowState() & Qt::WindowFullScreen));
        QCOMPARE(next.size(), normal.size());
        QVERIFY((next.pos() - normal.topLeft()).manhattanLength() < 100);
    }
};

ORVEL_TEST_MAIN(TestModes)
#include "tst_modes.moc"
