#pragma once

#include "PlayerCore.h"
#include "TestEnv.h"

#include <QApplication>
#include <QSize>

#include <memory>

class MainWindow;
class QPixmap;

// The common start of the capture tools, which draw the player for people
// to look at: a private data folder, the application, the interface
// language (the first argument, "pt" or "en"), the theme, the library
// database and the engine.
class CaptureSession
{
public:
    enum Video { NoPicture, DrawPicture };

    // `required` counts the arguments after the program's name; with fewer
    // the usage line is printed and status() is 2.
    CaptureSession(int& argc, char** argv, int required, const char* usage, Video video = NoPicture);
    ~CaptureSession();

    // 0 once the engine runs, else the exit code to return.
    int status() const { return m_status; }

    // "WIDTHxHEIGHT" as a size.
    static QSize size(const char* text);

    // The main window at that size, shown and settled; null when it never
    // showed.
    MainWindow* showWindow(const QSize& size);

    // Plays a file and waits until it has played `settle` milliseconds.
    void play(const QString& path, int settle);

    // Saves the picture and prints its size and the outcome.
    static bool save(const QPixmap& picture, const char* path);

private:
    // In this order: the folder and the application before the engine, the
    // window last, so that it goes first.
    TestEnv m_env;
    std::unique_ptr<QApplication> m_app;

public:
    PlayerCore core;

private:
    std::unique_ptr<MainWindow> m_window;
    int m_status = 0;
};
