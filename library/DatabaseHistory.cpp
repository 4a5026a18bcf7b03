#include "Database.h"

#include "App.h"
#include "TextCleaner.h"

#include <QDateTime>
#include <QSettings>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kColumns = QStringLiteral("path, kind, title, position, duration, last_played, finished");

HistoryItem readHistory(const QSqlQuery& q)
{
    HistoryItem h;
    h.path = q.value(0).toString();
    h.kind = q.value(1).toString();
    h.title = TextCleaner::line(q.value(2).toString());   // stored before titles were cut
    h.position = q.value(3).toDouble();
    h.duration = q.value(4).toDouble();
    h.last_played = q.value(5).toLongLong();
    h.finished = q.value(6).toInt() != 0;
    return h;
}

}  // namespace

void Database::saveHistory(const HistoryItem& item)
{
    if (!App::settings()->value(QStringLiteral("privacy/history"), true).toBool())
        return;
    HistoryItem row = item;
    if (row.last_played == 0)
        row.last_played = QDateTime::currentSecsSinceEpoch();
    // Behind rows that already wait, so that an older one never lands over it.
    const Outcome outcome = m_waiting.isEmpty() ? writeHistory(row) : Outcome::Busy;
    if (outcome == Outcome::Busy) {
        kept(m_waiting.addHistory(row));
        return;
    }
    if (outcome == Outcome::Failed)
        tellOnce(Fault::HistoryFailed);
    emit historyChanged();
}

Database::Outcome Database::writeHistory(const HistoryItem& row)
{
    QSqlQuery q = prepare(QStringLiteral(
        "INSERT INTO history (path, kind, title, position, duration, last_played, finished) "
        "VALUES (?,?,?,?,?,?,?) ON CONFLICT(path) DO UPDATE SET kind=excluded.kind, "
        "title=excluded.title, position=excluded.position, "
        "duration=CASE WHEN excluded.duration>0 THEN excluded.duration ELSE history.duration END, "
        "last_played=excluded.last_played, finished=excluded.finished"));
    q.addBindValue(row.path);
    q.addBindValue(row.kind);
    q.addBindValue(row.title);
    q.addBindValue(row.position);
    q.addBindValue(row.duration);
    q.addBindValue(row.last_played);
    q.addBindValue(int(row.finished));
    return attempt(q);
}

std::optional<HistoryItem> Database::historyFor(const QString& path) const
{
    QSqlQuery q = prepare(QStringLiteral("SELECT %1 FROM history WHERE path=?").arg(kColumns));
    q.addBindValue(path);
    if (exec(q) && q.next())
        return readHistory(q);
    return std::nullopt;
}

QList<HistoryItem> Database::history(const QString& kind, int limit) const
{
    QSqlQuery q = prepare(kind.isEmpty()
        ? QStringLiteral("SELECT %1 FROM history ORDER BY last_played DESC LIMIT ?").arg(kColumns)
        : QStringLiteral("SELECT %1 FROM history WHERE kind=? ORDER BY last_played DESC LIMIT ?").arg(kColumns));
    if (!kind.isEmpty())
        q.addBindValue(kind);
    q.addBindValue(limit);
    QList<HistoryItem> list;
    if (exec(q)) {
        while (q.next())
            list.append(readHistory(q));
    }
    return list;
}

void Database::removeHistory(const QString& path)
{
    QSqlQuery q = prepare(QStringLiteral("DELETE FROM history WHERE path=?"));
    q.addBindValue(path);
    exec(q);
    emit historyChanged();
}

void Database::clearHistory(const QString& kind)
{
    QSqlQuery q = prepare(kind.isEmpty() ? QStringLiteral("DELETE FROM history")
                                         : QStringLiteral("DELETE FROM history WHERE kind=?"));
    if (!kind.isEmpty())
        q.addBindValue(kind);
    exec(q);
    emit historyChanged();
}
