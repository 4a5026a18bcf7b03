#include "Mpris.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>

#include "MprisPlayer.h"
#include "MprisProperties.h"
#include "MprisRoot.h"
#include "Database.h"
#include "MediaItem.h"
#include "PlayerCore.h"

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kTrackId = QStringLiteral("mpris:trackid");

// Clients drop entries of the wrong D-Bus type: the artist is a list (and
// the id an object path, the length a 64-bit integer).
QVariantMap describe(const QString& title, const QString& artist, const QString& album, const QString& artPath)
{
    QVariantMap map;
    map.insert(QStringLiteral("xesam:title"), title);
    if (!artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    if (!album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), album);
    if (!artPath.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"),
                   QString::fromLatin1(QUrl::fromLocalFile(artPath).toEncoded(QUrl::FullyEncoded)));
    return map;
}

// Title, artist and album name a track; its art and length may come later.
bool sameIdentity(const QVariantMap& a, const QVariantMap& b)
{
    for (const char* key : {"xesam:title", "xesam:artist", "xesam:album"})
        if (a.value(QLatin1String(key)) != b.value(QLatin1String(key)))
            return false;
    return true;
}
}  // namespace

Mpris::Mpris(PlayerCore* core, QObject* parent) : QObject(parent), m_core(core)
{
    followLoads();
    new MprisRoot(this);
    m_player = new MprisPlayer(this);
    new MprisProperties(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Another instance may own the name already; the object is served anyway.
    bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.orvel"));
    bus.registerObject(kPath, this, QDBusConnection::ExportAdaptors);
    announceCoreChanges();
}

// From a file's end to the next load the core already mirrors parts of the
// next file (its length, its title) while the window still describes the
// old one; what the window gives then waits for the load. Connected before
// the player adaptor, so a load announces its metadata before Seeked.
void Mpris::followLoads()
{
    const auto hold = [this] { m_loading = true; };
    connect(m_core, &PlayerCore::fileEnded, this, hold);
    connect(m_core, &PlayerCore::fileStarted, this, [this, hold] {
        hold();
        m_newTrack = true;
        publishTried();
    });
    connect(m_core, &PlayerCore::idleChanged, this, [this](bool idle) {
        if (idle)
            publishNoTrack();
    });
    // A stream found live after its load loses its length at once.
    connect(m_core, &PlayerCore::durationChanged, this, [this] {
        if (!m_loading && !m_newTrack && !m_given.isEmpty())
            publish();
    });
    connect(m_core, &PlayerCore::fileLoaded, this, [this] {
        m_loading = false;
        if (m_held)
            publish();
        m_tried = m_tried && !m_held;
    });
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

void Mpris::setMetadata(const QString& title, const QString& artist, const QString& album, const QString& artPath)
{
    m_given = describe(title, artist, album, artPath);
    m_held = m_loading;
    if (m_loading)
        return;
    publish();
    m_tried = false;
}

// While libmpv works through entries that fail, the desktop hears which one
// is being tried (its library name, else its link), each with its own id;
// the load of the entry completes the same id.
void Mpris::publishTried()
{
    const QString path = m_core->lastPath();
    if (!path.contains(QLatin1String("://")))   // a local file loads or fails at once
        return;
    QString name = m_core->givenTitle(path);   // the list's name first: a stored one may be the link's tail
    if (name.isEmpty()) {
        const std::optional<MediaItem> row = Database::instance()->mediaByPath(path);
        name = row && !row->title.isEmpty() ? row->title : path;
    }
    m_given = describe(name, QString(), QString(), QString());
    m_held = false;
    publish();
    m_tried = true;
}

// Nothing loaded: no track, as MPRIS names it.
void Mpris::publishNoTrack()
{
    m_given.clear();
    m_held = false;
    m_tried = false;
    m_newTrack = true;
    m_metadata = {{kTrackId, QVariant::fromValue(QDBusObjectPath(
                                 QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
    notify(kPlayerInterface, {{QStringLiteral("Metadata"), m_metadata}});
}

// The length is read when the map goes out, so that it is the loaded file's.
void Mpris::publish()
{
    m_held = false;
    QVariantMap map = m_given;
    if (m_core->duration() > 0)
        map.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(m_core->duration() * 1000000.0));
    QVariantMap before = m_metadata;
    before.remove(kTrackId);
    if (!m_newTrack && map == before)
        return;
    if (m_newTrack || (!m_tried && !sameIdentity(map, before)))
        ++m_trackCounter;
    m_newTrack = false;
    map.insert(kTrackId,
               QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/orvel/track/%1").arg(m_trackCounter))));
    m_metadata = map;
    notify(kPlayerInterface, {{QStringLiteral("Metadata"), m_metadata}});
}

void Mpris::notify(const QString& interface, const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void Mpris::refuseCall(QDBusError::ErrorType type, const QString& text) const
{
    sendErrorReply(type, text);
}
