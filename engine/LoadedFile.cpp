#include "LoadedFile.h"

#include "MpvHandle.h"

#include <cmath>

LoadedFile LoadedFile::read(const MpvHandle& handle)
{
    LoadedFile f;
    f.path = handle.getString("path");
    f.playlistPos = int(handle.getInt("playlist-pos", -1));
    f.timePos = handle.getDouble("time-pos", 0);
    f.mediaTitle = handle.getLine("media-title");
    f.metadata = handle.getNode("metadata", true).toMap();
    f.seekable = handle.getFlag("seekable", false);
    f.fileFormat = handle.getString("file-format");
    f.fileSize = handle.getInt("file-size", -1);
    f.duration = handle.getDouble("duration", std::nan(""));
    f.tracks = handle.getNode("track-list").toList();
    f.chapters = handle.getNode("chapter-list").toList();
    return f;
}
