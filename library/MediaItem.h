#pragma once

#include <QString>
#include <QTypeInfo>
#include <QtGlobal>

// One media file or stream of the catalogue; its identity is the path.
struct MediaItem
{
    QString path;          // local absolute path, or a URL
    QString kind;          // "audio", "video" or "stream"
    QString title;
    QString artist;
    QString album;
    QString album_artist;
    QString genre;
    int year = 0;          // 0 when unknown
    int track = 0;         // 0 when unknown
    int disc = 0;          // disc of a multi-disc album, 0 when unknown
    double duration = 0;   // seconds, 0 when unknown
    QString folder;        // containing folder; empty for a URL
    qint64 size = 0;       // bytes
    qint64 added_at = 0;   // epoch seconds of the first write
    int play_count = 0;
    qint64 last_played = 0;  // epoch seconds of the last counted play, 0 never
    bool favorite = false;
    bool compilation = false;  // tagged as part of a compilation

    // The title, or the file's complete base name when there is none.
    QString displayTitle() const;
    // The artist, or the "unknown artist" text in the interface language.
    QString displayArtist() const;
};

Q_DECLARE_TYPEINFO(MediaItem, Q_RELOCATABLE_TYPE);
