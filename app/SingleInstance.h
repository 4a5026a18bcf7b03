#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QObject;

// One running player per user: a second start hands its arguments over a
// local socket to the first and exits.
namespace SingleInstance {

// "Orvel-" + $USERNAME, else $USER, else "user".
QString serverName();

// The arguments joined by line feeds, then a line feed and the end line
// "--orvel-end"; UTF-8.
QByteArray message(const QStringList& args);
// Whether the bytes end with the end line: a sender that gave up writing
// leaves a message without it.
bool isComplete(const QByteArray& bytes);
// The receiving side: the end line removed, split at line feeds, empty
// parts dropped.
QStringList parseMessage(const QByteArray& bytes);

// The arguments as the running instance must see them: paths made absolute
// against this process's folder (the other one has its own), and a path
// holding a line feed, which the message would split, sent as a file:// URL.
// Options ("--..."), links and file: URLs pass unchanged.
QStringList absoluteArguments(const QStringList& args);

// Sends absoluteArguments(args) to a running instance. True when one
// answered (the caller then exits); false when this process should become
// the instance. A busy instance reads late: the message is written for as
// long as the connection lives, up to kHandOverMs; *delivered, when given,
// tells whether all of it went out.
constexpr int kHandOverMs = 10000;
bool handOver(const QStringList& args, bool* delivered = nullptr);

// Listens on serverName(), reachable by this user only. Each connection is
// read once its peer disconnects and passed to receive on context's thread;
// an incomplete message is logged and dropped, and cutOff, when given, is
// called instead.
std::unique_ptr<QLocalServer> listen(QObject* context,
                                     std::function<void(const QStringList&)> receive,
                                     std::function<void()> cutOff = {});

}  // namespace SingleInstance
