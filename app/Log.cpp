#include "Log.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

namespace {
QFile* g_log = nullptr;
QMutex g_logMutex;
}

namespace Log {

QString levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return QStringLiteral("DEBUG");
    case QtWarningMsg: return QStringLiteral("AVISO");
    case QtCriticalMsg: return QStringLiteral("ERRO");
    case QtFatalMsg: return QStringLiteral("FATAL");
    default: return QStringLiteral("INFO");
    }
}

QString formatLine(const QDateTime& when, QtMsgType type, const QString& message)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral(" [")
        + levelName(type) + QStringLiteral("] ") + message + QLatin1Char('\n');
}

void rotate(const QString& dir)
{
    const QString path = dir + QStringLiteral("/orvel.log");
    if (QFileInfo(path).size() <= kRotateBytes)
        return;
    const QString old = dir + QStringLiteral("/orvel.old.log");
    QFile::remove(old);
    QFile::rename(path, old);
}

bool open(const QString& dir)
{
    rotate(dir);
    auto* file = new QFile(dir + QStringLiteral("/orvel.log"));
    if (!file->open(QIODevice::Append | QIODevice::Text)) {
        delete file;
        return false;
    }
    {
        QMutexLocker lock(&g_logMutex);
        g_log = file;
    }
    qInstallMessageHandler(handler);
    return true;
}

void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    QMutexLocker lock(&g_logMutex);
    if (!g_log)
        return;
    QTextStream out(g_log);
    out.setEncoding(QStringConverter::Utf8);
    out << formatLine(QDateTime::currentDateTime(), type, message);
    out.flush();
}

}  // namespace Log
