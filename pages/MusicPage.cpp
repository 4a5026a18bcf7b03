#include "MusicPage.h"

#include "CardView.h"
#include "Database.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "PageBody.h"
#include "PageHeader.h"
#include "PageRoles.h"
#include "PlayerCore.h"
#include "RowFocusDelegate.h"
#include "TrackProxy.h"
#include "Widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator64>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The widest the filter chip shows its value, and the least it shows beside
// the tabs before it takes a line of its own.
constexpr int kChipValueMax = 280;
constexpr int kChipValueMin = 80;

// The song table's usual column widths (Title stretches), the least the
// Title keeps and the least Artist and Album get before columns step aside.
constexpr int kColumnWidths[7] = {48, 0, 200, 200, 110, 80, 80};
constexpr int kTitleMin = 160;
constexpr int kNameMin = 100;

QStringList headerLabels()
{
    return {QStringLiteral("#"),     L("Título", "Title"),   L("Artista", "Artist"), L("Álbum", "Album"),
            L("Gênero", "Genre"), L("Duração", "Time"), L("Tocadas", "Plays")};
}

}  // namespace

MusicPage::MusicPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    m_model = new QStandardItemModel(0, 7, this);
    m_model->setHorizontalHeaderLabels(headerLabels());
    m_detached = new QStandardItemModel(0, 7, this);
    m_detached->setHorizontalHeaderLabels(headerLabels());
    m_proxy = new TrackProxy(this);
    m_proxy->setSourceModel(m_model);

    m_body = new PageBody(this, 10);
    QVBoxLayout* layout = m_body->column();
    buildHeader(layout);
    buildTabs(layout);
    buildTable();
    buildViews();
    connectAll();
    // The first refresh waits until the page is shown (see showEvent).
    m_stale = true;
}

void MusicPage::buildHeader(QVBoxLayout* layout)
{
    auto* header = new PageHeader(makeTitle(L("Música", "Music"), "PageTitle"));
    m_search = new QLineEdit;
    m_search->setPlaceholderText(L("Buscar música, artista, álbum…", "Search songs, artists, albums…"));
    m_search->setClearButtonEnabled(true);
    header->addSearch(m_search, 280);
    m_playAllButton = makeButton(L("Tocar tudo", "Play all"), QStringLiteral("play"), true);
    m_shuffleButton = makeButton(L("Aleatório", "Shuffle"), QStringLiteral("shuffle"));
    m_addButton = makeButton(L("Adicionar pasta", "Add folder"), QStringLiteral("folder-plus"));
    m_rescanButton = makeButton(QString(), QStringLiteral("refresh"));
    m_rescanButton->setToolTip(L("Atualizar biblioteca", "Rescan library"));
    header->addButton(m_playAllButton);
    header->addButton(m_shuffleButton);
    header->addButton(m_addButton);
    header->addControl(m_rescanButton);
    layout->addWidget(header);
}

void MusicPage::buildTabs(QVBoxLayout* layout)
{
    m_tabRow = new QWidget;
    auto* row = new QGridLayout(m_tabRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setHorizontalSpacing(10);
    row->setVerticalSpacing(6);
    m_tabs = new QTabBar;
    m_tabs->addTab(L("Faixas", "Songs"));
    m_tabs->addTab(L("Álbuns", "Albums"));
    m_tabs->addTab(L("Artistas", "Artists"));
    m_tabs->addTab(L("Gêneros", "Genres"));
    m_tabs->addTab(L("Pastas", "Folders"));
    m_tabs->setDrawBase(false);
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setExpanding(false);
    m_tabs->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_tabs->setCursor(Qt::PointingHandCursor);
    row->addWidget(m_tabs, 0, 0);
    // Stands in for the tabs where they do not fit.
    m_tabPicker = new QComboBox;
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabPicker->addItem(m_tabs->tabText(i));
    m_tabPicker->hide();
    row->addWidget(m_tabPicker, 0, 1);
    m_chip = new QPushButton;
    m_chip->setProperty("chip", true);
    m_chip->setIcon(Icons::icon(QStringLiteral("x")));
    m_chip->setLayoutDirection(Qt::RightToLeft);
    m_chip->setCursor(Qt::PointingHandCursor);
    m_chip->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_chip->hide();
    row->addWidget(m_chip, 0, 2);
    row->setColumnStretch(3, 1);
    m_tabRow->installEventFilter(this);
    m_body->viewport()->installEventFilter(this);
    layout->addWidget(m_tabRow);
}

bool MusicPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == m_tabRow || watched == m_body->viewport()))
        fitTabRow();
    else if (event->type() == QEvent::Resize && m_table && watched == m_table->viewport())
        fitColumns();
    return QWidget::eventFilter(watched, event);
}

// The tabs keep their full width, or give way to the picker.
void MusicPage::fitTabRow()
{
    // The room the page has, not the row's own width: the row is as wide
    // as its widest part.
    const QMargins margins = m_body->column()->contentsMargins();
    const int width = m_body->viewport()->width() - margins.left() - margins.right();
    const int spacing = static_cast<QGridLayout*>(m_tabRow->layout())->horizontalSpacing();
    // The spacing of the row's columns counts too while the chip spans them.
    const bool narrow = width > 0 && width < m_tabs->sizeHint().width() + 3 * spacing;
    m_tabs->setVisible(!narrow);
    m_tabPicker->setVisible(narrow);
    if (!m_chip->isHidden())
        fitChip(width, (narrow ? m_tabPicker->sizeHint().width() : m_tabs->sizeHint().width()) + spacing);
}

// The chip's value is cut to the room left beside the tabs (lead pixels of
// the row), or the chip takes a line of its own.
void MusicPage::fitChip(int width, int lead)
{
    m_chip->setText(m_chipLabel + QStringLiteral(": "));
    const int extra = m_chip->sizeHint().width();
    const int value = m_chip->fontMetrics().horizontalAdvance(m_chipValue);
    int room = kChipValueMax;
    bool wrap = false;
    if (m_tabRow->isVisible()) {
        const int beside = width - lead - extra;
        wrap = beside < std::min(value, kChipValueMin);
        room = std::min(room, wrap ? width - extra : beside);
    }
    const QString shown = m_chip->fontMetrics().elidedText(m_chipValue, Qt::ElideRight, std::max(0, room));
    m_chip->setText(QStringLiteral("%1: %2").arg(m_chipLabel, shown));
    m_chip->setToolTip(QStringLiteral("%1: %2").arg(m_chipLabel, m_chipValue));

    auto* row = static_cast<QGridLayout*>(m_tabRow->layout());
    int line = 0, column = 0, rows = 0, columns = 0;
    row->getItemPosition(row->indexOf(m_chip), &line, &column, &rows, &columns);
    if ((line == 1) == wrap)
        return;
    row->removeWidget(m_chip);
    if (wrap)
        row->addWidget(m_chip, 1, 0, 1, 4, Qt::AlignLeft | Qt::AlignAbsolute);
    else
        row->addWidget(m_chip, 0, 2);
}

void MusicPage::buildTable()
{
    m_table = new QTableView;
    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(2, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);   // Tab leaves the table; arrows move in it
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(36);
    QHeaderView* header = m_table->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int c = 0; c < 7; ++c)
        if (kColumnWidths[c] > 0)
            m_table->setColumnWidth(c, kColumnWidths[c]);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setWordWrap(false);
    m_table->setItemDelegate(new RowFocusDelegate(m_table));
    m_table->viewport()->installEventFilter(this);
}

// The Title column keeps a usable width: Artist and Album share what is
// left up to their usual width, and where even that is short the Genre,
// Plays, Album, Time and Artist columns step aside, in that order.
void MusicPage::fitColumns()
{
    const int width = m_table->viewport()->width();
    if (width <= 0)
        return;
    QList<int> hidden;
    for (const int drop : {-1, 4, 6, 3, 5, 2}) {
        if (drop >= 0)
            hidden.append(drop);
        int fixed = kColumnWidths[0];
        for (int c : {4, 5, 6})
            fixed += hidden.contains(c) ? 0 : kColumnWidths[c];
        const int names = (hidden.contains(2) ? 0 : 1) + (hidden.contains(3) ? 0 : 1);
        const int spare = width - fixed - kTitleMin;
        if (names == 0 || spare / names >= kNameMin || drop == 2) {
            const int each = names == 0 ? 0 : std::clamp(spare / names, kNameMin / 2, kColumnWidths[2]);
            for (int c = 2; c < 7; ++c)
                m_table->setColumnHidden(c, hidden.contains(c));
            m_table->setColumnWidth(2, each);
            m_table->setColumnWidth(3, each);
            return;
        }
    }
}

void MusicPage::buildViews()
{
    m_albums = new CardView(CardDelegate::Grid, false);
    m_groups = new QListWidget;
    m_groups->setIconSize(QSize(20, 20));
    m_groups->setSpacing(2);
    m_groups->setContextMenuPolicy(Qt::CustomContextMenu);
    m_groups->setUniformItemSizes(true);  // every row is 40 px high

    m_views = new QStackedWidget;
    m_views->addWidget(m_table);
    m_views->addWidget(m_albums);
    m_views->addWidget(m_groups);

    m_emptyButton = makeButton(L("Escolher pasta de músicas", "Choose a music folder"),
                               QStringLiteral("folder-plus"), true);
    m_pages = new QStackedWidget;
    m_pages->addWidget(m_views);
    // Its texts are written when it is shown (showEmpty).
    m_empty = emptyState(QStringLiteral("music"), QString(), QString(), m_emptyButton);
    m_pages->addWidget(PageBody::shrinkable(m_empty));
    m_body->addViews(m_pages);
}

void MusicPage::connectAll()
{
    connect(m_addButton, &QPushButton::clicked, this, &MusicPage::chooseFolder);
    connect(m_emptyButton, &QPushButton::clicked, this, &MusicPage::chooseFolder);
    connect(m_rescanButton, &QPushButton::clicked, this, [] { Library::instance()->rescan(); });
    connect(m_playAllButton, &QPushButton::clicked, this, &MusicPage::playAll);
    connect(m_shuffleButton, &QPushButton::clicked, this, &MusicPage::shuffle);
    connect(m_search, &QLineEdit::textChanged, this, &MusicPage::search);
    connect(m_tabs, &QTabBar::currentChanged, this, &MusicPage::tabChanged);
    connect(m_tabs, &QTabBar::currentChanged, m_tabPicker, &QComboBox::setCurrentIndex);
    connect(m_tabPicker, &QComboBox::activated, m_tabs, &QTabBar::setCurrentIndex);
    connect(m_chip, &QPushButton::clicked, this, [this] { setFilter(QString(), QString()); });
    connect(m_table, &QTableView::activated, this, [this](const QModelIndex& index) {
        m_host->playFiles(visiblePaths(), index.row());
    });
    connect(m_table, &QWidget::customContextMenuRequested, this, &MusicPage::tableMenu);
    connect(m_albums, &CardView::activatedPath, this, [this](const QModelIndex& index) {
        const QVariant credit = index.data(CreditRole);
        setFilter(QStringLiteral("album"), index.data(KeyRole).toString(),
                  credit.isValid() ? std::optional<QString>(credit.toString()) : std::nullopt);
        m_tabs->setCurrentIndex(0);
    });
    connect(m_albums, &CardView::menuRequested, this, [this](const QModelIndex& index, const QPoint& pos) {
        m_host->showMediaMenu(index.data(PathsRole).toStringList(), pos, nullptr);
    });
    connect(m_groups, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        setFilter(item->data(KindRole).toString(), item->data(KeyRole).toString());
        m_tabs->setCurrentIndex(0);
    });
    connect(m_groups, &QWidget::customContextMenuRequested, this, &MusicPage::groupMenu);
    connect(Database::instance(), &Database::libraryChanged, this, &MusicPage::onLibraryChanged);
    connect(Database::instance(), &Database::playCounted, this, &MusicPage::updatePlays);
    // What the empty page says follows the folders and the last scan's store.
    connect(Library::instance(), &Library::foldersChanged, this, &MusicPage::explainEmpty);
    connect(Library::instance(), &Library::storeChanged, this, &MusicPage::explainEmpty);
}

void MusicPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    bringUpToDate();
    fitTabRow();
}

void MusicPage::bringUpToDate() const
{
    // Reading the table of a page that has not caught up yet catches up
    // first; the page's state is only its cache of the library.
    if (m_stale)
        const_cast<MusicPage*>(this)->refresh();
}

void MusicPage::onLibraryChanged()
{
    if (isVisible())
        refresh();
    else
        m_stale = true;
}

void MusicPage::explainEmpty()
{
    if (!m_stale && m_tracks.isEmpty())
        showEmpty();
}

void MusicPage::chooseFolder()
{
    const QString dir = QFileDialog::getExistingDirectory(this, L("Pasta de músicas", "Music folder"), QString(),
                                                          QFileDialog::ShowDirsOnly);
    if (!dir.isEmpty())
        Library::instance()->addFolder(QStringLiteral("audio"), dir);
}

void MusicPage::playAll()
{
    if (PlayerCore* core = m_host->core())
        core->setShuffle(false);
    m_host->playFiles(visiblePaths(), 0);
}

void MusicPage::shuffle()
{
    if (PlayerCore* core = m_host->core())
        core->setShuffle(true);
    const QStringList paths = visiblePaths();
    const int start = paths.isEmpty() ? 0 : int(QRandomGenerator64::global()->bounded(quint64(paths.size())));
    m_host->playFiles(paths, start);
}

void MusicPage::search(const QString& text)
{
    m_proxy->searchText = text.trimmed();
    m_proxy->refilter();
    if (m_tabs->currentIndex() != 0 && !text.isEmpty())
        m_tabs->setCurrentIndex(0);
}

void MusicPage::tabChanged(int index)
{
    if (index == 0) {
        m_views->setCurrentIndex(0);
        return;
    }
    m_views->setCurrentIndex(index == 1 ? 1 : 2);
    if (index > 0)
        fillGroups();
}

void MusicPage::tableMenu(const QPoint& pos)
{
    const QStringList paths = selectedPaths();
    if (!paths.isEmpty())
        m_host->showMediaMenu(paths, m_table->viewport()->mapToGlobal(pos), nullptr);
}

void MusicPage::groupMenu(const QPoint& pos)
{
    QListWidgetItem* item = m_groups->itemAt(pos);
    if (item)
        m_host->showMediaMenu(item->data(PathsRole).toStringList(), m_groups->viewport()->mapToGlobal(pos),
                              nullptr);
}
