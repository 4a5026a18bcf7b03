#pragma once

#include <QString>

class QWidget;

// What a library page with nothing to show says, from what the library
// knows: no folder chosen, a scan whose result could not be stored, a folder
// that is not there, or folders that hold nothing the library keeps.
struct LibraryEmpty
{
    QString heading;
    QString text;

    // kind: "audio" (the Music page) or "video" (the Videos page).
    static LibraryEmpty of(const QString& kind);
    // Writes the texts into a panel made by emptyState().
    void showIn(QWidget* emptyState) const;
};
