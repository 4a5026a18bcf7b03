#pragma once

#include <QList>
#include <QString>

// M3U, M3U8 and PLS playlist files.
//
// Files to read can come from anywhere (downloads, removable media, a second
// start), so reading is bounded: only regular files of at most kMaxFileSize
// bytes, lines longer than kMaxLineLength bytes are skipped, a NUL byte makes
// the file unreadable, and links are kept only for network protocols, never
// for ones that reach into the player's own descriptors or filter graphs.
class PlaylistFile
{
public:
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
    static constexpr int kMaxLineLength = 64 * 1024;

    // Sets *name to the file's complete base name, or to its "#PLAYLIST:"
    // line, and appends its entries to *paths: local paths absolute and
    // cleaned, links unchanged. False, with nothing changed, when the file
    // cannot be read.
    static bool read(const QString& path, QString* name, QList<QString>* paths);

    // Writes an extended M3U file (UTF-8, LF line ends) with durations and
    // labels from the library, replacing the old file only once the new one
    // is complete. False when it cannot be written.
    static bool write(const QString& path, const QList<QString>& paths);
};
