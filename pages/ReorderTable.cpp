#include "ReorderTable.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QModelIndexList>

#include <algorithm>

ReorderTable::~ReorderTable() = default;

QList<int> ReorderTable::selectedRowsAscending() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int ReorderTable::insertionRow(const QList<int>& selected, int dropRow, int rowsLeft)
{
    int target = dropRow < 0 ? rowsLeft : dropRow;
    if (dropRow >= 0)
        target -= int(std::count_if(selected.begin(), selected.end(), [dropRow](int r) { return r < dropRow; }));
    return std::clamp(target, 0, rowsLeft);
}

bool ReorderTable::dropSelectedAt(int dropRow)
{
    const QList<int> selected = selectedRowsAscending();
    if (selected.isEmpty())
        return false;
    QList<QList<QTableWidgetItem*>> taken;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        QList<QTableWidgetItem*> items;
        for (int c = 0; c < columnCount(); ++c)
            items << takeItem(*it, c);
        taken.prepend(items);
        removeRow(*it);
    }
    const int target = insertionRow(selected, dropRow, rowCount());
    for (int i = 0; i < taken.size(); ++i) {
        insertRow(target + i);
        for (int c = 0; c < taken[i].size(); ++c)
            setItem(target + i, c, taken[i][c]);
    }
    if (onReordered)
        onReordered();
    return true;
}

// A drop from anywhere else (another view, a file manager) is not ours.
void ReorderTable::dropEvent(QDropEvent* event)
{
    if (event->source() != this)
        return;
    const int dropRow = rowAt(event->position().toPoint().y());
    if (selectedRowsAscending().isEmpty())
        return;
    // The view must not remove the source rows a second time.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    dropSelectedAt(dropRow);
}

void ReorderTable::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && onDelete) {
        onDelete();
        return;
    }
    QTableWidget::keyPressEvent(event);
}
