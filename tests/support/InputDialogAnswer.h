#pragma once

#include <QString>

// Answers the next modal QInputDialog that opens: types the text and accepts
// it, or cancels it. Call before the code that runs the dialog.
class InputDialogAnswer
{
public:
    static void next(const QString& text, bool accept = true, int timeoutMs = 5000);
};
