#pragma once

#include "MediaItem.h"

#include <QList>
#include <QStringList>

// Which album each song of the library belongs to, and whom that album is
// credited to. A song's album artist names its album's artist. Songs
// without one are gathered by album title within their folder: such an
// album is credited to the artist its songs share, or to various artists
// when they name several or one of them is marked as part of a
// compilation. An album of various artists gathered that way keeps to its
// folder, so same-titled albums elsewhere stay apart; albums credited to
// one artist are one album wherever their songs lie, as the disc folders of
// one album are.
class AlbumCredits
{
public:
    AlbumCredits() = default;
    explicit AlbumCredits(const QList<MediaItem>& tracks);

    // The artist the album of tracks[i] is credited to; empty when none of
    // its songs names one.
    QString credit(qsizetype i) const;
    // What tells the album of tracks[i] apart from other albums of its
    // title (compared without regard to case).
    QString key(qsizetype i) const;

private:
    QStringList m_credit;
    QStringList m_key;
};
