#pragma once

#include <QString>

class QLabel;
class QWidget;

// Reads the window's transient notice: the visible label named "Toast"
// anywhere under a top-level widget.
class ToastReader
{
public:
    // The shown toast, or null when none is shown.
    static QLabel* shown(const QWidget* top);
    // Its text, or an empty text when none is shown.
    static QString text(const QWidget* top);
};
