#pragma once

#include "HistoryItem.h"

#include <QList>
#include <QString>

// Writes that met the library locked by another program, kept in the order
// they came until they can be made: history rows, plays, and the media rows
// that plays are counted on. One entry per row: a later write of the same
// row takes the place of the waiting one. Bounded: when full, the oldest
// entry makes room.
class DatabaseWriteQueue
{
public:
    enum class Kind { History, Play, Media };
    struct Entry
    {
        Kind kind = Kind::History;
        HistoryItem row;       // the history row; for a play or media row its path, kind and title
        int plays = 0;         // plays still to count
        qint64 at = 0;         // epoch seconds of the latest play, or when the media row was added
        qint64 keptAt = 0;     // epoch milliseconds when the entry was kept
    };
    static constexpr int kCapacity = 200;

    // Each answers false when an older entry had to be dropped to make room.
    bool addHistory(const HistoryItem& row);
    bool addPlay(const QString& path, qint64 playedAt);
    bool addMedia(const QString& path, const QString& kind, const QString& title, qint64 addedAt);

    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return int(m_entries.size()); }
    const Entry& first() const { return m_entries.first(); }
    void dropFirst() { m_entries.removeFirst(); }
    void clear() { m_entries.clear(); }
    // Epoch milliseconds when the oldest waiting history row was kept; 0
    // when none waits.
    qint64 oldestHistory() const;

private:
    Entry* find(const QString& path, Kind kind);
    bool append(const Entry& entry);

    QList<Entry> m_entries;
};
