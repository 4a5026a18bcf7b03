#pragma once

#include <QObject>
#include <QString>

class PlayerCore;
class QWidget;

// The desktop's media controls for the playing media (play, pause, next,
// raise, quit) and what they show of the track.
class MediaControls : public QObject
{
    Q_OBJECT
public:
    MediaControls(QWidget* window, PlayerCore* core, QObject* parent = nullptr);

    void setTrack(const QString& title, const QString& artist, const QString& album, const QString& artPath,
                  bool isVideo);
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
};
