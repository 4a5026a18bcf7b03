#pragma once

#include <QString>

class QDialog;
class QHBoxLayout;
class QVBoxLayout;

// The shared frame of the playback dialogs: a modal dialog with its title,
// the root margins, and a bottom row that ends in the primary Close button.
class DialogFrame
{
public:
    // Titles the dialog and gives it its root layout.
    static QVBoxLayout* setUp(QDialog* dialog, const QString& title, int minimumWidth);
    // Adds the bottom row to root; callers may put a reset button at its left.
    static QHBoxLayout* addCloseRow(QDialog* dialog, QVBoxLayout* root);
};
