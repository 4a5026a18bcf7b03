#include "Database.h"
#include "MediaGen.h"
#include "PlaylistFile.h"
#include "PlaylistsPage.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

// Reading and writing playlist files: both grammars, the entry rules, files
// that cannot be read safely, and exports that must survive a round trip or
// leave the old file when they fail.
class TestPlaylistFiles : public QObject
{
    Q_OBJECT

    QString home;   // stands for /home/u
    QString lists;  // stands for /home/u/lists

    static bool writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }

    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    static MediaItem row(const QString& path, const QString& artist, const QString& title, double duration)
    {
        MediaItem m;
        m.path = path;
        m.kind = "audio";
        m.artist = artist;
        m.title = title;
        m.duration = duration;
        m.folder = path.left(path.lastIndexOf('/'));
        return m;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Database::instance()->open());
        home = TestEnv::current()->root() + "/home/u";
        lists = home + "/lists";
        QVERIFY(QDir().mkpath(lists + "/Artist") && QDir().mkpath(lists + "/Playlists"));
        QVERIFY(writeFile(lists + "/Artist/b.mp3", "") && writeFile(lists + "/AC\\DC.mp3", ""));
    }

    void import_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("entries");
        const QString l = lists;

        QTest::newRow("directives only")
            << "a.b.m3u" << QByteArray("#EXTM3U\n#EXTINF:12,A - B\n#playlist:Summer\n#EXTINF:-1,C\n") << "a.b"
            << QStringList();
        QTest::newRow("playlist name") << "x.m3u8" << QByteArray("#EXTM3U\n#PLAYLIST:  Summer \t\na.mp3\n")
                                       << "Summer" << QStringList{l + "/a.mp3"};
        QTest::newRow("pls in line order")
            << "x.PLS" << QByteArray("[playlist]\nFile2=b.mp3\nTitle2=B\nfile1 = a.mp3\nNumberOfEntries=2\n")
            << "x" << QStringList{l + "/b.mp3", l + "/a.mp3"};
        QTest::newRow("file url") << "x.m3u" << QByteArray("file:///tmp/My%20Song%20%C3%A9%0A.mp3\n") << "x"
                                  << QStringList{QString::fromUtf8("/tmp/My Song \xC3\xA9\n.mp3")};
        QTest::newRow("relative and unclean")
            << "x.m3u" << QByteArray("music/a.mp3\n../b.flac\n/a//b/./c/../d.mp3\n../b.flac\n") << "x"
            << QStringList{l + "/music/a.mp3", home + "/b.flac", "/a/b/d.mp3", home + "/b.flac"};
        QTest::newRow("network links as written")
            << "x.m3u" << QByteArray("http://h/a.mp3?x=1&y=%20\nRTSP://cam:554/live\nudp://@239.0.0.1:1234\n")
            << "x" << QStringList{"http://h/a.mp3?x=1&y=%20", "RTSP://cam:554/live"};
        QTest::newRow("other schemes dropped")
            << "x.m3u"
            << QByteArray("fd://0\nfdclose://3\nav://lavfi:sine\nlavf://x\nedl://a.mp3\nmemory://abc\n"
                          "file://elsewhere/x.mp3\nsmb://h/x\n/kept.mp3\n")
            << "x" << QStringList{"/kept.mp3"};
        QTest::newRow("crlf and indentation")
            << "x.m3u" << QByteArray("#EXTM3U\r\n#PLAYLIST:Road\r\n\r\n  music/a.mp3\r\n\t/abs/b.mp3  \r\n")
            << "Road" << QStringList{l + "/music/a.mp3", "/abs/b.mp3"};
        QTest::newRow("utf-8 bom") << "x.m3u" << QByteArray("\xEF\xBB\xBF#PLAYLIST:Bom\n/a.mp3\n") << "Bom"
                                   << QStringList{"/a.mp3"};
        QTest::newRow("latin-1") << "x.m3u" << QByteArray("/m\xFAsica/caf\xE9.mp3\n/ok/\xC3\xBCn.mp3\n") << "x"
                                 << QStringList{QString::fromUtf8("/m\xC3\xBAsica/caf\xC3\xA9.mp3"),
                                                QString::fromUtf8("/ok/\xC3\xBCn.mp3")};
        // As Windows writes them: a drive path is looked for under the
        // playlist's folder; a name with a backslash that exists stays.
        QTest::newRow("windows separators")
            << "x.m3u" << QByteArray("..\\Artist\\song.mp3\r\nSub\\a.mp3\r\nC:\\Users\\Ana\\Music\\Artist\\b.mp3\r\n"
                                     "AC\\DC.mp3\r\n")
            << "x" << QStringList{home + "/Artist/song.mp3", l + "/Sub/a.mp3", l + "/Artist/b.mp3", l + "/AC\\DC.mp3"};
        // Other Windows forms, from a list kept in a folder beside the
        // music, in another letter case than the disk's.
        QTest::newRow("windows forms")
            << "Playlists/y.m3u" << QByteArray("D:/Users/Ana/Music/Artist/b.mp3\nfile:///C:/Music/ARTIST/B.MP3\n"
                                               "..\\artist\\B.mp3\n")
            << "y" << QStringList{l + "/Artist/b.mp3", l + "/Artist/b.mp3", l + "/Artist/b.mp3"};
        const QByteArray longest = '/' + QByteArray(PlaylistFile::kMaxLineLength - 1, 'a');
        QTest::newRow("over-long line skipped")
            << "x.m3u" << longest + "a\n" + longest + "\nb.mp3" << "x"
            << QStringList{QString::fromLatin1(longest), l + "/b.mp3"};
    }

    void import()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        const QString path = lists + '/' + file;
        QVERIFY(writeFile(path, bytes));
        QString name;
        QList<QString> got{"before"};
        QVERIFY(PlaylistsPage::importM3U(path, &name, &got));
        QTEST(name, "name");
        QFETCH(QStringList, entries);
        QCOMPARE(got, QStringList{"before"} + entries);
        QFile::remove(path);
    }

    // Files that are not small regular text files are refused without
    // waiting and without touching the caller's name and list.
    void unreadable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("readable");
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("fifo") << "fifo" << false;
        QTest::newRow("nul byte") << "nul" << false;
        QTest::newRow("over the size limit") << "oversized" << false;
        QTest::newRow("at the size limit") << "limit" << true;
    }

    void unreadable()
    {
        QFETCH(QString, kind);
        const QString dir = lists + "/unreadable-" + kind;
        QVERIFY(QDir().mkpath(dir));
        const QString path = dir + "/x.m3u";
        QByteArray sized = "/ok.mp3\n";
        sized += QByteArray(PlaylistFile::kMaxFileSize - sized.size(), '#');
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "nul")
            QVERIFY(writeFile(path, QByteArray("/a.mp3\n/b\0.mp3\n", 15)));
        else if (kind == "oversized")
            QVERIFY(writeFile(path, sized + '\n'));
        else if (kind == "limit")
            QVERIFY(writeFile(path, sized));

        QString name = "kept";
        QList<QString> entries{"kept"};
        QFETCH(bool, readable);
        QCOMPARE(PlaylistsPage::importM3U(path, &name, &entries), readable);
        QCOMPARE(name, QString(readable ? "x" : "kept"));
        const QStringList expected = readable ? QStringList{"kept", "/ok.mp3"} : QStringList{"kept"};
        QCOMPARE(entries, expected);
        QDir(dir).removeRecursively();
    }

    // Lists nested too deep and a text budget spent are told by their
    // reason, with what they left out.
    void leftOutTold()
    {
        const QString dir = lists + "/deep";
        QVERIFY(QDir().mkpath(dir));
        for (int i = 0; i < 5; ++i)
            QVERIFY(writeFile(dir + QStringLiteral("/l%1.m3u").arg(i), QStringLiteral("l%1.m3u\n/s%1.mp3\n").arg(i + 1).toUtf8()));
        QList<QString> entries;
        PlaylistFile::Outcome outcome;
        QVERIFY(PlaylistFile::read(dir + "/l0.m3u", nullptr, &entries, &outcome));
        QCOMPARE(entries, (QStringList{"/s4.mp3", "/s3.mp3", "/s2.mp3", "/s1.mp3"}));
        QCOMPARE(PlaylistFile::notice(dir + "/l0.m3u", outcome),
                 QStringLiteral("Playlist aninhada demais ignorada: l4.m3u"));

        const QByteArray half = QByteArray(PlaylistFile::kMaxTotalBytes / 2 + 1, '#') + '\n';
        QVERIFY(writeFile(dir + "/a.m3u", half) && writeFile(dir + "/b.m3u", half));
        QVERIFY(writeFile(dir + "/top.m3u", "a.m3u\nb.m3u\n/after.mp3\n"));
        entries.clear();
        QVERIFY(PlaylistFile::read(dir + "/top.m3u", nullptr, &entries, &outcome));
        QVERIFY(entries.isEmpty());
        QCOMPARE(PlaylistFile::notice(dir + "/top.m3u", outcome),
                 QStringLiteral("Playlist grande demais, lida só em parte: top.m3u"));
        QDir(dir).removeRecursively();
    }

    // Durations and labels come from the library, else from the file's
    // tags; local paths and links are written as they are.
    void exportFormat()
    {
        Database::instance()->upsertMedia({row("/m/song.flac", "Ana", "Rio, ao vivo", 245.7),
                                           row("/m/untitled.ogg", "", "", 0),
                                           row("/m/ctl.mp3", "", "A\tB\nC", 12.0)});
        const QString path = lists + "/out.m3u";
        QVERIFY(PlaylistsPage::exportM3U(path, {"/m/song.flac", "http://radio.example/live.mp3",
                                                "/m/untitled.ogg", "/m/ctl.mp3", "/m/Road trip.v2.mp3"}));
        const QString tagged = lists + "/tagged.ogg";
        QVERIFY2(MediaGen::audio(tagged, 3.0, {{"title", "Um"}, {"artist", "Bia"}}), qPrintable(MediaGen::lastError()));
        QVERIFY(PlaylistsPage::exportM3U(lists + "/tagged.m3u", {tagged}));
        QCOMPARE(readFile(lists + "/tagged.m3u"), "#EXTM3U\n#EXTINF:3,Bia - Um\n" + tagged.toUtf8() + '\n');
        QCOMPARE(readFile(path), QByteArray("#EXTM3U\n"
                                            "#EXTINF:245,Ana - Rio, ao vivo\n/m/song.flac\n"
                                            "#EXTINF:-1,live\nhttp://radio.example/live.mp3\n"
                                            "#EXTINF:0,untitled\n/m/untitled.ogg\n"
                                            "#EXTINF:12,A B C\n/m/ctl.mp3\n"
                                            "#EXTINF:-1,Road trip.v2\n/m/Road trip.v2.mp3\n"));

        const QString pls = lists + "/out.pls";
        QVERIFY(PlaylistsPage::exportM3U(pls, {"/m/song.flac", "http://radio.example/live.mp3"}));
        QCOMPARE(readFile(pls), QByteArray("[playlist]\n"
                                           "File1=/m/song.flac\nTitle1=Ana - Rio, ao vivo\nLength1=245\n"
                                           "File2=http://radio.example/live.mp3\nTitle2=live\nLength2=-1\n"
                                           "NumberOfEntries=2\nVersion=2\n"));
    }

    // Names that a plain line would mangle still come back exactly, and
    // every entry keeps to its two lines.
    void exportRoundTrip()
    {
        const QList<QString> paths{lists + "/line\nfeed.mp3",
                                   lists + "/trailing.mp3 ",
                                   QString::fromUtf8("/m/nbsp\xC2\xA0"),
                                   QString::fromUtf8("/m/\xC3\xBCn\xC3\xAF c\xC3\xB8" "d\xC3\xA9 \xE2\x98\x83.flac"),
                                   "/m/tab\there\r.mp3",
                                   "/m/100% #1?.mp3",
                                   "/m/dup.mp3",
                                   "/m/dup.mp3",
                                   "https://h/a.mp3?x=1"};
        const QString path = lists + "/Mix 1.m3u8";
        QVERIFY(PlaylistsPage::exportM3U(path, paths));
        const QByteArray text = readFile(path);
        QCOMPARE(text.count('\n'), 1 + 2 * paths.size());
        QVERIFY(!text.contains('\r') && !text.contains('\t'));

        QString name;
        QList<QString> back;
        QVERIFY(PlaylistsPage::importM3U(path, &name, &back));
        QCOMPARE(name, QString("Mix 1"));
        QCOMPARE(back, paths);

        // Under a PLS name it is written as PLS, which reads back the same.
        const QString pls = lists + "/Mix 2.pls";
        QVERIFY(PlaylistsPage::exportM3U(pls, paths));
        QVERIFY(readFile(pls).startsWith("[playlist]\n"));
        back.clear();
        QVERIFY(PlaylistsPage::importM3U(pls, &name, &back));
        QCOMPARE(name, QString("Mix 2"));
        QCOMPARE(back, paths);
    }

    // A failed export returns false and leaves what was there.
    void failedExport_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("write fails midway") << "limit";
        QTest::newRow("parent is a file") << "parent";
    }

    void failedExport()
    {
        QFETCH(QString, how);
        const QString dir = lists + "/failed-" + how;
        QVERIFY(QDir().mkpath(dir));
        QString target = dir + "/old.m3u";
        QVERIFY(writeFile(target, "#EXTM3U\n#EXTINF:-1,old\n/old.mp3\n"));
        if (how == "parent")
            target += "/new.m3u";
        QList<QString> paths;
        for (int i = 0; i < 200; ++i)
            paths << QStringLiteral("/music/some/long/folder/name/track %1.mp3").arg(i);

        bool ok = true;
        if (how == "limit") {
            // The file size limit makes the write fail as a full disk would.
            rlimit saved{};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
            rlimit small = saved;
            small.rlim_cur = 1024;
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            ok = PlaylistsPage::exportM3U(target, paths);
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            ok = PlaylistsPage::exportM3U(target, paths);
        }
        QVERIFY(!ok);
        QCOMPARE(readFile(dir + "/old.m3u"), QByteArray("#EXTM3U\n#EXTINF:-1,old\n/old.mp3\n"));
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"old.m3u"});
    }
};

ORVEL_TEST_MAIN(TestPlaylistFiles)
#include "tst_playlistfiles.moc"
