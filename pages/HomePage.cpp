#include "HomePage.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QTime>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QTextDocument>

#include "App.h"
#include "CardView.h"
#include "Database.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "Theme.h"
#include "Widgets.h"

namespace {
// The strip shows at most this many unfinished videos.
constexpr int kContinueMax = 16;
// A word longer than this may be broken anywhere in the update banner.
constexpr int kWordBreak = 24;
// Below these page widths the page gives way (see fitWidth).
constexpr int kNarrow = 600;
constexpr int kHeroWithLogo = 520;
constexpr int kSectionWithText = 420;
constexpr int kBannerWithText = 520;
constexpr int kBannerOneRow = 360;
// The vertical scroll bar may take this much of the page's width.
constexpr int kScrollBarRoom = 14;

// Lets a wrapping label break words too long for any line: a zero-width
// space after every kWordBreak characters of such a word.
QString breakable(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / kWordBreak);
    int run = 0;
    for (const QChar c : text) {
        out.append(c);
        run = c.isSpace() ? 0 : run + 1;
        if (run >= kWordBreak && !c.isHighSurrogate()) {
            out.append(QChar(0x200B));
            run = 0;
        }
    }
    return out;
}

// The banner shows the start of the notes, a few lines at most, with their
// line breaks; the whole text is its tool tip.
constexpr int kBannerNotes = 140;
constexpr int kBannerLines = 4;

QString bannerNotes(const QString& notes)
{
    const QStringList lines = QString(notes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'));
    const bool moreLines = lines.size() > kBannerLines;
    const QString text = lines.mid(0, kBannerLines).join(QLatin1Char('\n'));
    if (text.size() <= kBannerNotes)
        return moreLines ? text.trimmed() + QChar(0x2026) : text;
    int cut = text.lastIndexOf(QRegularExpression(QStringLiteral("\\s")), kBannerNotes);
    if (cut < kBannerNotes / 2)
        cut = text.at(kBannerNotes - 1).isHighSurrogate() ? kBannerNotes - 1 : kBannerNotes;
    return text.left(cut).trimmed() + QChar(0x2026);
}

QStandardItem* continueCard(const HistoryItem& row)
{
    auto* item = new QStandardItem(row.displayTitle());
    item->setData(row.path, PathRole);
    item->setData(QStringLiteral("video"), KindRole);
    item->setData(L("Faltam %1", "%1 left").arg(App::formatTime(row.duration - row.position)), SubtitleRole);
    item->setData(qMin(1.0, row.position / row.duration), ProgressRole);
    item->setData(App::formatTime(row.duration), BadgeRole);
    item->setData(QStringLiteral("hist"), ThumbTagRole);
    item->setData(row.position, ThumbTimeRole);
    item->setToolTip(Qt::convertFromPlainText(row.path));   // a name with "<" is no markup
    return item;
}

bool continues(const HistoryItem& row)
{
    return !row.finished && row.duration > 0 && !row.path.contains(QStringLiteral("://"))
           && QFile::exists(row.path);
}
}  // namespace

QString HomePage::greeting(int hour)
{
    if (hour < 12)
        return L("Bom dia", "Good morning");
    return hour < 18 ? L("Boa tarde", "Good afternoon") : L("Boa noite", "Good evening");
}

HomePage::HomePage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);   // Tab goes to the page's own controls
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    m_column = layout;
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(22);
    layout->addWidget(buildBanner());
    layout->addWidget(buildHero());

    m_continue = makeStrip(250, true);
    QPushButton* history = makeButton(L("Ver histórico", "See history"), QStringLiteral("clock"));
    m_continueSection = section(L("Continuar assistindo", "Continue watching"), m_continue, history);
    m_played = makeStrip(150, false);
    m_playedSection = section(L("Ouvidas recentemente", "Recently played"), m_played);
    m_added = makeStrip(150, false);
    QPushButton* music = makeButton(L("Ir para Música", "Go to Music"), QStringLiteral("music"));
    m_addedSection = section(L("Adicionadas à biblioteca", "Recently added"), m_added, music);
    for (QWidget* block : {m_continueSection, m_playedSection, m_addedSection}) {
        layout->addWidget(block);
        for (QLabel* title : block->findChildren<QLabel*>(QStringLiteral("SectionTitle")))
            title->setWordWrap(true);
    }
    m_shrinking = {history, music};
    layout->addStretch();
    scroll->setWidget(content);

    connect(history, &QPushButton::clicked, this, [this] { m_host->goToPage(QStringLiteral("recents")); });
    connect(music, &QPushButton::clicked, this, [this] { m_host->goToPage(QStringLiteral("music")); });
    connectStrip(m_continue, true);
    connectStrip(m_played, false);
    connectStrip(m_added, false);
    auto refreshVisible = [this] {
        if (isVisible())
            refresh();
    };
    connect(Database::instance(), &Database::historyChanged, this, refreshVisible);
    connect(Database::instance(), &Database::libraryChanged, this, refreshVisible);
    refresh();
}

QWidget* HomePage::buildBanner()
{
    m_banner = new QWidget;
    m_banner->setObjectName(QStringLiteral("Banner"));
    m_banner->setAttribute(Qt::WA_StyledBackground);
    // One row; on a narrow page the download button goes under the text.
    auto* row = new QGridLayout(m_banner);
    row->setContentsMargins(16, 10, 10, 10);
    m_bannerRow = row;
    auto* icon = new QLabel(m_banner);
    icon->setPixmap(Icons::pixmap(QStringLiteral("sparkles"), 22, Theme::violet));
    row->addWidget(icon, 0, 0);
    m_bannerIcon = icon;
    m_bannerText = new QLabel(m_banner);
    m_bannerText->setWordWrap(true);
    row->addWidget(m_bannerText, 0, 1);
    row->setColumnStretch(1, 1);
    QPushButton* download = makeButton(L("Baixar atualização", "Download update"), QStringLiteral("download"), true);
    row->addWidget(download, 0, 2);
    m_download = download;
    auto* close = new QToolButton(m_banner);
    close->setIcon(Icons::icon(QStringLiteral("x")));
    row->addWidget(close, 0, 3);
    connect(download, &QPushButton::clicked, this, &HomePage::openUpdateUrl);
    connect(close, &QToolButton::clicked, m_banner, &QWidget::hide);
    m_banner->hide();
    return m_banner;
}

QWidget* HomePage::buildHero()
{
    auto* hero = new QWidget;
    hero->setObjectName(QStringLiteral("Hero"));
    hero->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(hero);
    row->setContentsMargins(28, 24, 28, 24);
    row->setSpacing(22);
    m_hero = row;
    auto* logo = new QLabel(hero);
    logo->setPixmap(Icons::appLogo(92));
    row->addWidget(logo);
    m_logo = logo;

    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    QLabel* title = makeTitle(greeting(QTime::currentTime().hour())
                                  + L("! O que vamos assistir ou ouvir?", "! What shall we watch or listen to?"),
                              "PageTitle");
    title->setWordWrap(true);
    column->addWidget(title);
    auto* intro = new QLabel(L("Abra um vídeo, uma música, uma pasta inteira ou um link. Você também pode arrastar "
                               "arquivos para esta janela.",
                               "Open a video, a song, a whole folder or a link. You can also drag files into this "
                               "window."),
                             hero);
    intro->setObjectName(QStringLiteral("Muted"));
    intro->setWordWrap(true);
    column->addWidget(intro);
    column->addSpacing(6);
    column->addWidget(buildOpenButtons());
    row->addLayout(column, 1);
    return hero;
}

QWidget* HomePage::buildOpenButtons()
{
    auto* buttons = new QWidget;
    auto* row = new QBoxLayout(QBoxLayout::LeftToRight, buttons);
    m_openRow = row;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    QPushButton* file = makeButton(L("Abrir arquivo", "Open file"), QStringLiteral("file"), true);
    QPushButton* folder = makeButton(L("Abrir pasta", "Open folder"), QStringLiteral("folder"));
    QPushButton* link = makeButton(L("Abrir link", "Open link"), QStringLiteral("link"));
    for (QPushButton* b : {file, folder, link})
        row->addWidget(b);
    row->addStretch();
    m_openButtons = {file, folder, link};
    connect(file, &QPushButton::clicked, this, [this] { m_host->openFileDialog(); });
    connect(folder, &QPushButton::clicked, this, [this] { m_host->openFolderDialog(); });
    connect(link, &QPushButton::clicked, this, [this] { m_host->openUrlDialog(); });
    return buttons;
}

CardView* HomePage::makeStrip(int cardWidth, bool wide)
{
    auto* strip = new CardView(CardDelegate::Grid, wide);
    strip->delegate->cardWidth = cardWidth;
    strip->setHorizontalStrip(true);
    return strip;
}

void HomePage::connectStrip(CardView* strip, bool resume)
{
    connect(strip, &CardView::activatedPath, this, [this, strip, resume](const QModelIndex& index) {
        if (resume) {
            m_host->playResume(index.data(PathRole).toString());
            return;
        }
        QList<QString> paths;
        for (int r = 0; r < strip->model->rowCount(); ++r)
            paths << strip->model->item(r)->data(PathRole).toString();
        m_host->playFiles(paths, index.row());
    });
    connect(strip, &CardView::menuRequested, this, [this](const QModelIndex& index, const QPoint& pos) {
        m_host->showMediaMenu({index.data(PathRole).toString()}, pos, nullptr);
    });
}

// The address comes from the update manifest, so only an https address is
// handed to the desktop's opener.
void HomePage::openUpdateUrl()
{
    const QUrl url(m_updateUrl, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.scheme().toLower() != QLatin1String("https")) {
        qWarning("Update address refused: %s", qPrintable(m_updateUrl));
        return;
    }
    QDesktopServices::openUrl(url);
}

void HomePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitWidth(event->size().width() - kScrollBarRoom);
}

// Narrow pages keep everything in sight: narrower margins, no logo, the
// open buttons one under the other and, where even that is short, buttons
// with their icons only (the tool tip keeps the text).
void HomePage::fitWidth(int width)
{
    const bool narrow = width < kNarrow;
    const int side = narrow ? 16 : 32;
    m_column->setContentsMargins(side, 26, side, 26);
    const int heroSide = narrow ? 14 : 28;
    m_hero->setContentsMargins(heroSide, 24, heroSide, 24);
    int room = width - 2 * side - 2 * heroSide;
    // Judged with the wide margins, so the logo does not come and go as
    // the margins change.
    const bool logo = width - 2 * 32 - 2 * 28 >= kHeroWithLogo;
    m_logo->setVisible(logo);
    if (logo)
        room -= m_logo->sizeHint().width() + m_hero->spacing();

    int inRow = m_openRow->spacing() * int(m_openButtons.size() - 1);
    int widest = 0;
    for (QPushButton* b : std::as_const(m_openButtons)) {
        inRow += fullWidth(b);
        widest = std::max(widest, fullWidth(b));
    }
    m_openRow->setDirection(room >= inRow ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    for (QPushButton* b : std::as_const(m_openButtons))
        showText(b, room >= widest);
    // A section's button shares its row with the title.
    for (QPushButton* b : std::as_const(m_shrinking))
        showText(b, width - 2 * side >= kSectionWithText);
    fitBanner(width - 2 * side >= kBannerOneRow, width - 2 * side >= kBannerWithText);
}

void HomePage::fitBanner(bool oneRow, bool withText)
{
    showText(m_download, withText);
    m_bannerIcon->setVisible(oneRow);
    int line = 0, column = 0, rows = 0, columns = 0;
    m_bannerRow->getItemPosition(m_bannerRow->indexOf(m_download), &line, &column, &rows, &columns);
    if ((line == 0) == oneRow)
        return;
    m_bannerRow->removeWidget(m_download);
    if (oneRow)
        m_bannerRow->addWidget(m_download, 0, 2);
    else
        m_bannerRow->addWidget(m_download, 1, 1, Qt::AlignLeft);
}

int HomePage::fullWidth(QPushButton* button) const
{
    button->ensurePolished();
    if (!m_fullTexts.contains(button))
        return button->sizeHint().width();
    const QString shown = button->text();
    button->setText(m_fullTexts.value(button));
    const int width = button->sizeHint().width();
    button->setText(shown);
    return width;
}

void HomePage::showText(QPushButton* button, bool on)
{
    if (!m_fullTexts.contains(button))
        m_fullTexts.insert(button, button->text());
    showButtonText(button, m_fullTexts.value(button), on);
}

void HomePage::refresh()
{
    fillContinue();
    fillPlayed();
    fillAdded();
}

void HomePage::fillContinue()
{
    m_continue->model->clear();
    for (const HistoryItem& row : Database::instance()->history(QStringLiteral("video"), 40)) {
        if (!continues(row))
            continue;
        m_continue->model->appendRow(continueCard(row));
        if (m_continue->model->rowCount() >= kContinueMax)
            break;
    }
    m_continueSection->setVisible(m_continue->model->rowCount() > 0);
}

void HomePage::fillPlayed()
{
    m_played->model->clear();
    Database* db = Database::instance();
    for (const HistoryItem& row : db->history(QStringLiteral("audio"), 30)) {
        const std::optional<MediaItem> media = db->mediaByPath(row.path);
        auto* item = new QStandardItem(media ? media->displayTitle() : row.displayTitle());
        item->setData(row.path, PathRole);
        item->setData(row.path.contains(QStringLiteral("://")) ? QStringLiteral("stream") : QStringLiteral("audio"),
                      KindRole);
        item->setData(media ? media->displayArtist() : QString(), SubtitleRole);
        m_played->model->appendRow(item);
    }
    m_playedSection->setVisible(m_played->model->rowCount() > 0);
}

void HomePage::fillAdded()
{
    m_added->model->clear();
    // The newest songs, however many videos came in after them.
    for (const MediaItem& media : Database::instance()->recentlyAdded(24, QStringLiteral("audio"))) {
        auto* item = new QStandardItem(media.displayTitle());
        item->setData(media.path, PathRole);
        item->setData(QStringLiteral("audio"), KindRole);
        item->setData(media.displayArtist(), SubtitleRole);
        m_added->model->appendRow(item);
    }
    m_addedSection->setVisible(m_added->model->rowCount() > 0);
}

void HomePage::setUpdateBanner(const QString& version, const QString& notes, const QString& url)
{
    m_updateUrl = url;
    const QString shown = bannerNotes(notes);
    m_bannerText->setText(QStringLiteral("<b>%1 %2</b><br><span style='color:#a8b5c7'>%3</span>")
                              .arg(L("Nova versão disponível:", "New version available:"),
                                   breakable(version).toHtmlEscaped(),
                                   breakable(shown).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"))));
    m_bannerText->setToolTip(shown == notes ? QString() : Qt::convertFromPlainText(notes));
    m_banner->show();
}
