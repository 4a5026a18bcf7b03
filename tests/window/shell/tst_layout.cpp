#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "Lang.h"
#include "LayoutChecker.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MusicPage.h"
#include "PlayerCore.h"
#include "PlaylistsPage.h"
#include "QueuePanel.h"
#include "RadiosPage.h"
#include "RecentsPage.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "Toast.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QToolButton>

#include <memory>

namespace {
QString repeatTo(const QString& seed, int length)
{
    QString text;
    while (text.size() < length)
        text += seed;
    return text.left(length).trimmed();
}

QString longArtist()
{
    return repeatTo(QStringLiteral("Orquestra Sinfônica e Coral da Universidade Federal "), 100);
}

QString longAlbum()
{
    return repeatTo(QStringLiteral("Álbum duplo: gravações ao vivo no Teatro São João "), 100);
}
}  // namespace

// Walks the whole window, every page, panel and mode, in both languages and
// at sizes from the smallest window to a full HD screen, on a library whose
// names are long, and finds widgets that overlap, spill out of their parent,
// cut their text without an ellipsis or make a list scroll sideways.
class TestLayout : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_song;
    QString m_second;
    QString m_playlistName;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    LayoutChecker m_checker;
    QString m_lang;    // "pt" or "en"
    QString m_group;   // language and window size of the states being walked

    void setGroup(const QString& extra = QString())
    {
        m_group = QStringLiteral("%1 %2x%3%4").arg(m_lang).arg(m_window->width()).arg(m_window->height())
                      .arg(extra);
    }


    // Lets every posted layout request and deferred item layout run.
    static void settle()
    {
        for (int round = 0; round < 6; ++round) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
        }
    }

    void check(const QString& state)
    {
        settle();
        m_checker.check(m_window.get(), m_group, state);
    }

    bool resizeTo(const QSize& size)
    {
        settle();
        const QSize allowed = size.expandedTo(m_window->minimumSize());
        if (allowed != size)
            m_checker.note(m_lang, QStringLiteral("MainWindow cannot shrink to %1x%2: minimum %3x%4")
                                       .arg(size.width()).arg(size.height())
                                       .arg(m_window->minimumWidth()).arg(m_window->minimumHeight()));
        m_window->setGeometry(QRect(QPoint(0, 0), allowed));
        return QTest::qWaitFor([&] { return m_window->size() == allowed; }, 5000);
    }

    void page(const QString& id)
    {
        m_window->goToPage(id);
        check(id);
    }

    template <class Page> void eachTab(const QString& id)
    {
        m_window->goToPage(id);
        QTabBar* tabs = m_window->findChild<Page*>()->template findChild<QTabBar*>();
        QVERIFY(tabs);
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            check(id + QLatin1Char('/') + tabs->tabText(i));
        }
        tabs->setCurrentIndex(0);
    }

    void playlists()
    {
        m_window->goToPage(QStringLiteral("playlists"));
        auto* page = m_window->findChild<PlaylistsPage*>();
        auto* lists = page->findChild<QListWidget*>();
        QVERIFY(lists);
        int row = -1;
        for (int i = 0; i < lists->count(); ++i)
            if (lists->item(i)->text().contains(m_playlistName.left(30)))
                row = i;
        QVERIFY2(row >= 0, "the long playlist is not listed");
        page->selectList(0);
        check(QStringLiteral("playlists/first list (empty)"));
        page->selectList(row);
        check(QStringLiteral("playlists/long list"));
    }

    static bool discoverAnswered(const RadiosPage* page)
    {
        for (const QLabel* label : page->findChildren<QLabel*>())
            if (label->isVisible()
                && (label->text().startsWith(QStringLiteral("Sem conexão"))
                    || label->text().startsWith(QStringLiteral("Could not reach"))))
                return true;
        return false;
    }

    void radios()
    {
        m_window->goToPage(QStringLiteral("radios"));
        auto* page = m_window->findChild<RadiosPage*>();
        auto* sections = page->findChild<QListWidget*>();
        QVERIFY(sections && sections->count() >= 3);
        sections->setCurrentRow(0);
        // Offline the directory search fails at once; its answer is awaited
        // so that the same text is checked every time.
        if (!QTest::qWaitFor([&] { return discoverAnswered(page); }, 5000))
            qInfo("radios: the directory search never answered; its page is checked as it is");
        check(QStringLiteral("radios/discover"));
        sections->setCurrentRow(1);
        check(QStringLiteral("radios/mine"));
        sections->setCurrentRow(2);
        check(QStringLiteral("radios/group"));
        sections->setCurrentRow(1);
    }

    void toast()
    {
        m_window->goToPage(QStringLiteral("home"));
        m_window->toast(repeatTo(QStringLiteral("Não foi possível abrir o arquivo pedido agora, "), 160));
        check(QStringLiteral("home+toast"));
        for (Toast* t : m_window->findChildren<Toast*>())
            t->hide();
    }

    void walkPages()
    {
        page(QStringLiteral("home"));
        page(QStringLiteral("videos"));
        eachTab<MusicPage>(QStringLiteral("music"));
        playlists();
        eachTab<RecentsPage>(QStringLiteral("recents"));
        radios();
        page(QStringLiteral("settings"));
        page(QStringLiteral("player"));
        toast();
    }

    void setQueue(bool open)
    {
        QToolButton* button = m_window->findChild<ControlBar*>()->queueButton;
        if (button->isChecked() != open)
            button->click();
        QCOMPARE(m_window->findChild<QueuePanel*>()->isVisible(), open);
    }

    void trigger(const char* id)
    {
        QAction* action = Actions::instance()->actions.value(QString::fromLatin1(id));
        QVERIFY2(action, id);
        action->trigger();
    }

    void miniPlayer()
    {
        trigger("mini");
        QVERIFY(QTest::qWaitFor([&] { return m_window->isMiniPlayer() && m_window->height() < 260; }, 5000));
        setGroup();
        check(QStringLiteral("mini player"));
        trigger("mini");
        QTRY_VERIFY(!m_window->isMiniPlayer());
    }

    // Without a window manager nobody gives the window the screen: the test
    // does, as a window manager would on the fullscreen request.
    void fullscreen()
    {
        const QRect screen = m_window->screen()->geometry();
        trigger("fullscreen");
        QVERIFY(QTest::qWaitFor([&] { return m_window->isFullScreen(); }, 5000));
        if (m_window->geometry() != screen)
            m_window->setGeometry(screen);
        QVERIFY(QTest::qWaitFor([&] { return m_window->size() == screen.size(); }, 5000));
        setGroup();
        check(QStringLiteral("fullscreen"));
        trigger("fullscreen");
        QTRY_VERIFY(!m_window->isFullScreen());
    }

    void walkSizes()
    {
        const QList<QSize> sizes{{420, 260}, {760, 520}, {1000, 700}, {1366, 768}, {1920, 1080}};
        for (const QSize& size : sizes) {
            for (const bool queue : {false, true}) {
                setQueue(queue);
                QVERIFY(resizeTo(size));
                setGroup(queue ? QStringLiteral("+queue") : QString());
                walkPages();
            }
        }
        setQueue(false);
    }

    void walkLanguage(bool english)
    {
        Lang::englishFlag() = english;
        m_lang = english ? QStringLiteral("en") : QStringLiteral("pt");
        QVERIFY(TestWindow::show(m_core.get(), m_window, TestWindow::Active));
        QTRY_COMPARE(m_window->currentPageId(), QStringLiteral("home"));
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->playFiles({m_song, m_second}, 0);
        QVERIFY(loaded.wait(10000));
        m_core->setPaused(true);
        walkSizes();
        QVERIFY(resizeTo({760, 520}));
        miniPlayer();
        QVERIFY(resizeTo({760, 520}));
        fullscreen();
        m_core->stop();
        m_window.reset();
    }


    // A video, a song and a short one with long names in a folder with
    // accents.
    void fillLibrary()
    {
        const QString folder = m_dir.path() + QStringLiteral("/Coleção de músicas e vídeos da família");
        MediaItem video;
        video.path = folder + QStringLiteral("/viagem.mp4");
        video.kind = QStringLiteral("video");
        video.title = repeatTo(QStringLiteral("Viagem de férias à Serra da Estrela com os primos, parte "), 120);
        video.folder = folder;
        video.duration = 5400;
        MediaItem song;
        song.path = m_song;
        song.kind = QStringLiteral("audio");
        song.title = repeatTo(QStringLiteral("Canção muito comprida para testar a interface inteira "), 100);
        song.artist = longArtist();
        song.album = longAlbum();
        song.album_artist = song.artist;
        song.genre = QStringLiteral("Música Popular Brasileira e Ópera Contemporânea");
        song.folder = m_dir.path();
        song.duration = 30;
        song.track = 1;
        song.year = 1999;
        MediaItem second = song;
        second.path = m_second;
        second.title = QStringLiteral("Pequena");
        second.album = QStringLiteral("Ação");
        second.track = 2;
        Database::instance()->upsertMedia({video, song, second});
        fillLists(video);
    }

    // A long playlist, a long station of the user's own and one of an
    // imported list, and a history row for every tab of Recents.
    void fillLists(const MediaItem& video)
    {
        m_playlistName = repeatTo(QStringLiteral("Minhas favoritas para a viagem de carro ao litoral "), 90);
        const qint64 list = Database::instance()->createPlaylist(m_playlistName);
        Database::instance()->setPlaylistItems(list, {m_song, m_second, video.path});

        Station mine;
        mine.name = repeatTo(QStringLiteral("Rádio Comunitária da Associação de Moradores "), 90);
        mine.url = QStringLiteral("http://127.0.0.1:9/radio");
        mine.grp = QStringLiteral("radio");
        Database::instance()->saveStation(mine);
        Station channel = mine;
        channel.name = repeatTo(QStringLiteral("Canal Internacional de Notícias "), 80);
        channel.url = QStringLiteral("http://127.0.0.1:9/tv");
        channel.grp = repeatTo(QStringLiteral("Lista de canais internacionais "), 60);
        Database::instance()->saveStation(channel);

        HistoryItem watched{video.path, video.kind, video.title, 600, 5400, 0, false};
        Database::instance()->saveHistory(watched);
        HistoryItem heard{video.folder + QStringLiteral("/outra.mp3"), QStringLiteral("audio"), longAlbum(), 20,
                          200, 0, true};
        Database::instance()->saveHistory(heard);
        HistoryItem tuned{mine.url, QStringLiteral("stream"), mine.name, 0, 0, 0, false};
        Database::instance()->saveHistory(tuned);
    }

    bool makeSong(const QString& path, const QString& title)
    {
        MediaGen::Spec spec;
        spec.seconds = 30;
        spec.tags.insert(QStringLiteral("title"), title);
        spec.tags.insert(QStringLiteral("artist"), longArtist());
        spec.tags.insert(QStringLiteral("album"), longAlbum());
        return MediaGen::make(path, spec);
    }

    // Timed lyrics beside the song, one line of them long.
    static bool writeLyrics(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        const QString line =
            repeatTo(QStringLiteral("Uma linha de letra bem comprida que não cabe numa linha só "), 140);
        const QString text = QStringLiteral("[00:00.00]Primeira linha\n[00:01.00]%1\n[00:20.00]Fim\n").arg(line);
        return file.write(text.toUtf8()) > 0;
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_song = m_dir.filePath(QStringLiteral("cancao.flac"));
        QVERIFY2(makeSong(m_song, repeatTo(QStringLiteral("Canção muito comprida para testar a interface "), 100)),
                 qPrintable(MediaGen::lastError()));
        m_second = m_dir.filePath(QStringLiteral("pequena.flac"));
        QVERIFY2(makeSong(m_second, QStringLiteral("Pequena")), qPrintable(MediaGen::lastError()));
        QVERIFY(writeLyrics(m_dir.filePath(QStringLiteral("cancao.lrc"))));
        fillLibrary();
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
        Lang::englishFlag() = false;
    }

    // Every page, the queue panel and the modes, in both languages, from
    // the smallest window up: all faults are listed together at the end.
    void nothingOverlapsOrIsCut()
    {
        for (const bool english : {false, true}) {
            walkLanguage(english);
            if (QTest::currentTestFailed())
                return;
        }
        QStringList report = m_checker.faults();
        const int total = report.size();
        if (total > 60) {
            for (const QString& line : report)
                qInfo().noquote() << "layout:" << line;
            report = report.mid(0, 60) << QStringLiteral("... and %1 more (all listed above)").arg(total - 60);
        }
        // QVERIFY2 cuts its message at 1 KiB: the list goes through QFAIL.
        if (!report.isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 layout faults:\n").arg(total) + report.join(QLatin1Char('\n'))));
    }
};

ORVEL_TEST_MAIN(TestLayout)
#include "tst_layout.moc"
