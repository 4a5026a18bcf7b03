#include "AlbumCredits.h"

#include "Lang.h"

#include <QHash>

namespace {

// The songs of one album title in one folder that carry no album artist.
struct Gathered
{
    QString artist;  // the first artist named
    bool various = false;
};

void add(Gathered& album, const MediaItem& t)
{
    if (t.compilation)
        album.various = true;
    if (t.artist.isEmpty() || album.various)
        return;
    if (album.artist.isEmpty())
        album.artist = t.artist;
    else if (t.artist != album.artist && t.artist.compare(album.artist, Qt::CaseInsensitive) != 0)
        album.various = true;
}

// Finds the gathering of a song's title and folder. A scan stores a
// folder's songs one after another, so most songs belong where the one
// before them went; only the others are looked up.
class Gatherer
{
public:
    explicit Gatherer(qsizetype songs) { m_index.reserve(songs / 8); }

    qsizetype indexOf(const MediaItem& t)
    {
        if (m_last >= 0 && t.album == m_lastAlbum && t.folder == m_lastFolder)
            return m_last;
        const QString where = t.album.toLower() + QChar(QChar::Null) + t.folder;
        auto it = m_index.constFind(where);
        if (it == m_index.cend()) {
            it = m_index.insert(where, albums.size());
            albums.append(Gathered());
        }
        m_last = it.value();
        m_lastAlbum = t.album;
        m_lastFolder = t.folder;
        return m_last;
    }

    QList<Gathered> albums;

private:
    QHash<QString, qsizetype> m_index;
    qsizetype m_last = -1;
    QString m_lastAlbum;
    QString m_lastFolder;
};

}  // namespace

AlbumCredits::AlbumCredits(const QList<MediaItem>& tracks)
{
    Gatherer gatherer(tracks.size());
    QList<qsizetype> albumOf(tracks.size(), -1);
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const MediaItem& t = tracks.at(i);
        if (t.album.isEmpty() || !t.album_artist.isEmpty())
            continue;
        albumOf[i] = gatherer.indexOf(t);
        add(gatherer.albums[albumOf.at(i)], t);
    }

    const QString various = L("Vários artistas", "Various artists");
    m_credit.reserve(tracks.size());
    m_key.reserve(tracks.size());
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const MediaItem& t = tracks.at(i);
        if (albumOf.at(i) < 0) {
            const QString& credit = t.album_artist.isEmpty() ? t.artist : t.album_artist;
            m_credit.append(credit);
            m_key.append(credit);
            continue;
        }
        const Gathered& album = gatherer.albums.at(albumOf.at(i));
        m_credit.append(album.various ? various : album.artist);
        m_key.append(album.various ? various + QChar(QChar::Null) + t.folder : album.artist);
    }
}

QString AlbumCredits::credit(qsizetype i) const
{
    return m_credit.value(i);
}

QString AlbumCredits::key(qsizetype i) const
{
    return m_key.value(i);
}
