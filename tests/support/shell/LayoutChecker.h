#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QAbstractScrollArea;
class QComboBox;
class QHeaderView;
class QLabel;
class QTabBar;
class QWidget;

// Looks over every visible widget under a window for what a person would
// call a broken layout, and keeps a list of the faults:
//  - two visible siblings overlap (2 px or more both ways), except widgets
//    that float over the others by design and the internals of one control;
//  - a widget spills out of its parent (a scroll area's content may);
//  - a label, button, tab bar, closed combo box or column title cuts its
//    text without an ellipsis, or a label's glyphs leave it vertically;
//  - a list or scroll area shows a horizontal scroll bar (the one-row
//    strips of cards scroll sideways by design).
// A fault seen again in the same group of states (a language and a window
// size) is counted, not listed again.
class LayoutChecker
{
public:
    void check(const QWidget* top, const QString& group, const QString& state);
    // A fault found by the caller.
    void note(const QString& where, const QString& what);
    // Every fault once, in the order found, with its count of repeats.
    QStringList faults() const;

private:
    void record(const QWidget* w, const QString& kind, const QString& detail);
    void checkTree(const QWidget* parent);
    void checkOverlaps(const QWidget* parent, const QList<QWidget*>& kids);
    void checkInside(const QWidget* parent, const QWidget* child);
    void checkWidget(const QWidget* w);
    void checkLabel(const QLabel* label);
    void checkButton(const QAbstractButton* button);
    void checkTabs(const QTabBar* bar);
    void checkCombo(const QComboBox* combo);
    void checkHeader(const QHeaderView* header);
    void checkScrolling(const QAbstractScrollArea* area);

    QString m_group;      // the states whose repeats merge
    QString m_where;      // the group and the state being checked
    QStringList m_lines;  // one per fault, as first seen
    QHash<QString, int> m_index;
    QList<int> m_repeats;
};
