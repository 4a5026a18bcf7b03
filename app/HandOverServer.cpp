#include "HandOverServer.h"

#include "SingleInstance.h"

#include <QDebug>
#include <QLocalSocket>
#include <QTimer>

HandOverServer::HandOverServer(QObject* context, std::function<void(const QStringList&)> receive,
                               std::function<void()> cutOff)
    : m_receive(std::move(receive)), m_cutOff(std::move(cutOff))
{
    // Only this user may connect: others must not receive or inject paths.
    setSocketOptions(QLocalServer::UserAccessOption);
    connect(this, &QLocalServer::newConnection, context, [this] { acceptPending(); });
    auto* relisten = new QTimer(this);
    connect(relisten, &QTimer::timeout, this, [this] { relistenIfStopped(); });
    relisten->start(kRelistenMs);
}

bool HandOverServer::start(const QString& name)
{
    m_name = name;
    QLocalServer::removeServer(name);
    return listen(name);
}

// An accept that fails (no descriptor left) closes the server and removes
// its socket: without listening again, the next start would become a
// second player.
void HandOverServer::relistenIfStopped()
{
    if (isListening() || m_name.isEmpty())
        return;
    if (start(m_name))
        qWarning().noquote() << "servidor de instancia unica parou e voltou a ouvir";
}

void HandOverServer::acceptPending()
{
    while (QLocalSocket* socket = nextPendingConnection()) {
        m_open.removeAll(nullptr);
        if (m_open.size() >= kMaxConnections) {
            QLocalSocket* oldest = m_open.takeFirst();
            if (++m_dropped == 1 || m_dropped % 1000 == 0)
                qWarning().noquote() << "conexoes demais de outras instancias, a mais antiga foi fechada ("
                                     << m_dropped << "ate agora)";
            oldest->disconnect();
            oldest->abort();
            oldest->deleteLater();
        }
        m_open.append(socket);
        watch(socket);
    }
}

void HandOverServer::watch(QLocalSocket* socket)
{
    // Past the cap the socket stops reading, and the list counts as cut off.
    socket->setReadBufferSize(kMaxMessageBytes + 1);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (socket->bytesAvailable() > kMaxMessageBytes)
            finish(socket, false);
    });
    connect(socket, &QLocalSocket::disconnected, socket, [this, socket] { finish(socket, false); });
    QTimer::singleShot(kConnectionMs, socket, [this, socket] { finish(socket, true); });
}

void HandOverServer::finish(QLocalSocket* socket, bool timedOut)
{
    if (!m_open.removeAll(socket))
        return;
    socket->disconnect();
    // A busy loop may reach the time-out before the bytes already sent.
    if (timedOut)
        socket->waitForReadyRead(0);
    const QByteArray bytes = socket->readAll();
    socket->abort();
    socket->deleteLater();
    if (bytes.size() <= kMaxMessageBytes && SingleInstance::isComplete(bytes)) {
        m_receive(SingleInstance::parseMessage(bytes));
        return;
    }
    // A connection that sent nothing was only a probe.
    if (bytes.isEmpty())
        return;
    // A sender that gave up writing leaves a cut-off list, whose last line
    // may even name another file.
    qWarning().noquote() << "mensagem de outra instancia incompleta, ignorada:" << bytes.size()
                         << "bytes" << (timedOut ? "(prazo esgotado)" : "");
    if (m_cutOff)
        m_cutOff();
}
