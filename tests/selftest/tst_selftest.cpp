#include "MediaGen.h"
#include "TestEnv.h"
#include "WindowCapture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

// The whole program, end to end: "--selftest" plays a video and a song and
// walks every page and mode, "--screenshots" plays the demonstration tree.
// Each run is the real binary with its own HOME and XDG folders.
class TestSelfTest : public QObject
{
    Q_OBJECT

    inline static const QString kPicture = QStringLiteral("testsrc2=size=%1x%2:rate=25");

    QString m_root;
    QString m_video;
    QString m_flac;
    QString m_demo;

    std::unique_ptr<QProcess> start(const QString& name, const QStringList& args, bool withBus)
    {
        const QString home = m_root + QStringLiteral("/home-") + name;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            env.insert(QString::fromLatin1(var), home + QLatin1Char('/') + QString::fromLatin1(var));
        env.insert(QStringLiteral("ORVEL_OPT"), QStringLiteral("ao=null"));
        env.insert(QStringLiteral("ORVEL_HWDEC"), QStringLiteral("no"));
        env.insert(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:9"));
        env.insert(QStringLiteral("https_proxy"), QStringLiteral("http://127.0.0.1:9"));
        // Only one run may own the player's name on the bus.
        if (!withBus)
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->start(QStringLiteral(ORVEL_BINARY), args);
        return p;
    }

    // Under AddressSanitizer the leak check at exit stops every thread of
    // the player; now and then its tracer crashes on one of them ("Tracer
    // caught signal") after the run did all it had to. That is the checker
    // failing, not the player: such an exit counts as a clean one, while a
    // leak or a sanitizer report still fails.
    static int exitCodeOf(const QProcess& p, const QByteArray& err)
    {
        const bool checkerCrashed = err.contains("Tracer caught signal") && !err.contains("ERROR: AddressSanitizer")
            && !err.contains("detected memory leaks") && !err.contains("runtime error");
        return checkerCrashed && p.exitStatus() == QProcess::NormalExit ? 0 : p.exitCode();
    }

    // The run's exit code, as exitCodeOf tells it.
    static int finish(QProcess& p, const QString& outDir)
    {
        if (!p.waitForStarted())
            return -1;
        if (!p.waitForFinished(300000))
            p.kill();
        const QByteArray err = p.readAllStandardError();
        const int code = exitCodeOf(p, err);
        if (p.exitStatus() != QProcess::NormalExit || code != 0) {
            QFile report(outDir + QStringLiteral("/relatorio.txt"));
            report.open(QIODevice::ReadOnly);
            qWarning().noquote() << "kept in" << outDir << "\nstderr:\n" << err << "\nreport:\n"
                                 << report.readAll();
        }
        return code;
    }

    static QStringList reportLines(const QString& outDir)
    {
        QFile f(outDir + QStringLiteral("/relatorio.txt"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static QString playerctlTitle()
    {
        QProcess p;
        p.start(QStringLiteral("playerctl"), {"-p", "orvel", "metadata", "title"});
        if (!p.waitForFinished(5000))
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    static void verifyCapture(const QString& file, bool picture)
    {
        QImage image(file);
        QVERIFY2(!image.isNull(), qPrintable(file));
        QVERIFY2(!WindowCapture::isBlank(image), qPrintable(file + " is blank"));
        if (picture)
            QVERIFY2(WindowCapture::showsPicture(image), qPrintable(file + " shows no picture"));
    }

private slots:
    void initTestCase()
    {
        m_root = TestEnv::current()->root();
        QVERIFY(QDir().mkpath(m_root + "/media"));
        MediaGen::Spec video;
        video.seconds = 30;
        video.video = true;
        video.width = 640;
        video.height = 360;
        video.audioTracks = 2;
        video.audioLanguages = {"por", "eng"};
        video.subtitle = true;
        video.chapters = {{0, "Abertura"}, {12, "Meio"}, {24, "Fim"}};
        // A busy pattern, so that a frame holds many colours wherever it is cut.
        video.videoSource = kPicture.arg(640).arg(360);
        m_video = m_root + "/media/clipe.mkv";
        QVERIFY2(MediaGen::make(m_video, video), qPrintable(MediaGen::lastError()));

        MediaGen::Spec flac;
        flac.seconds = 40;
        flac.tags = {{"title", "Canção do teste"}, {"artist", "Banda"}, {"album", "Disco"},
                     {"lyrics", "[00:01.00]primeira\n[00:05.00]segunda"}};
        flac.cover = true;
        m_flac = m_root + "/media/cancao.flac";
        QVERIFY2(MediaGen::make(m_flac, flac), qPrintable(MediaGen::lastError()));

        m_demo = m_root + "/demo";
        const QString videos = m_demo + "/Videos/";
        const QString album = m_demo + "/Musicas/Vezor Udiruvevo/Roru Vidudo/";
        QVERIFY(QDir().mkpath(videos) && QDir().mkpath(album + "Extras"));
        for (const char* name : {"Floresta tropical.mp4", "Aula 01 - Marketing digital.mp4",
                                 "Cidade à noite.mp4", "Aurora sobre o mar.mp4"})
        {
            MediaGen::Spec clip;
            clip.seconds = 35;
            clip.video = true;
            clip.videoSource = kPicture.arg(320).arg(240);
            QVERIFY2(MediaGen::make(videos + QString::fromUtf8(name), clip), qPrintable(MediaGen::lastError()));
        }
        int n = 0;
        for (const char* name : {"01 Abertura.mp3", "02 Meio.mp3", "03 Fim.MP3", "Extras/04 Fora.mp3"}) {
            ++n;
            QVERIFY2(MediaGen::audio(album + QString::fromUtf8(name), 12,
                                     {{"title", QStringLiteral("Faixa %1").arg(n)},
                                      {"artist", "Vezor Udiruvevo"},
                                      {"album", "Roru Vidudo"},
                                      {"track", QString::number(n)}}),
                     qPrintable(MediaGen::lastError()));
        }
        QVERIFY(QDir().mkpath(m_root + "/empty-demo"));
    }

    // The self-test on a video and a song, alone: its steps are timed, and
    // a second player rendering beside it would make it miss them.
    void selfTest()
    {
        const QString out = m_root + "/out-selftest";
        auto selfTest = start("selftest", {"--selftest", out, m_video, m_flac}, true);
        QTRY_COMPARE_WITH_TIMEOUT(playerctlTitle(), QStringLiteral("Canção do teste"), 45000);
        QCOMPARE(finish(*selfTest, out), 0);

        const QStringList lines = reportLines(out);
        const QStringList order = {"[video-4s] path=" + m_video, "[velocidade-2x]", "quadros: perdidos=",
                                   "[tela-cheia]", "ab a=", "[musica] path=" + m_flac, "[mini]",
                                   "[final] path=" + m_video, "resultado: "};
        int at = 0;
        for (const QString& prefix : order) {
            while (at < lines.size() && !lines[at].startsWith(prefix))
                ++at;
            QVERIFY2(at < lines.size(), qPrintable("missing or out of order: " + prefix));
        }
        QVERIFY(QRegularExpression("^resultado: [1-9]\\d* verificações, 0 falhas$").match(lines[at]).hasMatch());
        QCOMPARE(lines.last(), QStringLiteral("fim"));
        QVERIFY(lines.filter(QRegularExpression("^previa pronta pos=15 tamanho=[1-9]\\d*x[1-9]\\d*$")).size() >= 1);
        for (const char* name : {"01-video", "03-tela-cheia", "04-tocando-agora", "05-musica", "06-videos",
                                 "07-recentes", "08-inicio", "09-radios", "10-playlists", "11-configuracoes",
                                 "12-mini", "13-video-normal"}) {
            const QString file = out + "/" + name + ".png";
            const bool picture = file.contains("01-") || file.contains("03-") || file.contains("13-");
            verifyCapture(file, picture);
        }
        verifyCapture(out + "/02-previa-barra.png", true);
    }

    // The screenshots of the demonstration tree, beside both modes with what
    // they need missing and the self-test of a black video.
    void screenshotsAndMissingMedia()
    {
        MediaGen::Spec black;
        black.seconds = 20;
        black.video = true;
        black.videoSource = QStringLiteral("color=c=black:size=320x240:rate=25");
        QVERIFY2(MediaGen::make(m_root + "/media/black.mp4", black), qPrintable(MediaGen::lastError()));
        const QString dark = m_root + "/out-dark";
        auto darkTest = start("dark", {"--selftest", dark, m_root + "/media/black.mp4"}, false);
        const QString shots = m_root + "/out-shots";
        auto screenshots = start("shots", {"--screenshots", shots, m_demo}, false);
        const QString out = m_root + "/out-missing";
        const QString emptyShots = m_root + "/out-empty";
        auto missing = start("missing", {"--selftest", out, m_root + "/nothing.mkv"}, false);
        auto empty = start("empty", {"--screenshots", emptyShots, m_root + "/empty-demo"}, false);
        QCOMPARE(finish(*screenshots, shots), 0);
        for (const char* name : {"site-video", "site-tocando-agora", "site-musica", "site-inicio",
                                 "site-videos", "site-radios", "site-playlists"}) {
            const QString file = shots + "/" + name + ".png";
            QCOMPARE(QImage(file).size(), QSize(1440, 880));
            verifyCapture(file, QByteArray(name) == "site-video");
        }

        QVERIFY(missing->waitForFinished(300000) && empty->waitForFinished(300000));
        QVERIFY(missing->exitCode() != 0);
        // Nothing to play is a normal run: the captures still show the window.
        const QByteArray emptyErr = empty->readAllStandardError();
        QCOMPARE(exitCodeOf(*empty, emptyErr), 0);
        const QStringList lines = reportLines(out);
        QVERIFY(!lines.filter(QRegularExpression("^FALHA \\[video-4s\\] expected ")).isEmpty());
        QVERIFY(!lines.filter(QRegularExpression("^PULADA \\[musica\\]")).isEmpty());
        QCOMPARE(lines.last(), QStringLiteral("fim"));
        QVERIFY(missing->readAllStandardError().contains("FALHA [video-4s]"));
        QVERIFY(!emptyErr.contains("FALHA"));
        // A black preview is no preview with a picture.
        QVERIFY(darkTest->waitForFinished(300000));
        QVERIFY(!reportLines(dark).filter(QRegularExpression("^FALHA \\[previa\\]")).isEmpty());
    }
};

ORVEL_TEST_MAIN(TestSelfTest)
#include "tst_selftest.moc"
