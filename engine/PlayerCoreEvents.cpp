#include "PlayerCore.h"

#include "Lang.h"
#include "MpvApi.h"
#include "TextCleaner.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {

// Events handled before the drain lets the event loop turn once.
constexpr int kEventsPerTurn = 100;

// Properties read without waiting: right after a load libmpv's core may
// hold its lock for tens of milliseconds (a file with huge tags), and a
// plain read would wait on it. Their values come back as replies.
enum Reply : quint64 { ReplyTitle = 1, ReplyMetadata, ReplyPlaylistCount };

QString normPath(const QString& s)
{
    if (s.isEmpty() || s.contains(QLatin1String("://")))
        return s;
    return QDir::cleanPath(s);
}

QString endReasonText(int reason)
{
    switch (reason) {
    case MPV_END_FILE_REASON_EOF:
        return QStringLiteral("eof");
    case MPV_END_FILE_REASON_QUIT:
        return QStringLiteral("quit");
    case MPV_END_FILE_REASON_ERROR:
        return QStringLiteral("error");
    case MPV_END_FILE_REASON_REDIRECT:
        return QStringLiteral("redirect");
    default:
        return QStringLiteral("stop");
    }
}

// libmpv's reason for a failed file, the common ones in the interface language.
QString errorReason(int code)
{
    switch (code) {
    case MPV_ERROR_LOADING_FAILED:
        return L("falha ao carregar", "loading failed");
    case MPV_ERROR_UNKNOWN_FORMAT:
        return L("formato não reconhecido", "unrecognized file format");
    case MPV_ERROR_NOTHING_TO_PLAY:
        return L("nada para tocar", "nothing to play");
    case MPV_ERROR_AO_INIT_FAILED:
        return L("saída de som indisponível", "audio output unavailable");
    case MPV_ERROR_VO_INIT_FAILED:
        return L("saída de vídeo indisponível", "video output unavailable");
    default:
        return QString::fromUtf8(mpv()->error_string(code));
    }
}

// The "icy-title" entry of stream metadata, whatever its case; of several,
// the last in key order.
QString icyTitle(const QVariantMap& map)
{
    QString title;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (it.key().compare(QLatin1String("icy-title"), Qt::CaseInsensitive) == 0)
            title = it.value().toString();
    return title;
}

MediaTrack trackFromMap(const QVariantMap& m)
{
    MediaTrack t;
    t.id = m.value(QStringLiteral("id")).toLongLong();
    t.type = m.value(QStringLiteral("type")).toString();
    t.title = m.value(QStringLiteral("title")).toString();
    t.lang = m.value(QStringLiteral("lang")).toString();
    t.codec = m.value(QStringLiteral("codec")).toString();
    t.selected = m.value(QStringLiteral("selected")).toBool();
    t.external = m.value(QStringLiteral("external")).toBool();
    t.albumart = m.value(QStringLiteral("albumart")).toBool();
    t.isDefault = m.value(QStringLiteral("default")).toBool();
    t.channels = m.value(QStringLiteral("demux-channel-count")).toInt();
    return t;
}

// One playlist entry read straight from libmpv's node: a long playlist is
// read in one go, without the detour through variants.
QueueEntry queueEntry(const mpv_node& node, qint64* id)
{
    QueueEntry e;
    if (node.format != MPV_FORMAT_NODE_MAP)
        return e;
    const mpv_node_list* map = node.u.list;
    for (int i = 0; i < map->num; ++i) {
        const QLatin1String key(map->keys[i]);
        const mpv_node& v = map->values[i];
        if (v.format == MPV_FORMAT_STRING && key == QLatin1String("filename"))
            e.path = normPath(QString::fromUtf8(v.u.string));
        else if (v.format == MPV_FORMAT_STRING && key == QLatin1String("title"))
            e.title = QString::fromUtf8(v.u.string);
        else if (v.format == MPV_FORMAT_FLAG && key == QLatin1String("current"))
            e.current = v.u.flag != 0;
        else if (v.format == MPV_FORMAT_INT64 && key == QLatin1String("id"))
            *id = v.u.int64;
    }
    return e;
}

// libmpv reports "no" for an unset A-B point.
double abPoint(const QVariant& v)
{
    return v.typeId() == QMetaType::Double ? v.toDouble() : -1;
}

}  // namespace

void PlayerCore::wakeup(void* ctx)
{
    QMetaObject::invokeMethod(static_cast<PlayerCore*>(ctx), "processEvents", Qt::QueuedConnection);
}

// A long run of events (a queue of links that fail one after another) is
// taken in slices, so the window keeps answering: after a slice's worth of
// events, counted over every drain since the last pause, the drain pauses
// until a zero timer fires, that is until the event loop has had a full
// turn (queued calls alone would not do: libmpv's wake-ups keep queuing
// them). The events wait in libmpv's own queue meanwhile, in order.
void PlayerCore::processEvents()
{
    if (m_handle.isNull() || m_drainHeld || m_loadReading)
        return;
    while (m_sliceEvents < kEventsPerTurn && !m_loadReading) {
        const mpv_event* event = mpv()->wait_event(m_handle.raw(), 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        ++m_sliceEvents;
        handleEvent(event);
    }
    if (m_queueStale)
        rebuildQueue();
    if (m_sliceEvents >= kEventsPerTurn) {
        m_drainHeld = true;
        m_drainTimer.start();
    }
}

void PlayerCore::resumeDrain()
{
    m_drainHeld = false;
    m_sliceEvents = 0;
    processEvents();
}

void PlayerCore::handleEvent(const mpv_event* event)
{
    switch (event->event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* msg = static_cast<const mpv_event_log_message*>(event->data);
        qWarning().noquote() << "[mpv]" << QString::fromUtf8(msg->prefix)
                             << QString::fromUtf8(msg->text).trimmed();
        break;
    }
    case MPV_EVENT_START_FILE:
        onStartFile(static_cast<const mpv_event_start_file*>(event->data)->playlist_entry_id);
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event->data);
        if (end->reason == MPV_END_FILE_REASON_REDIRECT)
            guardRedirect(end->playlist_entry_id, end->playlist_insert_id, end->playlist_insert_num_entries);
        onEndFile(end->reason, end->error);
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        onFileLoaded();
        break;
    case MPV_EVENT_HOOK:
        handleHook(event);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        syncFilterChain();
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        handleProperty(static_cast<const mpv_event_property*>(event->data));
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if (event->error >= 0)
            handleReply(event->reply_userdata, static_cast<const mpv_event_property*>(event->data));
        break;
    default:
        break;
    }
}

// libmpv sends no "path" change for a file that fails to open, so the
// entry being started is looked up by its id; otherwise a failure would be
// reported under the previous file's name.
void PlayerCore::onStartFile(qint64 entryId)
{
    m_fileActive = false;
    syncFilterChain();
    m_lastPosition = 0;
    m_lastDuration = 0;
    // What is being tried has no length yet; the one before is not its own.
    m_duration = 0;
    m_streamTitle.clear();
    m_lastPath = entryPath(entryId);
    if (m_lastPath != m_reconnectPath)
        m_reconnectPath.clear();
    m_live = false;
    m_lengthPending = false;
    m_sizeless = false;
    m_durationRises = 0;
    // libmpv keeps the A-B points across files; the mirror starts unset,
    // and so must the engine.
    m_abLoopA = -1;
    m_abLoopB = -1;
    m_handle.set("ab-loop-a", QStringLiteral("no"));
    m_handle.set("ab-loop-b", QStringLiteral("no"));
    emit durationChanged(0);
    emit fileStarted();
}

// The mirror knows every entry up to its last rebuild (an entry keeps its
// id and file name for good); a newer one is most likely the entry playing
// now. Only when neither knows it is the whole playlist read again.
QString PlayerCore::entryPath(qint64 entryId)
{
    const auto known = m_entryPaths.constFind(entryId);
    if (known != m_entryPaths.cend())
        return *known;
    const long long pos = m_handle.getInt("playlist-playing-pos", -1);
    if (pos >= 0) {
        const QByteArray entry = "playlist/" + QByteArray::number(pos) + '/';
        if (m_handle.getInt((entry + "id").constData(), -1) == entryId)
            return normPath(m_handle.getString((entry + "filename").constData()));
    }
    rebuildQueue();
    return m_entryPaths.value(entryId);
}

void PlayerCore::onEndFile(int reason, int error)
{
    m_fileActive = false;
    // A playlist file or a link list gave way to its entries.
    if (reason == MPV_END_FILE_REASON_REDIRECT)
        m_queueStale = true;
    const QString reasonText = endReasonText(reason);
    if (reason == MPV_END_FILE_REASON_ERROR) {
        m_lastError = errorReason(error);
        emit errorMessage(L("Não foi possível abrir: ", "Could not open: ") + QFileInfo(m_lastPath).fileName()
                          + QStringLiteral(" (") + m_lastError + QLatin1Char(')'));
    }
    if (reason == MPV_END_FILE_REASON_EOF)
        connectionEnded(false, m_lastPosition, m_lastDuration);
    if (!m_lastPath.isEmpty())
        emit fileEnded(m_lastPath, reasonText, m_lastPosition, m_lastDuration);
}

// At file-loaded libmpv has not yet sent the new file's properties (path,
// queue position, tracks, chapters, duration, title, metadata). They are
// read on a worker while the drain waits, so that receivers of fileLoaded
// see this file, not the one before, and later events still come after it.
void PlayerCore::onFileLoaded()
{
    m_loadReading = true;
    const MpvHandle handle = m_handle;
    m_loadWatcher.setFuture(QtConcurrent::run(&m_loadPool, [handle] { return LoadedFile::read(handle); }));
}

void PlayerCore::finishFileLoaded()
{
    m_loadReading = false;
    if (m_fadeInPending)
        startFadeIn();
    applyLoadedFile(m_loadWatcher.result());
    m_fileActive = true;
    m_redirectDepth.clear();
    m_redirectOrigin.clear();
    emit fileLoaded();
    processEvents();
}

// The length is announced at every load, also when it is the one before
// (0 after 0): only now is the new path known to those who show it.
void PlayerCore::applyLoadedFile(const LoadedFile& file)
{
    applyEntry(file);
    if (file.mediaTitle != m_mediaTitle)
        storeMediaTitle(file.mediaTitle);
    if (file.metadata != m_metadata)
        storeMetadata(file.metadata);
    judgeStream(file);
    const double dur = m_live || m_lengthPending ? std::nan("") : file.duration;
    m_duration = std::isnan(dur) ? 0 : dur;
    m_lastDuration = m_duration;
    emit durationChanged(m_duration);
    storeTracks(file.tracks);
    storeChapters(file.chapters);
}

// The path, the queue position and the play position of the loaded file.
void PlayerCore::applyEntry(const LoadedFile& file)
{
    const QString path = normPath(file.path);
    if (path != m_path) {
        m_path = path;
        if (!path.isEmpty())
            m_lastPath = path;
        emit titleChanged();
    }
    if (file.playlistPos != m_playlistPos) {
        m_playlistPos = file.playlistPos;
        markCurrent(file.playlistPos);
        emit queueChanged();
    }
    if (file.timePos != m_position) {
        m_position = file.timePos;
        emit positionChanged(m_position);
    }
}

void PlayerCore::storeMediaTitle(const QString& text)
{
    m_mediaTitle = text;
    emit titleChanged();
}

void PlayerCore::storeMetadata(const QVariantMap& map)
{
    m_metadata = map;
    m_streamTitle = icyTitle(map);
    emit metadataChanged();
    emit titleChanged();
}

void PlayerCore::handleProperty(const mpv_event_property* prop)
{
    const QString name = QString::fromUtf8(prop->name);
    const bool present = prop->format != MPV_FORMAT_NONE && prop->data;
    const auto asDouble = [&] { return *static_cast<const double*>(prop->data); };
    const auto asFlag = [&] { return present && *static_cast<const int*>(prop->data) != 0; };
    const auto asText = [&] {
        return present ? QString::fromUtf8(*static_cast<const char* const*>(prop->data)) : QString();
    };

    if (name == QLatin1String("time-pos")) {
        m_position = present ? asDouble() : 0;
        if (present)
            m_lastPosition = m_position;
        emit positionChanged(m_position);
        settleLength();
        watchArrival();
        holdReconnect();
        updateFade();
    } else if (name == QLatin1String("duration")) {
        storeDuration(present, present ? asDouble() : 0);
    } else if (name == QLatin1String("pause")) {
        m_paused = asFlag();
        emit pauseChanged(m_paused);
    } else if (name == QLatin1String("speed")) {
        if (present)
            m_speed = asDouble();
        emit speedChanged(m_speed);
    } else if (name == QLatin1String("volume")) {
        if (present)
            m_volume = asDouble();
        emit volumeChanged(m_volume);
    } else if (name == QLatin1String("mute")) {
        m_muted = asFlag();
        emit muteChanged(m_muted);
    } else if (name == QLatin1String("idle-active")) {
        m_idle = asFlag();
        emit idleChanged(m_idle);
    } else if (name == QLatin1String("seekable")) {
        m_seekable = asFlag();
    } else if (name == QLatin1String("eof-reached")) {
        // The last entry stays open at its end: no end-file tells of it.
        if (asFlag() && m_fileActive)
            connectionEnded(true, m_position, m_duration);
    } else if (name == QLatin1String("paused-for-cache")) {
        m_buffering = asFlag();
        emit bufferingChanged(m_buffering);
    } else if (name == QLatin1String("path")) {
        m_path = normPath(asText());
        if (!m_path.isEmpty())
            m_lastPath = m_path;
        emit titleChanged();
    } else if (name == QLatin1String("media-title")) {
        m_handle.getAsync("media-title", MPV_FORMAT_STRING, ReplyTitle);
    } else if (name == QLatin1String("metadata")) {
        m_handle.getAsync("metadata", MPV_FORMAT_NODE, ReplyMetadata);
    } else if (name == QLatin1String("playlist-pos")) {
        m_playlistPos = present ? int(*static_cast<const int64_t*>(prop->data)) : -1;
        markCurrent(m_playlistPos);
        emit queueChanged();
    } else if (name == QLatin1String("playlist")) {
        m_handle.getAsync("playlist-count", MPV_FORMAT_INT64, ReplyPlaylistCount | quint64(m_mirrorEdits) << 8);
    } else {
        handleListProperty(name, present ? mpvNodeToVariant(static_cast<const mpv_node*>(prop->data)) : QVariant());
    }
}

// A file's tags and a stream's headers reach every display and the
// desktop from here: their texts come as lines a person can read.
void PlayerCore::handleReply(quint64 what, const mpv_event_property* prop)
{
    if (!prop->data)
        return;
    if (what == ReplyTitle && prop->format == MPV_FORMAT_STRING)
        storeMediaTitle(TextCleaner::line(*static_cast<const char* const*>(prop->data)));
    else if (what == ReplyMetadata && prop->format == MPV_FORMAT_NODE)
        storeMetadata(mpvNodeToVariant(static_cast<const mpv_node*>(prop->data), true).toMap());
    else if ((what & 0xff) == ReplyPlaylistCount && prop->format == MPV_FORMAT_INT64 && what >> 8 == m_mirrorEdits)
        onPlaylistCount(*static_cast<const int64_t*>(prop->data));
}

void PlayerCore::handleListProperty(const QString& name, const QVariant& value)
{
    if (name == QLatin1String("track-list")) {
        storeTracks(value.toList());
    } else if (name == QLatin1String("chapter-list")) {
        storeChapters(value.toList());
    } else if (name == QLatin1String("ab-loop-a")) {
        m_abLoopA = abPoint(value);
        emit abLoopChanged();
    } else if (name == QLatin1String("ab-loop-b")) {
        m_abLoopB = abPoint(value);
        emit abLoopChanged();
    }
}

// "playlist" is observed without its value: libmpv reports a change at
// every start and end of a file, where only the current entry moves (the
// position's change flags it). Its length comes back as a reply; the list
// itself is read again once per drain, when that length is not the
// mirror's, after the core's own playlist commands or after a redirect. A
// length asked for before the mirror last changed tells nothing of it.
void PlayerCore::onPlaylistCount(qint64 count)
{
    if (count != m_queue.size())
        m_queueStale = true;
}

void PlayerCore::rebuildQueue()
{
    ++m_mirrorEdits;
    m_queueStale = false;
    m_queue.clear();
    m_entryPaths.clear();
    m_currentIndex = -1;
    mpv_node node;
    if (mpv()->get_property(m_handle.raw(), "playlist", MPV_FORMAT_NODE, &node) >= 0) {
        if (node.format == MPV_FORMAT_NODE_ARRAY)
            appendEntries(*node.u.list);
        mpv()->free_node_contents(&node);
    }
    // The list read back carries its own current entry: the position goes
    // with it, so no one sees the new list with the old position.
    m_playlistPos = m_currentIndex;
    emit queueChanged();
}

void PlayerCore::nameEntries(const QStringList& paths, const QStringList& titles)
{
    m_givenTitles.clear();
    for (int i = 0; i < titles.size() && i < paths.size(); ++i)
        if (!titles[i].isEmpty())
            m_givenTitles.insert(normPath(paths[i]), titles[i]);
}

// libmpv's playlist now holds these paths as given, in this order: the
// mirror takes them without reading the whole list back. Entry ids are
// learnt as files start.
void PlayerCore::mirrorOpened(const QStringList& paths, int pos)
{
    ++m_mirrorEdits;
    m_queueStale = false;
    m_entryPaths.clear();
    m_queue.clear();
    m_queue.reserve(paths.size());
    for (const QString& p : paths) {
        const QString path = normPath(p);
        m_queue.append({path, m_givenTitles.value(path), false});
    }
    m_currentIndex = -1;
    markCurrent(pos);
    emit queueChanged();
}

void PlayerCore::appendEntries(const mpv_node_list& list)
{
    m_queue.reserve(list.num);
    m_entryPaths.reserve(list.num);
    for (int i = 0; i < list.num; ++i) {
        qint64 id = 0;
        QueueEntry e = queueEntry(list.values[i], &id);
        if (e.title.isEmpty())
            e.title = m_givenTitles.value(e.path);
        if (e.current)
            m_currentIndex = i;
        m_entryPaths.insert(id, e.path);
        m_queue.append(e);
    }
}

void PlayerCore::markCurrent(int pos)
{
    if (m_currentIndex >= 0 && m_currentIndex < m_queue.size())
        m_queue[m_currentIndex].current = false;
    m_currentIndex = pos >= 0 && pos < m_queue.size() ? pos : -1;
    if (m_currentIndex >= 0)
        m_queue[m_currentIndex].current = true;
}

void PlayerCore::storeTracks(const QVariantList& list)
{
    m_tracks.clear();
    bool video = false;
    for (const QVariant& v : list) {
        const MediaTrack t = trackFromMap(v.toMap());
        video = video || (t.type == QLatin1String("video") && !t.albumart);
        m_tracks.append(t);
    }
    emit tracksChanged();
    if (video != m_hasVideo) {
        m_hasVideo = video;
        emit videoPresenceChanged(m_hasVideo);
    }
}

void PlayerCore::storeChapters(const QVariantList& list)
{
    m_chapters.clear();
    for (const QVariant& v : list) {
        const QVariantMap m = v.toMap();
        m_chapters.append({m.value(QStringLiteral("time")).toDouble(),
                           m.value(QStringLiteral("title")).toString()});
    }
    emit chaptersChanged();
}
