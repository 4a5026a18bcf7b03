#pragma once

#include <QScrollArea>

class QVBoxLayout;

// The body of a library page: its column of header, tabs and views, with
// the page margins. It fills the page; only when the window is too short
// for the column does it scroll, and never sideways. Narrow or short pages
// get narrower margins.
class PageBody : public QScrollArea
{
    Q_OBJECT
public:
    // Fills page, which must have no layout yet.
    PageBody(QWidget* page, int spacing);

    QVBoxLayout* column() const { return m_column; }
    // Adds the page's views below its header rows: they take all the height
    // left but never less than a few rows; a shorter window scrolls the page.
    void addViews(QWidget* views);

    // Lets a page's empty state give way on narrow pages: its heading
    // wraps, and it sets no least width for the views it is stacked with.
    static QWidget* shrinkable(QWidget* emptyState);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QVBoxLayout* m_column;
};
