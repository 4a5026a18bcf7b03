#include "SingleInstance.h"
#include "TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include <memory>
#include <vector>

#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    // The socket lives in the user's private runtime folder, named after
    // the user.
    void serverNameFromEnvironment()
    {
        const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QByteArray user = qgetenv("USER");
        qputenv("USERNAME", "ana");
        QCOMPARE(SingleInstance::serverName(), folder + "/Orvel-ana");
        qputenv("USERNAME", "");
        QCOMPARE(SingleInstance::serverName(), folder + "/Orvel-");
        qunsetenv("USERNAME");
        qputenv("USER", "bruno");
        QCOMPARE(SingleInstance::serverName(), folder + "/Orvel-bruno");
        qunsetenv("USER");
        QCOMPARE(SingleInstance::serverName(), folder + "/Orvel-user");
        qputenv("USER", user);

        // A runtime folder others may enter is not used: a 0700 one of our
        // own in the temporary folder is.
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7755)));
        const QString own = SingleInstance::runtimeFolder();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(own, QDir::tempPath() + "/orvel-" + QString::number(geteuid()));
        QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFile::Permissions());
    }

    // Nothing goes to a socket another user could have made: one under the
    // old name in the shared temporary folder is not even looked at, and a
    // socket whose owner and peer are not this user's is refused.
    void onlyOurOwnSocketGetsTheList()
    {
        const QString oldName = "Orvel-" + qEnvironmentVariable("USER");
        QLocalServer old;
        QVERIFY(old.listen(oldName));
        QLocalServer::removeServer(SingleInstance::serverName());
        QVERIFY(!SingleInstance::handOver({"/m/secret.mp4"}));
        QVERIFY(!old.waitForNewConnection(300));

        QLocalServer ours;
        QVERIFY(ours.listen(SingleInstance::serverName()));
        SingleInstance::setTrustedUidForTest(long(geteuid()) + 1);
        QString refused;
        QVERIFY(!SingleInstance::handOver({"/m/secret.mp4"}, nullptr, &refused));
        SingleInstance::setTrustedUidForTest(-1);
        QVERIFY(!refused.isEmpty());
        QVERIFY(!ours.waitForNewConnection(300));
        QVERIFY(SingleInstance::handOver({"/m/ok.mp4"}));
    }

    // Idle connections beyond the cap give way and are closed after their
    // time; none raises the cut-off notice, and a real hand-over still
    // arrives. A server that stopped listens again.
    void idleConnectionsCannotStarveTheServer()
    {
        QList<QStringList> received;
        int cutOffs = 0;
        auto server = SingleInstance::listen(this, [&](const QStringList& l) { received << l; },
                                             [&] { ++cutOffs; });
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        for (int i = 0; i < 40; ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            idle.back()->connectToServer(SingleInstance::serverName());
            QVERIFY(idle.back()->waitForConnected(1000));
        }
        QVERIFY(SingleInstance::handOver({"/m/real.mp4"}));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0], QStringList{"/m/real.mp4"});
        const auto allClosed = [&] {
            for (const auto& s : idle)
                if (s->state() != QLocalSocket::UnconnectedState)
                    return false;
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allClosed(), 30000);
        QCOMPARE(cutOffs, 0);

        server->close();
        QTRY_VERIFY_WITH_TIMEOUT(server->isListening(), 10000);
        QVERIFY(SingleInstance::handOver({"/m/again.mp4"}));
        QTRY_COMPARE(received.size(), 2);
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
