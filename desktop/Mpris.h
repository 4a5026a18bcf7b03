#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class MprisPlayer;
class PlayerCore;

// The MPRIS 2 service: registers the player on the session bus, keeps the
// metadata of what plays and announces property changes. Without a session
// bus it still keeps the metadata and serves the adaptors' slots in-process.
class Mpris : public QObject
{
    Q_OBJECT
public:
    Mpris(PlayerCore* core, QObject* parent = nullptr);

    PlayerCore* core() const { return m_core; }
    QVariantMap metadata() const { return m_metadata; }

    // Replaces the metadata map with a new track id and announces it.
    void setMetadata(const QString& title, const QString& artist, const QString& album, const QString& artPath);
    // Sends one PropertiesChanged signal for the interface.
    void notify(const QString& interface, const QVariantMap& changed);

signals:
    void raiseRequested();
    void quitRequested();

private:
    void announceCoreChanges();
    void announce(const char* property);

    PlayerCore* m_core;
    MprisPlayer* m_player;
    QVariantMap m_metadata;
    int m_trackCounter = 0;
};
