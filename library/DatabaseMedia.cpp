#include "Database.h"

#include "App.h"
#include "TextCleaner.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kColumns = QStringLiteral(
    "path, kind, title, artist, album, album_artist, genre, year, track, duration, folder, size, "
    "added_at, play_count, last_played, favorite, disc, compilation");

const QString kUpsert = QStringLiteral(
    "INSERT INTO media (path, kind, title, artist, album, album_artist, genre, year, track, "
    "duration, folder, size, added_at, disc, compilation, in_library) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,1) "
    "ON CONFLICT(path) DO UPDATE SET kind=excluded.kind, title=excluded.title, "
    "artist=excluded.artist, album=excluded.album, album_artist=excluded.album_artist, "
    "genre=excluded.genre, year=excluded.year, track=excluded.track, disc=excluded.disc, "
    "compilation=excluded.compilation, "
    "duration=CASE WHEN excluded.duration > 0 THEN excluded.duration ELSE media.duration END, "
    "folder=excluded.folder, size=excluded.size, in_library=1");

// Tag texts as they are shown: a library written before texts were cut at
// reading may hold titles of megabytes.
QString shownText(const QSqlQuery& q, int column)
{
    return TextCleaner::line(q.value(column).toString());
}

MediaItem readMedia(const QSqlQuery& q)
{
    MediaItem m;
    m.path = q.value(0).toString();
    m.kind = q.value(1).toString();
    m.title = shownText(q, 2);
    m.artist = shownText(q, 3);
    m.album = shownText(q, 4);
    m.album_artist = shownText(q, 5);
    m.genre = shownText(q, 6);
    m.year = q.value(7).toInt();
    m.track = q.value(8).toInt();
    m.duration = q.value(9).toDouble();
    m.folder = q.value(10).toString();
    m.size = q.value(11).toLongLong();
    m.added_at = q.value(12).toLongLong();
    m.play_count = q.value(13).toInt();
    m.last_played = q.value(14).toLongLong();
    m.favorite = q.value(15).toInt() != 0;
    m.disc = q.value(16).toInt();
    m.compilation = q.value(17).toInt() != 0;
    return m;
}

QList<MediaItem> readAll(QSqlQuery& q)
{
    QList<MediaItem> list;
    while (q.next())
        list.append(readMedia(q));
    return list;
}

// True when path is the folder itself or lies somewhere below it.
bool isUnder(const QString& path, QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (folder.isEmpty())
        return false;
    if (path == folder)
        return true;
    if (folder == QLatin1String("/"))
        return path.startsWith(folder);
    return path.size() > folder.size() && path.startsWith(folder)
        && path.at(folder.size()) == QLatin1Char('/');
}

bool isStale(const QString& path, const QStringList& folders, const QSet<QString>& present)
{
    if (present.contains(path))
        return false;
    if (folders.isEmpty())
        return true;
    for (const QString& folder : folders) {
        if (isUnder(path, folder))
            return true;
    }
    return false;
}

QString kindOf(const QString& path)
{
    if (App::videoExts().contains(App::ext(path)))
        return QStringLiteral("video");
    if (App::isUrl(path))
        return QStringLiteral("stream");
    return QStringLiteral("audio");
}

}  // namespace

bool Database::upsertMedia(const QList<MediaItem>& items, QSqlError* error)
{
    if (items.isEmpty())
        return true;
    bool ok = false;
    if (beginBatch()) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        QSqlQuery q = prepare(kUpsert);
        ok = true;
        for (qsizetype i = 0; ok && i < items.size(); ++i) {
            const MediaItem& m = items.at(i);
            q.bindValue(0, m.path);
            q.bindValue(1, m.kind);
            q.bindValue(2, m.title);
            q.bindValue(3, m.artist);
            q.bindValue(4, m.album);
            q.bindValue(5, m.album_artist);
            q.bindValue(6, m.genre);
            q.bindValue(7, m.year);
            q.bindValue(8, m.track);
            q.bindValue(9, m.duration);
            q.bindValue(10, m.folder);
            q.bindValue(11, m.size);
            q.bindValue(12, m.added_at != 0 ? m.added_at : now);
            q.bindValue(13, m.disc);
            q.bindValue(14, int(m.compilation));
            ok = exec(q);
        }
        if (!ok && error)
            *error = q.lastError();
        ok = endBatch(ok);
    }
    emit libraryChanged();
    return ok;
}

bool Database::removeMissing(const QString& kind, const QStringList& folders, const QSet<QString>& present,
                             QSqlError* error)
{
    QSqlQuery select = prepare(QStringLiteral("SELECT path, folder FROM media WHERE kind=? AND in_library=1"));
    select.addBindValue(kind);
    if (!exec(select)) {
        if (error)
            *error = select.lastError();
        return false;
    }
    QStringList stale;
    while (select.next()) {
        const QString path = select.value(0).toString();
        if (isStale(path, folders, present))
            stale.append(path);
    }
    select.finish();
    if (stale.isEmpty())
        return true;
    if (!beginBatch())
        return false;
    QSqlQuery q = prepare(QStringLiteral("UPDATE media SET in_library=0 WHERE path=?"));
    bool ok = true;
    for (qsizetype i = 0; ok && i < stale.size(); ++i) {
        q.bindValue(0, stale.at(i));
        ok = exec(q);
    }
    if (!ok && error)
        *error = q.lastError();
    if (!endBatch(ok))
        return false;
    emit libraryChanged();
    return true;
}

void Database::ensureMedia(const QString& path, const QString& kind, const QString& title)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    // Plays are counted on this row: it waits out a lock with them.
    if (!m_waiting.isEmpty() || writeMedia(path, kind, title, now) == Outcome::Busy)
        kept(m_waiting.addMedia(path, kind, title, now));
}

Database::Outcome Database::writeMedia(const QString& path, const QString& kind, const QString& title, qint64 addedAt)
{
    QSqlQuery q = prepare(QStringLiteral(
        "INSERT OR IGNORE INTO media (path, kind, title, added_at, in_library, folder) VALUES (?,?,?,?,0,?)"));
    q.addBindValue(path);
    q.addBindValue(kind);
    q.addBindValue(title);
    q.addBindValue(addedAt);
    q.addBindValue(App::isUrl(path) ? QVariant(QMetaType::fromType<QString>())
                                    : QVariant(QFileInfo(path).absolutePath()));
    return attempt(q);
}

void Database::setFavorite(const QString& path, bool on)
{
    ensureMedia(path, kindOf(path), QFileInfo(path).completeBaseName());
    QSqlQuery q = prepare(QStringLiteral("UPDATE media SET favorite=? WHERE path=?"));
    q.addBindValue(int(on));
    q.addBindValue(path);
    exec(q);
    emit favoritesChanged();
}

bool Database::isFavorite(const QString& path) const
{
    QSqlQuery q = prepare(QStringLiteral("SELECT favorite FROM media WHERE path=?"));
    q.addBindValue(path);
    return exec(q) && q.next() && q.value(0).toInt() != 0;
}

void Database::countPlay(const QString& path)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (!m_waiting.isEmpty() || writePlays(path, 1, now) == Outcome::Busy)
        kept(m_waiting.addPlay(path, now));
}

Database::Outcome Database::writePlays(const QString& path, int plays, qint64 playedAt)
{
    QSqlQuery q = prepare(QStringLiteral("UPDATE media SET play_count=play_count+?, last_played=? WHERE path=?"));
    q.addBindValue(plays);
    q.addBindValue(playedAt);
    q.addBindValue(path);
    const Outcome outcome = attempt(q);
    if (outcome == Outcome::Done && q.numRowsAffected() > 0)
        emit playCounted(path);
    return outcome;
}

void Database::setDuration(const QString& path, double seconds)
{
    QSqlQuery q = prepare(QStringLiteral(
        "UPDATE media SET duration=? WHERE path=? AND (duration IS NULL OR duration<=0)"));
    q.addBindValue(seconds);
    q.addBindValue(path);
    exec(q);
}

std::optional<MediaItem> Database::mediaByPath(const QString& path) const
{
    if (!m_byPath) {
        const QString sql = QStringLiteral("SELECT %1 FROM media WHERE path=?").arg(kColumns);
        m_byPath = std::make_unique<QSqlQuery>(prepare(sql));
    }
    QSqlQuery& q = *m_byPath;
    q.bindValue(0, path);
    std::optional<MediaItem> item;
    if (!exec(q)) {
        m_byPath.reset();   // prepared afresh next time
        return item;
    }
    if (q.next())
        item = readMedia(q);
    q.finish();   // no statement left open between calls
    return item;
}

QList<MediaItem> Database::media(const QString& kind) const
{
    QSqlQuery q = prepare(QStringLiteral("SELECT %1 FROM media WHERE kind=? AND in_library=1").arg(kColumns));
    q.addBindValue(kind);
    return exec(q) ? readAll(q) : QList<MediaItem>();
}

QHash<QString, qint64> Database::librarySizes(const QString& kind) const
{
    // A song stored before discs and compilation marks were kept has none
    // (NULL, where a scan writes 0): its size is reported as unknown, so the
    // next scan reads its tags again and fills them in.
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT path, CASE WHEN (disc IS NULL OR compilation IS NULL) AND kind='audio' THEN -1 ELSE size END "
        "FROM media WHERE kind=? AND in_library=1"));
    q.addBindValue(kind);
    QHash<QString, qint64> sizes;
    if (exec(q)) {
        while (q.next())
            sizes.insert(q.value(0).toString(), q.value(1).toLongLong());
    }
    return sizes;
}

QList<MediaItem> Database::recentlyAdded(int n, const QString& kind) const
{
    // The newest rows are picked on the key alone, so the sort does not carry
    // whole rows of the library; the outer query fetches just those. Rows of
    // one scan share their second: an album added at once keeps its order.
    const QString ofKind = kind.isEmpty() ? QString() : QStringLiteral(" AND kind=?");
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT %1 FROM media WHERE rowid IN (SELECT rowid FROM media WHERE in_library=1%2 "
        "ORDER BY added_at DESC, rowid LIMIT ?) "
        "ORDER BY added_at DESC, folder, album, disc, track, path").arg(kColumns, ofKind));
    if (!kind.isEmpty())
        q.addBindValue(kind);
    q.addBindValue(n);
    return exec(q) ? readAll(q) : QList<MediaItem>();
}

QList<MediaItem> Database::favorites() const
{
    QSqlQuery q = direct(QStringLiteral("SELECT %1 FROM media WHERE favorite=1 ORDER BY title").arg(kColumns));
    return readAll(q);
}

QList<MediaItem> Database::mostPlayed(int n) const
{
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT %1 FROM media WHERE rowid IN (SELECT rowid FROM media WHERE play_count>0 "
        "ORDER BY play_count DESC, last_played DESC LIMIT ?) ORDER BY play_count DESC, last_played DESC")
                              .arg(kColumns));
    q.addBindValue(n);
    return exec(q) ? readAll(q) : QList<MediaItem>();
}
