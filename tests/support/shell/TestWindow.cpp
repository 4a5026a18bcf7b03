#include "TestWindow.h"

#include "MainWindow.h"
#include "PlayerCore.h"

#include <QApplication>
#include <QTest>

bool TestWindow::open(std::unique_ptr<PlayerCore>& core, std::unique_ptr<MainWindow>& window, QString* error,
                      Focus focus)
{
    core = std::make_unique<PlayerCore>();
    if (!core->init(error))
        return false;
    if (show(core.get(), window, focus))
        return true;
    *error = QStringLiteral("the window was never exposed");
    return false;
}

bool TestWindow::show(PlayerCore* core, std::unique_ptr<MainWindow>& window, Focus focus)
{
    window = std::make_unique<MainWindow>(core);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return false;
    if (focus == Active) {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
    }
    return true;
}
