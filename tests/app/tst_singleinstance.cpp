#include "SingleInstance.h"
#include "TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void serverNameFromEnvironment()
    {
        const QByteArray user = qgetenv("USER");
        qputenv("USERNAME", "ana");
        QCOMPARE(SingleInstance::serverName(), QString("Orvel-ana"));
        qputenv("USERNAME", "");
        QCOMPARE(SingleInstance::serverName(), QString("Orvel-"));
        qunsetenv("USERNAME");
        qputenv("USER", "bruno");
        QCOMPARE(SingleInstance::serverName(), QString("Orvel-bruno"));
        qunsetenv("USER");
        QCOMPARE(SingleInstance::serverName(), QString("Orvel-user"));
        qputenv("USER", user);
    }

    void messageEncoding()
    {
        const QStringList args = {"a", "", QString::fromUtf8("b\nç"), ""};
        QCOMPARE(SingleInstance::message(args), QByteArray("a\n\nb\n\xc3\xa7\n\n--orvel-end"));
        QCOMPARE(SingleInstance::message({}), QByteArray("--orvel-end"));
        QCOMPARE(SingleInstance::parseMessage("a\n\nb\n\xc3\xa7\n"),
                 (QStringList{"a", "b", QString::fromUtf8("ç")}));
        QCOMPARE(SingleInstance::parseMessage(QByteArray()), QStringList());
    }

    // The running instance has its own working folder: paths go absolute,
    // and a line feed, which the message would split, travels as a URL.
    void clientSendsAbsolutePaths()
    {
        const QString cwd = QDir::currentPath();
        const QStringList out = SingleInstance::absoluteArguments(
            {"song.mp3", "--x", "", "http://a/b", "file:///c%20d", "/m/e.mp4", "two\nthree"});
        QCOMPARE(out.mid(0, 6), (QStringList{cwd + "/song.mp3", "--x", "", "http://a/b",
                                             "file:///c%20d", "/m/e.mp4"}));
        QVERIFY(!out[6].contains('\n'));
        QCOMPARE(QUrl(out[6]).toLocalFile(), cwd + "/two\nthree");

        QLocalServer server;
        QVERIFY(server.listen(SingleInstance::serverName()));
        QVERIFY(SingleInstance::handOver({"/m/one.mp4", "", "two\nthree"}));
        QVERIFY(server.waitForNewConnection(2000));
        QLocalSocket* peer = server.nextPendingConnection();
        QByteArray got;
        QTRY_VERIFY((got += peer->readAll(), peer->state() == QLocalSocket::UnconnectedState));
        got += peer->readAll();
        QVERIFY(got.startsWith("/m/one.mp4\n\nfile:///"));
        QVERIFY(got.endsWith("/two%0Athree\n--orvel-end"));
    }

    void noInstanceMeansNoHandOver()
    {
        QLocalServer::removeServer(SingleInstance::serverName());
        QElapsedTimer t;
        t.start();
        QVERIFY(!SingleInstance::handOver({"x"}));
        QVERIFY(t.elapsed() < 2000);
    }

    void serverSplitsOnDisconnect()
    {
        QList<QStringList> received;
        auto server = SingleInstance::listen(this, [&](const QStringList& l) { received << l; });
        QVERIFY(server->isListening());

        // Only the owner may use the socket.
        const QFileInfo info(server->fullServerName());
        QVERIFY(info.exists());
        QCOMPARE(info.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup
                                       | QFile::WriteGroup),
                 QFile::Permissions());

        QLocalSocket client;
        client.connectToServer(SingleInstance::serverName());
        QVERIFY(client.waitForConnected(1000));
        client.write("a\n\nb\n--orvel-end");
        QVERIFY(client.waitForBytesWritten(1000));
        QTest::qWait(50);
        QVERIFY(received.isEmpty());   // nothing is read before the peer leaves
        client.disconnectFromServer();
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0], (QStringList{"a", "b"}));

        // A second start without arguments still arrives, as an empty list.
        QLocalSocket empty;
        empty.connectToServer(SingleInstance::serverName());
        QVERIFY(empty.waitForConnected(1000));
        empty.write(SingleInstance::message({}));
        QVERIFY(empty.waitForBytesWritten(1000));
        empty.disconnectFromServer();
        QTRY_COMPARE(received.size(), 2);
        QVERIFY(received[1].isEmpty());
    }
};

ORVEL_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
