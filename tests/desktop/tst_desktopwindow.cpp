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
#include <QPushButton>

#include <memory>

namespace {
constexpr int kWait = 30000;

QString ctl(const QStringList& args)
{
    return ChildProcess::run(QStringLiteral("playerctl"), QStringList{"-p", "orvel"} + args);
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
};

ORVEL_TEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
