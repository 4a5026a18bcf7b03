#include "MainWindow.h"

#include "Library.h"
#include "MpvWidget.h"
#include "PlayerCore.h"

#include <QTimer>

MainWindow::MainWindow(PlayerCore* core, QWidget* parent)
    : QMainWindow(parent), m_core(core), m_video(new MpvWidget(core, this))
{
    setWindowTitle(QStringLiteral("Orvel"));
    setMinimumSize(420, 260);
    resize(1100, 700);
    setCentralWidget(m_video);
    QTimer::singleShot(800, this, [] { Library::instance()->rescan(); });
}

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
