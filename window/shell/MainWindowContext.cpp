// The media menu of the pages, the video's context menu and the tray.
#include "MainWindow.h"

#include <QMenu>

void MainWindow::showMediaMenu(QList<QString>, QPoint, QMenu* extra)
{
    delete extra;
}

void MainWindow::buildTray()
{
}

QMenu* MainWindow::buildContextMenu()
{
    return new QMenu(this);
}
