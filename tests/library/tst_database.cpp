#include "Database.h"
#include "Lang.h"
#include "TestEnv.h"

#include <QSignalSpy>
#include <QSqlQuery>

// The media catalogue: how scans, plays and favourites merge into one row,
// and which rows each read returns.
class TestDatabase : public QObject
{
    Q_OBJECT

    Database* db = nullptr;

    static MediaItem item(const QString& path, const QString& kind = "audio", const QString& title = QString())
    {
        MediaItem m;
        m.path = path;
        m.kind = kind;
        m.title = title;
        m.folder = path.left(path.lastIndexOf('/'));
        return m;
    }

    static void sql(const QString& text)
    {
        QSqlQuery q;
        QVERIFY2(q.exec(text), qPrintable(text));
    }

    static QStringList paths(const QList<MediaItem>& list)
    {
        QStringList out;
        for (const MediaItem& m : list)
            out << m.path;
        return out;
    }

private slots:
    void initTestCase()
    {
        db = Database::instance();
        QVERIFY(db->open());
    }

    void init() { sql("DELETE FROM media"); }

    void scanMergeKeepsPlaysFavouriteAndDates()
    {
        QSignalSpy changed(db, &Database::libraryChanged);
        const QString path = "/m/a/song.flac";
        db->ensureMedia(path, "audio", "first");
        db->ensureMedia(path, "video", "second");
        QCOMPARE(db->mediaByPath(path)->title, QString("first"));
        QCOMPARE(db->mediaByPath(path)->folder, QString("/m/a"));
        QVERIFY(db->media("audio").isEmpty());

        db->countPlay(path);
        db->countPlay(path);
        db->setFavorite(path, true);
        db->setDuration(path, 100);
        db->setDuration(path, 200);
        sql("UPDATE media SET added_at=1000, last_played=2000");
        QCOMPARE(changed.count(), 0);

        MediaItem scanned = item(path, "audio", "Tagged");
        scanned.artist = "Artist";
        scanned.year = 1999;
        scanned.size = 5'000'000'000LL;
        db->upsertMedia({scanned});
        QCOMPARE(changed.count(), 1);

        std::optional<MediaItem> row = db->mediaByPath(path);
        QVERIFY(row.has_value());
        QCOMPARE(row->title, QString("Tagged"));
        QCOMPARE(row->artist, QString("Artist"));
        QCOMPARE(row->year, 1999);
        QCOMPARE(row->size, 5'000'000'000LL);
        QCOMPARE(row->duration, 100.0);
        QCOMPARE(row->play_count, 2);
        QCOMPARE(row->last_played, 2000);
        QCOMPARE(row->added_at, 1000);
        QVERIFY(row->favorite);
        QCOMPARE(paths(db->media("audio")), QStringList{path});

        scanned.duration = 250;
        db->upsertMedia({scanned});
        QCOMPARE(db->mediaByPath(path)->duration, 250.0);
        db->upsertMedia({});
        QCOMPARE(changed.count(), 2);

        db->countPlay("/m/unknown.mp3");
        QVERIFY(!db->mediaByPath("/m/unknown.mp3").has_value());
    }

    void newRowsGetTheTimeOfTheScan()
    {
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        MediaItem dated = item("/m/dated.mp3");
        dated.added_at = 42;
        db->upsertMedia({item("/m/new.mp3"), dated});
        QVERIFY(db->mediaByPath("/m/new.mp3")->added_at >= before);
        QCOMPARE(db->mediaByPath("/m/dated.mp3")->added_at, 42);
    }

    void readsFilterAndOrder()
    {
        db->upsertMedia({item("/m/1.mp3", "audio", "b"), item("/m/2.mp3", "audio", "a"),
                         item("/m/3.mp4", "video", "c")});
        db->ensureMedia("http://radio/x", "stream", "x");
        sql("UPDATE media SET added_at=CAST(substr(path, 4, 1) AS INTEGER) WHERE path LIKE '/m/%'");
        sql("UPDATE media SET play_count=3, last_played=10 WHERE path IN ('/m/1.mp3', 'http://radio/x')");
        sql("UPDATE media SET play_count=3, last_played=20 WHERE path='/m/3.mp4'");
        sql("UPDATE media SET play_count=5 WHERE path='/m/2.mp3'");
        sql("UPDATE media SET last_played=5 WHERE path='http://radio/x'");
        db->setFavorite("http://radio/x", true);
        db->setFavorite("/m/1.mp3", true);

        QCOMPARE(paths(db->recentlyAdded(2)), (QStringList{"/m/3.mp4", "/m/2.mp3"}));
        QCOMPARE(paths(db->recentlyAdded(-1)), (QStringList{"/m/3.mp4", "/m/2.mp3", "/m/1.mp3"}));
        sql("UPDATE media SET added_at=7, album='A', track=CAST(substr(path, 4, 1) AS INTEGER) WHERE path LIKE '/m/%'");
        QCOMPARE(paths(db->recentlyAdded(-1)), (QStringList{"/m/1.mp3", "/m/2.mp3", "/m/3.mp4"}));   // one scan
        sql("UPDATE media SET added_at=CAST(substr(path, 4, 1) AS INTEGER) WHERE path LIKE '/m/%'");
        QCOMPARE(paths(db->mostPlayed(-1)), (QStringList{"/m/2.mp3", "/m/3.mp4", "/m/1.mp3", "http://radio/x"}));
        QCOMPARE(paths(db->mostPlayed(1)), QStringList{"/m/2.mp3"});
        QCOMPARE(paths(db->favorites()), (QStringList{"/m/1.mp3", "http://radio/x"}));
        QCOMPARE(paths(db->media("video")), QStringList{"/m/3.mp4"});
        QVERIFY(db->media("stream").isEmpty());

        sql("UPDATE media SET size=length(path) * 1000000000");
        QCOMPARE(db->librarySizes("audio"),
                 (QHash<QString, qint64>{{"/m/1.mp3", 8'000'000'000LL}, {"/m/2.mp3", 8'000'000'000LL}}));
        QCOMPARE(db->librarySizes("video"), (QHash<QString, qint64>{{"/m/3.mp4", 8'000'000'000LL}}));
        QVERIFY(db->librarySizes("stream").isEmpty());
    }

    void removeMissing_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("left");
        const QString a = "/m/Music/a.mp3", b = "/m/Music/sub/b.mp3", c = "/m/Music2/c.mp3",
                      d = "/other/d.mp3";
        QTest::newRow("no folders: all absent rows") << QStringList() << QStringList{a} << QStringList{a};
        QTest::newRow("one folder, not its sibling Music2") << QStringList{"/m/Music"} << QStringList() << QStringList{c, d};
        QTest::newRow("sibling folder only")
            << QStringList{"/m/Music2"} << QStringList() << QStringList{a, b, d};
        QTest::newRow("trailing slash") << QStringList{"/m/Music/"} << QStringList{b} << QStringList{b, c, d};
        QTest::newRow("two folders") << QStringList{"/other", "/m/Music/sub"} << QStringList()
                                     << QStringList{a, c};
        QTest::newRow("all present") << QStringList{"/m"} << QStringList{a, b, c, d} << QStringList{a, b, c, d};
    }
    void removeMissing()
    {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, present);
        QFETCH(QStringList, left);
        db->upsertMedia({item("/m/Music/a.mp3"), item("/m/Music/sub/b.mp3"), item("/m/Music2/c.mp3"),
                         item("/other/d.mp3"), item("/m/Music/v.mp4", "video")});
        QSignalSpy changed(db, &Database::libraryChanged);
        db->removeMissing("audio", folders, QSet<QString>(present.begin(), present.end()));
        QStringList actual = paths(db->media("audio"));
        actual.sort();
        QCOMPARE(actual, left);
        QCOMPARE(changed.count(), left.size() < 4 ? 1 : 0);
        QCOMPARE(db->media("video").size(), 1);
        QVERIFY(db->mediaByPath("/m/Music/a.mp3").has_value());
    }

    void favouriteKinds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("nullFolder");
        QTest::newRow("local audio") << "/m/Song.live.flac" << "audio" << "Song.live" << false;
        QTest::newRow("local video") << "/m/Film.MKV" << "video" << "Film" << false;
        QTest::newRow("stream") << "http://host/live" << "stream" << "live" << true;
        QTest::newRow("url to a video") << "https://host/clip.mp4" << "video" << "clip" << true;
    }
    void favouriteKinds()
    {
        QFETCH(QString, path);
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(bool, nullFolder);
        QSignalSpy changed(db, &Database::favoritesChanged);
        QVERIFY(!db->isFavorite(path));
        db->setFavorite(path, true);
        QVERIFY(db->isFavorite(path));
        std::optional<MediaItem> row = db->mediaByPath(path);
        QVERIFY(row.has_value());
        QCOMPARE(row->kind, kind);
        QCOMPARE(row->title, title);
        QVERIFY(db->media(kind).isEmpty());
        QSqlQuery q("SELECT folder IS NULL FROM media");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toBool(), nullFolder);
        db->setFavorite(path, false);
        db->setFavorite(path, false);
        QVERIFY(!db->isFavorite(path));
        QCOMPARE(changed.count(), 3);
    }

    void awkwardPathsRoundTrip()
    {
        const QStringList odd = {"/m/it's \"quoted\".mp3", "/m/a, b; c.mp3", "/m/line\nfeed.mp3",
                                 "/m/ação/日本語 ñ.mp3", "/m/" + QString(4000, QChar(u'é')) + ".mp3",
                                 "/m/percent %1 %% ?.mp3"};
        QList<MediaItem> items;
        for (const QString& p : odd)
            items << item(p, "audio", p);
        db->upsertMedia(items);
        for (const QString& p : odd) {
            std::optional<MediaItem> row = db->mediaByPath(p);
            QVERIFY2(row.has_value(), qPrintable(p.left(40)));
            QCOMPARE(row->path, p);
            QCOMPARE(row->title, QString(p).replace('\n', ' ').left(1024));   // a title shows as one line
        }
        QStringList all = paths(db->media("audio"));
        QCOMPARE(QSet<QString>(all.begin(), all.end()), QSet<QString>(odd.begin(), odd.end()));
        db->removeMissing("audio", {"/m"}, QSet<QString>(odd.begin(), odd.end()));
        QCOMPARE(db->media("audio").size(), odd.size());
    }

    void failedRowLeavesTheLibraryAsItWas()
    {
        db->upsertMedia({item("/m/old.mp3", "audio", "old")});
        sql("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.media WHEN NEW.path='/m/bad.mp3' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*refused"));
        db->upsertMedia({item("/m/old.mp3", "audio", "renamed"), item("/m/bad.mp3"), item("/m/later.mp3")});
        sql("DROP TRIGGER refuse");
        QCOMPARE(paths(db->media("audio")), QStringList{"/m/old.mp3"});
        QCOMPARE(db->mediaByPath("/m/old.mp3")->title, QString("old"));
        db->upsertMedia({item("/m/later.mp3")});
        QCOMPARE(db->media("audio").size(), 2);
    }

    void displayTexts()
    {
        MediaItem m = item("/a/b/Song.live.flac");
        QCOMPARE(m.displayTitle(), QString("Song.live"));
        QCOMPARE(m.displayArtist(), QString("Artista desconhecido"));
        Lang::englishFlag() = true;
        QCOMPARE(m.displayArtist(), QString("Unknown artist"));
        Lang::englishFlag() = false;
        m.title = "T";
        m.artist = "A";
        QCOMPARE(m.displayTitle() + m.displayArtist(), QString("TA"));

        // A library written before tag texts were cut may hold a title of
        // megabytes, with control characters: it is read cut and clean.
        QSqlQuery q;
        QVERIFY(q.prepare("INSERT INTO media (path, kind, title, artist, in_library) VALUES (?, 'audio', ?, ?, 1)"));
        q.addBindValue("/m/huge.mp3");
        q.addBindValue(QString("ctl\x01\n\u202e") + "evil" + QString(10 << 20, 'T'));
        q.addBindValue(QString(10 << 20, 'A'));
        QVERIFY(q.exec());
        QCOMPARE(db->mediaByPath("/m/huge.mp3")->title, "ctl evil" + QString(1024 - 8, 'T'));
        QCOMPARE(db->media("audio").value(0).artist, QString(1024, 'A'));
    }
};

ORVEL_TEST_MAIN(TestDatabase)
#include "tst_database.moc"
