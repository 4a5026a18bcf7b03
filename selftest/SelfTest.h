#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
class PlayerCore;

// "--selftest": plays the given files and walks the window on a timed
// script, writing captures and "relatorio.txt" into outDir, then quits.
void runSelfTest(MainWindow* window, PlayerCore* core, const QString& outDir,
                 const QStringList& files);
