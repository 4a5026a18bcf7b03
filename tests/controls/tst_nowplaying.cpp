#include "Lang.h"
#include "MediaGen.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "TestEnv.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTextDocument>

#include <sys/stat.h>

namespace {
constexpr int kWait = 30000;   // generous: tests share the machine
const QString kEmbedded = QStringLiteral("Embedded words");

QListWidget* lyricsOf(NowPlaying& view)
{
    return view.findChild<QListWidget*>();
}

// Each entry as "time|text", in display order.
QStringList entries(NowPlaying& view)
{
    QStringList out;
    QListWidget* list = lyricsOf(view);
    for (int i = 0; i < list->count(); ++i)
        out << QString::number(list->item(i)->data(Qt::UserRole).toDouble()) + '|' + list->item(i)->text();
    return out;
}

// The highlighted row: white and bold; -1 when none is.
int highlighted(NowPlaying& view)
{
    QListWidget* list = lyricsOf(view);
    int found = -1;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->font().bold() && list->item(i)->foreground().color() == Qt::white)
            found = found < 0 ? i : -2;
    }
    return found;
}

// The brightest channel-minimum in a rectangle: text drawn in white reaches
// 255, the other lines' grey stays far below.
int brightest(const QImage& image, const QRect& rect)
{
    int best = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            best = qMax(best, qMin(c.red(), qMin(c.green(), c.blue())));
        }
    return best;
}

QLabel* labelWith(NowPlaying& view, const QString& part)
{
    for (QLabel* label : view.findChildren<QLabel*>())
        if (label->text().contains(part))
            return label;
    return nullptr;
}
}  // namespace

// The now-playing view: lyrics from sidecars and tags, and the highlight
// following a real playback core (no picture or sound output).
class TestNowPlaying : public QObject
{
    Q_OBJECT
    PlayerCore m_core;
    QTemporaryDir m_dir;
    QString m_tagged;   // a FLAC whose tag holds lyrics
    int m_case = 0;

    // On a busy machine libmpv now and then ends an exact seek of a paused
    // song a few audio frames short and, being paused, never reports the
    // position again; seeking once more from there lands.
    bool seekTo(double seconds)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_core.seekAbsolute(seconds);
            if (QTest::qWaitFor([&] { return qAbs(m_core.position() - seconds) < 0.02; }, kWait / 5))
                return true;
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_core.init(&error), qPrintable(error));
        m_tagged = m_dir.filePath("tagged.flac");
        QVERIFY2(MediaGen::audio(m_tagged, 15, {{"lyrics", kEmbedded}}), qPrintable(MediaGen::lastError()));
    }

    void readsLyrics_data()
    {
        QTest::addColumn<QString>("media");    // file name; "tagged" is the FLAC with lyrics
        QTest::addColumn<QByteArray>("lrc");    // the sidecar's bytes; null: none
        QTest::addColumn<QStringList>("expected");

        const QByteArray none;
        QTest::newRow("two tags") << "a.mp3" << QByteArray("[00:12.00][00:45.00]Chorus\r\n")
                                  << QStringList{"12|Chorus", "45|Chorus"};
        QTest::newRow("tag only") << "a.mp3" << QByteArray("[00:30.00]\n") << QStringList{"30|♪"};
        QTest::newRow("headers") << "a.mp3" << QByteArray("[ar:Someone]\n[offset:+500]\n[00:01.00] One \n")
                                 << QStringList{"1|One"};
        QTest::newRow("second colon") << "a.mp3" << QByteArray("[01:02:50]Late") << QStringList{"62.5|Late"};
        QTest::newRow("untimed first") << "a.mp3" << QByteArray("Intro\n[00:05.00]B\n\nLoose\n[00:02.00]A\n")
                                       << QStringList{"-1|Intro", "-1|Loose", "2|A", "5|B"};
        QTest::newRow("dotted name") << "my.song.v2.mp3" << QByteArray("[00:03.00]Dots")
                                     << QStringList{"3|Dots"};
        QTest::newRow("sidecar first") << "tagged" << QByteArray("Side") << QStringList{"-1|Side"};
        QTest::newRow("empty sidecar") << "tagged" << QByteArray("") << QStringList{"-1|" + kEmbedded};
        QTest::newRow("no lyrics") << "a.mp3" << none << QStringList{};

        // Hostile files.
        QTest::newRow("fifo") << "tagged" << QByteArray("FIFO") << QStringList{"-1|" + kEmbedded};
        QTest::newRow("2 MiB") << "tagged" << QByteArray("[00:01.00]x\n").repeated(180000)
                               << QStringList{"-1|" + kEmbedded};
        QTest::newRow("latin-1") << "a.mp3" << QByteArray("[00:01.00]Can\xe7\xe3o")
                                 << QStringList{QString::fromUtf8("1|Canção")};
        // As Windows editors and lyric editors save them.
        QStringEncoder utf16(QStringConverter::Utf16LE);
        QTest::newRow("utf-16") << "a.mp3"
                                << "\xFF\xFE" + QByteArray(utf16(QString::fromUtf8("[00:01.00]Canção “sim”\r\n[00:02.00]€")))
                                << QStringList{QString::fromUtf8("1|Canção “sim”"), QString::fromUtf8("2|€")};
        const QString unmarked = QString::fromUtf8("[00:01.00]Canção\n[00:02.00]Fim");
        QTest::newRow("utf-16 unmarked, .LRC") << "upper.mp3" << QByteArray(utf16(unmarked))
                                               << QStringList{QString::fromUtf8("1|Canção"), "2|Fim"};
        QStringEncoder utf16be(QStringConverter::Utf16BE);
        QTest::newRow("utf-16 be unmarked") << "a.mp3" << QByteArray(utf16be(unmarked))
                                            << QStringList{QString::fromUtf8("1|Canção"), "2|Fim"};
        QTest::newRow("windows-1252") << "a.mp3" << QByteArray("[00:01.00]\x93Ol\xE1\x94 \x96 5\x80\x85")
                                      << QStringList{QString::fromUtf8("1|“Olá” – 5€…")};
        QTest::newRow("enhanced") << "a.mp3" << QByteArray("[00:02.00]<00:02.00>Hello <00:02.60>world<00:03.10>\n")
                                  << QStringList{"2|Hello world"};
        QTest::newRow("overflow") << "a.mp3"
                                  << "[" + QByteArray(500, '9') + ":00.00]Never\n[00:03.00]Real"
                                  << QStringList{"3|Real"};
        QTest::newRow("long line") << "a.mp3" << "[00:01.00]" + QByteArray(3000, 'a')
                                   << QStringList{"1|" + QString(1000, 'a')};
    }

    void readsLyrics()
    {
        QFETCH(QString, media);
        QFETCH(QByteArray, lrc);
        QFETCH(QStringList, expected);
        const QString dir = m_dir.filePath(QString("case%1").arg(++m_case));
        QVERIFY(QDir().mkpath(dir));
        QString path = dir + '/' + media;
        if (media == "tagged") {
            path = dir + "/tagged.flac";
            QVERIFY(QFile::copy(m_tagged, path));
        }
        const QString suffix = media.startsWith("upper") ? ".LRC" : ".lrc";
        const QString sidecar = dir + '/' + QFileInfo(path).completeBaseName() + suffix;
        if (lrc == "FIFO") {
            QCOMPARE(mkfifo(QFile::encodeName(sidecar).constData(), 0600), 0);
        } else if (!lrc.isNull()) {
            QFile f(sidecar);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(lrc) == lrc.size());
        }
        NowPlaying view(&m_core);
        view.loadLyrics(path);
        QCOMPARE(entries(view), expected);
        QCOMPARE(lyricsOf(view)->parentWidget()->isHidden(), expected.isEmpty());
    }

    // Many lines keep their first 10,000 entries.
    void boundsEntries()
    {
        QByteArray text;   // just under 1 MiB
        for (int i = 0; i < 100000; ++i)
            text += QString("[%1:%2]\n").arg(i / 60).arg(i % 60).toUtf8();
        const QString path = m_dir.filePath("many.mp3");
        QFile f(m_dir.filePath("many.lrc"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
        f.close();
        NowPlaying view(&m_core);
        view.loadLyrics(path);
        const QStringList got = entries(view);
        QCOMPARE(got.size(), 10000);
        QCOMPARE(got.last(), QString("9999|♪"));
    }

    void followsPlayback()
    {
        const QString song = m_dir.filePath("song.flac");
        QVERIFY(QFile::copy(m_tagged, song));
        QFile lrc(m_dir.filePath("song.lrc"));
        QVERIFY(lrc.open(QIODevice::WriteOnly));
        lrc.write("[00:05.00]First\n[00:12.00]Second\n[00:13.00]Third\n");
        lrc.close();

        NowPlaying view(&m_core);
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy loaded(&m_core, &PlayerCore::fileLoaded);
        m_core.openFiles({song});
        QVERIFY(loaded.wait(kWait));
        m_core.setPaused(true);
        view.setTrack(song, "Song", "Artist", "Album", QPixmap());
        QListWidget* list = lyricsOf(view);
        QCOMPARE(list->count(), 3);

        QVERIFY(seekTo(11.9));
        QTRY_COMPARE_WITH_TIMEOUT(highlighted(view), 1, kWait);   // 0.15 s ahead
        QVERIFY(seekTo(11.8));
        QTRY_COMPARE_WITH_TIMEOUT(highlighted(view), 0, kWait);
        QVERIFY(seekTo(2.0));
        QTRY_COMPARE_WITH_TIMEOUT(highlighted(view), -1, kWait);   // before the first line

        // The current line is drawn white, the others in grey.
        QVERIFY(seekTo(12.5));
        QTRY_COMPARE_WITH_TIMEOUT(highlighted(view), 1, kWait);
        QTest::qWait(50);
        const QImage shot = list->viewport()->grab().toImage();
        QVERIFY(brightest(shot, list->visualItemRect(list->item(1))) > 240);
        QVERIFY(brightest(shot, list->visualItemRect(list->item(0))) < 200);

        // A click on a line seeks to its time.
        bool landed = false;
        for (int attempt = 0; attempt < 5 && !landed; ++attempt) {   // see seekTo
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
            landed = QTest::qWaitFor([&] { return qRound(m_core.position() * 100) == 1300; }, kWait / 5);
        }
        QVERIFY(landed);

        // Untimed lyrics are never highlighted.
        QVERIFY(lrc.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lrc.write("Just words\nNo times\n");
        lrc.close();
        view.loadLyrics(song);
        QVERIFY(seekTo(6.0));
        QCOMPARE(highlighted(view), -1);

        // The mini player has no room for lyrics.
        view.setCompact(true);
        view.loadLyrics(song);
        QVERIFY(list->parentWidget()->isHidden());
        view.setCompact(false);
        QVERIFY(!list->parentWidget()->isHidden());
        m_core.stop();
    }

    void streamAndLinks()
    {
        Lang::englishFlag() = true;
        NowPlaying view(&m_core);
        view.loadLyrics(m_tagged);
        QCOMPARE(lyricsOf(view)->count(), 1);
        view.setTrack("http://127.0.0.1:9/live", "<b>Radio</b>", "<&", "Album & co", QPixmap());
        Lang::englishFlag() = false;
        QVERIFY(labelWith(view, "LIVE"));
        QCOMPARE(lyricsOf(view)->count(), 0);
        QVERIFY(lyricsOf(view)->parentWidget()->isHidden());

        QLabel* artist = labelWith(view, "href");
        QVERIFY(artist);
        QTextDocument shown;
        shown.setHtml(artist->text());
        QCOMPARE(shown.toPlainText(), QString("<&"));
        QSignalSpy clicked(&view, &NowPlaying::artistClicked);
        emit artist->linkActivated("a");
        QCOMPARE(clicked.value(0).value(0).toString(), QString("<&"));
    }
};

ORVEL_TEST_MAIN(TestNowPlaying)
#include "tst_nowplaying.moc"
