#pragma once

#include <QString>

#include <memory>

class MainWindow;
class PlayerCore;

// Where the window tests start: an engine and the main window on it, shown.
class TestWindow
{
public:
    enum Focus { Passive, Active };

    // Starts the engine and shows the window on it; with Active it also
    // becomes the active window, so that key presses reach it. False, with
    // the reason in `error`, when the engine does not start or the window
    // is never exposed.
    static bool open(std::unique_ptr<PlayerCore>& core, std::unique_ptr<MainWindow>& window, QString* error,
                     Focus focus = Passive);

    // Shows a window on a running engine.
    static bool show(PlayerCore* core, std::unique_ptr<MainWindow>& window, Focus focus = Passive);
};
