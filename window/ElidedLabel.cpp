#include "ElidedLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QTextDocument>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setFullText(text);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_full = text;
    updateGeometry();
    elide();
}

QSize ElidedLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    const int width = fontMetrics().horizontalAdvance(m_full) + m.left() + m.right() + 2 * margin();
    return {width, QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    elide();
}

// A label not on screen has no width of its own yet: it keeps the whole text.
void ElidedLabel::elide()
{
    const int room = isVisible() ? contentsRect().width() - 2 * margin() : QWIDGETSIZE_MAX;
    const QString shown = fontMetrics().elidedText(m_full, Qt::ElideRight, qMax(0, room));
    if (shown != text())
        QLabel::setText(shown);
    // The label is plain text; so is its tool tip, whatever the name holds.
    setToolTip(shown == m_full ? QString() : Qt::convertFromPlainText(m_full));
}
