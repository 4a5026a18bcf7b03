// Child process of tst_mpvloader: loads libmpv from wherever it was copied
// to, optionally starts a PlayerCore, and prints what happened.
#include "MpvApi.h"
#include "PlayerCore.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    if (app.arguments().value(1) == QLatin1String("init")) {
        PlayerCore core;
        QString error = QStringLiteral("untouched");
        const bool ok = core.init(&error);
        out << "init=" << ok << "\nerror=" << error << "\n";
        return 0;
    }
    const bool ok = loadMpv();
    out << "load=" << ok << "\npath=" << mpv()->path << "\nerror=" << mpv()->error << "<end>\n";
    return 0;
}
