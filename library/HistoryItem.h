#pragma once

#include <QString>
#include <QtGlobal>

// One entry of the playback history; its identity is the path.
struct HistoryItem
{
    QString path;           // local path or URL
    QString kind;           // "video", "audio" or "stream"
    QString title;
    double position = 0;    // seconds reached
    double duration = 0;    // seconds, 0 when unknown
    qint64 last_played = 0; // epoch seconds; 0 in an item to save means "now"
    bool finished = false;  // played to the end

    // The name the library pages give the file: the title, except that a
    // title that is only the file's name (what the engine reports for an
    // untagged file) loses its extension, as does a missing one.
    QString displayTitle() const;
};
