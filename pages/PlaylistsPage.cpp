#include "PlaylistsPage.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator64>
#include <QResizeEvent>
#include <QTextDocument>
#include <QVBoxLayout>

#include "CardDelegate.h"
#include "Database.h"
#include "ElidedLabel.h"
#include "FitRowsDelegate.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "PlayerCore.h"
#include "PlaylistFile.h"
#include "ReorderTable.h"
#include "Theme.h"
#include "Widgets.h"

namespace {
constexpr int kSmartKeyRole = Qt::UserRole + 2;
constexpr int kIdRole = Qt::UserRole + 9;
constexpr int kNameRole = Qt::UserRole + 10;
const QColor kDim(0x6b, 0x7c, 0x93);

// 4:05, 1:02:03; empty for an unknown duration.
QString tableTime(double seconds)
{
    if (seconds <= 0)
        return QString();
    const qint64 s = qint64(seconds);
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QStringList pathsOf(const QList<MediaItem>& items)
{
    QStringList out;
    for (const MediaItem& m : items)
        out << m.path;
    return out;
}

QString saveFailed() { return L("Falha ao salvar", "Save failed"); }

// "1 item", "3 itens".
QString itemCount(int n)
{
    return n == 1 ? L("1 item", "1 item") : L("%1 itens", "%1 items").arg(n);
}

// Room the title keeps beside the header's buttons before they give way,
// and what a button's text adds to it besides the text itself.
constexpr int kTitleRoom = 160;
constexpr int kTextGap = 8;
constexpr int kHeaderPadding = 28;
// The least width an Artist or Album column is shown at.
constexpr int kNameMin = 90;
// Side margins of the list's area, and where they narrow.
constexpr int kMargin = 32;
constexpr int kNarrowMargin = 16;
constexpr int kNarrowPage = 700;
constexpr int kShortPage = 360;
}  // namespace

PlaylistsPage::PlaylistsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(buildSidebar(), 0);
    root->addWidget(buildContent(), 1);

    m_table->onReordered = [this] { saveOrder(); };
    m_table->onDelete = [this] { removeSelectedRows(); };
    connect(m_lists, &QListWidget::currentRowChanged, this, &PlaylistsPage::selectList);
    connect(m_table, &QTableWidget::cellActivated, this,
            [this](int row, int) { m_host->playFiles(currentPaths(), row); });
    connect(m_table, &QWidget::customContextMenuRequested, this, &PlaylistsPage::showRowMenu);
    connect(Database::instance(), &Database::playlistsChanged, this, &PlaylistsPage::refresh);
    connect(Database::instance(), &Database::favoritesChanged, this, [this] {
        if (m_smartKey == QLatin1String("auto:fav"))
            loadItems();
    });
    refresh();
}

QWidget* PlaylistsPage::buildSidebar()
{
    auto* side = new QWidget;
    side->setFixedWidth(kSidebarWidth);
    m_side = side;
    side->setObjectName(QStringLiteral("SubSidebar"));
    side->setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(16, 26, 16, 16);
    layout->setSpacing(10);
    auto* title = new ElidedLabel(QStringLiteral("Playlists"));
    title->setObjectName(QStringLiteral("PageTitle"));
    layout->addWidget(title);
    QPushButton* create = makeButton(L("Nova playlist", "New playlist"), QStringLiteral("plus"), true);
    QPushButton* import = makeButton(L("Importar M3U", "Import M3U"), QStringLiteral("upload"));
    m_create = create;
    m_import = import;
    layout->addWidget(create);
    layout->addWidget(import);
    m_lists = new QListWidget(side);
    m_lists->setIconSize(QSize(18, 18));
    m_lists->setItemDelegate(new FitRowsDelegate(m_lists));
    m_lists->setTextElideMode(Qt::ElideRight);
    m_lists->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lists->setStyleSheet(QStringLiteral(
        "QListWidget { border: none; background: transparent; } QListWidget::item { padding: 9px 8px; "
        "border-radius: 8px; }QListWidget::item:selected { background: #183049; }"));
    layout->addWidget(m_lists, 1);
    connect(create, &QPushButton::clicked, this, &PlaylistsPage::newPlaylist);
    connect(import, &QPushButton::clicked, this, &PlaylistsPage::importPlaylist);
    return side;
}

QWidget* PlaylistsPage::buildContent()
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kMargin, 26, kMargin, 10);
    m_content = layout;
    layout->setSpacing(12);

    m_header = new QBoxLayout(QBoxLayout::LeftToRight);
    auto* titles = new QVBoxLayout;
    m_title = new ElidedLabel(QString(), content);
    m_title->setObjectName(QStringLiteral("PageTitle"));
    m_count = new ElidedLabel(QString(), content);
    m_count->setObjectName(QStringLiteral("Muted"));
    titles->addWidget(m_title);
    titles->addWidget(m_count);
    m_header->addLayout(titles, 1);
    m_play = makeButton(L("Tocar", "Play"), QStringLiteral("play"), true);
    m_shuffle = makeButton(L("Aleatório", "Shuffle"), QStringLiteral("shuffle"));
    QPushButton* play = m_play;
    QPushButton* shuffle = m_shuffle;
    m_rename = makeButton(QString(), QStringLiteral("edit"));
    m_rename->setToolTip(L("Renomear", "Rename"));
    m_export = makeButton(QString(), QStringLiteral("download"));
    m_export->setToolTip(L("Exportar como M3U", "Export as M3U"));
    m_delete = makeButton(QString(), QStringLiteral("trash"));
    m_delete->setToolTip(L("Excluir playlist", "Delete playlist"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {play, shuffle, m_rename, m_export, m_delete})
        buttons->addWidget(b);
    buttons->addStretch();
    m_header->addLayout(buttons, 0);
    layout->addLayout(m_header, 0);

    m_table = new ReorderTable(0, 4, content);
    m_table->setHorizontalHeaderLabels(
        {L("Título", "Title"), L("Artista", "Artist"), L("Álbum", "Album"), L("Duração", "Time")});
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->setColumnWidth(1, 200);
    m_table->setColumnWidth(2, 200);
    m_table->setColumnWidth(3, 80);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->viewport()->installEventFilter(this);
    // On a short page the table gives way before the header does.
    m_table->setMinimumHeight(1);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(36);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);   // Tab leaves the table; arrows move in it
    m_table->setDragDropMode(QAbstractItemView::InternalMove);
    m_table->setDragEnabled(true);
    m_table->setAcceptDrops(true);
    m_table->setDropIndicatorShown(true);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setWordWrap(false);
    layout->addWidget(m_table, 1);

    auto* hint = new QLabel(L("Dica: arraste as faixas para mudar a ordem; Delete remove da playlist. Adicione "
                              "músicas pelo botão direito em qualquer lista.",
                              "Tip: drag songs to reorder; Delete removes them. Add songs with right-click "
                              "anywhere."),
                            content);
    hint->setObjectName(QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint, 0);
    m_hint = hint;

    connect(play, &QPushButton::clicked, this, [this] {
        m_host->core()->setShuffle(false);
        m_host->playFiles(currentPaths(), 0);
    });
    connect(shuffle, &QPushButton::clicked, this, &PlaylistsPage::shuffle);
    connect(m_rename, &QPushButton::clicked, this, &PlaylistsPage::renamePlaylist);
    connect(m_export, &QPushButton::clicked, this, &PlaylistsPage::exportPlaylist);
    connect(m_delete, &QPushButton::clicked, this, &PlaylistsPage::deletePlaylist);
    return content;
}

void PlaylistsPage::addSmartRows()
{
    const struct
    {
        QString text;
        const char* icon;
        const char* key;
    } smart[] = {{L("Favoritos", "Favorites"), "heart-filled", "auto:fav"},
                 {L("Mais tocadas", "Most played"), "sparkles", "auto:top"},
                 {L("Adicionadas recentemente", "Recently added"), "clock", "auto:new"}};
    for (const auto& s : smart) {
        auto* item = new QListWidgetItem(Icons::icon(QLatin1String(s.icon), Theme::cyan, Theme::cyan), s.text);
        item->setData(kSmartKeyRole, QLatin1String(s.key));
        m_lists->addItem(item);
    }
}

void PlaylistsPage::addHeaderRow()
{
    auto* header = new QListWidgetItem(L("MINHAS PLAYLISTS", "MY PLAYLISTS"));
    header->setFlags(Qt::NoItemFlags);
    header->setForeground(QBrush(kDim));
    QFont font = header->font();
    font.setPointSizeF(8.0);
    font.setWeight(QFont::Bold);
    header->setFont(font);
    m_lists->addItem(header);
}

void PlaylistsPage::refresh()
{
    const QString key = m_playlistId != 0 ? QString::number(m_playlistId) : m_smartKey;
    const bool wasBlocked = m_lists->blockSignals(true);
    m_lists->clear();
    addSmartRows();
    addHeaderRow();
    int select = 0;
    for (const Playlist& list : Database::instance()->playlists()) {
        auto* item = new QListWidgetItem(Icons::icon(QStringLiteral("playlist")),
                                         QStringLiteral("%1  (%2)").arg(list.name).arg(list.count));
        item->setToolTip(item->text());
        item->setData(kIdRole, qlonglong(list.id));
        item->setData(kNameRole, list.name);
        m_lists->addItem(item);
        if (QString::number(list.id) == key)
            select = m_lists->count() - 1;
    }
    for (int r = 0; r < 3; ++r)
        if (m_lists->item(r)->data(kSmartKeyRole).toString() == key)
            select = r;
    m_lists->setCurrentRow(select);
    m_lists->blockSignals(wasBlocked);
    selectList(select);
}

void PlaylistsPage::selectList(int row)
{
    QListWidgetItem* item = m_lists->item(row);
    if (!item)
        return;
    m_playlistId = item->data(kIdRole).toLongLong();
    m_smartKey = item->data(kSmartKeyRole).toString();
    m_title->setFullText(m_playlistId > 0 ? item->data(kNameRole).toString() : item->text());
    const bool own = m_playlistId > 0;
    m_rename->setVisible(own);
    m_delete->setVisible(own);
    fitHeader();
    m_table->setDragEnabled(own);
    loadItems();
}

QStringList PlaylistsPage::listPaths() const
{
    Database* db = Database::instance();
    if (m_playlistId != 0)
        return db->playlistItems(m_playlistId);
    if (m_smartKey == QLatin1String("auto:fav"))
        return pathsOf(db->favorites());
    if (m_smartKey == QLatin1String("auto:top"))
        return pathsOf(db->mostPlayed(100));
    return pathsOf(db->recentlyAdded(200));
}

MediaItem PlaylistsPage::recordFor(const QString& path)
{
    if (!path.contains(QStringLiteral("://")) && QFileInfo(path).isFile())
        return Library::readTags(path);
    MediaItem item;
    item.path = path;
    return item;
}

void PlaylistsPage::setRow(int row, const QString& path, double* total)
{
    const std::optional<MediaItem> stored = Database::instance()->mediaByPath(path);
    MediaItem media = stored ? *stored : recordFor(path);
    const bool url = path.contains(QStringLiteral("://"));
    if (url)
        media.title = path;
    auto* title = new QTableWidgetItem(media.displayTitle());
    title->setData(PathRole, path);
    title->setToolTip(Qt::convertFromPlainText(path));   // a tooltip takes markup for rich text
    if (!url && !QFileInfo::exists(path))
        title->setForeground(QBrush(kDim));
    m_table->setItem(row, 0, title);
    m_table->setItem(row, 1, new QTableWidgetItem(media.artist));
    m_table->setItem(row, 2, new QTableWidgetItem(media.album));
    m_table->setItem(row, 3, new QTableWidgetItem(tableTime(media.duration)));
    if (media.duration > 0)
        *total += media.duration;
}

void PlaylistsPage::loadItems()
{
    const QStringList paths = listPaths();
    m_table->setRowCount(0);
    m_table->setRowCount(int(paths.size()));
    double total = 0;
    for (int r = 0; r < paths.size(); ++r)
        setRow(r, paths[r], &total);
    const QString time = total > 0 ? tableTime(total) : QStringLiteral("0:00");
    m_count->setFullText(QStringLiteral("%1 · %2").arg(itemCount(m_table->rowCount()), time));
}

QStringList PlaylistsPage::currentPaths() const
{
    QStringList out;
    for (int r = 0; r < m_table->rowCount(); ++r)
        if (const QTableWidgetItem* item = m_table->item(r, 0))
            out << item->data(PathRole).toString();
    return out;
}

// The table already shows the new order: nobody needs to rebuild from the
// database's signal. An order that could not be stored is taken back.
void PlaylistsPage::saveOrder()
{
    if (m_playlistId == 0)
        return;
    Database* db = Database::instance();
    const bool wasBlocked = db->blockSignals(true);
    const bool stored = db->setPlaylistItems(m_playlistId, currentPaths());
    db->blockSignals(wasBlocked);
    if (!stored) {
        m_host->toast(saveFailed());
        loadItems();
        return;
    }
    m_count->setFullText(itemCount(m_table->rowCount()));
    if (QListWidgetItem* item = m_lists->currentItem()) {
        item->setText(QStringLiteral("%1  (%2)").arg(m_title->fullText()).arg(m_table->rowCount()));
        item->setToolTip(item->text());
    }
}

void PlaylistsPage::removeSelectedRows()
{
    if (m_playlistId == 0)
        return;
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_table->removeRow(row);
    saveOrder();
}

void PlaylistsPage::showRowMenu(const QPoint& pos)
{
    QList<QString> paths;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        paths << index.data(PathRole).toString();
    if (paths.isEmpty())
        return;
    QMenu* menu = nullptr;
    if (m_playlistId != 0) {
        menu = new QMenu(this);
        menu->addAction(Icons::icon(QStringLiteral("trash")), L("Remover desta playlist", "Remove from this playlist"),
                        this, [this] { m_table->onDelete(); });
    }
    m_host->showMediaMenu(paths, m_table->viewport()->mapToGlobal(pos), menu);
}

void PlaylistsPage::selectPlaylistId(qint64 id)
{
    for (int r = 0; r < m_lists->count(); ++r)
        if (m_lists->item(r)->data(kIdRole).toLongLong() == id)
            m_lists->setCurrentRow(r);
}

void PlaylistsPage::newPlaylist()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, L("Nova playlist", "New playlist"), L("Nome:", "Name:"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    const qint64 id = Database::instance()->createPlaylist(name);
    if (id <= 0) {
        m_host->toast(saveFailed());
        return;
    }
    refresh();
    selectPlaylistId(id);
}

void PlaylistsPage::importPlaylist()
{
    const QString file = QFileDialog::getOpenFileName(this, L("Importar playlist", "Import playlist"), QString(),
                                                      QStringLiteral("Playlists (*.m3u *.m3u8 *.pls)"));
    if (file.isEmpty())
        return;
    QString name;
    QList<QString> paths;
    if (!importM3U(file, &name, &paths) || paths.isEmpty()) {
        m_host->toast(L("Não foi possível ler a playlist", "Could not read the playlist"));
        return;
    }
    // A file called ".m3u" or an empty "#PLAYLIST:" line gives no name.
    if (name.trimmed().isEmpty())
        name = QFileInfo(file).completeBaseName();
    if (name.trimmed().isEmpty())
        name = QFileInfo(file).fileName();
    // The list and its items are stored together: a failure leaves no empty list.
    if (Database::instance()->createPlaylist(name, paths) <= 0) {
        m_host->toast(saveFailed());
        return;
    }
    m_host->toast(L("Playlist \"%1\" importada (%2)", "Playlist \"%1\" imported (%2)")
                      .arg(name, itemCount(int(paths.size()))));
}

void PlaylistsPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitSidebar();
    const int side = width() < kNarrowPage ? kNarrowMargin : kMargin;
    m_content->setContentsMargins(side, height() < kShortPage ? kNarrowMargin : 26, side, 10);
    // The tip is dropped where it would take most of a small page.
    m_hint->setVisible(width() - m_side->width() >= kHintWidth && height() >= kHintHeight);
    fitHeader();
}

// The column keeps its width while it takes at most two fifths of the page;
// then it narrows, and a narrow column keeps the buttons' icons only (the
// tool tip has the text).
void PlaylistsPage::fitSidebar()
{
    m_side->setFixedWidth(qMin(kSidebarWidth, width() * 2 / 5));
    // A short page keeps its list in view by giving up the column's spacing.
    const bool shortPage = height() < kHintHeight;
    m_side->layout()->setContentsMargins(16, shortPage ? 8 : 26, 16, shortPage ? 8 : 16);
    m_side->layout()->setSpacing(shortPage ? 4 : 10);
    const bool roomy = m_side->width() >= kSidebarWidth * 3 / 4;
    const QString texts[] = {L("Nova playlist", "New playlist"), L("Importar M3U", "Import M3U")};
    QPushButton* buttons[] = {m_create, m_import};
    for (int i = 0; i < 2; ++i)
        showButtonText(buttons[i], texts[i], roomy);
}

bool PlaylistsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
}

// Play and Shuffle show their texts while the title keeps its room beside
// the buttons; then they show their icons only (the tool tip keeps the
// text), and when even that is too wide the buttons go below the title.
void PlaylistsPage::fitHeader()
{
    const QString texts[] = {L("Tocar", "Play"), L("Aleatório", "Shuffle")};
    QPushButton* named[] = {m_play, m_shuffle};
    int compact = 0;
    for (QPushButton* b : {m_play, m_shuffle, m_rename, m_export, m_delete})
        if (!b->isHidden())
            compact += b->sizeHint().width() - b->fontMetrics().horizontalAdvance(b->text()) + m_header->spacing();
    int full = compact;
    for (int i = 0; i < 2; ++i)
        full += named[i]->fontMetrics().horizontalAdvance(texts[i]) + kTextGap;
    // The content's own layout may not have its new size yet: measure from the page.
    const int room = width() - m_side->width() - 2 * m_content->contentsMargins().left() - kTitleRoom;
    const bool withText = room >= full;
    for (int i = 0; i < 2; ++i) {
        named[i]->setText(withText ? texts[i] : QString());
        named[i]->setToolTip(withText ? QString() : texts[i]);
    }
    m_header->setDirection(room >= compact ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
}

// Artist and Album keep 200 px and Time 80 px while the title column keeps
// at least a third of the table; below that they narrow together, down to
// their column titles.
// Title keeps at least half the table. Artist and Album share the rest up
// to their usual width; when each would get less than a readable width,
// Album steps aside, then Artist.
void PlaylistsPage::fitColumns()
{
    const int room = m_table->viewport()->width();
    const int time = qMin(80, qMax(headerWidth(3), room / 4));
    const int least = qMax(kNameMin, qMax(headerWidth(1), headerWidth(2)));
    int names = 2;
    int side = 0;
    for (; names > 0; --names) {
        side = qMin(200, (room - room / 2 - time) / names);
        if (side >= least)
            break;
    }
    m_table->setColumnHidden(1, names < 1);
    m_table->setColumnHidden(2, names < 2);
    m_table->setColumnWidth(1, side);
    m_table->setColumnWidth(2, side);
    m_table->setColumnWidth(3, time);
}

int PlaylistsPage::headerWidth(int column) const
{
    const QTableWidgetItem* item = m_table->horizontalHeaderItem(column);
    return item ? m_table->horizontalHeader()->fontMetrics().horizontalAdvance(item->text()) + kHeaderPadding : 0;
}

void PlaylistsPage::shuffle()
{
    m_host->core()->setShuffle(true);
    const QStringList paths = currentPaths();
    const int start = paths.isEmpty() ? 0 : int(QRandomGenerator64::global()->bounded(qint64(paths.size())));
    m_host->playFiles(paths, start);
}

void PlaylistsPage::renamePlaylist()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, L("Renomear playlist", "Rename playlist"), L("Nome:", "Name:"),
                                               QLineEdit::Normal, m_title->fullText(), &ok)
                             .trimmed();
    if (ok && !name.isEmpty() && !Database::instance()->renamePlaylist(m_playlistId, name))
        m_host->toast(saveFailed());
}

QString PlaylistsPage::exportFileName(const QString& listName)
{
    QString name = listName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name + QStringLiteral(".m3u8");
}

namespace {

const QString kM3uFilter = QStringLiteral("M3U (*.m3u8 *.m3u)");
const QString kPlsFilter = QStringLiteral("PLS (*.pls)");

// The name chosen under the PLS filter ends in ".pls", which is what makes
// the file PLS; one ending in an M3U suffix (the proposed name) trades it.
QString withFilterSuffix(const QString& file, const QString& filter)
{
    const QFileInfo info(file);
    const QString suffix = info.suffix().toLower();
    if (filter != kPlsFilter || suffix == QLatin1String("pls"))
        return file;
    if (suffix == QLatin1String("m3u") || suffix == QLatin1String("m3u8"))
        return file.chopped(info.suffix().size()) + QStringLiteral("pls");
    return file + QStringLiteral(".pls");
}

}  // namespace

void PlaylistsPage::exportPlaylist()
{
    QString filter = kM3uFilter;
    const QString file = QFileDialog::getSaveFileName(this, L("Exportar playlist", "Export playlist"),
                                                      exportFileName(m_title->fullText()),
                                                      kM3uFilter + QStringLiteral(";;") + kPlsFilter, &filter);
    if (file.isEmpty())
        return;
    const bool saved = exportM3U(withFilterSuffix(file, filter), currentPaths());
    m_host->toast(saved ? L("Playlist exportada", "Playlist exported") : saveFailed());
}

void PlaylistsPage::deletePlaylist()
{
    // The name can come from an imported file: shown as typed, never as markup.
    QMessageBox box(QMessageBox::Question, L("Excluir playlist", "Delete playlist"),
                    L("Excluir a playlist \"%1\"? As músicas continuam no computador.",
                      "Delete playlist \"%1\"? The songs stay on your computer.")
                        .arg(m_title->fullText()),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    if (box.exec() == QMessageBox::Yes && !Database::instance()->deletePlaylist(m_playlistId))
        m_host->toast(saveFailed());
}

bool PlaylistsPage::importM3U(const QString& path, QString* name, QList<QString>* paths)
{
    return PlaylistFile::read(path, name, paths);
}

bool PlaylistsPage::exportM3U(const QString& path, const QList<QString>& paths)
{
    return PlaylistFile::write(path, paths);
}
