#include "PlayerCore.h"

#include "Lang.h"
#include "MpvApi.h"

#include <QDebug>
#include <QFileInfo>
#include <QtGlobal>

#include <algorithm>

namespace {

// Rounds of playlists giving way to playlists, with no file loading, after
// which the entries are taken for a loop.
constexpr int kMaxRedirects = 5;

QString secs(double s)
{
    return QString::number(s, 'f', 3);
}

// The "id" of one entry of libmpv's "playlist" node; -1 when it has none.
qint64 entryId(const mpv_node& entry)
{
    if (entry.format != MPV_FORMAT_NODE_MAP)
        return -1;
    const mpv_node_list* map = entry.u.list;
    for (int i = 0; i < map->num; ++i)
        if (map->values[i].format == MPV_FORMAT_INT64 && qstrcmp(map->keys[i], "id") == 0)
            return map->values[i].u.int64;
    return -1;
}

}  // namespace

// libmpv knows a playlist by its content, whatever its name, and a link may
// answer with a playlist that names it again: such an entry gives way to
// itself for ever. The entries a redirect brings in are a round deeper than
// the one they replace; past kMaxRedirects rounds without a file loading
// they are removed, and the queue goes on after them. Each round also left
// a copy of what the loop lists besides itself: the first round's copies
// stay, the later ones go with the loop.
void PlayerCore::guardRedirect(qint64 entry, qint64 firstInserted, int inserted)
{
    const int depth = m_redirectDepth.value(entry, 0) + 1;
    const qint64 origin = m_redirectOrigin.value(entry, entry);
    for (int i = 0; i < inserted; ++i) {
        m_redirectDepth.insert(firstInserted + i, depth);
        m_redirectOrigin.insert(firstInserted + i, origin);
    }
    if (depth <= kMaxRedirects || inserted <= 0)
        return;
    QSet<qint64> loop;
    for (auto it = m_redirectDepth.cbegin(); it != m_redirectDepth.cend(); ++it)
        if (it.value() > 1 && m_redirectOrigin.value(it.key()) == origin)
            loop.insert(it.key());
    removeEntries(loop);
    if (depth == kMaxRedirects + 1) {
        qWarning().noquote() << "playlist em ciclo removida:" << m_lastPath;
        emit errorMessage(L("Playlist em ciclo ignorada: ", "Playlist that loops skipped: ")
                          + QFileInfo(m_lastPath).fileName());
    }
}

// Removes the entries of those ids, from the end so that the indexes stay
// valid.
void PlayerCore::removeEntries(const QSet<qint64>& ids)
{
    QList<int> indexes;
    mpv_node node;
    if (mpv()->get_property(m_handle.raw(), "playlist", MPV_FORMAT_NODE, &node) < 0)
        return;
    if (node.format == MPV_FORMAT_NODE_ARRAY) {
        for (int i = 0; i < node.u.list->num; ++i)
            if (ids.contains(entryId(node.u.list->values[i])))
                indexes.append(i);
    }
    mpv()->free_node_contents(&node);
    m_queueStale = true;
    std::for_each(indexes.crbegin(), indexes.crend(), [this](int i) {
        m_handle.command({QStringLiteral("playlist-remove"), QString::number(i)});
    });
}

// The play queue is libmpv's playlist; every command here that changes it
// has the mirror read again at the next drain.
void PlayerCore::openFiles(const QStringList& paths, int start, const QStringList& titles)
{
    if (paths.isEmpty())
        return;
    m_queueStale = true;
    nameEntries(paths, titles);
    m_handle.command({QStringLiteral("stop")});
    for (const QString& p : paths)
        m_handle.command({QStringLiteral("loadfile"), p, QStringLiteral("append")});
    m_handle.setFlag("pause", false);
    const int pos = start < 0 ? 0 : qMin(start, int(paths.size()) - 1);
    m_handle.setInt("playlist-pos", pos);
    if (m_shuffle && paths.size() > 1)
        m_handle.command({QStringLiteral("playlist-shuffle")});
    else
        mirrorOpened(paths, pos);
}

void PlayerCore::enqueue(const QStringList& paths)
{
    m_queueStale = true;
    for (const QString& p : paths)
        m_handle.command({QStringLiteral("loadfile"), p, QStringLiteral("append-play")});
}

void PlayerCore::playNextInQueue(const QStringList& paths)
{
    if (m_idle || m_queue.isEmpty()) {
        openFiles(paths, 0);
        return;
    }
    m_queueStale = true;
    for (const QString& p : paths)
        m_handle.command({QStringLiteral("loadfile"), p, QStringLiteral("append")});
    // The new entries close the playlist; each move takes the first of those
    // left behind the current entry, so the others keep their places.
    const long long first = m_handle.getInt("playlist-count", paths.size()) - paths.size();
    const int target = m_playlistPos + 1;
    for (int i = 0; i < paths.size(); ++i)
        m_handle.command({QStringLiteral("playlist-move"), QString::number(first + i), QString::number(target + i)});
}

void PlayerCore::playIndex(int i)
{
    m_handle.setFlag("pause", false);
    m_handle.setInt("playlist-pos", i);
}

// Removing an entry that is not the current one changes nothing else in
// the list: the mirror drops it without reading a long queue back.
void PlayerCore::removeIndex(int i)
{
    const bool inPlace = !m_queueStale && i >= 0 && i < m_queue.size() && i != m_playlistPos && i != m_currentIndex;
    if (m_handle.command({QStringLiteral("playlist-remove"), QString::number(i)}) < 0 || !inPlace) {
        m_queueStale = true;
        return;
    }
    m_queue.removeAt(i);
    ++m_mirrorEdits;
    if (m_currentIndex > i)
        --m_currentIndex;
    if (m_playlistPos > i)
        --m_playlistPos;
    emit queueChanged();
}

void PlayerCore::moveIndex(int from, int to)
{
    m_queueStale = true;
    m_handle.command({QStringLiteral("playlist-move"), QString::number(from), QString::number(to)});
}

void PlayerCore::clearQueue()
{
    m_queueStale = true;
    m_handle.command({QStringLiteral("playlist-clear")});
}

void PlayerCore::stop()
{
    m_queueStale = true;
    m_handle.command({QStringLiteral("stop")});
}

void PlayerCore::next()
{
    m_handle.command({QStringLiteral("playlist-next")});
}

void PlayerCore::prev()
{
    if (m_position > 5.0 || m_playlistPos < 1)
        seekAbsolute(0);
    else
        m_handle.command({QStringLiteral("playlist-prev")});
}

void PlayerCore::togglePause()
{
    if (m_idle && !m_queue.isEmpty()) {
        playIndex(m_playlistPos < 0 ? 0 : m_playlistPos);
        return;
    }
    // "keep-open" holds a finished file paused at its end: start it again.
    if (m_paused && m_handle.getFlag("eof-reached", false))
        seekAbsolute(0);
    m_handle.command({QStringLiteral("cycle"), QStringLiteral("pause")});
}

void PlayerCore::setPaused(bool paused)
{
    m_handle.setFlag("pause", paused);
}

void PlayerCore::seekAbsolute(double seconds)
{
    m_handle.command({QStringLiteral("seek"), secs(qMax(seconds, 0.0)), QStringLiteral("absolute")});
}

void PlayerCore::seekRelative(double seconds)
{
    m_handle.command({QStringLiteral("seek"), secs(seconds), QStringLiteral("relative+exact")});
}

void PlayerCore::seekPercent(double percent)
{
    m_handle.command({QStringLiteral("seek"), QString::number(percent, 'f', 2),
                      QStringLiteral("absolute-percent")});
}

void PlayerCore::frameStep(bool back)
{
    m_handle.command({back ? QStringLiteral("frame-back-step") : QStringLiteral("frame-step")});
}

void PlayerCore::nextChapter(bool forward)
{
    m_handle.command({QStringLiteral("add"), QStringLiteral("chapter"),
                      forward ? QStringLiteral("1") : QStringLiteral("-1")});
}

void PlayerCore::setSpeed(double speed)
{
    m_handle.setDouble("speed", qBound(0.1, speed, 8.0));
}

void PlayerCore::setVolume(double volume)
{
    m_handle.setDouble("volume", qBound(0.0, volume, 200.0));
}

void PlayerCore::setMuted(bool muted)
{
    m_handle.setFlag("mute", muted);
}

void PlayerCore::setSubDelay(double seconds)
{
    m_handle.setDouble("sub-delay", seconds);
}

void PlayerCore::setAudioDelay(double seconds)
{
    m_handle.setDouble("audio-delay", seconds);
}

void PlayerCore::setRepeat(Repeat mode)
{
    m_repeat = mode;
    m_handle.set("loop-file", mode == RepeatOne ? QStringLiteral("inf") : QStringLiteral("no"));
    m_handle.set("loop-playlist", mode == RepeatAll ? QStringLiteral("inf") : QStringLiteral("no"));
    emit repeatChanged();
}

void PlayerCore::setShuffle(bool on)
{
    if (on == m_shuffle)
        return;
    m_shuffle = on;
    if (m_queue.size() > 1) {
        m_queueStale = true;
        m_handle.command({on ? QStringLiteral("playlist-shuffle") : QStringLiteral("playlist-unshuffle")});
    }
    emit shuffleChanged();
}

// Asks the engine for the points and the position it holds now: the
// copies follow its change events, which two quick presses can outrun, and
// the second press would set A again, or B on top of A.
void PlayerCore::cycleAbLoop()
{
    const double a = m_handle.getDouble("ab-loop-a", -1);
    const double b = m_handle.getDouble("ab-loop-b", -1);
    const double now = m_handle.getDouble("time-pos", m_position);
    if (a < 0)
        m_handle.setDouble("ab-loop-a", now);
    else if (b < 0)
        m_handle.setDouble("ab-loop-b", now);
    else
        clearAbLoop();
}

void PlayerCore::clearAbLoop()
{
    m_handle.set("ab-loop-a", QStringLiteral("no"));
    m_handle.set("ab-loop-b", QStringLiteral("no"));
}
