#include "App.h"

#include "Lang.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostAddress>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QSurfaceFormat>

#include <algorithm>
#include <cmath>
#include <memory>

namespace App {

void setupOpenGl()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(1);
    const QByteArray gl = qgetenv("ORVEL_GL");
    if (gl == "core33") {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
    } else if (gl == "compat") {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(4, 5);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
    }
    QSurfaceFormat::setDefaultFormat(format);
}

QString dataDir()
{
    static const QString dir = [] {
        QString d = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(d);
        return d;
    }();
    return dir;
}

QString subDir(const QString& name)
{
    const QString path = dataDir() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

// Far more than any settings file the program writes.
constexpr qint64 kMaxSettingsBytes = 16 * 1024 * 1024;

static QString& keptSettings()
{
    static QString name;
    return name;
}

// QSettings writes UTF-8 text and escapes every control character in it
// (DEL excepted); tabs and line ends are what a hand edit adds. Anything
// else is not a file it wrote.
static bool isGarbled(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > kMaxSettingsBytes)
        return true;
    const QByteArray bytes = file.readAll();
    const bool control = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\r';
    });
    if (control)
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);   // decoding happens on conversion
    Q_UNUSED(text);
    return utf8.hasError();
}

static void keepAside(const QString& path)
{
    const QString base = QFileInfo(path).absolutePath() + QStringLiteral("/config-corrupt-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base + QStringLiteral(".ini");
    for (int n = 1; QFile::exists(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".ini");
    if (!QFile::rename(path, target)) {
        qWarning().noquote() << "configuracao ilegivel nao pode ser guardada:" << path;
        return;
    }
    qWarning().noquote() << "configuracao ilegivel guardada como" << target;
    keptSettings() = target;
}

static std::unique_ptr<QSettings> openSettings()
{
    const QString path = dataDir() + QStringLiteral("/config.ini");
    if (isGarbled(path))
        keepAside(path);
    auto s = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (s->status() != QSettings::FormatError)
        return s;
    s.reset();
    keepAside(path);
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

// A static object, not a leaked one: its destructor at exit writes back any
// change made after the event loop last ran.
QSettings* settings()
{
    static const std::unique_ptr<QSettings> s = openSettings();
    return s.get();
}

QString settingsSetAside()
{
    settings();
    return keptSettings();
}

// QSettings writes a group named "general", in any case, as the INI section
// "[%General]" and reads that section back as the group "General". Keys are
// case-sensitive, so that group is kept under the spelling it reads back as:
// a value then outlives the process that wrote it, and the files written
// under the lower-case spelling are read with their values.
static QString storedKey(const QString& key)
{
    static const QLatin1String general("general/");
    if (!key.startsWith(general, Qt::CaseInsensitive))
        return key;
    return QStringLiteral("General/") + key.mid(general.size());
}

QVariant get(const QString& key, const QVariant& def)
{
    return settings()->value(storedKey(key), def);
}

void set(const QString& key, const QVariant& value)
{
    settings()->setValue(storedKey(key), value);
}

const QStringList& videoExts()
{
    static const QStringList list = {
        "mp4", "mkv", "avi", "mov", "webm", "wmv", "flv", "m4v", "mpg", "mpeg", "ts",
        "m2ts", "mts", "3gp", "ogv", "vob", "divx", "rmvb", "asf", "f4v", "hevc", "y4m"};
    return list;
}

const QStringList& audioExts()
{
    static const QStringList list = {
        "mp3", "flac", "wav", "m4a", "aac", "ogg", "oga", "opus", "wma", "alac", "aiff",
        "aif", "ape", "wv", "mka", "ac3", "dts", "mid", "midi", "tta", "dsf"};
    return list;
}

const QStringList& subExts()
{
    static const QStringList list = {"srt", "ass", "ssa", "vtt", "sub", "idx", "sup", "smi", "lrc"};
    return list;
}

const QStringList& playlistExts()
{
    static const QStringList list = {"m3u", "m3u8", "pls"};
    return list;
}

bool isUrl(const QString& text)
{
    return text.contains(QStringLiteral("://"));
}

// A udp or rtp link without an address to receive from ("udp://@:1234",
// "rtp://:5004", "udp://0.0.0.0:1234") makes the player listen on a port of
// this machine for whatever anyone sends there. Joining a multicast group
// ("udp://@239.1.1.1:1234", as IPTV lists give it) is receiving a channel.
static bool isListeningLink(QStringView scheme, QStringView rest)
{
    if (scheme.compare(QLatin1String("udp"), Qt::CaseInsensitive) != 0
        && scheme.compare(QLatin1String("rtp"), Qt::CaseInsensitive) != 0)
        return false;
    const auto end = std::find_if(rest.begin(), rest.end(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#');
    });
    QStringView authority = rest.left(end - rest.begin());
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    const bool listens = at >= 0;
    authority = authority.mid(at + 1);
    const QStringView host = authority.startsWith(QLatin1Char('['))
                                 ? authority.mid(1, authority.indexOf(QLatin1Char(']')) - 1)
                                 : authority.left(authority.lastIndexOf(QLatin1Char(':')));
    const QHostAddress address(host.toString());
    if (listens)
        return !address.isMulticast();
    return host.isEmpty() || address == QHostAddress(QHostAddress::AnyIPv4) || address == QHostAddress(QHostAddress::AnyIPv6);
}

bool isNetworkStream(const QString& text)
{
    static const QLatin1String schemes[] = {
        QLatin1String("http"), QLatin1String("https"), QLatin1String("rtmp"), QLatin1String("rtmps"),
        QLatin1String("rtsp"), QLatin1String("rtsps"), QLatin1String("mms"),  QLatin1String("mmsh"),
        QLatin1String("udp"),  QLatin1String("rtp"),
    };
    const qsizetype end = text.indexOf(QLatin1String("://"));
    if (end <= 0)
        return false;
    const QStringView scheme = QStringView(text).left(end);
    const bool known = std::any_of(std::begin(schemes), std::end(schemes), [scheme](QLatin1String s) {
        return scheme.compare(s, Qt::CaseInsensitive) == 0;
    });
    return known && !isListeningLink(scheme, QStringView(text).mid(end + 3));
}

QString ext(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    return path.mid(dot + 1).toLower();
}

static QString twoDigits(long long n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

QString formatTime(double seconds)
{
    // NaN and infinity have no whole seconds; converting them (or a value past
    // the range of long long) would be undefined.
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const long long s = static_cast<long long>(std::min(seconds, 1e15));
    if (s > 3599)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(twoDigits((s / 60) % 60), twoDigits(s % 60));
    return QStringLiteral("%1:%2").arg(s / 60).arg(twoDigits(s % 60));
}

QString formatSpeed(double speed)
{
    QString text = QString::number(speed, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!Lang::englishFlag())
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text + QLatin1Char('x');
}

}  // namespace App
