#pragma once

#include <QColor>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// Makes media files for tests with ffmpeg. The container and codecs follow
// the file's extension: mp4/m4v (H.264 + AAC), mkv (H.264 + AAC/Vorbis, SRT
// subtitles), mp3, flac, ogg, opus, m4a, wav. Every call either produces the
// file or reports why not in lastError(); tests QVERIFY2 on it, so a missing
// ffmpeg fails loudly instead of skipping.
class MediaGen
{
public:
    struct Spec {
        double seconds = 2.0;
        bool video = false;
        int width = 320;
        int height = 240;
        int rate = 25;
        int keyint = 0;            // 0: the encoder's default
        QString videoSource;       // lavfi graph; default testsrc
        bool audio = true;
        int audioTracks = 1;
        double frequency = 440.0;
        QString audioSource;       // lavfi graph; default sine at frequency
        QStringList audioLanguages;   // per audio track
        QStringList audioTitles;      // per audio track
        bool subtitle = false;     // mkv only: one SRT track
        QString subtitleLanguage = QStringLiteral("por");
        QMap<QString, QString> tags;              // title, artist, album, ...
        QList<QPair<double, QString>> chapters;   // start seconds, title
        bool cover = false;        // embedded picture (mp3, flac, m4a, mp4)
        QColor coverColor = Qt::red;
        QStringList extra;         // more ffmpeg output options
    };

    static bool available();
    static QString lastError();

    static bool make(const QString& path, const Spec& spec);
    // Quick helpers for the common cases.
    static bool video(const QString& path, double seconds = 2.0, int width = 320, int height = 240);
    static bool audio(const QString& path, double seconds = 2.0,
                      const QMap<QString, QString>& tags = {});
    // A still picture (png or jpg by extension) of one colour.
    static bool image(const QString& path, int width, int height, const QColor& color);

    // Runs ffmpeg with the given arguments (after "-y -v error").
    static bool ffmpeg(const QStringList& args, int timeoutMs = 120000);
};
