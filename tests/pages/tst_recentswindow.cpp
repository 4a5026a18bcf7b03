#include "App.h"
#include "CardView.h"
#include "Database.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MenuDriver.h"
#include "PlayerCore.h"
#include "RecentsPage.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStandardItemModel>

#include <memory>

// The Recents page's "Play from start" and "Resume" in the real window, on a
// real playback core, under Xvfb.
class TestRecentsWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_video;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    bool resumeNoticeShown() const
    {
        for (QLabel* label : m_window->findChildren<QLabel*>())
            if (label->isVisible() && label->text().startsWith(QLatin1String("Continuando de")))
                return true;
        return false;
    }

    // Picks an entry of the history row's menu and waits for the load.
    bool pick(const QString& entry)
    {
        m_window->goToPage(QStringLiteral("recents"));
        auto* page = m_window->findChild<RecentsPage*>();
        CardView* view = page->findChild<CardView*>();
        if (view->model->rowCount() != 1)
            return false;
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        bool found = false;
        MenuDriver::next([&](QMenu* menu) { found = MenuDriver::pick(menu, {entry}); });
        emit view->menuRequested(view->model->index(0, 0), m_window->mapToGlobal(QPoint(200, 200)));
        return found && loaded.wait(10000);
    }

    void stop()
    {
        m_core->stop();
        QTRY_VERIFY(m_core->isIdle());
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_video = m_dir.filePath(QStringLiteral("film.mp4"));
        MediaGen::Spec film;
        film.seconds = 600;
        film.video = true;
        film.width = 64;
        film.height = 48;
        film.rate = 1;
        film.audio = false;
        QVERIFY2(MediaGen::make(m_video, film), qPrintable(MediaGen::lastError()));
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    void fromStartThenResume()
    {
        HistoryItem row{m_video, QStringLiteral("video"), QStringLiteral("film"), 100, 600, 0, false};
        Database::instance()->saveHistory(row);
        // The periodic save would write the new position at any moment of a
        // slow start; here only stopping may write it.
        m_window->m_saveTimer.stop();

        QVERIFY(pick(QStringLiteral("Assistir do início")));
        // A resume seek is asked for on the load, before playback moves on:
        // once it has moved, the position shows whether one came.
        QTRY_VERIFY(m_core->position() >= 1);
        QVERIFY2(m_core->position() < 5, qPrintable(QString::number(m_core->position())));
        QVERIFY(!resumeNoticeShown());
        // The row keeps its place until playback writes it.
        QCOMPARE(Database::instance()->historyFor(m_video)->position, 100.0);
        // Stopping saves where it got to: put the row back.
        stop();
        Database::instance()->saveHistory(row);

        QVERIFY(pick(QStringLiteral("Continuar de onde parei")));
        QTRY_VERIFY(m_core->position() >= 99);
        QTRY_VERIFY(resumeNoticeShown());
        stop();
        m_window->m_saveTimer.start();
    }
};

ORVEL_TEST_MAIN(TestRecentsWindow)
#include "tst_recentswindow.moc"
