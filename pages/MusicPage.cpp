#include "MusicPage.h"

#include "CardView.h"
#include "Database.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "PageRoles.h"
#include "PlayerCore.h"
#include "TrackProxy.h"
#include "Widgets.h"

#include <QFileDialog>
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

namespace {

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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 10);
    layout->setSpacing(10);
    buildHeader(layout);
    buildTabs(layout);
    buildTable();
    buildViews(layout);
    connectAll();
    // The first refresh waits until the page is shown (see showEvent).
    m_stale = true;
}

void MusicPage::buildHeader(QVBoxLayout* layout)
{
    auto* header = new QHBoxLayout;
    header->addWidget(makeTitle(L("Música", "Music"), "PageTitle"));
    header->addStretch();
    m_search = new QLineEdit;
    m_search->setPlaceholderText(L("Buscar música, artista, álbum…", "Search songs, artists, albums…"));
    m_search->setClearButtonEnabled(true);
    m_search->setFixedWidth(280);
    header->addWidget(m_search);
    m_playAllButton = makeButton(L("Tocar tudo", "Play all"), QStringLiteral("play"), true);
    m_shuffleButton = makeButton(L("Aleatório", "Shuffle"), QStringLiteral("shuffle"));
    m_addButton = makeButton(L("Adicionar pasta", "Add folder"), QStringLiteral("folder-plus"));
    m_rescanButton = makeButton(QString(), QStringLiteral("refresh"));
    m_rescanButton->setToolTip(L("Atualizar biblioteca", "Rescan library"));
    header->addWidget(m_playAllButton);
    header->addWidget(m_shuffleButton);
    header->addWidget(m_addButton);
    header->addWidget(m_rescanButton);
    layout->addLayout(header);
}

void MusicPage::buildTabs(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    m_tabs = new QTabBar;
    m_tabs->addTab(L("Faixas", "Songs"));
    m_tabs->addTab(L("Álbuns", "Albums"));
    m_tabs->addTab(L("Artistas", "Artists"));
    m_tabs->addTab(L("Gêneros", "Genres"));
    m_tabs->addTab(L("Pastas", "Folders"));
    m_tabs->setDrawBase(false);
    m_tabs->setCursor(Qt::PointingHandCursor);
    row->addWidget(m_tabs);
    row->addSpacing(10);
    m_chip = new QPushButton;
    m_chip->setProperty("chip", true);
    m_chip->setIcon(Icons::icon(QStringLiteral("x")));
    m_chip->setLayoutDirection(Qt::RightToLeft);
    m_chip->setCursor(Qt::PointingHandCursor);
    m_chip->hide();
    row->addWidget(m_chip);
    row->addStretch();
    layout->addLayout(row);
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
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(36);
    QHeaderView* header = m_table->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    const int widths[7] = {48, 0, 200, 200, 110, 80, 80};
    for (int c = 0; c < 7; ++c)
        if (widths[c] > 0)
            m_table->setColumnWidth(c, widths[c]);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setWordWrap(false);
}

void MusicPage::buildViews(QVBoxLayout* layout)
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
    const QString title = L("Sua biblioteca de música está vazia", "Your music library is empty");
    const QString text = L("Adicione as pastas com suas músicas. Capas, artistas, álbuns e gêneros são lidos "
                           "automaticamente.",
                           "Add the folders with your music. Covers, artists, albums and genres are read "
                           "automatically.");
    m_pages = new QStackedWidget;
    m_pages->addWidget(m_views);
    m_pages->addWidget(emptyState(QStringLiteral("music"), title, text, m_emptyButton));
    layout->addWidget(m_pages, 1);
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
    connect(m_chip, &QPushButton::clicked, this, [this] { setFilter(QString(), QString()); });
    connect(m_table, &QTableView::activated, this, [this](const QModelIndex& index) {
        m_host->playFiles(visiblePaths(), index.row());
    });
    connect(m_table, &QWidget::customContextMenuRequested, this, &MusicPage::tableMenu);
    connect(m_albums, &CardView::activatedPath, this, [this](const QModelIndex& index) {
        setFilter(QStringLiteral("album"), index.data(KeyRole).toString());
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
}

void MusicPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    bringUpToDate();
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
