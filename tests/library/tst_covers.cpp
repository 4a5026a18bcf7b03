#include "App.h"
#include "Covers.h"
#include "Database.h"
#include "MediaGen.h"
#include "TestEnv.h"
#include "Thumbnailer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>

#include <sys/stat.h>

namespace {

QPixmap solidIcon(const QString&, int size, const QColor& color)
{
    QPixmap p(size, size);
    p.fill(color);
    return p;
}

QByteArray png(const QColor& color, int w = 32, int h = 32)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40
        && qAbs(a.blue() - b.blue()) < 40;
}

QColor centre(const QImage& img)
{
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

}  // namespace

class TestCovers : public QObject
{
    Q_OBJECT

private:
    QString m_root;

    QString dir(const QString& name)
    {
        const QString d = m_root + "/" + name;
        QDir().mkpath(d);
        return d;
    }

    static void addPictures(const QString& path, const QList<QPair<QByteArray, bool>>& pictures)
    {
        TagLib::FLAC::File file(QFile::encodeName(path).constData());
        for (const auto& [data, front] : pictures) {
            auto* pic = new TagLib::FLAC::Picture;
            pic->setType(front ? TagLib::FLAC::Picture::FrontCover : TagLib::FLAC::Picture::Other);
            pic->setMimeType("image/png");
            pic->setData(TagLib::ByteVector(data.constData(), uint(data.size())));
            file.addPicture(pic);
        }
        QVERIFY(file.save());
    }

    static QString diskFile(const QString& path)
    {
        const QString hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex();
        return App::dataDir() + "/covers/" + hash.left(20) + ".jpg";
    }

    // Asks until the picture is there, as a repainting view would.
    QPixmap coverWhenReady(const QString& path, int size)
    {
        QSignalSpy ready(Covers::instance(), &Covers::ready);
        const QPixmap first = Covers::instance()->cover(path, size);
        if (!first.isNull())
            return first;
        if (!ready.wait(10000) || ready.first().at(0).toString() != path)
            return QPixmap();
        return Covers::instance()->cover(path, size);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Database::instance()->open());
        Covers::setIconSource(&solidIcon);
        m_root = TestEnv::current()->root() + "/media";
    }

    void urlsHaveNoCover()
    {
        QSignalSpy ready(Covers::instance(), &Covers::ready);
        QVERIFY(Covers::instance()->cover("http://host/a.mp3", 64).isNull());
        QVERIFY(Covers::instance()->cover(QString(), 64).isNull());
        QTest::qWait(100);
        QCOMPARE(ready.count(), 0);
    }

    void embeddedCoverIsCachedInMemoryAndOnDisk()
    {
        const QString path = dir("embedded") + "/song.flac";
        MediaGen::Spec spec;
        spec.cover = true;
        spec.coverColor = Qt::red;
        QVERIFY2(MediaGen::make(path, spec), qPrintable(MediaGen::lastError()));
        const QPixmap pm = coverWhenReady(path, 100);
        QCOMPARE(pm.size(), QSize(100, 100));
        QVERIFY(near(centre(pm.toImage()), Qt::red));
        // Another size comes from the decoded picture at once.
        QCOMPARE(Covers::instance()->cover(path, 40).size(), QSize(40, 40));

        // Kept at its own size: only larger pictures are shrunk to 512.
        const QImage disk(diskFile(path));
        QCOMPARE(disk.size(), QSize(64, 64));
        QVERIFY(near(centre(disk), Qt::red));
        QCOMPARE(QDir(App::dataDir() + "/covers").entryList(QDir::Files).size(), 1);
    }

    // A cover in the disk cache is taken from there, and a path is
    // extracted once however often it is asked for meanwhile.
    void diskCacheServesAndOneExtractionPerPath()
    {
        const QString path = dir("cached") + "/song.flac";
        MediaGen::Spec spec;
        spec.cover = true;
        spec.coverColor = Qt::red;
        QVERIFY2(MediaGen::make(path, spec), qPrintable(MediaGen::lastError()));
        QVERIFY(MediaGen::image(diskFile(path), 32, 32, Qt::blue));
        Covers* covers = Covers::instance();
        QSignalSpy ready(covers, &Covers::ready);
        QVERIFY(covers->cover(path, 64).isNull());
        QVERIFY(covers->cover(path, 64).isNull());
        QVERIFY(covers->cover(path, 32).isNull());
        QVERIFY(ready.wait(10000));
        QTest::qWait(300);
        QCOMPARE(ready.count(), 1);
        QVERIFY(near(centre(covers->cover(path, 64).toImage()), Qt::blue));
    }

    void embeddedPicturesPreferTheFrontCover()
    {
        const QString plain = dir("pics") + "/front.flac";
        QVERIFY2(MediaGen::audio(plain, 1), qPrintable(MediaGen::lastError()));
        addPictures(plain, {{png(Qt::blue), false}, {png(Qt::green), true}});
        QVERIFY(near(centre(Covers::embeddedCover(plain)), Qt::green));

        const QString other = dir("pics") + "/other.flac";
        QVERIFY2(MediaGen::audio(other, 1), qPrintable(MediaGen::lastError()));
        addPictures(other, {{QByteArray("not a picture"), true}, {png(Qt::blue), false},
                            {png(Qt::green), false}});
        QVERIFY(near(centre(Covers::embeddedCover(other)), Qt::blue));

        for (const QString ext : {"mp3", "m4a"}) {
            const QString path = dir("pics") + "/cover." + ext;
            MediaGen::Spec spec;
            spec.cover = true;
            spec.coverColor = Qt::yellow;
            QVERIFY2(MediaGen::make(path, spec), qPrintable(MediaGen::lastError()));
            QVERIFY2(near(centre(Covers::embeddedCover(path)), Qt::yellow), qPrintable(ext));
        }
    }

    void folderImagesByName()
    {
        const QString both = dir("byname");
        QVERIFY(MediaGen::image(both + "/Front.PNG", 16, 16, Qt::green));
        QVERIFY(MediaGen::image(both + "/cover.jpg", 16, 16, Qt::red));
        QVERIFY(near(centre(Covers::folderCover(both)), Qt::red));

        const QString one = dir("single");
        QVERIFY(MediaGen::image(one + "/zzz.png", 16, 16, Qt::blue));
        QVERIFY(near(centre(Covers::folderCover(one)), Qt::blue));

        const QString two = dir("two");
        QVERIFY(MediaGen::image(two + "/a.png", 16, 16, Qt::blue));
        QVERIFY(MediaGen::image(two + "/b.png", 16, 16, Qt::blue));
        QVERIFY(Covers::folderCover(two).isNull());

        // A FIFO named like a cover must not block the reader.
        const QString fifo = dir("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo + "/cover.jpg").constData(), 0644), 0);
        QVERIFY(QFile::link(fifo + "/cover.jpg", fifo + "/folder.jpg"));
        QVERIFY(Covers::folderCover(fifo).isNull());
    }

    void wideFolderCoverIsCroppedToItsCentre()
    {
        const QString d = dir("wide");
        QImage wide(1200, 300, QImage::Format_RGB32);
        QPainter p(&wide);
        p.fillRect(0, 0, 400, 300, Qt::red);
        p.fillRect(400, 0, 400, 300, Qt::green);
        p.fillRect(800, 0, 400, 300, Qt::blue);
        p.end();
        QVERIFY(wide.save(d + "/albumart.png"));
        QFile noise(d + "/track.mp3");
        QVERIFY(noise.open(QIODevice::WriteOnly));
        noise.write(QByteArray(2048, 'x'));
        noise.close();
        const QImage img = coverWhenReady(d + "/track.mp3", 100).toImage();
        QCOMPARE(img.size(), QSize(100, 100));
        QVERIFY(near(img.pixelColor(3, 50), Qt::green));
        QVERIFY(near(img.pixelColor(96, 50), Qt::green));
        QCOMPARE(QImage(diskFile(d + "/track.mp3")).size(), QSize(512, 128));   // shrunk
    }

    void missingCoverIsRememberedAsFailed()
    {
        const QString path = dir("none") + "/a.mp3";
        QVERIFY2(MediaGen::audio(path, 1), qPrintable(MediaGen::lastError()));
        QVERIFY(MediaGen::image(dir("none") + "/x.png", 8, 8, Qt::red));
        QVERIFY(MediaGen::image(dir("none") + "/y.png", 8, 8, Qt::red));
        QVERIFY(coverWhenReady(path, 64).isNull());
        QSignalSpy ready(Covers::instance(), &Covers::ready);
        QVERIFY(Covers::instance()->cover(path, 64).isNull());
        QTest::qWait(100);
        QCOMPARE(ready.count(), 0);
    }

    void videoThumbnails()
    {
        const QString path = dir("video") + "/clip.mp4";
        QVERIFY2(MediaGen::video(path, 2), qPrintable(MediaGen::lastError()));
        Database::instance()->ensureMedia(path, "video", "clip");
        Covers* covers = Covers::instance();
        QSignalSpy made(Thumbnailer::instance(), &Thumbnailer::ready);
        QSignalSpy ready(covers, &Covers::ready);
        QVERIFY(covers->videoThumb(path, 200, -0.15, "lib").isNull());
        QVERIFY(covers->videoThumb(path, 300, -0.15, "lib").isNull());
        QVERIFY(ready.wait(20000));
        QCOMPARE(ready.first().at(0).toString(), path);
        QCOMPARE(made.count(), 1);
        QCOMPARE(covers->videoThumb(path, 200, -0.15, "lib").width(), 200);
        QCOMPARE(covers->videoThumb(path, 300, -0.15, "lib").width(), 300);
        QVERIFY(Database::instance()->mediaByPath(path)->duration > 1.5);

        const QString file = Thumbnailer::cacheFile(Thumbnailer::keyFor(path, "lib"));
        QVERIFY(QFile::exists(file));
        covers->invalidateVideoThumb(path, "lib");
        QVERIFY(!QFile::exists(file));
        QVERIFY(covers->videoThumb(path, 200, -0.15, "lib").isNull());
        QVERIFY(ready.wait(20000));
        QCOMPARE(made.count(), 2);

        // A thumbnail that cannot be made is not asked for again.
        const QString bad = dir("video") + "/bad.mp4";
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1024, 'z'));
        f.close();
        QVERIFY(covers->videoThumb(bad, 200, -0.15, "lib").isNull());
        QTRY_COMPARE_WITH_TIMEOUT(made.count(), 3, 20000);
        QVERIFY(covers->videoThumb(bad, 200, -0.15, "lib").isNull());
        QTest::qWait(100);
        QCOMPARE(made.count(), 3);

        // Answers that were never asked for are ignored.
        ready.clear();
        emit Thumbnailer::instance()->ready("lib_0123456789abcdef0123", QImage(), 5);
        QCOMPARE(ready.count(), 0);

        // A thumbnail invalidated while it is being made is dropped, not
        // saved: the next ask makes a new one.
        const QString hist = Thumbnailer::cacheFile(Thumbnailer::keyFor(path, "hist"));
        QVERIFY(covers->videoThumb(path, 200, 0.5, "hist").isNull());
        covers->invalidateVideoThumb(path, "hist");
        QVERIFY(ready.wait(20000));
        QVERIFY(!QFile::exists(hist));
        QVERIFY(covers->videoThumb(path, 200, 1.5, "hist").isNull());
        QVERIFY(ready.wait(20000));
        QCOMPARE(covers->videoThumb(path, 200, 1.5, "hist").width(), 200);
    }

    void placeholderAndRoundedCorners()
    {
        const QImage video = Covers::placeholder(160, true).toImage();
        QCOMPARE(video.size(), QSize(160, 90));
        QCOMPARE(video.pixelColor(0, 0).alpha(), 0);
        // The 30-pixel icon sits at (65, 30), drawn at 0.55 opacity.
        const QColor icon = video.pixelColor(80, 45);
        QVERIFY(icon.blue() > 150 && icon.green() > 130);
        QVERIFY(video.pixelColor(63, 45).blue() < 80);
        QVERIFY(video.pixelColor(80, 28).blue() < 80);
        QCOMPARE(Covers::placeholder(100, false).size(), QSize(100, 100));

        QVERIFY(Covers::rounded(QPixmap(), 8).isNull());
        QPixmap solid(40, 40);
        solid.fill(Qt::red);
        solid.setDevicePixelRatio(2.0);
        const QPixmap round = Covers::rounded(solid, 6);
        QCOMPARE(round.devicePixelRatio(), 2.0);
        const QImage r = round.toImage();
        QCOMPARE(r.size(), QSize(40, 40));
        QCOMPARE(r.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(r.pixelColor(20, 20), QColor(Qt::red));
    }
};

ORVEL_TEST_MAIN(TestCovers)
#include "tst_covers.moc"
