#include "Database.h"

#include <QDateTime>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// A history row that waits this long is told to the user.
constexpr qint64 kTellAfterMs = 10000;

// With nothing waiting, a write transaction begun and dropped at once tells
// whether the lock is gone.
bool lockIsFree()
{
    QSqlQuery q;
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        const int code = q.lastError().nativeErrorCode().toInt() & 0xff;
        return code != 5 && code != 6;
    }
    q.exec(QStringLiteral("ROLLBACK"));
    return true;
}

}  // namespace

void Database::kept(bool added)
{
    if (!added) {
        qWarning().noquote() << "gravacao na biblioteca descartada: fila de espera cheia";
        tellOnce(Fault::HistoryWaiting);
    }
    startWaiting();
}

void Database::startWaiting()
{
    if (m_retry.isActive())
        return;
    qWarning().noquote() << "biblioteca bloqueada por outro programa; gravacoes aguardando";
    QSqlQuery q;
    q.exec(QStringLiteral("PRAGMA busy_timeout=0"));
    m_retry.start();
}

Database::Outcome Database::writeKept(const DatabaseWriteQueue::Entry& entry)
{
    switch (entry.kind) {
    case DatabaseWriteQueue::Kind::History:
        return writeHistory(entry.row);
    case DatabaseWriteQueue::Kind::Play:
        return writePlays(entry.row.path, entry.plays, entry.at);
    case DatabaseWriteQueue::Kind::Media:
        break;
    }
    return writeMedia(entry.row.path, entry.row.kind, entry.row.title, entry.at);
}

// Writes what waits, oldest first, up to the first that still meets the lock.
void Database::retryWaiting()
{
    bool wroteHistory = false;
    while (!m_waiting.isEmpty()) {
        const DatabaseWriteQueue::Entry entry = m_waiting.first();
        const Outcome outcome = writeKept(entry);
        if (outcome == Outcome::Busy)
            break;
        m_waiting.dropFirst();
        if (entry.kind != DatabaseWriteQueue::Kind::History)
            continue;
        wroteHistory = wroteHistory || outcome == Outcome::Done;
        if (outcome == Outcome::Failed)
            tellOnce(Fault::HistoryFailed);
    }
    if (wroteHistory)
        emit historyChanged();
    if (!m_waiting.isEmpty()) {
        tellIfLong();
        return;
    }
    if (!lockIsFree())
        return;
    m_retry.stop();
    QSqlQuery q;
    q.exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(kBusyMs));
    qInfo().noquote() << "biblioteca liberada; gravacoes em espera feitas";
}

void Database::tellIfLong()
{
    const qint64 oldest = m_waiting.oldestHistory();
    if (oldest > 0 && QDateTime::currentMSecsSinceEpoch() - oldest >= kTellAfterMs)
        tellOnce(Fault::HistoryWaiting);
}
