#pragma once

#include "HistoryItem.h"
#include "MediaItem.h"
#include "NameOrder.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <optional>

class CardView;
class Host;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTimer;
class QVBoxLayout;

// The library's videos as a grid of cards, with a search, a folder filter
// and a sort order that is kept in the settings.
//
// While the page is hidden, building it and library or history changes only
// mark it out of date; showing it brings it up to date.
class VideosPage : public QWidget
{
    Q_OBJECT
public:
    explicit VideosPage(Host* host, QWidget* parent = nullptr);

    // Reloads the videos and the folder list, then fills the cards.
    void refresh();
    // Filters, sorts and writes the cards.
    void fill();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildHeader(QVBoxLayout* layout);
    void connectAll();
    void makeCardTexts(const QList<MediaItem>& before);
    void fillFolders();
    QList<int> keptRows() const;
    void sortRows(QList<int>& rows) const;
    void chooseFolder();
    void sortChosen();
    void durationKnown(const QString& path);
    void onLibraryChanged();
    void onHistoryChanged();
    void explainEmpty();

    Host* m_host;
    CardView* m_view = nullptr;
    QLineEdit* m_search = nullptr;
    QComboBox* m_sort = nullptr;
    QComboBox* m_folder = nullptr;
    QStackedWidget* m_stack = nullptr;
    QWidget* m_empty = nullptr;  // the empty state
    QPushButton* m_addButton = nullptr;
    QPushButton* m_emptyButton = nullptr;
    QPushButton* m_rescanButton = nullptr;
    QTimer* m_resort = nullptr;  // fills again after late lengths, when sorted by length
    QList<MediaItem> m_videos;
    QStringList m_folderPaths;        // the folder box's folders, in its order
    QStringList m_titles;             // per video: its card's title
    QStringList m_subtitles;          // and second line
    QStringList m_badges;             // and length
    QList<int> m_nameRank;            // and its title's place in the name order
    NameOrder m_nameOrder;            // keeps the titles' keys from one refresh to the next
    std::optional<QHash<QString, HistoryItem>> m_history;  // by path; read when first needed
    QList<int> m_shown;               // per card: its video's place in m_videos
    QHash<QString, int> m_rowOfPath;  // card row of each shown path
    bool m_stale = true;
};
