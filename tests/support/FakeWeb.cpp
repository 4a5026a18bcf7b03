#include "FakeWeb.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace {
constexpr int kMaxHead = 64 * 1024;
constexpr qint64 kEndlessLow = 128 * 1024;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// Splits a request head into its first line's words and its headers.
QList<QByteArray> parseHead(const QByteArray& head, QHash<QByteArray, QByteArray>* headers)
{
    const QList<QByteArray> lines = head.split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            headers->insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    return lines.value(0).trimmed().split(' ');
}
}

FakeWeb::FakeWeb(QObject* parent) : QTcpServer(parent) {}

FakeWeb::~FakeWeb()
{
    const QList<QSslSocket*> sockets = m_conns.keys();
    for (QSslSocket* socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

QString FakeWeb::tlsDir()
{
    return QStringLiteral(ORVEL_TEST_TLS_DIR);
}

bool FakeWeb::start()
{
    m_certificate = readAll(tlsDir() + QStringLiteral("/server.pem"));
    m_key = readAll(tlsDir() + QStringLiteral("/server.key"));
    if (m_certificate.isEmpty() || m_key.isEmpty() || !QSslSocket::supportsSsl())
        return false;
    return listen(QHostAddress::LocalHost, 0);
}

QNetworkProxy FakeWeb::proxy() const
{
    return QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), serverPort());
}

void FakeWeb::install()
{
    QNetworkProxy::setApplicationProxy(proxy());
    trustTestCa();
}

void FakeWeb::trustTestCa()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(QSslCertificate::fromPath(tlsDir() + QStringLiteral("/ca.pem")));
    QSslConfiguration::setDefaultConfiguration(config);
}

QString FakeWeb::keyOf(const QString& host, const QString& path)
{
    return host.toLower() + QLatin1Char('|') + path;
}

void FakeWeb::answer(const QString& host, const QString& path, int status, const QByteArray& body,
                     const QByteArray& contentType)
{
    m_answers.insert(keyOf(host, path), Canned{Body, status, body, contentType});
}

void FakeWeb::answerEndless(const QString& host, const QString& path, const QByteArray& chunk,
                            const QByteArray& contentType)
{
    m_answers.insert(keyOf(host, path), Canned{Endless, 200, chunk, contentType});
}

void FakeWeb::answerUnsized(const QString& host, const QString& path, const QByteArray& body,
                            const QByteArray& contentType, bool chunked, int bytesPerSecond)
{
    m_answers.insert(keyOf(host, path),
                     Canned{chunked ? Chunked : Unsized, 200, body, contentType, bytesPerSecond});
}

void FakeWeb::answerDrip(const QString& host, const QString& path, int intervalMs)
{
    m_answers.insert(keyOf(host, path), Canned{Drip, 200, {}, "application/octet-stream", intervalMs});
}

void FakeWeb::hold(const QString& host, const QString& path)
{
    m_answers.insert(keyOf(host, path), Canned{Held, 0, {}, {}});
}

void FakeWeb::refuse(const QString& host, const QString& path)
{
    if (path.isEmpty())
        m_refusedHosts.insert(host.toLower(), true);
    else
        m_answers.insert(keyOf(host, path), Canned{Refused, 0, {}, {}});
}

int FakeWeb::release(const QString& host, const QString& path, int status, const QByteArray& body,
                     const QByteArray& contentType)
{
    answer(host, path, status, body, contentType);
    int answered = 0;
    const auto held = m_held;
    for (const auto& [socket, key] : held) {
        QString found;
        const Canned* canned = find(key.section(QLatin1Char('|'), 0, 0),
                                    key.section(QLatin1Char('|'), 1), &found);
        if (!canned || canned->kind == Held || found != keyOf(host, path))
            continue;
        m_held.removeOne(qMakePair(socket, key));
        reply(socket, *canned, found);
        ++answered;
    }
    return answered;
}

void FakeWeb::clearAnswers()
{
    m_answers.clear();
    m_refusedHosts.clear();
}

QList<FakeWeb::Request> FakeWeb::requests(const QString& host) const
{
    if (host.isEmpty())
        return m_log;
    QList<Request> out;
    for (const Request& r : m_log) {
        if (r.host == host.toLower())
            out.append(r);
    }
    return out;
}

qint64 FakeWeb::bytesSent(const QString& host, const QString& path) const
{
    return m_sent.value(keyOf(host, path));
}

void FakeWeb::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    m_conns.insert(socket, Conn());
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadable(socket); });
    connect(socket, &QSslSocket::encryptedBytesWritten, this, [this, socket] { feedEndless(socket); });
    connect(socket, &QSslSocket::bytesWritten, this, [this, socket] { feedEndless(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_conns.remove(socket);
        m_held.removeIf([socket](const auto& h) { return h.first == socket; });
        socket->deleteLater();
    });
}

void FakeWeb::onReadable(QSslSocket* socket)
{
    auto it = m_conns.find(socket);
    if (it == m_conns.end())
        return;
    it->buffer += socket->readAll();
    const int end = it->buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (it->buffer.size() > kMaxHead)
            socket->abort();
        return;
    }
    const QByteArray head = it->buffer.left(end);
    QHash<QByteArray, QByteArray> headers;
    parseHead(head, &headers);
    const qint64 length = headers.value("content-length").toLongLong();
    if (it->buffer.size() < end + 4 + length)
        return;
    const QByteArray body = it->buffer.mid(end + 4, length);
    it->buffer.remove(0, end + 4 + length);
    if (head.startsWith("CONNECT ")) {
        handleConnect(socket, head);
        return;
    }
    handleRequest(socket, head, body);
}

bool FakeWeb::handleConnect(QSslSocket* socket, const QByteArray& head)
{
    QHash<QByteArray, QByteArray> headers;
    const QList<QByteArray> words = parseHead(head, &headers);
    const QString host = QString::fromLatin1(words.value(1)).section(QLatin1Char(':'), 0, 0).toLower();
    bool known = false;
    for (auto it = m_answers.cbegin(); it != m_answers.cend() && !known; ++it)
        known = it.key().startsWith(host + QLatin1Char('|'));
    if (!known || m_refusedHosts.contains(host)) {
        m_log.append(Request{"CONNECT", QStringLiteral("https"), host, {}, headers, {}});
        emit requestReceived(m_log.last());
        socket->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return false;
    }
    Conn& conn = m_conns[socket];
    conn.tunnel = true;
    conn.tunnelHost = host;
    socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(QSslCertificate(m_certificate));
    config.setPrivateKey(QSslKey(m_key, QSsl::Rsa));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    config.setAllowedNextProtocols({QByteArrayLiteral("http/1.1")});
    socket->setSslConfiguration(config);
    socket->startServerEncryption();
    return true;
}

void FakeWeb::handleRequest(QSslSocket* socket, const QByteArray& head, const QByteArray& body)
{
    const Conn& conn = m_conns[socket];
    Request request;
    const QList<QByteArray> words = parseHead(head, &request.headers);
    request.method = words.value(0);
    request.body = body;
    const QString target = QString::fromLatin1(words.value(1));
    if (conn.tunnel) {
        request.scheme = QStringLiteral("https");
        request.host = conn.tunnelHost;
        request.path = target;
    } else if (target.startsWith(QLatin1Char('/'))) {
        // Asked directly, as a web server.
        request.scheme = QStringLiteral("http");
        request.host = QString::fromLatin1(request.header("host")).section(QLatin1Char(':'), 0, 0).toLower();
        request.path = target;
    } else {
        // A plain request to a proxy names the whole address.
        const QUrl url(target);
        request.scheme = url.scheme();
        request.host = url.host().toLower();
        request.path = url.path(QUrl::FullyEncoded)
            + (url.hasQuery() ? QLatin1Char('?') + url.query(QUrl::FullyEncoded) : QString());
    }
    m_log.append(request);
    emit requestReceived(request);

    QString key;
    const Canned* canned = find(request.host, request.path, &key);
    if (!canned) {
        reply(socket, Canned{Body, 404, "not found", "text/plain"}, key);
        return;
    }
    if (canned->kind == Held) {
        m_held.append(qMakePair(socket, keyOf(request.host, request.path)));
        return;
    }
    reply(socket, *canned, key);
}

const FakeWeb::Canned* FakeWeb::find(const QString& host, const QString& path, QString* key) const
{
    *key = keyOf(host, path);
    auto it = m_answers.constFind(*key);
    if (it == m_answers.cend()) {
        *key = keyOf(host, path.section(QLatin1Char('?'), 0, 0));
        it = m_answers.constFind(*key);
    }
    return it == m_answers.cend() ? nullptr : &*it;
}

void FakeWeb::reply(QSslSocket* socket, const Canned& canned, const QString& key)
{
    if (canned.kind == Refused) {
        socket->abort();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(canned.status) + ' ' + reason(canned.status)
        + "\r\nContent-Type: " + canned.contentType + "\r\nConnection: close\r\n";
    if (canned.kind == Endless) {
        socket->write(head + "\r\n");
        Conn& conn = m_conns[socket];
        conn.endlessKey = key;
        conn.endlessChunk = canned.body.isEmpty() ? QByteArray(64 * 1024, '\0') : canned.body;
        feedEndless(socket);
        return;
    }
    if (canned.kind == Drip) {
        socket->write(head + "\r\n");
        startDrip(socket, canned.interval, key);
        return;
    }
    if (canned.kind == Chunked || canned.kind == Unsized) {
        socket->write(head + (canned.kind == Chunked ? "Transfer-Encoding: chunked\r\n" : "") + "\r\n");
        sendUnsized(socket, canned, key);
        return;
    }
    socket->write(head + "Content-Length: " + QByteArray::number(canned.body.size()) + "\r\n\r\n" + canned.body);
    m_sent[key] += canned.body.size();
    socket->disconnectFromHost();
}

// The body in slices (chunks when chunked): at once, or every 100 ms what
// the rate allows since the first byte (a late timer sends more), then the
// last chunk and the close.
void FakeWeb::sendUnsized(QSslSocket* socket, const Canned& canned, const QString& key)
{
    const bool chunked = canned.kind == Chunked;
    const auto send = [this, socket, chunked, key](const QByteArray& part) {
        socket->write(chunked ? QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n" : part);
        m_sent[key] += part.size();
    };
    const auto finish = [socket, chunked] {
        if (chunked)
            socket->write("0\r\n\r\n");
        socket->disconnectFromHost();
    };
    if (canned.interval <= 0) {
        constexpr int kSlice = 16 * 1024;
        for (qsizetype at = 0; at < canned.body.size(); at += kSlice)
            send(canned.body.mid(at, kSlice));
        finish();
        return;
    }
    auto* timer = new QTimer(socket);
    QElapsedTimer clock;
    clock.start();
    const auto tick = [timer, send, finish, body = canned.body, rate = canned.interval, clock, at = qsizetype(0)]() mutable {
        const qsizetype due = qMin(body.size(), qsizetype(clock.elapsed() * rate / 1000) + rate / 10);
        if (due > at)
            send(body.mid(at, due - at));
        at = qMax(at, due);
        if (at < body.size())
            return;
        timer->stop();
        finish();
    };
    connect(timer, &QTimer::timeout, socket, tick);
    timer->start(100);
}

void FakeWeb::feedEndless(QSslSocket* socket)
{
    auto it = m_conns.find(socket);
    if (it == m_conns.end() || it->endlessKey.isEmpty())
        return;
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    while (socket->bytesToWrite() + socket->encryptedBytesToWrite() < kEndlessLow) {
        socket->write(it->endlessChunk);
        m_sent[it->endlessKey] += it->endlessChunk.size();
    }
}

void FakeWeb::startDrip(QSslSocket* socket, int intervalMs, const QString& key)
{
    auto* timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [this, socket, key] {
        socket->write(" ");
        ++m_sent[key];
    });
    timer->start(intervalMs);
}
