#include "MediaControls.h"
#include "MediaGen.h"
#include "Mpris.h"
#include "MprisPlayer.h"
#include "PlayerCore.h"
#include "TestEnv.h"

#include <QDBusObjectPath>
#include <QSignalSpy>

// Without a session bus the service is absent, yet the metadata map is kept
// with the D-Bus types clients expect, and each load still announces Seeked.
class TestMprisNoBus : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void keepsTheMap()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName("unix:path=" + m_dir.path() + "/no-bus"));
        const QString song = m_dir.path() + "/song.mp3";
        QVERIFY2(MediaGen::audio(song, 3), qPrintable(MediaGen::lastError()));
        PlayerCore core;
        QString error;
        QVERIFY2(core.init(&error), qPrintable(error));
        MediaControls controls(nullptr, &core);
        auto* mpris = controls.findChild<Mpris*>();
        QVERIFY(mpris);
        QSignalSpy seeked(mpris->findChild<MprisPlayer*>(), &MprisPlayer::Seeked);

        controls.setTrack(QString(), QString(), QString(), QString(), false);
        QCOMPARE(mpris->metadata().keys(), (QStringList{"mpris:trackid", "xesam:title"}));

        core.openFiles({song});
        QTRY_COMPARE_WITH_TIMEOUT(seeked.size(), 1, 30000);
        QCOMPARE(seeked[0][0].toLongLong(), 0);
        controls.setTrack("Canção", "Artista", "Álbum", m_dir.path() + "/c a#ç.jpg", false);
        const QVariantMap map = mpris->metadata();
        QCOMPARE(map.value("mpris:trackid").value<QDBusObjectPath>().path(), QString("/org/orvel/track/2"));
        QCOMPARE(map.value("xesam:artist").metaType(), QMetaType::fromType<QStringList>());
        QCOMPARE(map.value("mpris:length").metaType(), QMetaType::fromType<qlonglong>());
        QCOMPARE(map.value("mpris:length").toLongLong(), qlonglong(core.duration() * 1000000.0));
    }
};

ORVEL_TEST_MAIN(TestMprisNoBus)
#include "tst_mpris_nobus.moc"
