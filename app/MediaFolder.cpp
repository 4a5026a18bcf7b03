#include "MediaFolder.h"

#include "App.h"

#include <QCollatorSortKey>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Numeric, case-insensitive order. The C locale's collator ignores numeric
// mode, so it is replaced by English.
QCollator naturalCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Sort keys give the collator's order at a fraction of the cost of compare().
QList<QString> sorted(const QList<QString>& found, const QCollator& collator)
{
    std::vector<std::pair<QCollatorSortKey, int>> keys;
    keys.reserve(found.size());
    for (int i = 0; i < found.size(); ++i)
        keys.emplace_back(collator.sortKey(found.at(i)), i);
    std::sort(keys.begin(), keys.end(),
              [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QList<QString> out;
    out.reserve(found.size());
    for (const auto& k : keys)
        out.append(found.at(k.second));
    return out;
}

}  // namespace

MediaFolder::MediaFolder() : m_collator(naturalCollator())
{
    for (const QStringList* list : {&App::videoExts(), &App::audioExts()})
        for (const QString& e : *list)
            m_exts.insert(e);
}

QList<QString> MediaFolder::files(const QString& folder) const
{
    qint64 entries = std::numeric_limits<qint64>::max();
    QList<QString> found;
    files(folder, &entries, &found);
    return found;
}

// Folders are listed too, so that a tree of empty folders counts.
bool MediaFolder::files(const QString& folder, qint64* entries, QList<QString>* found) const
{
    QList<QString> paths;
    QDirIterator it(QFileInfo(folder).absoluteFilePath(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (*entries <= 0)
            return false;
        --*entries;
        const QString path = it.next();
        if (m_exts.contains(App::ext(path)) && it.fileInfo().isFile())
            paths.append(QDir::cleanPath(path));
    }
    found->append(sorted(paths, m_collator));
    return true;
}
