#pragma once

#include <QStyledItemDelegate>

class QTableView;

// For a table that selects whole rows: a focused table rings its current
// row from end to end, where the style would ring the current cell alone.
// Made once the table has its model, whose selection it follows.
class RowFocusDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit RowFocusDelegate(QTableView* table);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ringsRow(const QModelIndex& index) const;
    QRect rowRect(const QRect& cell) const;
    void repaintRow(const QModelIndex& index);

    QTableView* m_table;
};
