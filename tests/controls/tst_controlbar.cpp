#include "App.h"
#include "ControlBar.h"
#include "Icons.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "SeekBar.h"
#include "TestEnv.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kWait = 30000;   // generous: tests share the machine
const QColor kDark("#07111f");

bool sameIcon(const QToolButton* b, const QIcon& icon)
{
    return b->icon().cacheKey() == icon.cacheKey();
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
        m_core.stop();
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

        const QString title = QString("A very long title ").repeated(8);
        bar.setNowPlaying(title, "Artist", QPixmap());
        auto* titleLabel = bar.findChild<QLabel*>("NowTitle");
        QVERIFY(titleLabel->text().endsWith(QChar(0x2026)));
        QCOMPARE(titleLabel->toolTip(), title);
        QCOMPARE(bar.findChild<QLabel*>("NowSub")->text(), QString("Artist"));
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
        QVERIFY(bar->playButton->isVisible() && bar->queueButton->isVisible() && bar->fullscreenButton->isVisible());
        const QRect inside = bar->rect();
        for (QWidget* w : {static_cast<QWidget*>(bar->prevButton), static_cast<QWidget*>(bar->fullscreenButton)})
            QVERIFY(inside.contains(QRect(w->mapTo(bar, QPoint(0, 0)), w->size())));
        window.resize(521, 100);
        QTRY_VERIFY(bar->shuffleButton->isVisible());
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
