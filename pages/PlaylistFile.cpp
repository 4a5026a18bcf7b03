#include "PlaylistFile.h"

#include "App.h"
#include "Database.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
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

// Lines that are not valid UTF-8 most likely come from Windows, as
// Windows-1252; Latin-1 reads every byte when that codec is missing.
struct LineDecoder
{
    QStringDecoder utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QStringDecoder windows{"windows-1252", QStringDecoder::Flag::Stateless};

    QString decode(QByteArrayView bytes)
    {
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        utf8.resetState();
        if (windows.isValid()) {
            text = windows.decode(bytes);
            if (!windows.hasError())
                return text;
            windows.resetState();
        }
        return QString::fromLatin1(bytes);
    }
};

// QDir::cleanPath keeps ".." segments above the root ("/../a"); there is
// nothing above it.
QString cleanLocal(const QString& path)
{
    QString clean = QDir::cleanPath(path);
    while (clean.startsWith(QLatin1String("/../")))
        clean.remove(0, 3);
    if (clean == QLatin1String("/.."))
        clean = QStringLiteral("/");
    return clean;
}

// udp and rtp links make the player wait for whatever anyone sends to its
// port, so a file from elsewhere does not get to give them.
bool isFetchedStream(const QString& link)
{
    return App::isNetworkStream(link) && !link.startsWith(QLatin1String("udp:"), Qt::CaseInsensitive)
           && !link.startsWith(QLatin1String("rtp:"), Qt::CaseInsensitive);
}

// A "file://" entry as its local path; empty when it names another host or
// decodes to a NUL, which no file name holds (the player would get the name
// cut short there).
QString localFromUrl(const QString& entry)
{
    const QUrl url(entry, QUrl::TolerantMode);
    const QString host = url.host();
    if (!url.isValid() || !(host.isEmpty() || host == QLatin1String("localhost")))
        return QString();
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return QString();
    return cleanLocal(path);
}

// One entry as a path or link; empty when it is dropped.
QString resolveEntry(const QString& entry, const QString& folder)
{
    if (entry.startsWith(QLatin1String("file://")))
        return localFromUrl(entry);
    if (entry.contains(QLatin1String("://")))
        return isFetchedStream(entry) ? entry : QString();
    QString path = QDir::fromNativeSeparators(entry);
    if (QDir::isRelativePath(path))
        path = folder + QLatin1Char('/') + path;
    return cleanLocal(path);
}

bool isPlaylistPath(const QString& path)
{
    return !path.contains(QLatin1String("://")) && App::playlistExts().contains(App::ext(path));
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

// The entries of one reading, nested playlists included.
struct Reading
{
    QList<QString> entries;
    QSet<QString> seen;   // canonical paths of the playlists read
    int nested = 0;
    bool capped = false;
};

std::optional<QByteArray> readText(const QString& path)
{
    std::optional<QByteArray> data = readBounded(path);
    if (data && data->contains('\0'))
        return std::nullopt;
    return data;
}

void readLines(const QByteArray& data, const QString& path, int depth, Reading& r, QString* title);

// Reads a playlist that one at depth lists, in its place; nothing when it
// would be too deep, was read already, or is one file too many.
void readNested(const QString& path, int depth, Reading& r)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (depth >= PlaylistFile::kMaxDepth || r.nested >= PlaylistFile::kMaxNestedFiles
        || canonical.isEmpty() || r.seen.contains(canonical))
        return;
    r.seen.insert(canonical);
    ++r.nested;
    QString title;
    if (const std::optional<QByteArray> data = readText(path))
        readLines(*data, path, depth + 1, r, &title);
}

void addEntry(const QString& entry, int depth, Reading& r)
{
    if (isPlaylistPath(entry))
        readNested(entry, depth, r);
    else if (r.entries.size() < PlaylistFile::kMaxEntries)
        r.entries.append(entry);
    else
        r.capped = true;
}

void readLines(const QByteArray& data, const QString& path, int depth, Reading& r, QString* title)
{
    const QString folder = QFileInfo(path).absolutePath();
    const bool pls = App::ext(path) == QLatin1String("pls");
    LineDecoder decoder;
    qsizetype start = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < data.size() && !r.capped) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        const QByteArrayView bytes(data.constData() + start, end - start);
        start = end + 1;
        if (bytes.size() > PlaylistFile::kMaxLineLength)
            continue;
        const QString line = decoder.decode(bytes).trimmed();
        const QString entry = line.isEmpty() ? QString() : lineEntry(line, pls, title);
        const QString resolved = entry.isEmpty() ? QString() : resolveEntry(entry, folder);
        if (!resolved.isEmpty())
            addEntry(resolved, depth, r);
    }
}

}  // namespace

bool PlaylistFile::read(const QString& path, QString* name, QList<QString>* paths, bool* capped)
{
    const std::optional<QByteArray> data = readText(path);
    if (!data)
        return false;
    Reading r;
    r.seen.insert(QFileInfo(path).canonicalFilePath());
    QString title = QFileInfo(path).completeBaseName();
    readLines(*data, path, 0, r, &title);
    if (name)
        *name = title;
    if (paths)
        paths->append(r.entries);
    if (capped)
        *capped = r.capped;
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
