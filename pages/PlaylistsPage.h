#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class Host;

// The user's playlists and favourites, with M3U import and export.
class PlaylistsPage : public QWidget
{
    Q_OBJECT
public:
    explicit PlaylistsPage(Host* host, QWidget* parent = nullptr);

    // Reads an M3U, M3U8 or PLS file into its name and entries; false, with
    // nothing changed, when the file cannot be read.
    static bool importM3U(const QString& path, QString* name, QList<QString>* paths);
    // Writes the paths as an extended M3U file; false when it cannot be
    // written, and then the old file is left as it was.
    static bool exportM3U(const QString& path, const QList<QString>& paths);

private:
    Host* m_host;
};
