#include "NowPlaying.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Covers.h"
#include "Lang.h"
#include "Library.h"
#include "PlayerCore.h"
#include "TextCleaner.h"
#include "TextDecoder.h"

namespace {

using Lines = QList<std::pair<double, QString> >;

// Lyrics come from files anyone may hand us: bounded in size and in count.
constexpr qint64 kMaxLyricsBytes = 1 << 20;
constexpr int kMaxEntries = 10000;
constexpr int kMaxLineChars = 1000;
// And in all: one line may carry thousands of time tags, each an entry of
// the same long text, and every row is laid out word-wrapped.
constexpr qsizetype kMaxTotalChars = 64 * 1024;
constexpr double kLead = 0.15;   // a line lights up just before it is sung

// The view's sizes where there is room for them; below, the cover shrinks
// (and at last gives way) and the lyrics column leaves.
constexpr int kCoverSide = 340;
constexpr int kCompactCoverSide = 120;
constexpr int kSmallestCover = 48;
constexpr int kLyricsWidth = 380;
constexpr int kSmallestCoverColumn = 240;
constexpr int kCoverGap = 14;
constexpr int kTightCoverGap = 4;
constexpr int kColumnSpacing = 10;
constexpr int kRoomy = 4096;

const QColor kLineColour(0x87, 0x96, 0xab);
const QColor kCurrentColour(0xff, 0xff, 0xff);

const char* const kKickerStyle = "color: #2bd9fe; font-weight: 800; font-size: 8.5pt; letter-spacing: 2px;";

// The colour sits on the list, not on its items: an item colour in the
// sheet would hide the current line's own foreground.
const char* const kLyricsStyle =
    "QListWidget { background: rgba(7,17,31,0.45); border: 1px solid #22344c; border-radius: 16px; "
    "padding: 14px; color: #8796ab; }"
    "QListWidget::item { padding: 6px; font-size: 13pt; }"
    "QListWidget::item:hover { background: transparent; }";

// The size of the sheet's item rule above.
constexpr qreal kLinePointSize = 13;
// The item's padding on both sides and the style's own text margins.
constexpr int kRowMargins = 24;

// The word wrap breaks only between words: a longer run with no blank in it
// (a row of "=", a long link) would make every row as wide as itself and
// push the centred lines out of view. Such a run may break anywhere.
QString breakLongRuns(const QString& text, const QFont& font, int width)
{
    const QFontMetrics metrics(font);
    QString out;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        const bool blank = text.at(start).isSpace();
        while (end < text.size() && text.at(end).isSpace() == blank)
            ++end;
        const QString run = text.mid(start, end - start);
        start = end;
        if (blank || metrics.horizontalAdvance(run) <= width) {
            out += run;
            continue;
        }
        for (qsizetype i = 0; i < run.size(); ++i) {
            if (i > 0 && !run.at(i).isLowSurrogate() && !run.at(i).isMark())
                out += QChar(0x200B);   // zero-width space: a break opportunity
            out += run.at(i);
        }
    }
    return out;
}

// Rows are measured in bold, the current line's weight, so that moving the
// highlight never changes a row's height and the list need not lay out its
// rows again.
class LyricsDelegate : public QStyledItemDelegate
{
public:
    explicit LyricsDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), view(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        measuring = true;
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        measuring = false;
        return size;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (measuring)
            option->font.setWeight(QFont::Bold);
        QFont widest = option->font;
        widest.setWeight(QFont::Bold);
        widest.setPointSizeF(kLinePointSize);
        option->text = breakLongRuns(option->text, widest, view->viewport()->width() - kRowMargins);
    }

private:
    QAbstractItemView* view;
    mutable bool measuring = false;
};

// The text wrapped at width in at most maxLines lines, the last one ending
// in an ellipsis when the rest does not fit.
QString wrapped(const QString& text, const QFont& font, int width, int maxLines)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList out;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (out.size() == maxLines - 1) {
            out << text.mid(line.textStart());
            break;
        }
        out << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (out.isEmpty())
        return text;
    out.last() = QFontMetrics(font).elidedText(out.last().trimmed(), Qt::ElideRight, width);
    return out.join(QLatin1Char('\n'));
}

QString elided(const QLabel* label, const QString& text, int width)
{
    return label->fontMetrics().elidedText(text, Qt::ElideRight, width);
}

QString link(const QString& text, const char* colour)
{
    if (text.isEmpty())
        return QString();
    return QStringLiteral("<a style='color:%1;text-decoration:none' href='a'>%2</a>")
        .arg(QLatin1String(colour), text.toHtmlEscaped());
}

// The whole sidecar, or nothing when it is not a regular file (a FIFO would
// block the reader for good), cannot be read or is too large.
QByteArray readSidecar(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxLyricsBytes) {
        ::close(fd);
        return QByteArray();
    }
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QByteArray();
    }
    const QByteArray data = in.read(kMaxLyricsBytes + 1);   // the file may have grown since
    return data.size() > kMaxLyricsBytes ? QByteArray() : data;
}

QString embeddedLyrics(const QString& path)
{
    const QString text = Library::readLyrics(path);
    if (text.size() > kMaxLyricsBytes || text.toUtf8().size() > kMaxLyricsBytes)
        return QString();
    return text;
}

// The sidecar is named ".lrc", or ".LRC" as some editors write it.
QString lyricsText(const QString& path)
{
    const QFileInfo info(path);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QString text = TextDecoder::decode(readSidecar(base + QStringLiteral(".lrc")));
    if (text.isEmpty())
        text = TextDecoder::decode(readSidecar(base + QStringLiteral(".LRC")));
    return text.isEmpty() ? embeddedLyrics(path) : text;
}

const QRegularExpression& timeTag()
{
    static const QRegularExpression re(QStringLiteral("\\[(\\d+):(\\d+(?:[.:]\\d+)?)\\]"));
    return re;
}

// The word timings of enhanced LRC ("<00:02.60>word"), which only karaoke
// views use.
const QRegularExpression& wordTag()
{
    static const QRegularExpression re(QStringLiteral("<\\d+:\\d+(?:[.:]\\d+)?>"));
    return re;
}

QString withoutWordTimes(const QString& text)
{
    if (!text.contains(QLatin1Char('<')))
        return text;
    QString plain = text;
    plain.remove(wordTag());
    return plain.size() == text.size() ? text : plain.simplified();
}

QString clip(QString text)
{
    if (text.size() <= kMaxLineChars)
        return text;
    int n = kMaxLineChars;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    text.truncate(n);
    return text;
}

// Seconds of one tag; NaN when the digits do not make a finite time.
double tagTime(const QRegularExpressionMatch& m)
{
    bool minutesOk = false;
    bool secondsOk = false;
    const double minutes = m.capturedView(1).toDouble(&minutesOk);
    const double seconds = m.captured(2).replace(QLatin1Char(':'), QLatin1Char('.')).toDouble(&secondsOk);
    const double t = minutes * 60 + seconds;
    return minutesOk && secondsOk && std::isfinite(t) ? t : std::nan("");
}

// Appends the entries of one line: one per time tag, or one untimed entry,
// each taking its characters (at least one) from the budget.
void parseLine(const QString& line, Lines& out, qsizetype& budget)
{
    QList<double> times;
    QString text;
    qsizetype last = 0;
    bool tagged = false;
    for (QRegularExpressionMatchIterator it = timeTag().globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        text += QStringView(line).mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        tagged = true;
        const double t = tagTime(m);
        if (!std::isnan(t))
            times.append(t);
    }
    text += QStringView(line).mid(last);
    text = clip(withoutWordTimes(text).trimmed());
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
        return;   // a header such as [ar:...] or [offset:...]
    const qsizetype cost = qMax<qsizetype>(1, text.size());
    if (!tagged && !text.isEmpty() && budget >= cost) {
        out.append({-1.0, text});
        budget -= cost;
    }
    for (double t : times) {
        if (out.size() >= kMaxEntries || budget < cost)
            return;
        out.append({t, text});
        budget -= cost;
    }
}

Lines parseLyrics(const QString& text)
{
    Lines out;
    qsizetype budget = kMaxTotalChars;
    const QStringList split = text.split(QRegularExpression(QStringLiteral("[\\r\\n]+")));
    for (const QString& line : split) {
        if (out.size() >= kMaxEntries || budget <= 0)
            break;
        parseLine(line, out, budget);
    }
    // Untimed lines (at -1) come first in file order, then the timed ones.
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

}  // namespace

NowPlaying::NowPlaying(PlayerCore* core, QWidget* parent) : QWidget(parent), m_core(core)
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(48, 40, 48, 40);
    outer->setSpacing(48);
    outer->addLayout(buildTrackColumn(), 1);
    buildLyricsPanel();
    outer->addWidget(lyricsPanel, 1);

    connect(artistLabel, &QLabel::linkActivated, this, [this] { emit artistClicked(artist); });
    connect(albumLabel, &QLabel::linkActivated, this, [this] { emit albumClicked(album); });
    connect(m_core, &PlayerCore::positionChanged, this, &NowPlaying::syncLyrics);
    // Each load reads the lyrics afresh: they may have changed since.
    connect(m_core, &PlayerCore::fileStarted, this, [this] { lyricsPath.clear(); });
    connect(lyricsList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const double t = item->data(Qt::UserRole).toDouble();
        if (t >= 0)
            m_core->seekAbsolute(t);
    });
}

// The cover above the kicker, title, artist and album, centred.
QLayout* NowPlaying::buildTrackColumn()
{
    coverLabel = new QLabel(this);
    coverLabel->setFixedSize(340, 340);
    coverLabel->setAlignment(Qt::AlignCenter);
    kickerLabel = new QLabel(this);
    kickerLabel->setStyleSheet(QLatin1String(kKickerStyle));
    titleLabel = new QLabel(this);
    titleLabel->setStyleSheet(QStringLiteral("font-size: 19pt; font-weight: 800; color: #ffffff;"));
    titleLabel->setWordWrap(true);
    titleLabel->setTextFormat(Qt::PlainText);   // a tag title is text, never markup
    artistLabel = new QLabel(this);
    artistLabel->setStyleSheet(QStringLiteral("font-size: 12pt; color: #c9d4e3;"));
    albumLabel = new QLabel(this);
    albumLabel->setStyleSheet(QStringLiteral("font-size: 10pt; color: #a8b5c7;"));
    for (QLabel* label : {artistLabel, albumLabel}) {
        label->setCursor(Qt::PointingHandCursor);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    }
    auto* column = new QVBoxLayout;
    column->setSpacing(kColumnSpacing);
    column->addStretch();
    column->addWidget(coverLabel, 0, Qt::AlignHCenter);
    coverGap = new QSpacerItem(0, kCoverGap, QSizePolicy::Minimum, QSizePolicy::Fixed);
    column->addSpacerItem(coverGap);
    for (QLabel* label : {kickerLabel, titleLabel, artistLabel, albumLabel}) {
        label->setAlignment(Qt::AlignHCenter);
        // As wide as the column, whatever the text: relayout() cuts the texts to it.
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        column->addWidget(label);
    }
    column->addStretch();
    trackColumn = column;
    return column;
}

void NowPlaying::buildLyricsPanel()
{
    lyricsPanel = new QWidget(this);
    auto* box = new QVBoxLayout(lyricsPanel);
    box->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(L("LETRA", "LYRICS"), lyricsPanel);
    heading->setStyleSheet(QLatin1String(kKickerStyle));
    box->addWidget(heading);
    lyricsList = new QListWidget(lyricsPanel);
    lyricsList->setItemDelegate(new LyricsDelegate(lyricsList));
    lyricsList->setWordWrap(true);
    lyricsList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lyricsList->setSelectionMode(QAbstractItemView::NoSelection);
    lyricsList->setFocusPolicy(Qt::NoFocus);
    lyricsList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    lyricsList->setStyleSheet(QLatin1String(kLyricsStyle));
    box->addWidget(lyricsList, 1);
    lyricsPanel->setMinimumWidth(380);
    lyricsPanel->hide();
}

void NowPlaying::setTrack(const QString& path, const QString& title, const QString& artist, const QString& album,
                          const QPixmap& cover)
{
    const bool stream = path.contains(QLatin1String("://"));
    kickerLabel->setText(stream ? L("AO VIVO", "LIVE") : L("TOCANDO AGORA", "NOW PLAYING"));
    // Cut before anything measures them: a title of megabytes would take
    // minutes to lay out.
    this->title = TextCleaner::line(title);
    this->artist = TextCleaner::line(artist);
    this->album = TextCleaner::line(album);
    albumLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    this->cover = cover;
    coverSide = -1;   // drawn anew by relayout(), at whatever side fits
    hasTrack = true;
    backdrop = cover.isNull() ? QPixmap()
                              : cover.scaled(48, 48, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    update();

    if (stream) {
        clearLyrics();
        relayout();
    } else if (path != lyricsPath) {
        loadLyrics(path);
    } else {
        relayout();   // the same load again: a new title or cover
    }
}

// The cover at the given side: a null cover gives the placeholder; a
// picture fills the square, cut to its centre.
void NowPlaying::showCover(int side)
{
    coverSide = side;
    coverLabel->setVisible(side > 0);
    if (side <= 0 || !hasTrack) {
        coverLabel->clear();
        return;
    }
    QPixmap picture = cover.isNull()
        ? Covers::placeholder(side, false)
        : cover.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    if (picture.width() > side || picture.height() > side)
        picture = picture.copy((picture.width() - side) / 2, (picture.height() - side) / 2, side, side);
    coverLabel->setFixedSize(side, side);
    coverLabel->setPixmap(Covers::rounded(picture, 18));
}

// Title (in at most titleLines lines), artist and album cut to the
// column's width.
void NowPlaying::showTexts(int width, int titleLines)
{
    for (QLabel* label : {kickerLabel, titleLabel, artistLabel, albumLabel})
        label->ensurePolished();
    const QString shown = wrapped(title, titleLabel->font(), width, titleLines);
    titleLabel->setText(shown);
    // A tag title is text, never markup, in the tooltip too.
    titleLabel->setToolTip(shown == title ? QString() : Qt::convertFromPlainText(title));
    artistLabel->setText(link(elided(artistLabel, artist, width), "#c9d4e3"));
    albumLabel->setText(link(elided(albumLabel, album, width), "#a8b5c7"));
}

// The height of the texts under the cover, with the spacing before each.
int NowPlaying::textsHeight(int width) const
{
    int h = 0;
    for (QLabel* label : {kickerLabel, titleLabel, artistLabel, albumLabel}) {
        if (label->isHidden())
            continue;
        h += kColumnSpacing + (label->hasHeightForWidth() ? label->heightForWidth(width) : label->sizeHint().height());
    }
    return h;
}

// The cover column's width: half the room beside the lyrics, or what the
// lyrics' 380 px leave of it.
int NowPlaying::columnWidth(int inner, int gap, bool lyrics) const
{
    if (!lyrics)
        return inner;
    return qMin((inner - gap) / 2, inner - gap - kLyricsWidth);
}

void NowPlaying::relayout()
{
    // A view that was never given a size yet is laid out at its full sizes.
    const bool sized = testAttribute(Qt::WA_Resized) || isVisible();
    const int w = sized ? width() : kRoomy;
    const int h = (sized ? height() : kRoomy) - bottomInset;
    const int margin = compact ? 14 : w >= 960 ? 48 : w >= 640 ? 24 : 14;
    const int vmargin = compact ? 10 : h >= 585 ? 40 : h >= 400 ? 20 : 10;
    layout()->setContentsMargins(margin, vmargin, margin, vmargin + bottomInset);
    layout()->setSpacing(margin);
    const int inner = w - 2 * margin;
    const bool lyrics = !compact && lyricsList->count() > 0
        && inner - margin - kLyricsWidth >= kSmallestCoverColumn;
    lyricsPanel->setVisible(lyrics);
    const int column = columnWidth(inner, margin, lyrics);
    fitCover(column, fitTexts(column, h - 2 * vmargin));
    trackColumn->invalidate();
}

// Shows the texts in the column; when they do not fit in its height the
// title's second line gives way first, then the kicker, then the album.
// Returns the height left for the cover.
int NowPlaying::fitTexts(int width, int height)
{
    for (QLabel* label : {artistLabel, albumLabel, kickerLabel})
        label->setVisible(!compact);
    showTexts(width, compact ? 1 : 2);
    int room = height - textsHeight(width);
    if (room < kSmallestCover && !compact) {
        showTexts(width, 1);
        room = height - textsHeight(width);
    }
    for (QLabel* label : {kickerLabel, albumLabel}) {
        if (room >= 0)
            break;
        label->hide();
        room = height - textsHeight(width);
    }
    return room;
}

// The cover at its full side where there is room, smaller where there is
// not, and none when even the smallest would not fit.
void NowPlaying::fitCover(int width, int room)
{
    const int full = compact ? kCompactCoverSide : kCoverSide;
    int gap = kCoverGap;
    int side = std::min({full, width, room - gap});
    if (side < full) {
        gap = kTightCoverGap;
        side = std::min({full, width, room - gap});
    }
    if (side < kSmallestCover)
        side = 0;
    coverGap->changeSize(0, side > 0 ? gap : 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    if (side != coverSide)
        showCover(side);
}

void NowPlaying::clearTrack()
{
    for (QLabel* label : {kickerLabel, titleLabel, artistLabel, albumLabel, coverLabel})
        label->clear();
    title.clear();
    artist.clear();
    album.clear();
    cover = QPixmap();
    hasTrack = false;
    backdrop = QPixmap();
    clearLyrics();
    lyricsPanel->hide();
    update();
}

void NowPlaying::clearLyrics()
{
    lyricsPath.clear();
    lines.clear();
    firstTimed = 0;
    currentLine = -1;
    lyricsList->clear();
}

void NowPlaying::loadLyrics(const QString& path)
{
    clearLyrics();
    lyricsPath = path;
    const QString text = lyricsText(path);
    if (!text.isEmpty()) {
        lines = parseLyrics(text);
        firstTimed = int(std::find_if(lines.cbegin(), lines.cend(), [](const auto& e) { return e.first >= 0; })
                         - lines.cbegin());
        fillLyricsList();
    }
    relayout();   // the lyrics column shows when there are lines and room
}

void NowPlaying::fillLyricsList()
{
    for (const auto& [time, text] : lines) {
        auto* item = new QListWidgetItem(text.isEmpty() ? QStringLiteral("♪") : text);
        item->setData(Qt::UserRole, time);
        item->setData(Qt::TextAlignmentRole, int(Qt::AlignCenter));
        lyricsList->addItem(item);
    }
}

// The index of the last timed line that starts by position + the lead; -1
// before the first one.
int NowPlaying::lineAt(double position) const
{
    if (std::isnan(position))
        return -1;
    const double limit = position + kLead;
    const auto begin = lines.cbegin() + firstTimed;
    const auto after = std::upper_bound(begin, lines.cend(), limit,
                                        [](double t, const auto& entry) { return t < entry.first; });
    return after == begin ? -1 : int(after - lines.cbegin()) - 1;
}

void NowPlaying::syncLyrics(double position)
{
    if (lines.isEmpty() || !isVisible() || window()->isMinimized() || lines.constLast().first < 0)
        return;
    const int line = lineAt(position);
    if (line == currentLine)
        return;
    setLineLook(currentLine, false);
    currentLine = line;
    if (line < 0)
        return;
    setLineLook(line, true);
    // Only on a change of line, so the user may scroll freely in between.
    lyricsList->scrollToItem(lyricsList->item(line), QAbstractItemView::PositionAtCenter);
}

// Restyles one row. The model stays quiet: its change signal would make the
// list measure every word-wrapped row again; the delegate's heights do not
// depend on the weight, so repainting the row is enough.
void NowPlaying::setLineLook(int row, bool current)
{
    QListWidgetItem* item = lyricsList->item(row);
    if (!item)
        return;
    QFont font = item->font();
    font.setWeight(current ? QFont::Bold : QFont::Normal);
    {
        const QSignalBlocker quiet(lyricsList->model());
        item->setForeground(current ? kCurrentColour : kLineColour);
        item->setFont(font);
    }
    lyricsList->viewport()->update(lyricsList->visualItemRect(item));
}

void NowPlaying::setCompact(bool on)
{
    compact = on;
    relayout();   // margins, lyrics and the cover drawn at the mode's size
}

void NowPlaying::setBottomInset(int pixels)
{
    if (pixels == bottomInset)
        return;
    bottomInset = pixels;
    relayout();
}

// The view fits itself to any size it is given (relayout), so it holds no
// window wider or taller than that.
QSize NowPlaying::minimumSizeHint() const
{
    return QSize(0, 0);
}

void NowPlaying::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void NowPlaying::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient fill(0, 0, width(), height());
    fill.setColorAt(0, QColor(0x0d, 0x1b, 0x2e));
    fill.setColorAt(1, QColor(0x07, 0x11, 0x1f));
    p.fillRect(rect(), fill);
    if (backdrop.isNull())
        return;
    // 48 x 48 stretched over the whole view: the blur comes for free.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(0.22);
    p.drawPixmap(rect(), backdrop);
    p.setOpacity(1);
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, QColor(7, 17, 31, 120));
    shade.setColorAt(1, QColor(7, 17, 31, 235));
    p.fillRect(rect(), shade);
}
