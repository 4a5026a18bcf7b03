#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QNetworkProxy>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QSslSocket;

// A fake web for network tests, on 127.0.0.1 only: an HTTP proxy that
// answers CONNECT and then serves TLS itself with the test certificate of
// tests/data/tls (remade by tests/data/tls/make-certs.sh; it names the four
// radio directory mirrors, velloran.com.br and www.velloran.com.br, the logo
// hosts logos.test, logo.test, img.test, cdn.test and *.logos.test,
// localhost and 127.0.0.1). Plain http:// requests sent to the proxy are
// served too, and so are requests sent to it directly as a web server
// (http://127.0.0.1:<port>/path, the host taken from the Host header).
// Nothing leaves the machine.
//
//     FakeWeb web;
//     QVERIFY(web.start());      // listens on a free port of 127.0.0.1
//     web.install();             // application proxy + trust of the test CA
//     web.answer("de2.api.radio-browser.info", "/json/stations/search", 200, json);
//     ... run the code ...
//     QTRY_COMPARE(web.count("de2.api.radio-browser.info"), 1);
//     QCOMPARE(web.requests().last().header("user-agent"), "Orvel/1.0.1");
//
// Canned answers are kept per host and path. A path given with a query
// ("/a?x=1") matches only that exact request; a path without one matches
// every query. Host names are compared without regard to case.
// - A host with no canned answer at all refuses the tunnel (the proxy
//   answers CONNECT with 502), as does a host given to refuse(host).
// - A known host with no answer for the path gives 404.
//
// Trusting the CA: install() (or trustTestCa() alone) adds tests/data/tls/
// ca.pem to QSslConfiguration::defaultConfiguration(), which every
// QNetworkAccessManager made afterwards uses. Nothing ignores certificate
// errors: a wrong name still fails as it would on the real network.
class FakeWeb : public QTcpServer
{
    Q_OBJECT
public:
    // One request as the server received it.
    struct Request
    {
        QByteArray method;   // "GET", ...; "CONNECT" only for a refused tunnel
        QString scheme;      // "https" (through a tunnel) or "http"
        QString host;        // lower case, no port
        QString path;        // path and query exactly as sent ("/a/b?x=1")
        QHash<QByteArray, QByteArray> headers;   // names in lower case
        QByteArray body;

        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
        QUrl url() const { return QUrl(scheme + QStringLiteral("://") + host + path); }
    };

    enum Kind {
        Body,      // status, headers and the body, then the connection closes
        Endless,   // status 200 and headers, then body bytes until the client closes
        Held,      // never answered until release()
        Drip,      // status 200 and headers, then one body byte at a time, slowly, without end
        Refused,   // the connection closes without any answer
        Chunked,   // status 200, the body in chunks (no Content-Length), then the connection closes
        Unsized    // status 200, the body without Content-Length, then the connection closes
    };

    explicit FakeWeb(QObject* parent = nullptr);
    ~FakeWeb() override;

    // Loads the test certificate and listens on 127.0.0.1. False on failure.
    bool start();
    QNetworkProxy proxy() const;
    // Makes the proxy the application proxy and trusts the test CA.
    void install();
    static void trustTestCa();
    static QString tlsDir();

    void answer(const QString& host, const QString& path, int status, const QByteArray& body,
                const QByteArray& contentType = "application/json");
    // Endless body: repeats `chunk` (a 64 KiB zero block when empty).
    void answerEndless(const QString& host, const QString& path, const QByteArray& chunk = {},
                       const QByteArray& contentType = "application/octet-stream");
    // A whole body sent without its length: chunked, or ended by closing;
    // with bytesPerSecond, paced at that rate (as a server on the internet
    // sends it) in a slice every 100 ms, else at once.
    void answerUnsized(const QString& host, const QString& path, const QByteArray& body,
                       const QByteArray& contentType, bool chunked, int bytesPerSecond = 0);
    // A body that trickles: one byte every intervalMs.
    void answerDrip(const QString& host, const QString& path, int intervalMs = 1000);
    void hold(const QString& host, const QString& path);
    // Empty path: the tunnel to the host is refused. Otherwise requests for
    // the path are read and the connection closed without an answer.
    void refuse(const QString& host, const QString& path = {});
    // Answers every held request of host and path (the same matching as
    // above); later requests for it get this answer too. Returns how many
    // held requests were answered.
    int release(const QString& host, const QString& path, int status, const QByteArray& body,
                const QByteArray& contentType = "application/json");
    // Forgets every canned answer (held requests stay held).
    void clearAnswers();

    // Requests in arrival order; with a host, only that host's.
    QList<Request> requests(const QString& host = {}) const;
    int count(const QString& host = {}) const { return requests(host).size(); }
    void clearLog() { m_log.clear(); }
    // Body bytes written so far for the answers of host and path (key as given).
    qint64 bytesSent(const QString& host, const QString& path) const;
    // Client connections still open (a client that stopped reading an
    // endless body has closed its connection).
    int openConnections() const { return m_conns.size(); }

signals:
    void requestReceived(const FakeWeb::Request& request);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Canned
    {
        Kind kind = Body;
        int status = 200;
        QByteArray body;
        QByteArray contentType;
        int interval = 0;   // Drip: ms between bytes; Chunked, Unsized: bytes per second (0: at once)
    };
    struct Conn
    {
        QByteArray buffer;
        QString tunnelHost;   // set once CONNECT was accepted
        bool tunnel = false;
        QString endlessKey;   // set while an endless body streams
        QByteArray endlessChunk;
    };

    void onReadable(QSslSocket* socket);
    bool handleConnect(QSslSocket* socket, const QByteArray& head);
    void handleRequest(QSslSocket* socket, const QByteArray& head, const QByteArray& body);
    const Canned* find(const QString& host, const QString& path, QString* key) const;
    void reply(QSslSocket* socket, const Canned& canned, const QString& key);
    void feedEndless(QSslSocket* socket);
    void startDrip(QSslSocket* socket, int intervalMs, const QString& key);
    void sendUnsized(QSslSocket* socket, const Canned& canned, const QString& key);
    static QString keyOf(const QString& host, const QString& path);

    QHash<QString, Canned> m_answers;
    QHash<QString, bool> m_refusedHosts;
    QHash<QString, qint64> m_sent;
    QHash<QSslSocket*, Conn> m_conns;
    QList<QPair<QSslSocket*, QString>> m_held;
    QList<Request> m_log;
    QByteArray m_certificate;
    QByteArray m_key;
};
