#pragma once

#include <QObject>
#include <QString>

class Mpris;
class PlayerCore;
class QWidget;

// The desktop's media controls: publishes what plays over MPRIS and passes
// the desktop's raise and quit requests to the window. Transport requests
// from the desktop go straight to the playback core.
class MediaControls : public QObject
{
    Q_OBJECT
public:
    MediaControls(QWidget* window, PlayerCore* core, QObject* parent = nullptr);

    void setTrack(const QString& title, const QString& artist, const QString& album, const QString& artPath,
                  bool isVideo);
    // The playback status follows the core's own signals; nothing to do here.
    void setPlaying(bool playing, bool active);

signals:
    void playPauseRequested();
    void playRequested();
    void pauseRequested();
    void nextRequested();
    void previousRequested();
    void stopRequested();
    void raiseRequested();
    void quitRequested();

private:
    PlayerCore* m_core;
    Mpris* m_mpris;
};
