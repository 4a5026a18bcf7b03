#include "PlayerCore.h"

#include "MpvApi.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QRegularExpression>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <vector>

// libmpv loads the subtitles beside a local file by itself ("sub-auto" is
// "exact"), and it opens whatever carries such a name: a FIFO named
// "song.lrc" keeps the file from ever starting, a huge text file or a link
// to a device delays it by seconds. At each load the core looks at those
// candidates first, off the GUI thread; when one of them is not a plain file
// of a sane size, libmpv's own loading is turned off for that file and the
// harmless ones are handed over instead.

namespace {

// The extensions that libmpv reads as subtitles.
const char* const kSubtitleExts[] = {"utf", "utf8", "utf-8", "idx", "sub", "srt", "rt", "ssa",
                                     "ass", "mks", "vtt", "sup", "scc", "smi", "lrc", "pgs"};
// Picture subtitles (DVD, Blu-ray, Matroska) run to tens of MiB; text ones
// are parsed whole before the file starts, so they get a tighter bound.
const char* const kPictureExts[] = {"sub", "sup", "pgs", "mks"};
constexpr qint64 kMaxTextBytes = qint64(8) << 20;
constexpr qint64 kMaxPictureBytes = qint64(256) << 20;

struct SubtitleScan {
    bool unsafe = false;   // some candidate is no regular file or too large
    bool refused = false;  // the media is a folder, a FIFO, a device or a socket
    QStringList files;     // the harmless candidates, best match first
};

template <size_t N>
bool listed(const char* const (&exts)[N], const QString& ext)
{
    return std::any_of(std::begin(exts), std::end(exts), [&](const char* e) { return ext == QLatin1String(e); });
}

// What follows the media's base name in a candidate's: nothing, or a
// language code such as ".en", ".pt-br" or "[eng]".
bool nameMatches(const QString& rest)
{
    static const QRegularExpression lang(QStringLiteral("^(\\.[a-z]{2,3}(-[a-z]{2,4})?|[\\[(][a-z]{2,3}[\\])])$"));
    return rest.isEmpty() || lang.match(rest).hasMatch();
}

bool harmless(const QFileInfo& info)
{
    const qint64 bound = listed(kPictureExts, info.suffix().toLower()) ? kMaxPictureBytes : kMaxTextBytes;
    return info.isFile() && info.size() <= bound;
}

// The exact name first, as libmpv orders them, then those with a language.
void bestFirst(QStringList& files)
{
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const qsizetype la = QFileInfo(a).completeBaseName().size();
        const qsizetype lb = QFileInfo(b).completeBaseName().size();
        return la != lb ? la < lb : a < b;
    });
}

// Runs on a pool thread: one pass over the media's folder. A "file://"
// link is only looked at for what it names. A folder would be walked by
// libmpv, all below it and without end; a FIFO without a writer keeps the
// open waiting for good, a device such as /dev/zero feeds it without end.
// Only regular files are opened: the test is a stat, which does not wait
// on a FIFO as an open would. A path that does not exist is left to libmpv.
SubtitleScan scanSubtitles(const QString& mediaPath)
{
    SubtitleScan scan;
    const bool link = mediaPath.contains(QLatin1String("://"));
    const QFileInfo media(link ? QUrl(mediaPath).toLocalFile() : mediaPath);
    scan.refused = media.exists() && !media.isFile();
    if (scan.refused)
        qWarning() << "não é um arquivo comum:" << media.filePath();
    if (scan.refused || link)
        return scan;
    const QString base = media.completeBaseName().toLower();
    QDirIterator it(media.absolutePath(), QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName().toLower();
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < base.size() || !name.startsWith(base) || !listed(kSubtitleExts, name.mid(dot + 1)))
            continue;
        const QFileInfo info(path);
        if (!info.exists() || info.fileName() == media.fileName())
            continue;   // a dangling link (libmpv skips it too), or the media itself
        if (!harmless(info)) {
            scan.unsafe = true;
            qWarning() << "legenda ignorada" << info.filePath();
        } else if (nameMatches(name.mid(base.size(), dot - base.size()))) {
            scan.files.append(info.filePath());
        }
    }
    bestFirst(scan.files);
    return scan;
}

// For the file being loaded only: no loading of its own by libmpv, these
// files instead.
void handOver(const MpvHandle& h, const QStringList& files)
{
    h.set("file-local-options/sub-auto", QStringLiteral("no"));
    std::vector<QByteArray> utf8;
    for (const QString& f : files)
        utf8.push_back(f.toUtf8());
    std::vector<mpv_node> items(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        items[i].format = MPV_FORMAT_STRING;
        items[i].u.string = utf8[i].data();
    }
    mpv_node_list list{int(items.size()), items.data(), nullptr};
    mpv_node node;
    node.format = MPV_FORMAT_NODE_ARRAY;
    node.u.list = &list;
    mpv()->set_property(h.raw(), "file-local-options/sub-files", MPV_FORMAT_NODE, &node);
}

}  // namespace

// libmpv waits at "on_load", before it opens anything, until the hook is
// continued. Without the hook entry points nothing is checked.
void PlayerCore::registerHooks()
{
    if (mpv()->hook_add)
        mpv()->hook_add(m_handle.raw(), 0, "on_load", 0);
}

void PlayerCore::handleHook(const mpv_event* event)
{
    const auto* hook = static_cast<const mpv_event_hook*>(event->data);
    if (!hook)
        return;
    const QString path = m_handle.getString("path");
    const bool local = !path.contains(QLatin1String("://")) || path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive);
    if (qstrcmp(hook->name, "on_load") != 0 || path.isEmpty() || !local) {
        mpv()->hook_continue(m_handle.raw(), hook->id);
        return;
    }
    checkSubtitles(hook->id, path);
}

// A folder may be huge or slow, so it is read on the core's own pool; the
// result comes back to the GUI thread, which answers libmpv. Should the core go first,
// the watcher goes with it and libmpv, torn down, waits for no answer.
void PlayerCore::checkSubtitles(quint64 hookId, const QString& path)
{
    auto* watcher = new QFutureWatcher<SubtitleScan>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, hookId] {
        const SubtitleScan scan = watcher->result();
        watcher->deleteLater();
        // What is no regular file becomes an empty stream, which fails at
        // once with the usual message; the queue goes on.
        if (scan.refused)
            m_handle.set("stream-open-filename", QStringLiteral("memory://"));
        if (scan.unsafe)
            handOver(m_handle, scan.files);
        mpv()->hook_continue(m_handle.raw(), hookId);
    });
    watcher->setFuture(QtConcurrent::run(&m_scanPool, scanSubtitles, path));
}
