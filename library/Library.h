#pragma once

#include "MediaItem.h"

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

// Keeps the library rows of the database in step with the music and video
// folders kept in the settings ("library/audio", "library/video"). A scan
// walks the folders on a worker thread, reads the tags of new or changed
// audio files and hands the result back to the GUI thread, which writes it
// into the Database and takes vanished files out of the library.
class QSqlError;

class Library : public QObject
{
    Q_OBJECT
public:
    struct ScanResult {
        QList<MediaItem> items;   // new or changed files, audio pass first
        QSet<QString> audioPaths;  // every audio file seen
        QSet<QString> videoPaths;  // every video file seen
        bool cancelled = false;    // the walk was stopped: the sets are partial
    };

    static Library* instance();
    ~Library() override;

    // The folders stored under "library/" + kind ("audio" or "video").
    QStringList folders(const QString& kind) const;
    void addFolder(const QString& kind, const QString& path);
    void removeFolder(const QString& kind, const QString& path);
    // Starts a scan; while one runs, asks for exactly one more after it.
    void rescan();

    // Why the last scan's result could not be stored in the database;
    // empty when it was (or no scan has ended yet).
    QString storeError() const { return m_storeError; }
    // Whether that failure was a full disk.
    bool storeFull() const { return m_storeFull; }

    // The worker body. Only reads files and the extension lists; stops early
    // (and says so) when cancel becomes true.
    static ScanResult scan(const QStringList& audioFolders, const QStringList& videoFolders,
                           const QHash<QString, qint64>& knownSizes,
                           const std::atomic<bool>* cancel = nullptr);
    // The record of one file; never fails.
    static MediaItem readTags(const QString& path);
    // The file's embedded "LYRICS", trimmed; empty when there are none.
    static QString readLyrics(const QString& path);

    // A folder as the scan uses it: absolute and cleaned.
    static QString normalFolder(const QString& path);
    // The folder a new library starts with for "audio" or "video".
    static QString defaultFolder(const QString& kind);

signals:
    void scanStarted();
    void scanFinished(int count);
    // A folder list of that kind changed.
    void foldersChanged(const QString& kind);
    // storeError() changed: a scan failed to store its result, for another
    // reason than the one before, or stored it again after a failure. So a
    // run of scans that fail alike tells it once.
    void storeChanged();

private slots:
    // Stops a running walk for good; connected to the application's quit.
    void cancelScan();

private:
    explicit Library(QObject* parent);
    void writeDefaults();
    QStringList scanFolders(const QString& kind) const;
    void onScanDone();
    bool merge(const ScanResult& result, QSqlError* error);
    void setStoreError(const QSqlError& error);

    bool m_scanning = false;
    bool m_rescanPending = false;
    QFutureWatcher<ScanResult> m_watcher;
    // Per-scan stop flag shared with the worker.
    std::shared_ptr<std::atomic<bool>> m_cancel;
    bool m_quitting = false;
    QString m_storeError;
    bool m_storeFull = false;
    // Library rows when the running scan started, per kind.
    QHash<QString, qint64> m_knownAudio;
    QHash<QString, qint64> m_knownVideo;
};
