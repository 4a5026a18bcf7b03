#pragma once

#include <QString>
#include <QtGlobal>

// One stored playlist with the number of its items (the items themselves
// come from Database::playlistItems).
struct Playlist
{
    qint64 id = 0;
    QString name;
    int count = 0;
};
