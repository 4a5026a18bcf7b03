#include "PlaylistFile.h"

#include "App.h"
#include "Database.h"
#include "Lang.h"
#include "MediaFolder.h"
#include "PlaylistsPage.h"
#include "TextDecoder.h"
#include "WindowsPath.h"

#include <QByteArrayView>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

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

QString underFolder(const QString& path, const QString& folder)
{
    return cleanLocal(QDir::isRelativePath(path) ? folder + QLatin1Char('/') + path : path);
}

// Playlists written on Windows separate folders with backslashes, which
// are ordinary characters in a file name here: a name that exists as it is
// written is taken so.
QString localEntry(const QString& entry, const QString& folder, WindowsPath& windows)
{
    const QString asWritten = underFolder(entry, folder);
    if (QFileInfo::exists(asWritten))
        return asWritten;
    const QString found = windows.find(entry, folder);
    if (!found.isEmpty())
        return found;
    if (!entry.contains(QLatin1Char('\\')) || WindowsPath::isAbsolute(entry) || !QDir::isRelativePath(entry))
        return asWritten;
    return underFolder(QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/')), folder);
}

// "/C:/…", what a "file:///C:/…" entry gives.
bool isDriveUrlPath(const QString& path)
{
    return path.size() >= 3 && path.at(1).isLetter() && path.at(2) == QLatin1Char(':')
           && (path.size() == 3 || path.at(3) == QLatin1Char('/'));
}

// One entry as a path or link; empty when it is dropped.
QString resolveEntry(const QString& entry, const QString& folder, WindowsPath& windows)
{
    if (entry.startsWith(QLatin1String("file://"))) {
        const QString local = localFromUrl(entry);
        if (!isDriveUrlPath(local) || QFileInfo::exists(local))
            return local;
        const QString found = windows.find(local.mid(1), folder);
        return found.isEmpty() ? local : found;
    }
    if (entry.contains(QLatin1String("://")))
        return isFetchedStream(entry) ? entry : QString();
    return localEntry(entry, folder, windows);
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

QString labelOf(const MediaItem& item)
{
    return withoutControls(item.artist.isEmpty() ? item.displayTitle()
                                                 : item.artist + QStringLiteral(" - ") + item.displayTitle());
}

// Seconds and label of a path: from its library row, else from the tags the
// Playlists page shows for it, with -1 for a length they do not give.
std::pair<qint64, QString> lengthAndLabel(const QString& path)
{
    if (const std::optional<MediaItem> item = Database::instance()->mediaByPath(path))
        return {wholeSeconds(item->duration), labelOf(*item)};
    const MediaItem tags = PlaylistsPage::recordFor(path);
    const qint64 seconds = wholeSeconds(tags.duration);
    return {seconds > 0 ? seconds : -1, labelOf(tags)};
}

QString extinfLine(const QString& path)
{
    const auto [seconds, label] = lengthAndLabel(path);
    return QStringLiteral("#EXTINF:%1,%2").arg(seconds).arg(label);
}

QString pathLine(const QString& path)
{
    if (path.contains(QLatin1String("://")))
        return escapeControls(path);
    if (readsBackAsLine(path))
        return QDir::toNativeSeparators(path);
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

// The entries of one reading, nested playlists and folders included, and
// what is left of its budgets.
struct Reading
{
    QList<QString> entries;
    QSet<QString> seen;   // canonical paths of the playlists read
    int nested = 0;
    bool capped = false;
    PlaylistFile::Outcome outcome;
    WindowsPath windows;
    qint64 bytesLeft = PlaylistFile::kMaxTotalBytes;
    qint64 linesLeft = PlaylistFile::kMaxTotalLines;
    qint64 folderEntriesLeft = PlaylistFile::kMaxFolderEntries;
    MediaFolder folders;
};

// The file's text as UTF-8; nothing when it cannot be read or holds a NUL.
std::optional<QByteArray> readText(const QString& path)
{
    std::optional<QByteArray> data = readBounded(path);
    if (!data)
        return std::nullopt;
    data = TextDecoder::toUtf8(*data);
    if (data->contains('\0'))
        return std::nullopt;
    return data;
}

void readLines(const QByteArray& data, const QString& path, int depth, Reading& r, QString* title);

void leaveOut(PlaylistFile::Outcome::Skip why, const QString& path, Reading& r)
{
    if (r.outcome.skips++ == 0) {
        r.outcome.skip = why;
        r.outcome.skipped = path;
    }
}

void cut(PlaylistFile::Outcome::Cut why, Reading& r)
{
    r.capped = true;
    r.outcome.cut = why;
}

// Reads a playlist that one at depth lists, in its place; nothing when it
// would be too deep, was read already, or is one file too many. One larger
// than what is left of the budget ends the reading.
void readNested(const QString& path, int depth, Reading& r)
{
    using Skip = PlaylistFile::Outcome::Skip;
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || r.seen.contains(canonical))
        return;
    if (depth >= PlaylistFile::kMaxDepth || r.nested >= PlaylistFile::kMaxNestedFiles) {
        qWarning().noquote() << "playlist aninhada demais, ignorada:" << path;
        leaveOut(depth >= PlaylistFile::kMaxDepth ? Skip::DeepList : Skip::ManyLists, path, r);
        return;
    }
    if (info.size() > r.bytesLeft) {
        cut(PlaylistFile::Outcome::Cut::Text, r);
        return;
    }
    r.seen.insert(canonical);
    ++r.nested;
    QString title;
    if (const std::optional<QByteArray> data = readText(path))
        readLines(*data, path, depth + 1, r, &title);
}

void take(const QString& entry, Reading& r)
{
    if (r.entries.size() < PlaylistFile::kMaxEntries)
        r.entries.append(entry);
    else
        cut(PlaylistFile::Outcome::Cut::Entries, r);
}

// A folder gives its playable files, as an opened folder does. One too big
// for what is left of the walking budget gives nothing: a few files picked
// from it at random would be no better.
void addFolder(const QString& folder, Reading& r)
{
    QList<QString> found;
    if (!r.folders.files(folder, &r.folderEntriesLeft, &found)) {
        qWarning().noquote() << "pasta grande demais numa playlist, ignorada:" << folder;
        leaveOut(PlaylistFile::Outcome::Skip::LargeFolder, folder, r);
        return;
    }
    for (const QString& file : found) {
        take(file, r);
        if (r.capped)
            return;
    }
}

void addEntry(const QString& entry, int depth, Reading& r)
{
    if (!entry.contains(QLatin1String("://")) && QFileInfo(entry).isDir())
        addFolder(entry, r);
    else if (isPlaylistPath(entry))
        readNested(entry, depth, r);
    else
        take(entry, r);
}

// Takes one line's bytes off the budgets; false once they are spent.
bool spend(qsizetype bytes, Reading& r)
{
    if (bytes > r.bytesLeft || r.linesLeft <= 0) {
        cut(PlaylistFile::Outcome::Cut::Text, r);
        return false;
    }
    r.bytesLeft -= bytes;
    --r.linesLeft;
    return true;
}

void readLines(const QByteArray& data, const QString& path, int depth, Reading& r, QString* title)
{
    const QString folder = QFileInfo(path).absolutePath();
    const bool pls = App::ext(path) == QLatin1String("pls");
    TextDecoder decoder;
    qsizetype start = 0;
    while (start < data.size() && !r.capped) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        const QByteArrayView bytes(data.constData() + start, end - start);
        const qsizetype next = qMin(end + 1, data.size());
        if (!spend(next - start, r))
            break;
        start = next;
        if (bytes.size() > PlaylistFile::kMaxLineLength)
            continue;
        const QString line = decoder.line(bytes).trimmed();
        const QString entry = line.isEmpty() ? QString() : lineEntry(line, pls, title);
        const QString resolved = entry.isEmpty() ? QString() : resolveEntry(entry, folder, r.windows);
        if (!resolved.isEmpty())
            addEntry(resolved, depth, r);
    }
}

QString skipText(PlaylistFile::Outcome::Skip why)
{
    switch (why) {
    case PlaylistFile::Outcome::Skip::LargeFolder:
        return L("Pasta grande demais ignorada: %1", "Folder too large, skipped: %1");
    case PlaylistFile::Outcome::Skip::DeepList:
        return L("Playlist aninhada demais ignorada: %1", "Playlist nested too deep, skipped: %1");
    case PlaylistFile::Outcome::Skip::ManyLists:
        return L("Playlists demais numa lista, ignorada: %1", "Too many playlists in a list, skipped: %1");
    case PlaylistFile::Outcome::Skip::None:
        break;
    }
    return QString();
}

QString m3uText(const QList<QString>& paths)
{
    QString text = QStringLiteral("#EXTM3U\n");
    for (const QString& entry : paths)
        text += extinfLine(entry) + QLatin1Char('\n') + pathLine(entry) + QLatin1Char('\n');
    return text;
}

QString plsText(const QList<QString>& paths)
{
    QString text = QStringLiteral("[playlist]\n");
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const auto [seconds, label] = lengthAndLabel(paths.at(i));
        const QString n = QString::number(i + 1);
        text += QStringLiteral("File%1=%2\nTitle%1=%3\nLength%1=%4\n")
                    .arg(n, pathLine(paths.at(i)), label, QString::number(seconds));
    }
    return text + QStringLiteral("NumberOfEntries=%1\nVersion=2\n").arg(paths.size());
}

}  // namespace

bool PlaylistFile::read(const QString& path, QString* name, QList<QString>* paths, Outcome* outcome)
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
    if (outcome)
        *outcome = r.outcome;
    return true;
}

QString PlaylistFile::notice(const QString& path, const Outcome& outcome)
{
    QStringList parts;
    if (outcome.cut == Outcome::Cut::Entries)
        parts << L("Playlist longa: abertas só as primeiras %1 entradas",
                   "Long playlist: only the first %1 entries were opened")
                     .arg(kMaxEntries);
    else if (outcome.cut == Outcome::Cut::Text)
        parts << L("Playlist grande demais, lida só em parte: %1", "Playlist too large, read only in part: %1")
                     .arg(QFileInfo(path).fileName());
    if (outcome.skip != Outcome::Skip::None) {
        QString left = skipText(outcome.skip).arg(outcome.skip == Outcome::Skip::LargeFolder
                                                      ? outcome.skipped
                                                      : QFileInfo(outcome.skipped).fileName());
        if (outcome.skips > 1)
            left += QStringLiteral(" (+%1)").arg(outcome.skips - 1);
        parts << left;
    }
    return parts.join(QStringLiteral(" · "));
}

bool PlaylistFile::write(const QString& path, const QList<QString>& paths)
{
    const QString text = App::ext(path) == QLatin1String("pls") ? plsText(paths) : m3uText(paths);
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
