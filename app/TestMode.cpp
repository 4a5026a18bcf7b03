#include "TestMode.h"

#include "App.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace TestMode {

Mode fromArguments(const QStringList& args)
{
    const QString first = args.value(0);
    if (first == QLatin1String("--screenshots"))
        return Screenshots;
    if (first == QLatin1String("--selftest"))
        return SelfTest;
    return None;
}

static void wipeTestDataFolder()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    // Qt's test-mode locations all live under a ".qttest" folder; anything
    // else would be the user's real data, which is never removed.
    if (!QStandardPaths::isTestModeEnabled() || !dir.contains(QLatin1String("/.qttest/")))
        return;
    QDir(dir).removeRecursively();
}

// A relative folder would give the library other paths than the ones the
// run plays.
static QString absolute(const QString& path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void prepare(Mode mode, const QStringList& args)
{
    if (mode == None)
        return;
    QStandardPaths::setTestModeEnabled(true);
    wipeTestDataFolder();
    const QString third = absolute(args.value(2));
    if (mode == Screenshots) {
        App::set(QStringLiteral("library/audio"), QStringList{third + QStringLiteral("/Musicas")});
        App::set(QStringLiteral("library/video"), QStringList{third + QStringLiteral("/Videos")});
    } else {
        const QString folder = QFileInfo(third).absolutePath();
        App::set(QStringLiteral("library/audio"), QStringList{folder});
        App::set(QStringLiteral("library/video"), QStringList{folder});
    }
    App::set(QStringLiteral("general/checkUpdates"), false);
}

}  // namespace TestMode
