#include "MpvWidget.h"

#include "MpvGlView.h"
#include "NativeChildGuard.h"
#include "VideoWindow.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

// A native window of its own needs X11; ORVEL_VIDEO=widget asks for the
// OpenGL widget instead.
bool nativeWindowWanted()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && qgetenv("ORVEL_VIDEO") != "widget";
}

}  // namespace

MpvWidget::MpvWidget(PlayerCore* core, QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_MouseTracking);
    setMinimumSize(160, 90);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (nativeWindowWanted() && makeNativeWindow(core))
        return;
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_view = new MpvGlView(core, this);
    layout->addWidget(m_view);
}

MpvWidget::~MpvWidget() = default;

bool MpvWidget::makeNativeWindow(PlayerCore* core)
{
    auto* window = new VideoWindow(core);
    if (!window->prepare()) {
        delete window;
        qWarning() << "video: sem janela nativa com OpenGL, o vídeo vai num widget OpenGL";
        return false;
    }
    m_window = window;
    m_window->setInputTarget(this);
    QWidget* container = QWidget::createWindowContainer(m_window, this);
    container->setFocusPolicy(Qt::NoFocus);   // keys stay with the window
    layout()->addWidget(container);
    new NativeChildGuard(this, m_window);
    return true;
}

QWindow* MpvWidget::nativeWindow() const
{
    return m_window;
}

bool MpvWidget::hasRenderContext() const
{
    return m_window ? m_window->hasRenderContext() : m_view->hasRenderContext();
}

bool MpvWidget::canShow() const
{
    return m_window || m_view->canShow();
}

QImage MpvWidget::grabFramebuffer()
{
    return m_window ? m_window->grabFrame() : m_view->grabFramebuffer();
}

QOpenGLContext* MpvWidget::context() const
{
    return m_window ? m_window->context() : m_view->context();
}

// The pointer over the picture is the native window's own.
bool MpvWidget::event(QEvent* event)
{
    if (m_window && event->type() == QEvent::CursorChange)
        m_window->setCursor(cursor());
    return QWidget::event(event);
}

void MpvWidget::mousePressEvent(QMouseEvent* event)
{
    m_leftPressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void MpvWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        emit rightClicked(event->globalPosition().toPoint());
    else if (event->button() == Qt::LeftButton && m_leftPressed)
        emit clicked();
    m_leftPressed = false;
}

void MpvWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    m_leftPressed = false;
}

void MpvWidget::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved();
    QWidget::mouseMoveEvent(event);
}

void MpvWidget::wheelEvent(QWheelEvent* event)
{
    emit wheelScrolled(event->angleDelta().y());
    event->accept();
}
