#include "App.h"
#include "Database.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
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
        QCOMPARE(pragma("user_version").toInt(), 1);

        const QStringList expected = {
            "table|history|CREATE TABLE history (path TEXT PRIMARY KEY, kind TEXT, title TEXT, position REAL, "
            "duration REAL, last_played INTEGER, finished INTEGER DEFAULT 0)",
            "table|media|CREATE TABLE media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, artist TEXT, "
            "album TEXT, album_artist TEXT, genre TEXT, year INTEGER, track INTEGER, duration REAL, folder TEXT, "
            "size INTEGER, added_at INTEGER, play_count INTEGER DEFAULT 0, last_played INTEGER DEFAULT 0, "
            "favorite INTEGER DEFAULT 0, in_library INTEGER DEFAULT 1)",
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
        QCOMPARE(pragma("user_version").toInt(), 1);
        QVERIFY(asideFiles().isEmpty());
        QVERIFY(Database::instance()->setAsideFile().isEmpty());
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
