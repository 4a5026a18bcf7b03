// IPTV lists: extended M3U files read into a station group named after the file.
#include "RadiosPage.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

#include "App.h"
#include "Database.h"
#include "Host.h"
#include "Lang.h"

namespace {
// The group of a list file. "radio" holds the user's own stations (and an
// empty name would be stored as "radio"): such a list gets a name of its own.
QString groupOf(const QString& path)
{
    const QString base = QFileInfo(path).completeBaseName();
    if (base.isEmpty())
        return QStringLiteral("IPTV");
    if (base == QLatin1String("radio"))
        return QStringLiteral("radio (IPTV)");
    return base;
}

QByteArray readList(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = QFileInfo(path).isFile() && file.size() <= RadiosPage::kMaxIptvFile
        && file.open(QIODevice::ReadOnly);
    return *ok ? file.read(RadiosPage::kMaxIptvFile) : QByteArray();
}

// The line of text that starts at *from, without its line feed; moves *from
// past it.
QByteArrayView nextLine(const QByteArray& text, qsizetype* from)
{
    qsizetype end = text.indexOf('\n', *from);
    if (end < 0)
        end = text.size();
    const QByteArrayView line(text.constData() + *from, end - *from);
    *from = end + 1;
    return line;
}

// What an "#EXTINF" line says of the entry that follows it. The line is
// read only when an entry follows it.
struct Pending
{
    QString extinf;
    QString title;
    QString logo;
    QString groupTitle;
};

// The name follows the first comma outside the quoted attributes, and may
// hold commas of its own ("Canal, Notícias 24h").
qsizetype titleComma(const QString& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('"'))
            quoted = !quoted;
        else if (line[i] == QLatin1Char(',') && !quoted)
            return i;
    }
    return -1;
}

void readExtinf(Pending* p)
{
    static const QRegularExpression logoRe(QStringLiteral("tvg-logo=\"([^\"]*)\""));
    static const QRegularExpression grpRe(QStringLiteral("group-title=\"([^\"]*)\""));
    if (p->extinf.isNull())
        return;
    const QString line = std::exchange(p->extinf, QString());
    const qsizetype comma = titleComma(line);
    p->title = comma < 0 ? QString() : line.mid(comma + 1).trimmed();
    p->logo = logoRe.match(line).captured(1);
    p->groupTitle = grpRe.match(line).captured(1);
}
}

bool RadiosPage::importIptv(const QString& path)
{
    bool readable = false;
    const QByteArray text = readList(path, &readable);
    if (!readable)
        return false;
    const QString group = groupOf(path);
    Database* db = Database::instance();
    QSignalBlocker blocker(db);
    if (!Database::transaction())
        return false;
    // The earlier import of the same name goes in the same transaction, so
    // a list that stores nothing leaves it in place.
    db->deleteStationGroup(group);
    Pending pending;
    int count = 0;
    bool cut = false;
    for (qsizetype from = 0; from < text.size();) {
        const QByteArrayView raw = nextLine(text, &from);
        if (raw.size() > kMaxIptvLine)
            continue;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("#EXTINF"), Qt::CaseInsensitive)) {
            pending.extinf = line;
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (count == kMaxIptvChannels) {
            qInfo().noquote() << "lista IPTV" << group << "cortada em" << count << "canais";
            cut = true;
            break;
        }
        readExtinf(&pending);
        Station station;
        station.name = pending.title.isEmpty() ? line : pending.title;
        station.url = line;
        station.logo = pending.logo;
        station.tags = pending.groupTitle;
        station.grp = group;
        // An entry that is no network stream is dropped with its description.
        if (App::isNetworkStream(line) && db->saveStation(station) > 0)
            ++count;
        pending.title.clear();
        pending.logo.clear();
    }
    const bool stored = count > 0 && Database::commit();
    if (count == 0)
        Database::rollback();
    blocker.unblock();
    if (!stored)
        return false;
    emit db->stationsChanged();   // one rebuild for the whole list
    if (cut)
        m_host->warn(L("Lista longa: importados só os primeiros %1 canais", "Long list: only the first %1 channels imported")
                         .arg(count));
    else
        m_host->toast(L("Lista \"%1\" importada: %2", "List \"%1\" imported: %2").arg(group, channelCount(count)));
    return true;
}
