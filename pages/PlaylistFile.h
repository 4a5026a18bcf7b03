#pragma once

#include <QList>
#include <QString>

// M3U, M3U8 and PLS playlist files.
//
// Files to read can come from anywhere (downloads, removable media, a second
// start), so reading is bounded: only regular files of at most kMaxFileSize
// bytes, lines longer than kMaxLineLength bytes are skipped, a NUL byte makes
// the file unreadable, at most kMaxEntries entries are taken, and links are
// kept only for network protocols that fetch from a server, never for ones
// that reach into the player's own descriptors or filter graphs or make it
// listen on a port.
//
// Playlist files listed in a playlist are read in its place, up to kMaxDepth
// levels below it and at most kMaxNestedFiles of them, each one once: the
// player would otherwise open them with its own reader, and a playlist that
// lists itself would keep it busy for ever. Folders listed in it give their
// playable files, as an opened folder does, the player's own reader walking
// them without any bound. One reading, nested files and folders included,
// spends at most kMaxTotalBytes bytes and kMaxTotalLines lines of playlist
// text and kMaxFolderEntries entries of folders; once the text is spent the
// reading stops there, as it does at kMaxEntries, and a folder too large
// for what is left of its budget is skipped. What a reading leaves out is
// told in its Outcome, for the one notice the user gets.
class PlaylistFile
{
public:
    struct Outcome
    {
        enum class Cut { None, Entries, Text };
        enum class Skip { None, LargeFolder, DeepList, ManyLists };
        Cut cut = Cut::None;      // why the reading stopped early
        Skip skip = Skip::None;   // the first thing left out, and its path
        QString skipped;
        int skips = 0;            // how many were left out
    };

    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
    static constexpr int kMaxLineLength = 64 * 1024;
    static constexpr int kMaxEntries = 40000;
    static constexpr int kMaxDepth = 3;
    static constexpr int kMaxNestedFiles = 64;
    static constexpr qint64 kMaxTotalBytes = kMaxFileSize;
    static constexpr qint64 kMaxTotalLines = 4 * 1024 * 1024;
    static constexpr qint64 kMaxFolderEntries = 100000;

    // Sets *name to the file's complete base name, or to its "#PLAYLIST:"
    // line, and appends its entries to *paths: local paths absolute and
    // cleaned, links unchanged. False, with nothing changed, when the file
    // cannot be read. *outcome, when given, tells what was left out.
    static bool read(const QString& path, QString* name, QList<QString>* paths,
                     Outcome* outcome = nullptr);
    // One line for the user on what the reading of path left out and why;
    // empty when it left out nothing.
    static QString notice(const QString& path, const Outcome& outcome);

    // Writes an extended M3U file (UTF-8, LF line ends) with durations and
    // labels from the library, or from the tags of files it lacks, or a PLS
    // file when the name ends in ".pls", replacing the old file only once
    // the new one is complete. False when it cannot be written.
    static bool write(const QString& path, const QList<QString>& paths);
};
