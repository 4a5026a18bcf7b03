#include "PlayerCore.h"

#include "App.h"
#include "Lang.h"
#include "MpvApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <clocale>

PlayerCore::PlayerCore(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < 10; ++i)
        m_eqGains.append(0.0);
    m_fadeTimer.setInterval(50);
    connect(&m_fadeTimer, &QTimer::timeout, this, &PlayerCore::fadeInTick);
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setInterval(0);
    connect(&m_drainTimer, &QTimer::timeout, this, &PlayerCore::resumeDrain);
    m_loadPool.setMaxThreadCount(1);
    connect(&m_loadWatcher, &QFutureWatcherBase::finished, this, &PlayerCore::finishFileLoaded);
}

PlayerCore::~PlayerCore()
{
    if (m_handle.isNull())
        return;
    m_loadPool.waitForDone();   // its reads use the handle
    mpv()->set_wakeup_callback(m_handle.raw(), nullptr, nullptr);
    mpv()->terminate_destroy(m_handle.raw());
    m_handle = MpvHandle();
}

bool PlayerCore::init(QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!loadMpv())
        return fail(mpv()->error);
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv()->create();
    if (!h)
        return fail(QStringLiteral("mpv_create falhou"));
    m_handle = MpvHandle(h);
    m_hwdec = App::get(QStringLiteral("video/hwdec"), true).toBool();
    applyOptions();
    const int code = mpv()->initialize(h);
    if (code < 0)
        return fail(QStringLiteral("mpv_initialize: %1").arg(QString::fromUtf8(mpv()->error_string(code))));
    const QByteArray logLevel =
        qEnvironmentVariableIsSet("ORVEL_MPVLOG") ? qgetenv("ORVEL_MPVLOG") : QByteArray("warn");
    mpv()->request_log_messages(h, logLevel.constData());
    observeProperties();
    registerHooks();
    mpv()->set_wakeup_callback(h, &PlayerCore::wakeup, this);
    applySavedAudio();
    const QString device = App::get(QStringLiteral("audio/device"), QStringLiteral("auto")).toString();
    if (device != QLatin1String("auto"))
        m_handle.set("audio-device", device);
    return true;
}

void PlayerCore::applyOptions()
{
    const MpvHandle& h = m_handle;
    h.option("config", QStringLiteral("no"));
    h.option("terminal", QStringLiteral("no"));
    h.option("vo", QStringLiteral("libmpv"));
    h.option("fbo-format", QStringLiteral("rgba16"));
    // libmpv's own scripts (statistics overlay, console, auto profiles) are
    // reached only through its key bindings and config files, both off here:
    // not loading them spares three script threads and about 5 MB at start.
    for (const char* script : {"load-stats-overlay", "load-osd-console", "load-auto-profiles"})
        h.option(script, QStringLiteral("no"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->refreshRate() > 1.0)
        h.option("override-display-fps", QString::number(screen->refreshRate(), 'f', 3));
    applyEnvOptions();
    const char* const fixed[][2] = {
        {"idle", "yes"},
        {"keep-open", "yes"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osc", "no"},
        {"osd-level", "0"},
        {"audio-display", "no"},
        {"ytdl", "no"},
        {"volume-max", "200"},
        {"gapless-audio", "weak"},
        {"prefetch-playlist", "yes"},
        {"sub-auto", "exact"},
        {"audio-file-auto", "no"},
        {"cache", "auto"},
        {"demuxer-max-bytes", "150MiB"},
        {"audio-client-name", "Orvel"},
        {"screenshot-format", "png"},
        {"audio-pitch-correction", "yes"},
        {"save-position-on-quit", "no"},
    };
    for (const auto& o : fixed)
        h.option(o[0], QString::fromLatin1(o[1]));
    h.option("user-agent", QStringLiteral("Orvel/%1").arg(QCoreApplication::applicationVersion()));
    // libmpv from 0.36 on can be told to leave sub-folders alone; older ones
    // lack the option, and the load hook refuses folders there.
    mpv()->set_option_string(h.raw(), "directory-mode", "ignore");
    applySettingsOptions();
}

// Diagnosis overrides: ORVEL_HWDEC, ORVEL_VF and ORVEL_OPT ("name=value;...").
void PlayerCore::applyEnvOptions()
{
    const QString hwdecEnv = qEnvironmentVariable("ORVEL_HWDEC");
    if (!hwdecEnv.isEmpty())
        m_handle.option("hwdec", hwdecEnv);
    else
        m_handle.option("hwdec", m_hwdec ? QStringLiteral("auto-safe") : QStringLiteral("no"));
    if (qEnvironmentVariableIsSet("ORVEL_VF"))
        m_handle.option("vf", qEnvironmentVariable("ORVEL_VF"));
    if (!qEnvironmentVariableIsSet("ORVEL_OPT"))
        return;
    const QStringList parts = qEnvironmentVariable("ORVEL_OPT").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? part : part.left(eq);
        const QString value = eq < 0 ? QString() : part.mid(eq + 1);
        m_handle.option(name.toUtf8().constData(), value);
    }
}

QString PlayerCore::defaultSubtitleLanguages()
{
    return Lang::englishFlag() ? QStringLiteral("en,eng") : QStringLiteral("pt,por,pt-BR,pob");
}

void PlayerCore::applySettingsOptions()
{
    const QString codepage = App::get(QStringLiteral("subs/codepage"), QStringLiteral("auto")).toString();
    if (codepage != QLatin1String("auto"))
        m_handle.option("sub-codepage", codepage);
    m_handle.option("slang", App::get(QStringLiteral("subs/lang"), defaultSubtitleLanguages()).toString());
    m_handle.option("alang", App::get(QStringLiteral("audio/lang"), QString()).toString());
    QSettings* settings = App::settings();
    settings->beginGroup(QStringLiteral("subStyle"));
    const QStringList keys = settings->childKeys();
    for (const QString& key : keys)
        m_handle.option(key.toUtf8().constData(), settings->value(key).toString());
    settings->endGroup();
}

void PlayerCore::observeProperties()
{
    struct Observed {
        const char* name;
        mpv_format format;
    };
    // "playlist" comes without its value: a long list would be copied at
    // every change; the core reads it when it may really have changed. So do
    // "media-title" and "metadata": libmpv would otherwise copy a file's
    // tags, however long, for every change it checks, holding the lock that
    // each of the window's reads waits on.
    static const Observed props[] = {
        {"time-pos", MPV_FORMAT_DOUBLE},     {"duration", MPV_FORMAT_DOUBLE},
        {"pause", MPV_FORMAT_FLAG},          {"speed", MPV_FORMAT_DOUBLE},
        {"volume", MPV_FORMAT_DOUBLE},       {"mute", MPV_FORMAT_FLAG},
        {"idle-active", MPV_FORMAT_FLAG},    {"paused-for-cache", MPV_FORMAT_FLAG},
        {"path", MPV_FORMAT_STRING},         {"media-title", MPV_FORMAT_NONE},
        {"track-list", MPV_FORMAT_NODE},     {"chapter-list", MPV_FORMAT_NODE},
        {"playlist", MPV_FORMAT_NONE},       {"playlist-pos", MPV_FORMAT_INT64},
        {"ab-loop-a", MPV_FORMAT_NODE},      {"ab-loop-b", MPV_FORMAT_NODE},
        {"metadata", MPV_FORMAT_NONE},       {"seekable", MPV_FORMAT_FLAG},
        {"eof-reached", MPV_FORMAT_FLAG},
    };
    for (const Observed& p : props)
        mpv()->observe_property(m_handle.raw(), 0, p.name, p.format);
}

void PlayerCore::applySavedAudio()
{
    setVolume(App::get(QStringLiteral("audio/volume"), 100).toDouble());
    m_eqEnabled = App::get(QStringLiteral("eq/enabled"), false).toBool();
    // A list of numbers or of texts (as the settings file gives it back).
    const QVariantList gains = App::get(QStringLiteral("eq/gains")).toList();
    for (int i = 0; i < gains.size() && i < 10; ++i)
        m_eqGains[i] = gains[i].toDouble();
    m_eqPreamp = App::get(QStringLiteral("eq/preamp"), 0).toDouble();
    m_normalize = App::get(QStringLiteral("audio/normalize"), false).toBool();
    m_crossfade = App::get(QStringLiteral("audio/crossfade"), 0).toDouble();
    applyAudioFilters();
}

QString PlayerCore::title() const
{
    if (!m_streamTitle.isEmpty())
        return m_streamTitle;
    if (!m_mediaTitle.isEmpty())
        return m_mediaTitle;
    return QFileInfo(m_path).completeBaseName();
}

QList<MediaTrack> PlayerCore::tracksOfType(const QString& type) const
{
    QList<MediaTrack> result;
    for (const MediaTrack& t : m_tracks)
        if (t.type == type && !t.albumart)
            result.append(t);
    return result;
}

bool PlayerCore::isStream() const
{
    return m_path.contains(QLatin1String("://"));
}
