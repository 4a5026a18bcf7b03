#include "LayoutChecker.h"

#include "CardView.h"
#include "ControlBar.h"
#include "PreviewPopup.h"
#include "Toast.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyleOptionComboBox>
#include <QStyleOptionHeader>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {
const QChar kEllipsis(0x2026);

// "Class#name" for one widget of a path.
QString nameOf(const QWidget* w)
{
    const QString cls = QString::fromLatin1(w->metaObject()->className());
    return w->objectName().isEmpty() ? cls : cls + QLatin1Char('#') + w->objectName();
}

// The chain of widgets from the window down to w, its first levels
// shortened when long.
QString pathOf(const QWidget* w)
{
    QStringList parts;
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget())
        parts.prepend(nameOf(p));
    if (parts.size() > 7)
        parts = QStringList{QString(kEllipsis)} + parts.mid(parts.size() - 6);
    QString path = parts.join(QLatin1Char('/'));
    if (const auto* label = qobject_cast<const QLabel*>(w))
        path += QStringLiteral(" \"%1\"").arg(label->text().simplified().left(28));
    else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        path += QStringLiteral(" \"%1\"").arg(button->text().simplified().left(28));
    return path;
}

// The text as drawn: "&&" is a literal "&", a lone "&" marks the mnemonic.
QString plainButtonText(const QAbstractButton* b)
{
    QString text = b->text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

int textWidth(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

bool isRichText(const QLabel* label)
{
    return label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

// Widgets that float over their siblings by design.
bool isOverlay(const QWidget* w)
{
    // The toast is a transient notice over whatever the page shows.
    if (qobject_cast<const Toast*>(w))
        return true;
    // The seek preview pops up over the transport bar while hovering it.
    if (qobject_cast<const PreviewPopup*>(w))
        return true;
    // In fullscreen and the mini player the transport bar floats over the
    // picture; docked it lives in the central widget's layout.
    if (const auto* bar = qobject_cast<const ControlBar*>(w)) {
        const auto* window = qobject_cast<const QMainWindow*>(bar->window());
        return window && bar->parentWidget() != window->centralWidget();
    }
    return false;
}

// Parents whose children are internals of one Qt control, not siblings a
// layout places side by side.
bool hasInternalChildren(const QWidget* parent)
{
    // Scroll areas and item views: viewport, scroll bars and their
    // containers, the corner widget.
    if (qobject_cast<const QAbstractScrollArea*>(parent))
        return true;
    // Stacked pages: one shows at a time, or all on purpose (StackAll).
    if (qobject_cast<const QStackedLayout*>(parent->layout()))
        return true;
    // A line edit's clear button and action icons sit inside it; a combo
    // box's and a spin box's line edit and buttons likewise; a tab bar's
    // scroll buttons lie on its tabs.
    return qobject_cast<const QLineEdit*>(parent) || qobject_cast<const QComboBox*>(parent)
        || qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QTabBar*>(parent);
}

bool isScrolledContent(const QWidget* parent)
{
    const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
    return area && area->viewport() == parent;
}

// Where the glyphs of a one-line label land, as QLabel places the line
// in its contents: cut when the ink leaves the widget.
QString verticalCut(const QLabel* label)
{
    const QFontMetrics metrics = label->fontMetrics();
    const QRect room = label->contentsRect();
    if (isRichText(label) || label->text().contains(QLatin1Char('\n')))
        return metrics.height() > label->height() + 2
            ? QStringLiteral("needs %1 px of height, has %2").arg(metrics.height()).arg(label->height())
            : QString();
    int top = room.top() + (room.height() - metrics.height()) / 2;
    if (label->alignment() & Qt::AlignTop)
        top = room.top();
    else if (label->alignment() & Qt::AlignBottom)
        top = room.bottom() + 1 - metrics.height();
    const QRect ink = metrics.tightBoundingRect(label->text()).translated(0, top + metrics.ascent());
    if (ink.top() >= -1 && ink.bottom() <= label->height())   // a pixel of antialiasing may go
        return QString();
    return QStringLiteral("glyphs span y %1..%2 in a %3 px high label").arg(ink.top()).arg(ink.bottom())
        .arg(label->height());
}
}  // namespace

void LayoutChecker::check(const QWidget* top, const QString& group, const QString& state)
{
    m_group = group;
    m_where = group + QLatin1Char(' ') + state;
    checkTree(top);
}

void LayoutChecker::note(const QString& where, const QString& what)
{
    m_lines << QStringLiteral("%1: %2").arg(where, what);
    m_repeats << 0;
}

QStringList LayoutChecker::faults() const
{
    QStringList list;
    for (int i = 0; i < m_lines.size(); ++i)
        list << m_lines[i] + (m_repeats[i] ? QStringLiteral(" [+%1 more states]").arg(m_repeats[i]) : QString());
    return list;
}

void LayoutChecker::record(const QWidget* w, const QString& kind, const QString& detail)
{
    const QString path = pathOf(w);
    const QString key = m_group + path + kind;
    const auto found = m_index.constFind(key);
    if (found != m_index.constEnd()) {
        ++m_repeats[*found];
        return;
    }
    m_index.insert(key, m_lines.size());
    m_lines << QStringLiteral("%1: %2: %3 (%4)").arg(m_where, path, kind, detail);
    m_repeats << 0;
}

void LayoutChecker::checkOverlaps(const QWidget* parent, const QList<QWidget*>& kids)
{
    if (hasInternalChildren(parent))
        return;
    for (int i = 0; i < kids.size(); ++i) {
        if (isOverlay(kids[i]))
            continue;
        for (int j = i + 1; j < kids.size(); ++j) {
            if (isOverlay(kids[j]))
                continue;
            const QRect both = kids[i]->geometry() & kids[j]->geometry();
            if (both.width() >= 2 && both.height() >= 2)
                record(kids[i], QStringLiteral("overlaps ") + pathOf(kids[j]).section(QLatin1Char('/'), -1),
                       QStringLiteral("%1x%2 px in common").arg(both.width()).arg(both.height()));
        }
    }
}

void LayoutChecker::checkInside(const QWidget* parent, const QWidget* child)
{
    if (isScrolledContent(parent) || hasInternalChildren(parent))
        return;
    const QRect room = parent->rect().adjusted(-1, -1, 1, 1);
    if (!room.contains(child->geometry()))
        record(child, QStringLiteral("spills out of its parent"),
               QStringLiteral("at %1,%2 %3x%4 in a %5x%6 parent")
                   .arg(child->x()).arg(child->y()).arg(child->width()).arg(child->height())
                   .arg(parent->width()).arg(parent->height()));
}

// An ellipsis in the text says the program shortened it to the width;
// it must still fit the height.
void LayoutChecker::checkLabel(const QLabel* label)
{
    const QString text = label->text();
    if (text.trimmed().isEmpty())
        return;
    if (label->wordWrap()) {
        const int need = label->heightForWidth(label->width());
        if (need > label->height() + 1)
            record(label, QStringLiteral("wrapped text cut"),
                   QStringLiteral("needs %1 px of height, has %2").arg(need).arg(label->height()));
        return;
    }
    if (const QString cut = verticalCut(label); !cut.isEmpty())
        record(label, QStringLiteral("text cut vertically"), cut);
    if (text.contains(kEllipsis))
        return;
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                       -label->margin());
    int need = 0;
    if (isRichText(label)) {
        QTextDocument doc;
        doc.setDocumentMargin(0);
        doc.setDefaultFont(label->font());
        doc.setHtml(text);
        need = int(std::ceil(doc.idealWidth()));
    } else {
        need = textWidth(label->fontMetrics(), text);
    }
    need += std::max(0, label->indent());
    if (need > room.width() + 1)
        record(label, QStringLiteral("text cut without an ellipsis"),
               QStringLiteral("needs %1 px, has %2").arg(need).arg(room.width()));
}

void LayoutChecker::checkButton(const QAbstractButton* button)
{
    const QString text = plainButtonText(button);
    if (text.trimmed().isEmpty() || text.contains(kEllipsis))
        return;
    if (const auto* tool = qobject_cast<const QToolButton*>(button))
        if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return;
    int need = 0;
    if (qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button)) {
        need = button->sizeHint().width();
    } else {
        need = textWidth(button->fontMetrics(), text);
        if (!button->icon().isNull())
            need += button->iconSize().width() + 4;
        need += 4;
    }
    if (need > button->width() && button->sizeHint().width() > button->width())
        record(button, QStringLiteral("button text cut"),
               QStringLiteral("needs %1 px (hint %2), has %3").arg(need).arg(button->sizeHint().width())
                   .arg(button->width()));
}

void LayoutChecker::checkTabs(const QTabBar* bar)
{
    const bool across = bar->shape() == QTabBar::RoundedNorth || bar->shape() == QTabBar::RoundedSouth
        || bar->shape() == QTabBar::TriangularNorth || bar->shape() == QTabBar::TriangularSouth;
    const int need = across ? bar->sizeHint().width() : bar->sizeHint().height();
    const int have = across ? bar->width() : bar->height();
    if (need > have + 1) {
        record(bar, QStringLiteral("tabs elided or scrolled away"),
               QStringLiteral("need %1 px, have %2").arg(need).arg(have));
        return;
    }
    for (int i = 0; i < bar->count(); ++i)
        if (bar->isTabVisible(i) && !bar->rect().adjusted(-1, -1, 1, 1).contains(bar->tabRect(i)))
            record(bar, QStringLiteral("tab \"%1\" out of sight").arg(bar->tabText(i)),
                   QStringLiteral("at x %1 in a %2 px bar").arg(bar->tabRect(i).x()).arg(bar->width()));
}

// A closed combo box draws its current text unshortened in its field.
void LayoutChecker::checkCombo(const QComboBox* combo)
{
    const QString text = combo->currentText();
    if (combo->isEditable() || text.isEmpty() || text.contains(kEllipsis))
        return;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.frame = combo->hasFrame();
    option.currentText = text;
    option.currentIcon = combo->itemIcon(combo->currentIndex());
    option.iconSize = combo->iconSize();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    int need = combo->fontMetrics().horizontalAdvance(text);
    if (!option.currentIcon.isNull())
        need += option.iconSize.width() + 4;
    if (need > field.width() + 1)
        record(combo, QStringLiteral("choice text cut"),
               QStringLiteral("\"%1\" needs %2 px, has %3").arg(text.left(20)).arg(need).arg(field.width()));
}

// Column titles are drawn unshortened in their section.
void LayoutChecker::checkHeader(const QHeaderView* header)
{
    if (!header->model() || header->orientation() != Qt::Horizontal)
        return;
    for (int i = 0; i < header->count(); ++i) {
        const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
        if (header->isSectionHidden(i) || text.isEmpty() || text.contains(kEllipsis))
            continue;
        QStyleOptionHeader option;
        option.initFrom(header);
        option.rect = QRect(0, 0, header->sectionSize(i), header->height());
        option.text = text;
        option.section = i;
        const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
        // The section's font is the style sheet's: its width is what the
        // text adds to the section's size.
        const int full = header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header)
                             .width();
        option.text.clear();
        const int need = full - header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(),
                                                                  header).width();
        if (need > label.width() + 2)   // a pixel off each end of a glyph goes unseen
            record(header, QStringLiteral("column title \"%1\" cut").arg(text),
                   QStringLiteral("needs %1 px, has %2").arg(need).arg(label.width()));
    }
}

void LayoutChecker::checkScrolling(const QAbstractScrollArea* area)
{
    // The Home page's strips are one row meant to scroll sideways.
    if (const auto* cards = qobject_cast<const CardView*>(area))
        if (cards->horizontalStrip)
            return;
    if (area->horizontalScrollBar()->isVisible())
        record(area, QStringLiteral("scrolls sideways"),
               QStringLiteral("content range 0..%1 in %2 px").arg(area->horizontalScrollBar()->maximum())
                   .arg(area->viewport()->width()));
}

void LayoutChecker::checkWidget(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        checkLabel(label);
    else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        checkButton(button);
    else if (const auto* bar = qobject_cast<const QTabBar*>(w))
        checkTabs(bar);
    else if (const auto* combo = qobject_cast<const QComboBox*>(w))
        checkCombo(combo);
    else if (const auto* header = qobject_cast<const QHeaderView*>(w))
        checkHeader(header);
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(w))
        checkScrolling(area);
}

void LayoutChecker::checkTree(const QWidget* parent)
{
    QList<QWidget*> kids;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->isWindow() && w->isVisible() && w->width() > 0 && w->height() > 0)
            kids << w;
    }
    checkOverlaps(parent, kids);
    for (const QWidget* kid : kids) {
        checkInside(parent, kid);
        checkWidget(kid);
        checkTree(kid);
    }
}

