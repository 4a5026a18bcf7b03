#include "App.h"
#include "ChildProcess.h"
#include "Lang.h"
#include "TestEnv.h"
#include "TextCleaner.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>

#include <cmath>
#include <limits>

class TestApp : public QObject
{
    Q_OBJECT
private slots:
    void formatTime_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0:00";
        QTest::newRow("fraction dropped") << 59.9 << "0:59";
        QTest::newRow("minute") << 61.0 << "1:01";
        QTest::newRow("last before hour") << 3599.0 << "59:59";
        QTest::newRow("hour") << 3600.0 << "1:00:00";
        QTest::newRow("hour and some") << 3725.5 << "1:02:05";
        QTest::newRow("ten hours") << 36000.0 << "10:00:00";
        QTest::newRow("negative") << -5.0 << "0:00";
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "0:00";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "0:00";
        QTest::newRow("beyond long long") << 1e300 << "277777777777:46:40";
    }
    void formatTime()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(App::formatTime(seconds), text);
    }

    void formatSpeed()
    {
        Lang::englishFlag() = false;
        QCOMPARE(App::formatSpeed(1.0), QString("1x"));
        QCOMPARE(App::formatSpeed(1.25), QString("1,25x"));
        QCOMPARE(App::formatSpeed(0.5), QString("0,5x"));
        QCOMPARE(App::formatSpeed(10.0), QString("10x"));
        QCOMPARE(App::formatSpeed(0.05), QString("0,05x"));
        QCOMPARE(App::formatSpeed(2.0), QString("2x"));
        Lang::englishFlag() = true;
        QCOMPARE(App::formatSpeed(1.25), QString("1.25x"));
        QCOMPARE(App::formatSpeed(0.5), QString("0.5x"));
        Lang::englishFlag() = false;
    }

    void ext_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<bool>("isNull");
        QTest::newRow("upper case") << "/m/Song.MP3" << "mp3" << false;
        QTest::newRow("no dot") << "/m/README" << QString() << true;
        QTest::newRow("dot in folder") << "/m/a.b/file" << "b/file" << false;
        QTest::newRow("double extension") << "x.tar.gz" << "gz" << false;
        QTest::newRow("trailing dot") << "name." << "" << false;
    }
    void ext()
    {
        QFETCH(QString, path);
        QFETCH(QString, ext);
        QFETCH(bool, isNull);
        const QString got = App::ext(path);
        QCOMPARE(got, ext);
        QCOMPARE(got.isNull(), isNull);
    }

    void isUrl()
    {
        QVERIFY(App::isUrl("https://example.com/live.m3u8"));
        QVERIFY(App::isUrl("file:///home/a.mp4"));
        QVERIFY(!App::isUrl("/home/user/video.mp4"));
        QVERIFY(!App::isUrl("C:video.mp4"));
    }

    void extensionListsAreDisjointAndLowerCase()
    {
        QCOMPARE(App::videoExts().size(), 22);
        QCOMPARE(App::audioExts().size(), 21);
        QCOMPARE(App::subExts().size(), 9);
        QCOMPARE(App::playlistExts().size(), 3);
        QSet<QString> seen;
        for (const QStringList* list : {&App::videoExts(), &App::audioExts(), &App::subExts(),
                                        &App::playlistExts()}) {
            for (const QString& e : *list) {
                QCOMPARE(e, e.toLower());
                QVERIFY2(!seen.contains(e), qPrintable(e));
                seen.insert(e);
            }
        }
    }

    // A value written by one run is read by the next, in every settings
    // group the program uses; "general" is the one Qt files as "[%General]".
    void settingsSurviveRestart()
    {
        const auto tool = [](const QStringList& args) {
            return ChildProcess::run(QStringLiteral(ORVEL_SETTINGS_TOOL), args).split('\n');
        };
        const auto keysOf = [](const QStringList& pairs) {
            QStringList keys;
            for (const QString& pair : pairs)
                keys << pair.section('=', 0, 0);
            return keys;
        };
        QVERIFY(QDir().mkpath(App::dataDir()));
        const QString ini = App::dataDir() + "/config.ini";
        QFile::remove(ini);
        const QStringList written = {
            "general/checkUpdates=false", "general/closeToTray=true", "general/openMode=queue",
            "audio/volume=62.5", "eq/gains=1.5|-2|0", "library/audio=/m/a|/m/b",
            "playback/resume=false", "privacy/history=false", "shortcuts/play_pause=Ctrl+P",
            "subStyle/sub-font-size=40", "subs/lang=por,eng", "ui/language=en", "video/hwdec=no",
            "videos/sort=title", "window/geometry=abc"};
        tool(QStringList{"set"} + written);
        QCOMPARE(tool(QStringList{"get"} + keysOf(written)), written);

        // A file from an earlier version, which added a second "[%General]"
        // section in a later run: the later section holds the newer value.
        QFile old(ini);
        QVERIFY(old.open(QIODevice::WriteOnly));
        // With what QSettings writes for other values: raw UTF-8 and DEL,
        // escaped control bytes, quoted strings.
        old.write("[%General]\ncheckUpdates=true\ncloseToTray=true\n\n"
                  "[%General]\ncheckUpdates=false\nopenMode=queue\n\n[ui]\nlanguage=en\n"
                  "[subs]\nlang=\"por, eng\"\nfont=M\xc3\xbasica \\x1\x7f\n"
                  "[window]\ngeometry=\"@ByteArray(\\0\\x1\\xd9\\n\\\"\\x7f)\"\n"
                  "[p]\nv=@Variant(\\0\\0\\0\\b\\0\\0\\0\\x1)\n");
        old.close();
        const QStringList keys = {"general/checkUpdates", "general/closeToTray", "general/openMode",
                                  "ui/language", "subs/lang", "subs/font"};
        QCOMPARE(tool(QStringList{"get"} + keys),
                 (QStringList{"general/checkUpdates=false", "general/closeToTray=true",
                              "general/openMode=queue", "ui/language=en", "subs/lang=por, eng",
                              QString::fromUtf8("subs/font=Música \x01\x7f")}));
        const QStringList kept = {"config-corrupt-*.ini"};
        QVERIFY(QDir(App::dataDir()).entryList(kept).isEmpty());

        // Random bytes are kept beside, not overwritten by the defaults.
        QByteArray garbage(3000, Qt::Uninitialized);
        QRandomGenerator random(3);
        for (char& c : garbage)
            c = char(random.bounded(256));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(garbage);
        old.close();
        QCOMPARE(tool({"set", "ui/language=pt"}), QStringList{""});
        const QStringList aside = QDir(App::dataDir()).entryList(kept);
        QCOMPARE(aside.size(), 1);
        QFile keptFile(App::dataDir() + "/" + aside.at(0));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), garbage);
        QCOMPARE(tool({"get", "ui/language", "general/openMode"}),
                 (QStringList{"ui/language=pt", "general/openMode=<none>"}));
        QFile::remove(keptFile.fileName());
        QFile::remove(ini);
    }

    void dataFoldersAndSettings()
    {
        const QString data = App::dataDir();
        QVERIFY(data.startsWith(TestEnv::current()->root()));
        QVERIFY(QDir(data).exists());
        const QString thumbs = App::subDir("thumbs");
        QCOMPARE(thumbs, data + "/thumbs");
        QVERIFY(QDir().rmdir(thumbs));
        QCOMPARE(App::subDir("thumbs"), thumbs);
        QVERIFY(QDir(thumbs).exists());

        App::set("ui/language", "en");
        App::settings()->sync();
        QCOMPARE(App::get("ui/language", "pt").toString(), QString("en"));
        QCOMPARE(App::get("missing/key", 7).toInt(), 7);
        QCOMPARE(App::settings()->fileName(), data + "/config.ini");
        QVERIFY(QFile::exists(data + "/config.ini"));

        // The data folder is computed once and not re-created behind the caller.
        QVERIFY(QDir(data).removeRecursively());
        QCOMPARE(App::dataDir(), data);
        QVERIFY(!QDir(data).exists());
    }

    void textRuleFollowsFlag()
    {
        Lang::englishFlag() = false;
        QCOMPARE(L("Música", ""), QString::fromUtf8("Música"));
        Lang::englishFlag() = true;
        QCOMPARE(L("Música", "Music"), QString("Music"));
        Lang::englishFlag() = false;
    }

    // Texts from tags and streams, as they are shown: one line, no marks
    // that turn text around, never half a character at the cut.
    void shownLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("controls, C1, separators, isolates")
            << QString::fromUtf8("\t a\x01\x1b[1m\u0085b\u2028c\u2067d\u202ee\u0090f\u2069 \n")
            << QString("a[1m b cdef");
        QTest::newRow("marks of scripts stay")
            << QString::fromUtf8("\u05e9\u200f!") << QString::fromUtf8("\u05e9\u200f!");
        QTest::newRow("surrogate pair at the cut")
            << QString(1023, 'a') + QString::fromUtf8("\U0001F600") << QString(1023, 'a');
    }

    void shownLines()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(TextCleaner::line(text), shown);
        QCOMPARE(TextCleaner::line(text.toUtf8().constData()), shown);
    }
};

ORVEL_TEST_MAIN(TestApp)
#include "tst_app.moc"
