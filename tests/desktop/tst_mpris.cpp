#include "ChildProcess.h"
#include "MediaControls.h"
#include "FakeWeb.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "TestEnv.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>

#include <memory>

namespace {
constexpr int kWait = 30000;
const QString kService = QStringLiteral("org.mpris.MediaPlayer2.orvel");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

QString ctl(const QStringList& args)
{
    return ChildProcess::run(QStringLiteral("playerctl"), QStringList{"-p", "orvel"} + args);
}

// dbus-send, because it reads "nan" and "inf" as doubles and writes any text.
void send(const QString& member, const QStringList& args)
{
    ChildProcess::run(QStringLiteral("dbus-send"),
                      QStringList{"--session", "--print-reply", "--dest=" + kService, kPath, member} + args);
}

void setPlayerProperty(const QString& name, const QString& value)
{
    send(QStringLiteral("org.freedesktop.DBus.Properties.Set"),
         {QStringLiteral("string:org.mpris.MediaPlayer2.Player"), QStringLiteral("string:") + name, value});
}

QStringList withoutRepeats(const QString& text)
{
    QStringList out;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (out.isEmpty() || out.last() != line)
            out << line;
    return out;
}
}  // namespace

// The MPRIS service on a private session bus, driven by the clients desktop
// users have, in front of a real playback core.
class TestMpris : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_a, m_b, m_c, m_blank;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MediaControls> m_controls;
    QList<qlonglong> m_seeked;

    QString f(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

    // Plays the paths and waits until the first one is loaded. A load still
    // under way from an earlier command may end first: each test plays a
    // file other than the one the test before it ended on.
    void load(const QStringList& paths)
    {
        int loaded = 0;
        const auto counter = connect(m_core.get(), &PlayerCore::fileLoaded, this, [&] {
            if (m_core->path() == paths.first())
                ++loaded;
        });
        m_core->openFiles(paths, 0);
        QTRY_VERIFY_WITH_TIMEOUT(loaded > 0, kWait);
        disconnect(counter);
    }

    // Waits until the engine has finished seeking and the core shows where it landed.
    void settle()
    {
        const MpvHandle h = m_core->handle();
        QTRY_VERIFY_WITH_TIMEOUT(!h.getFlag("seeking", true)
                                     && qAbs(m_core->position() - h.getDouble("time-pos", -1)) < 0.001,
                                 kWait);
    }

    void pauseAndWait()
    {
        m_core->setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), kWait);
    }

public slots:
    void onSeeked(qlonglong position) { m_seeked << position; }

private slots:
    void initTestCase()
    {
        m_a = f("a.mp3"), m_b = f("b.mp3"), m_c = f("c.mp3"), m_blank = f("com espaço.mp3");
        for (const QString& path : {m_a, m_b, m_c, m_blank})
            QVERIFY2(MediaGen::audio(path, 10), qPrintable(MediaGen::lastError()));
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
        m_controls = std::make_unique<MediaControls>(nullptr, m_core.get());
        QVERIFY(QDBusConnection::sessionBus().connect(QString(), kPath, QStringLiteral("org.mpris.MediaPlayer2.Player"),
                                                      QStringLiteral("Seeked"), this, SLOT(onSeeked(qlonglong))));
    }

    void cleanupTestCase()
    {
        m_controls.reset();
        m_core.reset();
    }

    void listedAndNamed()
    {
        QVERIFY(ChildProcess::run(QStringLiteral("playerctl"), {QStringLiteral("-l")}).split('\n').contains("orvel"));
        const QString entry = ChildProcess::run(QStringLiteral("gdbus"),
                                  {"call", "--session", "--dest", kService, "--object-path", kPath, "--method",
                                   "org.freedesktop.DBus.Properties.Get", "org.mpris.MediaPlayer2", "DesktopEntry"});
        QCOMPARE(entry, QString("(<'orvel'>,)"));
    }

    // Track ids count up from 1; the art address is fully encoded.
    void metadata()
    {
        load({m_a});
        const QString format = QStringLiteral(
            "{{mpris:trackid}}|{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{mpris:length}}|{{mpris:artUrl}}");
        m_controls->setTrack(QStringLiteral("Título"), QStringLiteral("Artista"), QStringLiteral("Álbum"),
                             f("capa a#ç.jpg"), false);
        const QStringList first = ctl({"metadata", "--format", format}).split('|');
        QCOMPARE(first.size(), 6);
        QCOMPARE(first.mid(0, 4), (QStringList{"'/org/orvel/track/1'", "Título", "Artista", "Álbum"}));
        QCOMPARE(first[4], QString::number(qlonglong(m_core->duration() * 1000000.0)));
        QVERIFY2(first[5].startsWith("file:///") && first[5].endsWith("/capa%20a%23%C3%A7.jpg"),
                 qPrintable(first[5]));

        m_controls->setTrack(QStringLiteral("Dois"), {}, {}, {}, false);
        QCOMPARE(ctl({"metadata", "--format", format}),
                 "'/org/orvel/track/2'|Dois|||" + first[4] + "|");
    }

    // While libmpv works through links that fail after a song, the desktop
    // hears of the one being tried, each with its own id and without the
    // song's length; with nothing loaded, of no track.
    void triedEntriesAndNoTrack()
    {
        FakeWeb web;
        QVERIFY(web.start());
        web.hold(QStringLiteral("127.0.0.1"), QStringLiteral("/slow"));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QStringList links;
        for (int i = 0; i < 20; ++i)
            links << QStringLiteral("http://127.0.0.1:%1/gone?n=%2").arg(port).arg(i);
        const QString slow = QStringLiteral("http://127.0.0.1:%1/slow").arg(web.serverPort());
        links << slow;
        m_core->openFiles(links, 0);
        const QString format = QStringLiteral("{{mpris:trackid}}|{{xesam:title}}|{{mpris:length}}");
        QTRY_VERIFY_WITH_TIMEOUT(ctl({"metadata", "--format", format}).endsWith("|" + slow + "|"), kWait);
        const QString id = ctl({"metadata", "--format", "{{mpris:trackid}}"});
        QVERIFY2(id.startsWith("'/org/orvel/track/") && id.section('/', -1).remove('\'').toInt() > 20, qPrintable(id));
        m_core->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), kWait);
        const auto metadata = [] {
            return ChildProcess::run(QStringLiteral("gdbus"),
                                     {"call", "--session", "--dest", kService, "--object-path", kPath, "--method",
                                      "org.freedesktop.DBus.Properties.Get", "org.mpris.MediaPlayer2.Player",
                                      "Metadata"});
        };
        QTRY_VERIFY_WITH_TIMEOUT(metadata().contains("/org/mpris/MediaPlayer2/TrackList/NoTrack"), kWait);
        QVERIFY2(!metadata().contains("xesam:title"), qPrintable(metadata()));

        load({m_c});
        m_core->openFiles({slow}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(ctl({"metadata", "--format", format}).contains("|" + slow), kWait);
        QCOMPARE(ctl({"metadata", "--format", "{{xesam:title}}|{{mpris:length}}"}), slow + "|");
        m_core->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), kWait);
    }

    // Status through the transport commands, also as a follower sees it.
    void status()
    {
        load({m_a});
        QProcess follow;
        QString followed;
        connect(&follow, &QProcess::readyReadStandardOutput, this,
                [&] { followed += QString::fromUtf8(follow.readAllStandardOutput()); });
        follow.start(QStringLiteral("playerctl"), {"-p", "orvel", "--follow", "status"});
        QTRY_VERIFY_WITH_TIMEOUT(followed.contains("Playing"), kWait);
        QCOMPARE(ctl({"status"}), QString("Playing"));

        ctl({"play-pause"});
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), kWait);
        QCOMPARE(ctl({"status"}), QString("Paused"));
        ctl({"play"});
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isPaused(), kWait);
        ctl({"pause"});
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), kWait);
        ctl({"stop"});
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), kWait);
        QCOMPARE(ctl({"status"}), QString("Stopped"));

        const QStringList expected{"Playing", "Paused", "Playing", "Paused", "Stopped"};
        QTRY_COMPARE_WITH_TIMEOUT(withoutRepeats(followed), expected, kWait);
        follow.kill();
        QTRY_COMPARE_WITH_TIMEOUT(follow.state(), QProcess::NotRunning, kWait);
    }

    void nextAndPrevious()
    {
        load({m_a, m_b});
        ctl({"next"});
        QTRY_COMPARE_WITH_TIMEOUT(m_core->path(), m_b, kWait);
        ctl({"previous"});
        QTRY_COMPARE_WITH_TIMEOUT(m_core->path(), m_a, kWait);
    }

    // Seeked carries where the seek goes, inside the file, and 0 on each load.
    void positionAndSeeked()
    {
        m_seeked.clear();
        load({m_c});
        QTRY_VERIFY_WITH_TIMEOUT(m_seeked.contains(0), kWait);
        m_controls->setTrack(QStringLiteral("c"), {}, {}, {}, false);
        pauseAndWait();
        m_seeked.clear();

        ctl({"position", "1.5"});
        QTRY_COMPARE_WITH_TIMEOUT(m_seeked, QList<qlonglong>{1500000}, kWait);
        // libmpv may not have begun the seek yet: wait for the place, then
        // for the seek to end.
        QTRY_VERIFY2_WITH_TIMEOUT(qAbs(m_core->position() - 1.5) < 0.3,
                                  qPrintable(QString::number(m_core->position())), kWait);
        settle();

        const double before = m_core->position();
        ctl({"position", "1+"});
        QTRY_COMPARE_WITH_TIMEOUT(m_seeked.size(), 2, kWait);
        QVERIFY2(qAbs(m_seeked[1] - qlonglong(before * 1000000.0) - 1000000) <= 1000,
                 qPrintable(QString::number(m_seeked[1])));
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - before - 1) < 0.3, kWait);

        ctl({"position", "100-"});
        QTRY_COMPARE_WITH_TIMEOUT(m_seeked.size(), 3, kWait);
        QCOMPARE(m_seeked[2], 0);
        ctl({"position", "100+"});
        QTRY_COMPARE_WITH_TIMEOUT(m_seeked.size(), 4, kWait);
        QCOMPARE(m_seeked[3], qlonglong(m_core->duration() * 1000000.0));

        send(QStringLiteral("org.mpris.MediaPlayer2.Player.SetPosition"),
             {"objpath:/org/orvel/track/9", "int64:-5000000"});
        QTRY_COMPARE_WITH_TIMEOUT(m_seeked.size(), 5, kWait);
        QCOMPARE(m_seeked[4], 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() < 0.05, kWait);
    }

    // Writes that are not numbers change nothing; the engine is read at once.
    void volumeAndRate()
    {
        ctl({"volume", "0.5"});
        QCOMPARE(m_core->handle().getDouble("volume", -1), 50.0);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->volume(), 50.0, kWait);
        QCOMPARE(ctl({"volume"}), QString("0.500000"));
        setPlayerProperty(QStringLiteral("Volume"), QStringLiteral("variant:double:inf"));
        QCOMPARE(m_core->handle().getDouble("volume", -1), 50.0);
        setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("variant:double:nan"));
        QCOMPARE(m_core->handle().getDouble("speed", -1), 1.0);
        setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("variant:double:1.5"));
        QCOMPARE(m_core->handle().getDouble("speed", -1), 1.5);
        // The rate stays inside the advertised range, and a text is no rate.
        setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("variant:string:2"));
        QCOMPARE(m_core->handle().getDouble("speed", -1), 1.5);
        setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("variant:double:10"));
        QCOMPARE(m_core->handle().getDouble("speed", -1), 4.0);
        setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("variant:double:-2"));
        QCOMPARE(m_core->handle().getDouble("speed", -1), 0.25);
        m_core->setSpeed(1.0);
    }

    void loopAndShuffle()
    {
        ctl({"loop", "Track"});
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatOne);
        QCOMPARE(ctl({"loop"}), QString("Track"));
        ctl({"loop", "Playlist"});
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatAll);
        ctl({"loop", "None"});
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatOff);
        // Only the three names, spelled exactly, and only as text: anything
        // else leaves the setting as it was.
        m_core->setRepeat(PlayerCore::RepeatOne);
        for (const char* value : {"variant:string:track", "variant:string:Bogus", "variant:int32:5"})
            setPlayerProperty(QStringLiteral("LoopStatus"), QString::fromLatin1(value));
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatOne);

        ctl({"shuffle", "On"});
        QVERIFY(m_core->shuffle());
        QCOMPARE(ctl({"shuffle"}), QString("On"));
        ctl({"shuffle", "Off"});
        QVERIFY(!m_core->shuffle());
        setPlayerProperty(QStringLiteral("Shuffle"), QStringLiteral("variant:string:yes"));
        setPlayerProperty(QStringLiteral("Shuffle"), QStringLiteral("variant:int32:1"));
        QVERIFY(!m_core->shuffle());
    }

    // Only the advertised schemes open: the engine's descriptor schemes would
    // reach the player's own files.
    void openUri()
    {
        ctl({"open", m_blank});
        QTRY_COMPARE_WITH_TIMEOUT(m_core->path(), m_blank, kWait);
        send(QStringLiteral("org.mpris.MediaPlayer2.Player.OpenUri"), {"string:fdclose://3"});
        send(QStringLiteral("org.mpris.MediaPlayer2.Player.OpenUri"), {"string:fd://0"});
        QCOMPARE(m_core->handle().getInt("playlist-count", -1), 1);
        QCOMPARE(m_core->handle().getString("playlist/0/filename"), m_blank);
    }

    void raiseAndQuit()
    {
        QSignalSpy raised(m_controls.get(), &MediaControls::raiseRequested);
        QSignalSpy quit(m_controls.get(), &MediaControls::quitRequested);
        send(QStringLiteral("org.mpris.MediaPlayer2.Raise"), {});
        QTRY_COMPARE_WITH_TIMEOUT(raised.size(), 1, kWait);
        QCOMPARE(quit.size(), 0);
        send(QStringLiteral("org.mpris.MediaPlayer2.Quit"), {});
        QTRY_COMPARE_WITH_TIMEOUT(quit.size(), 1, kWait);
    }
};

ORVEL_TEST_MAIN(TestMpris)
#include "tst_mpris.moc"
