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

// The folder of the socket and its lock: $XDG_RUNTIME_DIR when it is a
// folder of this user's that nobody else may enter, else a 0700 folder
// "orvel-<uid>" of our own in the temporary folder. Empty when neither can
// be had; there is then no hand-over.
QString runtimeFolder();

// The socket's full path: the runtime folder, then "Orvel-" + $USERNAME,
// else $USER, else "user". Empty without a runtime folder.
QString serverName();

// The owner a socket and its peer must have: this process's user. A test
// may name another to see a socket of ours refused; -1 restores our own.
void setTrustedUidForTest(long uid);

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
// the instance. Only a socket file and a peer of this user's are written
// to; *refused, when given, tells why a socket found was not used. A busy
// instance reads late: the message is written for as long as the
// connection lives, up to kHandOverMs; *delivered, when given, tells
// whether all of it went out.
constexpr int kHandOverMs = 10000;
bool handOver(const QStringList& args, bool* delivered = nullptr, QString* refused = nullptr);

// Listens on serverName(), reachable by this user only. Each connection's
// list is passed to receive on context's thread once its peer disconnects;
// an incomplete or oversized message is logged and dropped, and cutOff,
// when given, is called instead.
std::unique_ptr<QLocalServer> listen(QObject* context,
                                     std::function<void(const QStringList&)> receive,
                                     std::function<void()> cutOff = {});

// What a normal start found: the running player took its arguments, or
// this process is the player and listens (server null when it could not).
struct Start
{
    bool handedOver = false;
    bool delivered = true;
    QString note;   // for the log: why a socket was not used, a lock not had
    std::unique_ptr<QLocalServer> server;
};

// The hand-over, or the listening that makes this process the player, in
// one step under a lock in the runtime folder: of several starts at the
// same moment one listens and the others hand over to it.
Start handOverOrListen(const QStringList& args, QObject* context,
                       std::function<void(const QStringList&)> receive,
                       std::function<void()> cutOff);

}  // namespace SingleInstance
