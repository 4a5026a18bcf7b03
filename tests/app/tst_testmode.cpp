#include "App.h"
#include "TestEnv.h"
#include "TestMode.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

class TestTestMode : public QObject
{
    Q_OBJECT

    static QString touch(const QString& dir)
    {
        QDir().mkpath(dir);
        const QString path = dir + "/sentinel";
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("keep");
        return path;
    }

private slots:
    void firstArgumentOnly()
    {
        QCOMPARE(TestMode::fromArguments({"--selftest", "out"}), TestMode::SelfTest);
        QCOMPARE(TestMode::fromArguments({"--screenshots"}), TestMode::Screenshots);
        QCOMPARE(TestMode::fromArguments({"a.mp4", "--selftest"}), TestMode::None);
        QCOMPARE(TestMode::fromArguments({}), TestMode::None);
    }

    // The wipe must hit Qt's test-mode folder and never the user's real one.
    void wipeConfinedToTestFolder()
    {
        QStandardPaths::setTestModeEnabled(false);
        const QString real = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        const QString realFile = touch(real);
        QStandardPaths::setTestModeEnabled(true);
        const QString test = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QVERIFY(test != real);
        const QString staleFile = touch(test);

        TestMode::prepare(TestMode::SelfTest, {"--selftest", "/out", "/media/clips/a.mp4", "b.mp4"});

        QVERIFY(QFile::exists(realFile));
        QVERIFY(!QFile::exists(staleFile));
        QCOMPARE(App::dataDir(), test);
        QCOMPARE(App::get("library/audio").toStringList(), QStringList{"/media/clips"});
        QCOMPARE(App::get("library/video").toStringList(), QStringList{"/media/clips"});
        QCOMPARE(App::get("general/checkUpdates", true).toBool(), false);
    }
};

ORVEL_TEST_MAIN(TestTestMode)
#include "tst_testmode.moc"
