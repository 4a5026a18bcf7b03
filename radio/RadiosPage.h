#pragma once

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "Station.h"

class CardView;
class Host;
class LogoDecoder;
class QBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QNetworkAccessManager;
class QNetworkReply;
class QPoint;
class QPushButton;
class QStandardItem;

// Internet radio and TV: the public radio directory, the user's own stations,
// links added by hand and imported IPTV lists.
//
// Row i of the station list always shows stations[i]. Directory answers are
// kept apart from what is shown: only the latest search writes them, and the
// discover section shows them again, with its own status line, whenever it
// is selected.
class RadiosPage : public QWidget
{
    Q_OBJECT
public:
    explicit RadiosPage(Host* host, QWidget* parent = nullptr);

    // Rebuilds the sections (keeping the row number) and shows the current one.
    void refresh();
    void selectSection(int row);
    void showStations(const QList<Station>& list);
    void playIndex(const QModelIndex& index);
    // Reads an IPTV list into the group named after the file; true when at
    // least one channel was stored.
    bool importIptv(const QString& path);

    void search();
    void loadLogo(QStandardItem* item, const QString& url);
    // The stations of a directory answer worth showing, in its order.
    static QList<Station> parseStations(const QByteArray& body);
    // "1 canal", "5 canais".
    static QString channelCount(int count);

    // Bounds of untrusted input.
    // A search asks for this many stations and keeps no more.
    static constexpr int kMaxStations = 120;
    static constexpr qint64 kMaxSearchAnswer = 16 * 1024 * 1024;
    static constexpr qint64 kMaxLogoBytes = 2 * 1024 * 1024;
    // An import runs on the GUI thread in one go: these keep it well under
    // a second.
    static constexpr qint64 kMaxIptvFile = 16 * 1024 * 1024;
    static constexpr int kMaxIptvChannels = 40000;
    static constexpr int kMaxIptvLine = 64 * 1024;
    static constexpr int kMaxLogoFetches = 8;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void fitShortPage();

private:
    static constexpr int kSidebarWidth = 250;
    static constexpr int kShortPage = 360;
    static constexpr int kNarrowMain = 420;

    QWidget* buildSidebar();
    QWidget* buildMain();
    void connectAll();
    QString currentKey() const;
    void showMine();
    void showGroup(const QString& group);
    void setStatus(const QString& text);
    void setDiscoverStatus(const QString& text);

    void openStationMenu(const QModelIndex& index, const QPoint& globalPos);
    void playStation(const Station& station, int row);
    void saveFromDirectory(Station station);
    void renameStation(Station station);
    void openSectionMenu(const QPoint& pos);
    void addByLink();
    void importDialog();

    void searchFinished(QNetworkReply* reply, int serial, const QByteArray& body);
    void searchFailed();
    void pumpLogos();
    void startLogo(const QString& url);
    void logoDone(const QString& url, const QByteArray& data, bool ok);
    void logoDecoded(const QString& url, const QImage& image);
    void dropQueuedLogos();

    Host* m_host;
    QWidget* m_side = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_import = nullptr;
    QListWidget* m_sections = nullptr;
    CardView* m_view = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QBoxLayout* m_mainColumn = nullptr;
    QBoxLayout* m_searchRow = nullptr;
    QComboBox* m_countryBox = nullptr;
    QWidget* m_searchBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    QNetworkAccessManager* m_net = nullptr;
    QHash<QString, QPixmap> m_logoCache;
    QList<Station> m_stations;
    int m_serverIndex = 0;

    // Directory: the latest search and what it last gave.
    int m_searchSerial = 0;
    QList<Station> m_found;
    QString m_discoverStatus;

    // Logos: URLs waiting in row order, the rows of the current list each
    // URL will fill (emptied whenever the rows are rebuilt), and the URLs
    // being fetched or decoded (at most kMaxLogoFetches).
    QStringList m_logoQueue;
    QHash<QString, QList<int>> m_logoRows;
    QSet<QString> m_logoFetching;
    LogoDecoder* m_logoDecoder = nullptr;
};
