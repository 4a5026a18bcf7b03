#include "App.h"
#include "MediaGen.h"
#include "TestEnv.h"
#include "Thumbnailer.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// Runs under Xvfb: the OpenGL mode needs an off-screen context.
class TestThumbnailer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_video;      // red on top, blue below, 2 s
    QString m_changing;   // top red for 2 s, then green; blue below; 4 s

    static bool isRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80; }
    static bool isBlue(QRgb c) { return qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80; }
    static bool isGreen(QRgb c) { return qGreen(c) > 100 && qRed(c) < 80 && qBlue(c) < 80; }

    static bool upright(const QImage& image)
    {
        const int x = image.width() / 2;
        return !image.isNull() && isRed(image.pixel(x, image.height() / 4))
            && isBlue(image.pixel(x, image.height() * 3 / 4));
    }

    static std::unique_ptr<Thumbnailer> make(bool gl)
    {
        if (gl)
            qputenv("ORVEL_THUMB_GL", "1");
        else
            qunsetenv("ORVEL_THUMB_GL");
        return std::make_unique<Thumbnailer>();
    }

    static void addModes()
    {
        QTest::addColumn<bool>("gl");
        QTest::newRow("image") << false;
        QTest::newRow("opengl") << true;
    }

private slots:
    void initTestCase()
    {
        MediaGen::Spec s;
        s.video = true;
        s.audio = false;
        s.videoSource = "color=c=red:s=320x120:r=25[t];color=c=blue:s=320x120:r=25[b];"
                        "[t][b]vstack[out0]";
        m_video = m_dir.path() + "/redblue.mp4";
        QVERIFY2(MediaGen::make(m_video, s), qPrintable(MediaGen::lastError()));
        s.seconds = 4;
        s.keyint = 5;
        s.videoSource = "color=c=red:s=320x120:r=25:d=2[r];color=c=green:s=320x120:r=25:d=2[g];"
                        "[r][g]concat=n=2:v=1:a=0[t];color=c=blue:s=320x120:r=25[b];"
                        "[t][b]vstack=shortest=1[out0]";
        m_changing = m_dir.path() + "/changing.mp4";
        QVERIFY2(MediaGen::make(m_changing, s), qPrintable(MediaGen::lastError()));
        App::set("video/hwdec", false);
    }

    void keysAndCacheFiles()
    {
        const QString lib = Thumbnailer::keyFor("/videos/a.mp4", "lib");
        const QString hist = Thumbnailer::keyFor("/videos/a.mp4", "hist");
        QVERIFY(QRegularExpression("^lib_[0-9a-f]{20}$").match(lib).hasMatch());
        QCOMPARE(hist, "hist" + lib.mid(3));
        QVERIFY(Thumbnailer::keyFor("/videos/b.mp4", "lib") != lib);
        QDir(App::dataDir()).removeRecursively();
        QCOMPARE(Thumbnailer::cacheFile(lib), App::dataDir() + "/thumbs/" + lib + ".jpg");
        QVERIFY(QFileInfo(App::dataDir() + "/thumbs").isDir());
    }

    void thumbnailIsUprightAndCached_data() { addModes(); }
    void thumbnailIsUprightAndCached()
    {
        QFETCH(bool, gl);
        auto t = make(gl);
        QSignalSpy spy(t.get(), &Thumbnailer::ready);
        QSignalSpy timedOut(t.get(), &Thumbnailer::jobTimedOut);
        const QString key = Thumbnailer::keyFor(m_video, gl ? "hist" : "lib");
        QFile::remove(Thumbnailer::cacheFile(key));
        // A job that runs out of time on a busy machine is asked again.
        for (int tries = 0; tries < 3 && (spy.isEmpty() || !timedOut.isEmpty()); ++tries) {
            spy.clear();
            timedOut.clear();
            t->request(m_video, 1.0, 250, key);
            QVERIFY(spy.wait(30000));
        }
        QVERIFY(timedOut.isEmpty());
        QCOMPARE(spy.at(0).at(0).toString(), key);
        const QImage image = spy.at(0).at(1).value<QImage>();
        QVERIFY(upright(image));
        QCOMPARE(image.width(), 250);
        // 250 x 240 / 320 = 187.5: an even height below it
        QCOMPARE(image.height(), gl ? 186 : 188);
        QCOMPARE(spy.at(0).at(2).toDouble(), 2.0);

        const QImage cached(Thumbnailer::cacheFile(key), "JPG");
        QVERIFY(upright(cached));
        QCOMPARE(cached.size(), image.size());
        QCOMPARE(QDir(App::subDir("thumbs")).entryList({"*.jpg"}).filter(key).size(), 1);
    }

    // Previews follow the asked position, also when OpenGL mode only seeks
    // in the file it has open.
    void previewsShowTheirPositionAndAreNotCached_data() { addModes(); }
    void previewsShowTheirPositionAndAreNotCached()
    {
        QFETCH(bool, gl);
        auto t = make(gl);
        QSignalSpy spy(t.get(), &Thumbnailer::previewReady);
        const int cachedBefore = QDir(App::subDir("thumbs")).entryList({"*.jpg"}).size();
        const QList<QPair<double, bool>> asks = {{0.5, false}, {3.0, true}, {1.0, false},
                                                 {-0.9, true}, {-0.1, false}};
        for (const auto& [time, green] : asks) {
            t->requestPreview(m_changing, time);
            QVERIFY(spy.wait(20000));
            QCOMPARE(spy.last().at(0).toDouble(), time);
            const QImage image = spy.last().at(1).value<QImage>();
            QVERIFY(!image.isNull());
            QCOMPARE(image.width(), 240);
            const QRgb top = image.pixel(120, image.height() / 4);
            QVERIFY2(green ? isGreen(top) : isRed(top), qPrintable(QString::number(time)));
            QVERIFY(isBlue(image.pixel(120, image.height() * 3 / 4)));
        }
        QCOMPARE(QDir(App::subDir("thumbs")).entryList({"*.jpg"}).size(), cachedBefore);
    }

    void unreadableFileGivesNullPicture_data() { addModes(); }
    void unreadableFileGivesNullPicture()
    {
        QFETCH(bool, gl);
        auto t = make(gl);
        const QString bogus = m_dir.path() + "/bogus.mp4";
        QFile f(bogus);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        QSignalSpy spy(t.get(), &Thumbnailer::ready);
        QSignalSpy preview(t.get(), &Thumbnailer::previewReady);
        t->requestPreview(bogus, 1.0);
        t->request(bogus, 0, 160, "bogus");
        t->request(m_dir.path() + "/missing.mp4", 0, 160, "missing");
        t->request(m_video, 0, 160, "good");
        while (spy.size() < 3)
            QVERIFY(spy.wait(20000));
        QCOMPARE(spy.at(0).at(0).toString(), QString("bogus"));
        QVERIFY(spy.at(0).at(1).value<QImage>().isNull());
        QCOMPARE(spy.at(1).at(0).toString(), QString("missing"));
        QVERIFY(spy.at(1).at(1).value<QImage>().isNull());
        QVERIFY(!QFile::exists(Thumbnailer::cacheFile("bogus")));
        QVERIFY(!QFile::exists(Thumbnailer::cacheFile("missing")));
        QVERIFY(upright(spy.at(2).at(1).value<QImage>()));
        QCOMPARE(preview.size(), 1);
        QVERIFY(preview.at(0).at(1).value<QImage>().isNull());
    }

    // A picture that cannot be stored in the cache is answered as a failure:
    // callers take thumbnails from the cache file.
    void unsavedThumbnailIsAFailure()
    {
        auto t = make(false);
        const QString key = Thumbnailer::keyFor(m_video, "unsaved");
        QVERIFY(QDir().mkpath(Thumbnailer::cacheFile(key)));   // a folder in its place
        QSignalSpy spy(t.get(), &Thumbnailer::ready);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^miniatura: falha ao gravar \".*" + key + "\\.jpg\"$"));
        t->request(m_video, 1.0, 160, key);
        QVERIFY(spy.wait(20000));
        QCOMPARE(spy.at(0).at(0).toString(), key);
        QVERIFY(spy.at(0).at(1).value<QImage>().isNull());
        QCOMPARE(spy.at(0).at(2).toDouble(), 2.0);
        QVERIFY(QDir().rmdir(Thumbnailer::cacheFile(key)));
    }

    // A job in progress is never duplicated, nor a queued one; a preview is
    // served before the list, and a preview that has not started yet is
    // replaced by a newer one without an answer.
    void queueOrderAndDeduplication()
    {
        auto t = make(false);
        QStringList answers;
        connect(t.get(), &Thumbnailer::ready, this,
                [&](const QString& key, const QImage& img) {
                    answers << key + (img.isNull() ? ":null" : ":ok");
                });
        connect(t.get(), &Thumbnailer::previewReady, this,
                [&](double time, const QImage& img) {
                    answers << QString::number(time) + (img.isNull() ? ":null" : ":ok");
                });
        t->request(m_video, 0.2, 160, "a");
        t->request(m_video, 0.2, 160, "a");
        t->request(m_video, 0.4, 160, "b");
        t->request(m_video, 0.4, 160, "b");
        t->requestPreview(m_video, 1.5);
        t->requestPreview(m_video, 1.25);
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 3, 30000);
        QTest::qWait(1000);
        QCOMPARE(answers, QStringList({"a:ok", "1.25:ok", "b:ok"}));

        // Once the job has ended its key may be asked for again.
        t->request(m_video, 0.2, 160, "a");
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 4, 30000);
        QCOMPARE(answers.last(), QString("a:ok"));

        // Cancelling drops what waits, not what runs.
        t->request(m_video, 0.2, 160, "c");
        t->request(m_video, 0.2, 160, "d");
        t->requestPreview(m_video, 1.0);
        t->cancelAll();
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 5, 30000);
        QTest::qWait(1000);
        QCOMPARE(answers.last(), QString("c:ok"));
        QCOMPARE(answers.size(), 5);
    }

    // A server that accepts and never answers: the job ends at the time-out,
    // and the abandoned file's late end-of-file must not end the next job.
    void hungFileTimesOutAndNextJobSucceeds_data() { addModes(); }
    void hungFileTimesOutAndNextJobSucceeds()
    {
        QFETCH(bool, gl);
        QTcpServer server;
        QList<QTcpSocket*> held;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* s = server.nextPendingConnection())
                held << s;
        });
        const QString url = QStringLiteral("http://127.0.0.1:%1/hang.mp4").arg(server.serverPort());
        auto t = make(gl);
        QSignalSpy spy(t.get(), &Thumbnailer::ready);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^miniatura: tempo esgotado \".*hang.mp4\"$"));
        t->request(url, 0, 160, "hung");
        t->request(m_video, 1.0, 160, "next");
        while (spy.size() < 2)
            QVERIFY(spy.wait(30000));
        QCOMPARE(spy.at(0).at(0).toString(), QString("hung"));
        QVERIFY(spy.at(0).at(1).value<QImage>().isNull());
        QCOMPARE(spy.at(1).at(0).toString(), QString("next"));
        QVERIFY(upright(spy.at(1).at(1).value<QImage>()));
        QVERIFY(!held.isEmpty());
    }

    void disabledThumbnailsAnswerAtOnce()
    {
        qputenv("ORVEL_NO_THUMBS", "");
        auto t = make(false);
        QSignalSpy ready(t.get(), &Thumbnailer::ready);
        QSignalSpy preview(t.get(), &Thumbnailer::previewReady);
        t->request(m_video, 0, 160, "x");
        QCOMPARE(ready.size(), 1);
        QCOMPARE(ready.at(0).at(0).toString(), QString("x"));
        QVERIFY(ready.at(0).at(1).value<QImage>().isNull());
        QCOMPARE(ready.at(0).at(2).toDouble(), 0.0);
        // A seek-bar popup waits for its preview: it is answered too.
        t->requestPreview(m_video, 2.5);
        QCOMPARE(preview.size(), 1);
        QCOMPARE(preview.at(0).at(0).toDouble(), 2.5);
        QVERIFY(preview.at(0).at(1).value<QImage>().isNull());
        t->request(m_video, 0, 160, "y");
        QCOMPARE(ready.size(), 2);
        qunsetenv("ORVEL_NO_THUMBS");
    }

    // The process-wide one is left working in OpenGL mode, so that it is
    // torn down with the application object at exit.
    void singletonBelongsToTheApplication()
    {
        qputenv("ORVEL_THUMB_GL", "1");
        Thumbnailer* t = Thumbnailer::instance();
        QCOMPARE(t, Thumbnailer::instance());
        QCOMPARE(t->parent(), QCoreApplication::instance());
        QSignalSpy spy(t, &Thumbnailer::previewReady);
        t->requestPreview(m_video, 0.5);
        QVERIFY(spy.wait(20000));
        QVERIFY(upright(spy.at(0).at(1).value<QImage>()));
    }
};

ORVEL_TEST_MAIN(TestThumbnailer)
#include "tst_thumbnailer.moc"
