#include "App.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>

// Another run of the program as far as its settings go: the same identity
// and the same test-mode folders as the test that starts it.
//   orvel_settings_tool set key=value...  stores each value; "a|b" as a list
//   orvel_settings_tool get key...        prints one key=value line per key,
//                                         a list joined by "|", a missing
//                                         key as "<none>"
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    QStandardPaths::setTestModeEnabled(true);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool store = args.value(0) == QLatin1String("set");
    for (const QString& arg : args.mid(1)) {
        if (store) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            const QStringList parts = arg.mid(eq + 1).split(QLatin1Char('|'));
            App::set(arg.left(eq), parts.size() > 1 ? QVariant(parts) : QVariant(parts.first()));
            continue;
        }
        const QVariant value = App::get(arg);
        const QString text =
            value.isValid() ? value.toStringList().join(QLatin1Char('|')) : QStringLiteral("<none>");
        std::printf("%s=%s\n", qPrintable(arg), qPrintable(text));
    }
    return 0;
}
