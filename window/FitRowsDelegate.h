#pragma once

#include <QStyledItemDelegate>

// For a one-column list: rows ask for no width, so the list never scrolls
// sideways; each row is as wide as the list and a long text is elided.
class FitRowsDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
