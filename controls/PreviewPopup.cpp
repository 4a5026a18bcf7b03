#include "PreviewPopup.h"

#include <QLabel>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

PreviewPopup::PreviewPopup(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_StyledBackground);  // else the sheet's border is not drawn
    setStyleSheet(QStringLiteral("PreviewPopup { background: #07111f; border: 1px solid #2bd9fe; "
                                 "border-radius: 10px; }QLabel { background: transparent; }"));
    auto* layout = new QVBoxLayout(this);
    // The box is sized by place() alone: a layout that resized it on its
    // own would let it grow downward, over the bar under the pointer.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setContentsMargins(4, 4, 4, 6);
    layout->setSpacing(3);
    m_image = new QLabel(this);
    m_time = new QLabel(this);
    m_time->setStyleSheet(QStringLiteral("font-weight: 800; color: #ffffff;"));
    m_sub = new QLabel(this);
    m_sub->setStyleSheet(QStringLiteral("color: #a8b5c7; font-size: 8.5pt;"));
    for (QLabel* label : {m_image, m_sub, m_time}) {
        label->setAlignment(Qt::AlignCenter);
        label->setTextFormat(Qt::PlainText);   // chapter titles come from the file
        layout->addWidget(label);
    }
}

void PreviewPopup::showAt(const QPoint& globalAnchor, const QString& time, const QString& sub)
{
    m_time->setText(time);
    m_sub->setText(sub);
    m_sub->setVisible(!sub.isEmpty());
    m_anchor = globalAnchor;
    place();
    if (!isVisible())
        show();
}

// Size and place change in one step: on X11 a box that even for a moment
// covers the pointer takes it from the seek bar, which then hides the box.
void PreviewPopup::place()
{
    ensurePolished();
    const QSize size = sizeHint();
    int x = m_anchor.x() - size.width() / 2;
    int y = m_anchor.y() - size.height() - 10;
    if (const QScreen* s = screen()) {
        const QRect g = s->availableGeometry();
        x = qMax(g.left() + 4, qMin(x, g.right() - size.width() - 4));
        if (y < g.top())
            y = m_anchor.y() + 30;
    }
    setGeometry(QRect(QPoint(x, y), size));
}

// The box grows by the picture and is placed again over the anchor.
void PreviewPopup::setImage(const QImage& img)
{
    if (img.isNull())
        return;
    m_image->setPixmap(QPixmap::fromImage(img.scaledToWidth(220, Qt::SmoothTransformation)));
    m_image->show();
    place();
}

void PreviewPopup::clearImage()
{
    m_image->clear();
    if (m_image->isHidden())
        return;
    m_image->hide();
    if (isVisible())
        place();
}

// A top-level box is square to the window system: outside the rounded
// border the corners are cut away, or they show dark over a bright picture.
void PreviewPopup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 10, 10);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
