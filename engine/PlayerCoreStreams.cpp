// Streams: whether what plays is live (no length, no seeking) or a finite
// file whose length libmpv learns as it arrives, and what happens when a
// stream's connection ends before the stream does.
#include "PlayerCore.h"

#include <QVariantMap>

#include <cmath>
#include <limits>

namespace {

// Seconds of play over which a stream's length must hold to be its own.
constexpr double kSettleSeconds = 1.5;
// Seconds of play between two looks at libmpv's cache of a stream being judged.
constexpr double kArrivalCheck = 0.5;
// A stream that arrived no faster than this, over at least kPacedSeconds of
// play, came at a radio's pace: its length stayed a few seconds ahead of the
// play position.
constexpr double kPacedRate = 1.5;
constexpr double kPacedLead = 3.0;
constexpr double kPacedSeconds = 3.0;
// No audio stream is that long or that big: such a length is a radio's fake one.
constexpr double kLongestAudio = 24 * 3600.0;
constexpr long long kFakeSize = std::numeric_limits<qint32>::max();
// A reconnected stream that plays this long may reconnect again.
constexpr double kReconnectHold = 30.0;

// Radio servers send "icy-name", "icy-genre" and the like, which libmpv
// passes on as metadata; a title alone comes from inside the stream.
bool hasIcyHeaders(const QVariantMap& map)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (it.key().startsWith(QLatin1String("icy-"), Qt::CaseInsensitive)
            && it.key().compare(QLatin1String("icy-title"), Qt::CaseInsensitive) != 0)
            return true;
    return false;
}

// A file ends short of its length when its connection was lost on the way.
bool endsShort(double position, double duration)
{
    return duration > 0 && position < duration - qMax(3.0, 0.05 * duration);
}

}  // namespace

// Whether a stream is live, as far as its load tells. A stream that cannot
// seek and announces itself as a radio (ICY headers), or gives a length no
// audio stream has, is live; one that can neither seek nor tell its size is
// either a radio or a finite file sent without its length (chunked, as
// music servers do): its length waits until it has shown whether it keeps
// rising, and whether it arrives faster than it plays. Seekable streams and
// HLS lists keep their length unless it rises (endlessRise).
void PlayerCore::judgeStream(const LoadedFile& file)
{
    m_seekable = file.seekable;
    m_live = false;
    m_lengthPending = false;
    m_sizeless = false;
    m_candidate = std::nan("");
    m_firstLength = std::nan("");
    m_arrivalCheckedAt = std::nan("");
    // An HLS list's size is the list's own; its length grows when it is live.
    m_judgedByRises = m_seekable || file.fileFormat == QLatin1String("hls");
    if (!isStream() || m_judgedByRises)
        return;
    const long long size = file.fileSize;
    const double first = file.duration;
    if (hasIcyHeaders(file.metadata) || (size >= 0 && fakeLength(size, first))) {
        m_live = true;
        return;
    }
    if (size >= 0)
        return;
    m_lengthPending = m_sizeless = true;
    if (!std::isnan(first))
        trackPendingLength(first);
    judgeArrival();
}

// A radio that sends a huge Content-Length (2 GiB, the most some servers
// can write) or a length over a day, without any picture.
bool PlayerCore::fakeLength(long long size, double length) const
{
    if (size < kFakeSize && !(length > kLongestAudio))
        return false;
    const QVariantList tracks = m_handle.getNode("track-list").toList();
    for (const QVariant& t : tracks) {
        const QVariantMap m = t.toMap();
        if (m.value(QStringLiteral("type")).toString() == QLatin1String("video")
            && !m.value(QStringLiteral("albumart")).toBool())
            return false;
    }
    return true;
}

// A live stream keeps duration 0 until the next file starts, unless it
// turns out a file sent without its size (judgeArrival). A stream's length
// counts from its load, where the stream is judged.
void PlayerCore::storeDuration(bool present, double value)
{
    if (m_live || (!m_fileActive && present && m_lastPath.contains(QLatin1String("://"))))
        return;
    if (m_lengthPending) {
        if (present)
            trackPendingLength(value);
        return;
    }
    if (present && endlessRise(value)) {
        m_live = true;
        m_lastDuration = 0;
        present = false;
    }
    if (present) {
        m_duration = value;
        m_lastDuration = value;
    } else {
        m_duration = 0;
    }
    emit durationChanged(m_duration);
}

// libmpv gives an endless stream (a radio, a live HLS list, av://lavfi) the
// length received so far, growing while it plays; a finite file over the
// network keeps the length it had at loading, or an estimate that settles
// as it arrives. A seekable stream or an HLS list whose length rises twice
// after loading is live. Local files are never live, nor are other streams
// of known size that cannot seek (their estimate grows while they arrive).
bool PlayerCore::endlessRise(double value)
{
    if (!m_fileActive || !isStream() || !m_judgedByRises || m_duration <= 0 || value <= m_duration)
        return false;
    return ++m_durationRises >= 2;
}

// A stream without size or seeking shows no length while it is judged: a
// length that rises twice is taken for a radio's (until judgeArrival says
// otherwise), one that holds while a second plays is the file's
// (settleLength).
void PlayerCore::trackPendingLength(double value)
{
    if (std::isnan(m_firstLength)) {
        m_firstLength = value;
        m_firstLengthAt = m_position;
    }
    if (!std::isnan(m_candidate) && value > m_candidate && ++m_durationRises >= 2) {
        m_live = true;
        m_lengthPending = false;
        m_lastDuration = 0;
        return;
    }
    if (value != m_candidate)
        m_candidateSince = m_position;
    m_candidate = value;
}

// A radio that sends in bursts may hold its length that long too: from
// then on the stream is judged as a seekable one, live if the length rises
// twice more.
void PlayerCore::settleLength()
{
    if (!m_lengthPending || std::isnan(m_candidate) || m_position - m_candidateSince < kSettleSeconds)
        return;
    m_lengthPending = false;
    m_judgedByRises = true;
    m_durationRises = 0;
    m_duration = m_candidate;
    m_lastDuration = m_candidate;
    emit durationChanged(m_duration);
}

// Twice a second of play, while a stream without size is judged: once
// libmpv holds the whole stream, its length is known for good.
void PlayerCore::watchArrival()
{
    if (!m_sizeless || std::abs(m_position - m_arrivalCheckedAt) < kArrivalCheck)
        return;
    const double shown = m_duration;
    if (judgeArrival() && m_duration != shown)
        emit durationChanged(m_duration);
}

// libmpv's cache has reached the end of a stream without size: a stream
// that came faster than it plays was a file (a song sent chunked at
// internet speed), whatever its rises said; one that came at a radio's
// pace stays live (its connection ended, connectionEnded tells). True when
// the stream is judged.
bool PlayerCore::judgeArrival()
{
    m_arrivalCheckedAt = m_position;
    const QVariantMap cache = m_handle.getNode("demuxer-cache-state").toMap();
    if (!cache.value(QStringLiteral("eof")).toBool())
        return false;
    double length = m_handle.getDouble("duration", std::nan(""));
    if (std::isnan(length))
        length = cache.value(QStringLiteral("cache-end")).toDouble();
    if (!(length > 0))
        return false;
    m_sizeless = false;
    m_lengthPending = false;
    const double played = m_position - (std::isnan(m_firstLength) ? 0 : m_firstLengthAt);
    const double grown = length - (std::isnan(m_firstLength) ? length : m_firstLength);
    m_live = played >= kPacedSeconds && grown <= kPacedRate * played + kPacedLead;
    m_judgedByRises = false;
    m_duration = m_live ? 0 : length;
    m_lastDuration = m_duration;
    return true;
}

// A stream's connection ended before the stream did: a live stream ends
// only so, a file when it stops short of its length. Said once per end; a
// live stream that still plays is loaded again, once until it has played a
// while.
void PlayerCore::connectionEnded(bool stillCurrent, double position, double duration)
{
    if (!m_lastPath.contains(QLatin1String("://")) || !(m_live || endsShort(position, duration)))
        return;
    emit connectionLost();
    if (!stillCurrent || !m_live || m_reconnectPath == m_lastPath)
        return;
    m_reconnectPath = m_lastPath;
    setPaused(false);
    m_handle.command({QStringLiteral("playlist-play-index"), QStringLiteral("current")});
}

// Called with each position: a reconnected stream that plays on may
// reconnect again when it drops later.
void PlayerCore::holdReconnect()
{
    if (!m_reconnectPath.isEmpty() && m_fileActive && m_position > kReconnectHold)
        m_reconnectPath.clear();
}
