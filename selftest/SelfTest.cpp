#include "SelfTest.h"

#include "MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

void runSelfTest(MainWindow* window, PlayerCore*, const QString& outDir, const QStringList& files)
{
    QDir().mkpath(outDir);
    QFile report(outDir + QStringLiteral("/relatorio.txt"));
    if (report.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        report.write(QStringLiteral("Orvel self-test: %1 arquivo(s)\n").arg(files.size()).toUtf8());
    QTimer::singleShot(500, window, [] { QApplication::exit(0); });
}
