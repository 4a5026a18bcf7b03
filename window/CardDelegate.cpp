#include "CardDelegate.h"

#include "Covers.h"
#include "Icons.h"
#include "Theme.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

struct CardDelegate::Layout
{
    QRect well;        // picture well
    int radius = 0;    // its corner radius
    int textX = 0;     // text column
    int textWidth = 0;
    int titleTop = 0;
    int subTop = 0;
    QFont titleFont;
    QFont subFont;
};

namespace {

QFont sized(const QFont& base, qreal points, int weight)
{
    QFont f(base);
    f.setPointSizeF(points);
    f.setWeight(QFont::Weight(weight));
    return f;
}

QPainterPath roundedWell(const QRect& well, int radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(well), radius, radius);
    return path;
}

// Scales with the painter's bilinear filter: several times cheaper than
// QPixmap::scaled's smooth scaling, and alike for the at most twofold
// reductions that cards make.
QPixmap scaledTo(const QPixmap& pic, int w, int h, Qt::AspectRatioMode mode)
{
    const QSize size = pic.size().scaled(w, h, mode);
    if (size == pic.size() || size.isEmpty())
        return pic;
    QPixmap out(size);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(out.rect(), pic);
    return out;
}

// The middle part of a picture of the given size with the shape of the
// well: what stays of it once scaled to cover the well.
QRect centredCrop(const QSize& picture, const QSize& well)
{
    const QSize crop = well.scaled(picture, Qt::KeepAspectRatio);
    return QRect(QPoint((picture.width() - crop.width()) / 2,
                        (picture.height() - crop.height()) / 2), crop);
}

void drawLine(QPainter* p, const QFont& font, const QColor& color, const QString& text,
              int x, int top, int width)
{
    const QFontMetrics fm(font);
    p->setFont(font);
    p->setPen(color);
    p->drawText(QRect(x, top, width, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                fm.elidedText(text, Qt::ElideRight, width));
}

}  // namespace

CardDelegate::CardDelegate(Mode mode, bool wide, QObject* parent)
    : QStyledItemDelegate(parent), mode(mode), wide(wide)
{
}

QSize CardDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // A view lays list rows out as wide as its viewport: a row that asked
    // for a width of its own would make a narrow view scroll sideways.
    if (mode == List)
        return QSize(option.widget ? 0 : 400, wide ? 84 : 64);
    const int h = wide ? cardWidth * 9 / 16 : cardWidth;
    return QSize(cardWidth + 16, h + 64);
}

bool CardDelegate::wideFor(const QString& kind) const
{
    return kind == QLatin1String("video") || (wide && kind != QLatin1String("audio"));
}

CardDelegate::Layout CardDelegate::layoutFor(const QRect& r, bool wideImage, bool hasSubtitle,
                                             const QFont& base) const
{
    Layout l;
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    if (mode == Grid) {
        const int iw = w - 16;
        l.well = QRect(x + 8, y + 8, iw, wideImage ? iw * 9 / 16 : iw);
        l.radius = 10;
        l.textX = x + 10;
        l.textWidth = w - 20;
        l.titleFont = sized(base, 9.5, 600);
        l.subFont = sized(base, 8.5, 400);
        l.titleTop = y + 15 + l.well.height();
        l.subTop = l.titleTop + QFontMetrics(l.titleFont).height() + 2;
        return l;
    }
    const int ih = h - 18;
    l.well = QRect(x + 10, y + 9, wideImage ? ih * 16 / 9 : ih, ih);
    l.radius = 6;
    l.textX = x + l.well.width() + 23;
    l.textWidth = w - l.well.width() - 38;
    l.titleFont = sized(base, 10, 600);
    l.subFont = sized(base, 8.8, 400);
    const int titleHeight = QFontMetrics(l.titleFont).height();
    const int block = titleHeight + 3 + (hasSubtitle ? QFontMetrics(l.subFont).height() : 0);
    l.titleTop = y + 8 + ((h - 16) - block) / 2;
    l.subTop = l.titleTop + titleHeight + 3;
    return l;
}

void CardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    const QRect& r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    if (selected || hovered) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(selected ? Theme::surface3 : Theme::surface2);
        painter->drawRoundedRect(r.adjusted(4, 4, -4, -4), 12, 12);
    }
    // The card the keyboard is on.
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(Theme::cyan, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(r).adjusted(5, 5, -5, -5), 12, 12);
    }

    const QString title = index.data(Qt::DisplayRole).toString();
    const QString subtitle = index.data(SubtitleRole).toString();
    const QString badge = index.data(BadgeRole).toString();
    const QVariant progressData = index.data(ProgressRole);
    const double progress = progressData.isValid() ? progressData.toDouble() : -1;
    const bool wideImage = wideFor(index.data(KindRole).toString());

    const Layout l = layoutFor(r, wideImage, !subtitle.isEmpty(), option.font);
    paintPicture(painter, l, index);
    if (mode == Grid && hovered)
        paintPlayOverlay(painter, l.well);
    if (!badge.isEmpty())
        paintBadge(painter, l.well, badge, option.font);
    if (progress >= 0)
        paintProgress(painter, l.well, progress);
    paintText(painter, l, title, subtitle);
    painter->restore();
}

void CardDelegate::paintPicture(QPainter* p, const Layout& l, const QModelIndex& index) const
{
    // The picture goes straight into the well, cropped as imageFor crops
    // it, without the intermediate copy.
    bool placeholder = false;
    const QPixmap pic = pictureFor(index, l.well.width(), l.well.height(), &placeholder);
    const QRect source = placeholder ? pic.rect() : centredCrop(pic.size(), l.well.size());
    p->save();
    p->setClipPath(roundedWell(l.well, l.radius));
    p->fillRect(l.well, Theme::surface2);
    p->drawPixmap(l.well, pic, source);
    p->restore();
}

void CardDelegate::paintPlayOverlay(QPainter* p, const QRect& well) const
{
    QColor shade(Theme::bg);
    shade.setAlpha(90);
    p->fillPath(roundedWell(well, 10), shade);

    const int cx = (well.left() + well.right()) / 2;
    const int cy = (well.top() + well.bottom()) / 2;
    QLinearGradient gradient(cx - 22, cy - 22, cx + 21, cy + 21);
    gradient.setColorAt(0, Theme::cyan);
    gradient.setColorAt(1, Theme::violet);
    p->setPen(Qt::NoPen);
    p->setBrush(gradient);
    p->drawEllipse(QRect(QPoint(cx - 22, cy - 22), QPoint(cx + 21, cy + 21)));
    p->drawPixmap(QRect(cx - 10, cy - 11, 22, 22),
                  Icons::pixmap(QStringLiteral("play"), 22, QColor(QStringLiteral("#07111f"))));
}

void CardDelegate::paintBadge(QPainter* p, const QRect& well, const QString& badge,
                              const QFont& base) const
{
    const QFont font = sized(base, 8, 700);
    const int tw = QFontMetrics(font).horizontalAdvance(badge);
    const QRect box(QPoint(well.right() - tw - 16, well.bottom() - 22),
                    QPoint(well.right() - 7, well.bottom() - 6));
    QColor fill(Theme::bg);
    fill.setAlpha(210);
    p->setPen(Qt::NoPen);
    p->setBrush(fill);
    p->drawRoundedRect(box, 5, 5);
    p->setFont(font);
    p->setPen(Qt::white);
    p->drawText(box, Qt::AlignCenter, badge);
}

void CardDelegate::paintProgress(QPainter* p, const QRect& well, double progress) const
{
    const QRect track(well.left(), well.bottom() - 3, well.width(), 4);
    p->fillRect(track, QColor(255, 255, 255, 60));
    QLinearGradient gradient(track.left(), 0, track.right(), 0);
    gradient.setColorAt(0, Theme::cyan);
    gradient.setColorAt(1, Theme::violet);
    const int bar = int(well.width() * std::min(progress, 1.0));
    p->fillRect(QRect(track.left(), track.top(), bar, track.height()), gradient);
}

void CardDelegate::paintText(QPainter* p, const Layout& l, const QString& title,
                             const QString& subtitle) const
{
    drawLine(p, l.titleFont, Theme::text, title, l.textX, l.titleTop, l.textWidth);
    if (mode == Grid || !subtitle.isEmpty())
        drawLine(p, l.subFont, Theme::muted, subtitle, l.textX, l.subTop, l.textWidth);
}

QPixmap CardDelegate::imageFor(const QModelIndex& index, int w, int h) const
{
    bool placeholder = false;
    const QPixmap pic = pictureFor(index, w, h, &placeholder);
    return scaledTo(pic, w, h, placeholder ? Qt::IgnoreAspectRatio : Qt::KeepAspectRatioByExpanding);
}

QPixmap CardDelegate::pictureFor(const QModelIndex& index, int w, int h, bool* placeholder) const
{
    const QString path = index.data(PathRole).toString();
    const QString kind = index.data(KindRole).toString();
    QPixmap pic = index.data(Qt::DecorationRole).value<QPixmap>();
    if (pic.isNull() && kind == QLatin1String("video")) {
        const QVariant timeData = index.data(ThumbTimeRole);
        const double time = timeData.isValid() ? timeData.toDouble() : -0.15;
        QString tag = index.data(ThumbTagRole).toString();
        if (tag.isEmpty())
            tag = QStringLiteral("lib");
        pic = Covers::instance()->videoThumb(path, 384, time, tag);
    } else if (pic.isNull() && kind != QLatin1String("stream")) {
        pic = Covers::instance()->cover(path, 2 * std::max(w, h));
    }
    *placeholder = pic.isNull();
    // Shaped like the well it fills, so a 16:9 well never gets a stretched
    // square.
    return *placeholder ? Covers::placeholder(w, wideFor(kind)) : pic;
}
