#pragma once

#include "CardDelegate.h"

#include <QListView>

class QStandardItemModel;

// The list view of media cards that the pages fill: a wrapping grid whose
// columns fit the width, a one-line horizontal strip, or a list of rows.
class CardView : public QListView
{
    Q_OBJECT
public:
    CardView(CardDelegate::Mode mode, bool wide, QWidget* parent = nullptr);

    // One row flowing left to right (the home page's rows), or back to the
    // normal wrapping layout.
    void setHorizontalStrip(bool on);

    QSize sizeHint() const override;

    QStandardItemModel* model;  // pages clear and fill it
    CardDelegate* delegate;
    CardDelegate::Mode mode;
    bool horizontalStrip = false;

signals:
    void activatedPath(const QModelIndex& index);
    void menuRequested(const QModelIndex& index, const QPoint& globalPos);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int layoutWidth() const;
};
