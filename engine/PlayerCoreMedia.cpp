#include "PlayerCore.h"

#include "App.h"
#include "Lang.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString idOrNo(qint64 id)
{
    return id < 1 ? QStringLiteral("no") : QString::number(id);
}

QString infoRow(const QString& label, const QString& value)
{
    if (value.isEmpty())
        return QString();
    return QStringLiteral("<tr><td style='color:#a8b5c7;padding-right:16px'>%1</td><td>%2</td></tr>")
        .arg(label, value.toHtmlEscaped());
}

QString screenshotBase(const QString& path, bool stream)
{
    QString base = QFileInfo(path).completeBaseName();
    if (base.isEmpty() || stream)
        base = QStringLiteral("captura");
    for (const QChar c : QStringLiteral("\\/:*?\"<>|"))
        base.replace(c, QLatin1Char('_'));
    return base;
}

}  // namespace

void PlayerCore::setTrack(const QString& type, qint64 id)
{
    const char* prop = type == QLatin1String("video")   ? "vid"
                       : type == QLatin1String("audio") ? "aid"
                                                        : "sid";
    m_handle.set(prop, idOrNo(id));
}

void PlayerCore::cycleTrack(const QString& type)
{
    const QString what = type == QLatin1String("audio") || type == QLatin1String("video")
        ? type
        : QStringLiteral("sub");
    m_handle.command({QStringLiteral("cycle"), what});
}

void PlayerCore::setSecondarySub(qint64 id)
{
    m_handle.set("secondary-sid", idOrNo(id));
}

void PlayerCore::addSubtitle(const QString& path)
{
    m_handle.command({QStringLiteral("sub-add"), path, QStringLiteral("select")});
}

void PlayerCore::setHwdec(bool on)
{
    m_hwdec = on;
    const QString mode = !on      ? QStringLiteral("no")
                         : m_mirror ? QStringLiteral("auto-copy-safe")
                                    : QStringLiteral("auto-safe");
    m_handle.set("hwdec", mode);
}

// The mirror is a video filter, which needs decoded frames in memory: with
// hardware decoding on, it switches to a copy-back mode while mirrored.
void PlayerCore::setMirror(bool on)
{
    m_mirror = on;
    if (on) {
        if (m_hwdec)
            m_handle.set("hwdec", QStringLiteral("auto-copy-safe"));
        m_handle.command({QStringLiteral("vf"), QStringLiteral("add"), QStringLiteral("@mirror:hflip")});
        return;
    }
    m_handle.command({QStringLiteral("vf"), QStringLiteral("remove"), QStringLiteral("@mirror")});
    if (m_hwdec)
        m_handle.set("hwdec", QStringLiteral("auto-safe"));
}

QString PlayerCore::screenshot(bool withSubs)
{
    QString dir = App::get(QStringLiteral("video/screenshotDir")).toString();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + QStringLiteral("/Orvel");
    QDir().mkpath(dir);
    const QString time = App::formatTime(m_position).replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString file = QStringLiteral("%1/%2_%3_%4.png")
                             .arg(dir, screenshotBase(m_path, isStream()), time,
                                  QDateTime::currentDateTime().toString(QStringLiteral("HHmmss")));
    const int code = m_handle.command({QStringLiteral("screenshot-to-file"), file,
                                       withSubs ? QStringLiteral("subtitles") : QStringLiteral("video")});
    return code < 0 ? QString() : file;
}

void PlayerCore::setAudioDevice(const QString& name)
{
    m_handle.set("audio-device", name);
}

QVariantList PlayerCore::audioDevices() const
{
    return m_handle.getNode("audio-device-list").toList();
}

QString PlayerCore::mediaInfo() const
{
    const MpvHandle& h = m_handle;
    QString rows;
    rows += infoRow(L("Arquivo", "File"), m_path);
    rows += infoRow(L("Título", "Title"), title());
    rows += infoRow(L("Formato", "Format"), h.getString("file-format"));
    const long long size = h.getInt("file-size", 0);
    if (size > 0)
        rows += infoRow(L("Tamanho", "Size"), QStringLiteral("%1 MB").arg(size / 1048576.0, 0, 'f', 1));
    rows += infoRow(L("Duração", "Duration"), App::formatTime(m_duration));
    if (m_hasVideo) {
        rows += infoRow(L("Vídeo", "Video"), h.getString("video-codec"));
        rows += infoRow(L("Resolução", "Resolution"), QStringLiteral("%1 x %2")
                                                          .arg(h.getInt("video-params/w", 0))
                                                          .arg(h.getInt("video-params/h", 0)));
        const double fps = h.getDouble("container-fps", 0);
        if (fps > 0)
            rows += infoRow(L("Quadros/s", "Frame rate"), QString::number(fps, 'f', 3));
        rows += infoRow(L("Cor", "Color"), h.getString("video-params/pixelformat") + QLatin1Char(' ')
                                               + h.getString("video-params/colormatrix"));
        const long long vrate = h.getInt("video-bitrate", 0);
        if (vrate > 0)
            rows += infoRow(L("Taxa de vídeo", "Video bitrate"), QStringLiteral("%1 kbps").arg(vrate / 1000));
        const QString hw = h.getString("hwdec-current");
        rows += infoRow(L("Decodificação", "Decoding"),
                        hw.isEmpty() || hw == QLatin1String("no")
                            ? L("processador", "CPU")
                            : L("placa de vídeo (", "GPU (") + hw + QLatin1Char(')'));
    }
    rows += infoRow(L("Áudio", "Audio"), h.getString("audio-codec"));
    const long long rate = h.getInt("audio-params/samplerate", 0);
    if (rate > 0)
        rows += infoRow(L("Amostragem", "Sample rate"), QStringLiteral("%1 Hz · %2 canais")
                                                            .arg(rate)
                                                            .arg(h.getInt("audio-params/channel-count", 0)));
    const long long arate = h.getInt("audio-bitrate", 0);
    if (arate > 0)
        rows += infoRow(L("Taxa de áudio", "Audio bitrate"), QStringLiteral("%1 kbps").arg(arate / 1000));
    return QStringLiteral("<table>") + rows + QStringLiteral("</table>");
}
