#include "Database.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

Station readStation(const QSqlQuery& q)
{
    Station s;
    s.id = q.value(0).toLongLong();
    s.name = q.value(1).toString();
    s.url = q.value(2).toString();
    s.logo = q.value(3).toString();
    s.tags = q.value(4).toString();
    s.grp = q.value(5).toString();
    s.favorite = q.value(6).toInt() != 0;
    return s;
}

}  // namespace

QList<Station> Database::stations(const QString& grp) const
{
    QSqlQuery q = prepare(grp.isEmpty()
        ? QStringLiteral("SELECT id, name, url, logo, tags, grp, favorite FROM stations ORDER BY name COLLATE NOCASE")
        : QStringLiteral("SELECT id, name, url, logo, tags, grp, favorite FROM stations WHERE grp=? ORDER BY id"));
    if (!grp.isEmpty())
        q.addBindValue(grp);
    QList<Station> list;
    if (exec(q)) {
        while (q.next())
            list.append(readStation(q));
    }
    return list;
}

QStringList Database::stationGroups() const
{
    QSqlQuery q = direct(QStringLiteral("SELECT DISTINCT grp FROM stations WHERE grp<>'radio' ORDER BY grp"));
    QStringList groups;
    while (q.next())
        groups.append(q.value(0).toString());
    return groups;
}

qint64 Database::saveStation(const Station& station)
{
    const bool insert = station.id < 1;
    QSqlQuery q = prepare(insert
        ? QStringLiteral("INSERT INTO stations (name, url, logo, tags, grp, favorite) VALUES (?,?,?,?,?,?)")
        : QStringLiteral("UPDATE stations SET name=?, url=?, logo=?, tags=?, grp=?, favorite=? WHERE id=?"));
    q.addBindValue(station.name);
    q.addBindValue(station.url);
    q.addBindValue(station.logo);
    q.addBindValue(station.tags);
    q.addBindValue(station.grp.isEmpty() ? QStringLiteral("radio") : station.grp);
    q.addBindValue(int(station.favorite));
    if (!insert)
        q.addBindValue(station.id);
    const bool ok = exec(q);
    emit stationsChanged();
    if (!insert)
        return station.id;
    return ok ? q.lastInsertId().toLongLong() : 0;
}

bool Database::hasStationUrl(const QString& url) const
{
    QSqlQuery q = prepare(QStringLiteral("SELECT 1 FROM stations WHERE url=? AND grp='radio'"));
    q.addBindValue(url);
    return exec(q) && q.next();
}

void Database::deleteStation(qint64 id)
{
    if (id < 1)
        return;
    QSqlQuery q = prepare(QStringLiteral("DELETE FROM stations WHERE id=?"));
    q.addBindValue(id);
    exec(q);
    emit stationsChanged();
}

void Database::deleteStationGroup(const QString& grp)
{
    QSqlQuery q = prepare(QStringLiteral("DELETE FROM stations WHERE grp=?"));
    q.addBindValue(grp);
    exec(q);
    emit stationsChanged();
}

void Database::setStationFavorite(qint64 id, bool on)
{
    if (id < 1)
        return;
    QSqlQuery q = prepare(QStringLiteral("UPDATE stations SET favorite=? WHERE id=?"));
    q.addBindValue(int(on));
    q.addBindValue(id);
    exec(q);
    emit stationsChanged();
}
