#include "Library.h"

#include "App.h"
#include "Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalBlocker>
#include <QSqlError>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QString key(const QString& kind)
{
    return QStringLiteral("library/") + kind;
}

// The text prefix the database uses to find a folder's rows. The trailing
// separator keeps /m/Music from also covering /m/Music2.
QString rowPrefix(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QStringList rowPrefixes(const QStringList& folders)
{
    QStringList out;
    out.reserve(folders.size());
    for (const QString& f : folders)
        out.append(rowPrefix(f));
    return out;
}

bool startsWithAny(const QString& path, const QStringList& prefixes)
{
    for (const QString& p : prefixes)
        if (path.startsWith(p))
            return true;
    return false;
}

// Would Database::removeMissing take any of these rows out? (The same rule:
// an empty folder list covers every row.)
bool anyStale(const QHash<QString, qint64>& known, const QSet<QString>& present,
              const QStringList& prefixes)
{
    for (auto it = known.cbegin(); it != known.cend(); ++it)
        if (!present.contains(it.key())
            && (prefixes.isEmpty() || startsWithAny(it.key(), prefixes)))
            return true;
    return false;
}

// SQLITE_FULL (13), also as an extended code. A failed COMMIT comes
// without its code, with SQLite's own message only.
bool isFull(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return (ok && code == 13) || error.databaseText().contains(QLatin1String("database or disk is full"));
}

QString reasonOf(const QSqlError& error)
{
    if (!error.isValid())
        return QString();
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

}  // namespace

Library* Library::instance()
{
    static Library* lib = new Library(QCoreApplication::instance());
    return lib;
}

Library::Library(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<ScanResult>::finished, this, &Library::onScanDone);
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &Library::cancelScan);
    writeDefaults();
}

Library::~Library()
{
    cancelScan();
    m_watcher.disconnect(this);
    m_watcher.waitForFinished();
}

void Library::writeDefaults()
{
    if (App::settings()->contains(key(QStringLiteral("audio"))))
        return;
    App::set(key(QStringLiteral("audio")), QStringList{defaultFolder(QStringLiteral("audio"))});
    App::set(key(QStringLiteral("video")), QStringList{defaultFolder(QStringLiteral("video"))});
}

QString Library::defaultFolder(const QString& kind)
{
    return QStandardPaths::writableLocation(kind == QLatin1String("audio") ? QStandardPaths::MusicLocation
                                                                           : QStandardPaths::MoviesLocation);
}

QString Library::normalFolder(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

QStringList Library::folders(const QString& kind) const
{
    QStringList list = App::get(key(kind)).toStringList();
    list.removeAll(QString());
    return list;
}

QStringList Library::scanFolders(const QString& kind) const
{
    QStringList out;
    for (const QString& f : folders(kind)) {
        const QString n = normalFolder(f);
        if (!out.contains(n))
            out.append(n);
    }
    return out;
}

void Library::addFolder(const QString& kind, const QString& path)
{
    QStringList list = folders(kind);
    const QString clean = normalFolder(path);
    if (!path.isEmpty() && !list.contains(clean)) {
        list.append(clean);
        App::set(key(kind), list);
        emit foldersChanged(kind);
    }
    rescan();
}

void Library::removeFolder(const QString& kind, const QString& path)
{
    QStringList list = folders(kind);
    const bool removed = list.removeAll(path) > 0;
    App::set(key(kind), list);
    if (removed)
        emit foldersChanged(kind);
    if (!path.isEmpty())
        Database::instance()->removeMissing(kind, {rowPrefix(normalFolder(path))}, {});
    rescan();
}

void Library::rescan()
{
    if (m_quitting)
        return;
    if (m_scanning) {
        m_rescanPending = true;
        return;
    }
    m_scanning = true;
    emit scanStarted();
    Database* db = Database::instance();
    m_knownAudio = db->librarySizes(QStringLiteral("audio"));
    m_knownVideo = db->librarySizes(QStringLiteral("video"));
    QHash<QString, qint64> known = m_knownAudio;
    known.reserve(m_knownAudio.size() + m_knownVideo.size());
    for (auto it = m_knownVideo.cbegin(); it != m_knownVideo.cend(); ++it)
        known.insert(it.key(), it.value());
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    auto cancel = m_cancel;
    const QStringList audio = scanFolders(QStringLiteral("audio"));
    const QStringList video = scanFolders(QStringLiteral("video"));
    m_watcher.setFuture(QtConcurrent::run([audio, video, known, cancel] {
        return scan(audio, video, known, cancel.get());
    }));
}

void Library::cancelScan()
{
    m_quitting = true;
    m_rescanPending = false;
    if (m_cancel)
        m_cancel->store(true);
}

void Library::onScanDone()
{
    const ScanResult result = m_watcher.result();
    m_scanning = false;
    m_cancel.reset();
    // A stopped walk saw only part of the folders: nothing of it is kept,
    // least of all the "missing" files it never reached.
    const bool keep = !result.cancelled && !m_quitting;
    QSqlError error;
    const bool changed = keep && merge(result, &error);
    // What a failed store leaves: the rows there were before the scan.
    const int kept = int(m_knownAudio.size() + m_knownVideo.size());
    m_knownAudio.clear();
    m_knownVideo.clear();
    if (!keep)
        return;
    setStoreError(error);
    if (changed && !error.isValid())
        emit Database::instance()->libraryChanged();
    emit scanFinished(error.isValid() ? kept : int(result.audioPaths.size() + result.videoPaths.size()));
    if (m_rescanPending) {
        m_rescanPending = false;
        rescan();
    }
}

void Library::setStoreError(const QSqlError& error)
{
    const QString reason = reasonOf(error);
    const bool full = error.isValid() && isFull(error);
    if (reason == m_storeError && full == m_storeFull)
        return;
    m_storeError = reason;
    m_storeFull = full;
    emit storeChanged();
}

// Writes one scan into the database as one transaction, with the database's
// own change signals held back; answers whether there was anything to write,
// and gives in error why it could not be stored. The folder lists are read
// again here: files of a folder removed while the walk ran are dropped.
bool Library::merge(const ScanResult& result, QSqlError* error)
{
    const QStringList audio = rowPrefixes(scanFolders(QStringLiteral("audio")));
    const QStringList video = rowPrefixes(scanFolders(QStringLiteral("video")));
    QList<MediaItem> items;
    items.reserve(result.items.size());
    for (const MediaItem& m : result.items)
        if (startsWithAny(m.path, m.kind == QLatin1String("video") ? video : audio))
            items.append(m);
    const bool staleAudio = anyStale(m_knownAudio, result.audioPaths, audio);
    const bool staleVideo = anyStale(m_knownVideo, result.videoPaths, video);
    if (items.isEmpty() && !staleAudio && !staleVideo)
        return false;

    Database* db = Database::instance();
    const QSignalBlocker block(db);
    // Commit only a transaction of our own, never one a caller left open.
    const bool own = Database::transaction();
    bool ok = db->upsertMedia(items, error);
    ok = ok && (!staleAudio || db->removeMissing(QStringLiteral("audio"), audio, result.audioPaths, error));
    ok = ok && (!staleVideo || db->removeMissing(QStringLiteral("video"), video, result.videoPaths, error));
    if (own && ok)
        ok = Database::commit(error);
    else if (own)
        Database::rollback();
    if (!ok && !error->isValid())
        *error = QSqlError(QString(), QStringLiteral("SAVEPOINT"), QSqlError::TransactionError);
    return true;
}
