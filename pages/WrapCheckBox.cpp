#include "WrapCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int kWrap = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
}

WrapCheckBox::WrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int WrapCheckBox::textLeft() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this).left();
}

// The height of the box with its text on one line.
int WrapCheckBox::lineHeight() const
{
    return QCheckBox::sizeHint().height();
}

// Room for the indicator and the longest word.
int WrapCheckBox::narrowest() const
{
    int word = 0;
    for (const QString& w : text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        word = qMax(word, fontMetrics().horizontalAdvance(w));
    return textLeft() + word;
}

// A wrapped text needs no more width than its longest word: that is what the
// box asks for; the height follows the width it is given.
QSize WrapCheckBox::sizeHint() const
{
    return {narrowest(), heightForWidth(narrowest())};
}

QSize WrapCheckBox::minimumSizeHint() const
{
    return {narrowest(), lineHeight()};
}

bool WrapCheckBox::hasHeightForWidth() const
{
    return true;
}

int WrapCheckBox::heightForWidth(int width) const
{
    const int room = qMax(1, width - textLeft());
    const int text = fontMetrics().boundingRect(QRect(0, 0, room, 1 << 20), kWrap, this->text()).height();
    return lineHeight() + qMax(0, text - fontMetrics().height());
}

bool WrapCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void WrapCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString label = option.text;
    option.text.clear();
    option.rect.setHeight(lineHeight());
    painter.drawControl(QStyle::CE_CheckBox, option);
    QRect area = rect();
    area.setLeft(textLeft());
    area.setTop((lineHeight() - fontMetrics().height()) / 2);
    style()->drawItemText(&painter, area, kWrap, palette(), isEnabled(), label, foregroundRole());
}
