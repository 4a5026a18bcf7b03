#include "VideoWindow.h"

#include "MpvApi.h"
#include "MpvRender.h"

#include <mpv/render.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QStyleHints>
#include <QWheelEvent>

namespace {

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
    const bool current = m_gl && m_offscreen && m_gl->makeCurrent(m_offscreen.get());
    MpvRender::free(m_ctx);
    if (current)
        m_gl->doneCurrent();
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
    // Made while the offscreen surface is current: libmpv needs a context,
    // not a window.
    m_ctx = MpvRender::create(m_core, &VideoWindow::onUpdate, this);
    m_gl->doneCurrent();
    return true;
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
    MpvRender::draw(m_ctx, m_gl->defaultFramebufferObject(), pixelSize(), 0);
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
    const QSize size = pixelSize().expandedTo(QSize(1, 1));
    QOpenGLFramebufferObject target(size);
    MpvRender::draw(m_ctx, target.handle(), size, 0);
    const QImage image = target.toImage();
    m_gl->doneCurrent();
    return image;
}

QSize VideoWindow::pixelSize() const
{
    const qreal dpr = devicePixelRatio();
    return QSize(qRound(width() * dpr), qRound(height() * dpr));
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
