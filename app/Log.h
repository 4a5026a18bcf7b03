#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The log file "orvel.log" and the Qt message handler that writes to it.
namespace Log {

// Beyond this size the log is moved to "orvel.old.log" at start.
constexpr qint64 kRotateBytes = 2 * 1024 * 1024;

QString levelName(QtMsgType type);
QString formatLine(const QDateTime& when, QtMsgType type, const QString& message);

// Moves "orvel.log" in dir to "orvel.old.log" when it is over kRotateBytes.
void rotate(const QString& dir);

// Rotates, opens dir + "/orvel.log" for appending and installs the handler.
// On failure the toolkit's default output stays in place.
bool open(const QString& dir);

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

}  // namespace Log
