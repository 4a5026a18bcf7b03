#pragma once

#include <QString>
#include <QStringList>

// Runs a command line tool to its end while the event loop keeps turning, so
// this process can answer the tool meanwhile (a D-Bus client calling back into
// a service of this process, for one; QProcess::waitForFinished would stall it).
class ChildProcess
{
public:
    // The tool's standard output, trimmed; the tool is killed after timeoutMs.
    static QString run(const QString& program, const QStringList& args, int timeoutMs = 30000);
};
