// The music page's data: reading the library, filling the song table and
// the groupings, the exact filter and the paths the table shows.
#include "MusicPage.h"

#include "App.h"
#include "CardView.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "LibraryEmpty.h"
#include "NameOrder.h"
#include "PageRoles.h"
#include "TrackProxy.h"

#include <QBrush>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>

#include <algorithm>
#include <numeric>

namespace {

// One album of the Albums tab, gathered from its songs.
struct Album
{
    QString name;
    QString artist;
    QString key;  // which album of its title (AlbumCredits::key)
    QString firstPath;
    QList<const MediaItem*> songs;
    int year = 0;
    bool credited = false;  // told apart by its artist too (not the no-album card)
};

// The disc a song sits on: one without a disc number belongs with disc 1.
int discOf(const MediaItem& t)
{
    return std::max(t.disc, 1);
}

// An album's songs as they play: disc by disc, in track order, then by path.
QStringList playOrder(QList<const MediaItem*> songs)
{
    std::stable_sort(songs.begin(), songs.end(), [](const MediaItem* a, const MediaItem* b) {
        if (discOf(*a) != discOf(*b))
            return discOf(*a) < discOf(*b);
        if (a->track != b->track)
            return a->track < b->track;
        return a->path < b->path;
    });
    QStringList paths;
    paths.reserve(songs.size());
    for (const MediaItem* t : std::as_const(songs))
        paths.append(t->path);
    return paths;
}

// The albums in the order cards are shown in: by name, then by artist.
QList<const Album*> inCardOrder(const QMap<QString, Album>& albums)
{
    QStringList names, artists;
    QList<const Album*> order;
    for (const Album& album : albums) {
        names.append(album.name.toLower());
        artists.append(album.credited ? album.artist.toLower() : QString());
        order.append(&album);
    }
    const NameOrder collation;
    const QList<int> nameRank = collation.ranks(names);
    const QList<int> artistRank = collation.ranks(artists);
    QList<int> index(order.size());
    std::iota(index.begin(), index.end(), 0);
    std::stable_sort(index.begin(), index.end(), [&](int a, int b) {
        if (nameRank.at(a) != nameRank.at(b))
            return nameRank.at(a) < nameRank.at(b);
        return artistRank.at(a) < artistRank.at(b);
    });
    QList<const Album*> sorted;
    sorted.reserve(order.size());
    for (int i : std::as_const(index))
        sorted.append(order.at(i));
    return sorted;
}

// The cell at (row, column), made when the row is new. Rows of an earlier
// fill are written over rather than freed and made again: a large library
// has hundreds of thousands of cells, and their allocation took most of a
// refresh.
QStandardItem* cellAt(QStandardItemModel* model, int row, int column)
{
    QStandardItem* item = model->item(row, column);
    if (!item) {
        item = new QStandardItem;
        model->setItem(row, column, item);
    }
    return item;
}

void write(QStandardItem* item, const QString& text, const QBrush& colour)
{
    item->setText(text);
    if (colour.style() != Qt::NoBrush)
        item->setData(colour, Qt::ForegroundRole);
}

void writeNumber(QStandardItem* item, const QString& text, const QVariant& number, const QBrush& colour)
{
    write(item, text, colour);
    item->setData(number, SortKeyRole);
}

// The keys of a grouping in the order names are shown in.
QStringList inNameOrder(const QStringList& keys)
{
    const QList<int> rank = NameOrder().ranks(keys);
    QList<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    // Keys that collate alike keep their code-unit order.
    std::stable_sort(order.begin(), order.end(), [&rank](int a, int b) { return rank.at(a) < rank.at(b); });
    QStringList sorted;
    sorted.reserve(keys.size());
    for (int i : std::as_const(order))
        sorted.append(keys.at(i));
    return sorted;
}

}  // namespace

void MusicPage::refresh()
{
    m_stale = false;
    m_tracks = Database::instance()->media(QStringLiteral("audio"));
    m_credits = AlbumCredits(m_tracks);
    fillTracks();
    if (m_tabs->currentIndex() > 0)
        fillGroups();
    if (m_tracks.isEmpty())
        showEmpty();
    m_pages->setCurrentIndex(m_tracks.isEmpty() ? 1 : 0);
}

// An empty library says why it is empty (no folder chosen, a scan that
// could not be stored, a folder not found, folders with no music) rather
// than that nothing was ever added, and leaves no filter over the empty page.
void MusicPage::showEmpty()
{
    if (!m_proxy->filterField.isEmpty())
        setFilter(QString(), QString());
    LibraryEmpty::of(QStringLiteral("audio")).showIn(m_empty);
}

void MusicPage::fillTracks()
{
    // With the proxy attached, every cell written would make it sort again.
    // It stands on an empty model of the same columns meanwhile (so the
    // header keeps its widths and sort indicator) and comes back for one
    // reset, keeping its filter, search and sort.
    m_proxy->setSourceModel(m_detached);
    const int rows = int(m_tracks.size());
    if (m_model->rowCount() > rows)
        m_model->removeRows(rows, m_model->rowCount() - rows);
    m_model->setRowCount(rows);

    const QBrush number(QColor(QStringLiteral("#6b7c93")));
    const QBrush name(QColor(QStringLiteral("#c9d4e3")));
    const QBrush detail(QColor(QStringLiteral("#a8b5c7")));
    for (int i = 0; i < rows; ++i) {
        const MediaItem& t = m_tracks.at(i);
        QStandardItem* track = cellAt(m_model, i, 0);
        writeNumber(track, t.track > 0 ? QString::number(t.track) : QString(), t.track, number);
        track->setData(t.path, PathRole);
        track->setData(discOf(t), DiscRole);
        QStandardItem* title = cellAt(m_model, i, 1);
        write(title, t.displayTitle(), QBrush());
        title->setData(t.path, Qt::ToolTipRole);
        write(cellAt(m_model, i, 2), t.artist, name);
        QStandardItem* album = cellAt(m_model, i, 3);
        write(album, t.album, name);
        album->setData(m_credits.key(i), CreditRole);
        write(cellAt(m_model, i, 4), t.genre, detail);
        writeNumber(cellAt(m_model, i, 5), t.duration > 0 ? App::formatTime(t.duration) : QString(), t.duration,
                    detail);
        writeNumber(cellAt(m_model, i, 6), t.play_count >= 1 ? QString::number(t.play_count) : QString(),
                    t.play_count, detail);
    }
    m_proxy->setSourceModel(m_model);
}

void MusicPage::updatePlays(const QString& path)
{
    // Only that song's Plays cell changes. A page that has not read the
    // library yet finds the new count when it does.
    if (m_stale)
        return;
    for (int i = 0; i < m_tracks.size(); ++i) {
        if (m_tracks.at(i).path != path)
            continue;
        const std::optional<MediaItem> media = Database::instance()->mediaByPath(path);
        if (!media)
            return;
        m_tracks[i].play_count = media->play_count;
        writeNumber(cellAt(m_model, i, 6), media->play_count >= 1 ? QString::number(media->play_count) : QString(),
                    media->play_count, QBrush());
        return;
    }
}

void MusicPage::fillGroups()
{
    const int index = m_tabs->currentIndex();
    if (m_stale && index > 0) {
        refresh();  // which fills the groups of the current tab
        return;
    }
    bringUpToDate();
    if (index == 1)
        fillAlbums();
    else if (index == 2)
        fillGroupList(QStringLiteral("artist"));
    else if (index == 3)
        fillGroupList(QStringLiteral("genre"));
    else
        fillGroupList(QStringLiteral("folder"));
}

void MusicPage::fillAlbums()
{
    // Albums of one title are told apart as AlbumCredits tells them,
    // without regard to case as the titles are; the songs without an album
    // make one card, whoever sings them.
    const QString noAlbum = L("Sem álbum", "No album");
    const QString noAlbumKey = noAlbum.toLower();
    QMap<QString, Album> albums;
    for (qsizetype i = 0; i < m_tracks.size(); ++i) {
        const MediaItem& t = m_tracks.at(i);
        const QString name = t.album.isEmpty() ? noAlbum : t.album;
        const QString title = name.toLower();
        const bool credited = title != noAlbumKey;
        const QString key = m_credits.key(i);
        Album& album = albums[credited ? title + QChar(QChar::Null) + key.toLower() : title];
        album.name = name;
        album.credited = credited;
        album.key = key;
        if (album.artist.isEmpty())
            album.artist = m_credits.credit(i);
        if (album.firstPath.isEmpty())
            album.firstPath = t.path;
        if (t.year != 0)
            album.year = t.year;
        album.songs.append(&t);
    }

    QList<QStandardItem*> items;
    items.reserve(albums.size());
    for (const Album* album : inCardOrder(albums)) {
        auto* item = new QStandardItem(album->name);
        // Loose songs share no cover: the no-album card shows the placeholder.
        item->setData(album->credited ? album->firstPath : QString(), PathRole);
        item->setData(QStringLiteral("audio"), KindRole);
        item->setData(album->credited ? album->name : QString(), KeyRole);
        if (album->credited)
            item->setData(album->key, CreditRole);
        QString subtitle = album->artist.isEmpty()
            ? L("%1 faixas", "%1 songs").arg(album->songs.size())
            : album->artist;
        if (album->year != 0)
            subtitle += QStringLiteral(" · %1").arg(album->year);
        item->setData(subtitle, SubtitleRole);
        item->setData(playOrder(album->songs), PathsRole);
        items.append(item);
    }
    // One insertion for all cards rather than one per card.
    m_albums->model->clear();
    m_albums->model->invisibleRootItem()->appendRows(items);
}

void MusicPage::fillGroupList(const QString& field)
{
    QMap<QString, QStringList> groups;
    for (const MediaItem& t : m_tracks) {
        const QString& key = field == QLatin1String("artist") ? t.artist
            : field == QLatin1String("genre")                 ? t.genre
                                                              : t.folder;
        groups[key].append(t.path);
    }

    m_groups->clear();
    const bool artist = field == QLatin1String("artist");
    const bool genre = field == QLatin1String("genre");
    const QIcon icon = Icons::icon(artist ? QStringLiteral("mic") : genre ? QStringLiteral("music")
                                                                          : QStringLiteral("folder"));
    for (const QString& key : inNameOrder(groups.keys())) {
        const QStringList& paths = groups[key];
        QString label = key;
        if (label.isEmpty() && artist)
            label = L("Artista desconhecido", "Unknown artist");
        else if (label.isEmpty() && genre)
            label = L("Sem gênero", "No genre");
        else if (!artist && !genre)
            label = QDir::toNativeSeparators(label);
        const QString text = QStringLiteral("%1   ·   %2").arg(label, QString::number(paths.size()));
        auto* item = new QListWidgetItem(icon, text);
        item->setData(KindRole, field);
        item->setData(KeyRole, key);
        item->setData(PathsRole, paths);
        item->setData(Qt::SizeHintRole, QSize(0, 40));
        m_groups->addItem(item);
    }
}

void MusicPage::setFilter(const QString& field, const QString& value)
{
    setFilter(field, value, std::nullopt);
}

void MusicPage::setFilter(const QString& field, const QString& value, const std::optional<QString>& credit)
{
    m_proxy->filterField = field;
    m_proxy->filterCredit = credit ? std::optional<QString>(credit->toLower()) : std::nullopt;
    m_proxy->filterValue = value;
    m_proxy->refilter();
    if (field.isEmpty()) {
        m_chip->hide();
    } else {
        const QString label = field == QLatin1String("artist") ? L("Artista", "Artist")
            : field == QLatin1String("album")                  ? L("Álbum", "Album")
            : field == QLatin1String("genre")                  ? L("Gênero", "Genre")
                                                               : L("Pasta", "Folder");
        const QString shown = value.isEmpty()                ? L("(vazio)", "(empty)")
            : field == QLatin1String("folder") ? QFileInfo(value).fileName()
                                                             : value;
        m_chipLabel = label;
        m_chipValue = shown;
        m_chip->show();
        fitTabRow();
    }
    // Track numbers mean something only within an album: an artist's, a
    // genre's or a folder's songs sorted by # would play every album's
    // track 1, then every track 2. The artist order runs album by album.
    if (field == QLatin1String("album"))
        m_table->sortByColumn(0, Qt::AscendingOrder);
    else if (!field.isEmpty() && m_table->horizontalHeader()->sortIndicatorSection() == 0)
        m_table->sortByColumn(2, Qt::AscendingOrder);
}

void MusicPage::showArtist(const QString& artist)
{
    setFilter(QStringLiteral("artist"), artist);
    m_tabs->setCurrentIndex(0);
}

void MusicPage::showAlbum(const QString& album, const QString& ofPath)
{
    // The song's own album, not every album of that title.
    bringUpToDate();
    std::optional<QString> credit;
    for (qsizetype i = 0; !ofPath.isEmpty() && i < m_tracks.size(); ++i) {
        if (m_tracks.at(i).path == ofPath) {
            credit = m_credits.key(i);
            break;
        }
    }
    setFilter(QStringLiteral("album"), album, credit);
    m_tabs->setCurrentIndex(0);
}

QStringList MusicPage::visiblePaths() const
{
    bringUpToDate();
    QStringList paths;
    const int rows = m_proxy->rowCount();
    paths.reserve(rows);
    for (int r = 0; r < rows; ++r)
        paths.append(m_proxy->index(r, 0).data(PathRole).toString());
    return paths;
}

QStringList MusicPage::selectedPaths() const
{
    bringUpToDate();
    QStringList paths;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows(0))
        paths.append(index.data(PathRole).toString());
    return paths;
}
