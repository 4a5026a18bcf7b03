#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "InputDialogAnswer.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "QueuePanel.h"
#include "SeekBar.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "ToastReader.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QToolButton>

#include <algorithm>
#include <memory>

// The whole window on a real playback core, under Xvfb.
class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_video;     // 6 s with picture
    QString m_long;      // 200 s of sound
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    void openWindow()
    {
        QVERIFY(TestWindow::show(m_core.get(), m_window, TestWindow::Active));
    }

    QStackedWidget* stack() const { return m_window->findChild<QStackedWidget*>(); }
    ControlBar* bar() const { return m_window->findChild<ControlBar*>(); }

    QPushButton* navEntry(const QString& text) const
    {
        for (QPushButton* b : m_window->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("  ") + text)
                return b;
        return nullptr;
    }

    bool load(const QString& path)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->openFiles({path}, 0);
        return loaded.wait(10000);
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_video = m_dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY2(MediaGen::video(m_video, 6.0), qPrintable(MediaGen::lastError()));
        m_long = m_dir.filePath(QStringLiteral("long.ogg"));
        QVERIFY2(MediaGen::audio(m_long, 200.0), qPrintable(MediaGen::lastError()));
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    void init() { openWindow(); }

    void cleanup()
    {
        m_core->stop();
        m_window.reset();
    }

    // The page table, the sidebar entries and the start-up switch.
    void pagesAndSidebar()
    {
        QWidget* home = stack()->widget(0);
        QTRY_COMPARE(stack()->currentWidget(), home);   // back from the first show
        QCOMPARE(stack()->count(), 8);
        QVERIFY(navEntry(QStringLiteral("Início"))->isChecked());

        m_window->goToPage(QStringLiteral("nowhere"));
        QCOMPARE(stack()->currentWidget(), home);

        navEntry(QStringLiteral("Configurações"))->click();
        QCOMPARE(stack()->currentIndex(), 6);

        QPushButton* playing = navEntry(QStringLiteral("Reproduzindo"));
        QVERIFY(playing->isHidden());
        m_window->goToPage(QStringLiteral("player"));
        QVERIFY(m_window->onPlayerPage());
        QVERIFY(playing->isChecked());
        for (QPushButton* b : m_window->findChildren<QPushButton*>())
            if (b != playing && b->isVisible())
                QVERIFY2(!b->isChecked(), qPrintable(b->text()));
    }

    // The toast shows over what the user sees, centred, 28 px from the top.
    void toastFollowsThePage()
    {
        m_window->goToPage(QStringLiteral("videos"));
        m_window->toast(QStringLiteral("one"));
        QLabel* toast = ToastReader::shown(m_window.get());
        QVERIFY(toast);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("one"));
        QWidget* content = stack()->parentWidget();
        QCOMPARE(toast->parentWidget(), content);
        QCOMPARE(toast->y(), 28);
        QCOMPARE(toast->x(), (content->width() - 1) / 2 - toast->width() / 2);
        QVERIFY(toast->mapTo(m_window.get(), QPoint()).x() >= 224);   // not over the sidebar

        m_window->goToPage(QStringLiteral("player"));
        m_window->toast(QStringLiteral("two"));
        QCOMPARE(toast->parentWidget(), stack()->currentWidget());
        QCOMPARE(toast->y(), 28);
        QVERIFY(toast->isVisible());
    }

    // Transport: the play button pauses, a press on the seek bar seeks,
    // the digit keys jump by tenths.
    void transportDrivesPlayback()
    {
        QVERIFY(load(m_video));
        QTRY_VERIFY(m_window->onPlayerPage());
        QVERIFY(!m_core->isPaused());
        QSignalSpy paused(m_core.get(), &PlayerCore::pauseChanged);
        bar()->playButton->click();
        QTRY_VERIFY(m_core->isPaused());

        SeekBar* seek = bar()->seekBar;
        QTRY_VERIFY(seek->width() > 0 && m_core->duration() > 5);
        const QRect groove = seek->groove();
        const QPoint at(groove.left() + groove.width() * 3 / 4, seek->height() / 2);
        QTest::mousePress(seek, Qt::LeftButton, {}, at);
        QTest::mouseRelease(seek, Qt::LeftButton, {}, at);
        QTRY_VERIFY(qAbs(m_core->position() - 4.5) < 0.5);

        QVERIFY(load(m_long));
        QTRY_VERIFY(m_core->duration() > 199);
        QTest::keyClick(m_window.get(), Qt::Key_5);
        QTRY_VERIFY(qAbs(m_core->position() - 100.0) < 1.0);
    }

    // The heart writes the library and shows the new state.
    void favouriteToggle()
    {
        QToolButton* heart = bar()->favoriteButton;
        QVERIFY(!heart->isEnabled());
        QVERIFY(load(m_video));
        QTRY_VERIFY(heart->isEnabled());
        QVERIFY(!heart->isChecked());
        heart->click();
        QVERIFY(Database::instance()->isFavorite(m_video));
        QVERIFY(heart->isChecked());
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Adicionado aos favoritos"));
        heart->click();
        QVERIFY(!Database::instance()->isFavorite(m_video));
        QVERIFY(!heart->isChecked());
    }

    // Saving the queue: a failed insert stores nothing and says so.
    void saveQueueAsPlaylist()
    {
        auto* panel = m_window->findChild<QueuePanel*>();
        QVERIFY(panel);
        const int before = Database::instance()->playlists().size();

        QSqlQuery trigger;
        QVERIFY(trigger.exec(QStringLiteral(
            "CREATE TRIGGER no_lists BEFORE INSERT ON playlists BEGIN SELECT RAISE(ABORT, 'full'); END")));
        InputDialogAnswer::next(QStringLiteral("Road trip"));
        emit panel->saveAsPlaylist({m_video, m_long});
        QCOMPARE(Database::instance()->playlists().size(), before);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Falha ao salvar"));

        QVERIFY(trigger.exec(QStringLiteral("DROP TRIGGER no_lists")));
        InputDialogAnswer::next(QStringLiteral("  Road trip  "));
        emit panel->saveAsPlaylist({m_video, m_long});
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Playlist salva"));
        const QList<Playlist> lists = Database::instance()->playlists();
        QCOMPARE(lists.size(), before + 1);
        const auto saved = std::find_if(lists.begin(), lists.end(),
                                        [](const Playlist& p) { return p.name == QLatin1String("Road trip"); });
        QVERIFY(saved != lists.end());
        QCOMPARE(Database::instance()->playlistItems(saved->id), QStringList({m_video, m_long}));

        InputDialogAnswer::next(QStringLiteral("Ignored"), false);
        emit panel->saveAsPlaylist({m_video});
        QCOMPARE(Database::instance()->playlists().size(), before + 1);
    }

    // Closing keeps the geometry and the volume; the next window comes back
    // at the same size.
    void closeKeepsGeometryAndVolume()
    {
        m_window->resize(900, 600);
        QTRY_COMPARE(m_window->size(), QSize(900, 600));
        bar()->volumeSlider->setValue(40);
        QTRY_COMPARE(m_core->volume(), 40.0);
        m_window->close();
        QCOMPARE(App::get(QStringLiteral("audio/volume")).toDouble(), 40.0);
        QVERIFY(!App::get(QStringLiteral("window/geometry")).toByteArray().isEmpty());

        m_window.reset();
        openWindow();
        QCOMPARE(m_window->size(), QSize(900, 600));
    }
};

ORVEL_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
