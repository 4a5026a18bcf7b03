#include "HistoryItem.h"

#include <QFileInfo>

QString HistoryItem::displayTitle() const
{
    if (path.contains(QLatin1String("://")))
        return title.isEmpty() ? QFileInfo(path).completeBaseName() : title;
    const QFileInfo file(path);
    if (title.isEmpty() || title == file.fileName())
        return file.completeBaseName();
    return title;
}
