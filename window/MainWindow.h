#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

class PlayerCore;

// The main window. Stand-in until the window lands: an empty frame.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(PlayerCore* core, QWidget* parent = nullptr);

    void openFromCommandLine(const QList<QString>& args, bool fromOtherInstance);

private:
    PlayerCore* m_core;
};
