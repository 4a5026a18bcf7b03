#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "FakeWeb.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MpvWidget.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "Thumbnailer.h"
#include "ToastReader.h"

#include <QAction>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>

#include <algorithm>
#include <memory>

// The most one step of a program start may take on a heavily loaded
// machine (a load of 30 to 60 on 8 cores): a bound to wait within.
constexpr int kBusyStartMs = 60000;

// Counts the repaint passes of one top-level window: each update request
// the window's widgets take is one flush of its backing store.
class UpdateCounter : public QObject
{
public:
    explicit UpdateCounter(QWidget* top) : m_top(top) { qApp->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest && (watched == m_top || watched == m_top->windowHandle()))
            ++count;
        return false;
    }

private:
    QWidget* m_top;
};

// Resume, history rows, play counting and the playback toasts of the window
// on a real playback core, under Xvfb.
class TestPlayback : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_video;      // 40 s with picture
    QString m_clip;       // 3 s with picture
    QString m_book;       // 1201 s of sound
    QString m_song;       // 30 s of sound
    QString m_short;      // 3 s of sound
    QString m_track;      // 4 s of sound
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    static Database* db() { return Database::instance(); }

    void setRow(const QString& path, const QString& kind, double position, double duration)
    {
        HistoryItem item{path, kind, QStringLiteral("t"), position, duration, 0, false};
        db()->saveHistory(item);
    }

    void stopAndWait()
    {
        if (m_core->isIdle())
            return;
        m_core->stop();
        QTRY_VERIFY(m_core->isIdle());
    }

    // Plays through the window and waits until the file is loaded and the
    // window has done its bookkeeping.
    bool play(const QList<QString>& paths)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->playFiles(paths, 0);
        return loaded.wait(10000);
    }

    bool resume(const QString& path)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->playResume(path);
        return loaded.wait(10000);
    }

    QWidget* banner() const
    {
        for (QWidget* w : m_window->m_videoArea->findChildren<QWidget*>(QStringLiteral("Card")))
            if (w->isVisible() && w->findChild<QLabel*>())
                return w;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(db()->open());
        m_video = m_dir.filePath(QStringLiteral("film.mp4"));
        MediaGen::Spec film;
        film.seconds = 40;
        film.video = true;
        film.width = 160;
        film.height = 120;
        film.rate = 10;
        QVERIFY2(MediaGen::make(m_video, film), qPrintable(MediaGen::lastError()));
        m_clip = m_dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY2(MediaGen::video(m_clip, 3.0, 160, 120), qPrintable(MediaGen::lastError()));
        m_book = m_dir.filePath(QStringLiteral("book.opus"));
        MediaGen::Spec book;
        book.seconds = 1201;
        book.extra = QStringList{"-ac", "1", "-ar", "8000", "-b:a", "6k"};
        QVERIFY2(MediaGen::make(m_book, book), qPrintable(MediaGen::lastError()));
        m_song = m_dir.filePath(QStringLiteral("song.ogg"));
        QVERIFY2(MediaGen::audio(m_song, 30.0), qPrintable(MediaGen::lastError()));
        m_short = m_dir.filePath(QStringLiteral("short.ogg"));
        QVERIFY2(MediaGen::audio(m_short, 3.0), qPrintable(MediaGen::lastError()));
        m_track = m_dir.filePath(QStringLiteral("track.ogg"));
        QVERIFY2(MediaGen::audio(m_track, 4.0), qPrintable(MediaGen::lastError()));
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    void cleanup() { stopAndWait(); }

    // A video resumes from an unfinished row inside (5 s, end - 10 s), with
    // one banner whose button starts over; other rows start from 0.
    void videoResumes()
    {
        setRow(m_video, QStringLiteral("video"), 20, 40);
        QVERIFY(play({m_video}));
        QTRY_VERIFY(m_core->position() >= 19);
        QWidget* shown = banner();
        QVERIFY(shown);
        QCOMPARE(shown->findChild<QLabel*>()->text(), QStringLiteral("Continuando de 0:20"));
        QCOMPARE(shown->pos(), QPoint(24, 24));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("film — Orvel"));   // as the library names it
        QPushButton* over = shown->findChild<QPushButton*>();
        QCOMPARE(over->text(), QStringLiteral("Começar do início"));
        QPointer<QWidget> guard(shown);
        over->click();
        QTRY_VERIFY(m_core->position() < 5);
        QTRY_VERIFY(!guard);
        QVERIFY(!banner());
        stopAndWait();

        for (double saved : {4.0, 33.0}) {
            setRow(m_video, QStringLiteral("video"), saved, 40);
            QVERIFY(play({m_video}));
            QTRY_VERIFY(m_core->position() >= 1);  // past the load, where a resume seeks
            QVERIFY2(m_core->position() < 3, qPrintable(QString::number(saved)));
            QVERIFY(!banner());
            stopAndWait();
        }
    }

    // Long audio resumes by itself; short audio only when asked to, even
    // with resuming switched off.
    void audioResumes()
    {
        setRow(m_book, QStringLiteral("audio"), 100, 1201);
        QVERIFY(play({m_book}));
        QTRY_VERIFY(m_core->position() >= 99);
        stopAndWait();

        setRow(m_song, QStringLiteral("audio"), 12, 30);
        QVERIFY(play({m_song}));
        QTRY_VERIFY(m_core->position() >= 1);
        QVERIFY(m_core->position() < 5);
        stopAndWait();

        App::set(QStringLiteral("playback/resume"), false);
        setRow(m_song, QStringLiteral("audio"), 12, 30);
        QVERIFY(resume(m_dir.path() + QStringLiteral("/./song.ogg")));
        QTRY_VERIFY(m_core->position() >= 11);
        App::set(QStringLiteral("playback/resume"), true);
    }

    // End rows: a finished video is marked and its history thumbnail is
    // dropped; a finished audio file keeps its load row; a link gets a
    // "stream" row at 0. Two-entry queues, so the first entry really ends.
    void historyRows()
    {
        const QString thumb = Thumbnailer::cacheFile(Thumbnailer::keyFor(m_clip, QStringLiteral("hist")));
        QFile(thumb).open(QIODevice::WriteOnly);
        QVERIFY(QFile::exists(thumb));
        QSignalSpy ended(m_core.get(), &PlayerCore::fileEnded);
        QVERIFY(play({m_clip, m_song}));
        QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 10000);
        std::optional<HistoryItem> row = db()->historyFor(m_clip);
        QVERIFY(row);
        QVERIFY(row->finished);
        QCOMPARE(row->kind, QStringLiteral("video"));
        QVERIFY(!QFile::exists(thumb));
        stopAndWait();

        db()->removeHistory(m_short);
        ended.clear();
        QVERIFY(play({m_short, m_song}));
        QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 10000);
        row = db()->historyFor(m_short);
        QVERIFY(row);
        QVERIFY(!row->finished);
        QCOMPARE(row->position, 0.0);
        stopAndWait();

        const QString link = QStringLiteral("av://lavfi:sine=frequency=440");
        QVERIFY(play({link}));
        row = db()->historyFor(link);
        QVERIFY(row);
        QCOMPARE(row->kind, QStringLiteral("stream"));
        QCOMPARE(row->position, 0.0);
    }

    // A song opened from outside the library gets a row with its title
    // only; the now-playing view still shows its artist and album.
    void outsideSongShowsItsTags()
    {
        const QString song = m_dir.filePath(QStringLiteral("tagged.ogg"));
        QVERIFY2(MediaGen::audio(song, 3.0, {{"title", "Cedo"}, {"artist", "Banda Norte"}, {"album", "Mar"}}),
                 qPrintable(MediaGen::lastError()));
        QVERIFY(play({song}));
        const auto shows = [this](const QString& text) {
            const QList<QLabel*> labels = m_window->m_nowPlaying->findChildren<QLabel*>();
            return std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text().contains(text); });
        };
        QTRY_VERIFY(shows(QStringLiteral("Banda Norte")));
        QVERIFY(shows(QStringLiteral("Mar")));
        QCOMPARE(db()->mediaByPath(song)->title, QStringLiteral("Cedo"));
    }

    // The periodic save writes only the file that is really playing: in the
    // moment between one file's end and the next load the window still
    // names the old file while the core reports the new one.
    void saveIgnoresTheNextFile()
    {
        setRow(m_clip, QStringLiteral("video"), 3, 3);
        HistoryItem done = *db()->historyFor(m_clip);
        done.finished = true;
        db()->saveHistory(done);
        QVERIFY(play({m_video}));
        QTRY_VERIFY(m_core->position() > 0.5);
        m_window->m_currentPath = m_clip;
        m_window->saveCurrentPosition(false);
        QVERIFY(db()->historyFor(m_clip)->finished);

        m_window->m_currentPath = m_video;
        m_window->saveCurrentPosition(false);
        QVERIFY(db()->historyFor(m_video)->position > 0.5);
    }

    // Stop while a video opened from the Videos page plays: back on Videos,
    // and the player view shows nothing of the stopped file.
    void stopReturnsToThePage()
    {
        m_window->goToPage(QStringLiteral("videos"));
        QVERIFY(play({m_video}));
        QCOMPARE(m_window->currentPageId(), QStringLiteral("player"));
        Actions::instance()->actions.value(QStringLiteral("stop"))->trigger();
        QTRY_VERIFY(m_core->isIdle());
        QTRY_COMPARE(m_window->currentPageId(), QStringLiteral("videos"));
        for (QLabel* label : m_window->m_nowPlaying->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(m_window->m_nowPlaying))
                continue;
            QVERIFY2(label->text().isEmpty(), qPrintable(label->text()));
            QVERIFY(label->pixmap().isNull());
        }
    }

    // An endless MP3 over HTTP reads "AO VIVO" in the bar from its load on,
    // as the first thing played and after a song; after Stop the bar reads
    // "0:00" under "Nada tocando".
    void radioReadsLiveInTheBar()
    {
        QFile song(m_short);
        QVERIFY(song.open(QIODevice::ReadOnly));
        FakeWeb web;
        QVERIFY(web.start());
        web.answerEndless(QStringLiteral("127.0.0.1"), QStringLiteral("/radio"), song.readAll(), "audio/mpeg");
        const QString radio = QStringLiteral("http://127.0.0.1:%1/radio").arg(web.serverPort());
        ControlBar* bar = m_window->m_controlBar;
        QLabel* length = bar->findChildren<QLabel*>(QStringLiteral("TimeLabel")).value(1);
        QLabel* title = bar->findChild<QLabel*>(QStringLiteral("NowTitle"));
        QVERIFY(length && title);
        for (const QList<QString>& paths : {QList<QString>{radio}, QList<QString>{m_short, radio}}) {
            QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
            const bool named = paths.size() > 1;   // as a radio list names its channels
            m_window->playFiles(paths, 0, named ? QList<QString>{QString(), "Rádio Teste"} : QList<QString>());
            QVERIFY(loaded.wait(10000));
            QTRY_VERIFY_WITH_TIMEOUT(m_core->path() == radio && m_core->position() > 0.5, 20000);
            QCOMPARE(length->text(), QStringLiteral("AO VIVO"));
            if (named)   // a name stored from the link's first play gives way
                QCOMPARE(title->text(), QStringLiteral("Rádio Teste"));
            Actions::instance()->actions.value(QStringLiteral("stop"))->trigger();
            QTRY_VERIFY(m_core->isIdle());
            QTRY_COMPARE(length->text(), QStringLiteral("0:00"));
            QCOMPARE(title->text(), QStringLiteral("Nada tocando"));
        }
    }

    // After a video, a link that is slow to fail is named in the bar and the
    // window's title while it is tried; its failure sends the user back to
    // the page before, where its message shows.
    void triedLinkAndItsFailureShow()
    {
        FakeWeb web;
        QVERIFY(web.start());
        const QString host = QStringLiteral("127.0.0.1");
        web.hold(host, QStringLiteral("/slow"));
        const QString slow = QStringLiteral("http://127.0.0.1:%1/slow").arg(web.serverPort());
        m_window->goToPage(QStringLiteral("home"));
        QVERIFY(play({m_clip}));
        QCOMPARE(m_window->currentPageId(), QStringLiteral("player"));
        m_window->playFiles({slow}, 0, {QStringLiteral("Rádio Lenta")});
        QLabel* title = m_window->m_controlBar->findChild<QLabel*>(QStringLiteral("NowTitle"));
        QTRY_VERIFY_WITH_TIMEOUT(web.count(host) == 1, 20000);
        QTRY_COMPARE(title->text(), QStringLiteral("Rádio Lenta"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Rádio Lenta — Orvel"));
        QCOMPARE(web.release(host, QStringLiteral("/slow"), 404, "gone", "text/plain"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPageId(), QStringLiteral("home"), 20000);
        QTRY_VERIFY(ToastReader::text(m_window.get()).contains(QStringLiteral("Rádio Lenta")));
    }

    // A 4-s track counts after 2 s of playing; paused time does not count.
    void playCounting()
    {
        QVERIFY(play({m_track, m_song}));
        m_core->setPaused(true);
        QTRY_VERIFY(m_core->isPaused());
        m_window->m_playedSeconds = 0;
        for (int i = 0; i < 3; ++i)
            m_window->onPlayTimer();
        QCOMPARE(db()->mediaByPath(m_track)->play_count, 0);
        m_core->setPaused(false);
        QTRY_VERIFY(!m_core->isPaused());
        for (int i = 0; i < 4; ++i)
            m_window->onPlayTimer();
        QCOMPARE(db()->mediaByPath(m_track)->play_count, 1);
    }

    // While only time runs on, the window is redrawn about once a second;
    // minimized, not at all. A window that never showed a video holds no
    // OpenGL widget, which would make every redraw a composition.
    void fewRedrawsWhilePlaying()
    {
        const QString song = m_dir.filePath(QStringLiteral("long.ogg"));
        QVERIFY2(MediaGen::audio(song, 240.0), qPrintable(MediaGen::lastError()));
        m_window.reset();
        QVERIFY(TestWindow::show(m_core.get(), m_window, TestWindow::Active));
        QVERIFY(play({song}));
        QTRY_VERIFY(m_core->position() >= 1);
        QVERIFY(!m_window->findChild<MpvWidget*>());

        UpdateCounter shown(m_window.get());
        double start = m_core->position();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= start + 5, 15000);
        QVERIFY2(shown.count >= 1 && shown.count <= 12, qPrintable(QString::number(shown.count)));

        m_window->showMinimized();
        QTRY_VERIFY(m_window->isMinimized());
        QCoreApplication::processEvents();
        UpdateCounter minimized(m_window.get());
        start = m_core->position();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= start + 3, 15000);
        QCOMPARE(minimized.count, 0);
        m_window->showNormal();
        QTRY_VERIFY(!m_window->isMinimized());
    }

    // Seek, volume and speed commands and what they tell the user.
    void commandToasts()
    {
        QVERIFY(play({m_video}));
        m_window->findChild<ControlBar*>()->fwd10Button->click();
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("+10 s"));
        m_window->seekStep(-5);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("-5 s"));

        m_core->setVolume(198);
        QTRY_COMPARE(m_core->volume(), 198.0);
        m_window->changeVolume(5);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Volume 200%"));
        QTRY_COMPARE(m_core->volume(), 200.0);
        QCOMPARE(App::get(QStringLiteral("audio/volume")).toDouble(), 203.0);
        m_core->setVolume(100);

        m_core->setSpeed(8);
        QTRY_COMPARE(m_core->speed(), 8.0);
        m_window->changeSpeed(0.25);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Velocidade 8x"));
        m_window->setSpeedValue(0.004);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Velocidade 0,1x"));
        QTRY_COMPARE(m_core->speed(), 0.1);
        QCOMPARE(App::get(QStringLiteral("playback/speed")).toDouble(), 0.1);
        m_window->setSpeedValue(1.0);
        QTRY_COMPARE(m_core->speed(), 1.0);
    }

    // A hard kill after a periodic save leaves a row; the next start of the
    // same file continues from it.
    void killedProgramResumes()
    {
        const QString root = m_dir.filePath(QStringLiteral("kill"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* sub : {"home", "data", "config", "cache", "runtime"})
            QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("USER"), QStringLiteral("orvelkill-%1").arg(QCoreApplication::applicationPid()));
        env.insert(QStringLiteral("ORVEL_HWDEC"), QStringLiteral("no"));
        env.insert(QStringLiteral("https_proxy"), QStringLiteral("http://127.0.0.1:9"));
        // The first run starts 15 s in, so its saved position cannot be
        // mistaken for a second run that started from the beginning.
        env.insert(QStringLiteral("ORVEL_OPT"), QStringLiteral("vo=null;ao=null;start=15"));

        // Each wait follows what the program does, with bounds that a start
        // on a heavily loaded machine meets.
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(ORVEL_BINARY), {m_video});
        QVERIFY(first.waitForStarted(kBusyStartMs));
        QString file;
        QTRY_VERIFY_WITH_TIMEOUT(!(file = dbFile(root)).isEmpty() || first.state() != QProcess::Running,
                                 kBusyStartMs);
        QVERIFY(!file.isEmpty());
        Row saved;
        QTRY_VERIFY_WITH_TIMEOUT((saved = savedRow(file)).position > 15 || first.state() != QProcess::Running,
                                 kBusyStartMs);
        QVERIFY2(saved.position > 15, qPrintable(first.readAllStandardError()));
        first.kill();
        QVERIFY(first.waitForFinished(kBusyStartMs));
        QCOMPARE(savedRow(file).position, saved.position);

        env.insert(QStringLiteral("ORVEL_OPT"), QStringLiteral("vo=null;ao=null"));
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(ORVEL_BINARY), {m_video});
        QVERIFY(second.waitForStarted(kBusyStartMs));
        // The row of its load comes first (a new time, the old position),
        // then its first periodic save: past the old position when it
        // resumed, a few seconds in when it started over.
        QTRY_VERIFY_WITH_TIMEOUT(savedRow(file) != saved || second.state() != QProcess::Running, kBusyStartMs);
        Row now = saved;
        QTRY_VERIFY_WITH_TIMEOUT((now = savedRow(file)).position != saved.position
                                     || second.state() != QProcess::Running,
                                 kBusyStartMs);
        second.kill();
        second.waitForFinished(kBusyStartMs);
        QVERIFY2(now.position > saved.position,
                 qPrintable(QStringLiteral("%1 after %2").arg(now.position).arg(saved.position)));
    }

private:
    static QString dbFile(const QString& root)
    {
        QDirIterator it(root + QStringLiteral("/data"), {QStringLiteral("biblioteca.db")}, QDir::Files,
                        QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }

    // The history row of the test video; position -1 while there is none.
    struct Row {
        double position = -1;
        qint64 lastPlayed = 0;
        bool operator!=(const Row& other) const
        {
            return position != other.position || lastPlayed != other.lastPlayed;
        }
    };

    Row savedRow(const QString& file) const
    {
        Row row;
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("kill"));
            c.setDatabaseName(file);
            if (c.open()) {
                QSqlQuery q(c);
                q.prepare(QStringLiteral("SELECT position, last_played FROM history WHERE path=?"));
                q.addBindValue(m_video);
                if (q.exec() && q.next())
                    row = {q.value(0).toDouble(), q.value(1).toLongLong()};
            }
            c.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("kill"));
        return row;
    }
};

ORVEL_TEST_MAIN(TestPlayback)
#include "tst_playback.moc"
