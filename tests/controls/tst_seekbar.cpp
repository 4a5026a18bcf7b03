#include "SeekBar.h"
#include "TestEnv.h"

#include <QStringList>

// The seek bar under real mouse events delivered through its window: what
// it reports while the pointer hovers, presses, drags past the end and leaves.
class TestSeekBar : public QObject
{
    Q_OBJECT

private slots:
    void pointerFlow()
    {
        QWidget window;
        window.resize(400, 100);
        auto* bar = new SeekBar(&window);
        // Groove from x 6, 200 px wide: 1 px = 0.5 s of a 100 s file.
        bar->setGeometry(50, 40, 212, 22);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWindow* w = window.windowHandle();   // events routed as the window system does

        QStringList log;
        QList<QPoint> anchors;
        connect(bar, &SeekBar::seekRequested, bar, [&](double s, bool dragging) {
            log << QString("seek %1 %2").arg(s).arg(dragging ? "drag" : "end");
        });
        connect(bar, &SeekBar::hovered, bar, [&](double s, const QPoint& anchor) {
            log << QString("hover %1").arg(s);
            anchors << bar->mapFromGlobal(anchor);
        });
        connect(bar, &SeekBar::hoverLeft, bar, [&] { log << "left"; });

        // Nothing loaded: moves and presses report nothing but the leave.
        QTest::mouseMove(w, QPoint(100, 50));
        QTest::mousePress(w, Qt::LeftButton, {}, QPoint(100, 50));
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(100, 50));
        QTest::mouseMove(w, QPoint(20, 20));
        QCOMPARE(log, QStringList{"left"});
        log.clear();

        bar->setDuration(100);
        QTest::mouseMove(w, QPoint(50 + 56, 50));
        QTest::mousePress(w, Qt::RightButton, {}, QPoint(50 + 56, 50));
        QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(50 + 56, 50));
        QTest::mouseMove(w, QPoint(50 + 106, 50));
        QTest::mousePress(w, Qt::LeftButton, {}, QPoint(50 + 106, 50));
        QTest::mouseMove(w, QPoint(50 + 156, 50));
        QTest::mouseMove(w, QPoint(390, 50));   // dragged past the end
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(390, 50));
        QTest::mouseMove(w, QPoint(20, 20));
        const QStringList expected{"hover 25",     "hover 50",  "seek 50 drag", "seek 75 drag", "hover 75",
                                   "seek 100 drag", "hover 100", "seek 100 end", "left"};
        QCOMPARE(log, expected);
        // The anchor is the bar's top edge under the pointer, kept on the bar.
        QCOMPARE(anchors, (QList<QPoint>{{56, 0}, {106, 0}, {156, 0}, {212, 0}}));
    }
};

ORVEL_TEST_MAIN(TestSeekBar)
#include "tst_seekbar.moc"
