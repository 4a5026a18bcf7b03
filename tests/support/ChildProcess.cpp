#include "ChildProcess.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

QString ChildProcess::run(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess process;
    // The tools read their arguments through the locale: under "C" or
    // POSIX, playerctl refuses a file name with "ç" in it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    process.start(program, args);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
