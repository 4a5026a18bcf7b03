#pragma once

#include <QWidget>

class Host;

// The music library: songs, artists, albums and genres.
class MusicPage : public QWidget
{
    Q_OBJECT
public:
    explicit MusicPage(Host* host, QWidget* parent = nullptr);

    // Filter the songs to one artist or one album (exact match).
    void showArtist(const QString& artist);
    void showAlbum(const QString& album);

private:
    Host* m_host;
};
