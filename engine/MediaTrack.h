#pragma once

#include <QString>
#include <QtGlobal>

// One audio, video or subtitle track of the playing file, as libmpv's
// "track-list" lists it.
struct MediaTrack {
    qint64 id = 0;
    QString type;      // "video", "audio" or "sub"
    QString title;
    QString lang;
    QString codec;
    bool selected = false;
    bool external = false;
    bool albumart = false;
    bool isDefault = false;
    int channels = 0;

    // The text that menus show: title and language, codec, channels, origin.
    QString label() const;
};
