#include "InputDialogAnswer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QTimer>

#include <memory>

void InputDialogAnswer::next(const QString& text, bool accept, int timeoutMs)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < timeoutMs)
            return;
        poll->stop();
        poll->deleteLater();
        if (!dialog)
            return;
        dialog->setTextValue(text);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    poll->start();
}
