// The menu bar and the submenus that are filled each time they open.
#include "MainWindow.h"

#include <QMenu>

void MainWindow::buildMenus()
{
}

void MainWindow::fillSpeedMenu(QMenu* menu)
{
    menu->clear();
}

void MainWindow::fillTrackMenu(QMenu* menu, const QString&)
{
    menu->clear();
}

void MainWindow::fillSecondarySubMenu(QMenu* menu)
{
    menu->clear();
}

void MainWindow::fillAudioDeviceMenu(QMenu* menu)
{
    menu->clear();
}

void MainWindow::fillRepeatMenu(QMenu* menu)
{
    menu->clear();
}

void MainWindow::fillChaptersMenu(QMenu* menu)
{
    menu->clear();
}

void MainWindow::fillAspectMenu(QMenu* menu)
{
    menu->clear();
}
