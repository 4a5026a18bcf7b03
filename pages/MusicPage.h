#pragma once

#include "AlbumCredits.h"
#include "MediaItem.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <optional>

class CardView;
class Host;
class PageBody;
class QComboBox;
class QListWidget;
class QLineEdit;
class QPoint;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QTabBar;
class QTableView;
class QVBoxLayout;
class TrackProxy;

// The music library: a sortable song table and the songs grouped by album,
// artist, genre and folder. Activating a group narrows the table to it,
// shown as a removable chip; a search narrows it further.
//
// While the page is hidden, building it and library changes only mark it
// out of date; showing it, or reading its table, brings it up to date.
class MusicPage : public QWidget
{
    Q_OBJECT
public:
    explicit MusicPage(Host* host, QWidget* parent = nullptr);

    // Reloads the songs and refills the table and, on a group tab, the groups.
    void refresh();
    void fillTracks();
    void fillGroups();
    // Narrows the table to the songs whose field ("artist", "album", "genre"
    // or "folder") equals value exactly; an empty field clears it.
    void setFilter(const QString& field, const QString& value);
    void showArtist(const QString& artist);
    // The album of that title; when ofPath is a song of the library, only
    // the album that song belongs to (one title may be several artists').
    void showAlbum(const QString& album, const QString& ofPath = QString());

    // The paths of the table's rows as shown: filtered, searched and sorted.
    QStringList visiblePaths() const;
    QStringList selectedPaths() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader(QVBoxLayout* layout);
    void buildTabs(QVBoxLayout* layout);
    void fitTabRow();
    void fitChip(int width, int lead);
    void buildTable();
    void fitColumns();
    void buildViews();
    void connectAll();
    void bringUpToDate() const;
    void onLibraryChanged();
    void explainEmpty();
    void updatePlays(const QString& path);
    // With "album", credit narrows it to the album of that artist.
    void setFilter(const QString& field, const QString& value, const std::optional<QString>& credit);
    void showEmpty();
    void fillAlbums();
    void fillGroupList(const QString& field);
    void chooseFolder();
    void playAll();
    void shuffle();
    void search(const QString& text);
    void tabChanged(int index);
    void tableMenu(const QPoint& pos);
    void groupMenu(const QPoint& pos);

    Host* m_host;
    PageBody* m_body = nullptr;
    QWidget* m_tabRow = nullptr;
    QTabBar* m_tabs = nullptr;
    QComboBox* m_tabPicker = nullptr;
    QStackedWidget* m_views = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_empty = nullptr;  // the empty state
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
    QStandardItemModel* m_detached = nullptr;  // stands in for m_model while it is refilled
    TrackProxy* m_proxy = nullptr;
    CardView* m_albums = nullptr;
    QListWidget* m_groups = nullptr;
    QLineEdit* m_search = nullptr;
    QPushButton* m_chip = nullptr;
    QString m_chipLabel;  // what the chip filters on ("Artista", ...)
    QString m_chipValue;  // and the value, before it is cut to the room
    QPushButton* m_addButton = nullptr;
    QPushButton* m_emptyButton = nullptr;
    QPushButton* m_rescanButton = nullptr;
    QPushButton* m_playAllButton = nullptr;
    QPushButton* m_shuffleButton = nullptr;
    QList<MediaItem> m_tracks;
    AlbumCredits m_credits;  // the album of each of m_tracks
    bool m_stale = true;
};
