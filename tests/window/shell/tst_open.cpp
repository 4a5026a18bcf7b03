#include "App.h"
#include "FakeWeb.h"
#include "Database.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "PlaylistFile.h"
#include "SingleInstance.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "ToastReader.h"

#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>

#include <memory>

#include <sys/stat.h>

// Opening media on the real window and playback core, under Xvfb.
class TestOpen : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_a, m_b;   // two short tracks
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    static void touch(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    // Straight to the window's handler, as Qt's drag manager would deliver it.
    void drop(QDropEvent* event) { static_cast<QObject*>(m_window.get())->event(event); }

    QString abs(const QString& rel) const { return QDir::cleanPath(m_dir.filePath(rel)); }

    static bool writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

    // The whole program's environment, with its data folder under data and
    // the update check off; a socket name of its own for each user.
    static QProcessEnvironment programEnv(const QString& data, const QString& user)
    {
        QDir().mkpath(data + QStringLiteral("/velloran/Orvel"));
        writeFile(data + QStringLiteral("/velloran/Orvel/config.ini"), "[%General]\ncheckUpdates=false\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        env.insert(QStringLiteral("ORVEL_MPVLOG"), QStringLiteral("v"));
        env.insert(QStringLiteral("https_proxy"), QStringLiteral("http://127.0.0.1:9"));
        env.insert(QStringLiteral("USER"), user);
        return env;
    }

    static QByteArray programLog(const QString& data)
    {
        QFile log(data + QStringLiteral("/velloran/Orvel/logs/orvel.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    static QByteArray opened(const QString& path) { return QFile::encodeName("Opening done: " + path); }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Lang::englishFlag() = true;
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_a = m_dir.filePath(QStringLiteral("a.ogg"));
        m_b = m_dir.filePath(QStringLiteral("b.ogg"));
        QVERIFY2(MediaGen::audio(m_a, 30.0), qPrintable(MediaGen::lastError()));
        QVERIFY(QFile::copy(m_a, m_b));
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error, TestWindow::Active), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    // Under the C locale, a relative folder gives absolute entries in natural
    // order; playlists expand in place, missing paths drop, links stay.
    void collectMediaNaturalAndAbsolute()
    {
        QLocale::setDefault(QLocale::c());
        for (const char* f : {"music/Track 10.mp3", "music/track 2.mp3", "music/Track 1.flac",
                              "music/zz/x.ogg", "music/.hidden.mp3", "music/Track 1.srt",
                              "music/list.m3u", "music/notes.txt"})
            touch(m_dir.filePath(QString::fromUtf8(f)));
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        const QList<QString> got = m_window->collectMedia({QStringLiteral("music")});
        QDir::setCurrent(cwd);
        QCOMPARE(got, (QList<QString>{abs("music/Track 1.flac"), abs("music/track 2.mp3"),
                                      abs("music/Track 10.mp3"), abs("music/zz/x.ogg")}));

        const QString list = m_dir.filePath(QStringLiteral("list.m3u8"));
        QFile f(list);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#EXTM3U\nb.ogg\nhttp://host/live\n");
        f.close();
        QCOMPARE(m_window->collectMedia({QStringLiteral("rtsp://cam/1"), list,
                                         m_dir.filePath(QStringLiteral("gone.mp3")), m_a}),
                 (QList<QString>{QStringLiteral("rtsp://cam/1"), abs("b.ogg"),
                                 QStringLiteral("http://host/live"), abs("a.ogg")}));
        QLocale::setDefault(QLocale::system());
    }

    // A second start's file with a line feed in its name arrives intact, and
    // brings the window back without undoing its maximized state.
    void secondStartWithLineFeed()
    {
        const QString odd = m_dir.filePath(QStringLiteral("two\nlines.ogg"));
        QVERIFY(QFile::copy(m_a, odd));
        const QStringList sent = SingleInstance::parseMessage(
            SingleInstance::message(SingleInstance::absoluteArguments({odd, "--x"})));
        m_window->showMaximized();
        m_window->showMinimized();
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->openFromCommandLine(sent, true);
        QVERIFY(loaded.wait(10000));
        QCOMPARE(m_core->path(), odd);
        QVERIFY(m_window->isVisible());
        QVERIFY(!(m_window->windowState() & Qt::WindowMinimized));
        QVERIFY(m_window->windowState() & Qt::WindowMaximized);
        m_window->showNormal();
    }

    // A drop with Ctrl held adds to the queue; without it, replaces it.
    void ctrlDropQueues()
    {
        m_core->openFiles({m_a}, 0);
        QTRY_COMPARE(m_core->queue().size(), 1);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(m_a), QUrl::fromLocalFile(m_b)});
        QDropEvent queued(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::ControlModifier);
        drop(&queued);
        QVERIFY(queued.isAccepted());
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("2 items added to queue"));
        QTRY_COMPARE(m_core->queue().size(), 3);

        QDropEvent replaced(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton,
                            Qt::NoModifier);
        drop(&replaced);
        QTRY_COMPARE(m_core->queue().size(), 2);
    }

    // A playlist is read off the GUI thread: nothing opens within the call,
    // then its folder line gives the folder's files in its place. What a
    // reading leaves out is told, and so is a second start that finds
    // nothing to open.
    void playlistsReadAside()
    {
        const QString dir = m_dir.filePath(QStringLiteral("aside"));
        QVERIFY(QDir().mkpath(dir + "/album"));
        QVERIFY(QFile::copy(m_a, dir + "/album/10.ogg") && QFile::copy(m_a, dir + "/album/2.ogg"));
        QVERIFY(writeFile(dir + "/list.m3u", "album\n" + m_b.toUtf8() + "\nd1.m3u\n"));
        for (int i = 1; i < 4; ++i)
            QVERIFY(writeFile(dir + QStringLiteral("/d%1.m3u").arg(i), QStringLiteral("d%1.m3u\n").arg(i + 1).toUtf8()));
        QVERIFY(writeFile(dir + "/d4.m3u", m_a.toUtf8()));
        QSignalSpy changed(m_core.get(), &PlayerCore::queueChanged);
        m_window->openFromCommandLine({dir + "/list.m3u"}, false);
        QCOMPARE(changed.count(), 0);
        const auto queued = [this] {
            QStringList paths;
            for (const QueueEntry& e : m_core->queue())
                paths << e.path;
            return paths;
        };
        QTRY_COMPARE(queued(), (QStringList{dir + "/album/2.ogg", dir + "/album/10.ogg", m_b}));
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Playlist nested too deep, skipped: d4.m3u"));

        m_window->openFromCommandLine({dir + "/gone.ogg"}, true);
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Nothing to open"));
    }

    // Whole program: a second start from another folder with a relative path
    // plays that file in the first instance.
    void secondStartFromAnotherFolder()
    {
        const QString first = m_dir.filePath(QStringLiteral("first"));
        const QString other = m_dir.filePath(QStringLiteral("other"));
        const QString data = m_dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(first) && QDir().mkpath(other));
        QVERIFY(QFile::copy(m_a, other + QStringLiteral("/song.ogg")));
        const QProcessEnvironment env = programEnv(data, qEnvironmentVariable("USER"));
        QProcess player;
        player.setProcessEnvironment(env);
        player.setWorkingDirectory(first);
        player.start(QStringLiteral(ORVEL_BINARY), {});
        QVERIFY(player.waitForStarted());
        const QString socket = SingleInstance::serverName();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 20000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(other);
        second.start(QStringLiteral(ORVEL_BINARY), {QStringLiteral("song.ogg")});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(programLog(data).contains(opened(other + "/song.ogg")), 15000);
        QVERIFY(!programLog(data).contains("Cannot open file"));
        player.kill();
        player.waitForFinished();
    }

    // Whole program: three starts at the same moment, with no player
    // running, give one player, which plays the files of all three.
    void startsAtOnceGiveOnePlayer()
    {
        const QString dir = m_dir.filePath(QStringLiteral("atonce"));
        const QString data = dir + QStringLiteral("/data");
        const QProcessEnvironment env = programEnv(data, qEnvironmentVariable("USER") + "-atonce");
        writeFile(data + QStringLiteral("/velloran/Orvel/config.ini"),
                  "[%General]\ncheckUpdates=false\nopenMode=queue\n");
        QStringList songs;
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 3; ++i) {
            songs << dir + QStringLiteral("/song%1.ogg").arg(i);
            QVERIFY2(MediaGen::audio(songs.last(), 1.0), qPrintable(MediaGen::lastError()));
        }
        for (const QString& song : songs) {
            starts.push_back(std::make_unique<QProcess>());
            starts.back()->setProcessEnvironment(env);
            starts.back()->start(QStringLiteral(ORVEL_BINARY), {song});
        }
        const auto ended = [&] {
            int n = 0;
            for (const auto& p : starts)
                n += p->state() == QProcess::NotRunning ? 1 : 0;
            return n;
        };
        QTRY_COMPARE_WITH_TIMEOUT(ended(), 2, 60000);
        for (const QString& song : songs)
            QTRY_VERIFY2_WITH_TIMEOUT(programLog(data).contains(opened(song)), qPrintable(song), 60000);
        QCOMPARE(ended(), 2);
        QCOMPARE(programLog(data).count(" iniciando, Qt"), 1);
        for (const auto& p : starts) {
            if (p->state() == QProcess::NotRunning)
                QCOMPARE(p->exitCode(), 0);
            p->kill();
            p->waitForFinished();
        }
    }

    // Whole program: a playlist that lists itself plays the song it also
    // lists, and a second start with one longer than the cap opens the
    // first entries, says so and plays them. A folder entry that would be
    // a walk of the whole disk, a self-listing playlist under a song's name,
    // a link that answers with itself and a FIFO nobody writes to each give
    // way to the song after them; one that lists itself and a song plays the
    // song once.
    void hostilePlaylistsFromCommandLine()
    {
        const QString dir = m_dir.filePath(QStringLiteral("lists"));
        const QString data = dir + QStringLiteral("/data");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::copy(m_a, dir + "/one.ogg") && QFile::copy(m_a, dir + "/two.ogg"));
        QVERIFY(writeFile(dir + "/self.m3u", "self.m3u\none.ogg\n"));
        QVERIFY(writeFile(dir + "/long.m3u", QByteArray("two.ogg\n").repeated(PlaylistFile::kMaxEntries + 1)));
        const QProcessEnvironment env = programEnv(data, qEnvironmentVariable("USER") + "-lists");
        QProcess player;
        player.setProcessEnvironment(env);
        player.start(QStringLiteral(ORVEL_BINARY), {dir + "/self.m3u"});
        QVERIFY(player.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(programLog(data).contains(opened(dir + "/one.ogg")), 20000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(ORVEL_BINARY), {dir + "/long.m3u"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        const QByteArray notice =
            QStringLiteral("abertas só as primeiras %1 entradas").arg(PlaylistFile::kMaxEntries).toUtf8();
        QTRY_VERIFY_WITH_TIMEOUT(programLog(data).contains(notice), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(programLog(data).contains(opened(dir + "/two.ogg")), 20000);

        FakeWeb web;
        QVERIFY(web.start());
        const QString self = QStringLiteral("http://127.0.0.1:%1/self.m3u").arg(web.serverPort());
        web.answer("127.0.0.1", "/self.m3u", 200, "#EXTM3U\n" + self.toUtf8() + "\n", "audio/x-mpegurl");
        QVERIFY(writeFile(dir + "/root.m3u", "/\nthree.ogg\n"));
        QVERIFY(writeFile(dir + "/loop.mp3", "#EXTM3U\nloop.mp3\n"));
        const QString brief = dir + "/brief.ogg";
        QVERIFY2(MediaGen::audio(brief, 1.0), qPrintable(MediaGen::lastError()));
        QVERIFY(writeFile(dir + "/loopsong.mp3", "#EXTM3U\nloopsong.mp3\n" + brief.toUtf8() + "\n"));
        QCOMPARE(mkfifo(QFile::encodeName(dir + "/pipe.mp3").constData(), 0600), 0);
        QVERIFY(writeFile(dir + "/pipe.m3u", "pipe.mp3\nsix.ogg\n"));
        const QList<QPair<QStringList, QString>> starts{{{dir + "/root.m3u"}, dir + "/three.ogg"},
                                                        {{dir + "/loop.mp3", dir + "/four.ogg"}, dir + "/four.ogg"},
                                                        {{self, dir + "/five.ogg"}, dir + "/five.ogg"},
                                                        {{dir + "/pipe.m3u"}, dir + "/six.ogg"},
                                                        {{dir + "/loopsong.mp3", dir + "/seven.ogg"}, dir + "/seven.ogg"}};
        for (const auto& [args, song] : starts) {
            QVERIFY(QFile::copy(m_a, song));
            second.start(QStringLiteral(ORVEL_BINARY), args);
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitCode(), 0);
            QTRY_VERIFY2_WITH_TIMEOUT(programLog(data).contains(opened(song)), qPrintable(song), 60000);
        }
        QVERIFY(web.count() < 20);
        QCOMPARE(programLog(data).count(opened(brief)), 1);
        player.kill();
        player.waitForFinished();
    }

    // Whole program where no OpenGL context can be had: two videos play
    // their sound to the end without a picture, the user is told once, and
    // the song after them starts in a program still running.
    void videosWithoutOpenGL()
    {
        const QString dir = m_dir.filePath(QStringLiteral("nogl"));
        const QString data = dir + QStringLiteral("/data");
        const QString video = dir + QStringLiteral("/clip.mp4");
        const QString song = dir + QStringLiteral("/after.ogg");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY2(MediaGen::video(video, 2.0), qPrintable(MediaGen::lastError()));
        QVERIFY(QFile::copy(m_a, song));
        QProcessEnvironment env = programEnv(data, qEnvironmentVariable("USER") + "-nogl");
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
        env.insert(QStringLiteral("ORVEL_OPT"), QStringLiteral("ao=null"));
        QProcess player;
        player.setProcessEnvironment(env);
        player.start(QStringLiteral(ORVEL_BINARY), {video, video, song});
        QVERIFY(player.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(programLog(data).contains(QFile::encodeName("Playing: " + song)), 60000);
        QCOMPARE(programLog(data).count("sem OpenGL"), 1);
        QCOMPARE(player.state(), QProcess::Running);
        player.kill();
        player.waitForFinished();
    }
};

ORVEL_TEST_MAIN(TestOpen)
#include "tst_open.moc"
