#include "Thumbnailer.h"

#include "App.h"
#include "MpvApi.h"

#include <mpv/render_gl.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

namespace {

void* thumbGetProc(void*, const char* name)
{
    QOpenGLContext* gl = QOpenGLContext::currentContext();
    if (!gl)
        return nullptr;
    return reinterpret_cast<void*>(gl->getProcAddress(QByteArray(name)));
}

}  // namespace

Thumbnailer* Thumbnailer::instance()
{
    static Thumbnailer* self = new Thumbnailer(QCoreApplication::instance());
    return self;
}

Thumbnailer::Thumbnailer(QObject* parent) : QObject(parent)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(8000);
    connect(&m_timeout, &QTimer::timeout, this, &Thumbnailer::timedOut);
}

Thumbnailer::~Thumbnailer()
{
    // No callback may reach this object once destruction has begun.
    if (!m_mpv.isNull())
        mpv()->set_wakeup_callback(m_mpv.raw(), nullptr, nullptr);
    if (m_gl)
        m_gl->makeCurrent(m_surface);
    if (m_render) {
        mpv()->render_context_set_update_callback(m_render, nullptr, nullptr);
        mpv()->render_context_free(m_render);
        m_render = nullptr;
    }
    delete m_fbo;
    m_fbo = nullptr;
    if (m_gl) {
        m_gl->doneCurrent();
        delete m_gl;
    }
    delete m_surface;
    if (!m_mpv.isNull())
        mpv()->terminate_destroy(m_mpv.raw());
}

QString Thumbnailer::keyFor(const QString& path, const QString& tag)
{
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex();
    return tag + QLatin1Char('_') + QString::fromLatin1(hash.left(20));
}

QString Thumbnailer::cacheFile(const QString& key)
{
    return App::subDir(QStringLiteral("thumbs")) + QLatin1Char('/') + key + QStringLiteral(".jpg");
}

void Thumbnailer::wakeup(void* ctx)
{
    QMetaObject::invokeMethod(static_cast<Thumbnailer*>(ctx), "processEvents", Qt::QueuedConnection);
}

void Thumbnailer::onRenderUpdate(void* ctx)
{
    QMetaObject::invokeMethod(static_cast<Thumbnailer*>(ctx), "tryRender", Qt::QueuedConnection);
}

bool Thumbnailer::ensureInit()
{
    if (m_initTried)
        return !m_mpv.isNull();
    m_initTried = true;
    if (!loadMpv() || qEnvironmentVariableIsSet("ORVEL_NO_THUMBS"))
        return false;
    m_imageMode = qgetenv("ORVEL_THUMB_GL") != "1";
    mpv_handle* h = mpv()->create();
    if (!h)
        return false;
    m_mpv = MpvHandle(h);
    setOptions();
    if (mpv()->initialize(h) < 0 || (!m_imageMode && !initGl())) {
        // Unavailable for good: the instance goes away now.
        mpv()->terminate_destroy(h);
        m_mpv = MpvHandle();
        return false;
    }
    if (m_imageMode && mpv()->hook_add)
        mpv()->hook_add(h, 0, "on_preloaded", 0);
    mpv()->set_wakeup_callback(h, &Thumbnailer::wakeup, this);
    return true;
}

// In image mode a file often ends, its one frame written, before the GUI
// thread gets to its file-loaded event, and its length is gone by then. At
// this hook libmpv has opened the file and waits until it is continued, so
// the length read here is always the job's file's.
void Thumbnailer::handleHook(const mpv_event* event)
{
    const auto* hook = static_cast<const mpv_event_hook*>(event->data);
    if (!hook)
        return;
    if (m_busy && ownsEntry(m_startedEntry))
        m_loadedDuration = m_mpv.getDouble("duration", 0);
    mpv()->hook_continue(m_mpv.raw(), hook->id);
}

void Thumbnailer::setOptions()
{
    const bool hw = App::get(QStringLiteral("video/hwdec"), true).toBool();
    QList<QPair<const char*, QString>> opts = {{"config", "no"}, {"terminal", "no"}};
    if (m_imageMode) {
        m_outDir = App::subDir(QStringLiteral("thumbs/tmp"));
        opts += {{"vo", "image"}, {"vo-image-format", "jpg"}, {"vo-image-jpeg-quality", "85"},
                 {"vo-image-outdir", m_outDir}, {"frames", "1"}, {"aid", "no"}, {"sid", "no"},
                 {"idle", "yes"}, {"hr-seek", "no"}, {"hwdec", hw ? "auto-copy-safe" : "no"},
                 {"vd-lavc-threads", "2"}, {"ytdl", "no"}, {"sub-auto", "no"},
                 {"load-scripts", "no"}, {"osd-level", "0"}};
    } else {
        opts += {{"vo", "libmpv"}, {"aid", "no"}, {"sid", "no"}, {"pause", "yes"},
                 {"idle", "yes"}, {"keep-open", "always"}, {"hr-seek", "no"},
                 {"hwdec", hw ? "auto-safe" : "no"}, {"vd-lavc-threads", "2"},
                 {"vd-lavc-skiploopfilter", "all"}, {"vd-lavc-fast", "yes"}, {"cache", "no"},
                 {"ytdl", "no"}, {"sub-auto", "no"}, {"audio-display", "no"},
                 {"osd-level", "0"}, {"load-scripts", "no"}, {"demuxer-readahead-secs", "0"}};
    }
    for (const auto& o : opts)
        m_mpv.option(o.first, o.second);
}

bool Thumbnailer::initGl()
{
    m_surface = new QOffscreenSurface();
    m_surface->create();
    m_gl = new QOpenGLContext(this);
    if (!m_gl->create() || !m_gl->makeCurrent(m_surface)) {
        qWarning() << "miniatura: sem contexto OpenGL fora da tela";
        return false;
    }
    mpv_opengl_init_params gl{thumbGetProc, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv()->render_context_create(&m_render, m_mpv.raw(), params) < 0) {
        m_render = nullptr;
        m_gl->doneCurrent();
        return false;
    }
    m_gl->doneCurrent();
    mpv()->render_context_set_update_callback(m_render, &Thumbnailer::onRenderUpdate, this);
    return true;
}
