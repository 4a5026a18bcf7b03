#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;

// Drives a popup menu that code under test runs with QMenu::exec: call next()
// before that code; once the menu is up, the callback gets it, and the menu
// is closed afterwards unless the callback already closed it.
class MenuDriver
{
public:
    static void next(const std::function<void(QMenu*)>& onShown);

    // One line per entry: "-" for a separator, the action's object name for
    // a registered action (its id), else its text (a submenu's title).
    static QStringList rows(const QMenu* menu);
    // The entry reached through submenus by their texts; null if missing.
    static QAction* find(const QMenu* menu, const QStringList& texts);
    // Closes the whole popup, then triggers the entry, as a click does.
    // False when the entry is missing.
    static bool pick(QMenu* menu, const QStringList& texts);
};
