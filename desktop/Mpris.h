#pragma once

#include <QDBusContext>
#include <QDBusError>
#include <QObject>
#include <QString>
#include <QVariantMap>

class MprisPlayer;
class PlayerCore;

// The MPRIS 2 service: registers the player on the session bus, keeps the
// metadata of what plays and announces property changes. Without a session
// bus it still keeps the metadata and serves the adaptors' slots in-process.
class Mpris : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    Mpris(PlayerCore* core, QObject* parent = nullptr);

    PlayerCore* core() const { return m_core; }
    QVariantMap metadata() const { return m_metadata; }

    // Replaces the metadata map and announces it when it changed. The track
    // id is new for each loaded file and for another title, artist or album;
    // art or a length arriving later keeps it. Between a file's end and the
    // next load only the last values are kept, and go out with that load.
    void setMetadata(const QString& title, const QString& artist, const QString& album, const QString& artPath);
    // Sends one PropertiesChanged signal for the interface.
    void notify(const QString& interface, const QVariantMap& changed);
    // Answers the D-Bus call being served by an adaptor with an error in
    // place of its result.
    void refuseCall(QDBusError::ErrorType type, const QString& text) const;

signals:
    void raiseRequested();
    void quitRequested();

private:
    void followLoads();
    void announceCoreChanges();
    void announce(const char* property);
    void publish();
    void publishTried();
    void publishNoTrack();

    PlayerCore* m_core;
    MprisPlayer* m_player;
    QVariantMap m_metadata;
    int m_trackCounter = 0;
    QVariantMap m_given;          // the map as last given, without id and length
    bool m_loading = false;       // a file ended or started and is not loaded yet
    bool m_held = false;          // values arrived while loading
    bool m_newTrack = true;       // a file started since the last announcement
    bool m_tried = false;         // what is announced is the entry being tried: its load completes it
};
