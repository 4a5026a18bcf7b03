#include "SeekBar.h"

#include <QMouseEvent>
#include <QPainter>

#include "Theme.h"

SeekBar::SeekBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_MouseTracking);
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(22);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SeekBar::sizeHint() const
{
    return QSize(300, 22);
}

void SeekBar::setDuration(double seconds)
{
    m_duration = seconds;
    update();
}

void SeekBar::setPosition(double seconds)
{
    if (m_dragging)
        return;
    // Playback reports the position many times a second: repaint only when
    // the end of the played part moves by a pixel.
    const int before = xAt(m_position);
    m_position = seconds;
    if (xAt(m_position) != before)
        update();
}

void SeekBar::setChapters(const QList<Chapter>& chapters)
{
    m_chapters = chapters;
    update();
}

void SeekBar::setAbLoop(double a, double b)
{
    m_abA = a;
    m_abB = b;
    update();
}

QRect SeekBar::groove() const
{
    const int t = (m_hover || m_dragging) ? 6 : 4;
    return QRect(6, (height() - t) / 2, width() - 12, t);
}

double SeekBar::secsAt(int x) const
{
    const QRect g = groove();
    if (m_duration <= 0 || g.right() < g.left())
        return 0;
    const double ratio = double(x - g.left()) / g.width();
    if (ratio < 0)
        return 0;
    if (ratio > 1)
        return m_duration;
    return m_duration * ratio;
}

int SeekBar::xAt(double secs) const
{
    const QRect g = groove();
    if (m_duration <= 0)
        return g.left();
    const double f = qBound(0.0, secs / m_duration, 1.0);
    return g.left() + int(g.width() * f);
}

void SeekBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_duration <= 0)
        return;
    m_dragging = true;
    m_position = secsAt(int(event->position().x()));
    emit seekRequested(m_position, true);
    update();
}

void SeekBar::mouseMoveEvent(QMouseEvent* event)
{
    m_hoverX = int(event->position().x());
    // The release of a drag can go astray (the bar re-parented or hidden
    // while the button was down): a move without the button ends the drag.
    if (m_dragging && !(event->buttons() & Qt::LeftButton))
        endDrag(secsAt(m_hoverX));
    if (m_dragging) {
        m_position = secsAt(m_hoverX);
        emit seekRequested(m_position, true);
    }
    if (m_duration > 0)
        emit hovered(secsAt(m_hoverX), mapToGlobal(QPoint(qBound(0, m_hoverX, width()), 0)));
    update();
}

void SeekBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging)
        endDrag(secsAt(int(event->position().x())));
}

void SeekBar::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_dragging)
        endDrag(m_position);   // where the knob was left
}

void SeekBar::endDrag(double secs)
{
    m_dragging = false;
    m_position = secs;
    emit seekRequested(m_position, false);
    update();
}

void SeekBar::enterEvent(QEnterEvent*)
{
    m_hover = true;
    update();
}

void SeekBar::leaveEvent(QEvent*)
{
    m_hover = false;
    m_hoverX = -1;
    emit hoverLeft();
    update();
}

void SeekBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRect g = groove();
    const double r = g.height() / 2.0;
    p.setBrush(Theme::line);
    p.drawRoundedRect(g, r, r);
    if (m_duration <= 0)
        return;

    if (m_hover && m_hoverX >= 0 && !m_dragging) {
        const int x = qBound(g.left(), m_hoverX, g.right());
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawRoundedRect(QRect(g.left(), g.top(), x - g.left(), g.height()), r, r);
    }
    if (m_abA >= 0) {
        const int xa = xAt(m_abA);
        const int xb = m_abB >= 0 ? xAt(m_abB) : xa + 2;
        p.setBrush(QColor(139, 92, 246, 110));
        p.drawRect(QRect(xa, g.top() - 3, qMax(xb - xa, 2), g.height() + 6));
    }
    const int xp = xAt(m_position);
    QLinearGradient played(g.left(), 0, g.right(), 0);
    played.setColorAt(0, Theme::cyan);
    played.setColorAt(1, Theme::violet);
    p.setBrush(played);
    p.drawRoundedRect(QRect(g.left(), g.top(), xp - g.left(), g.height()), r, r);

    p.setBrush(Theme::bg);
    for (const Chapter& c : m_chapters) {
        if (c.time > 0.5)
            p.drawRect(QRect(xAt(c.time) - 1, g.top(), 2, g.height()));
    }
    if (m_hover || m_dragging) {
        const int h = height() / 2;
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(xp - 7, h - 7, 14, 14));
    }
}
