#include "PlayerCore.h"

#include "AudioChain.h"
#include "MpvApi.h"

#include <QtMath>

void PlayerCore::setEqualizer(bool enabled, const QList<double>& gains, double preamp)
{
    m_eqEnabled = enabled;
    for (int i = 0; i < gains.size() && i < 10; ++i)
        m_eqGains[i] = gains[i];
    m_eqPreamp = preamp;
    applyAudioFilters();
}

void PlayerCore::setNormalize(bool on)
{
    m_normalize = on;
    applyAudioFilters();
}

// A change of gains alone reaches the running filters by "af-command";
// any other change rewrites the whole chain.
void PlayerCore::applyAudioFilters()
{
    const QString signature = AudioChain::signature(audioSettings());
    if (signature == m_filterSignature && m_eqEnabled && sendEqualizerLive())
        return;
    writeFilterChain();
}

void PlayerCore::writeFilterChain()
{
    const AudioChain::Settings s = audioSettings();
    m_filterSignature = AudioChain::signature(s);
    const QString chain = AudioChain::text(s);
    m_filterChain = m_handle.set("af", chain) < 0 ? QString() : chain;
    m_filtersAhead = false;
}

// libmpv rebuilds its filters from the "af" text at every new file and seek,
// which drops what "af-command" changed; the text is brought up to date then.
void PlayerCore::syncFilterChain()
{
    if (m_filtersAhead)
        writeFilterChain();
}

AudioChain::Settings PlayerCore::audioSettings() const
{
    AudioChain::Settings s;
    s.eqEnabled = m_eqEnabled;
    s.gains = m_eqGains;
    s.preamp = m_eqPreamp;
    s.normalize = m_normalize;
    s.crossfade = m_crossfade;
    s.fadeLevel = m_fadeLevel;
    return s;
}

bool PlayerCore::sendEqualizerLive()
{
    if (afCommand(QStringLiteral("eqpre"), QStringLiteral("volume"),
                  AudioChain::gainText(m_eqPreamp) + QStringLiteral("dB")) < 0)
        return false;
    for (int i = 0; i < 10; ++i)
        if (afCommand(QStringLiteral("eq%1").arg(i), QStringLiteral("g"), AudioChain::gainText(m_eqGains[i])) < 0)
            return false;
    return true;
}

// libmpv applies "af-command" but answers MPV_ERROR_COMMAND even when it
// worked. That answer counts as delivered when the addressed filter is in
// the chain last written; any other failure is logged and returned.
int PlayerCore::afCommand(const QString& label, const QString& param, const QString& value)
{
    const QStringList args{QStringLiteral("af-command"), label, param, value};
    const int code = runCommandUnlogged(m_handle.raw(), args);
    const bool delivered = code >= 0 || (code == MPV_ERROR_COMMAND && AudioChain::hasLabel(m_filterChain, label));
    if (!delivered) {
        logCommandFailure(args, code);
        return code;
    }
    m_filtersAhead = true;
    return 0;
}

bool PlayerCore::fadeEligible() const
{
    if (m_hasVideo || isStream() || m_repeat == RepeatOne)
        return false;
    const bool later = m_playlistPos < m_queue.size() - 1;
    if (m_playlistPos < 0 || !(later || m_repeat == RepeatAll))
        return false;
    return m_duration >= 3 * m_crossfade;
}

// Fade-out: during the last crossfade seconds of an eligible file the level
// follows the time left, linearly.
void PlayerCore::updateFade()
{
    // Between files libmpv reports no position (read as 0) while the old
    // duration still stands, which would look like a seek out of the window
    // and cancel the coming fade-in.
    if (m_crossfade <= 0 || m_fadeTimer.isActive() || !m_fileActive)
        return;
    if (!fadeEligible()) {
        // A file that stops qualifying inside its fade window (repeat-one
        // switched on, the next entries removed) gets its full level back.
        if (m_fadeLevel < 1.0) {
            m_fadeLevel = 1.0;
            m_fadeInPending = false;
            afCommand(QStringLiteral("fade"), QStringLiteral("volume"), AudioChain::levelText(1.0));
        }
        return;
    }
    double target = AudioChain::fadeOutTarget(m_duration - m_position, m_crossfade);
    if (target > 0 && qAbs(target - m_fadeLevel) < 0.02)
        return;
    if (target <= 0 && qAbs(m_fadeLevel) < 0.02)
        return;
    if (target <= 0)
        target = 0;
    if (target == m_fadeLevel)
        return;
    m_fadeLevel = target;
    m_fadeInPending = target < 1.0;
    afCommand(QStringLiteral("fade"), QStringLiteral("volume"), AudioChain::levelText(target));
}

void PlayerCore::startFadeIn()
{
    m_fadeInPending = false;
    m_fadeLevel = 0;
    m_fadeTick = 0;
    afCommand(QStringLiteral("fade"), QStringLiteral("volume"), QStringLiteral("0"));
    m_fadeTimer.start();
}

void PlayerCore::fadeInTick()
{
    ++m_fadeTick;
    m_fadeLevel = AudioChain::fadeInLevel(m_fadeTick, m_crossfade);
    afCommand(QStringLiteral("fade"), QStringLiteral("volume"), AudioChain::levelText(m_fadeLevel));
    if (m_fadeLevel >= 1.0)
        m_fadeTimer.stop();
}
