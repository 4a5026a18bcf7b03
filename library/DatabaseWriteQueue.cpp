#include "DatabaseWriteQueue.h"

#include <QDateTime>

bool DatabaseWriteQueue::addHistory(const HistoryItem& row)
{
    if (Entry* waiting = find(row.path, Kind::History)) {
        // Written one after the other, the newer row keeps the known length
        // when it brings none.
        const double duration = row.duration > 0 ? row.duration : waiting->row.duration;
        waiting->row = row;
        waiting->row.duration = duration;
        return true;
    }
    Entry entry;
    entry.row = row;
    return append(entry);
}

bool DatabaseWriteQueue::addPlay(const QString& path, qint64 playedAt)
{
    if (Entry* waiting = find(path, Kind::Play)) {
        ++waiting->plays;
        waiting->at = playedAt;
        return true;
    }
    Entry entry;
    entry.kind = Kind::Play;
    entry.row.path = path;
    entry.plays = 1;
    entry.at = playedAt;
    return append(entry);
}

// The first registration of a row is the one that counts, as in the table.
bool DatabaseWriteQueue::addMedia(const QString& path, const QString& kind, const QString& title, qint64 addedAt)
{
    if (find(path, Kind::Media))
        return true;
    Entry entry;
    entry.kind = Kind::Media;
    entry.row.path = path;
    entry.row.kind = kind;
    entry.row.title = title;
    entry.at = addedAt;
    return append(entry);
}

qint64 DatabaseWriteQueue::oldestHistory() const
{
    for (const Entry& entry : m_entries) {
        if (entry.kind == Kind::History)
            return entry.keptAt;
    }
    return 0;
}

DatabaseWriteQueue::Entry* DatabaseWriteQueue::find(const QString& path, Kind kind)
{
    for (Entry& entry : m_entries) {
        if (entry.kind == kind && entry.row.path == path)
            return &entry;
    }
    return nullptr;
}

bool DatabaseWriteQueue::append(const Entry& entry)
{
    const bool full = m_entries.size() >= kCapacity;
    if (full)
        m_entries.removeFirst();
    m_entries.append(entry);
    m_entries.last().keptAt = QDateTime::currentMSecsSinceEpoch();
    return !full;
}
