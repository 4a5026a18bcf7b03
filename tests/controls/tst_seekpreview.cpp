#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "MainWindow.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "PreviewPopup.h"
#include "SeekBar.h"
#include "TestEnv.h"
#include "Theme.h"
#include "Thumbnailer.h"

#include <QLabel>
#include <QSignalSpy>

#include <memory>

// Hovering the seek bar of the real window while a video plays: the time,
// then a frame of that moment above the bar; gone when the pointer leaves.
class TestSeekPreview : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void hoverShowsTimeThenFrame()
    {
        App::set(QStringLiteral("general/checkUpdates"), false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        const QString clip = m_dir.filePath("clip.mp4");
        MediaGen::Spec spec;
        spec.seconds = 10;
        spec.video = true;
        spec.chapters = {{0, "Abertura"}, {5, "Final"}};
        QVERIFY2(MediaGen::make(clip, spec), qPrintable(MediaGen::lastError()));

        PlayerCore core;
        QString error;
        QVERIFY2(core.init(&error), qPrintable(error));
        MainWindow window(&core);
        window.resize(1280, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
        window.playFiles({clip}, 0);
        QVERIFY(loaded.wait(20000));
        core.setPaused(true);
        QTRY_VERIFY(core.duration() > 9 && core.chapters().size() == 2);

        SeekBar* seek = window.findChild<ControlBar*>()->seekBar;
        auto* popup = window.findChild<PreviewPopup*>();
        const QList<QLabel*> labels = popup->findChildren<QLabel*>();   // image, time, chapter
        QTRY_VERIFY(seek->isVisible() && seek->width() > 200);
        QWindow* handle = window.windowHandle();
        const int x = seek->xAt(7.5);
        QTest::mouseMove(handle, seek->mapTo(&window, QPoint(x - 40, 11)));
        QTest::mouseMove(handle, seek->mapTo(&window, QPoint(x, 11)));
        QVERIFY(popup->isVisible());
        QCOMPARE(labels[1]->text(), App::formatTime(seek->secsAt(x)));
        QCOMPARE(labels[2]->text(), QString("Final"));
        QTRY_VERIFY_WITH_TIMEOUT(!labels[0]->pixmap().isNull(), 20000);
        QCOMPARE(labels[0]->pixmap().width(), 220);
        // Over the bar, not on it: the pointer stays with the bar.
        const QPoint anchor = seek->mapToGlobal(QPoint(x, 0));
        QCOMPARE(popup->geometry().bottom() + 1, anchor.y() - 10);

        // A frame that could not be taken takes the old one away, not the time.
        emit Thumbnailer::instance()->previewReady(7.5, QImage());
        QVERIFY(labels[0]->isHidden());
        QCOMPARE(labels[1]->text(), App::formatTime(seek->secsAt(x)));

        QTest::mouseMove(handle, QPoint(window.width() / 2, window.height() / 3));
        QVERIFY(!popup->isVisible());

        // The same with the X server's own pointer: the box and its frame
        // must not take the pointer from the bar, or the bar would hide them.
        QSignalSpy left(seek, &SeekBar::hoverLeft);
        QCursor::setPos(seek->mapToGlobal(QPoint(seek->xAt(2.5), 11)));
        QTRY_VERIFY(popup->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!labels[0]->isHidden() && !labels[0]->pixmap().isNull(), 20000);
        QTest::qWait(300);
        QVERIFY2(popup->isVisible(), qPrintable(QString("hover left %1 times").arg(left.size())));
        QCOMPARE(left.size(), 0);
        QCursor::setPos(window.mapToGlobal(QPoint(window.width() / 2, window.height() / 3)));
        QTRY_VERIFY(!popup->isVisible());
        core.stop();
        QTRY_VERIFY(core.isIdle());
    }
};

ORVEL_TEST_MAIN(TestSeekPreview)
#include "tst_seekpreview.moc"
