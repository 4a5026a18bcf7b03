#pragma once

#include <QHash>
#include <QString>

// Finds the file that an entry of a playlist written on Windows means here.
// Such entries name a drive ("C:\…", "D:/…", "file:///C:/…") or a server
// ("\\host\share\…") that is not on this machine, separate folders with
// backslashes, and may spell a name in another letter case than the disk
// does (Windows does not tell them apart). The same files are often beside
// the playlist, or beside the folder that keeps it ("Playlists" next to the
// music): the entry's last folders and its name are looked for there, the
// longest tail first, whatever their letter case.
//
// Folder listings are kept for the life of the object, one reading; at most
// kMaxFolders folders are listed, and a folder of more than kMaxNames
// entries is not looked through.
class WindowsPath
{
public:
    static constexpr int kMaxFolders = 256;
    static constexpr int kMaxNames = 20000;
    // Of a drive or server path, at most so many trailing parts are looked for.
    static constexpr int kMaxTailParts = 4;

    // "C:\…", "D:/…", "\\server\share\…" or "\…" (the root of the current drive).
    static bool isAbsolute(const QString& entry);

    // The existing file a relative or Windows entry of a playlist in folder
    // names; empty when none is found.
    QString find(const QString& entry, const QString& folder);

private:
    QString findTail(const QString& entry, const QString& folder);
    // The path, or the one the disk holds with other letter case; empty
    // when there is neither.
    QString existing(const QString& path);
    const QHash<QString, QString>& names(const QString& folder);

    QHash<QString, QHash<QString, QString>> m_listings;   // folder -> folded name -> name
};
