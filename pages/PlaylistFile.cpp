#include "PlaylistFile.h"

#include "App.h"
#include "Database.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isSmallRegularFile(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_size <= PlaylistFile::kMaxFileSize;
}

// The whole file, when it is a regular file within the size limit. The
// path is checked before opening (opening some devices has side effects),
// opened without blocking (a FIFO put there since would otherwise wait for
// a writer) and checked again on the open descriptor.
std::optional<QByteArray> readBounded(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat st;
    if (::stat(local.constData(), &st) != 0 || !isSmallRegularFile(st))
        return std::nullopt;
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    if (::fstat(fd, &st) != 0 || !isSmallRegularFile(st)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray data = file.read(PlaylistFile::kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > PlaylistFile::kMaxFileSize)
        return std::nullopt;
    return data;
}

// One line as UTF-8, or as Latin-1 when it is not valid UTF-8.
QString decodeLine(QByteArrayView bytes, QStringDecoder& utf8)
{
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    utf8.resetState();
    return QString::fromLatin1(bytes);
}

// A "file://" entry as its local path; empty when it names another host.
QString localFromUrl(const QString& entry)
{
    const QUrl url(entry, QUrl::TolerantMode);
    const QString host = url.host();
    if (!url.isValid() || !(host.isEmpty() || host == QLatin1String("localhost")))
        return QString();
    const QString path = url.path(QUrl::FullyDecoded);
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

// One entry as a path or link; empty when it is dropped.
QString resolveEntry(const QString& entry, const QString& folder)
{
    if (entry.startsWith(QLatin1String("file://")))
        return localFromUrl(entry);
    if (entry.contains(QLatin1String("://")))
        return App::isNetworkStream(entry) ? entry : QString();
    QString path = QDir::fromNativeSeparators(entry);
    if (QDir::isRelativePath(path))
        path = folder + QLatin1Char('/') + path;
    return QDir::cleanPath(path);
}

// The entry of a trimmed, non-empty line; empty for a line that holds none.
// A "#PLAYLIST:" line sets *name instead.
QString lineEntry(const QString& line, bool pls, QString* name)
{
    if (pls) {
        if (!line.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
            return QString();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        return eq < 0 ? line : line.mid(eq + 1).trimmed();
    }
    if (!line.startsWith(QLatin1Char('#')))
        return line;
    if (line.startsWith(QLatin1String("#PLAYLIST:")))
        *name = line.mid(10).trimmed();
    return QString();
}

// Seconds for "#EXTINF:": a row's duration truncated, 0 when unknown.
qint64 wholeSeconds(double duration)
{
    if (!std::isfinite(duration) || duration <= 0 || duration >= 1e15)
        return 0;
    return static_cast<qint64>(duration);
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

QString withoutControls(QString text)
{
    for (QChar& c : text) {
        if (isControl(c))
            c = QLatin1Char(' ');
    }
    return text;
}

// A link with its control characters percent-encoded, so that it stays on
// its own line.
QString escapeControls(const QString& link)
{
    QString out;
    for (QChar c : link) {
        if (isControl(c))
            out += QString::fromLatin1(QString(c).toUtf8().toPercentEncoding());
        else
            out += c;
    }
    return out;
}

// Whether a local path comes back unchanged from a line of its own: the
// reader trims lines and splits them at line feeds.
bool readsBackAsLine(const QString& path)
{
    if (path.isEmpty() || path.front().isSpace() || path.back().isSpace())
        return false;
    return std::none_of(path.begin(), path.end(), isControl);
}

QString extinfLine(const QString& path)
{
    qint64 seconds = -1;
    QString label;
    if (const std::optional<MediaItem> item = Database::instance()->mediaByPath(path)) {
        seconds = wholeSeconds(item->duration);
        label = item->artist.isEmpty() ? item->displayTitle()
                                       : item->artist + QStringLiteral(" - ") + item->displayTitle();
    } else {
        label = QFileInfo(path).completeBaseName();
    }
    return QStringLiteral("#EXTINF:%1,%2").arg(seconds).arg(withoutControls(label));
}

QString pathLine(const QString& path)
{
    if (path.contains(QLatin1String("://")))
        return escapeControls(path);
    if (readsBackAsLine(path))
        return QDir::toNativeSeparators(path);
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

}  // namespace

bool PlaylistFile::read(const QString& path, QString* name, QList<QString>* paths)
{
    const std::optional<QByteArray> data = readBounded(path);
    if (!data || data->contains('\0'))
        return false;
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const bool pls = dot >= 0 && path.mid(dot + 1).toLower() == QLatin1String("pls");
    QString title = info.completeBaseName();
    QList<QString> entries;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype start = data->startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < data->size()) {
        qsizetype end = data->indexOf('\n', start);
        if (end < 0)
            end = data->size();
        const QByteArrayView bytes(data->constData() + start, end - start);
        start = end + 1;
        if (bytes.size() > kMaxLineLength)
            continue;
        const QString line = decodeLine(bytes, utf8).trimmed();
        const QString entry = line.isEmpty() ? QString() : lineEntry(line, pls, &title);
        const QString resolved = entry.isEmpty() ? QString() : resolveEntry(entry, folder);
        if (!resolved.isEmpty())
            entries.append(resolved);
    }
    if (name)
        *name = title;
    if (paths)
        paths->append(entries);
    return true;
}

bool PlaylistFile::write(const QString& path, const QList<QString>& paths)
{
    QString text = QStringLiteral("#EXTM3U\n");
    for (const QString& entry : paths)
        text += extinfLine(entry) + QLatin1Char('\n') + pathLine(entry) + QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    // A short write (full disk, size limit) is no error to QSaveFile, and
    // through its buffer not even visible: its commit would replace the old
    // file with the truncated one. Unbuffered, write() reports it, and
    // returning without a commit discards the new file.
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}
