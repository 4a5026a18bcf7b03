#include "App.h"
#include "FakeWeb.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace {
constexpr int kWait = 30000;   // generous: tests share the machine

QStringList paths(const QList<QueueEntry>& queue)
{
    QStringList list;
    for (const QueueEntry& e : queue)
        list << e.path;
    return list;
}
}  // namespace

// The playback core against the real libmpv (no picture or sound output).
class TestPlayerCore : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_a, m_b, m_c, m_d, m_short, m_mid, m_tracks, m_cover, m_chapters, m_video;

    QString f(const QString& name) const { return m_dir.path() + "/" + name; }

    static std::unique_ptr<PlayerCore> makeCore()
    {
        auto core = std::make_unique<PlayerCore>();
        QString error;
        if (!core->init(&error))
            qWarning() << "init failed:" << error;
        return core;
    }

    static bool makeAudio(const QString& path, double seconds, const QString& title)
    {
        return MediaGen::audio(path, seconds, {{"title", title}});
    }

    static QByteArray readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        m_a = f("a.mp3"), m_b = f("b.mp3"), m_c = f("c.mp3"), m_d = f("d.mp3");
        m_short = f("short.mp3"), m_mid = f("mid.mp3");
        for (const auto& [p, s, t] : {std::tuple{m_a, 10.0, "Um"}, {m_b, 10.0, "Dois"}, {m_c, 10.0, "Tres"},
                                      {m_d, 10.0, "Quatro"}, {m_short, 1.0, "Curto"}, {m_mid, 2.0, "Medio"}})
            QVERIFY2(makeAudio(p, s, t), qPrintable(MediaGen::lastError()));

        MediaGen::Spec tracks;
        tracks.video = true;
        tracks.seconds = 3;
        tracks.audioTracks = 2;
        tracks.audioLanguages = {"por", "eng"};
        tracks.audioTitles = {"Principal", ""};
        tracks.subtitle = true;
        m_tracks = f("tracks.mkv");
        QVERIFY2(MediaGen::make(m_tracks, tracks), qPrintable(MediaGen::lastError()));

        MediaGen::Spec cover;
        cover.cover = true;
        m_cover = f("cover.mp3");
        QVERIFY2(MediaGen::make(m_cover, cover), qPrintable(MediaGen::lastError()));

        MediaGen::Spec chapters;
        chapters.seconds = 4;
        chapters.chapters = {{0, "Abertura"}, {1.5, "Meio"}, {3, "Fim"}};
        m_chapters = f("chapters.mkv");
        QVERIFY2(MediaGen::make(m_chapters, chapters), qPrintable(MediaGen::lastError()));

        m_video = f("video.mp4");
        QVERIFY2(MediaGen::video(m_video, 3), qPrintable(MediaGen::lastError()));
    }

    // ORVEL_OPT parts are split on ';' (empty parts skipped) and on the first
    // '='; hardware decoding follows the mirror.
    void optionsAndVideoModes()
    {
        const QByteArray saved = qgetenv("ORVEL_OPT");
        qputenv("ORVEL_OPT", saved + ";;title=a=b");
        auto core = makeCore();
        qputenv("ORVEL_OPT", saved);
        const MpvHandle h = core->handle();
        QVERIFY(!h.isNull());
        QCOMPARE(h.getString("title"), QString("a=b"));
        QCOMPARE(h.getString("hwdec"), QString("no"));   // ORVEL_HWDEC
        QCOMPARE(h.getString("keep-open"), QString("yes"));
        core->setMirror(true);
        QVERIFY(h.getString("vf").contains("hflip"));
        QCOMPARE(h.getString("hwdec"), QString("auto-copy-safe"));
        core->setHwdec(true);
        QCOMPARE(h.getString("hwdec"), QString("auto-copy-safe"));
        core->setMirror(false);
        QVERIFY(!h.getString("vf").contains("hflip"));
        QCOMPARE(h.getString("hwdec"), QString("auto-safe"));
        core->setHwdec(false);
        QCOMPARE(h.getString("hwdec"), QString("no"));
    }

    void queueMirror()
    {
        auto core = makeCore();
        PlayerCore& p = *core;
        p.openFiles({m_dir.path() + "/./a.mp3", m_b, m_c}, 7);
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), (QStringList{m_a, m_b, m_c}), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(p.playlistPos(), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(p.queue().value(2).current, kWait);

        p.openFiles({m_a, m_b, m_c}, -1, {"Canal A", "", "Canal C"});
        QTRY_COMPARE_WITH_TIMEOUT(p.path(), m_a, kWait);
        p.playIndex(1);
        QTRY_COMPARE_WITH_TIMEOUT(p.path(), m_b, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!p.isIdle(), kWait);
        p.enqueue({m_d});
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), (QStringList{m_a, m_b, m_c, m_d}), kWait);
        QCOMPARE(p.queue().value(0).title, QString("Canal A"));   // the names outlive a read-back
        QCOMPARE(p.givenTitle(m_c), QString("Canal C"));
        p.playNextInQueue({m_short, m_mid});
        const QStringList afterNext{m_a, m_b, m_short, m_mid, m_c, m_d};
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), afterNext, kWait);
        p.moveIndex(0, 3);
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), (QStringList{m_b, m_short, m_a, m_mid, m_c, m_d}), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(p.playlistPos(), 0, kWait);
        p.removeIndex(5);
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), (QStringList{m_b, m_short, m_a, m_mid, m_c}), kWait);
        p.playIndex(2);
        QTRY_COMPARE_WITH_TIMEOUT(p.path(), m_a, kWait);
        p.removeIndex(0);   // before the current entry: the position follows
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), (QStringList{m_short, m_a, m_mid, m_c}), kWait);
        QCOMPARE(p.playlistPos(), 1);
        QVERIFY(p.queue().value(1).current);
        p.prev();   // early in the file: the entry before
        QTRY_COMPARE_WITH_TIMEOUT(p.path(), m_short, kWait);
        p.setPaused(true);
        p.clearQueue();
        QTRY_COMPARE_WITH_TIMEOUT(paths(p.queue()), QStringList{m_short}, kWait);
        QCOMPARE(p.playlistPos(), 0);
    }

    void fileEndedReports()
    {
        auto core = makeCore();
        PlayerCore& p = *core;
        QSignalSpy ended(&p, &PlayerCore::fileEnded);
        QSignalSpy errors(&p, &PlayerCore::errorMessage);
        p.openFiles({m_short, m_a});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWait);
        QCOMPARE(ended[0][0].toString(), m_short);
        QCOMPARE(ended[0][1].toString(), QString("eof"));
        QVERIFY2(ended[0][2].toDouble() > 0.3, qPrintable(ended[0][2].toString()));
        QCOMPARE(qRound(ended[0][3].toDouble() * 10), 10);

        QTRY_VERIFY_WITH_TIMEOUT(p.path() == m_a && p.position() > 0.2, kWait);
        p.openFiles({m_b});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, kWait);
        QCOMPARE(ended[1][0].toString(), m_a);
        QCOMPARE(ended[1][1].toString(), QString("stop"));
        QVERIFY(ended[1][2].toDouble() > 0.2);
        QCOMPARE(qRound(ended[1][3].toDouble()), 10);

        QTRY_COMPARE_WITH_TIMEOUT(p.path(), m_b, kWait);
        const QString missing = f("missing.mp3");
        p.openFiles({missing});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 4, kWait);
        QCOMPARE(ended[2][0].toString(), m_b);
        QCOMPARE(ended[3][0].toString(), missing);
        QCOMPARE(ended[3][1].toString(), QString("error"));
        QCOMPARE(ended[3][2].toDouble(), 0.0);
        QCOMPARE(ended[3][3].toDouble(), 0.0);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0][0].toString().startsWith("Não foi possível abrir: missing.mp3 ("),
                 qPrintable(errors[0][0].toString()));
    }

    // libmpv steps through a long queue of links to a closed port, each
    // failing at once; the event loop keeps turning meanwhile.
    void failingQueueKeepsLoopTurning()
    {
        // Enough that one drain without turns would far pass the bound below.
        constexpr int kEntries = 4000;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        auto core = makeCore();
        QStringList links;
        for (int i = 0; i < kEntries; ++i)
            links << QStringLiteral("http://127.0.0.1:%1/gone.ts?n=%2").arg(port).arg(i);
        int ended = 0, sinceTurn = 0, most = 0;
        connect(core.get(), &PlayerCore::fileEnded, this, [&] { ++ended, ++sinceTurn; });
        QTimer turn;
        connect(&turn, &QTimer::timeout, this, [&] { most = qMax(most, sinceTurn), sinceTurn = 0; });
        turn.start(0);
        core->openFiles(links);
        QTRY_COMPARE_WITH_TIMEOUT(ended, kEntries, 6 * kWait);
        QVERIFY2(most <= 300, qPrintable(QString::number(most)));
        QCOMPARE(core->queue().size(), kEntries);
    }

    // libmpv sends the new file's properties after file-loaded; the core has
    // them already when it says the file is loaded, and the position of the
    // file before is gone.
    void fileLoadedSeesNewFile()
    {
        auto core = makeCore();
        QStringList seen;
        connect(core.get(), &PlayerCore::fileLoaded, this, [&] {
            const PlayerCore& p = *core;
            seen << QStringLiteral("%1 %2 %3 %4 video=%5 chapters=%6 start=%7")
                        .arg(p.mediaTitle()).arg(qRound(p.duration()))
                        .arg(QFileInfo(p.path()).fileName()).arg(p.playlistPos())
                        .arg(int(p.hasVideo())).arg(p.chapters().size()).arg(int(p.position() < 0.5));
        });
        core->openFiles({m_short, m_video, m_chapters});
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 3, kWait);
        QCOMPARE(seen, (QStringList{"Curto 1 short.mp3 0 video=0 chapters=0 start=1",
                                    "video.mp4 3 video.mp4 1 video=1 chapters=0 start=1",
                                    "chapters.mkv 4 chapters.mkv 2 video=0 chapters=3 start=1"}));
        QCOMPARE(core->title(), QString("chapters.mkv"));
    }

    // Endless streams (a radio with and without ICY titles, one that sends a
    // huge length with or without its ICY headers, a live HLS list that
    // moves on at every reload) have no length, even though libmpv counts
    // what it has received so far; finite files served over HTTP keep theirs,
    // also sent chunked (at once, or at internet speed so that libmpv's
    // estimate rises) or from a server without byte ranges, and so does a
    // finished HLS list. A Latin-1 ICY title reads right. A radio whose
    // server closes says so and is tried once more.
    void liveStreamsHaveNoLength()
    {
        const QString raw = f("raw.mp3"), fixed = f("fixed.mp3"), hls = f("hls"), ts = f("fixed.ts");
        const QString song = f("song30.mp3"), drop = f("drop.mp3");
        QVERIFY(QDir().mkpath(hls));
        QVERIFY2(MediaGen::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440", "-t", "2", "-c:a", "libmp3lame",
                                   "-b:a", "64k", "-write_xing", "0", "-id3v2_version", "0", raw})
                     && MediaGen::audio(fixed, 6.0)
                     && MediaGen::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440", "-t", "8", "-c:a", "aac", "-f",
                                          "hls", "-hls_time", "1", "-hls_list_size", "0", "-hls_segment_filename",
                                          hls + "/%02d.ts", hls + "/vod.m3u8"})
                     && MediaGen::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440", "-t", "6", "-c:a", "aac", "-f",
                                          "mpegts", ts})
                     && MediaGen::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440", "-t", "30", "-c:a", "libmp3lame",
                                          "-b:a", "128k", "-write_xing", "0", "-id3v2_version", "0", song})
                     && MediaGen::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440", "-t", "8", "-c:a", "libmp3lame",
                                          "-b:a", "64k", "-write_xing", "0", "-id3v2_version", "0", drop}),
                 qPrintable(MediaGen::lastError()));
        const QByteArray frames = readAll(raw);
        // An ICY metadata block: its length in 16-byte units, then the text padded.
        const QByteArray title = '\x02' + QByteArray("StreamTitle='Can\xe7\xe3o';").leftJustified(32, '\0');
        const QString host = QStringLiteral("127.0.0.1");
        FakeWeb web;
        QVERIFY(web.start());
        web.answerEndless(host, "/radio", frames);
        // The content type is written into the head as given: it carries the
        // ICY interval too, one whole copy of the frames between titles.
        web.answerEndless(host, "/icy", frames + title,
                          "audio/mpeg\r\nicy-metaint: " + QByteArray::number(frames.size()));
        web.answerEndless(host, "/sized-radio", frames, "audio/mpeg\r\nContent-Length: 2147483647\r\nicy-name: Radio");
        web.answerEndless(host, "/fake-length", frames, "audio/mpeg\r\nContent-Length: 2147483647");
        web.answerUnsized(host, "/paced.mp3", readAll(song), "audio/mpeg", true, 96 * 1024);
        web.answerUnsized(host, "/drop", readAll(drop), "audio/mpeg", false, 8 * 1024);   // at its bit rate
        web.answer(host, "/fixed.mp3", 200, readAll(fixed), "audio/mpeg");
        web.answerUnsized(host, "/chunked.mp3", readAll(fixed), "audio/mpeg", true);
        web.answer(host, "/fixed.ts", 200, readAll(ts), "video/mp2t");   // FakeWeb serves no byte ranges
        for (const QString& name : QDir(hls).entryList(QDir::Files))
            web.answer(host, "/" + name, 200, readAll(hls + "/" + name),
                       name.endsWith(".ts") ? "video/mp2t" : "application/vnd.apple.mpegurl");
        // The live list: three segments, one further on at every reload, without an end.
        const QStringList segments = QDir(hls).entryList({"*.ts"});
        int first = 0;
        connect(&web, &FakeWeb::requestReceived, this, [&](const FakeWeb::Request& r) {
            if (r.path != "/live.m3u8")
                return;
            QByteArray list = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:"
                + QByteArray::number(first) + "\n";
            for (const QString& name : segments.mid(first, 3))
                list += "#EXTINF:1.0,\n" + name.toUtf8() + "\n";
            web.answer(host, r.path, 200, list, "application/vnd.apple.mpegurl");
            first = qMin(first + 1, int(segments.size()) - 3);
        });
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(web.serverPort());
        auto core = makeCore();
        QSignalSpy loaded(core.get(), &PlayerCore::fileLoaded);
        const auto play = [&](const QString& path) {
            loaded.clear();
            core->openFiles({base + path});
            return QTest::qWaitFor([&] { return loaded.count() == 1; }, kWait);
        };

        for (const auto& [live, streamTitle] :
             {std::pair{"/radio", ""}, {"/icy", "Canção"}, {"/sized-radio", ""}, {"/fake-length", ""},
              {"/live.m3u8", ""}}) {
            QVERIFY2(play(live), live);
            QTRY_VERIFY2_WITH_TIMEOUT(core->position() > 2, live, kWait);
            // A live list shows whether it is live as its list grows.
            QTRY_VERIFY2_WITH_TIMEOUT(core->duration() == 0 && core->isLive(),
                                      qPrintable(QString("%1: %2").arg(live).arg(core->duration())), kWait);
            QTRY_COMPARE_WITH_TIMEOUT(core->streamTitle(), QString(streamTitle), kWait);
        }

        // MPEG-TS without ranges: libmpv estimates the length from the bit rate.
        for (const auto& [finite, seconds] : {std::pair{"/chunked.mp3", 6}, {"/fixed.ts", 6}, {"/paced.mp3", 30}}) {
            QVERIFY2(play(finite), finite);
            QTRY_VERIFY2_WITH_TIMEOUT(core->position() > 2, finite, kWait);
            QTRY_VERIFY2_WITH_TIMEOUT(qAbs(core->duration() - seconds) < 1 && !core->isLive(),
                                      qPrintable(QString("%1: %2").arg(finite).arg(core->duration())), kWait);
        }

        const auto drops = [&] {
            return std::count_if(web.requests().cbegin(), web.requests().cend(),
                                 [](const FakeWeb::Request& r) { return r.path == "/drop"; });
        };
        QSignalSpy lost(core.get(), &PlayerCore::connectionLost);
        QVERIFY(play("/drop"));
        QTRY_VERIFY_WITH_TIMEOUT(lost.count() == 1 && drops() == 2, kWait);   // lost, then tried once more
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(core->isPaused(), kWait);   // lost again: left at its end
        QCOMPARE(drops(), 2);

        QVERIFY(play("/fixed.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(core->position() > 0.5, kWait);
        QCOMPARE(qRound(core->duration()), 6);
        core->seekAbsolute(4);
        QTRY_VERIFY_WITH_TIMEOUT(core->position() >= 4, kWait);
        QCOMPARE(qRound(core->duration()), 6);

        QVERIFY(play("/vod.m3u8"));
        QTRY_VERIFY_WITH_TIMEOUT(core->position() > 2, kWait);
        QCOMPARE(qRound(core->duration()), 8);
    }

    void togglePauseAtEnd()
    {
        auto core = makeCore();
        core->openFiles({m_mid});
        QTRY_VERIFY_WITH_TIMEOUT(core->isPaused() && core->handle().getFlag("eof-reached", false), kWait);
        QVERIFY(core->position() > 1.5);
        core->togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(!core->isPaused(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(core->position() < 1.5, kWait);
    }

    void trackLists()
    {
        auto core = makeCore();
        PlayerCore& p = *core;
        QSignalSpy loaded(&p, &PlayerCore::fileLoaded);
        p.openFiles({m_tracks});
        // Complete at the load: libmpv's own track-list changes pass
        // through lists with no track selected yet.
        QVERIFY(loaded.wait(kWait));
        QCOMPARE(p.tracks().size(), 4);
        p.setPaused(true);
        QVERIFY(p.hasVideo());
        const QList<MediaTrack> audio = p.tracksOfType("audio");
        QCOMPARE(audio.size(), 2);
        QCOMPARE(audio[0].label(), QString("Principal [por]  ·  aac 1ch"));
        QCOMPARE(audio[1].label(), QString("eng  ·  aac 1ch"));
        QVERIFY(audio[0].selected);
        const QList<MediaTrack> subs = p.tracksOfType("sub");
        QCOMPARE(subs.size(), 1);
        QCOMPARE(subs[0].label(), QString("por  ·  subrip"));
        QCOMPARE(p.tracksOfType("video").size(), 1);

        p.setTrack("audio", audio[1].id);
        QTRY_VERIFY_WITH_TIMEOUT(p.tracksOfType("audio").value(1).selected, kWait);
        p.cycleTrack("audio");
        QTRY_VERIFY_WITH_TIMEOUT(!p.tracksOfType("audio").value(1).selected, kWait);
        p.setTrack("sub", 0);
        QTRY_VERIFY_WITH_TIMEOUT(!p.tracksOfType("sub").value(0).selected, kWait);
        QCOMPARE(p.handle().getString("sid"), QString("no"));

        QFile srt(f("extra.srt"));
        QVERIFY(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:02,000\nextra\n\n");
        srt.close();
        p.addSubtitle(srt.fileName());
        QTRY_COMPARE_WITH_TIMEOUT(p.tracksOfType("sub").size(), 2, kWait);
        const MediaTrack ext = p.tracksOfType("sub").value(1);
        QVERIFY(ext.external && ext.selected);
        QVERIFY2(ext.label().endsWith("  (arquivo)"), qPrintable(ext.label()));
        p.setSecondarySub(subs[0].id);
        QCOMPARE(p.handle().getString("secondary-sid"), QString::number(subs[0].id));
    }

    void coverArtIsNotVideo()
    {
        auto core = makeCore();
        QSignalSpy presence(core.get(), &PlayerCore::videoPresenceChanged);
        core->openFiles({m_cover});
        QTRY_COMPARE_WITH_TIMEOUT(core->tracks().size(), 2, kWait);
        QVERIFY(!core->hasVideo());
        QVERIFY(core->tracksOfType("video").isEmpty());
        QVERIFY(presence.isEmpty());
        // The codec is known once the decoder runs, which may be after the
        // track list on a busy machine.
        QTRY_VERIFY_WITH_TIMEOUT(core->mediaInfo().contains("Áudio"), kWait);
        const QString info = core->mediaInfo();
        QVERIFY(info.contains("Duração"));
        QVERIFY(!info.contains("Resolução"));
        core->openFiles({m_video});
        QTRY_COMPARE_WITH_TIMEOUT(presence.size(), 1, kWait);
        QCOMPARE(presence[0][0].toBool(), true);
        QTRY_VERIFY_WITH_TIMEOUT(core->mediaInfo().contains("320 x 240"), kWait);
    }

    void chapters()
    {
        auto core = makeCore();
        core->openFiles({m_chapters});
        QTRY_COMPARE_WITH_TIMEOUT(core->chapters().size(), 3, kWait);
        core->setPaused(true);
        const QList<Chapter> c = core->chapters();
        QCOMPARE(c[1].title, QString("Meio"));
        QCOMPARE(c[1].time, 1.5);
        QCOMPARE(c[2].title, QString("Fim"));
        core->nextChapter(true);
        QTRY_VERIFY_WITH_TIMEOUT(core->position() >= 1.4, kWait);
    }

    // A FIFO under a subtitle name beside a song would hold libmpv's loading
    // for good; the song plays, and a plain subtitle beside it still loads.
    void fifoSubtitleBesideSong()
    {
        QTemporaryDir dir;
        const QString song = dir.path() + "/song.mp3";
        QVERIFY2(makeAudio(song, 3, "Fifo"), qPrintable(MediaGen::lastError()));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.path() + "/song.lrc").constData(), 0600), 0);
        QFile srt(dir.path() + "/song.en.srt");
        QVERIFY(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:02,000\nolá\n\n");
        srt.close();
        auto core = makeCore();
        QSignalSpy loaded(core.get(), &PlayerCore::fileLoaded);
        core->openFiles({song});
        QVERIFY(loaded.wait(kWait));
        QTRY_VERIFY_WITH_TIMEOUT(core->position() > 0.3, kWait);
        const QList<MediaTrack> subs = core->tracksOfType("sub");
        QCOMPARE(subs.size(), 1);
        QVERIFY(subs[0].external);
    }

    void abLoopClearedOnNextFile()
    {
        auto core = makeCore();
        PlayerCore& p = *core;
        QSignalSpy ab(&p, &PlayerCore::abLoopChanged);
        p.openFiles({m_a, m_b});
        QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, kWait);
        p.cycleAbLoop();
        QTRY_VERIFY_WITH_TIMEOUT(p.abLoopA() >= 0, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(p.position() > p.abLoopA() + 0.2, kWait);
        p.cycleAbLoop();
        QTRY_VERIFY_WITH_TIMEOUT(p.abLoopB() > p.abLoopA(), kWait);
        ab.clear();
        p.next();
        QTRY_COMPARE_WITH_TIMEOUT(p.path(), m_b, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(ab.size() >= 2, kWait);   // the engine's points went too
        QCOMPARE(p.abLoopA(), -1.0);
        QCOMPARE(p.abLoopB(), -1.0);
        QCOMPARE(p.handle().getString("ab-loop-a"), QString("no"));
        QCOMPARE(p.handle().getString("ab-loop-b"), QString("no"));

        // Two presses with no events handled between them (a busy GUI
        // thread) still set A, then B after it.
        QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, kWait);
        p.cycleAbLoop();
        QThread::msleep(300);
        p.cycleAbLoop();
        QVERIFY(p.handle().getDouble("ab-loop-b", -1) > p.handle().getDouble("ab-loop-a", -1));
        QTRY_VERIFY_WITH_TIMEOUT(p.abLoopA() >= 0 && p.abLoopB() >= 0, kWait);
    }

    void screenshotFile()
    {
        auto core = makeCore();
        const QString shots = f("shots");
        App::set("video/screenshotDir", shots);
        core->openFiles({m_video});
        QTRY_VERIFY_WITH_TIMEOUT(core->hasVideo() && core->duration() > 0, kWait);
        core->setPaused(true);
        core->seekAbsolute(1.2);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->position() - 1.2) < 0.1, kWait);
        const QString file = core->screenshot(false);
        App::set("video/screenshotDir", QString());
        QVERIFY2(QRegularExpression("^" + QRegularExpression::escape(shots) + "/video_0-01_\\d{6}\\.png$")
                     .match(file).hasMatch(),
                 qPrintable(file));
        QFile png(file);
        QTRY_VERIFY_WITH_TIMEOUT(png.size() > 100, kWait);
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    }

    void levelsAndModes()
    {
        auto core = makeCore();
        PlayerCore& p = *core;
        QTRY_COMPARE_WITH_TIMEOUT(p.volume(), 100.0, kWait);
        p.setSpeed(20);
        QTRY_COMPARE_WITH_TIMEOUT(p.speed(), 8.0, kWait);
        p.setSpeed(0.01);
        QTRY_COMPARE_WITH_TIMEOUT(p.speed(), 0.1, kWait);
        p.setVolume(-5);
        QTRY_COMPARE_WITH_TIMEOUT(p.volume(), 0.0, kWait);
        p.setVolume(300);
        QTRY_COMPARE_WITH_TIMEOUT(p.volume(), 200.0, kWait);
        p.setMuted(true);
        QTRY_VERIFY_WITH_TIMEOUT(p.isMuted(), kWait);

        QSignalSpy repeat(&p, &PlayerCore::repeatChanged);
        QSignalSpy shuffle(&p, &PlayerCore::shuffleChanged);
        p.setRepeat(PlayerCore::RepeatOne);
        p.setRepeat(PlayerCore::RepeatOne);
        QCOMPARE(repeat.size(), 2);
        QCOMPARE(p.handle().getString("loop-file"), QString("inf"));
        QCOMPARE(p.handle().getString("loop-playlist"), QString("no"));
        p.setRepeat(PlayerCore::RepeatAll);
        QCOMPARE(p.handle().getString("loop-file"), QString("no"));
        QCOMPARE(p.handle().getString("loop-playlist"), QString("inf"));
        p.setShuffle(false);
        QCOMPARE(shuffle.size(), 0);
        p.setShuffle(true);
        QCOMPARE(shuffle.size(), 1);
        QVERIFY(p.shuffle());
    }
};

ORVEL_TEST_MAIN(TestPlayerCore)
#include "tst_playercore.moc"
