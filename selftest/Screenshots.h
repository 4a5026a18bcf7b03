#pragma once

#include <QString>

class MainWindow;
class PlayerCore;

// "--screenshots": plays the demonstration media and captures every page
// into outDir, then quits.
void runScreenshots(MainWindow* window, PlayerCore* core, const QString& outDir,
                    const QString& demoDir);
