#include "SingleInstance.h"

#include "HandOverServer.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QUrl>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The last line of every message: one without it was cut off. It reads as
// an option, which the window skips, so a player running from before this
// line existed still opens the rest.
const QByteArray kEndLine = QByteArrayLiteral("--orvel-end");

long g_trustedUid = -1;

uid_t trustedUid()
{
    return g_trustedUid < 0 ? geteuid() : static_cast<uid_t>(g_trustedUid);
}

// A folder only this user may enter. stat follows a link, which the
// environment's folder may be; ours in the shared temporary folder is
// checked with lstat, so that a link another user planted is refused.
bool isPrivateFolder(const QByteArray& path, bool followLink)
{
    struct stat st;
    if ((followLink ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// Why the socket at path may not be written to; empty when it may.
QString socketFileRefusal(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    if (!S_ISSOCK(st.st_mode))
        return QStringLiteral("nao e um socket: %1").arg(path);
    if (st.st_uid != trustedUid())
        return QStringLiteral("socket de outro usuario (uid %1): %2").arg(st.st_uid).arg(path);
    return {};
}

QString peerRefusal(const QLocalSocket& socket)
{
    struct ucred cred {};
    socklen_t size = sizeof cred;
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred,
                     &size)
        != 0)
        return QStringLiteral("dono do socket desconhecido");
    if (cred.uid != trustedUid())
        return QStringLiteral("a outra ponta e de outro usuario (uid %1)").arg(cred.uid);
    return {};
}

void setText(QString* out, const QString& text)
{
    if (out)
        *out = text;
}

}  // namespace

namespace SingleInstance {

QString runtimeFolder()
{
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && isPrivateFolder(xdg, true))
        return QFile::decodeName(xdg);
    const QByteArray own = QFile::encodeName(QDir::tempPath()) + "/orvel-" + QByteArray::number(geteuid());
    ::mkdir(own.constData(), 0700);
    struct stat st;
    if (::lstat(own.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid())
        ::chmod(own.constData(), 0700);
    return isPrivateFolder(own, false) ? QFile::decodeName(own) : QString();
}

QString serverName()
{
    const QString folder = runtimeFolder();
    if (folder.isEmpty())
        return {};
    QString user = QStringLiteral("user");
    if (qEnvironmentVariableIsSet("USERNAME"))
        user = qEnvironmentVariable("USERNAME");
    else if (qEnvironmentVariableIsSet("USER"))
        user = qEnvironmentVariable("USER");
    return folder + QStringLiteral("/Orvel-%1").arg(user);
}

void setTrustedUidForTest(long uid)
{
    g_trustedUid = uid;
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

bool handOver(const QStringList& args, bool* delivered, QString* refused)
{
    setText(refused, {});
    const QString name = serverName();
    if (name.isEmpty()) {
        setText(refused, QStringLiteral("sem pasta privada para o socket"));
        return false;
    }
    QString refusal = socketFileRefusal(name);
    if (!refusal.isEmpty()) {
        setText(refused, refusal);
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::ReadWrite);
    if (!socket.waitForConnected(400))
        return false;
    refusal = peerRefusal(socket);
    if (!refusal.isEmpty()) {
        socket.abort();
        setText(refused, refusal);
        return false;
    }
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
    auto server = std::make_unique<HandOverServer>(context, std::move(receive), std::move(cutOff));
    const QString name = serverName();
    if (name.isEmpty() || !server->start(name))
        qWarning().noquote() << "servidor de instancia unica nao abriu:" << name << server->errorString();
    return server;
}

Start handOverOrListen(const QStringList& args, QObject* context,
                       std::function<void(const QStringList&)> receive,
                       std::function<void()> cutOff)
{
    Start start;
    const QString name = serverName();
    if (name.isEmpty()) {
        start.note = QStringLiteral("sem pasta privada para o socket; sem entrega entre aberturas");
        return start;
    }
    // Another start holds the lock only while it hands over or begins to
    // listen; a holder that died leaves a stale lock, which is taken.
    QLockFile lock(name + QStringLiteral(".lock"));
    if (!lock.tryLock(kHandOverMs + 5000))
        start.note = QStringLiteral("trava de abertura ocupada, seguindo sem ela");
    QString refused;
    if (handOver(args, &start.delivered, &refused)) {
        start.handedOver = true;
        return start;
    }
    if (!refused.isEmpty())
        start.note = QStringLiteral("socket recusado, abrindo como primeira instancia: ") + refused;
    start.server = listen(context, std::move(receive), std::move(cutOff));
    return start;
}

}  // namespace SingleInstance
