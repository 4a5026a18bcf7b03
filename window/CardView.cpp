#include "CardView.h"

#include "Covers.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QStandardItemModel>

#include <algorithm>

namespace {
constexpr int kColumnStep = 226;  // one more grid column per this many pixels
constexpr int kMinCardWidth = 140;
constexpr int kSmallestCardWidth = 16;  // in a view narrower than one card
}

CardView::CardView(CardDelegate::Mode mode, bool wide, QWidget* parent)
    : QListView(parent),
      model(new QStandardItemModel(this)),
      delegate(new CardDelegate(mode, wide, this)),
      mode(mode)
{
    setModel(model);
    setItemDelegate(delegate);

    setAttribute(Qt::WA_MouseTracking);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(24);
    setFrameShape(QFrame::NoFrame);
    setContextMenuPolicy(Qt::CustomContextMenu);
    viewport()->setAttribute(Qt::WA_Hover);

    if (mode == CardDelegate::Grid) {
        setViewMode(QListView::IconMode);
        setResizeMode(QListView::Adjust);
        setMovement(QListView::Static);
        setUniformItemSizes(true);
        setSpacing(0);
        setWrapping(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        setViewMode(QListView::ListMode);
        setUniformItemSizes(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

    connect(this, &QAbstractItemView::activated, this, &CardView::activatedPath);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = indexAt(pos);
        if (index.isValid())
            emit menuRequested(index, viewport()->mapToGlobal(pos));
    });
    connect(Covers::instance(), &Covers::ready, viewport(), qOverload<>(&QWidget::update));
}

void CardView::setHorizontalStrip(bool on)
{
    horizontalStrip = on;
    if (on) {
        setFlow(QListView::LeftToRight);
        setWrapping(false);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        // A list stays one column of rows; only the grid wraps.
        setFlow(mode == CardDelegate::List ? QListView::TopToBottom : QListView::LeftToRight);
        setWrapping(mode == CardDelegate::Grid);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    updateGeometry();
}

QSize CardView::sizeHint() const
{
    if (!horizontalStrip)
        return QListView::sizeHint();
    const int cell = delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
    return QSize(600, cell + 18);
}

void CardView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    if (mode != CardDelegate::Grid || horizontalStrip)
        return;
    // Every cell takes exactly one column's share of the width.
    // No card is narrower than 140 unless the view itself is: then the one
    // column shrinks with it rather than scroll sideways.
    const int avail = layoutWidth() - 4;
    const int columns = std::max(1, avail / kColumnStep);
    const int cardWidth = std::max(kSmallestCardWidth,
                                   std::min(std::max(kMinCardWidth, avail / columns - 16), avail - 16));
    if (cardWidth == delegate->cardWidth)
        return;
    delegate->cardWidth = cardWidth;
    doItemsLayout();
}

int CardView::layoutWidth() const
{
    // The width the list view lays the cells out in. It keeps room for the
    // vertical scroll bar even while the bar is hidden (so rows do not
    // re-wrap when it appears): with the bar shown, the viewport's width.
    int width = maximumViewportSize().width();
    if (verticalScrollBarPolicy() != Qt::ScrollBarAsNeeded
        || style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarOverlap, nullptr, verticalScrollBar()))
        return width;
    width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    if (style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, this)) {
        QStyleOption option;
        option.initFrom(this);
        width -= 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    }
    return width;
}
