#include "NowPlaying.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "Covers.h"
#include "Lang.h"

namespace {
QString link(const QString& text, const char* colour)
{
    if (text.isEmpty())
        return QString();
    return QStringLiteral("<a style='color:%1;text-decoration:none' href='a'>%2</a>")
        .arg(QLatin1String(colour), text.toHtmlEscaped());
}
}  // namespace

NowPlaying::NowPlaying(PlayerCore* core, QWidget* parent) : QWidget(parent), m_core(core)
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(48, 40, 48, 40);
    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    coverLabel = new QLabel(this);
    coverLabel->setFixedSize(340, 340);
    coverLabel->setAlignment(Qt::AlignCenter);
    kickerLabel = new QLabel(this);
    kickerLabel->setStyleSheet(QStringLiteral("color: #2bd9fe; font-weight: 800; font-size: 8.5pt; letter-spacing: 2px;"));
    titleLabel = new QLabel(this);
    titleLabel->setStyleSheet(QStringLiteral("font-size: 19pt; font-weight: 800; color: #ffffff;"));
    titleLabel->setWordWrap(true);
    artistLabel = new QLabel(this);
    artistLabel->setStyleSheet(QStringLiteral("font-size: 12pt; color: #c9d4e3;"));
    albumLabel = new QLabel(this);
    albumLabel->setStyleSheet(QStringLiteral("font-size: 10pt; color: #a8b5c7;"));
    column->addStretch();
    column->addWidget(coverLabel, 0, Qt::AlignHCenter);
    column->addSpacing(14);
    for (QLabel* label : {kickerLabel, titleLabel, artistLabel, albumLabel}) {
        label->setAlignment(Qt::AlignHCenter);
        column->addWidget(label);
    }
    column->addStretch();
    outer->addLayout(column, 1);
    for (QLabel* label : {artistLabel, albumLabel}) {
        label->setCursor(Qt::PointingHandCursor);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    }
    connect(artistLabel, &QLabel::linkActivated, this, [this] { emit artistClicked(artist); });
    connect(albumLabel, &QLabel::linkActivated, this, [this] { emit albumClicked(album); });
}

void NowPlaying::setTrack(const QString& path, const QString& title, const QString& artist, const QString& album,
                          const QPixmap& cover)
{
    kickerLabel->setText(path.contains(QLatin1String("://")) ? L("AO VIVO", "LIVE")
                                                             : L("TOCANDO AGORA", "NOW PLAYING"));
    titleLabel->setText(title);
    this->artist = artist;
    this->album = album;
    artistLabel->setText(link(artist, "#c9d4e3"));
    albumLabel->setText(link(album, "#a8b5c7"));
    const int s = compact ? 120 : 340;
    QPixmap picture = cover.isNull() ? Covers::placeholder(s, false)
                                     : cover.scaled(s, s, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    if (picture.width() > s || picture.height() > s)
        picture = picture.copy((picture.width() - s) / 2, (picture.height() - s) / 2, s, s);
    coverLabel->setFixedSize(s, s);
    coverLabel->setPixmap(Covers::rounded(picture, 18));
}

void NowPlaying::setCompact(bool on)
{
    compact = on;
    const int h = on ? 14 : 48;
    const int v = on ? 10 : 40;
    layout()->setContentsMargins(h, v, h, v);
    for (QLabel* label : {artistLabel, albumLabel, kickerLabel})
        label->setVisible(!on);
}

void NowPlaying::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient fill(0, 0, width(), height());
    fill.setColorAt(0, QColor(0x0d, 0x1b, 0x2e));
    fill.setColorAt(1, QColor(0x07, 0x11, 0x1f));
    p.fillRect(rect(), fill);
}
