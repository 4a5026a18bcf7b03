#include "App.h"
#include "Database.h"
#include "Library.h"
#include "MediaGen.h"
#include "TagReader.h"
#include "TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStandardPaths>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

class TestLibrary : public QObject
{
    Q_OBJECT

private:
    QString m_music;
    QString m_videos;
    Library* m_lib = nullptr;

    QString music(const QString& name) const { return m_music + "/" + name; }

    static void writeBytes(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    QHash<QString, MediaItem> rows(const QString& kind) const
    {
        QHash<QString, MediaItem> out;
        for (const MediaItem& m : Database::instance()->media(kind))
            out.insert(m.path, m);
        return out;
    }

    // Runs one scan (plus any it queues) and answers the last count.
    int scanAndWait()
    {
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->rescan();
        if (!done.wait(30000))
            return -1;
        return done.last().at(0).toInt();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Database::instance()->open());
        m_music = TestEnv::current()->root() + "/media/music";
        m_videos = TestEnv::current()->root() + "/media/videos";
        QVERIFY(QDir().mkpath(m_music + "/Artist A/Album") && QDir().mkpath(m_music + "/.hidden"));
        QVERIFY(QDir().mkpath(m_videos));
        MediaGen::Spec mp3;
        mp3.tags = {{"title", "  First Song "}, {"artist", "Ann"}, {"album", "Al"},
                    {"album_artist", "Various"}, {"genre", "Rock"}, {"date", "2001"}, {"track", "3"},
                    {"disc", "2/3"}};
        QVERIFY2(MediaGen::make(music("Artist A/Album/01.mp3"), mp3), qPrintable(MediaGen::lastError()));
        MediaGen::Spec flac;
        flac.seconds = 3;
        flac.cover = true;
        flac.tags = {{"title", "Sung"}, {"album_artist", "Band"}, {"LYRICS", "\n la la \n"}};
        QVERIFY2(MediaGen::make(music("song.flac"), flac), qPrintable(MediaGen::lastError()));
        QVERIFY2(MediaGen::audio(music("x.ogg"), 2, {{"title", "Ogg"}}), qPrintable(MediaGen::lastError()));
        MediaGen::Spec m4a;
        m4a.cover = true;
        m4a.tags = {{"title", "Mp4 audio"}, {"disc", "1/2"}};
        QVERIFY2(MediaGen::make(music("c.m4a"), m4a), qPrintable(MediaGen::lastError()));
        QVERIFY2(MediaGen::audio(music("UPPER.MP3"), 1), qPrintable(MediaGen::lastError()));
        QVERIFY(QFile::copy(music("UPPER.MP3"), music("noext")));
        QVERIFY(QFile::copy(music("UPPER.MP3"), music(".hidden/h.mp3")));
        QVERIFY(QFile::copy(music("UPPER.MP3"), music(".dot.mp3")));
        QVERIFY2(MediaGen::video(music("clip.mp4"), 1), qPrintable(MediaGen::lastError()));
        QVERIFY2(MediaGen::video(m_videos + "/movie.mp4", 1), qPrintable(MediaGen::lastError()));
        QByteArray noise(4096, 0);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        writeBytes(music("random.mp3"), noise);
        writeBytes(music("empty.m4a"), {});
        QVERIFY(QFile::link(m_music, music("Artist A/loop")));
        QCOMPARE(::mkfifo(QFile::encodeName(music("fifo.mp3")).constData(), 0644), 0);
        QVERIFY(QFile::link(music("fifo.mp3"), music("tofifo.mp3")));
    }

    // The first Library writes the default folders and starts nothing: a
    // scan it started would still end, after this.
    void firstRunStartsNoScan()
    {
        QSignalSpy changed(Database::instance(), &Database::libraryChanged);
        m_lib = Library::instance();
        QSignalSpy started(m_lib, &Library::scanStarted);
        QSignalSpy finished(m_lib, &Library::scanFinished);
        QCOMPARE(App::get("library/audio").toStringList(),
                 QStringList{QStandardPaths::writableLocation(QStandardPaths::MusicLocation)});
        QCOMPARE(App::get("library/video").toStringList(),
                 QStringList{QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)});
        QTest::qWait(500);
        QCOMPARE(started.count(), 0);
        QCOMPARE(finished.count(), 0);
        QCOMPARE(changed.count(), 0);
    }

    void fullScan()
    {
        App::set("library/audio", QStringList{m_music});
        App::set("library/video", QStringList{m_videos});
        QSignalSpy changed(Database::instance(), &Database::libraryChanged);
        QCOMPARE(scanAndWait(), 8);
        QCOMPARE(changed.count(), 1);
        const auto audio = rows("audio");
        QCOMPARE(QSet<QString>(audio.keyBegin(), audio.keyEnd()),
                 (QSet<QString>{music("Artist A/Album/01.mp3"), music("song.flac"), music("x.ogg"),
                                music("c.m4a"), music("UPPER.MP3"), music("random.mp3"),
                                music("empty.m4a")}));
        const MediaItem first = audio.value(music("Artist A/Album/01.mp3"));
        QCOMPARE(first.title, QString("First Song"));
        QCOMPARE(first.artist, QString("Ann"));
        QCOMPARE(first.album_artist, QString("Various"));
        QCOMPARE(first.genre, QString("Rock"));
        QCOMPARE(first.year, 2001);
        QCOMPARE(first.track, 3);
        QCOMPARE(first.disc, 2);
        QCOMPARE(audio.value(music("c.m4a")).disc, 1);
        QCOMPARE(audio.value(music("song.flac")).disc, 0);
        QCOMPARE(first.folder, music("Artist A/Album"));
        QVERIFY(qAbs(first.duration - 2.0) < 0.15);
        QCOMPARE(audio.value(music("song.flac")).album_artist, QString("Band"));
        QVERIFY(qAbs(audio.value(music("song.flac")).duration - 3.0) < 0.15);
        QCOMPARE(audio.value(music("c.m4a")).title, QString("Mp4 audio"));
        QVERIFY(audio.value(music("x.ogg")).duration > 1.8);
        QCOMPARE(audio.value(music("random.mp3")).title, QString("random"));
        QCOMPARE(audio.value(music("random.mp3")).duration, 0.0);
        QCOMPARE(audio.value(music("empty.m4a")).title, QString("empty"));
        const auto video = rows("video");
        QCOMPARE(video.keys(), QStringList{m_videos + "/movie.mp4"});
        QCOMPARE(video.cbegin()->kind, QString("video"));
        QCOMPARE(video.cbegin()->duration, 0.0);
    }

    void unchangedRescanWritesNothing()
    {
        const auto before = rows("audio");
        QSignalSpy changed(Database::instance(), &Database::libraryChanged);
        QCOMPARE(scanAndWait(), 8);
        QCOMPARE(changed.count(), 0);
        const auto after = rows("audio");
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            QCOMPARE(after.value(it.key()).title, it->title);
            QCOMPARE(after.value(it.key()).added_at, it->added_at);
        }
    }

    // A scan that cannot be stored leaves the library as it was, counts what
    // it still holds and tells why once for a run of alike failures.
    void fullDiskIsTold()
    {
        const QString many = TestEnv::current()->root() + "/media/many";
        QVERIFY(QDir().mkpath(many));
        for (int i = 0; i < 100; ++i)
            writeBytes(QString("%1/a song whose long name fills the pages of the library %2.mp3").arg(many).arg(i),
                       {});
        App::set("library/audio", QStringList{m_music, many});
        QSqlQuery limit;
        QVERIFY(limit.exec("SELECT page_count FROM pragma_page_count") && limit.next());
        QVERIFY(limit.exec(QString("PRAGMA max_page_count=%1").arg(limit.value(0).toInt())));
        QSignalSpy told(m_lib, &Library::storeChanged);
        QSignalSpy changed(Database::instance(), &Database::libraryChanged);
        QCOMPARE(scanAndWait(), 8);
        QCOMPARE(scanAndWait(), 8);
        QCOMPARE(told.count(), 1);
        QVERIFY(m_lib->storeFull());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(rows("audio").size(), 7);

        QVERIFY(limit.exec("PRAGMA max_page_count=1073741823"));
        QCOMPARE(scanAndWait(), 108);
        QCOMPARE(told.count(), 2);
        QVERIFY(m_lib->storeError().isEmpty());
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->removeFolder("audio", many);
        QVERIFY(done.wait(30000));
        QCOMPARE(done.last().at(0).toInt(), 8);
        QVERIFY(QDir(many).removeRecursively());
    }

    void folderLists()
    {
        App::set("library/video", QStringList{m_videos, QString()});
        QCOMPARE(m_lib->folders("video"), QStringList{m_videos});
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->addFolder("audio", m_music + "/");   // same folder once cleaned
        m_lib->addFolder("audio", m_music.toUpper());
        QCOMPARE(m_lib->folders("audio"), (QStringList{m_music, m_music.toUpper()}));
        QVERIFY(done.wait(30000));
        m_lib->removeFolder("audio", m_music.toUpper());
        QCOMPARE(m_lib->folders("audio"), QStringList{m_music});
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 30000);
    }

    void relativeFolderStoresAbsolutePaths()
    {
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_music + "/.."));
        App::set("library/audio", QStringList{"music/./"});
        QSignalSpy changed(Database::instance(), &Database::libraryChanged);
        QCOMPARE(scanAndWait(), 8);
        QDir::setCurrent(cwd);
        App::set("library/audio", QStringList{m_music});
        QCOMPARE(changed.count(), 0);
        QCOMPARE(rows("audio").size(), 7);
    }

    void changedAndDeletedFiles()
    {
        Database* db = Database::instance();
        db->countPlay(music("x.ogg"));
        db->setFavorite(music("x.ogg"), true);
        QVERIFY(QFile::remove(music("x.ogg")));
        QVERIFY(QFile::remove(music("UPPER.MP3")));
        QVERIFY2(MediaGen::audio(music("UPPER.MP3"), 4, {{"title", "Longer"}}),
                 qPrintable(MediaGen::lastError()));
        QSignalSpy changed(db, &Database::libraryChanged);
        QCOMPARE(scanAndWait(), 7);
        QCOMPARE(changed.count(), 1);
        const auto audio = rows("audio");
        QVERIFY(!audio.contains(music("x.ogg")));
        QCOMPARE(audio.value(music("UPPER.MP3")).title, QString("Longer"));
        const auto gone = db->mediaByPath(music("x.ogg"));
        QVERIFY(gone.has_value());
        QCOMPARE(gone->play_count, 1);
        QVERIFY(gone->favorite);
    }

    // Removing a folder takes its rows out of the library at once, before
    // the rescan that follows has ended.
    void removedFolderLeavesTheLibraryAtOnce()
    {
        QVERIFY(!rows("audio").isEmpty());
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->removeFolder("audio", m_music);
        QVERIFY(rows("audio").isEmpty());
        QCOMPARE(done.count(), 0);
        m_lib->addFolder("audio", m_music);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 30000);
        QCOMPARE(rows("audio").size(), 6);
    }

    // Files that do not look like their format (a pre-allocated download,
    // noise named like a song) never reach TagLib, which would walk them
    // whole: they are stored as unreadable, with no tags and no length. Songs
    // whose end is missing keep their tags, and their length when a VBR
    // header gives it without a walk. Songs whose extension names another
    // format, or with an ID3v2 tag in front of Ogg, are read by what they are.
    void misnamedFilesAreLeftUnread()
    {
        const QString odd = TestEnv::current()->root() + "/media/odd";
        QVERIFY(QDir().mkpath(odd));
        QByteArray noise(64 * 1024, 0);
        QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QStringList unread;
        for (const QString ext : {"mp3", "flac", "ogg", "opus", "ape"}) {
            QFile zeros(odd + "/zeros." + ext);
            QVERIFY(zeros.open(QIODevice::WriteOnly) && zeros.resize(300 << 20));   // sparse
            writeBytes(odd + "/noise." + ext, noise);
            unread << zeros.fileName() << odd + "/noise." + ext;
        }
        const QString vbr = odd + "/partial-vbr.mp3";
        const QString cbr = odd + "/partial-cbr.mp3";
        QVERIFY(QFile::copy(music("Artist A/Album/01.mp3"), vbr));   // with a Xing header
        MediaGen::Spec plain;
        plain.tags = {{"title", "Plain"}};
        plain.extra = {"-write_xing", "0"};
        QVERIFY2(MediaGen::make(cbr, plain), qPrintable(MediaGen::lastError()));
        QVERIFY(QFile::resize(vbr, 300 << 20) && QFile::resize(cbr, 300 << 20));
        const QString mp3AsFlac = odd + "/mp3.flac";
        QVERIFY(QFile::copy(music("Artist A/Album/01.mp3"), mp3AsFlac));
        const QString id3Ogg = odd + "/id3.ogg";
        QVERIFY2(MediaGen::audio(id3Ogg, 3, {{"title", "Ogg Behind"}}),
                 qPrintable(MediaGen::lastError()));
        QFile mp3(music("Artist A/Album/01.mp3"));
        QFile ogg(id3Ogg);
        QVERIFY(mp3.open(QIODevice::ReadOnly) && ogg.open(QIODevice::ReadOnly));
        const QByteArray h = mp3.peek(10);
        QVERIFY(h.startsWith("ID3"));
        const int tagSize =
            10 + ((h[6] & 0x7f) << 21 | (h[7] & 0x7f) << 14 | (h[8] & 0x7f) << 7 | (h[9] & 0x7f));
        const QByteArray withTag = mp3.read(tagSize) + ogg.readAll();
        ogg.close();
        writeBytes(id3Ogg, withTag);

        const Library::ScanResult result = Library::scan({odd}, {}, {});
        QCOMPARE(result.items.size(), unread.size() + 4);
        const QHash<QString, QPair<QString, int>> read = {{vbr, {"First Song", 2}},
                                                          {cbr, {"Plain", 0}},
                                                          {mp3AsFlac, {"First Song", 2}},
                                                          {id3Ogg, {"Ogg Behind", 3}}};
        for (const MediaItem& m : result.items) {
            const auto [title, seconds] =
                read.value(m.path, {QFileInfo(m.path).completeBaseName(), 0});
            QCOMPARE(m.title, title);
            QCOMPARE(qRound(m.duration), seconds);
        }
        for (const QString& path : unread)
            QVERIFY2(!TagReader(path, true).isValid(), qPrintable(path));
        QVERIFY(QDir(odd).removeRecursively());
    }

    void scanLeavesACallersTransactionOpen()
    {
        QVERIFY(QFile::copy(music("Artist A/Album/01.mp3"), music("inside.mp3")));
        QVERIFY(Database::transaction());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SQL: .*BEGIN"));
        QCOMPARE(scanAndWait(), 8);
        QVERIFY(rows("audio").contains(music("inside.mp3")));
        // Still the caller's to end: rolling it back undoes the scan too.
        QVERIFY(Database::rollback());
        QVERIFY(!rows("audio").contains(music("inside.mp3")));
        QVERIFY(QFile::remove(music("inside.mp3")));
    }

    void rescansDuringAScanCoalesce()
    {
        QSignalSpy started(m_lib, &Library::scanStarted);
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->rescan();
        m_lib->rescan();
        m_lib->rescan();
        m_lib->rescan();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 30000);
        QTest::qWait(200);
        QCOMPARE(started.count(), 2);
        QCOMPARE(done.count(), 2);
    }

    void folderRemovedWhileScanning()
    {
        const QString extra = TestEnv::current()->root() + "/media/extra";
        QVERIFY(QDir().mkpath(extra));
        QVERIFY(QFile::copy(music("Artist A/Album/01.mp3"), extra + "/new.mp3"));
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->addFolder("audio", extra);   // the walk includes extra...
        m_lib->removeFolder("audio", extra);  // ...which is gone before it ends
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 30000);
        QVERIFY(!rows("audio").contains(extra + "/new.mp3"));
    }

    void tagReaders()
    {
        QCOMPARE(Library::readLyrics(music("song.flac")), QString("la la"));
        QCOMPARE(Library::readLyrics(music("Artist A/Album/01.mp3")), QString());
        QCOMPARE(Library::readLyrics(music("random.mp3")), QString());
        // Neither a FIFO nor a link to one may reach the tag reader: it would block.
        QCOMPARE(Library::readLyrics(music("fifo.mp3")), QString());
        const MediaItem fifo = Library::readTags(music("tofifo.mp3"));
        QCOMPARE(fifo.kind, QString("audio"));
        QCOMPARE(fifo.title, QString("tofifo"));
        const MediaItem clip = Library::readTags(music("clip.mp4"));
        QCOMPARE(clip.kind, QString("video"));
        QCOMPARE(clip.duration, 0.0);
        QVERIFY(clip.size > 0);

        // Tag texts come back as one line of bounded length, and reading
        // them opens nothing for writing.
        const QString hostile = TestEnv::current()->root() + "/media/hostile.mp3";
        QVERIFY(QFile::copy(music("Artist A/Album/01.mp3"), hostile));
        {
            TagLib::MPEG::File file(QFile::encodeName(hostile).constData());
            const std::wstring title = L"ctl\x01\x1b[31mRED\n\x202e" L"evil" + std::wstring(10 << 20, L'T');
            file.ID3v2Tag(true)->setTitle(title);
            file.ID3v2Tag()->setArtist(std::wstring(10 << 20, L'A'));
            QVERIFY(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3));
        }
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(::inotify_add_watch(watch, QFile::encodeName(hostile).constData(), IN_CLOSE_WRITE) >= 0);
        const MediaItem tagged = Library::readTags(hostile);
        Library::readLyrics(hostile);
        char event[4096];
        QCOMPARE(::read(watch, event, sizeof event), ssize_t(-1));
        ::close(watch);
        QCOMPARE(tagged.title, "ctl[31mRED evil" + QString(1024 - 15, 'T'));
        QCOMPARE(tagged.artist, QString(1024, 'A'));
        QVERIFY(!tagged.compilation);

        // The album artist as some programs name it, and the compilation
        // marks of ID3v2 (2.3 and, as ffmpeg writes it, 2.4), MP4 and Vorbis
        // comments.
        const QString media = TestEnv::current()->root() + "/media/";
        QVERIFY2(MediaGen::audio(media + "spaced.flac", 1, {{"ALBUM ARTIST", "Banda Azul"}}),
                 qPrintable(MediaGen::lastError()));
        QCOMPARE(Library::readTags(media + "spaced.flac").album_artist, QString("Banda Azul"));
        QVERIFY2(MediaGen::ffmpeg({"-f", "lavfi", "-i", "sine=d=1", "-metadata", "compilation=1", media + "v24.mp3"}),
                 qPrintable(MediaGen::lastError()));
        QVERIFY(Library::readTags(media + "v24.mp3").compilation);
        for (const char* ext : {"mp3", "m4a", "ogg"}) {
            const QString marked = media + "marked." + ext;
            QVERIFY2(MediaGen::audio(marked, 1, {{"compilation", "1"}}), qPrintable(MediaGen::lastError()));
            QVERIFY2(Library::readTags(marked).compilation, ext);
        }
    }

    // Must stay last: quitting stops the library for good.
    void quitDiscardsARunningScan()
    {
        QVERIFY(QFile::copy(music("Artist A/Album/01.mp3"), music("late.mp3")));
        QVERIFY(QFile::remove(music("c.m4a")));
        QSignalSpy done(m_lib, &Library::scanFinished);
        m_lib->rescan();
        QVERIFY(QMetaObject::invokeMethod(m_lib, "cancelScan"));
        m_lib->rescan();
        QTest::qWait(500);
        QCOMPARE(done.count(), 0);
        const auto audio = rows("audio");
        QVERIFY(!audio.contains(music("late.mp3")));
        QVERIFY(audio.contains(music("c.m4a")));

        std::atomic<bool> stop{true};
        const Library::ScanResult cut = Library::scan({m_music}, {m_videos}, {}, &stop);
        QVERIFY(cut.cancelled);
        QVERIFY(cut.items.isEmpty());
    }
};

ORVEL_TEST_MAIN(TestLibrary)
#include "tst_library.moc"
