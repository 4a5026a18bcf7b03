#include "App.h"
#include "Database.h"
#include "TestEnv.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>

// History, playlists and stations, and the batch helpers.
class TestDatabaseStore : public QObject
{
    Q_OBJECT

    Database* db = nullptr;

    static HistoryItem entry(const QString& path, const QString& kind, double duration, qint64 when)
    {
        HistoryItem h;
        h.path = path;
        h.kind = kind;
        h.title = path;
        h.position = 12.5;
        h.duration = duration;
        h.last_played = when;
        return h;
    }

    static QStringList historyPaths(const QList<HistoryItem>& list)
    {
        QStringList out;
        for (const HistoryItem& h : list)
            out << h.path;
        return out;
    }

    static Station station(const QString& name, const QString& url, const QString& grp)
    {
        Station s;
        s.name = name;
        s.url = url;
        s.grp = grp;
        return s;
    }

    static void sql(const QString& text)
    {
        QSqlQuery q;
        QVERIFY2(q.exec(text), qPrintable(text));
    }

private slots:
    void initTestCase()
    {
        db = Database::instance();
        QVERIFY(db->open());
    }

    void historyMergesAndOrders()
    {
        QSignalSpy changed(db, &Database::historyChanged);
        db->saveHistory(entry("/v/a.mkv", "video", 600, 100));
        db->saveHistory(entry("http://s/live", "stream", 0, 300));
        db->saveHistory(entry("/a/b.mp3", "audio", 0, 200));
        HistoryItem again = entry("/v/a.mkv", "video", 0, 0);
        again.finished = true;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        db->saveHistory(again);
        QCOMPARE(changed.count(), 4);

        std::optional<HistoryItem> row = db->historyFor("/v/a.mkv");
        QVERIFY(row.has_value());
        QCOMPARE(row->duration, 600.0);
        QVERIFY(row->finished);
        QVERIFY(row->last_played >= before);
        QVERIFY(!db->historyFor("/nothing").has_value());

        QCOMPARE(historyPaths(db->history("", 10)), (QStringList{"/v/a.mkv", "http://s/live", "/a/b.mp3"}));
        QCOMPARE(historyPaths(db->history("", 1)), QStringList{"/v/a.mkv"});
        QCOMPARE(historyPaths(db->history("stream", 10)), QStringList{"http://s/live"});

        db->removeHistory("/a/b.mp3");
        db->clearHistory("video");
        QCOMPARE(historyPaths(db->history("", 10)), QStringList{"http://s/live"});
        db->clearHistory("");
        QVERIFY(db->history("", 10).isEmpty());
        QCOMPARE(changed.count(), 7);
    }

    void historyOffWritesNothing()
    {
        App::set("privacy/history", false);
        QSignalSpy changed(db, &Database::historyChanged);
        db->saveHistory(entry("/v/private.mkv", "video", 10, 0));
        App::set("privacy/history", true);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!db->historyFor("/v/private.mkv").has_value());
    }

    // Another program holds the write lock: history rows and plays wait
    // without holding up the caller, and land once the lock is let go.
    void writesWaitOutAnotherProgramsLock()
    {
        db->ensureMedia("/m/locked.mp3", "audio", "locked");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(App::dataDir() + "/biblioteca.db");
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
            QSignalSpy changed(db, &Database::historyChanged);
            db->saveHistory(entry("/v/locked.mkv", "video", 60, 0));
            db->countPlay("/m/locked.mp3");
            db->saveHistory(entry("/v/locked.mkv", "video", 0, 0));
            QVERIFY(!db->historyFor("/v/locked.mkv").has_value());
            QCOMPARE(db->mediaByPath("/m/locked.mp3")->play_count, 0);
            QVERIFY(QSqlQuery(other).exec("COMMIT"));
            QTRY_VERIFY_WITH_TIMEOUT(db->historyFor("/v/locked.mkv").has_value(), 30000);
            QCOMPARE(db->historyFor("/v/locked.mkv")->duration, 60.0);
            QTRY_COMPARE_WITH_TIMEOUT(db->mediaByPath("/m/locked.mp3")->play_count, 1, 30000);
            QCOMPARE(changed.count(), 1);

            // What waits is bounded: the oldest row makes room, and the
            // user hears once that history is not being saved.
            QSignalSpy told(db, &Database::storageFault);
            QVERIFY(QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
            for (int i = 0; i <= DatabaseWriteQueue::kCapacity; ++i)
                db->saveHistory(entry(QString("/v/%1.mkv").arg(i), "video", 60, 0));
            QVERIFY(QSqlQuery(other).exec("COMMIT"));
            QTRY_VERIFY_WITH_TIMEOUT(db->historyFor("/v/200.mkv").has_value(), 30000);
            QVERIFY(!db->historyFor("/v/0.mkv").has_value());
            QCOMPARE(db->history("", 1000).size(), DatabaseWriteQueue::kCapacity + 1);
            QCOMPARE(told.size(), 1);
        }
        QSqlDatabase::removeDatabase("other");
        db->clearHistory("");
    }

    void playlistsKeepOrderAndDuplicates()
    {
        QSignalSpy changed(db, &Database::playlistsChanged);
        const qint64 b = db->createPlaylist("beta");
        const qint64 a = db->createPlaylist("Alpha");
        QVERIFY(a > 0 && b > 0 && a != b);
        const QStringList odd = {"/m/x.mp3", "/m/it's, \"odd\"\n.mp3", "/m/ação.mp3", "/m/x.mp3"};
        db->setPlaylistItems(b, odd);
        QCOMPARE(db->playlistItems(b), odd);
        db->addToPlaylist(b, {"/m/x.mp3", "/m/y.mp3"});
        QCOMPARE(db->playlistItems(b), odd + QStringList({"/m/x.mp3", "/m/y.mp3"}));
        QSqlQuery idx(QString("SELECT group_concat(idx) FROM playlist_items WHERE playlist_id=%1").arg(b));
        QVERIFY(idx.next());
        QCOMPARE(idx.value(0).toString(), QString("0,1,2,3,4,5"));

        db->renamePlaylist(a, "gamma");
        const QList<Playlist> lists = db->playlists();
        QCOMPARE(lists.size(), 2);
        QCOMPARE(lists.at(0).name, QString("beta"));
        QCOMPARE(lists.at(0).count, 6);
        QCOMPARE(lists.at(1).id, a);
        QCOMPARE(lists.at(1).count, 0);

        db->setPlaylistItems(b, {});
        QVERIFY(db->playlistItems(b).isEmpty());
        db->setPlaylistItems(a, {"/m/z.mp3"});
        db->deletePlaylist(a);
        db->deletePlaylist(12345);
        QCOMPARE(db->playlists().size(), 1);
        QVERIFY(db->playlistItems(a).isEmpty());
        QCOMPARE(changed.count(), 9);
        db->deletePlaylist(b);
    }

    // Every playlist write answers whether it was stored; one that was not
    // leaves the lists as they were, a new list included.
    void playlistWriteFailuresKeepOldItems()
    {
        const qint64 id = db->createPlaylist("kept", {"/m/1.mp3", "/m/2.mp3"});
        QCOMPARE(db->playlistItems(id), (QStringList{"/m/1.mp3", "/m/2.mp3"}));
        sql("CREATE TEMP TRIGGER third BEFORE INSERT ON main.playlist_items WHEN NEW.idx=2 "
            "BEGIN SELECT RAISE(ABORT, 'third refused'); END");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*third refused"));
        QVERIFY(!db->setPlaylistItems(id, {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3"}));
        QCOMPARE(db->playlistItems(id), (QStringList{"/m/1.mp3", "/m/2.mp3"}));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*third refused"));
        QCOMPARE(db->createPlaylist("half", {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}), 0);
        QCOMPARE(db->playlists().size(), 1);
        sql("DROP TRIGGER third");

        // Another program holding the write lock.
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "locker");
            other.setDatabaseName(App::dataDir() + "/biblioteca.db");
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*locked"));
            QVERIFY(!db->addToPlaylist(id, {"/m/3.mp3"}));
            QVERIFY(hold.exec("ROLLBACK"));
        }
        QSqlDatabase::removeDatabase("locker");
        QCOMPARE(db->playlistItems(id), (QStringList{"/m/1.mp3", "/m/2.mp3"}));

        sql("CREATE TEMP TRIGGER keep BEFORE DELETE ON main.playlists "
            "BEGIN SELECT RAISE(ABORT, 'delete refused'); END");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*delete refused"));
        QVERIFY(!db->deletePlaylist(id));
        QCOMPARE(db->playlistItems(id).size(), 2);
        sql("DROP TRIGGER keep");

        sql("CREATE TEMP TRIGGER nonew BEFORE INSERT ON main.playlists "
            "BEGIN SELECT RAISE(ABORT, 'insert refused'); END");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*insert refused"));
        const qint64 none = db->createPlaylist("never");
        sql("DROP TRIGGER nonew");
        QCOMPARE(none, 0);
        QSignalSpy changed(db, &Database::playlistsChanged);
        db->setPlaylistItems(none, {"/m/orphan.mp3"});
        db->addToPlaylist(-1, {"/m/orphan.mp3"});
        db->renamePlaylist(0, "x");
        db->deletePlaylist(0);
        QCOMPARE(changed.count(), 0);
        QSqlQuery orphans("SELECT COUNT(*) FROM playlist_items WHERE playlist_id<1");
        QVERIFY(orphans.next());
        QCOMPARE(orphans.value(0).toInt(), 0);
        db->deletePlaylist(id);
    }

    void stationsAndGroups()
    {
        QSignalSpy changed(db, &Database::stationsChanged);
        const qint64 zeta = db->saveStation(station("zeta", "http://z", ""));
        const qint64 alpha = db->saveStation(station("Alpha", "http://a", "radio"));
        const qint64 iptv2 = db->saveStation(station("B one", "http://b1", "TV"));
        db->saveStation(station("A two", "http://z", "TV"));
        db->saveStation(station("C", "http://c", "News"));
        QVERIFY(zeta > 0 && alpha > zeta && iptv2 > alpha);

        QStringList names;
        for (const Station& s : db->stations(""))
            names << s.name;
        QCOMPARE(names, (QStringList{"A two", "Alpha", "B one", "C", "zeta"}));
        const QList<Station> tv = db->stations("TV");
        QCOMPARE(tv.size(), 2);
        QCOMPARE(tv.at(0).id, iptv2);
        QCOMPARE(db->stations("radio").at(0).grp, QString("radio"));
        QCOMPARE(db->stationGroups(), (QStringList{"News", "TV"}));

        QVERIFY(db->hasStationUrl("http://z"));
        QVERIFY(!db->hasStationUrl("http://b1"));
        QVERIFY(!db->hasStationUrl("http://Z"));

        Station edited = db->stations("radio").at(1);
        edited.name = "Alpha FM";
        edited.grp.clear();
        QCOMPARE(db->saveStation(edited), alpha);
        db->setStationFavorite(alpha, true);
        const Station stored = db->stations("radio").at(1);
        QCOMPARE(stored.name, QString("Alpha FM"));
        QCOMPARE(stored.grp, QString("radio"));
        QVERIFY(stored.favorite);

        db->deleteStationGroup("TV");
        db->deleteStation(zeta);
        db->deleteStation(0);
        QCOMPARE(db->stationGroups(), QStringList{"News"});
        QCOMPARE(db->stations("").size(), 2);
        QCOMPARE(changed.count(), 9);
    }

    void batchesNestInCallerTransactions()
    {
        QVERIFY(Database::transaction());
        const qint64 s = db->saveStation(station("temp", "http://t", "Import"));
        const qint64 p = db->createPlaylist("temp");
        db->setPlaylistItems(p, {"/m/1.mp3"});
        QCOMPARE(db->playlistItems(p), QStringList{"/m/1.mp3"});
        QVERIFY(Database::rollback());
        QVERIFY(db->stations("Import").isEmpty());
        QVERIFY(db->playlistItems(p).isEmpty());
        QVERIFY(s > 0);

        QVERIFY(Database::transaction());
        db->saveStation(station("kept", "http://k", "Import"));
        QVERIFY(Database::commit());
        QCOMPARE(db->stations("Import").size(), 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*COMMIT"));
        QVERIFY(!Database::commit());
    }
};

ORVEL_TEST_MAIN(TestDatabaseStore)
#include "tst_database_store.moc"
