#include "Database.h"

#include "App.h"
#include "Lang.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

const char* const kSchema[] = {
    "PRAGMA journal_mode=WAL",
    "PRAGMA synchronous=NORMAL",
    "CREATE TABLE IF NOT EXISTS media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, artist TEXT, "
    "album TEXT, album_artist TEXT, genre TEXT, year INTEGER, track INTEGER, duration REAL, "
    "folder TEXT, size INTEGER, added_at INTEGER, play_count INTEGER DEFAULT 0, "
    "last_played INTEGER DEFAULT 0, favorite INTEGER DEFAULT 0, in_library INTEGER DEFAULT 1, disc INTEGER, "
    "compilation INTEGER)",
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

// The layout this program writes. Version 1 had no disc column, version 2
// no compilation column; they are added in place, and the rows keep NULL
// there until a rescan reads their tags again.
constexpr int kUserVersion = 3;

QString fileName()
{
    return App::dataDir() + QStringLiteral("/biblioteca.db");
}

// Beside the file while a run has it open; left behind by a run that did
// not end cleanly.
QString runningMarker(const QString& file)
{
    return file + QStringLiteral(".running");
}

// Left by a run that met damage: the next start checks the file and sets
// it aside.
QString damagedMarker(const QString& file)
{
    return file + QStringLiteral(".damaged");
}

// SQLite writes the file and, for its journals, the folder it lies in.
bool canWrite(const QString& file)
{
    const QFileInfo info(file);
    return !info.exists() || (info.isWritable() && QFileInfo(info.absolutePath()).isWritable());
}

bool readable()
{
    QSqlQuery q;
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")) && q.next();
}

QSqlDatabase connection()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

// SQLite's primary result code (extended codes carry it in the low byte).
int primaryCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok ? code : -1;
}

// SQLITE_CORRUPT (11) and SQLITE_NOTADB (26).
bool isDamaged(const QSqlError& error)
{
    const int code = primaryCode(error);
    return code == 11 || code == 26;
}

// SQLITE_BUSY (5) and SQLITE_LOCKED (6): another connection holds the lock.
bool isBusy(const QSqlError& error)
{
    const int code = primaryCode(error);
    return code == 5 || code == 6;
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

Database::Database(QObject* parent) : QObject(parent)
{
    m_retry.setInterval(500);
    connect(&m_retry, &QTimer::timeout, this, &Database::retryWaiting);
}

// The process ends here after a clean run: the next start need not check.
Database::~Database()
{
    if (!m_waiting.isEmpty())
        qWarning().noquote() << "gravacoes na biblioteca perdidas ao encerrar:" << m_waiting.size();
    markRunning(false);
}

bool Database::open()
{
    m_setAside.clear();
    m_readOnly = false;
    m_byPath.reset();
    m_waiting.clear();
    // Damage met while opening is dealt with here, not left for the next start.
    m_damageNoted = true;
    QSqlDatabase db = QSqlDatabase::contains() ? connection()
                                               : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    const QString file = fileName();
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMs));
    if (!canWrite(file))
        return openReadOnly(db, file);
    if (!db.open()) {
        qWarning().noquote() << "banco nao abriu" << db.lastError().text();
        return false;
    }
    Schema schema = createSchema();
    if (schema == Schema::Ok && !checkedSound(file))
        schema = Schema::Damaged;
    if (schema == Schema::Failed || (schema == Schema::Damaged && !reopenFresh(db, file)))
        return false;
    QFile::remove(damagedMarker(file));
    markRunning(true);
    m_damageNoted = false;
    return true;
}

// A clean start skips the check, which reads the whole file: damage is far
// more likely after a run that did not end cleanly, and one that met damage
// has the fuller check.
bool Database::checkedSound(const QString& file)
{
    if (QFile::exists(damagedMarker(file)))
        return passesCheck(QStringLiteral("integrity_check"));
    if (QFile::exists(runningMarker(file)))
        return passesCheck(QStringLiteral("quick_check"));
    return true;
}

// Only damage fails the check; a check that could not run for another
// reason leaves the file in use.
bool Database::passesCheck(const QString& pragma)
{
    QSqlQuery q;
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA %1(1)").arg(pragma)) || !q.next())
        return !isDamaged(q.lastError());
    if (q.value(0).toString() == QLatin1String("ok"))
        return true;
    qWarning().noquote() << "banco danificado:" << q.value(0).toString();
    return false;
}

// A library the user cannot write (a read-only data folder or file) is still
// shown. Without its journal files at hand SQLite reads a WAL file only when
// told that nothing writes it meanwhile.
bool Database::openReadOnly(QSqlDatabase& db, const QString& file)
{
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    bool ok = db.open() && readable();
    if (!ok) {
        db.close();
        db.setDatabaseName(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        ok = db.open() && readable();
    }
    if (!ok) {
        qWarning().noquote() << "banco nao abriu" << db.lastError().text();
        return false;
    }
    qWarning().noquote() << "banco aberto somente para leitura:" << file;
    m_readOnly = true;
    return true;
}

void Database::markRunning(bool on)
{
    const QString marker = runningMarker(fileName());
    if (!on) {
        if (m_marked)
            QFile::remove(marker);
        m_marked = false;
        return;
    }
    QFile file(marker);
    m_marked = file.open(QIODevice::WriteOnly);
    if (!m_marked)
        qWarning().noquote() << "marca de uso do banco nao foi criada:" << marker;
}

void Database::noteFailure(const QSqlError& error)
{
    if (isBusy(error))
        instance()->startWaiting();
    if (!isDamaged(error))
        return;
    Database* db = instance();
    if (db->m_damageNoted || db->m_readOnly)
        return;
    db->m_damageNoted = true;
    QFile marker(damagedMarker(fileName()));
    if (!marker.open(QIODevice::WriteOnly))
        qWarning().noquote() << "marca de banco danificado nao foi criada:" << marker.fileName();
    qWarning().noquote() << "banco danificado; sera guardado a parte na proxima abertura";
    db->tellOnce(Fault::Damaged);
}

void Database::tellOnce(Fault fault)
{
    bool& told = fault == Fault::Damaged ? m_toldDamage : m_toldHistory;
    // A damaged or read-only library has been told as such.
    if (told || m_readOnly || (fault == Fault::HistoryFailed && m_damageNoted))
        return;
    told = true;
    QString text;
    if (fault == Fault::Damaged)
        text = L("A biblioteca está danificada. Ela será guardada à parte e uma nova será criada na próxima vez "
                 "que o Orvel abrir.",
                 "The library database is damaged. It will be kept aside and a new one started the next time "
                 "Orvel opens.");
    else if (fault == Fault::HistoryWaiting)
        text = L("O histórico não está sendo salvo: outro programa está usando a biblioteca. O Orvel continua "
                 "tentando.",
                 "History is not being saved: another program is using the library. Orvel keeps trying.");
    else
        text = L("Não foi possível salvar o histórico.", "Could not save the history.");
    QMetaObject::invokeMethod(this, [this, text] { emit storageFault(text); }, Qt::QueuedConnection);
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
    if (!m_waiting.isEmpty()) {
        retryWaiting();
        if (!m_waiting.isEmpty())
            qWarning().noquote() << "gravacoes na biblioteca perdidas ao fechar:" << m_waiting.size();
        m_waiting.clear();
    }
    m_retry.stop();
    markRunning(false);
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
    bool hasCompilation = false;
    {
        QSqlQuery q;
        if (q.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version), "
                                  "(SELECT COUNT(*) FROM pragma_table_info('media') WHERE name='disc'), "
                                  "(SELECT COUNT(*) FROM pragma_table_info('media') WHERE name='compilation')"))
            && q.next()) {
            version = q.value(0).toInt();
            hasDisc = q.value(1).toInt() > 0;
            hasCompilation = q.value(2).toInt() > 0;
        }
    }
    if (version >= kUserVersion)
        return Schema::Ok;
    QSqlError error;
    if (!hasDisc && !execSql(QStringLiteral("ALTER TABLE media ADD COLUMN disc INTEGER"), &error))
        return isDamaged(error) ? Schema::Damaged : Schema::Failed;
    if (!hasCompilation && !execSql(QStringLiteral("ALTER TABLE media ADD COLUMN compilation INTEGER"), &error))
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
    noteFailure(db.lastError());
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
    noteFailure(db.lastError());
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
    if (!query.prepare(sql)) {
        qWarning() << "SQL:" << query.lastError().text() << sql;
        noteFailure(query.lastError());
    }
    return query;
}

bool Database::exec(QSqlQuery& query)
{
    if (query.exec())
        return true;
    qWarning() << "SQL:" << query.lastError().text() << query.lastQuery();
    noteFailure(query.lastError());
    return false;
}

// As exec, except that a lock held elsewhere is answered, not logged.
Database::Outcome Database::attempt(QSqlQuery& query)
{
    if (query.exec())
        return Outcome::Done;
    const bool busy = isBusy(query.lastError());
    if (!busy)
        qWarning() << "SQL:" << query.lastError().text() << query.lastQuery();
    noteFailure(query.lastError());
    return busy ? Outcome::Busy : Outcome::Failed;
}

bool Database::execSql(const QString& sql, QSqlError* error)
{
    QSqlQuery query;
    if (query.exec(sql))
        return true;
    qWarning() << "SQL:" << query.lastError().text() << sql;
    noteFailure(query.lastError());
    if (error)
        *error = query.lastError();
    return false;
}

QSqlQuery Database::direct(const QString& sql)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(sql))
        noteFailure(query.lastError());
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
