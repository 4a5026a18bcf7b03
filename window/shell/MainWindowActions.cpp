// The window's registered commands.
#include "MainWindow.h"

void MainWindow::buildActions()
{
}
