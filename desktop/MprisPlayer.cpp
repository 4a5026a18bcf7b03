#include "MprisPlayer.h"

#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

#include "Mpris.h"
#include "PlayerCore.h"

namespace {
constexpr double kMicro = 1000000.0;

qlonglong toMicroseconds(double seconds)
{
    return static_cast<qlonglong>(seconds * kMicro);
}
}  // namespace

MprisPlayer::MprisPlayer(Mpris* mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris)
{
    connect(core(), &PlayerCore::fileLoaded, this, [this] { emit Seeked(0); });
}

PlayerCore* MprisPlayer::core() const
{
    return m_mpris->core();
}

QString MprisPlayer::playbackStatus() const
{
    if (core()->isIdle())
        return QStringLiteral("Stopped");
    return core()->isPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QString MprisPlayer::loopStatus() const
{
    switch (core()->repeat()) {
    case PlayerCore::RepeatAll:
        return QStringLiteral("Playlist");
    case PlayerCore::RepeatOne:
        return QStringLiteral("Track");
    default:
        return QStringLiteral("None");
    }
}

void MprisPlayer::setLoopStatus(const QString& status)
{
    if (status == QLatin1String("Track"))
        core()->setRepeat(PlayerCore::RepeatOne);
    else if (status == QLatin1String("Playlist"))
        core()->setRepeat(PlayerCore::RepeatAll);
    else if (status == QLatin1String("None"))
        core()->setRepeat(PlayerCore::RepeatOff);
}

double MprisPlayer::rate() const
{
    return core()->speed();
}

// NaN and the infinities would slip through the range clamp. A rate of 0
// means pause to MPRIS clients; the speed stays.
void MprisPlayer::setRate(double rate)
{
    if (rate == 0.0)
        core()->setPaused(true);
    else if (std::isfinite(rate))
        core()->setSpeed(std::clamp(rate, minimumRate(), maximumRate()));
}

bool MprisPlayer::shuffle() const
{
    return core()->shuffle();
}

void MprisPlayer::setShuffle(bool on)
{
    core()->setShuffle(on);
}

QVariantMap MprisPlayer::metadata() const
{
    return m_mpris->metadata();
}

double MprisPlayer::volume() const
{
    return core()->volume() / 100.0;
}

void MprisPlayer::setVolume(double volume)
{
    if (std::isfinite(volume))
        core()->setVolume(volume * 100.0);
}

// While a seek runs the engine reports its target, which lies before the
// start after a long step back.
qlonglong MprisPlayer::position() const
{
    return toMicroseconds(std::max(0.0, core()->position()));
}

void MprisPlayer::Next()
{
    core()->next();
}

void MprisPlayer::Previous()
{
    core()->prev();
}

void MprisPlayer::Pause()
{
    core()->setPaused(true);
}

void MprisPlayer::PlayPause()
{
    core()->togglePause();
}

void MprisPlayer::Stop()
{
    core()->stop();
}

void MprisPlayer::Play()
{
    core()->setPaused(false);
}

// The engine moves later, so the announced position is the target itself,
// kept inside the file. With nothing loaded there is nothing to move.
void MprisPlayer::Seek(qlonglong offset)
{
    if (core()->isIdle() || core()->isLive())   // a live stream refuses seeks
        return;
    const qlonglong now = position();   // never negative, so only a step forward can overflow
    const qlonglong room = std::numeric_limits<qlonglong>::max() - now;
    qlonglong target = std::max<qlonglong>(offset > room ? std::numeric_limits<qlonglong>::max() : now + offset, 0);
    if (core()->duration() > 0)
        target = std::min(target, toMicroseconds(core()->duration()));
    core()->seekRelative(offset / kMicro);
    emit Seeked(target);
}

// A position past the end of a file of known length is ignored, as MPRIS
// asks; so is any position while nothing is loaded.
void MprisPlayer::SetPosition(const QDBusObjectPath&, qlonglong pos)
{
    const double length = core()->duration();
    if (core()->isIdle() || core()->isLive() || (length > 0 && pos > toMicroseconds(length)))
        return;
    pos = std::max<qlonglong>(pos, 0);
    core()->seekAbsolute(pos / kMicro);
    emit Seeked(pos);
}

// Only the schemes the service advertises: the engine also understands
// "fd://" and "fdclose://", which would reach the player's own descriptors.
void MprisPlayer::OpenUri(const QString& uri)
{
    const QUrl url(uri, QUrl::TolerantMode);
    if (url.isLocalFile()) {
        core()->openFiles({url.toLocalFile()}, 0);
        return;
    }
    const QString scheme = url.scheme();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty())
        core()->openFiles({uri}, 0);
}
