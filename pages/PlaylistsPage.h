#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class ElidedLabel;
class Host;
class QBoxLayout;
class QListWidget;
class QPushButton;
class ReorderTable;
struct MediaItem;

// The user's playlists and three smart lists (favourites, most played,
// recently added), with the items of the chosen list in a table that can be
// reordered; M3U import and export.
class PlaylistsPage : public QWidget
{
    Q_OBJECT
public:
    explicit PlaylistsPage(Host* host, QWidget* parent = nullptr);

    // Rebuilds the list of lists, keeping the selected one.
    void refresh();
    // Makes the list in that row the current one and reloads the table.
    void selectList(int row);
    // Fills the table with the current list's items and the count label.
    void loadItems();
    // Stores the table's order as the current playlist's contents.
    void saveOrder();
    // The path of every row, top to bottom.
    QStringList currentPaths() const;

    // The record a row shows for a path without a library row: tags only from
    // a local regular file, else a record made from the path alone.
    static MediaItem recordFor(const QString& path);
    // The file name proposed when a list is exported.
    static QString exportFileName(const QString& listName);

    // Reads an M3U, M3U8 or PLS file into its name and entries; false, with
    // nothing changed, when the file cannot be read.
    static bool importM3U(const QString& path, QString* name, QList<QString>* paths);
    // Writes the paths as an extended M3U file; false when it cannot be
    // written, and then the old file is left as it was.
    static bool exportM3U(const QString& path, const QList<QString>& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int kSidebarWidth = 270;
    static constexpr int kHintWidth = 360;
    static constexpr int kHintHeight = 360;

    QWidget* buildSidebar();
    QWidget* buildContent();
    void addSmartRows();
    void addHeaderRow();
    void selectPlaylistId(qint64 id);
    QStringList listPaths() const;
    void setRow(int row, const QString& path, double* total);
    void removeSelectedRows();
    void showRowMenu(const QPoint& pos);
    void newPlaylist();
    void importPlaylist();
    void shuffle();
    void renamePlaylist();
    void exportPlaylist();
    void deletePlaylist();
    void fitSidebar();
    void fitHeader();
    void fitColumns();
    int headerWidth(int column) const;

    Host* m_host;
    QListWidget* m_lists = nullptr;
    ReorderTable* m_table = nullptr;
    QWidget* m_side = nullptr;
    QPushButton* m_create = nullptr;
    QPushButton* m_import = nullptr;
    QWidget* m_hint = nullptr;
    QBoxLayout* m_content = nullptr;
    QBoxLayout* m_header = nullptr;
    ElidedLabel* m_title = nullptr;
    ElidedLabel* m_count = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_shuffle = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_export = nullptr;
    qint64 m_playlistId = 0;
    QString m_smartKey;
};
