#include "SingleInstance.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

namespace {

// The last line of every message: one without it was cut off. It reads as
// an option, which the window skips, so a player running from before this
// line existed still opens the rest.
const QByteArray kEndLine = QByteArrayLiteral("--orvel-end");

}  // namespace

namespace SingleInstance {

QString serverName()
{
    QString user = QStringLiteral("user");
    if (qEnvironmentVariableIsSet("USERNAME"))
        user = qEnvironmentVariable("USERNAME");
    else if (qEnvironmentVariableIsSet("USER"))
        user = qEnvironmentVariable("USER");
    return QStringLiteral("Orvel-%1").arg(user);
}

QByteArray message(const QStringList& args)
{
    return (args + QStringList{QString::fromLatin1(kEndLine)}).join(QLatin1Char('\n')).toUtf8();
}

bool isComplete(const QByteArray& bytes)
{
    return bytes == kEndLine || bytes.endsWith('\n' + kEndLine);
}

QStringList parseMessage(const QByteArray& bytes)
{
    QByteArray body = bytes;
    if (isComplete(body))
        body.chop(kEndLine.size());
    return QString::fromUtf8(body).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList absoluteArguments(const QStringList& args)
{
    QStringList out;
    for (const QString& arg : args) {
        if (arg.isEmpty() || arg.startsWith(QLatin1String("--")) || arg.contains(QLatin1String("://"))
            || arg.startsWith(QLatin1String("file:"))) {
            out.append(arg);
            continue;
        }
        const QString path = QDir::current().absoluteFilePath(arg);
        out.append(path.contains(QLatin1Char('\n'))
                       ? QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                       : path);
    }
    return out;
}

bool handOver(const QStringList& args, bool* delivered)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(), QIODevice::ReadWrite);
    if (!socket.waitForConnected(400))
        return false;
    socket.write(message(absoluteArguments(args)));
    // One wait returns once some bytes went out; a long list needs several.
    const QDeadlineTimer deadline(kHandOverMs);
    while (socket.bytesToWrite() > 0 && socket.state() == QLocalSocket::ConnectedState
           && socket.waitForBytesWritten(deadline.remainingTime())) {
    }
    const bool whole = socket.bytesToWrite() == 0;
    if (whole)
        socket.disconnectFromServer();
    else
        socket.abort();
    if (delivered)
        *delivered = whole;
    return true;
}

std::unique_ptr<QLocalServer> listen(QObject* context,
                                     std::function<void(const QStringList&)> receive,
                                     std::function<void()> cutOff)
{
    QLocalServer::removeServer(serverName());
    auto server = std::make_unique<QLocalServer>();
    // Only this user may connect: others must not receive or inject paths.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    server->listen(serverName());
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, context, [raw, receive, cutOff] {
        QLocalSocket* socket = raw->nextPendingConnection();
        if (!socket)
            return;
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [socket, receive, cutOff] {
            const QByteArray bytes = socket->readAll();
            socket->deleteLater();
            // A sender that gave up writing leaves a cut-off list, whose
            // last line may even name another file.
            if (!isComplete(bytes)) {
                qWarning().noquote() << "mensagem de outra instancia incompleta, ignorada:"
                                     << bytes.size() << "bytes";
                if (cutOff)
                    cutOff();
                return;
            }
            receive(parseMessage(bytes));
        });
    });
    return server;
}

}  // namespace SingleInstance
