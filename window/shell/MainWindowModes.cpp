// Fullscreen, the mini player and the application-wide input filter.
#include "MainWindow.h"

#include "Toast.h"

#include <QEvent>

void MainWindow::toggleFullscreen()
{
    setFullscreen(!m_fullscreen);
}

void MainWindow::setFullscreen(bool)
{
}

void MainWindow::toggleMini()
{
}

void MainWindow::showOverlayControls()
{
}

void MainWindow::onHideTimer()
{
}

void MainWindow::onClickTimer()
{
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The toast stays centred over the content column as it resizes.
    if (watched == m_content && event->type() == QEvent::Resize && m_toast->parentWidget() == m_content)
        m_toast->reposition();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
}
