#include "FitRowsDelegate.h"

QSize FitRowsDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return {1, QStyledItemDelegate::sizeHint(option, index).height()};
}
