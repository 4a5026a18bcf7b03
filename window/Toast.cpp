#include "Toast.h"

Toast::Toast(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("Toast"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // File names, playlist names and error texts land here: never markup.
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    hide();
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &QWidget::hide);
}

void Toast::showMessage(const QString& text, int ms)
{
    message = text;
    reposition();
    raise();
    show();
    timer.start(ms);
}

void Toast::moveTo(QWidget* parent)
{
    if (parent == parentWidget())
        return;
    const bool shown = !isHidden();
    setParent(parent);
    if (!shown)
        return;
    reposition();
    raise();
    show();
}

// 28 px below the parent's top, or centred in a parent too short for that.
void Toast::reposition()
{
    const QWidget* parent = parentWidget();
    fitInto(parent ? parent->size() : QSize());
    if (!parent)
        return;
    const int y = 28 + height() <= parent->height() ? 28 : qMax(0, (parent->height() - height()) / 2);
    move((parent->width() - 1) / 2 - width() / 2, y);
}

// One line when the text fits in the parent with 16 px to spare on each
// side; otherwise as wide as that and wrapped onto more lines; in a parent
// too short for those lines, one line shortened in the middle.
void Toast::fitInto(const QSize& area)
{
    setText(message);
    setWordWrap(false);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    const int limit = area.width() - 32;
    if (area.isEmpty() || limit <= 0 || width() <= limit)
        return;
    const int frame = width() - fontMetrics().horizontalAdvance(message);
    setWordWrap(true);
    setMaximumWidth(limit);
    resize(limit, heightForWidth(limit));
    if (height() <= area.height())
        return;
    setWordWrap(false);
    setText(fontMetrics().elidedText(message, Qt::ElideMiddle, limit - frame));
    resize(limit, sizeHint().height());
}
