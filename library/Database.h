#pragma once

#include "DatabaseWriteQueue.h"
#include "HistoryItem.h"
#include "MediaItem.h"
#include "Playlist.h"
#include "Station.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// The library database "biblioteca.db" in the data folder: media catalogue,
// history, playlists and stations. Every operation runs on Qt's default SQL
// connection on the GUI thread and keeps nothing in memory. Failed statements
// are logged; reads then give empty results, and the writes a user waits on
// (the scan's batches, the playlists) answer whether they were stored. A
// write never waits long for a lock held by another program: history rows
// and play counts that meet one are kept and written once the lock is gone.
class Database : public QObject
{
    Q_OBJECT
public:
    static Database* instance();
    ~Database() override;

    // Opens (or creates) the file and its tables. A file that SQLite reports
    // as not a database or corrupt is moved aside and a fresh one started;
    // so is one found damaged by a check, which runs when the last run did
    // not end cleanly or met damage while running. A file that cannot be
    // written is opened for reading only.
    bool open();
    // The library could only be opened for reading: it is shown, but
    // nothing is kept.
    bool isReadOnly() const { return m_readOnly; }
    // Where the last open() kept a damaged library file; empty when it
    // found none. Start-up tells the user about it.
    QString setAsideFile() const { return m_setAside; }
    // Closes the connection; open() may be called again afterwards.
    void close();

    // Batch helpers on the default connection for callers that write many
    // rows at once. commit() rolls back when it fails, and gives why in
    // error when asked.
    static bool transaction();
    static bool commit(QSqlError* error = nullptr);
    static bool rollback();

    // Media catalogue
    // Both answer whether the rows were stored; error gets why not.
    bool upsertMedia(const QList<MediaItem>& items, QSqlError* error = nullptr);
    bool removeMissing(const QString& kind, const QStringList& folders, const QSet<QString>& present,
                       QSqlError* error = nullptr);
    void ensureMedia(const QString& path, const QString& kind, const QString& title);
    void setFavorite(const QString& path, bool on);
    bool isFavorite(const QString& path) const;
    void countPlay(const QString& path);
    void setDuration(const QString& path, double seconds);
    std::optional<MediaItem> mediaByPath(const QString& path) const;
    QList<MediaItem> media(const QString& kind) const;
    // Path -> size of the same rows as media(kind), without building whole
    // records: what a rescan compares the files on disk with.
    QHash<QString, qint64> librarySizes(const QString& kind) const;
    // The n newest library rows, of one kind when kind is not empty.
    QList<MediaItem> recentlyAdded(int n, const QString& kind = QString()) const;
    QList<MediaItem> favorites() const;
    QList<MediaItem> mostPlayed(int n) const;

    // History
    void saveHistory(const HistoryItem& item);
    std::optional<HistoryItem> historyFor(const QString& path) const;
    QList<HistoryItem> history(const QString& kind, int limit) const;
    void removeHistory(const QString& path);
    void clearHistory(const QString& kind);

    // Playlists
    QList<Playlist> playlists() const;
    // Playlists: each write answers whether it was stored. A new list and
    // its items are stored together or not at all: the id, or 0.
    qint64 createPlaylist(const QString& name, const QStringList& paths = {});
    bool renamePlaylist(qint64 id, const QString& name);
    bool deletePlaylist(qint64 id);
    QStringList playlistItems(qint64 id) const;
    bool setPlaylistItems(qint64 id, const QStringList& paths);
    bool addToPlaylist(qint64 id, const QStringList& paths);

    // Stations
    QList<Station> stations(const QString& grp) const;
    QStringList stationGroups() const;
    qint64 saveStation(const Station& station);
    bool hasStationUrl(const QString& url) const;
    void deleteStation(qint64 id);
    void deleteStationGroup(const QString& grp);
    void setStationFavorite(qint64 id, bool on);

signals:
    void libraryChanged();
    // One more play of a library row: only its play count and last play
    // changed, so listeners need not reload the whole library.
    void playCounted(const QString& path);
    void historyChanged();
    void playlistsChanged();
    void stationsChanged();
    void favoritesChanged();
    // Something the user must hear of, said once per run: the library is
    // damaged (and is set aside at the next start), or history cannot be
    // saved. Sent from the event loop, never from inside the failing call.
    void storageFault(const QString& message);

private:
    explicit Database(QObject* parent);
    bool reopenFresh(QSqlDatabase& db, const QString& file);

    enum class Schema { Ok, Failed, Damaged };
    static Schema createSchema();
    static Schema upgrade();
    static QString moveAside(const QString& file);
    bool openReadOnly(QSqlDatabase& db, const QString& file);
    static bool checkedSound(const QString& file);
    static bool passesCheck(const QString& pragma);
    void markRunning(bool on);

    enum class Fault { Damaged, HistoryWaiting, HistoryFailed };
    void tellOnce(Fault fault);
    // Called with every failed statement: damage is noted for the next
    // start, a lock held elsewhere starts the waiting.
    static void noteFailure(const QSqlError& error);

    // How long a statement on the GUI thread waits for a lock another
    // program holds: enough for its short writes, too short to be felt.
    static constexpr int kBusyMs = 50;
    // The writes that are kept while the library is locked. While another
    // program holds the lock, statements fail at once instead of each
    // waiting for it; a timer writes what was kept once the lock is gone.
    enum class Outcome { Done, Busy, Failed };
    Outcome writeHistory(const HistoryItem& row);
    Outcome writePlays(const QString& path, int plays, qint64 playedAt);
    static Outcome writeMedia(const QString& path, const QString& kind, const QString& title, qint64 addedAt);
    Outcome writeKept(const DatabaseWriteQueue::Entry& entry);
    void kept(bool added);
    void startWaiting();
    void retryWaiting();
    void tellIfLong();
    static Outcome attempt(QSqlQuery& query);

    // A forward-only query prepared on the default connection; a statement
    // that does not prepare is logged like a failed one.
    static QSqlQuery prepare(const QString& sql);
    // Run a statement; on failure log "SQL:", the error and the statement.
    static bool exec(QSqlQuery& query);
    static bool execSql(const QString& sql, QSqlError* error = nullptr);
    // A parameter-less read whose failure just yields no rows.
    static QSqlQuery direct(const QString& sql);
    // A batch of writes inside a savepoint, so it also nests inside a
    // caller's transaction. endBatch(false) undoes everything since beginBatch.
    static bool beginBatch();
    static bool endBatch(bool ok);
    // A playlist's items in order; empty when they could not be read.
    std::optional<QStringList> readPlaylistItems(qint64 id) const;
    // Replaces a playlist's items, inside a batch the caller holds.
    static bool writePlaylistItems(qint64 id, const QStringList& paths);

    QString m_setAside;
    bool m_readOnly = false;
    bool m_marked = false;   // this run made the running marker
    bool m_damageNoted = false;
    bool m_toldDamage = false;
    bool m_toldHistory = false;
    DatabaseWriteQueue m_waiting;
    QTimer m_retry;
    // mediaByPath runs once per queue row: its statement is prepared once
    // per connection. Dropped whenever the connection closes.
    mutable std::unique_ptr<QSqlQuery> m_byPath;
};
