#include "Actions.h"

#include "App.h"
#include "Icons.h"

#include <QAction>
#include <QCoreApplication>
#include <QSettings>

namespace {

QString settingsKey(const QString& id)
{
    return QStringLiteral("shortcuts/") + id;
}

// A stored sequence is portable text. A hand-edited value with an unquoted
// comma ("Ctrl+,") comes back from the INI file as a list: join it again.
QKeySequence storedSequence(const QVariant& value)
{
    const QString text = value.userType() == QMetaType::QStringList
        ? value.toStringList().join(QLatin1Char(','))
        : value.toString();
    return QKeySequence::fromString(text, QKeySequence::PortableText);
}

}  // namespace

Actions::Actions(QObject* parent) : QObject(parent) {}

Actions* Actions::instance()
{
    static Actions* const registry = new Actions(QCoreApplication::instance());
    return registry;
}

QAction* Actions::add(const QString& id, const QString& text, const QString& icon,
                      const QKeySequence& shortcut, const std::function<void()>& handler,
                      const QString& group)
{
    auto* action = new QAction(text, this);
    action->setObjectName(id);
    if (!icon.isEmpty())
        action->setIcon(Icons::icon(icon));
    action->setShortcutContext(Qt::WindowShortcut);

    const QVariant stored = App::settings()->value(settingsKey(id));
    action->setShortcut(stored.isValid() ? storedSequence(stored) : shortcut);

    if (handler)
        connect(action, &QAction::triggered, this, [handler](bool) { handler(); });

    if (QAction* old = actions.value(id))
        retire(old);
    else
        order.append(id);
    actions.insert(id, action);
    defaults.insert(id, shortcut);
    groups.insert(id, group);
    return action;
}

// A command registered again (a second window in the same process) must not
// keep the first registration's handler, which may point into a window that
// is gone. The old action stops reacting at once and is deleted once control
// returns to the event loop, in case it is the one being triggered right now.
void Actions::retire(QAction* old)
{
    disconnect(old, &QAction::triggered, nullptr, nullptr);
    old->setShortcut(QKeySequence());
    old->setEnabled(false);
    old->setObjectName(QString());
    old->deleteLater();
}

void Actions::setShortcut(const QString& id, const QKeySequence& seq)
{
    QAction* action = actions.value(id);
    if (!action)
        return;
    action->setShortcut(seq);
    if (seq == defaults.value(id))
        App::settings()->remove(settingsKey(id));
    else
        App::settings()->setValue(settingsKey(id), seq.toString(QKeySequence::PortableText));
}

void Actions::resetAll()
{
    for (const QString& id : order)
        setShortcut(id, defaults.value(id));
}

QList<QAction*> Actions::all() const
{
    QList<QAction*> list;
    list.reserve(order.size());
    for (const QString& id : order)
        list.append(actions.value(id));
    return list;
}

QString Actions::plainText(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&')) {
            plain.append(text.at(i));
            continue;
        }
        if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
            plain.append(QLatin1Char('&'));
            ++i;
        }
    }
    return plain;
}
