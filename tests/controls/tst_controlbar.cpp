#include "App.h"
#include "ControlBar.h"
#include "Icons.h"
#include "Lang.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "SeekBar.h"
#include "TestEnv.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kWait = 30000;   // generous: tests share the machine
const QColor kDark("#07111f");

bool sameIcon(const QToolButton* b, const QIcon& icon)
{
    return b->icon().cacheKey() == icon.cacheKey();
}

QLabel* timeLabel(ControlBar& bar)
{
    return bar.findChildren<QLabel*>("TimeLabel").value(0);
}

QLabel* durationLabel(ControlBar& bar)
{
    return bar.findChildren<QLabel*>("TimeLabel").value(1);
}

QToolButton* muteButton(ControlBar& bar)
{
    for (QToolButton* b : bar.findChildren<QToolButton*>())
        if (b->toolTip().startsWith("Volume \u2014") || b->toolTip() == "Mudo (M)")
            return b;
    return nullptr;
}
}  // namespace

// The transport bar on the real playback core (no picture or sound output).
class TestControlBar : public QObject
{
    Q_OBJECT
    PlayerCore m_core;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_core.init(&error), qPrintable(error));
    }

    void followsAndDrivesTheCore()
    {
        ControlBar bar(&m_core);
        QTRY_COMPARE_WITH_TIMEOUT(m_core.volume(), 100.0, kWait);
        QVERIFY(sameIcon(bar.playButton, Icons::icon("play", kDark, kDark)));
        // libmpv reports "pause" off while nothing is loaded; there is still nothing to pause.
        m_core.setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(m_core.isPaused(), kWait);
        m_core.setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core.isPaused(), kWait);
        QVERIFY(m_core.isIdle());
        QVERIFY(sameIcon(bar.playButton, Icons::icon("play", kDark, kDark)));

        // The mute button's icon follows the volume and the mute flag.
        QToolButton* mute = muteButton(bar);
        QVERIFY(mute);
        const QList<QPair<double, QString>> levels{{0, "volume-x"}, {49, "volume-low"}, {50, "volume"}};
        for (const auto& level : levels) {
            m_core.setVolume(level.first);
            QTRY_COMPARE_WITH_TIMEOUT(m_core.volume(), level.first, kWait);
            QVERIFY2(sameIcon(mute, Icons::icon(level.second)), qPrintable(level.second));
        }
        QCOMPARE(mute->toolTip(), QString("Volume \u2014 50%"));
        mute->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_core.isMuted(), kWait);
        QVERIFY(sameIcon(mute, Icons::icon("volume-x")));
        mute->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_core.isMuted(), kWait);
        QVERIFY(sameIcon(mute, Icons::icon("volume")));

        // A fraction set on the core stays: the slider's whole number is not sent back.
        m_core.setVolume(55.5);
        QTRY_COMPARE_WITH_TIMEOUT(bar.volumeSlider->value(), 55, kWait);
        QTest::qWait(100);
        QCOMPARE(m_core.volume(), 55.5);

        // The core's volume moves the slider without being sent back.
        QSignalSpy echo(bar.volumeSlider, &QSlider::valueChanged);
        m_core.setVolume(40);
        QTRY_COMPARE_WITH_TIMEOUT(bar.volumeSlider->value(), 40, kWait);
        QCOMPARE(echo.size(), 0);

        bar.volumeSlider->setValue(150);
        QTRY_COMPARE_WITH_TIMEOUT(m_core.volume(), 150.0, kWait);
        QCOMPARE(bar.volumeSlider->value(), 150);

        // Playing a file: the play button shows pause, the times follow.
        const QString file = m_dir.filePath("tone.mp3");
        QVERIFY2(MediaGen::audio(file, 3), qPrintable(MediaGen::lastError()));
        m_core.openFiles({file});
        QTRY_VERIFY_WITH_TIMEOUT(sameIcon(bar.playButton, Icons::icon("pause", kDark, kDark)), kWait);
        const QList<QLabel*> labels = bar.findChildren<QLabel*>("TimeLabel");
        QCOMPARE(labels.size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(labels[1]->text(), QString("0:03"), kWait);
        m_core.setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(sameIcon(bar.playButton, Icons::icon("play", kDark, kDark)), kWait);
        m_core.setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(sameIcon(bar.playButton, Icons::icon("pause", kDark, kDark)), kWait);
        m_core.stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core.isIdle(), kWait);
        QVERIFY(sameIcon(bar.playButton, Icons::icon("play", kDark, kDark)));
    }

    // Times of an hour-long file, and the remaining-time mode: flipped by a
    // click on the duration, stored, and taken up by a bar built later.
    void timesAndRemainingMode()
    {
        const QString file = m_dir.filePath("hour.flac");
        QVERIFY2(MediaGen::ffmpeg({"-f", "lavfi", "-i", "anullsrc=r=8000:cl=mono", "-t", "3725", "-c:a", "flac", file}),
                 qPrintable(MediaGen::lastError()));
        ControlBar bar(&m_core);
        bar.show();
        m_core.openFiles({file});
        QTRY_COMPARE_WITH_TIMEOUT(durationLabel(bar)->text(), QString("1:02:05"), kWait);
        m_core.setPaused(true);
        m_core.seekAbsolute(3700);
        QTRY_COMPARE_WITH_TIMEOUT(timeLabel(bar)->text(), QString("1:01:40"), kWait);
        QCOMPARE(durationLabel(bar)->text(), QString("1:02:05"));

        QTest::mouseClick(durationLabel(bar), Qt::LeftButton);
        QCOMPARE(durationLabel(bar)->text(), QString("-0:25"));
        QCOMPARE(App::settings()->value("ui/remainingTime").toBool(), true);

        ControlBar later(&m_core);
        later.show();
        m_core.seekAbsolute(3715.5);
        QTRY_COMPARE_WITH_TIMEOUT(timeLabel(later)->text(), QString("1:01:55"), kWait);
        QCOMPARE(durationLabel(later)->text(), QString("-0:09"));
        QCOMPARE(durationLabel(bar)->text(), QString("-0:09"));
        QTest::mouseClick(durationLabel(later), Qt::LeftButton);
        QCOMPARE(durationLabel(later)->text(), QString("1:02:05"));
        QCOMPARE(App::settings()->value("ui/remainingTime").toBool(), false);
        m_core.stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core.isIdle(), kWait);
    }

    // A stream without a length says so, whatever the time mode.
    void liveStream()
    {
        ControlBar bar(&m_core);
        bar.show();
        m_core.openFiles({"av://lavfi:sine=frequency=440"});
        QTRY_VERIFY_WITH_TIMEOUT(m_core.isStream() && m_core.position() > 1, kWait);
        QCOMPARE(m_core.duration(), 0.0);
        QCOMPARE(durationLabel(bar)->text(), QString("AO VIVO"));
        QSignalSpy seeks(bar.seekBar, &SeekBar::seekRequested);
        QTest::mouseClick(bar.seekBar, Qt::LeftButton, {}, bar.seekBar->rect().center());
        QCOMPARE(seeks.count(), 0);
        QTest::mouseClick(durationLabel(bar), Qt::LeftButton);
        QCOMPARE(App::settings()->value("ui/remainingTime").toBool(), true);
        const double before = m_core.position();
        QTRY_VERIFY_WITH_TIMEOUT(m_core.position() > before, kWait);
        QCOMPARE(durationLabel(bar)->text(), QString("AO VIVO"));
        QTest::mouseClick(durationLabel(bar), Qt::LeftButton);
        QCOMPARE(durationLabel(bar)->text(), QString("AO VIVO"));
        m_core.stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core.isIdle(), kWait);
    }

    void speedInBothLanguages()
    {
        ControlBar bar(&m_core);
        m_core.setSpeed(1.25);
        QTRY_COMPARE_WITH_TIMEOUT(bar.speedButton->text(), QString("1,25x"), kWait);
        Lang::englishFlag() = true;
        m_core.setSpeed(1.5);
        QTRY_COMPARE_WITH_TIMEOUT(bar.speedButton->text(), QString("1.5x"), kWait);
        Lang::englishFlag() = false;
        m_core.setSpeed(1.0);
        QTRY_COMPARE_WITH_TIMEOUT(bar.speedButton->text(), QString("1x"), kWait);
    }

    void setters()
    {
        ControlBar bar(&m_core);
        const QColor normal("#c9d4e3"), on("#ff5c8a");
        QVERIFY(!bar.favoriteButton->isEnabled());
        bar.setFavorite(true, true);
        QVERIFY(bar.favoriteButton->isEnabled() && bar.favoriteButton->isChecked());
        QVERIFY(sameIcon(bar.favoriteButton, Icons::icon("heart-filled", normal, on)));
        bar.setFavorite(false, false);
        QVERIFY(!bar.favoriteButton->isEnabled() && !bar.favoriteButton->isChecked());
        QVERIFY(sameIcon(bar.favoriteButton, Icons::icon("heart", normal, on)));

        // Tag texts are shown as written, markup and all.
        const QString title = QString("<b>A very long title</b> ").repeated(8);
        bar.setNowPlaying(title, "Artist", QPixmap());
        auto* titleLabel = bar.findChild<QLabel*>("NowTitle");
        QVERIFY(titleLabel->text().startsWith("<b>A very"));
        QVERIFY(titleLabel->text().endsWith(QChar(0x2026)));
        QCOMPARE(titleLabel->textFormat(), Qt::PlainText);
        QCOMPARE(titleLabel->toolTip(), Qt::convertFromPlainText(title));
        QCOMPARE(bar.findChild<QLabel*>("NowSub")->text(), QString("Artist"));

        // A wide cover fills the square: cut to its centre, not letterboxed.
        QPixmap wide(160, 90);
        wide.fill(Qt::red);
        bar.setNowPlaying("Clip", QString(), wide);
        QToolButton* cover = bar.findChildren<QToolButton*>().value(0);
        QCOMPARE(cover->toolTip(), L("Abrir tela de reprodução", "Open now playing"));
        QSignalSpy opened(&bar, &ControlBar::coverClicked);
        cover->click();
        QCOMPARE(opened.size(), 1);
        const QImage shown = cover->icon().pixmap(52, 52).toImage();
        QCOMPARE(shown.size(), QSize(52, 52));
        QCOMPARE(shown.pixelColor(26, 1), QColor(Qt::red));
        QCOMPARE(shown.pixelColor(26, 50), QColor(Qt::red));

        QCOMPARE(bar.shuffleButton->toolTip(), QString("Embaralhar (Shift+R)"));   // S takes a screenshot
    }

    // Controls give way as the window narrows, down to its minimum width.
    void responsive()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new ControlBar(&m_core, &window);
        layout->addWidget(bar);
        window.resize(420, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(bar->width(), 420);
        QVERIFY(bar->shuffleButton->isHidden() && bar->back10Button->isHidden() && bar->volumeSlider->isHidden());
        QVERIFY(bar->playButton->isVisible() && bar->fullscreenButton->isVisible());
        QVERIFY2(bar->seekBar->width() >= 120, qPrintable(QString::number(bar->seekBar->width())));
        const QRect inside = bar->rect();
        for (QWidget* w : {static_cast<QWidget*>(bar->prevButton), static_cast<QWidget*>(bar->fullscreenButton)})
            QVERIFY(inside.contains(QRect(w->mapTo(bar, QPoint(0, 0)), w->size())));
        window.resize(520, 100);
        QTRY_COMPARE(bar->width(), 520);
        QVERIFY(bar->shuffleButton->isHidden() && bar->repeatButton->isHidden());
        window.resize(521, 100);
        QTRY_VERIFY(bar->shuffleButton->isVisible() && bar->repeatButton->isVisible());
        QWidget* block = bar->findChild<QLabel*>("NowTitle")->parentWidget();
        window.resize(980, 100);
        QTRY_COMPARE(bar->width(), 980);
        QVERIFY(block->isHidden() && bar->miniButton->isVisible());
        window.resize(981, 100);
        QTRY_VERIFY(!block->isHidden());
        window.resize(1600, 100);
        QTRY_VERIFY(bar->miniButton->isVisible() && bar->volumeSlider->isVisible());

        // A long title is cut with an ellipsis inside its label, not clipped by it.
        bar->setNowPlaying(QString("Uma música com um título comprido ").repeated(3), QString(), QPixmap());
        auto* title = bar->findChild<QLabel*>("NowTitle");
        QVERIFY(title->isVisible());
        QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->contentsRect().width());
    }
};

ORVEL_TEST_MAIN(TestControlBar)
#include "tst_controlbar.moc"
