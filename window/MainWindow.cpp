#include "MainWindow.h"

MainWindow::MainWindow(PlayerCore* core, QWidget* parent) : QMainWindow(parent), m_core(core)
{
    setWindowTitle(QStringLiteral("Orvel"));
    setMinimumSize(420, 260);
    resize(1100, 700);
}

void MainWindow::openFromCommandLine(const QList<QString>& args, bool fromOtherInstance)
{
    if (fromOtherInstance) {
        showNormal();
        raise();
        activateWindow();
    }
    qInfo() << "abrir" << args;
}
