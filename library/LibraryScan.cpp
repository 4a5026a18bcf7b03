// The worker side of the library: the folder walk and the tag readers.
#include "Library.h"

#include "App.h"
#include "TagReader.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>

namespace {

const QSet<QString>& extSet(bool video)
{
    static const QSet<QString> audio(App::audioExts().cbegin(), App::audioExts().cend());
    static const QSet<QString> videos(App::videoExts().cbegin(), App::videoExts().cend());
    return video ? videos : audio;
}

MediaItem recordOf(const QString& path, const QFileInfo& info)
{
    MediaItem m;
    m.path = path;
    const bool video = extSet(true).contains(App::ext(path));
    m.kind = video ? QStringLiteral("video") : QStringLiteral("audio");
    m.folder = info.absolutePath();
    m.size = info.size();
    m.title = info.completeBaseName();
    if (video)
        return m;  // durations of videos come later, from thumbnails and playback
    const TagReader tags(path, true);
    if (!tags.isValid())
        return m;
    if (tags.hasTitle())
        m.title = tags.title();
    m.artist = tags.artist();
    m.album = tags.album();
    m.genre = tags.genre();
    m.year = tags.year();
    m.track = tags.track();
    m.disc = tags.disc();
    m.album_artist = tags.albumArtist();
    m.compilation = tags.isCompilation();
    m.duration = tags.length();
    return m;
}

struct Pass {
    const QSet<QString>& exts;
    const QHash<QString, qint64>& known;
    const std::atomic<bool>* cancel;
    QSet<QString>& seen;
    QList<MediaItem>& items;
};

// Walks one folder; false when the walk was cancelled. Hidden entries are
// skipped and links to folders are not followed (no loops); links to files
// count as files, but only regular files are ever kept.
bool walk(const QString& folder, Pass& pass)
{
    QDirIterator it(folder, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (pass.cancel && pass.cancel->load(std::memory_order_relaxed))
            return false;
        const QString path = it.next();
        if (!pass.exts.contains(App::ext(path)))
            continue;
        const QFileInfo info = it.fileInfo();
        if (!info.isFile())
            continue;
        const QString clean = QDir::cleanPath(path);
        pass.seen.insert(clean);
        const auto known = pass.known.constFind(clean);
        if (known != pass.known.cend() && known.value() == info.size())
            continue;
        pass.items.append(recordOf(clean, info));
    }
    return true;
}

bool walkAll(const QStringList& folders, Pass& pass)
{
    for (const QString& folder : folders)
        if (!walk(folder, pass))
            return false;
    return true;
}

}  // namespace

Library::ScanResult Library::scan(const QStringList& audioFolders, const QStringList& videoFolders,
                                  const QHash<QString, qint64>& knownSizes,
                                  const std::atomic<bool>* cancel)
{
    QThread::currentThread()->setPriority(QThread::LowestPriority);
    ScanResult result;
    Pass audio{extSet(false), knownSizes, cancel, result.audioPaths, result.items};
    Pass video{extSet(true), knownSizes, cancel, result.videoPaths, result.items};
    result.cancelled = !walkAll(audioFolders, audio) || !walkAll(videoFolders, video);
    return result;
}

MediaItem Library::readTags(const QString& path)
{
    return recordOf(path, QFileInfo(path));
}

QString Library::readLyrics(const QString& path)
{
    return TagReader(path).property("LYRICS");
}
