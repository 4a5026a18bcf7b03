#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;
class QPushButton;

// A page's title row: the title on the left, the page's controls on the
// right. When the row is too narrow, the buttons drop their texts (the tool
// tip keeps them), the search field narrows, and then the controls move to
// rows of their own below the title.
class PageHeader : public QWidget
{
    Q_OBJECT
public:
    explicit PageHeader(QWidget* title, QWidget* parent = nullptr);

    // The search field, between kSearchMin and widest pixels wide.
    void addSearch(QLineEdit* search, int widest);
    // A control kept at its size hint.
    void addControl(QWidget* control);
    // A button that shows only its icon when room is short.
    void addButton(QPushButton* button);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

    static constexpr int kSearchMin = 140;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item
    {
        QWidget* widget = nullptr;
        QPushButton* button = nullptr;  // set for buttons that may drop their text
        QString text;                    // that button's text
        int widest = 0;                  // for the search field
        int full = 0;                    // width with the text (buttons)
        int compact = 0;                 // width with the icon only (buttons)
    };
    struct Plan
    {
        bool wrapped = false;
        bool compact = false;
        int search = kSearchMin;
        int height = 0;
    };

    void add(const Item& item);
    void measure() const;
    int rowHeight() const;
    int widthOf(const Item& item, bool compact, int search) const;
    int controlsWidth(bool compact, int search) const;
    Plan plan(int width) const;
    int place(const Plan& plan, int width, bool apply);
    void relayout();

    QWidget* m_title;
    QList<Item> m_items;
    mutable bool m_measured = false;
    bool m_placing = false;
};
