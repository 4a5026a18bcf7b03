#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

class MpvWidget;
class PlayerCore;

// The main window. Stand-in until the window lands: the video widget and
// the files given on the command line.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(PlayerCore* core, QWidget* parent = nullptr);

    void openFromCommandLine(const QList<QString>& args, bool fromOtherInstance);

private:
    PlayerCore* m_core;
    MpvWidget* m_video;
};
