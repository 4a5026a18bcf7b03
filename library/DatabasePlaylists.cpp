#include "Database.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

QList<Playlist> Database::playlists() const
{
    QSqlQuery q = direct(QStringLiteral(
        "SELECT p.id, p.name, (SELECT COUNT(*) FROM playlist_items i WHERE i.playlist_id=p.id) "
        "FROM playlists p ORDER BY p.name COLLATE NOCASE"));
    QList<Playlist> list;
    while (q.next())
        list.append(Playlist{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toInt()});
    return list;
}

qint64 Database::createPlaylist(const QString& name, const QStringList& paths)
{
    qint64 id = 0;
    if (beginBatch()) {
        QSqlQuery q = prepare(QStringLiteral("INSERT INTO playlists (name, created) VALUES (?, ?)"));
        q.addBindValue(name);
        q.addBindValue(QDateTime::currentSecsSinceEpoch());
        bool ok = exec(q);
        if (ok)
            id = q.lastInsertId().toLongLong();
        ok = ok && id > 0 && writePlaylistItems(id, paths);
        if (!endBatch(ok))
            id = 0;
    }
    emit playlistsChanged();
    return id;
}

bool Database::renamePlaylist(qint64 id, const QString& name)
{
    if (id < 1)
        return false;
    QSqlQuery q = prepare(QStringLiteral("UPDATE playlists SET name=? WHERE id=?"));
    q.addBindValue(name);
    q.addBindValue(id);
    const bool ok = exec(q);
    emit playlistsChanged();
    return ok;
}

bool Database::deletePlaylist(qint64 id)
{
    if (id < 1)
        return false;
    bool ok = false;
    if (beginBatch()) {
        QSqlQuery items = prepare(QStringLiteral("DELETE FROM playlist_items WHERE playlist_id=?"));
        items.addBindValue(id);
        QSqlQuery list = prepare(QStringLiteral("DELETE FROM playlists WHERE id=?"));
        list.addBindValue(id);
        ok = endBatch(exec(items) && exec(list));
    }
    emit playlistsChanged();
    return ok;
}

QStringList Database::playlistItems(qint64 id) const
{
    return readPlaylistItems(id).value_or(QStringList());
}

std::optional<QStringList> Database::readPlaylistItems(qint64 id) const
{
    QSqlQuery q = prepare(QStringLiteral("SELECT path FROM playlist_items WHERE playlist_id=? ORDER BY idx"));
    q.addBindValue(id);
    if (!exec(q))
        return std::nullopt;
    QStringList paths;
    while (q.next())
        paths.append(q.value(0).toString());
    return paths;
}

bool Database::writePlaylistItems(qint64 id, const QStringList& paths)
{
    QSqlQuery clear = prepare(QStringLiteral("DELETE FROM playlist_items WHERE playlist_id=?"));
    clear.addBindValue(id);
    bool ok = exec(clear);
    QSqlQuery insert = prepare(QStringLiteral("INSERT INTO playlist_items (playlist_id, idx, path) VALUES (?,?,?)"));
    for (int i = 0; ok && i < paths.size(); ++i) {
        insert.bindValue(0, id);
        insert.bindValue(1, i);
        insert.bindValue(2, paths.at(i));
        ok = exec(insert);
    }
    return ok;
}

// Rewrites the whole list at once; on any failure the old items stay.
bool Database::setPlaylistItems(qint64 id, const QStringList& paths)
{
    if (id < 1)
        return false;
    const bool ok = beginBatch() && endBatch(writePlaylistItems(id, paths));
    emit playlistsChanged();
    return ok;
}

// Items that cannot be read are not replaced by the new paths alone.
bool Database::addToPlaylist(qint64 id, const QStringList& paths)
{
    if (id < 1)
        return false;
    const std::optional<QStringList> items = readPlaylistItems(id);
    return items && setPlaylistItems(id, *items + paths);
}
