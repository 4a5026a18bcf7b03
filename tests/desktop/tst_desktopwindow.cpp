#include "App.h"
#include "ChildProcess.h"
#include "Database.h"
#include "FakeWeb.h"
#include "Lang.h"
#include "MainWindow.h"
#include "MediaControls.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QDesktopServices>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {
constexpr int kWait = 30000;

QString ctl(const QStringList& args)
{
    return ChildProcess::run(QStringLiteral("playerctl"), QStringList{"-p", "orvel"} + args);
}

// The title and the length in seconds of each Metadata change in the lines
// of "gdbus monitor". Opening a queue stops what played, so "no track" may
// come between tracks; it names none.
QList<QPair<QString, double>> metadataChanges(const QString& monitored)
{
    static const QRegularExpression title(QStringLiteral("'xesam:title': <'([^']*)'>"));
    static const QRegularExpression length(QStringLiteral("'mpris:length': <int64 (\\d+)>"));
    QList<QPair<QString, double>> out;
    for (const QString& line : monitored.split(QLatin1Char('\n'))) {
        if (!line.contains(QLatin1String("{'Metadata':")) || line.contains(QLatin1String("TrackList/NoTrack")))
            continue;
        const QRegularExpressionMatch t = title.match(line);
        const QRegularExpressionMatch l = length.match(line);
        out.append({t.captured(1), l.hasMatch() ? l.captured(1).toLongLong() / 1e6 : 0.0});
    }
    return out;
}
}  // namespace

// The whole window on a session bus and a fake maker's server: the check at
// start fills the Home page's banner, and the desktop sees and drives what
// the window plays.
class TestDesktopWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeWeb m_web;
    std::unique_ptr<PlayerCore> m_core;
    QStringList m_opened;

    // For looking at the banner: ORVEL_TEST_CAPTURES names a folder.
    static void capture(QWidget& window)
    {
        const QString folder = qEnvironmentVariable("ORVEL_TEST_CAPTURES");
        if (folder.isEmpty())
            return;
        const QString lang = Lang::englishFlag() ? "en" : "pt";
        for (const QSize& size : {QSize(420, 260), QSize(1600, 1000), QSize(1320, 820)}) {
            window.resize(size);
            QTest::qWait(300);
            window.grab().save(QString("%1/banner-%2-%3x%4.png").arg(folder, lang).arg(size.width()).arg(size.height()));
        }
    }

public slots:
    void openUrl(const QUrl& url) { m_opened << url.toString(); }

private slots:
    void initTestCase()
    {
        App::set(QStringLiteral("general/checkUpdates"), true);
        Lang::englishFlag() = qEnvironmentVariable("ORVEL_TEST_LANG") == QLatin1String("en");
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        QVERIFY(m_web.start());
        m_web.install();
        m_web.answer(QStringLiteral("velloran.com.br"), QStringLiteral("/downloads/apps/orvel/update.json"), 200,
                     "{\"version\":\"1.0.2\",\"notes\":\"Correções\",\"page\":\"\"}");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        m_core.reset();
    }

    void bannerAndMediaKeys()
    {
        const QString song = m_dir.filePath(QStringLiteral("song.mp3"));
        QVERIFY2(MediaGen::audio(song, 20, {{"title", "Canção de teste"}}), qPrintable(MediaGen::lastError()));
        MainWindow window(m_core.get());
        window.resize(1320, 820);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto* banner = window.findChild<QWidget*>(QStringLiteral("Banner"));
        QVERIFY(banner);
        QTRY_VERIFY_WITH_TIMEOUT(banner->isVisible(), kWait);
        QStringList texts;
        for (QLabel* label : banner->findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.join(' ').contains("1.0.2") && texts.join(' ').contains("Correções"), qPrintable(texts.join(' ')));
        capture(window);
        for (QPushButton* button : banner->findChildren<QPushButton*>())
            button->click();
        QCOMPARE(m_opened, QStringList{"https://velloran.com.br/aplicacoes/orvel/"});

        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<MediaControls*>(), kWait);
        window.playFiles({song}, 0);
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"metadata", "title"}), QString("Canção de teste"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isPaused(), kWait);
        ctl({"play-pause"});
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), kWait);
        QCOMPARE(ctl({"status"}), QString("Paused"));
    }

    // A queue of three songs of different lengths, skipped twice by a desktop
    // client: every Metadata change a listener gets pairs a song's title with
    // that song's length, and a track change sends at most two of them.
    void metadataFollowsTheTrack()
    {
        const QList<QPair<QString, double>> songs{{"Canção Um", 14}, {"Song Two", 8}, {"três #1", 11}};
        QStringList paths;
        for (const auto& [title, seconds] : songs) {
            paths << m_dir.filePath(QStringLiteral("story%1.mp3").arg(paths.size()));
            QVERIFY2(MediaGen::audio(paths.last(), seconds, {{"title", title}}), qPrintable(MediaGen::lastError()));
        }
        MainWindow window(m_core.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<MediaControls*>(), kWait);

        QProcess monitor;
        QString monitored;
        connect(&monitor, &QProcess::readyReadStandardOutput, this,
                [&] { monitored += QString::fromUtf8(monitor.readAllStandardOutput()); });
        // Under "C" or POSIX gdbus writes "ç" escaped.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        monitor.setProcessEnvironment(env);
        monitor.start(QStringLiteral("gdbus"), {"monitor", "--session", "--dest", "org.mpris.MediaPlayer2.orvel",
                                                "--object-path", "/org/mpris/MediaPlayer2"});
        QTRY_VERIFY_WITH_TIMEOUT(monitored.contains("is owned by"), kWait);

        window.playFiles(paths, 0);
        for (int i = 0; i < songs.size(); ++i) {
            if (i > 0)
                ctl({"next"});
            QTRY_COMPARE_WITH_TIMEOUT(m_core->path(), paths[i], kWait);
            QTRY_VERIFY_WITH_TIMEOUT(monitored.contains("'" + songs[i].first + "'"), kWait);
        }
        // Anything sent late for the last song arrives before a round trip.
        QCOMPARE(ctl({"metadata", "title"}), songs.last().first);
        monitor.kill();
        monitor.waitForFinished(kWait);
        monitored += QString::fromUtf8(monitor.readAllStandardOutput());

        QMap<QString, int> perTitle;
        for (const auto& [title, seconds] : metadataChanges(monitored)) {
            const auto song = std::find_if(songs.cbegin(), songs.cend(), [&](const auto& s) { return s.first == title; });
            QVERIFY2(song != songs.cend(), qPrintable(title));
            QVERIFY2(qAbs(seconds - song->second) < 0.5, qPrintable(QString("%1: %2 s").arg(title).arg(seconds)));
            QVERIFY2(++perTitle[title] <= 2, qPrintable(monitored));
        }
        QCOMPARE(perTitle.size(), songs.size());
        m_core->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), kWait);
    }
};

ORVEL_TEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
