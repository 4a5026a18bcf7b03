#include "PageHeader.h"

#include "Widgets.h"

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int kGap = 10;       // between two controls
constexpr int kTitleGap = 16;  // at least, between the title and the controls
constexpr int kRowGap = 8;     // between two rows
}  // namespace

PageHeader::PageHeader(QWidget* title, QWidget* parent) : QWidget(parent), m_title(title)
{
    m_title->setParent(this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void PageHeader::addSearch(QLineEdit* search, int widest)
{
    Item item;
    item.widget = search;
    item.widest = widest;
    add(item);
}

void PageHeader::addControl(QWidget* control)
{
    Item item;
    item.widget = control;
    add(item);
}

void PageHeader::addButton(QPushButton* button)
{
    Item item;
    item.widget = button;
    item.button = button;
    item.text = button->text();
    add(item);
}

void PageHeader::add(const Item& item)
{
    item.widget->setParent(this);
    m_items.append(item);
    m_measured = false;
    updateGeometry();
}

void PageHeader::measure() const
{
    if (m_measured)
        return;
    m_measured = true;
    // A button's two widths depend on the style sheet's padding, so they are
    // taken from the button itself, once it is polished.
    for (const Item& item : m_items) {
        if (!item.button)
            continue;
        QPushButton* button = item.button;
        button->ensurePolished();
        const QString shown = button->text();
        button->setText(item.text);
        auto& self = const_cast<Item&>(item);
        self.full = button->sizeHint().width();
        button->setText(QString());
        self.compact = button->sizeHint().width();
        button->setText(shown);
    }
}

int PageHeader::rowHeight() const
{
    int height = m_title->sizeHint().height();
    for (const Item& item : m_items)
        height = std::max(height, item.widget->sizeHint().height());
    return height;
}

int PageHeader::widthOf(const Item& item, bool compact, int search) const
{
    if (item.widest > 0)
        return search;
    if (item.button)
        return compact ? item.compact : item.full;
    return std::max(item.widget->sizeHint().width(), item.widget->minimumWidth());
}

int PageHeader::controlsWidth(bool compact, int search) const
{
    int width = 0;
    for (const Item& item : m_items)
        width += widthOf(item, compact, search);
    return width + kGap * std::max(0, int(m_items.size()) - 1);
}

PageHeader::Plan PageHeader::plan(int width) const
{
    measure();
    int widest = kSearchMin;
    for (const Item& item : m_items)
        widest = std::max(widest, item.widest);
    const int title = m_title->sizeHint().width() + kTitleGap;
    Plan p;
    // One row if it can be had, with texts if they fit; else the controls
    // go below the title.
    for (bool wrapped : {false, true}) {
        for (bool compact : {false, true}) {
            const int need = controlsWidth(compact, kSearchMin) + (wrapped ? 0 : title);
            if (need <= width) {
                p.wrapped = wrapped;
                p.compact = compact;
                p.search = std::min(widest, kSearchMin + width - need);
                p.height = const_cast<PageHeader*>(this)->place(p, width, false);
                return p;
            }
        }
    }
    p.wrapped = true;
    p.compact = true;
    p.search = std::min(widest, width);
    p.height = const_cast<PageHeader*>(this)->place(p, width, false);
    return p;
}

// Lays the title and controls out for the plan; returns the height used.
// Without apply it only measures.
int PageHeader::place(const Plan& plan, int width, bool apply)
{
    const int row = rowHeight();
    const auto put = [apply, row](QWidget* w, int x, int y, int wide) {
        const int high = std::min(row, w->sizeHint().height());
        if (apply)
            w->setGeometry(x, y + (row - high) / 2, wide, high);
    };
    const int titleWidth = std::min(m_title->sizeHint().width(), width);
    put(m_title, 0, 0, titleWidth);
    if (apply)
        for (const Item& item : m_items)
            if (item.button && item.button->text() != (plan.compact ? QString() : item.text))
                showButtonText(item.button, item.text, !plan.compact);

    int x = plan.wrapped ? 0 : width - controlsWidth(plan.compact, plan.search);
    int y = plan.wrapped ? row + kRowGap : 0;
    for (const Item& item : m_items) {
        const int wide = std::min(width, widthOf(item, plan.compact, plan.search));
        if (plan.wrapped && x > 0 && x + wide > width) {
            x = 0;
            y += row + kRowGap;
        }
        put(item.widget, x, y, wide);
        x += wide + kGap;
    }
    return y + row;
}

void PageHeader::relayout()
{
    if (m_placing)
        return;
    m_placing = true;
    const Plan p = plan(width());
    place(p, width(), true);
    m_placing = false;
    if (p.height != height())
        updateGeometry();
}

QSize PageHeader::sizeHint() const
{
    measure();
    int widest = kSearchMin;
    for (const Item& item : m_items)
        widest = std::max(widest, item.widest);
    return {m_title->sizeHint().width() + kTitleGap + controlsWidth(false, widest), rowHeight()};
}

QSize PageHeader::minimumSizeHint() const
{
    measure();
    // Boxes and fields narrower than their hints still work: only the
    // buttons' icons set the least width.
    int least = 0;
    for (const Item& item : m_items)
        if (item.button)
            least = std::max(least, item.compact);
    // The rows the header needs at its present width: a column that runs
    // short of height must not squeeze them into each other.
    return {least, width() > 0 ? heightForWidth(width()) : rowHeight()};
}

bool PageHeader::hasHeightForWidth() const
{
    return true;
}

int PageHeader::heightForWidth(int width) const
{
    return plan(width).height;
}

bool PageHeader::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::LayoutRequest:
        // A control's size hint changed.
        updateGeometry();
        relayout();
        break;
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::Polish:
        m_measured = false;
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void PageHeader::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}
