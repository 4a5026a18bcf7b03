#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class Host;
class QAction;
class QKeySequence;
class QTableWidget;
class ShortcutEdit;

// The table of every registered action with its shortcut, in registration
// order. A combination already held by another action is taken from it
// (with a notice); the window's digit seek keys are never taken; clearing a
// field removes the shortcut at once; the reset button gives every action
// its default again.
class ShortcutsBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit ShortcutsBox(Host* host);
    ~ShortcutsBox() override;

    QTableWidget* table() const { return m_table; }
    // The editor of each row, in row order.
    const QList<ShortcutEdit*>& editors() const { return m_editors; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kNoGroupWidth = 300;

    void buildTable();
    void addRow(QAction* action);
    void commit(int row);
    void takeFromOthers(int row, const QKeySequence& sequence);
    void keepSeekKey(int row, int digit);
    void resetAll();

    Host* m_host;
    QTableWidget* m_table = nullptr;
    QStringList m_ids;
    QList<ShortcutEdit*> m_editors;
};
