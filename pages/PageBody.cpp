#include "PageBody.h"

#include <QLabel>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace {
constexpr int kNarrow = 600;  // pages narrower than this get side margins of kNarrowSide
constexpr int kShort = 420;   // pages shorter than this get a top margin of kShortTop
constexpr int kNarrowSide = 16;
constexpr int kShortTop = 12;
constexpr int kViewsMin = 120;
}  // namespace

PageBody::PageBody(QWidget* page, int spacing) : QScrollArea(page)
{
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(this);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(32, 26, 32, 10);
    m_column->setSpacing(spacing);
    setWidget(content);
}

void PageBody::addViews(QWidget* views)
{
    // Their size hint is no height the page asks for: the scroll area would
    // otherwise scroll whenever the views are shorter than their hint.
    views->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    views->setMinimumHeight(kViewsMin);
    m_column->addWidget(views, 1);
}

void PageBody::resizeEvent(QResizeEvent* event)
{
    const int side = event->size().width() < kNarrow ? kNarrowSide : 32;
    const int top = event->size().height() < kShort ? kShortTop : 26;
    m_column->setContentsMargins(side, top, side, 10);
    QScrollArea::resizeEvent(event);
}

QWidget* PageBody::shrinkable(QWidget* emptyState)
{
    for (QLabel* heading : emptyState->findChildren<QLabel*>(QStringLiteral("SectionTitle")))
        heading->setWordWrap(true);
    emptyState->setMinimumWidth(1);
    return emptyState;
}
