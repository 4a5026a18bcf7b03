#include "RowFocusDelegate.h"

#include "Theme.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

RowFocusDelegate::RowFocusDelegate(QTableView* table) : QStyledItemDelegate(table), m_table(table)
{
    table->installEventFilter(this);
    connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                repaintRow(previous);
                repaintRow(current);
            });
}

// Each cell draws its share of one rounded ring around the row.
void RowFocusDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    cell.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, cell, index);
    if (!ringsRow(index))
        return;
    painter->save();
    painter->setClipRect(option.rect);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Theme::cyan, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(rowRect(option.rect)).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter->restore();
}

bool RowFocusDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_table)
        return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        repaintRow(m_table->currentIndex());
    return false;
}

bool RowFocusDelegate::ringsRow(const QModelIndex& index) const
{
    const QModelIndex current = m_table->currentIndex();
    return m_table->hasFocus() && current.isValid() && index.row() == current.row()
           && index.parent() == current.parent();
}

// From the first to the last shown column, as the header lays them out.
QRect RowFocusDelegate::rowRect(const QRect& cell) const
{
    const QHeaderView* header = m_table->horizontalHeader();
    return QRect(-header->offset(), cell.top(), header->length(), cell.height());
}

void RowFocusDelegate::repaintRow(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QRect cell = m_table->visualRect(index);
    m_table->viewport()->update(0, cell.top(), m_table->viewport()->width(), cell.height());
}
