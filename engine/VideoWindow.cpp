#include "VideoWindow.h"

#include "MpvApi.h"
#include "PlayerCore.h"

#include <mpv/render_gl.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QStyleHints>
#include <QWheelEvent>

#include <vector>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#endif

namespace {

void* getProcAddress(void*, const char* name)
{
    QOpenGLContext* gl = QOpenGLContext::currentContext();
    return gl ? reinterpret_cast<void*>(gl->getProcAddress(QByteArray(name))) : nullptr;
}

// The window that holds this one at the top of the chain of parents.
const QWindow* topOf(const QWindow* window)
{
    while (window->parent())
        window = window->parent();
    return window;
}

}  // namespace

VideoWindow::VideoWindow(PlayerCore* core) : m_core(core)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(QSurfaceFormat::defaultFormat());
}

VideoWindow::~VideoWindow()
{
    if (m_gl && m_offscreen && m_gl->makeCurrent(m_offscreen.get())) {
        freeContext();
        m_gl->doneCurrent();
    } else {
        freeContext();
    }
}

bool VideoWindow::prepare()
{
    if (m_gl)
        return true;
    auto gl = std::make_unique<QOpenGLContext>();
    gl->setFormat(requestedFormat());
    auto offscreen = std::make_unique<QOffscreenSurface>();
    if (!gl->create())
        return false;
    offscreen->setFormat(gl->format());
    offscreen->create();
    if (!offscreen->isValid() || !gl->makeCurrent(offscreen.get()))
        return false;
    m_gl = std::move(gl);
    m_offscreen = std::move(offscreen);
    createRenderContext();
    m_gl->doneCurrent();
    return true;
}

// On the offscreen surface, current: libmpv needs a context, not a window.
bool VideoWindow::createRenderContext()
{
    mpv_handle* client = m_core ? m_core->handle().raw() : nullptr;
    if (!client)
        return false;
    mpv_opengl_init_params init{getProcAddress, nullptr};
    std::vector<mpv_render_param> params{
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &init},
    };
#if QT_CONFIG(xcb)
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        params.push_back({MPV_RENDER_PARAM_X11_DISPLAY, x11->display()});
#endif
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});
    if (mpv()->render_context_create(&m_ctx, client, params.data()) < 0) {
        m_ctx = nullptr;
        qWarning() << "mpv: falha ao criar contexto de renderizacao";
        return false;
    }
    mpv()->render_context_set_update_callback(m_ctx, &VideoWindow::onUpdate, this);
    return true;
}

void VideoWindow::freeContext()
{
    if (!m_ctx)
        return;
    mpv()->render_context_set_update_callback(m_ctx, nullptr, nullptr);
    mpv()->render_context_free(m_ctx);
    m_ctx = nullptr;
}

void VideoWindow::onUpdate(void* window)
{
    QMetaObject::invokeMethod(static_cast<VideoWindow*>(window), "maybeUpdate", Qt::QueuedConnection);
}

// A new frame is drawn at once where it can be seen; elsewhere (a hidden
// page, a minimized or hidden window) it is taken without drawing, so that
// libmpv goes on and nothing is drawn for nobody.
void VideoWindow::maybeUpdate()
{
    if (!m_ctx || !(mpv()->render_context_update(m_ctx) & MPV_RENDER_UPDATE_FRAME))
        return;
    if (isShown())
        draw();
    else
        skipFrame();
}

// A native child stays exposed while the window that holds it is minimized
// or hidden: the top-level says whether it shows.
bool VideoWindow::isShown() const
{
    return isExposed() && topOf(this)->isExposed();
}

// libmpv is never waited on here (no blocking for the frame's display
// time): the GUI thread draws what libmpv has and goes on, whatever the
// window is doing meanwhile.
void VideoWindow::draw()
{
    if (!m_ctx || !isShown() || !m_gl->makeCurrent(this))
        return;
    const qreal dpr = devicePixelRatio();
    mpv_opengl_fbo fbo{int(m_gl->defaultFramebufferObject()), qRound(width() * dpr), qRound(height() * dpr), 0};
    int flip = 1;
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv()->render_context_render(m_ctx, params);
    m_gl->swapBuffers(this);
}

void VideoWindow::skipFrame()
{
    if (!m_gl->makeCurrent(m_offscreen.get()))
        return;
    int skip = 1;
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv()->render_context_render(m_ctx, params);
    m_gl->doneCurrent();
}

QImage VideoWindow::grabFrame()
{
    if (!prepare() || !m_ctx || !m_gl->makeCurrent(m_offscreen.get()))
        return {};
    const qreal dpr = devicePixelRatio();
    const QSize size = (QSizeF(width(), height()) * dpr).toSize().expandedTo(QSize(1, 1));
    QOpenGLFramebufferObject target(size);
    mpv_opengl_fbo fbo{int(target.handle()), size.width(), size.height(), 0};
    int flip = 1;
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv()->render_context_render(m_ctx, params);
    const QImage image = target.toImage();
    m_gl->doneCurrent();
    return image;
}

void VideoWindow::exposeEvent(QExposeEvent*)
{
    draw();
}

bool VideoWindow::event(QEvent* event)
{
    if (event->type() == QEvent::UpdateRequest) {
        draw();
        return true;
    }
    if (event->type() == QEvent::Resize)
        requestUpdate();
    return QWindow::event(event);
}

// The toolkit tells an embedded window of no double click: a second press
// of the same button soon enough and near enough is one, as it would be on
// a widget.
bool VideoWindow::isDoubleClick(const QMouseEvent* event) const
{
    const QStyleHints* hints = QGuiApplication::styleHints();
    return !m_press.wasDouble && event->button() == m_press.button
        && event->timestamp() - m_press.time < ulong(hints->mouseDoubleClickInterval())
        && (event->position() - m_press.at).manhattanLength() <= hints->mouseDoubleClickDistance();
}

void VideoWindow::mousePressEvent(QMouseEvent* event)
{
    const bool twice = isDoubleClick(event);
    m_press = {event->button(), event->timestamp(), event->position(), twice};
    forward(twice ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, event);
}

void VideoWindow::mouseReleaseEvent(QMouseEvent* event)
{
    forward(QEvent::MouseButtonRelease, event);
}

// Told by the toolkit at times; the press before it was already told as one.
void VideoWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void VideoWindow::mouseMoveEvent(QMouseEvent* event)
{
    forward(QEvent::MouseMove, event);
}

void VideoWindow::wheelEvent(QWheelEvent* event)
{
    if (!m_target)
        return;
    QWheelEvent copy(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                     event->buttons(), event->modifiers(), event->phase(), event->inverted());
    QCoreApplication::sendEvent(m_target, &copy);
    event->accept();
}

// The window fills its target, so positions carry over unchanged.
void VideoWindow::forward(QEvent::Type type, const QMouseEvent* event)
{
    if (!m_target)
        return;
    QMouseEvent copy(type, event->position(), event->scenePosition(), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
    copy.setTimestamp(event->timestamp());
    QCoreApplication::sendEvent(m_target, &copy);
}
