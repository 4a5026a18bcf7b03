#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;

// The process-wide registry of the window's commands. Each command is a
// QAction, child of the registry and named after its id, whose trigger runs
// the handler given at registration. A user's shortcut is kept under
// "shortcuts/<id>" in the settings only while it differs from the default.
class Actions : public QObject
{
    Q_OBJECT
public:
    explicit Actions(QObject* parent = nullptr);

    static Actions* instance();

    // Registers one command and applies its stored shortcut. An id that is
    // already registered gets a fresh action in the old one's place.
    QAction* add(const QString& id, const QString& text, const QString& icon,
                 const QKeySequence& shortcut, const std::function<void()>& handler,
                 const QString& group = QString());

    // Gives one command a new shortcut now and stores it. Unknown ids are ignored.
    void setShortcut(const QString& id, const QKeySequence& seq);
    // Every command back to its default; no stored shortcut is left.
    void resetAll();
    // Every action in registration order.
    QList<QAction*> all() const;

    // An action's text as a person reads it outside a menu: "&&" is a
    // literal "&", a lone "&" only marks the mnemonic and is dropped.
    static QString plainText(const QString& text);

    QHash<QString, QAction*> actions;
    QHash<QString, QKeySequence> defaults;
    QHash<QString, QString> groups;
    QStringList order;

private:
    void retire(QAction* old);
};
