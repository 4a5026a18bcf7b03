#include "Screenshots.h"

#include "MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

void runScreenshots(MainWindow* window, PlayerCore*, const QString& outDir, const QString&)
{
    QDir().mkpath(outDir);
    window->resize(1280, 800);
    QTimer::singleShot(500, window, [] { QApplication::exit(0); });
}
