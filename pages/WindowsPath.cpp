#include "WindowsPath.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

namespace {

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString under(const QString& relative, const QString& folder)
{
    return QDir::cleanPath(joined(folder, relative));
}

QString withSlashes(const QString& entry)
{
    return QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

}  // namespace

bool WindowsPath::isAbsolute(const QString& entry)
{
    return entry.startsWith(QLatin1Char('\\'))
           || (entry.size() > 2 && entry.at(0).isLetter() && entry.at(1) == QLatin1Char(':')
               && (entry.at(2) == QLatin1Char('\\') || entry.at(2) == QLatin1Char('/')));
}

QString WindowsPath::find(const QString& entry, const QString& folder)
{
    if (isAbsolute(entry))
        return findTail(entry, folder);
    if (!QDir::isRelativePath(entry))
        return QString();
    return existing(under(withSlashes(entry), folder));
}

// The tail is looked for beside the playlist first, then in the folder
// above it.
QString WindowsPath::findTail(const QString& entry, const QString& folder)
{
    QStringList parts = withSlashes(entry).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!entry.startsWith(QLatin1Char('\\')) && !parts.isEmpty())
        parts.removeFirst();   // the drive
    QStringList bases{folder};
    const QString above = QFileInfo(folder).absolutePath();
    if (above != folder)
        bases.append(above);
    for (qsizetype n = qMin<qsizetype>(parts.size(), kMaxTailParts); n > 0; --n) {
        const QString tail = parts.mid(parts.size() - n).join(QLatin1Char('/'));
        for (const QString& base : bases) {
            const QString found = existing(under(tail, base));
            if (!found.isEmpty())
                return found;
        }
    }
    return QString();
}

// From the deepest folder of the path that exists, each further part is
// taken in the letter case the disk has it.
QString WindowsPath::existing(const QString& path)
{
    if (QFileInfo::exists(path))
        return path;
    QStringList rest;
    QString head = path;
    while (!QFileInfo::exists(head)) {
        const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return QString();
        rest.prepend(head.mid(slash + 1));
        head = slash == 0 ? QStringLiteral("/") : head.left(slash);
    }
    for (const QString& part : rest) {
        const QString name = names(head).value(part.toCaseFolded());
        if (name.isEmpty())
            return QString();
        head = joined(head, name);
    }
    return head;
}

const QHash<QString, QString>& WindowsPath::names(const QString& folder)
{
    static const QHash<QString, QString> none;
    const auto known = m_listings.constFind(folder);
    if (known != m_listings.cend())
        return *known;
    if (m_listings.size() >= kMaxFolders)
        return none;
    QHash<QString, QString> listing;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (listing.size() >= kMaxNames) {
            listing.clear();
            break;
        }
        if (!listing.contains(name.toCaseFolded()))
            listing.insert(name.toCaseFolded(), name);
    }
    return *m_listings.insert(folder, listing);
}
