#include "NativeChildGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {

xcb_connection_t* x11()
{
    auto* app = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return app ? app->connection() : nullptr;
}

// Where the child stands in its parent, in the X server's pixels.
void moveInto(xcb_connection_t* c, const QWindow* child, quint32 parent)
{
    const QPoint at = child->position() * child->devicePixelRatio();
    xcb_reparent_window(c, xcb_window_t(child->winId()), parent, int16_t(at.x()), int16_t(at.y()));
}

}  // namespace

NativeChildGuard::NativeChildGuard(QWidget* video, QWindow* videoWindow)
    : QObject(video), m_video(video), m_videoWindow(videoWindow)
{
    m_video->installEventFilter(this);
    watchTopLevel();
}

NativeChildGuard::~NativeChildGuard()
{
    xcb_connection_t* c = x11();
    if (c && m_holder) {
        xcb_destroy_window(c, m_holder);
        xcb_flush(c);
    }
}

void NativeChildGuard::watchTopLevel()
{
    QWidget* top = m_video->window();
    if (top == m_top)
        return;
    if (m_top)
        m_top->removeEventFilter(this);
    m_top = top;
    if (m_top != m_video)
        m_top->installEventFilter(this);
}

bool NativeChildGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_video && event->type() == QEvent::ParentChange)
        watchTopLevel();
    else if (watched == m_top && event->type() == QEvent::Show && !event->spontaneous())
        park();
    else if (watched == m_restate && event->type() == QEvent::Expose && m_restate->isExposed())
        restate();
    return false;
}

// The top-level is told it shows before its native window is mapped, which
// is where that window may be made anew: the children wait until after.
void NativeChildGuard::park()
{
    xcb_connection_t* c = x11();
    QWindow* top = m_top->windowHandle();
    if (!c || !top || !top->handle() || !m_parked.isEmpty())
        return;
    if (!m_holder) {
        m_holder = xcb_generate_id(c);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, m_holder, root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    m_parkedFrom = top->winId(); 
    for (QObject* child : top->children()) {
        auto* window = qobject_cast<QWindow*>(child);
        if (window && window->handle()) {
            m_parked << window;
            moveInto(c, window, m_holder);
        }
    }
    xcb_flush(c);
    if (!m_parked.isEmpty())
        QTimer::singleShot(0, this, &NativeChildGuard::restore);
}

void NativeChildGuard::restore()
{
    const QList<QPointer<QWindow>> parked = std::exchange(m_parked, {});
    xcb_connection_t* c = x11();
    QWindow* top = m_top ? m_top->windowHandle() : nullptr;
    if (!c || !top || !top->handle())
        return;
    const quint32 into = quint32(top->winId());
    if (m_videoWindow && parked.contains(m_videoWindow))
        moveInto(c, m_videoWindow, into);
    for (const QPointer<QWindow>& window : parked) {
        if (window && window != m_videoWindow && window->handle())
            moveInto(c, window, into);
    }
    xcb_flush(c);
    if (top->winId() != m_parkedFrom && !m_restate) {
        m_restate = top;
        top->installEventFilter(this);
    }
}

// The window manager may size the new native window before the toolkit
// has reported any geometry of it: the native window then has the size of
// the full screen while the widgets keep the old one, and the video and
// the bar over it stay at that size. The widgets are told the native
// window's geometry.
void NativeChildGuard::restate()
{
    QWindow* top = m_restate;
    m_restate = nullptr;
    top->removeEventFilter(this);
    if (!m_top || m_top->geometry() == top->geometry())
        return;
    QResizeEvent resize(top->size(), m_top->size());
    QCoreApplication::sendEvent(top, &resize);
    QMoveEvent move(top->position(), m_top->pos());
    QCoreApplication::sendEvent(top, &move);
}
