#include "Mpris.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>

#include "MprisPlayer.h"
#include "MprisRoot.h"
#include "PlayerCore.h"

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
}  // namespace

Mpris::Mpris(PlayerCore* core, QObject* parent) : QObject(parent), m_core(core)
{
    new MprisRoot(this);
    m_player = new MprisPlayer(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Another instance may own the name already; the object is served anyway.
    bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.orvel"));
    bus.registerObject(kPath, this, QDBusConnection::ExportAdaptors);
    announceCoreChanges();
}

// Qt announces no property change of an adaptor by itself.
void Mpris::announceCoreChanges()
{
    connect(m_core, &PlayerCore::pauseChanged, this, [this] { announce("PlaybackStatus"); });
    connect(m_core, &PlayerCore::idleChanged, this, [this] { announce("PlaybackStatus"); });
    connect(m_core, &PlayerCore::volumeChanged, this, [this] { announce("Volume"); });
    connect(m_core, &PlayerCore::speedChanged, this, [this] { announce("Rate"); });
    connect(m_core, &PlayerCore::shuffleChanged, this, [this] { announce("Shuffle"); });
    connect(m_core, &PlayerCore::repeatChanged, this, [this] { announce("LoopStatus"); });
}

void Mpris::announce(const char* property)
{
    notify(kPlayerInterface, {{QString::fromLatin1(property), m_player->property(property)}});
}

// Clients drop entries of the wrong D-Bus type: the id is an object path,
// the artist a list and the length a 64-bit integer.
void Mpris::setMetadata(const QString& title, const QString& artist, const QString& album, const QString& artPath)
{
    m_metadata.clear();
    ++m_trackCounter;
    m_metadata.insert(QStringLiteral("mpris:trackid"),
                      QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/orvel/track/%1").arg(m_trackCounter))));
    m_metadata.insert(QStringLiteral("xesam:title"), title);
    if (!artist.isEmpty())
        m_metadata.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    if (!album.isEmpty())
        m_metadata.insert(QStringLiteral("xesam:album"), album);
    if (m_core->duration() > 0)
        m_metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(m_core->duration() * 1000000.0));
    if (!artPath.isEmpty())
        m_metadata.insert(QStringLiteral("mpris:artUrl"),
                          QString::fromLatin1(QUrl::fromLocalFile(artPath).toEncoded(QUrl::FullyEncoded)));
    notify(kPlayerInterface, {{QStringLiteral("Metadata"), m_metadata}});
}

void Mpris::notify(const QString& interface, const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
