#include "App.h"
#include "Database.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>

// Opening the file: the schema on disk, and what happens to a file that is
// not a usable database.
class TestDatabaseOpen : public QObject
{
    Q_OBJECT

    static QString file() { return App::dataDir() + "/biblioteca.db"; }

    static QVariant pragma(const QString& name)
    {
        QSqlQuery q("PRAGMA " + name);
        return q.next() ? q.value(0) : QVariant();
    }

    static void write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    static QStringList asideFiles()
    {
        return QDir(App::dataDir()).entryList({"biblioteca-corrupt-*"}, QDir::Files, QDir::Name);
    }

    static void removeAll()
    {
        Database::instance()->close();
        for (const QString& name : QDir(App::dataDir()).entryList({"biblioteca*"}, QDir::Files))
            QFile::remove(App::dataDir() + "/" + name);
    }

private slots:
    void freshFileHasExactSchema()
    {
        QVERIFY(Database::instance()->open());
        QVERIFY(QFile::exists(file()));
        QCOMPARE(pragma("journal_mode").toString(), QString("wal"));
        QCOMPARE(pragma("synchronous").toInt(), 1);
        QCOMPARE(pragma("user_version").toInt(), 3);

        const QStringList expected = {
            "table|history|CREATE TABLE history (path TEXT PRIMARY KEY, kind TEXT, title TEXT, position REAL, "
            "duration REAL, last_played INTEGER, finished INTEGER DEFAULT 0)",
            "table|media|CREATE TABLE media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, artist TEXT, "
            "album TEXT, album_artist TEXT, genre TEXT, year INTEGER, track INTEGER, duration REAL, folder TEXT, "
            "size INTEGER, added_at INTEGER, play_count INTEGER DEFAULT 0, last_played INTEGER DEFAULT 0, "
            "favorite INTEGER DEFAULT 0, in_library INTEGER DEFAULT 1, disc INTEGER, compilation INTEGER)",
            "index|media_kind|CREATE INDEX media_kind ON media(kind)",
            "index|pl_items|CREATE INDEX pl_items ON playlist_items(playlist_id, idx)",
            "table|playlist_items|CREATE TABLE playlist_items (playlist_id INTEGER, idx INTEGER, path TEXT)",
            "table|playlists|CREATE TABLE playlists (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, created INTEGER)",
            "index|sqlite_autoindex_history_1|",
            "index|sqlite_autoindex_media_1|",
            "table|sqlite_sequence|CREATE TABLE sqlite_sequence(name,seq)",
            "table|stations|CREATE TABLE stations (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, url TEXT, "
            "logo TEXT, tags TEXT, grp TEXT, favorite INTEGER DEFAULT 0)",
        };
        QSqlQuery q("SELECT type, name, sql FROM sqlite_master ORDER BY name");
        QStringList actual;
        while (q.next())
            actual << q.value(0).toString() + "|" + q.value(1).toString() + "|" + q.value(2).toString();
        QCOMPARE(actual, expected);
    }

    void reopenKeepsRowsAndSchema()
    {
        Database::instance()->ensureMedia("/m/kept.mp3", "audio", "kept");
        Database::instance()->close();
        QVERIFY(Database::instance()->open());
        QVERIFY(Database::instance()->mediaByPath("/m/kept.mp3").has_value());
        QCOMPARE(pragma("user_version").toInt(), 3);
        QVERIFY(asideFiles().isEmpty());
        QVERIFY(Database::instance()->setAsideFile().isEmpty());
    }

    // A library written before discs were stored: the same file is upgraded
    // in place, every row, favourite, history entry, playlist and station
    // kept, and its songs are read again by the next scan.
    void versionOneFileIsUpgradedInPlace()
    {
        removeAll();
        {
            QSqlDatabase old = QSqlDatabase::addDatabase("QSQLITE", "old");
            old.setDatabaseName(file());
            QVERIFY(old.open());
            const QStringList statements = {
                "PRAGMA journal_mode=WAL",
                "CREATE TABLE media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, artist TEXT, album TEXT, "
                "album_artist TEXT, genre TEXT, year INTEGER, track INTEGER, duration REAL, folder TEXT, "
                "size INTEGER, added_at INTEGER, play_count INTEGER DEFAULT 0, last_played INTEGER DEFAULT 0, "
                "favorite INTEGER DEFAULT 0, in_library INTEGER DEFAULT 1)",
                "CREATE INDEX media_kind ON media(kind)",
                "CREATE TABLE history (path TEXT PRIMARY KEY, kind TEXT, title TEXT, position REAL, "
                "duration REAL, last_played INTEGER, finished INTEGER DEFAULT 0)",
                "CREATE TABLE playlists (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, created INTEGER)",
                "CREATE TABLE playlist_items (playlist_id INTEGER, idx INTEGER, path TEXT)",
                "CREATE INDEX pl_items ON playlist_items(playlist_id, idx)",
                "CREATE TABLE stations (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, url TEXT, "
                "logo TEXT, tags TEXT, grp TEXT, favorite INTEGER DEFAULT 0)",
                "INSERT INTO media VALUES ('/m/a.flac', 'audio', 'Um', 'Ana', 'Azul', '', 'Pop', 2001, 3, 200.5, "
                "'/m', 1234, 100, 7, 500, 1, 1)",
                "INSERT INTO media VALUES ('/v/b.mkv', 'video', 'b', '', '', '', '', 0, 0, 60, '/v', 99, 101, 0, 0, "
                "0, 1)",
                "INSERT INTO media VALUES ('http://r/s', 'stream', 's', '', '', '', '', 0, 0, 0, NULL, 0, 102, 0, 0, "
                "1, 0)",
                "INSERT INTO history VALUES ('/v/b.mkv', 'video', 'b', 12.5, 60, 600, 0)",
                "INSERT INTO playlists (name, created) VALUES ('Lista', 50)",
                "INSERT INTO playlist_items VALUES (1, 0, '/m/a.flac')",
                "INSERT INTO stations (name, url, grp, favorite) VALUES ('Rádio', 'http://r/s', 'radio', 1)",
                "PRAGMA user_version=1",
            };
            for (const QString& sql : statements)
                QVERIFY2(QSqlQuery(old).exec(sql), qPrintable(sql));
            old.close();
        }
        QSqlDatabase::removeDatabase("old");

        Database* db = Database::instance();
        QVERIFY(db->open());
        QCOMPARE(pragma("user_version").toInt(), 3);
        QVERIFY(asideFiles().isEmpty());
        const MediaItem song = db->mediaByPath("/m/a.flac").value();
        QCOMPARE(song.title, QString("Um"));
        QCOMPARE(song.track, 3);
        QCOMPARE(song.disc, 0);
        QCOMPARE(song.play_count, 7);
        QCOMPARE(song.duration, 200.5);
        QCOMPARE(db->favorites().size(), 2);
        QCOMPARE(db->media("video").size(), 1);
        QCOMPARE(db->history("video", 10).value(0).position, 12.5);
        QCOMPARE(db->playlists().value(0).name, QString("Lista"));
        QCOMPARE(db->playlistItems(db->playlists().value(0).id), QStringList{"/m/a.flac"});
        QCOMPARE(db->stations("radio").value(0).name, QString("Rádio"));
        // The song's tags are read again by the next scan; the video's are not.
        QCOMPARE(db->librarySizes("audio"), (QHash<QString, qint64>{{"/m/a.flac", -1}}));
        QCOMPARE(db->librarySizes("video"), (QHash<QString, qint64>{{"/v/b.mkv", 99}}));

        MediaItem rescanned = song;
        rescanned.disc = 2;
        db->upsertMedia({rescanned});
        QCOMPARE(db->mediaByPath("/m/a.flac")->disc, 2);
        QCOMPARE(db->mediaByPath("/m/a.flac")->play_count, 7);
        QCOMPARE(db->librarySizes("audio"), (QHash<QString, qint64>{{"/m/a.flac", 1234}}));

        db->close();
        QVERIFY(db->open());   // a second open finds nothing left to do
        QCOMPARE(pragma("user_version").toInt(), 3);
        QCOMPARE(db->mediaByPath("/m/a.flac")->disc, 2);
    }

    void garbageFileIsMovedAside()
    {
        removeAll();
        const QByteArray garbage = QByteArray("this is not a database\n").repeated(200);
        write(file(), garbage);
        write(file() + "-wal", "old journal");
        write(file() + "-shm", "old index");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^banco corrompido movido para .*biblioteca-corrupt-"));
        QVERIFY(Database::instance()->open());

        const QStringList aside = asideFiles();
        QCOMPARE(aside.size(), 3);
        QVERIFY(aside.at(0).endsWith(".db"));
        // Reported, so that start-up can tell the user where it went.
        QCOMPARE(Database::instance()->setAsideFile(), App::dataDir() + "/" + aside.at(0));
        QCOMPARE(aside.at(1), aside.at(0) + "-shm");
        QCOMPARE(aside.at(2), aside.at(0) + "-wal");
        QFile old(App::dataDir() + "/" + aside.at(0));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), garbage);
        QFile journal(App::dataDir() + "/" + aside.at(2));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QCOMPARE(journal.readAll(), QByteArray("old journal"));

        QCOMPARE(pragma("journal_mode").toString(), QString("wal"));
        Database::instance()->ensureMedia("/m/new.mp3", "audio", "new");
        QVERIFY(Database::instance()->mediaByPath("/m/new.mp3").has_value());
        QVERIFY(!Database::instance()->mediaByPath("/m/kept.mp3").has_value());
    }

    // Pages of the history overwritten, header and schema intact. After a
    // clean run the file is used, and the run that meets the damage says so
    // once; the next start sets it aside. After a run that did not end
    // cleanly the start finds the damage itself.
    void damagedPagesAreSetAside()
    {
        removeAll();
        Database* db = Database::instance();
        QSignalSpy told(db, &Database::storageFault);
        const auto writeAndDamage = [db] {
            QVERIFY(db->open());
            HistoryItem h;
            h.path = "/v/a.mkv";
            h.kind = "video";
            db->saveHistory(h);
            QSqlQuery root("SELECT rootpage FROM sqlite_master WHERE name='history'");
            QVERIFY(root.next());
            const qint64 page = root.value(0).toLongLong();
            const qint64 pageSize = pragma("page_size").toLongLong();
            db->close();
            QByteArray noise(int(pageSize), Qt::Uninitialized);
            QRandomGenerator random(7);
            for (char& c : noise)
                c = char(random.bounded(256));
            QFile f(file());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek((page - 1) * pageSize));
            QCOMPARE(f.write(noise), pageSize);
        };
        writeAndDamage();
        QVERIFY(db->open());
        QVERIFY(db->setAsideFile().isEmpty());
        QVERIFY(db->history(QString(), 10).isEmpty());
        db->saveHistory(HistoryItem{"/v/b.mkv", "video", "b", 1, 2, 0, false});
        QTRY_COMPARE(told.size(), 1);
        QVERIFY(QFile::exists(file() + ".damaged"));
        db->close();
        QVERIFY(db->open());
        const QStringList kept = asideFiles().filter(QRegularExpression("\\.db$"));
        QCOMPARE(kept.size(), 1);
        QCOMPARE(db->setAsideFile(), App::dataDir() + "/" + kept.at(0));
        QVERIFY(!QFile::exists(file() + ".damaged"));

        writeAndDamage();
        write(file() + ".running", "");   // as a run that was killed leaves it
        QVERIFY(db->open());
        QCOMPARE(asideFiles().filter(QRegularExpression("\\.db$")).size(), 2);
        QVERIFY(!db->setAsideFile().isEmpty());
        QVERIFY(db->history(QString(), 10).isEmpty());
        db->saveHistory(HistoryItem{"/v/c.mkv", "video", "c", 1, 2, 0, false});
        QCOMPARE(db->history(QString(), 10).size(), 1);
        QTest::qWait(50);
        QCOMPARE(told.size(), 1);
    }

    void secondDamagedFileGetsItsOwnName()
    {
        removeAll();
        write(App::dataDir() + "/biblioteca-corrupt-earlier.db", "keep me");
        write(file(), QByteArray(8192, 'x'));
        QVERIFY(Database::instance()->open());
        Database::instance()->close();
        write(file(), QByteArray(8192, 'y'));
        QVERIFY(Database::instance()->open());
        QCOMPARE(asideFiles().size(), 3);
        QFile earlier(App::dataDir() + "/biblioteca-corrupt-earlier.db");
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("keep me"));
    }

    void unusablePathFailsWithoutMovingAnything()
    {
        removeAll();
        QVERIFY(QDir().mkpath(file()));
        QVERIFY(!Database::instance()->open());
        QVERIFY(QFileInfo(file()).isDir());
        QVERIFY(asideFiles().isEmpty());
        Database::instance()->close();
        QVERIFY(QDir().rmdir(file()));
        QVERIFY(Database::instance()->open());
    }

    void failingSchemaStatementFailsOpen()
    {
        removeAll();
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(file());
            QVERIFY(other.open());
            QVERIFY(QSqlQuery("CREATE VIEW media AS SELECT 1 AS kind", other).isActive());
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        QVERIFY(!Database::instance()->open());
        QVERIFY(asideFiles().isEmpty());
        QSqlQuery q("SELECT type FROM sqlite_master WHERE name='media'");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("view"));
    }
};

ORVEL_TEST_MAIN(TestDatabaseOpen)
#include "tst_database_open.moc"
