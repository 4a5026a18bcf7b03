#include "MediaCollector.h"

#include "App.h"
#include "MediaFolder.h"
#include "PlaylistFile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

bool isPlaylistFile(const QString& path)
{
    return !App::isUrl(path) && App::playlistExts().contains(App::ext(path));
}

// A playlist file's entries, and what its reading left out.
void addPlaylist(const QString& path, MediaCollector::Result& result)
{
    PlaylistFile::Outcome outcome;
    const qsizetype before = result.files.size();
    if (!PlaylistFile::read(path, nullptr, &result.files, &outcome))
        return;
    if (outcome.cut == PlaylistFile::Outcome::Cut::Entries)
        qWarning("Playlist longa: %s: abertas só as primeiras %lld entradas", qUtf8Printable(path),
                 static_cast<long long>(result.files.size() - before));
    else if (outcome.cut == PlaylistFile::Outcome::Cut::Text)
        qWarning("playlist grande demais, lida só em parte: %s", qUtf8Printable(path));
    const QString notice = PlaylistFile::notice(path, outcome);
    if (!notice.isEmpty())
        result.notices.append(notice);
}

}  // namespace

MediaCollector::MediaCollector(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

// Lists not yet begun are dropped; the one being read ends within its
// budgets.
MediaCollector::~MediaCollector()
{
    m_pool.clear();
    m_pool.waitForDone();
}

MediaCollector::Result MediaCollector::collect(const QList<QString>& paths)
{
    const MediaFolder folders;
    Result result;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (App::isUrl(path))
            result.files.append(path);
        else if (info.isDir())
            result.files.append(folders.files(path));
        else if (isPlaylistFile(path))
            addPlaylist(info.absoluteFilePath(), result);
        else if (info.exists())
            result.files.append(QDir::cleanPath(info.absoluteFilePath()));
    }
    return result;
}

void MediaCollector::collectThen(const QList<QString>& paths, const Done& done)
{
    if (m_waiting == 0 && std::none_of(paths.begin(), paths.end(), isPlaylistFile)) {
        done(collect(paths));
        return;
    }
    ++m_waiting;
    auto* watcher = new QFutureWatcher<Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, done] {
        --m_waiting;
        watcher->deleteLater();
        if (watcher->future().resultCount() > 0)
            done(watcher->result());
    });
    // Relative paths are taken against the folder of now, not the worker's.
    QList<QString> absolute;
    for (const QString& path : paths)
        absolute.append(path.isEmpty() || App::isUrl(path) ? path : QFileInfo(path).absoluteFilePath());
    watcher->setFuture(QtConcurrent::run(&m_pool, &MediaCollector::collect, absolute));
}
