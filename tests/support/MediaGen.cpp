#include "MediaGen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QString g_error;

QString num(double v)
{
    return QString::number(v, 'f', 3);
}

QString ext(const QString& path)
{
    return QFileInfo(path).suffix().toLower();
}

bool isVideoContainer(const QString& e)
{
    return e == "mp4" || e == "m4v" || e == "mkv" || e == "mov" || e == "webm";
}

QStringList audioCodec(const QString& e)
{
    if (e == "mp3") return {"-c:a", "libmp3lame", "-b:a", "128k"};
    if (e == "flac") return {"-c:a", "flac"};
    if (e == "ogg" || e == "oga") return {"-c:a", "libvorbis"};
    if (e == "opus") return {"-c:a", "libopus"};
    if (e == "wav") return {"-c:a", "pcm_s16le"};
    if (e == "webm") return {"-c:a", "libopus"};
    return {"-c:a", "aac", "-b:a", "128k"};
}

QString writeFfmetadata(const QString& dir, const MediaGen::Spec& spec)
{
    QString text = ";FFMETADATA1\n";
    for (int i = 0; i < spec.chapters.size(); ++i) {
        const qint64 start = qint64(spec.chapters[i].first * 1000);
        const qint64 end = i + 1 < spec.chapters.size() ? qint64(spec.chapters[i + 1].first * 1000)
                                                        : qint64(spec.seconds * 1000);
        text += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=%3\n")
                    .arg(start).arg(end).arg(spec.chapters[i].second);
    }
    const QString path = dir + "/chapters.txt";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(text.toUtf8());
    return path;
}

QString writeSrt(const QString& dir, double seconds)
{
    const QString path = dir + "/subs.srt";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    const int end = qMax(1, int(seconds));
    f.write(QStringLiteral("1\n00:00:00,000 --> 00:00:%1,000\nOlá mundo\n\n")
                .arg(end, 2, 10, QLatin1Char('0')).toUtf8());
    return path;
}

}  // namespace

bool MediaGen::available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QString MediaGen::lastError()
{
    return g_error;
}

bool MediaGen::ffmpeg(const QStringList& args, int timeoutMs)
{
    if (!available()) {
        g_error = QStringLiteral("ffmpeg not found: install it (scripts/install-deps.sh)");
        return false;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-y", "-v", "error"} + args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        g_error = QStringLiteral("ffmpeg timed out: ") + args.join(' ');
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        g_error = QStringLiteral("ffmpeg failed (%1): %2\n%3")
                      .arg(p.exitCode()).arg(args.join(' '), QString::fromUtf8(p.readAll()));
        return false;
    }
    g_error.clear();
    return true;
}

bool MediaGen::image(const QString& path, int width, int height, const QColor& color)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(color);
    if (!img.save(path)) {
        g_error = QStringLiteral("could not write image ") + path;
        return false;
    }
    return true;
}

bool MediaGen::make(const QString& path, const Spec& spec)
{
    QTemporaryDir tmp;
    const QString e = ext(path);
    const bool container = isVideoContainer(e);
    const bool withVideo = spec.video && container;
    QStringList in;
    QStringList maps;
    int input = 0;
    const QString dur = num(spec.seconds);

    if (withVideo) {
        const QString src = spec.videoSource.isEmpty()
            ? QStringLiteral("testsrc=size=%1x%2:rate=%3").arg(spec.width).arg(spec.height).arg(spec.rate)
            : spec.videoSource;
        in << "-f" << "lavfi" << "-t" << dur << "-i" << src;
        maps << "-map" << QString::number(input++) + ":v";
    }
    const int tracks = spec.audio ? qMax(1, spec.audioTracks) : 0;
    for (int t = 0; t < tracks; ++t) {
        const QString src = spec.audioSource.isEmpty()
            ? QStringLiteral("sine=frequency=%1:sample_rate=44100").arg(spec.frequency + 110 * t)
            : spec.audioSource;
        in << "-f" << "lavfi" << "-t" << dur << "-i" << src;
        maps << "-map" << QString::number(input++) + ":a";
    }
    if (spec.subtitle && e == "mkv") {
        in << "-i" << writeSrt(tmp.path(), spec.seconds);
        maps << "-map" << QString::number(input++) + ":s";
    }
    int coverInput = -1;
    if (spec.cover) {
        const QString img = tmp.path() + "/cover.jpg";
        if (!image(img, 64, 64, spec.coverColor))
            return false;
        in << "-i" << img;
        coverInput = input++;
        maps << "-map" << QString::number(coverInput) + ":v";
    }
    int metaInput = -1;
    if (!spec.chapters.isEmpty()) {
        in << "-f" << "ffmetadata" << "-i" << writeFfmetadata(tmp.path(), spec);
        metaInput = input++;
    }

    QStringList out = maps;
    if (metaInput >= 0)
        out << "-map_chapters" << QString::number(metaInput);
    if (withVideo) {
        out << "-c:v:0" << (e == "webm" ? "libvpx" : "libx264") << "-pix_fmt" << "yuv420p";
        if (e != "webm")
            out << "-preset" << "ultrafast";
        if (spec.keyint > 0)
            out << "-g" << QString::number(spec.keyint) << "-keyint_min" << QString::number(spec.keyint);
    }
    if (tracks > 0)
        out << audioCodec(e);
    if (spec.subtitle && e == "mkv")
        out << "-c:s" << "srt" << "-metadata:s:s:0" << "language=" + spec.subtitleLanguage;
    for (int t = 0; t < tracks; ++t) {
        if (t < spec.audioLanguages.size())
            out << QStringLiteral("-metadata:s:a:%1").arg(t) << "language=" + spec.audioLanguages[t];
        if (t < spec.audioTitles.size())
            out << QStringLiteral("-metadata:s:a:%1").arg(t) << "title=" + spec.audioTitles[t];
    }
    if (coverInput >= 0) {
        const int vIndex = withVideo ? 1 : 0;
        out << QStringLiteral("-c:v:%1").arg(vIndex) << "mjpeg"
            << QStringLiteral("-disposition:v:%1").arg(vIndex) << "attached_pic";
        if (e == "mp3")
            out << "-id3v2_version" << "3" << "-metadata:s:v" << "title=Album cover"
                << "-metadata:s:v" << "comment=Cover (front)";
    }
    for (auto it = spec.tags.cbegin(); it != spec.tags.cend(); ++it)
        out << "-metadata" << it.key() + "=" + it.value();
    out << spec.extra;
    if (e == "mp3" && coverInput < 0)
        out << "-id3v2_version" << "3";
    if (!withVideo && coverInput < 0)
        out << "-vn";
    out << path;
    return ffmpeg(in + out);
}

bool MediaGen::video(const QString& path, double seconds, int width, int height)
{
    Spec s;
    s.video = true;
    s.seconds = seconds;
    s.width = width;
    s.height = height;
    return make(path, s);
}

bool MediaGen::audio(const QString& path, double seconds, const QMap<QString, QString>& tags)
{
    Spec s;
    s.seconds = seconds;
    s.tags = tags;
    return make(path, s);
}
