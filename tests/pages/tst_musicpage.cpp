#include "App.h"
#include "CardView.h"
#include "Database.h"
#include "Lang.h"
#include "Library.h"
#include "MusicPage.h"
#include "PageRoles.h"
#include "RecordingHost.h"
#include "TestEnv.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>

namespace {

MediaItem song(const QString& path, const QString& title, const QString& artist, const QString& album,
               const QString& genre, int track = 0, double duration = 0, int year = 0,
               const QString& albumArtist = QString(), int disc = 0)
{
    MediaItem m;
    m.path = path;
    m.kind = QStringLiteral("audio");
    m.folder = QFileInfo(path).absolutePath();
    m.title = title;
    m.artist = artist;
    m.album = album;
    m.genre = genre;
    m.track = track;
    m.duration = duration;
    m.year = year;
    m.album_artist = albumArtist;
    m.disc = disc;
    return m;
}

// Grouping edge cases: album names differing in case, no album, no artist,
// an album artist, a first track without any artist, genres differing in
// case, accents, and years missing on some tracks.
QList<MediaItem> library()
{
    return {song("/m/a/01.flac", "Sky", "Ana", "Blue", "Pop", 1, 200, 2001),
            song("/m/a/02.flac", "Sea", "Ana", "blue", "Pop", 2, 3700),
            song("/m/a/03.flac", "Sun", "Ana", "BLUE", "Pop", 10, 0, 2003),
            song("/m/b/x.mp3", "", "", "", ""),
            song("/m/b/y.mp3", "Yes", "bruno", "", "Rock", 3, 61),
            song("/m/c/z.ogg", "Zed", "", "Mixed", "rock"),
            song("/m/c/w.ogg", "Wave", "Carla", "Mixed", "Rock"),
            song("/m/d/e.flac", "Eco", "Élise", "Paris", "Jazz", 2, 0, 1999, "Various"),
            song("/m/d/f.flac", "Fim", "Zé", "Paris", "Jazz", 1),
            song("/m/e/n.flac", "Nada", "zé", "Só", "Jazz")};
}

void wipe()
{
    QSqlQuery().exec(QStringLiteral("DELETE FROM media"));
}

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QPushButton* chipOf(MusicPage& page)
{
    for (QPushButton* b : page.findChildren<QPushButton*>())
        if (b->property("chip").toBool())
            return b;
    return nullptr;
}

}  // namespace

class TestMusicPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_NO_THUMBS", "1");
        QVERIFY(Database::instance()->open());
    }

    void init()
    {
        wipe();
        Database::instance()->upsertMedia(library());
    }

    void groups()
    {
        RecordingHost host;
        MusicPage page(&host);
        auto* tabs = page.findChild<QTabBar*>();
        auto* list = page.findChild<QListWidget*>();
        CardView* albums = page.findChild<CardView*>();

        tabs->setCurrentIndex(1);
        QStandardItemModel* cards = albums->model;
        QStringList names, subtitles, keys;
        for (int r = 0; r < cards->rowCount(); ++r) {
            names << cards->item(r)->text();
            subtitles << cards->item(r)->data(SubtitleRole).toString();
            keys << cards->item(r)->data(KeyRole).toString();
        }
        const QString noAlbum = L("Sem álbum", "No album");
        // One title by an album artist and by another artist is two albums;
        // a song without an artist joins its folder's album; the songs
        // without an album are one card whoever sings them.
        QCOMPARE(names, QStringList({"BLUE", "Mixed", "Paris", "Paris", noAlbum, "Só"}));
        QCOMPARE(subtitles, QStringList({"Ana · 2003", "Carla", "Various · 1999", "Zé", "bruno", "zé"}));
        QCOMPARE(keys, QStringList({"BLUE", "Mixed", "Paris", "Paris", "", "Só"}));
        QCOMPARE(cards->item(0)->data(PathsRole).toStringList(),
                 QStringList({"/m/a/01.flac", "/m/a/02.flac", "/m/a/03.flac"}));
        QCOMPARE(cards->item(0)->data(PathRole).toString(), QStringLiteral("/m/a/01.flac"));
        QCOMPARE(cards->item(4)->data(PathRole).toString(), QString());   // no other album's cover

        tabs->setCurrentIndex(2);
        const QString unknown = L("Artista desconhecido", "Unknown artist");
        QCOMPARE(texts(list), QStringList({unknown + "   ·   2", "Ana   ·   3", "bruno   ·   1", "Carla   ·   1",
                                           "Élise   ·   1", "zé   ·   1", "Zé   ·   1"}));
        QCOMPARE(list->item(0)->data(KeyRole).toString(), QString());
        QCOMPARE(list->item(0)->data(PathsRole).toStringList(), QStringList({"/m/b/x.mp3", "/m/c/z.ogg"}));
        QCOMPARE(list->item(0)->data(KindRole).toString(), QStringLiteral("artist"));

        tabs->setCurrentIndex(3);
        QCOMPARE(texts(list), QStringList({L("Sem gênero", "No genre") + "   ·   1", "Jazz   ·   3",
                                           "Pop   ·   3", "rock   ·   1", "Rock   ·   2"}));
        tabs->setCurrentIndex(4);
        QCOMPARE(list->count(), 5);
        QCOMPARE(list->item(3)->text(), QStringLiteral("/m/d   ·   2"));
        QCOMPARE(list->item(3)->data(KindRole).toString(), QStringLiteral("folder"));

        // An empty key is a filter too ("no genre"), and a hit anywhere else
        // brings the song table back.
        tabs->setCurrentIndex(3);
        emit list->itemActivated(list->item(0));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(page.visiblePaths(), QStringList({"/m/b/x.mp3"}));
        QCOMPARE(chipOf(page)->text(), L("Gênero: (vazio)", "Genre: (empty)"));
        QVERIFY(!chipOf(page)->isHidden());

        // Without an album artist, one title in one folder is one album,
        // credited to various artists when its songs name several; the
        // same title in another folder is another album.
        Database::instance()->upsertMedia({song("/m/v/3.flac", "Três", "Caio feat. Ana", "Mix", "", 3),
                                           song("/m/x/2.flac", "Menos", "Flor", "Mix", "", 2),
                                           song("/m/v/1.flac", "Um", "Ana", "Mix", "", 1),
                                           song("/m/x/1.flac", "Mais", "Elis", "Mix", "", 1),
                                           song("/m/v/2.flac", "Dois", "Bia", "Mix", "", 2)});
        tabs->setCurrentIndex(1);
        QList<QStringList> mixes;
        for (int r = 0; r < cards->rowCount(); ++r) {
            if (cards->item(r)->text() != QLatin1String("Mix"))
                continue;
            QCOMPARE(cards->item(r)->data(SubtitleRole).toString(), L("Vários artistas", "Various artists"));
            mixes << cards->item(r)->data(PathsRole).toStringList();
        }
        QCOMPARE(mixes, QList<QStringList>({{"/m/v/1.flac", "/m/v/2.flac", "/m/v/3.flac"},
                                            {"/m/x/1.flac", "/m/x/2.flac"}}));
        emit albums->activatedPath(cards->match(cards->index(0, 0), Qt::DisplayRole, "Mix").value(0));
        QCOMPARE(page.visiblePaths(), mixes.value(0));
    }

    void filterSearchAndSort()
    {
        // Stored neither album by album nor in track order.
        Database::instance()->upsertMedia({song("/m/g/a.flac", "Quatro", "Dora", "Cordas", "Folk", 2),
                                           song("/m/g/c.flac", "Dois", "Dora", "Céu Aberto", "Folk", 2),
                                           song("/m/g/b.flac", "Três", "Dora", "Cordas", "Folk", 1),
                                           song("/m/g/d.flac", "Um", "Dora", "Céu Aberto", "Folk", 1)});
        RecordingHost host;
        MusicPage page(&host);
        auto* table = page.findChild<QTableView*>();
        // Artist ascending; each artist's songs album by album, in track order.
        QCOMPARE(page.visiblePaths(), QStringList({"/m/b/x.mp3", "/m/c/z.ogg", "/m/a/01.flac", "/m/a/02.flac",
                                                   "/m/a/03.flac", "/m/b/y.mp3", "/m/c/w.ogg", "/m/g/d.flac",
                                                   "/m/g/c.flac", "/m/g/b.flac", "/m/g/a.flac", "/m/d/e.flac",
                                                   "/m/e/n.flac", "/m/d/f.flac"}));

        page.findChild<QLineEdit*>()->setText(QStringLiteral("  ZÉ "));
        QCOMPARE(page.visiblePaths(), QStringList({"/m/e/n.flac", "/m/d/f.flac"}));
        page.setFilter(QStringLiteral("folder"), QStringLiteral("/m/d"));
        QCOMPARE(chipOf(page)->text(), L("Pasta: d", "Folder: d"));
        QCOMPARE(page.visiblePaths(), QStringList({"/m/d/f.flac"}));
        page.findChild<QLineEdit*>()->clear();

        page.showAlbum(QStringLiteral("Paris"));  // exact, and sorted by track number
        QCOMPARE(page.visiblePaths(), QStringList({"/m/d/f.flac", "/m/d/e.flac"}));
        QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), 0);
        page.showAlbum(QStringLiteral("paris"));
        QCOMPARE(page.visiblePaths(), QStringList({"/m/d/f.flac", "/m/d/e.flac"}));
        QCOMPARE(chipOf(page)->text(), L("Álbum: paris", "Album: paris"));

        page.showArtist(QStringLiteral("Ana"));
        table->sortByColumn(5, Qt::DescendingOrder);
        QCOMPARE(page.visiblePaths(), QStringList({"/m/a/02.flac", "/m/a/01.flac", "/m/a/03.flac"}));
        emit chipOf(page)->clicked();
        QVERIFY(chipOf(page)->isHidden());
        QCOMPARE(page.visiblePaths().size(), 14);

        auto* tabs = page.findChild<QTabBar*>();
        tabs->setCurrentIndex(1);
        QStringList names;
        for (int r = 0; r < page.findChild<CardView*>()->model->rowCount(); ++r)
            names << page.findChild<CardView*>()->model->item(r)->text();
        QCOMPARE(names.mid(0, 3), QStringList({"BLUE", "Céu Aberto", "Cordas"}));
    }

    // One title by two artists, one of them on two discs, and a
    // compilation: three albums, each played disc by disc in track order.
    void albumsByArtistAndDisc()
    {
        wipe();
        const QString title = QStringLiteral("Memórias Azul");
        Database::instance()->upsertMedia(
            {song("/m/i/d2/1.flac", "Choro", "Ícaro", title, "", 1, 0, 0, "", 2),
             song("/m/d/2.flac", "Valsa", "Dário", title, "", 2),
             song("/m/i/d1/2.flac", "Valsa", "Ícaro", title, "", 2, 0, 0, "", 1),
             song("/m/d/1.flac", "Tema", "Dário", title, "", 1),
             song("/m/i/d2/2.flac", "Marcha", "Ícaro", title, "", 2, 0, 0, "", 2),
             song("/m/i/d1/1.flac", "Tema", "Ícaro", title, "", 1, 0, 0, "", 1),
             song("/m/i/d1/3.flac", "Frevo", "Ícaro", title, "", 3),   // no disc number: disc 1
             song("/m/s/b.flac", "Sol", "Bia", "Sucessos", "", 2, 0, 0, "Various Artists"),
             song("/m/s/a.flac", "Lua", "Ana", "Sucessos", "", 1, 0, 0, "Various Artists")});
        const QStringList icaro = {"/m/i/d1/1.flac", "/m/i/d1/2.flac", "/m/i/d1/3.flac", "/m/i/d2/1.flac",
                                   "/m/i/d2/2.flac"};
        RecordingHost host;
        MusicPage page(&host);
        auto* tabs = page.findChild<QTabBar*>();
        CardView* albums = page.findChild<CardView*>();
        tabs->setCurrentIndex(1);
        QStandardItemModel* cards = albums->model;
        QCOMPARE(cards->rowCount(), 3);
        QCOMPARE(cards->item(0)->data(SubtitleRole).toString(), QStringLiteral("Dário"));
        QCOMPARE(cards->item(1)->data(PathsRole).toStringList(), icaro);
        QCOMPARE(cards->item(2)->data(SubtitleRole).toString(), QStringLiteral("Various Artists"));

        emit albums->activatedPath(cards->index(1, 0));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(page.visiblePaths(), icaro);
        for (QPushButton* b : page.findChildren<QPushButton*>())
            if (b->text() == L("Tocar tudo", "Play all"))
                b->click();
        QCOMPARE(host.last().paths, icaro);

        tabs->setCurrentIndex(1);
        emit albums->activatedPath(cards->index(2, 0));
        QCOMPARE(page.visiblePaths(), QStringList({"/m/s/a.flac", "/m/s/b.flac"}));
        page.showAlbum(title, QStringLiteral("/m/d/2.flac"));  // the playing song's own album
        QCOMPARE(page.visiblePaths(), QStringList({"/m/d/1.flac", "/m/d/2.flac"}));

        // Sorted by title, the ties still run album by album, disc by disc.
        page.setFilter(QString(), QString());
        page.findChild<QLineEdit*>()->setText(QStringLiteral("valsa"));
        page.findChild<QTableView*>()->sortByColumn(1, Qt::AscendingOrder);
        QCOMPARE(page.visiblePaths(), QStringList({"/m/d/2.flac", "/m/i/d1/2.flac"}));

        // An artist opened after an album (the table sorted by #) still
        // plays album by album.
        Database::instance()->upsertMedia({song("/m/i/o/2.flac", "Brisa", "Ícaro", "Outro Disco", "", 2),
                                           song("/m/i/o/1.flac", "Aurora", "Ícaro", "Outro Disco", "", 1)});
        page.refresh();
        page.findChild<QLineEdit*>()->clear();
        page.showAlbum(title, QStringLiteral("/m/i/d1/1.flac"));
        page.showArtist(QStringLiteral("Ícaro"));
        QCOMPARE(page.visiblePaths(), icaro + QStringList({"/m/i/o/1.flac", "/m/i/o/2.flac"}));
    }

    void cells()
    {
        RecordingHost host;
        MusicPage page(&host);
        Database::instance()->countPlay(QStringLiteral("/m/a/02.flac"));
        page.refresh();
        const QAbstractItemModel* model = page.findChild<QTableView*>()->model();
        page.setFilter(QStringLiteral("artist"), QStringLiteral("Ana"));
        page.findChild<QTableView*>()->sortByColumn(0, Qt::AscendingOrder);
        auto text = [model](int r, int c) { return model->index(r, c).data().toString(); };
        QCOMPARE(text(0, 0), QStringLiteral("1"));
        QCOMPARE(text(1, 5), QStringLiteral("1:01:40"));
        QCOMPARE(text(1, 6), QStringLiteral("1"));
        QCOMPARE(text(0, 6), QString());  // never played
        QCOMPARE(text(2, 0), QStringLiteral("10"));  // 10 after 2: numbers, not texts
        QCOMPARE(text(2, 5), QString());              // duration unknown
        QCOMPARE(model->index(2, 5).data(SortKeyRole).toDouble(), 0.0);
        QCOMPARE(model->index(0, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("/m/a/01.flac"));

        page.setFilter(QStringLiteral("artist"), QString());  // file name stands in for a missing title
        QCOMPARE(text(0, 1), QStringLiteral("x"));
        QCOMPARE(text(0, 0), QString());
        QCOMPARE(model->index(0, 0).data(SortKeyRole).toInt(), 0);
    }

    // What the buttons, the table, the cards and the lists hand to the Host.
    void handedToHost()
    {
        RecordingHost host;
        MusicPage page(&host);
        page.resize(1200, 800);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.showArtist(QStringLiteral("Ana"));
        const QStringList ana = {"/m/a/01.flac", "/m/a/02.flac", "/m/a/03.flac"};

        for (QPushButton* b : page.findChildren<QPushButton*>())
            if (b->text() == L("Tocar tudo", "Play all") || b->text() == L("Aleatório", "Shuffle"))
                b->click();
        QCOMPARE(host.count("playFiles"), 2);
        QCOMPARE(host.callsTo("playFiles").at(0).paths, ana);
        QCOMPARE(host.callsTo("playFiles").at(0).start, 0);
        QCOMPARE(host.callsTo("playFiles").at(1).paths, ana);
        QVERIFY(host.callsTo("playFiles").at(1).start >= 0 && host.callsTo("playFiles").at(1).start < 3);

        auto* table = page.findChild<QTableView*>();
        emit table->activated(table->model()->index(2, 3));
        QCOMPARE(host.last().paths, ana);
        QCOMPARE(host.last().start, 2);

        emit table->customContextMenuRequested(QPoint(3, 3));  // nothing selected: no menu
        QCOMPARE(host.count("showMediaMenu"), 0);
        table->selectionModel()->select(table->model()->index(2, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->selectionModel()->select(table->model()->index(0, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        emit table->customContextMenuRequested(QPoint(3, 3));
        QCOMPARE(host.last().paths, QStringList({"/m/a/03.flac", "/m/a/01.flac"}));
        QCOMPARE(host.last().pos, table->viewport()->mapToGlobal(QPoint(3, 3)));

        auto* tabs = page.findChild<QTabBar*>();
        tabs->setCurrentIndex(2);
        auto* list = page.findChild<QListWidget*>();
        const QPoint onRow = list->visualItemRect(list->item(1)).center();
        emit list->customContextMenuRequested(onRow);
        QCOMPARE(host.last().paths, ana);
        const int menus = host.count("showMediaMenu");
        emit list->customContextMenuRequested(QPoint(5, list->viewport()->height() - 3));  // below the rows
        QCOMPARE(host.count("showMediaMenu"), menus);

        // A song tagged with the no-album label belongs to the no-album card.
        Database::instance()->upsertMedia({song("/m/f/s.flac", "Solto", "Dani", L("Sem álbum", "No album"), "", 1)});
        tabs->setCurrentIndex(1);
        CardView* albums = page.findChild<CardView*>();
        emit albums->menuRequested(albums->model->index(0, 0), QPoint(7, 8));
        QCOMPARE(host.last().paths, ana);
        QCOMPARE(host.last().pos, QPoint(7, 8));
        emit albums->activatedPath(albums->model->index(0, 0));  // "Blue" in three letter cases
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(page.visiblePaths(), ana);
        tabs->setCurrentIndex(1);
        const QModelIndexList noAlbum = albums->model->match(albums->model->index(0, 0), KeyRole, QString(), 1,
                                                             Qt::MatchExactly);
        QCOMPARE(noAlbum.size(), 1);
        emit albums->activatedPath(noAlbum.first());
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(page.visiblePaths(), QStringList({"/m/b/x.mp3", "/m/f/s.flac", "/m/b/y.mp3"}));
    }

    // A hidden page reads nothing until asked; a shown one follows the
    // library and keeps its filter, search and sort.
    void stateAcrossRefresh()
    {
        RecordingHost host;
        MusicPage page(&host);
        QCOMPARE(page.findChild<QTableView*>()->model()->rowCount(), 0);
        page.resize(1200, 800);
        page.show();
        QCOMPARE(page.findChild<QTableView*>()->model()->rowCount(), 10);

        page.showArtist(QStringLiteral("Ana"));
        page.findChild<QLineEdit*>()->setText(QStringLiteral("s"));
        page.findChild<QTableView*>()->sortByColumn(1, Qt::DescendingOrder);
        QCOMPARE(page.visiblePaths(), QStringList({"/m/a/03.flac", "/m/a/01.flac", "/m/a/02.flac"}));
        Database::instance()->upsertMedia({song("/m/a/04.flac", "Stone", "Ana", "Blue", "Pop")});
        QCOMPARE(page.visiblePaths(),
                 QStringList({"/m/a/03.flac", "/m/a/04.flac", "/m/a/01.flac", "/m/a/02.flac"}));
        QCOMPARE(chipOf(page)->text(), L("Artista: Ana", "Artist: Ana"));
        QCOMPARE(page.findChild<QTableView*>()->columnWidth(2), 200);

        page.hide();
        wipe();
        Database::instance()->upsertMedia({song("/m/z.flac", "Solo", "Ana", "", "")});
        QCOMPARE(page.visiblePaths(), QStringList({"/m/z.flac"}));
        page.showAlbum(QStringLiteral("Blue"));
        wipe();
        App::set(QStringLiteral("library/audio"), QStringList{QStringLiteral("/nowhere/Música")});
        page.refresh();
        bool emptyShown = false;
        for (QStackedWidget* s : page.findChildren<QStackedWidget*>())
            emptyShown |= s->currentIndex() == 1 && s->count() == 2;
        QVERIFY(emptyShown);
        // A folder that is gone is named, and no filter is left over the page.
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("SectionTitle"))->text(),
                 L("Pasta de músicas não encontrada", "Music folder not found"));
        QVERIFY(page.findChild<QLabel*>(QStringLiteral("Muted"))->text().startsWith("/nowhere/Música."));
        QVERIFY(chipOf(page)->isHidden());
        // Two folders gone; a default folder that never was is a first run.
        App::set(QStringLiteral("library/audio"), QStringList{"/nowhere/A", "/nowhere/B"});
        page.refresh();
        QVERIFY(page.findChild<QLabel*>(QStringLiteral("Muted"))->text().contains(L("elas estão", "they are")));
        App::set(QStringLiteral("library/audio"), QStringList{Library::defaultFolder(QStringLiteral("audio"))});
        page.refresh();
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("SectionTitle"))->text(),
                 L("Sua biblioteca de música está vazia", "Your music library is empty"));
    }
};

ORVEL_TEST_MAIN(TestMusicPage)
#include "tst_musicpage.moc"
