// Opening media: the command line, a second start, the open dialogs and
// drops on the window.
#include "MainWindow.h"

#include "PlayerCore.h"

#include <QDragEnterEvent>
#include <QDropEvent>

void MainWindow::openFromCommandLine(const QList<QString>& args, bool fromOtherInstance)
{
    if (fromOtherInstance) {
        showNormal();
        raise();
        activateWindow();
    }
    if (!args.isEmpty())
        m_core->openFiles(args, 0);
}

void MainWindow::enqueue(const QList<QString>& paths)
{
    if (!paths.isEmpty())
        m_core->enqueue(paths);
}

void MainWindow::playNext(const QList<QString>& paths)
{
    if (!paths.isEmpty())
        m_core->playNextInQueue(paths);
}

void MainWindow::openFileDialog()
{
}

void MainWindow::openFolderDialog()
{
}

void MainWindow::openUrlDialog()
{
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    QMainWindow::dragEnterEvent(event);
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QMainWindow::dropEvent(event);
}
