#pragma once

#include <QList>
#include <QLocalServer>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLocalSocket;

// The running player's end of the hand-over: reads each second start's
// list, within bounds a neighbour cannot stretch. A connection has a few
// seconds and a few MiB to deliver its list; only so many are read at once,
// the oldest giving way; and a server that stopped listening (no descriptor
// was left to accept with) listens again.
class HandOverServer : public QLocalServer
{
public:
    static constexpr int kConnectionMs = 5000;
    static constexpr qint64 kMaxMessageBytes = 4 * 1024 * 1024;
    static constexpr int kMaxConnections = 32;
    static constexpr int kRelistenMs = 1000;

    // receive gets each complete list; cutOff is called for a list that
    // arrived incomplete or too long (never for a connection that sent
    // nothing, which is only a probe). Both run on context's thread.
    HandOverServer(QObject* context, std::function<void(const QStringList&)> receive,
                   std::function<void()> cutOff);

    bool start(const QString& name);

private:
    void acceptPending();
    void watch(QLocalSocket* socket);
    void finish(QLocalSocket* socket, bool timedOut);
    void relistenIfStopped();

    std::function<void(const QStringList&)> m_receive;
    std::function<void()> m_cutOff;
    QString m_name;
    QList<QPointer<QLocalSocket>> m_open;
    int m_dropped = 0;
};
