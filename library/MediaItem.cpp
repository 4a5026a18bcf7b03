#include "MediaItem.h"

#include "Lang.h"

#include <QFileInfo>

QString MediaItem::displayTitle() const
{
    if (!title.isEmpty())
        return title;
    return QFileInfo(path).completeBaseName();
}

QString MediaItem::displayArtist() const
{
    if (!artist.isEmpty())
        return artist;
    return L("Artista desconhecido", "Unknown artist");
}
