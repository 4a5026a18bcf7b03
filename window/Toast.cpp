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
    setText(text);
    adjustSize();
    reposition();
    raise();
    show();
    timer.start(ms);
}

void Toast::reposition()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    move((parent->width() - 1) / 2 - width() / 2, 28);
}
