#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// Item data of a card, written by the pages into the view's model.
enum CardRole {
    PathRole = Qt::UserRole + 1,  // file path or URL
    KindRole,                     // "video", "audio" or "stream"
    SubtitleRole,                 // second line
    ProgressRole,                 // watched fraction 0..1 (no strip when absent)
    BadgeRole,                    // text on the picture, usually a duration
    ThumbTagRole,                 // thumbnail variant ("lib" when empty)
    ThumbTimeRole                 // thumbnail time (-0.15 when absent)
};

// Paints one media card: a picture well with an optional badge, progress
// strip and hover play button, then a title and a second line. Grid cards
// stack the text under the picture; List rows put it beside the picture.
class CardDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum Mode { Grid = 0, List = 1 };

    CardDelegate(Mode mode, bool wide, QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The card's picture at exactly w x h: the item's own pixmap, its cover
    // or video thumbnail, or the placeholder while none is ready.
    QPixmap imageFor(const QModelIndex& index, int w, int h) const;

    Mode mode;
    bool wide;          // 16:9 pictures for everything that is not audio
    int cardWidth = 200;  // picture width in Grid mode; the view fits it to its columns

private:
    struct Layout;
    Layout layoutFor(const QRect& r, bool wideImage, bool hasSubtitle,
                     const QFont& base) const;
    bool wideFor(const QString& kind) const;
    QPixmap pictureFor(const QModelIndex& index, int w, int h, bool* placeholder) const;
    void paintPicture(QPainter* p, const Layout& l, const QModelIndex& index) const;
    void paintPlayOverlay(QPainter* p, const QRect& well) const;
    void paintBadge(QPainter* p, const QRect& well, const QString& badge,
                    const QFont& base) const;
    void paintProgress(QPainter* p, const QRect& well, double progress) const;
    void paintText(QPainter* p, const Layout& l, const QString& title,
                   const QString& subtitle) const;
};
