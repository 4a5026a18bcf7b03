#pragma once

#include <QString>
#include <QVariant>

class MpvHandle;

// What libmpv tells of a file that has just loaded, read in one go. Right
// after a load libmpv's core can hold its lock for tens of milliseconds (a
// file with huge tags), and every read waits on it: the reads are made on
// a worker thread, so the window does not wait with them.
struct LoadedFile {
    QString path;
    int playlistPos = -1;
    double timePos = 0;
    QString mediaTitle;     // as a line a person can read
    QVariantMap metadata;   // its texts as such lines too
    bool seekable = false;
    QString fileFormat;
    long long fileSize = -1;
    double duration = 0;    // NaN when libmpv gives none
    QVariantList tracks;
    QVariantList chapters;

    static LoadedFile read(const MpvHandle& handle);
};
