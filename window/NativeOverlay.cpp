#include "NativeOverlay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>
#include <QWindow>

void NativeOverlay::apply(QWidget* widget, int radius)
{
    if (widget->findChild<NativeOverlay*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    // Neither the widget's siblings (the pages of the stack beside the
    // video) nor its ancestors need native windows: each would cost a
    // window of its own and would bury the overlay beneath the video.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    widget->setAttribute(Qt::WA_NativeWindow);
    new NativeOverlay(widget, radius);
}

NativeOverlay::NativeOverlay(QWidget* widget, int radius) : QObject(widget), m_widget(widget), m_radius(radius)
{
    widget->installEventFilter(this);
    reshape();
    passClicks();
}

// A notice that takes no clicks lets them through to the picture.
void NativeOverlay::passClicks()
{
    if (m_widget->testAttribute(Qt::WA_TransparentForMouseEvents) && m_widget->windowHandle())
        m_widget->windowHandle()->setFlag(Qt::WindowTransparentForInput);
}

bool NativeOverlay::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::DynamicPropertyChange)
        reshape();
    else if (event->type() == QEvent::WinIdChange)
        passClicks();
    return false;
}

// A widget that floats only at times (the transport bar) says so by its
// "overlay" property; laid out in the window it keeps its square corners.
void NativeOverlay::reshape()
{
    const QVariant overlay = m_widget->property("overlay");
    if (overlay.isValid() && !overlay.toBool()) {
        m_widget->clearMask();
        return;
    }
    QPainterPath outline;
    outline.addRoundedRect(QRectF(m_widget->rect()), m_radius, m_radius);
    m_widget->setMask(QRegion(outline.toFillPolygon().toPolygon()));
}
