#include "MpvGlView.h"

#include "MpvApi.h"
#include "MpvRender.h"

#include <mpv/render.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QtGlobal>


namespace {

// Render diagnostics, printed once a second with ORVEL_DEBUGFPS.
unsigned g_updates = 0;   // render-update notices
unsigned g_frames = 0;    // new frames announced while visible
unsigned g_paints = 0;    // paintGL calls
unsigned g_swaps = 0;     // buffer swaps of the widget
QElapsedTimer g_fpsTimer;

// Block-for-target-time, fixed at the first paint of the process.
int blockForTargetTime()
{
    static const int value = qEnvironmentVariableIsSet("ORVEL_BLOCK")
        ? qEnvironmentVariableIntValue("ORVEL_BLOCK")
        : 1;
    return value;
}

void reportRenderStats()
{
    if (!g_fpsTimer.isValid())
        g_fpsTimer.start();
    if (g_fpsTimer.elapsed() <= 1000 || !qEnvironmentVariableIsSet("ORVEL_DEBUGFPS"))
        return;
    qInfo("render: callbacks=%d frames=%d paints=%d swaps=%d", int(g_updates), int(g_frames),
          int(g_paints), int(g_swaps));
    g_updates = g_frames = g_paints = g_swaps = 0;
    g_fpsTimer.restart();
}

}  // namespace

MpvGlView::MpvGlView(PlayerCore* core, QWidget* parent) : QOpenGLWidget(parent), m_core(core)
{
    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
    connect(this, &QOpenGLWidget::frameSwapped, this, [] { ++g_swaps; });
}

MpvGlView::~MpvGlView()
{
    // The base class destroys the GL context; by then this is no MpvGlView.
    if (QOpenGLContext* gl = context())
        disconnect(gl, &QOpenGLContext::aboutToBeDestroyed, this, nullptr);
    makeCurrent();
    freeContext();
    doneCurrent();
}

// A widget whose context was made while it stood apart from any window
// shares with nothing: the window's compositor would then read the id of its
// framebuffer texture in another share group, where it names another texture
// (the window's own backing store) or none. Such a context is made again in
// the application's share group, to which the compositor's belongs, before
// any GL object or libmpv's render context exists on it. The toolkit makes
// the framebuffer only after this returns.
// Should that fail, the context is made again on its own, so that libmpv
// still has one to draw on while the widget stays out of the window.
void MpvGlView::joinShareGroup()
{
    QOpenGLContext* own = context();
    QOpenGLContext* global = QOpenGLContext::globalShareContext();
    if (!own || !own->isValid() || !global || !global->isValid() || QOpenGLContext::areSharing(own, global))
        return;
    QSurface* surface = own->surface();
    own->doneCurrent();
    own->setShareContext(global);
    own->setScreen(global->screen());
    if (!own->create()) {
        qWarning() << "video: falha ao refazer o contexto GL no grupo compartilhado";
        own->setShareContext(nullptr);
        if (!own->create())
            qWarning() << "video: falha ao refazer o contexto GL";
    }
    if (surface && own->isValid())
        own->makeCurrent(surface);
}

// The window draws a widget of this kind through OpenGL, reading the
// picture from the widget's context: both must exist and share. The
// offscreen and minimal platforms cannot draw such a window at all.
bool MpvGlView::canShow() const
{
    static const QStringList rasterOnly{QStringLiteral("offscreen"), QStringLiteral("minimal")};
    QOpenGLContext* own = context();
    QOpenGLContext* global = QOpenGLContext::globalShareContext();
    return own && own->isValid() && global && global->isValid() && QOpenGLContext::areSharing(own, global)
        && !rasterOnly.contains(QGuiApplication::platformName());
}

void MpvGlView::initializeGL()
{
    joinShareGroup();
    if (m_ctx)
        return;
    m_ctx = MpvRender::create(m_core, &MpvGlView::onUpdate, this);
    if (!m_ctx)
        return;
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        freeContext();
        doneCurrent();
    });
}

void MpvGlView::paintGL()
{
    ++g_paints;
    if (!m_ctx)
        return;
    const qreal dpr = devicePixelRatioF();
    MpvRender::draw(m_ctx, defaultFramebufferObject(), QSize(qRound(width() * dpr), qRound(height() * dpr)),
                    blockForTargetTime());
}

void MpvGlView::freeContext()
{
    MpvRender::free(m_ctx);
}

void MpvGlView::onUpdate(void* widget)
{
    QMetaObject::invokeMethod(static_cast<MpvGlView*>(widget), "maybeUpdate", Qt::QueuedConnection);
}

bool MpvGlView::renderHidden() const
{
    return window()->isMinimized() || !isVisible();
}

void MpvGlView::maybeUpdate()
{
    ++g_updates;
    reportRenderStats();
    if (!m_ctx)
        return;
    const bool newFrame = mpv()->render_context_update(m_ctx) & MPV_RENDER_UPDATE_FRAME;
    if (!newFrame)
        return;
    if (renderHidden()) {
        // No repaint comes while hidden or minimised: draw the frame now so
        // that libmpv is not left waiting for it.
        makeCurrent();
        paintGL();
        doneCurrent();
        return;
    }
    ++g_frames;
    update();
}
