#pragma once

#include <QList>
#include <QTableWidget>

#include <functional>

// A table whose selected rows move by dragging inside it and go with the
// Delete key; the owner stores the result through the two callbacks.
class ReorderTable : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    ~ReorderTable() override;

    std::function<void()> onReordered;
    std::function<void()> onDelete;

    // Moves the selected rows, in their order, in front of dropRow (-1: to
    // the end) and calls onReordered. False, with nothing changed, when no
    // row is selected.
    bool dropSelectedAt(int dropRow);

    // Where the taken rows go back in: dropRow less the taken rows above it,
    // or the end for -1, within 0..rowsLeft. selected is sorted ascending.
    static int insertionRow(const QList<int>& selected, int dropRow, int rowsLeft);

protected:
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<int> selectedRowsAscending() const;
};
