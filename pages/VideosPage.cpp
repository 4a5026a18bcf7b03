#include "VideosPage.h"

#include "App.h"
#include "CardView.h"
#include "Covers.h"
#include "Database.h"
#include "Host.h"
#include "Lang.h"
#include "Library.h"
#include "LibraryEmpty.h"
#include "PageBody.h"
#include "NameOrder.h"
#include "PageHeader.h"
#include "Widgets.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

const QString kSortKey = QStringLiteral("videos/sort");
constexpr qint64 kMiB = 1048576;
constexpr qint64 kGiB = 1073741824;
// Lengths learned late come in bursts (one per thumbnail): the cards sorted
// by length are put in order once the burst is over.
constexpr int kResortDelayMs = 400;

// A size as the cards show it: rounded kilobytes below a megabyte, rounded
// megabytes up to a gigabyte, then gigabytes with one decimal.
QString sizeText(qint64 size)
{
    const qint64 kb = std::max<qint64>(1, qRound64(double(size) / 1024.0));
    if (kb < 1024)
        return QStringLiteral("%1 KB").arg(kb);
    if (size <= kGiB)
        return QStringLiteral("%1 MB").arg(qRound64(double(size) / double(kMiB)));
    QString gb = QString::number(double(size) / double(kGiB), 'f', 1);
    if (!Lang::englishFlag())
        gb.replace(QLatin1Char('.'), QLatin1Char(','));   // the Portuguese decimal comma
    return QStringLiteral("%1 GB").arg(gb);
}

// The card's second line: the folder's name and, when known, the size.
QString subtitleFor(const QString& folderName, qint64 size)
{
    if (size <= 0)
        return folderName;
    return folderName + QStringLiteral(" · ") + sizeText(size);
}

QString badgeFor(double duration)
{
    return duration > 0 ? App::formatTime(duration) : QString();
}

// Whether two readings of a video give the same card.
bool sameCard(const MediaItem& x, const MediaItem& y)
{
    return x.path == y.path && x.title == y.title && x.folder == y.folder && x.size == y.size
        && x.duration == y.duration && x.added_at == y.added_at;
}

bool sameCards(const QList<MediaItem>& a, const QList<MediaItem>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!sameCard(a.at(i), b.at(i)))
            return false;
    return true;
}

QStandardItem* cardFor(const MediaItem& v, const QString& title, const QString& subtitle, const QString& badge,
                       const QHash<QString, HistoryItem>& history)
{
    auto* item = new QStandardItem(title);
    item->setData(v.path, PathRole);
    item->setData(QStringLiteral("video"), KindRole);
    item->setData(subtitle, SubtitleRole);
    if (!badge.isEmpty())
        item->setData(badge, BadgeRole);
    const auto h = history.constFind(v.path);
    if (h != history.cend() && h->duration > 0)
        item->setData(h->finished ? 1.0 : std::min(h->position / h->duration, 1.0), ProgressRole);
    item->setData(v.path, Qt::ToolTipRole);
    return item;
}

}  // namespace

VideosPage::VideosPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* body = new PageBody(this, 14);
    QVBoxLayout* layout = body->column();
    buildHeader(layout);

    // The stored choice is made current before the box is connected, so
    // building the page writes nothing.
    m_sort->setCurrentIndex(m_sort->findData(App::get(kSortKey, QStringLiteral("name")).toString()));

    m_view = new CardView(CardDelegate::Grid, true);
    m_emptyButton = makeButton(L("Escolher pasta de vídeos", "Choose a video folder"),
                               QStringLiteral("folder-plus"), true);
    m_stack = new QStackedWidget;
    m_stack->addWidget(m_view);
    // Its texts are written when it is shown (explainEmpty).
    m_empty = emptyState(QStringLiteral("film"), QString(), QString(), m_emptyButton);
    m_stack->addWidget(PageBody::shrinkable(m_empty));
    body->addViews(m_stack);

    m_resort = new QTimer(this);
    m_resort->setSingleShot(true);
    m_resort->setInterval(kResortDelayMs);

    connectAll();
    // The first refresh waits until the page is shown (see showEvent).
    m_stale = true;
}

void VideosPage::buildHeader(QVBoxLayout* layout)
{
    auto* header = new PageHeader(makeTitle(L("Vídeos", "Videos"), "PageTitle"));
    m_search = new QLineEdit;
    m_search->setPlaceholderText(L("Buscar vídeos…", "Search videos…"));
    m_search->setClearButtonEnabled(true);
    header->addSearch(m_search, 240);
    m_folder = new QComboBox;
    // Folder names can be long: the box keeps its width and elides them.
    m_folder->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_folder->setMinimumContentsLength(14);
    header->addControl(m_folder);
    m_sort = new QComboBox;
    m_sort->addItem(L("Nome", "Name"), QStringLiteral("name"));
    m_sort->addItem(L("Mais recentes", "Newest"), QStringLiteral("date"));
    m_sort->addItem(L("Tamanho", "Size"), QStringLiteral("size"));
    m_sort->addItem(L("Duração", "Duration"), QStringLiteral("duration"));
    header->addControl(m_sort);
    m_addButton = makeButton(L("Adicionar pasta", "Add folder"), QStringLiteral("folder-plus"));
    header->addButton(m_addButton);
    m_rescanButton = makeButton(QString(), QStringLiteral("refresh"));
    m_rescanButton->setToolTip(L("Atualizar biblioteca", "Rescan library"));
    header->addControl(m_rescanButton);
    layout->addWidget(header);
}

void VideosPage::connectAll()
{
    connect(m_addButton, &QPushButton::clicked, this, &VideosPage::chooseFolder);
    connect(m_emptyButton, &QPushButton::clicked, this, &VideosPage::chooseFolder);
    connect(m_rescanButton, &QPushButton::clicked, this, [] { Library::instance()->rescan(); });
    connect(m_search, &QLineEdit::textChanged, this, &VideosPage::fill);
    connect(m_folder, &QComboBox::currentIndexChanged, this, &VideosPage::fill);
    connect(m_sort, &QComboBox::currentIndexChanged, this, &VideosPage::sortChosen);
    connect(m_view, &CardView::activatedPath, this, [this](const QModelIndex& index) {
        m_host->playResume(index.data(PathRole).toString());
    });
    connect(m_view, &CardView::menuRequested, this, [this](const QModelIndex&, const QPoint& pos) {
        QList<QString> paths;
        for (const QModelIndex& index : m_view->selectionModel()->selectedIndexes())
            paths.append(index.data(PathRole).toString());
        m_host->showMediaMenu(paths, pos, nullptr);
    });
    connect(Covers::instance(), &Covers::ready, this, &VideosPage::durationKnown);
    connect(m_resort, &QTimer::timeout, this, &VideosPage::fill);
    connect(Database::instance(), &Database::libraryChanged, this, &VideosPage::onLibraryChanged);
    connect(Database::instance(), &Database::historyChanged, this, &VideosPage::onHistoryChanged);
    // What the empty page says follows the folders and the last scan's store.
    connect(Library::instance(), &Library::foldersChanged, this, &VideosPage::explainEmpty);
    connect(Library::instance(), &Library::storeChanged, this, &VideosPage::explainEmpty);
}

void VideosPage::explainEmpty()
{
    if (!m_stale && m_videos.isEmpty())
        LibraryEmpty::of(QStringLiteral("video")).showIn(m_empty);
}

void VideosPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void VideosPage::onLibraryChanged()
{
    if (isVisible())
        refresh();
    else
        m_stale = true;
}

void VideosPage::onHistoryChanged()
{
    // A hidden page catches up when it is shown next.
    m_history.reset();
    if (isVisible())
        fill();
    else
        m_stale = true;
}

void VideosPage::refresh()
{
    m_stale = false;
    QList<MediaItem> videos = Database::instance()->media(QStringLiteral("video"));
    // A scan that changed nothing of the videos leaves the cards as they
    // are; a changed history has already dropped the one read.
    if (m_history && sameCards(videos, m_videos))
        return;
    const QList<MediaItem> before = std::exchange(m_videos, std::move(videos));
    m_history.reset();
    makeCardTexts(before);
    m_nameRank = m_nameOrder.ranks(m_titles);

    const bool blocked = m_folder->blockSignals(true);
    fillFolders();
    fill();
    m_folder->blockSignals(blocked);
}

// The cards' texts of every video; those of a video the last reading
// (before) had alike are taken over.
void VideosPage::makeCardTexts(const QList<MediaItem>& before)
{
    const QStringList titles = std::exchange(m_titles, {});
    const QStringList subtitles = std::exchange(m_subtitles, {});
    const QStringList badges = std::exchange(m_badges, {});
    QHash<QString, int> rowBefore;   // made when the rows no longer line up
    QHash<QString, QString> folderNames;  // many videos share a folder
    for (int i = 0; i < m_videos.size(); ++i) {
        const MediaItem& v = m_videos.at(i);
        int j = i < before.size() && before.at(i).path == v.path ? i : -1;
        if (j < 0 && rowBefore.isEmpty())
            for (int k = 0; k < before.size(); ++k)
                rowBefore.insert(before.at(k).path, k);
        if (j < 0)
            j = rowBefore.value(v.path, -1);
        if (j >= 0 && j < titles.size() && sameCard(before.at(j), v)) {
            m_titles.append(titles.at(j));
            m_subtitles.append(subtitles.at(j));
            m_badges.append(badges.at(j));
            continue;
        }
        auto name = folderNames.constFind(v.folder);
        if (name == folderNames.cend())
            name = folderNames.insert(v.folder, QFileInfo(v.folder).fileName());
        m_titles.append(v.displayTitle());
        m_subtitles.append(subtitleFor(*name, v.size));
        m_badges.append(badgeFor(v.duration));
    }
}

void VideosPage::fillFolders()
{
    QStringList folders;
    QSet<QString> seen;
    for (const MediaItem& v : std::as_const(m_videos))
        if (!seen.contains(v.folder)) {
            seen.insert(v.folder);
            folders.append(v.folder);
        }
    folders.sort(Qt::CaseInsensitive);
    // The same folders keep the box, and its choice, as they are.
    if (m_folder->count() > 0 && folders == m_folderPaths)
        return;
    m_folderPaths = folders;
    const QString current = m_folder->currentData().toString();
    m_folder->clear();
    m_folder->addItem(L("Todas as pastas", "All folders"), QString());
    for (const QString& folder : std::as_const(folders)) {
        const QString name = QFileInfo(folder).fileName();
        m_folder->addItem(name.isEmpty() ? folder : name, folder);
    }
    m_folder->setCurrentIndex(std::max(0, m_folder->findData(current)));
}

QList<int> VideosPage::keptRows() const
{
    const QString search = m_search->text().trimmed();
    const QString folder = m_folder->currentData().toString();
    QList<int> rows;
    for (int i = 0; i < m_videos.size(); ++i) {
        const MediaItem& v = m_videos.at(i);
        if (!folder.isEmpty() && v.folder != folder)
            continue;
        if (!search.isEmpty() && !m_titles.at(i).contains(search, Qt::CaseInsensitive)
            && !v.path.contains(search, Qt::CaseInsensitive))
            continue;
        rows.append(i);
    }
    return rows;
}

void VideosPage::sortRows(QList<int>& rows) const
{
    // Equal keys fall back to the path, so the order holds still from one
    // keystroke to the next (a whole scan shares one added_at, and unknown
    // durations are all 0).
    const QString key = m_sort->currentData().toString();
    const auto byPath = [this](int a, int b) { return m_videos.at(a).path < m_videos.at(b).path; };
    const auto descending = [&byPath](auto valueOf) {
        return [valueOf, &byPath](int a, int b) {
            const auto va = valueOf(a), vb = valueOf(b);
            return va != vb ? va > vb : byPath(a, b);
        };
    };
    if (key == QLatin1String("date"))
        std::sort(rows.begin(), rows.end(), descending([this](int i) { return m_videos.at(i).added_at; }));
    else if (key == QLatin1String("size"))
        std::sort(rows.begin(), rows.end(), descending([this](int i) { return m_videos.at(i).size; }));
    else if (key == QLatin1String("duration"))
        std::sort(rows.begin(), rows.end(), descending([this](int i) { return m_videos.at(i).duration; }));
    else
        std::sort(rows.begin(), rows.end(), [this, &byPath](int a, int b) {
            const int ra = m_nameRank.at(a), rb = m_nameRank.at(b);
            return ra != rb ? ra < rb : byPath(a, b);
        });
}

void VideosPage::fill()
{
    if (m_stale) {
        refresh();
        return;
    }
    m_resort->stop();
    QList<int> rows = keptRows();
    sortRows(rows);

    // The history is read again only after it has changed.
    if (!m_history) {
        m_history.emplace();
        for (const HistoryItem& h : Database::instance()->history(QStringLiteral("video"), 2000))
            m_history->insert(h.path, h);
    }

    QList<QStandardItem*> items;
    items.reserve(rows.size());
    m_rowOfPath.clear();
    for (int i : std::as_const(rows)) {
        m_rowOfPath.insert(m_videos.at(i).path, int(items.size()));
        items.append(cardFor(m_videos.at(i), m_titles.at(i), m_subtitles.at(i), m_badges.at(i), *m_history));
    }
    m_shown = rows;
    // One insertion for all cards rather than one per card.
    m_view->model->clear();
    m_view->model->invisibleRootItem()->appendRows(items);
    explainEmpty();
    m_stack->setCurrentIndex(m_videos.isEmpty() ? 1 : 0);
}

void VideosPage::durationKnown(const QString& path)
{
    const int row = m_rowOfPath.value(path, -1);
    QStandardItem* item = row >= 0 ? m_view->model->item(row) : nullptr;
    if (!item || item->data(PathRole).toString() != path || !item->data(BadgeRole).toString().isEmpty())
        return;
    const std::optional<MediaItem> media = Database::instance()->mediaByPath(path);
    if (!media || media->duration <= 0)
        return;
    const QString badge = badgeFor(media->duration);
    item->setData(badge, BadgeRole);
    // Kept for the next fill too, which would otherwise rebuild the card
    // without it (the thumbnail that brought it is not made again).
    m_videos[m_shown.at(row)].duration = media->duration;
    m_badges[m_shown.at(row)] = badge;
    if (m_sort->currentData().toString() == QLatin1String("duration"))
        m_resort->start();
}

void VideosPage::chooseFolder()
{
    const QString dir = QFileDialog::getExistingDirectory(this, L("Pasta de vídeos", "Video folder"), QString(),
                                                          QFileDialog::ShowDirsOnly);
    if (!dir.isEmpty())
        Library::instance()->addFolder(QStringLiteral("video"), dir);
}

void VideosPage::sortChosen()
{
    App::set(kSortKey, m_sort->currentData().toString());
    fill();
}
