#pragma once

#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The shared frame of the playback dialogs: a modal dialog with its title and
// root margins, explanatory lines in the muted style, and a bottom row with a
// reset button at the left and the primary Close button at the right. There
// is no OK and no Cancel: every control acts at once.
class DialogFrame
{
public:
    // Titles the dialog and gives it its root layout (margins 22, 18, 22, 18;
    // spacing 14).
    static QVBoxLayout* setUp(QDialog* dialog, const QString& title, int minimumWidth);
    // Adds a line of explanation (object name "Muted") to root.
    static QLabel* addHint(QVBoxLayout* root, const QString& text, bool wrap);
    // Adds the bottom row to root and returns its reset button, which the
    // caller connects; Close accepts the dialog.
    static QPushButton* addButtonRow(QDialog* dialog, QVBoxLayout* root, const QString& resetText);
};
