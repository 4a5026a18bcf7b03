// The thumbnailer's job queue, its libmpv events and the taking of pictures.
#include "Thumbnailer.h"

#include "MpvApi.h"

#include <mpv/render_gl.h>

#include <QDebug>
#include <QDir>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSaveFile>

#include <utility>

namespace {

// The job's file could not be told apart from others (a libmpv that does not
// report playlist entry ids): every event counts as the job's.
constexpr long long kAnyEntry = -1;

QString startText(double time)
{
    if (time >= 0)
        return QString::number(time, 'f', 3);
    return QStringLiteral("%1%").arg(QString::number(-time * 100, 'f', 1));
}

// Even height at the job's width, in the video's display aspect (16:9 when
// unknown), never below 2.
QSize frameSize(int width, long long dw, long long dh)
{
    if (dw < 1 || dh < 1) {
        dw = 16;
        dh = 9;
    }
    const int height = int(width * dh / dw) & ~1;
    return QSize(width, qMax(2, height));
}

long long entryIdOf(const mpv_node& result)
{
    if (result.format != MPV_FORMAT_NODE_MAP || !result.u.list)
        return 0;
    const mpv_node_list* map = result.u.list;
    for (int i = 0; i < map->num; ++i)
        if (qstrcmp(map->keys[i], "playlist_entry_id") == 0 && map->values[i].format == MPV_FORMAT_INT64)
            return map->values[i].u.int64;
    return 0;
}

}  // namespace

void Thumbnailer::request(const QString& path, double time, int width, const QString& key)
{
    if (m_busy && !m_current.preview && m_current.key == key)
        return;
    for (const Job& job : std::as_const(m_jobs))
        if (job.key == key)
            return;
    m_jobs.append(Job{path, time, width, key, false});
    startNext();
}

void Thumbnailer::requestPreview(const QString& path, double time)
{
    m_previewSlot = Job{path, time, 240, QString(), true};
    startNext();
}

void Thumbnailer::cancelAll()
{
    m_jobs.clear();
    m_previewSlot.reset();
}

void Thumbnailer::startNext()
{
    if (m_busy)
        return;
    if (!ensureInit()) {
        failQueued();
        return;
    }
    if (m_previewSlot) {
        m_current = *m_previewSlot;
        m_previewSlot.reset();
    } else if (!m_jobs.isEmpty()) {
        m_current = m_jobs.takeFirst();
    } else {
        return;
    }
    m_busy = true;
    m_frameReady = false;
    m_frame = QImage();
    m_loadedDuration = 0;
    m_jobEntry = 0;
    m_timeout.start();
    if (m_imageMode)
        startImageJob();
    else
        startGlJob();
}

// Without a working instance every waiting request is answered at once
// with no picture: a seek-bar popup waits for its preview's answer too.
void Thumbnailer::failQueued()
{
    const QList<Job> jobs = std::exchange(m_jobs, {});
    const std::optional<Job> preview = std::exchange(m_previewSlot, std::nullopt);
    if (preview)
        emit previewReady(preview->time, QImage());
    for (const Job& job : jobs)
        emit ready(job.key, QImage(), 0);
}

void Thumbnailer::loadCurrent()
{
    m_loadToken = ++m_lastToken;
    m_mpv.commandAsync({QStringLiteral("loadfile"), m_current.path, QStringLiteral("replace")},
                       m_loadToken);
}

void Thumbnailer::startImageJob()
{
    QDir dir(m_outDir);
    for (const QString& name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files))
        dir.remove(name);
    m_mpv.set("vf", QStringLiteral("lavfi=[scale=%1:-2]").arg(m_current.width));
    m_mpv.set("start", startText(m_current.time));
    loadCurrent();
}

void Thumbnailer::startGlJob()
{
    if (m_fileLoaded && m_loadedPath == m_current.path) {
        // Same file as the last job: only seek.
        const double target = m_current.time >= 0
            ? m_current.time
            : m_mpv.getDouble("duration", 0) * -m_current.time;
        m_jobEntry = m_loadedEntry;
        m_loadToken = ++m_lastToken;
        m_mpv.commandAsync({QStringLiteral("seek"), QString::number(target, 'f', 3),
                            QStringLiteral("absolute+keyframes")},
                           m_loadToken);
        return;
    }
    m_fileLoaded = false;
    m_loadedPath = m_current.path;
    m_loadedEntry = 0;
    m_mpv.set("start", startText(m_current.time));
    loadCurrent();
}

void Thumbnailer::processEvents()
{
    if (m_mpv.isNull())
        return;
    for (;;) {
        const mpv_event* event = mpv()->wait_event(m_mpv.raw(), 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            return;
        handleEvent(event);
    }
}

bool Thumbnailer::ownsEntry(long long entry) const
{
    return m_jobEntry == kAnyEntry || (m_jobEntry > 0 && entry == m_jobEntry);
}

void Thumbnailer::handleEvent(const mpv_event* event)
{
    if (event->event_id == MPV_EVENT_START_FILE && event->data)
        m_startedEntry = static_cast<const mpv_event_start_file*>(event->data)->playlist_entry_id;
    if (event->event_id == MPV_EVENT_HOOK)
        handleHook(event);   // also outside a job: libmpv waits for the answer
    if (!m_busy)
        return;
    switch (event->event_id) {
    case MPV_EVENT_COMMAND_REPLY:
        handleCommandReply(event);
        break;
    case MPV_EVENT_FILE_LOADED:
        if (!ownsEntry(m_startedEntry))
            break;
        m_fileLoaded = true;
        if (m_loadedDuration <= 0)   // not read at the load hook
            m_loadedDuration = m_mpv.getDouble("duration", 0);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (!ownsEntry(m_startedEntry))
            break;
        m_frameReady = true;
        if (!m_frame.isNull())
            deliverFrame();
        else
            tryRender();
        break;
    case MPV_EVENT_END_FILE:
        handleEndFile(event);
        break;
    default:
        break;
    }
}

void Thumbnailer::handleCommandReply(const mpv_event* event)
{
    if (event->reply_userdata != m_loadToken)
        return;
    if (event->error < 0) {
        m_loadedPath.clear();
        m_fileLoaded = false;
        finish(QImage());
        return;
    }
    const auto* reply = static_cast<const mpv_event_command*>(event->data);
    const long long id = reply ? entryIdOf(reply->result) : 0;
    if (id > 0)
        m_jobEntry = m_loadedEntry = id;
    else if (m_jobEntry == 0)
        m_jobEntry = kAnyEntry;
}

void Thumbnailer::handleEndFile(const mpv_event* event)
{
    const auto* end = static_cast<const mpv_event_end_file*>(event->data);
    if (!end || !ownsEntry(end->playlist_entry_id))
        return;
    if (m_imageMode) {
        finish(takeImageFile());
        return;
    }
    if (end->reason != MPV_END_FILE_REASON_ERROR)
        return;
    m_loadedPath.clear();
    m_fileLoaded = false;
    finish(QImage());
}

QImage Thumbnailer::takeImageFile() const
{
    const QStringList files =
        QDir(m_outDir).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return QImage();
    const QImage image(m_outDir + QLatin1Char('/') + files.last());
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
}

// A frame that arrives during a job is drawn at once, also before the
// playback restart: until it is drawn, libmpv's core waits on its video output
// (up to 200 ms) and holds back both the restart and any property read. So
// the first drawing uses the last known video size, and the size is read
// only once the restart has come; the frame is drawn again if it differs.
void Thumbnailer::tryRender()
{
    if (!m_render)
        return;
    const quint64 flags = mpv()->render_context_update(m_render);
    if (!(flags & MPV_RENDER_UPDATE_FRAME))
        return;
    if (!m_busy) {
        skipFrame();
        return;
    }
    m_frame = renderFrame(frameSize(m_current.width, m_videoW, m_videoH));
    if (m_frameReady)
        deliverFrame();
}

// A frame outside any job (libmpv redraws the paused picture after a seek)
// is taken without drawing, or libmpv would wait on it before the next seek.
void Thumbnailer::skipFrame()
{
    if (!m_gl->makeCurrent(m_surface))
        return;
    int skip = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv()->render_context_render(m_render, params);
    m_gl->doneCurrent();
}

void Thumbnailer::deliverFrame()
{
    m_videoW = m_mpv.getInt("video-params/dw", 0);
    m_videoH = m_mpv.getInt("video-params/dh", 0);
    const QSize size = frameSize(m_current.width, m_videoW, m_videoH);
    if (m_frame.size() != size)
        m_frame = renderFrame(size);   // libmpv draws its current frame again
    finish(m_frame);
}

QImage Thumbnailer::renderFrame(const QSize& size)
{
    if (!m_gl->makeCurrent(m_surface))
        return QImage();
    if (!m_fbo || m_fbo->size() != size) {
        delete m_fbo;
        m_fbo = new QOpenGLFramebufferObject(size, GL_TEXTURE_2D);
    }
    mpv_opengl_fbo fbo{int(m_fbo->handle()), size.width(), size.height(), 0};
    // Unflipped: the picture's top row lands in the framebuffer's first row,
    // which is the first row of the read-back.
    int flip = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv()->render_context_render(m_render, params);
    const QImage image = m_fbo->toImage(false).convertToFormat(QImage::Format_RGB32);
    m_gl->doneCurrent();
    return image;
}

void Thumbnailer::finish(QImage image)
{
    m_timeout.stop();
    const Job job = m_current;
    m_busy = false;
    m_frameReady = false;
    m_frame = QImage();
    m_jobEntry = 0;
    m_loadToken = 0;
    const double duration =
        m_imageMode ? m_loadedDuration : m_mpv.getDouble("duration", 0);
    if (job.preview) {
        emit previewReady(job.time, image);
    } else {
        // A picture handed out is always one that is in the cache: callers
        // read the file, and would ask again and again for one never saved.
        if (!image.isNull() && !saveToCache(job.key, image))
            image = QImage();
        emit ready(job.key, image, duration);
    }
    QMetaObject::invokeMethod(this, &Thumbnailer::startNext, Qt::QueuedConnection);
}

bool Thumbnailer::saveToCache(const QString& key, const QImage& image)
{
    QSaveFile file(cacheFile(key));
    if (file.open(QIODevice::WriteOnly) && image.save(&file, "JPG", 85) && file.commit())
        return true;
    qWarning() << "miniatura: falha ao gravar" << file.fileName();
    return false;
}

void Thumbnailer::timedOut()
{
    if (!m_busy)
        return;
    qWarning() << "miniatura: tempo esgotado" << m_current.path;
    if (!m_current.key.isEmpty())
        emit jobTimedOut(m_current.key);
    m_loadedPath.clear();
    m_fileLoaded = false;
    finish(QImage());
}
