#pragma once

#include <QCollator>
#include <QList>
#include <QSet>
#include <QString>

// The playable files under a folder, as the player opens a folder: every
// file with a video or audio extension in it and its sub-folders (hidden
// entries left out, folder links not followed), absolute and cleaned, in
// natural order ("track 2" before "Track 10").
class MediaFolder
{
public:
    MediaFolder();

    QList<QString> files(const QString& folder) const;
    // Looks at no more than *entries entries of the folders and takes them
    // off *entries; false, with nothing found, when the walk did not end
    // within them.
    bool files(const QString& folder, qint64* entries, QList<QString>* found) const;

private:
    QCollator m_collator;
    QSet<QString> m_exts;
};
