#include "SingleInstance.h"
#include "TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QLocalServer>
#include <QProcess>
#include <QUrl>

// Runs the real program binary.
class TestStartup : public QObject
{
    Q_OBJECT

    static bool anyLogUnder(const QString& root)
    {
        QDirIterator it(root, {"orvel.log"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        return it.hasNext();
    }

private slots:
    void versionWithoutDisplay()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        p.setProcessEnvironment(env);
        p.start(ORVEL_BINARY, {"--selftest", "/tmp/out", "--version"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray("Orvel 1.0.1\n"));
        QVERIFY(!anyLogUnder(TestEnv::current()->root()));
    }

    // A second start hands its arguments to the running one and exits 0,
    // before it opens a log; one that cannot deliver them exits non-zero.
    void secondStartHandsOver()
    {
        QList<QStringList> received;
        auto server = SingleInstance::listen(this, [&](const QStringList& l) { received << l; });
        QProcess p;
        p.start(ORVEL_BINARY, {"/m/a.mp4", "", "b\nc"});
        QVERIFY(p.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), QProcess::NotRunning, 10000);
        QCOMPARE(p.exitCode(), 0);
        QTRY_COMPARE(received.size(), 1);
        // The relative name is made absolute; its line feed travels inside a file URL.
        QCOMPARE(received[0].size(), 2);
        QCOMPARE(received[0][0], QStringLiteral("/m/a.mp4"));
        QCOMPARE(QUrl(received[0][1]).toLocalFile(), QDir::currentPath() + QStringLiteral("/b\nc"));
        QVERIFY(!anyLogUnder(TestEnv::current()->root()));

        // A list far larger than the socket buffer arrives whole.
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << QStringLiteral("/m/%1/").arg(i) + QString(30000, QLatin1Char('x'));
        p.start(ORVEL_BINARY, many);
        QVERIFY(p.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), QProcess::NotRunning, 10000);
        QCOMPARE(p.exitCode(), 0);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received[1], many);

        // A first instance that reads nothing (stopped, or busy for good):
        // the long list cannot go, and the second start says so and fails.
        server.reset();
        QLocalServer stopped;   // accepts only in an event loop, which waitForFinished does not run
        QVERIFY(stopped.listen(SingleInstance::serverName()));
        p.start(ORVEL_BINARY, many);
        QVERIFY(p.waitForFinished(SingleInstance::kHandOverMs + 30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().startsWith("Orvel: "));
    }

    // A test-mode run beside a running player neither hands its arguments
    // over nor takes the player's socket: afterwards the player still
    // receives second starts.
    void testModeLeavesTheRunningPlayerAlone()
    {
        QList<QStringList> received;
        auto server = SingleInstance::listen(this, [&](const QStringList& l) { received << l; });
        const QString root = TestEnv::current()->root();
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(ORVEL_BINARY, {"--selftest", root + "/selftest", root + "/none.mp4"});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCoreApplication::processEvents();
        QVERIFY(received.isEmpty());
        QVERIFY(SingleInstance::handOver({"/m/after.mp4"}));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0], QStringList{"/m/after.mp4"});
    }
};

ORVEL_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
