#include "MenuDriver.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

void MenuDriver::next(const std::function<void(QMenu*)>& onShown)
{
    QTimer::singleShot(0, qApp, [onShown] {
        QPointer<QMenu> menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        onShown(menu);
        if (menu && menu->isVisible())
            menu->close();
    });
}

QStringList MenuDriver::rows(const QMenu* menu)
{
    QStringList out;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            out << QStringLiteral("-");
        else if (!action->objectName().isEmpty())
            out << action->objectName();
        else
            out << action->text();
    }
    return out;
}

QAction* MenuDriver::find(const QMenu* menu, const QStringList& texts)
{
    const QMenu* level = menu;
    QAction* found = nullptr;
    for (const QString& text : texts) {
        found = nullptr;
        if (!level)
            return nullptr;
        for (QAction* action : level->actions())
            if (!action->isSeparator() && action->text() == text)
                found = action;
        if (!found)
            return nullptr;
        level = found->menu();
    }
    return found;
}

bool MenuDriver::pick(QMenu* menu, const QStringList& texts)
{
    QAction* action = find(menu, texts);
    if (!action)
        return false;
    menu->close();
    action->trigger();
    return true;
}
