#include "Database.h"

#include "App.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const char* const kSchema[] = {
    "PRAGMA journal_mode=WAL",
    "PRAGMA synchronous=NORMAL",
    "CREATE TABLE IF NOT EXISTS media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, artist TEXT, "
    "album TEXT, album_artist TEXT, genre TEXT, year INTEGER, track INTEGER, duration REAL, "
    "folder TEXT, size INTEGER, added_at INTEGER, play_count INTEGER DEFAULT 0, "
    "last_played INTEGER DEFAULT 0, favorite INTEGER DEFAULT 0, in_library INTEGER DEFAULT 1, disc INTEGER)",
    "CREATE INDEX IF NOT EXISTS media_kind ON media(kind)",
    "CREATE TABLE IF NOT EXISTS history (path TEXT PRIMARY KEY, kind TEXT, title TEXT, "
    "position REAL, duration REAL, last_played INTEGER, finished INTEGER DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS playlists (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, created INTEGER)",
    "CREATE TABLE IF NOT EXISTS playlist_items (playlist_id INTEGER, idx INTEGER, path TEXT)",
    "CREATE INDEX IF NOT EXISTS pl_items ON playlist_items(playlist_id, idx)",
    "CREATE TABLE IF NOT EXISTS stations (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, url TEXT, "
    "logo TEXT, tags TEXT, grp TEXT, favorite INTEGER DEFAULT 0)",
    // Room for sorting a whole library in memory (favourites by title)
    // instead of spilling to temporary files.
    "PRAGMA cache_size=-32000",
};

// The layout this program writes. Version 1 had no disc column; it is
// added in place, and the rows keep a NULL disc until a rescan reads it.
constexpr int kUserVersion = 2;

QString fileName()
{
    return App::dataDir() + QStringLiteral("/biblioteca.db");
}

QSqlDatabase connection()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

// SQLITE_CORRUPT (11) and SQLITE_NOTADB (26), also as extended codes.
bool isDamaged(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 11 || code == 26);
}

// A name beside the damaged file that neither it nor its journals use yet.
QString asideName(const QString& file)
{
    const QString base = QFileInfo(file).absolutePath() + QStringLiteral("/biblioteca-corrupt-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base + QStringLiteral(".db");
    for (int n = 1; QFile::exists(target) || QFile::exists(target + QStringLiteral("-wal"))
                    || QFile::exists(target + QStringLiteral("-shm"));
         ++n)
        target = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".db");
    return target;
}

}  // namespace

Database* Database::instance()
{
    static Database* db = new Database(QCoreApplication::instance());
    return db;
}

Database::Database(QObject* parent) : QObject(parent) {}

Database::~Database() = default;

bool Database::open()
{
    m_setAside.clear();
    m_byPath.reset();
    QSqlDatabase db = QSqlDatabase::contains() ? connection()
                                               : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    const QString file = fileName();
    db.setDatabaseName(file);
    if (!db.open()) {
        qWarning().noquote() << "banco nao abriu" << db.lastError().text();
        return false;
    }
    const Schema schema = createSchema();
    if (schema != Schema::Damaged)
        return schema == Schema::Ok;
    return reopenFresh(db, file);
}

// Keeps the damaged file aside and starts an empty library in its place.
bool Database::reopenFresh(QSqlDatabase& db, const QString& file)
{
    // Move the files while SQLite still holds them: closing a connection to
    // a damaged file would delete its write-ahead log.
    const QString target = moveAside(file);
    if (target.isEmpty())
        return false;
    m_setAside = target;
    m_byPath.reset();
    db.close();
    if (!db.open()) {
        qWarning().noquote() << "banco nao abriu" << db.lastError().text();
        return false;
    }
    return createSchema() == Schema::Ok;
}

void Database::close()
{
    m_byPath.reset();
    if (!QSqlDatabase::contains())
        return;
    connection().close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

Database::Schema Database::createSchema()
{
    Schema result = Schema::Ok;
    for (const char* sql : kSchema) {
        QSqlError error;
        if (execSql(QLatin1String(sql), &error))
            continue;
        if (isDamaged(error))
            return Schema::Damaged;
        result = Schema::Failed;
    }
    if (result == Schema::Ok)
        result = upgrade();
    return result;
}

// Brings a file written by an earlier version up to this one's layout,
// keeping every row. The version moves on only once the layout is there.
Database::Schema Database::upgrade()
{
    int version = 0;
    bool hasDisc = false;
    {
        QSqlQuery q;
        if (q.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version), "
                                  "(SELECT COUNT(*) FROM pragma_table_info('media') WHERE name='disc')"))
            && q.next()) {
            version = q.value(0).toInt();
            hasDisc = q.value(1).toInt() > 0;
        }
    }
    if (version >= kUserVersion)
        return Schema::Ok;
    QSqlError error;
    if (!hasDisc && !execSql(QStringLiteral("ALTER TABLE media ADD COLUMN disc INTEGER"), &error))
        return isDamaged(error) ? Schema::Damaged : Schema::Failed;
    if (!execSql(QStringLiteral("PRAGMA user_version=%1").arg(kUserVersion), &error))
        return isDamaged(error) ? Schema::Damaged : Schema::Failed;
    return Schema::Ok;
}

// Keeps the user's damaged file (and its journals, so they still pair up)
// under a dated name next to it instead of deleting it. Answers that name,
// or an empty text when the file could not be moved.
QString Database::moveAside(const QString& file)
{
    const QString target = asideName(file);
    if (!QFile::rename(file, target)) {
        qWarning().noquote() << "banco corrompido nao pode ser movido:" << file;
        return QString();
    }
    for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        if (QFile::exists(file + suffix) && !QFile::rename(file + suffix, target + suffix)) {
            qWarning().noquote() << "banco corrompido nao pode ser movido:" << file + suffix;
            return QString();
        }
    }
    qWarning().noquote() << "banco corrompido movido para" << target;
    return target;
}

bool Database::transaction()
{
    QSqlDatabase db = connection();
    if (db.transaction())
        return true;
    qWarning() << "SQL:" << db.lastError().text() << QStringLiteral("BEGIN");
    return false;
}

bool Database::commit(QSqlError* error)
{
    QSqlDatabase db = connection();
    if (db.commit())
        return true;
    qWarning() << "SQL:" << db.lastError().text() << QStringLiteral("COMMIT");
    if (error)
        *error = db.lastError();
    db.rollback();
    return false;
}

bool Database::rollback()
{
    QSqlDatabase db = connection();
    if (db.rollback())
        return true;
    qWarning() << "SQL:" << db.lastError().text() << QStringLiteral("ROLLBACK");
    return false;
}

QSqlQuery Database::prepare(const QString& sql)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        qWarning() << "SQL:" << query.lastError().text() << sql;
    return query;
}

bool Database::exec(QSqlQuery& query)
{
    if (query.exec())
        return true;
    qWarning() << "SQL:" << query.lastError().text() << query.lastQuery();
    return false;
}

bool Database::execSql(const QString& sql, QSqlError* error)
{
    QSqlQuery query;
    if (query.exec(sql))
        return true;
    qWarning() << "SQL:" << query.lastError().text() << sql;
    if (error)
        *error = query.lastError();
    return false;
}

QSqlQuery Database::direct(const QString& sql)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    query.exec(sql);
    return query;
}

bool Database::beginBatch()
{
    return execSql(QStringLiteral("SAVEPOINT batch"));
}

bool Database::endBatch(bool ok)
{
    if (ok && execSql(QStringLiteral("RELEASE batch")))
        return true;
    execSql(QStringLiteral("ROLLBACK TO batch"));
    execSql(QStringLiteral("RELEASE batch"));
    return false;
}
