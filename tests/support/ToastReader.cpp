#include "ToastReader.h"

#include <QLabel>

QLabel* ToastReader::shown(const QWidget* top)
{
    if (!top)
        return nullptr;
    const QList<QLabel*> labels = top->findChildren<QLabel*>(QStringLiteral("Toast"));
    for (QLabel* label : labels)
        if (label->isVisibleTo(top))
            return label;
    return nullptr;
}

QString ToastReader::text(const QWidget* top)
{
    const QLabel* label = shown(top);
    return label ? label->text() : QString();
}
