#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "Icons.h"
#include "InputDialogAnswer.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "MenuDriver.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "ToastReader.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QToolButton>

#include <functional>
#include <memory>

// Receives what the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The media menu that pages open through the Host, and the video's context
// menu, on a real window and playback core under Xvfb.
class TestContext : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_song;
    QString m_other;
    QString m_film;    // video with chapters
    QString m_clip;    // video without chapters
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    static Database* db() { return Database::instance(); }

    // The rows of the menu that open() runs, or of one of its submenus.
    static QStringList rowsOf(const std::function<void()>& open, const QString& submenu = QString())
    {
        QStringList rows;
        MenuDriver::next([&](QMenu* menu) {
            QAction* sub = submenu.isEmpty() ? nullptr : MenuDriver::find(menu, {submenu});
            rows = MenuDriver::rows(sub ? sub->menu() : menu);
        });
        open();
        return rows;
    }

    QStringList mediaRows(const QStringList& paths, QMenu* extra = nullptr, const QString& submenu = QString())
    {
        return rowsOf([&] { m_window->showMediaMenu(paths, QPoint(300, 300), extra); }, submenu);
    }

    QStringList videoRows(const QString& submenu = QString())
    {
        return rowsOf([&] { emit m_window->m_video->rightClicked(QPoint(400, 300)); }, submenu);
    }

    bool pick(const QStringList& paths, const QStringList& entry)
    {
        bool picked = false;
        MenuDriver::next([&](QMenu* menu) { picked = MenuDriver::pick(menu, entry); });
        m_window->showMediaMenu(paths, QPoint(300, 300), nullptr);
        return picked;
    }

    bool load(const QString& path)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->playFiles({path}, 0);
        return loaded.wait(10000);
    }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(db()->open());
        m_song = m_dir.filePath(QStringLiteral("song.ogg"));
        m_other = m_dir.filePath(QStringLiteral("other.ogg"));
        QVERIFY2(MediaGen::audio(m_song, 20.0), qPrintable(MediaGen::lastError()));
        QVERIFY2(MediaGen::audio(m_other, 2.0), qPrintable(MediaGen::lastError()));
        m_film = m_dir.filePath(QStringLiteral("film.mp4"));
        MediaGen::Spec film;
        film.seconds = 20;
        film.video = true;
        film.width = 160;
        film.height = 120;
        film.rate = 10;
        film.chapters = {{0.0, QStringLiteral("Opening")}, {8.0, QStringLiteral("Middle")}};
        QVERIFY2(MediaGen::make(m_film, film), qPrintable(MediaGen::lastError()));
        m_clip = m_dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY2(MediaGen::video(m_clip, 20.0, 160, 120), qPrintable(MediaGen::lastError()));
        QString error;
        QVERIFY2(TestWindow::open(m_core, m_window, &error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    // Which rows appear for one file, one link and several paths; the
    // caller's extra entries lead and their menu goes once the popup closes.
    void mediaMenuRows()
    {
        auto* extra = new QMenu;
        extra->addAction(QStringLiteral("Mine"));
        QPointer<QMenu> guard(extra);
        const QStringList head = {QStringLiteral("Tocar"), QStringLiteral("Tocar em seguida"),
                                  QStringLiteral("Adicionar à fila"), QStringLiteral("Adicionar à playlist")};
        const QStringList file = QStringList{QStringLiteral("Favoritar"), QStringLiteral("-"),
                                             QStringLiteral("Abrir pasta do arquivo"),
                                             QStringLiteral("Copiar caminho")};
        QCOMPARE(mediaRows({m_song}, extra), QStringList({QStringLiteral("Mine"), QStringLiteral("-")}) + head + file);
        QTRY_VERIFY(!guard);

        extra = new QMenu;
        guard = extra;
        QCOMPARE(mediaRows({m_song}, extra), QStringList{QStringLiteral("-")} + head + file);
        QTRY_VERIFY(!guard);

        QCOMPARE(mediaRows({QStringLiteral("http://127.0.0.1:9/live.mp3")}),
                 head + QStringList{QStringLiteral("Favoritar")});
        QCOMPARE(mediaRows({m_song, m_other}), head);
        QCOMPARE(mediaRows({m_song}, nullptr, QStringLiteral("Adicionar à playlist")),
                 QStringList{QStringLiteral("Nova playlist…")});

        // No paths: no menu, and the handed-over extra menu still goes.
        extra = new QMenu;
        guard = extra;
        m_window->showMediaMenu({}, QPoint(300, 300), extra);
        QTRY_VERIFY(!guard);
    }

    // "New playlist…" stores the paths under the trimmed name; a failed
    // insert stores nothing and says so; Cancel does nothing.
    void newPlaylist()
    {
        const QStringList entry = {QStringLiteral("Adicionar à playlist"), QStringLiteral("Nova playlist…")};
        QSqlQuery trigger;
        QVERIFY(trigger.exec(QStringLiteral(
            "CREATE TRIGGER no_lists BEFORE INSERT ON playlists BEGIN SELECT RAISE(ABORT, 'full'); END")));
        InputDialogAnswer::next(QStringLiteral("Road trip"));
        QVERIFY(pick({m_song}, entry));
        QVERIFY(db()->playlists().isEmpty());
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Falha ao salvar"));
        QVERIFY(trigger.exec(QStringLiteral("DROP TRIGGER no_lists")));

        InputDialogAnswer::next(QStringLiteral("Cancelled"), false);
        QVERIFY(pick({m_song}, entry));
        QVERIFY(db()->playlists().isEmpty());

        InputDialogAnswer::next(QStringLiteral("  Road trip  "));
        QVERIFY(pick({m_song}, entry));
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Playlist criada"));
        const QList<Playlist> lists = db()->playlists();
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists.first().name, QStringLiteral("Road trip"));
        QCOMPARE(db()->playlistItems(lists.first().id), QStringList{m_song});
    }

    // The stored playlists follow a separator, by name; "&" stays a
    // character; an entry appends and names the playlist in the toast.
    void addToPlaylist()
    {
        const qint64 rock = db()->createPlaylist(QStringLiteral("rock & roll"));
        QVERIFY(rock > 0);
        const QString sub = QStringLiteral("Adicionar à playlist");
        QCOMPARE(mediaRows({m_song}, nullptr, sub),
                 QStringList({QStringLiteral("Nova playlist…"), QStringLiteral("-"), QStringLiteral("Road trip"),
                              QStringLiteral("rock && roll")}));
        QVERIFY(pick({m_other, m_clip}, {sub, QStringLiteral("Road trip")}));
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Adicionado a \"Road trip\""));
        const qint64 trip = db()->playlists().first().id;
        QCOMPARE(db()->playlistItems(trip), QStringList({m_song, m_other, m_clip}));
        QVERIFY(pick({m_song}, {sub, QStringLiteral("rock && roll")}));
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Adicionado a \"rock & roll\""));
        QCOMPARE(db()->playlistItems(rock), QStringList{m_song});

        // An addition that is not stored says so.
        QSqlQuery trigger;
        QVERIFY(trigger.exec(QStringLiteral(
            "CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.playlist_items BEGIN SELECT RAISE(ABORT, 'no'); END")));
        QVERIFY(pick({m_other}, {sub, QStringLiteral("rock && roll")}));
        QVERIFY(trigger.exec(QStringLiteral("DROP TRIGGER refuse")));
        QCOMPARE(ToastReader::text(m_window.get()), QStringLiteral("Falha ao salvar"));
        QCOMPARE(db()->playlistItems(rock), QStringList{m_song});
    }

    // Play starts the file; the favourite entry shows what the click will
    // do; the transport bar's heart follows only for the file that plays.
    void favourites()
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        QVERIFY(pick({m_song}, {QStringLiteral("Tocar")}));
        QVERIFY(loaded.wait(10000));
        QCOMPARE(m_core->path(), m_song);
        QToolButton* heart = m_window->m_controlBar->favoriteButton;
        QTRY_VERIFY(heart->isEnabled());
        QVERIFY(!heart->isChecked());

        QVERIFY(pick({m_other}, {QStringLiteral("Favoritar")}));
        QVERIFY(db()->isFavorite(m_other));
        QVERIFY(!heart->isChecked());

        QVERIFY(pick({m_song}, {QStringLiteral("Favoritar")}));
        QVERIFY(db()->isFavorite(m_song));
        QVERIFY(heart->isChecked());

        qint64 iconKey = 0;
        MenuDriver::next([&](QMenu* menu) {
            if (QAction* a = MenuDriver::find(menu, {QStringLiteral("Tirar dos favoritos")}))
                iconKey = a->icon().cacheKey();
        });
        m_window->showMediaMenu({m_song}, QPoint(300, 300), nullptr);
        QCOMPARE(iconKey, Icons::icon(QStringLiteral("heart")).cacheKey());
        QVERIFY(pick({m_song}, {QStringLiteral("Tirar dos favoritos")}));
        QVERIFY(!db()->isFavorite(m_song));
        QVERIFY(!heart->isChecked());
    }

    // "Show in folder" opens the folder; "Copy path" fills the clipboard.
    void fileEntries()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        QVERIFY(pick({m_song}, {QStringLiteral("Abrir pasta do arquivo")}));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(m_song).absolutePath())});

        QVERIFY(pick({m_song}, {QStringLiteral("Copiar caminho")}));
        QCOMPARE(QGuiApplication::clipboard()->text(), QDir::toNativeSeparators(m_song));
    }

    // The video's right-click menu: its rows in order, the speed in the
    // title in both languages, and chapters only for media that has them.
    void videoMenu()
    {
        QVERIFY(load(m_film));
        QTRY_COMPARE(m_core->chapters().size(), 2);
        QTRY_COMPARE(m_core->speed(), 1.0);
        const QStringList rows = {
            QStringLiteral("play_pause"), QStringLiteral("next"), QStringLiteral("prev"), QStringLiteral("-"),
            QStringLiteral("Velocidade (1x)"), QStringLiteral("Legenda"), QStringLiteral("Segunda legenda"),
            QStringLiteral("Áudio"), QStringLiteral("Proporção"), QStringLiteral("Capítulos"), QStringLiteral("-"),
            QStringLiteral("ab_loop"), QStringLiteral("rotate"), QStringLiteral("mirror"),
            QStringLiteral("image_adjust"), QStringLiteral("screenshot"), QStringLiteral("media_info"),
            QStringLiteral("-"), QStringLiteral("fullscreen"), QStringLiteral("mini"), QStringLiteral("on_top")};
        QCOMPARE(videoRows(), rows);
        QCOMPARE(videoRows(QStringLiteral("Capítulos")).size(), 2);
        QVERIFY(videoRows(QStringLiteral("Legenda")).endsWith(QStringLiteral("sub_style")));
        QVERIFY(videoRows(QStringLiteral("Áudio")).endsWith(QStringLiteral("normalize")));

        m_core->setSpeed(1.25);
        QTRY_COMPARE(m_core->speed(), 1.25);
        QVERIFY(videoRows().contains(QStringLiteral("Velocidade (1,25x)")));
        Lang::englishFlag() = true;
        const QStringList english = videoRows();
        Lang::englishFlag() = false;
        QVERIFY(english.contains(QStringLiteral("Speed (1.25x)")));
        QVERIFY(english.contains(QStringLiteral("Chapters")));
        m_core->setSpeed(1.0);

        QVERIFY(load(m_clip));
        QTRY_VERIFY(m_core->chapters().isEmpty());
        QStringList plain = rows;
        plain.removeAll(QStringLiteral("Capítulos"));
        QCOMPARE(videoRows(), plain);
    }
};

ORVEL_TEST_MAIN(TestContext)
#include "tst_context.moc"
