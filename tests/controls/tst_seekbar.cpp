#include "PreviewPopup.h"
#include "SeekBar.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QStringList>

namespace {

// How far apart two colours are, summed over the channels.
int distance(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

}  // namespace

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

    // Playback does not pull the knob from under a dragging pointer, and a
    // drag whose release went astray still ends with one exact seek.
    void dragEndsWithoutItsRelease()
    {
        QWidget window;
        window.resize(400, 100);
        auto* bar = new SeekBar(&window);
        bar->setGeometry(50, 40, 212, 22);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        bar->setDuration(100);
        QStringList log;
        connect(bar, &SeekBar::seekRequested, bar, [&](double s, bool dragging) {
            log << QString("seek %1 %2").arg(s).arg(dragging ? "drag" : "end");
        });

        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(106, 11));
        bar->setPosition(10);
        QCOMPARE(bar->grab().toImage().pixelColor(106, 11), QColor(Qt::white));   // the knob stayed
        // The button came up somewhere the bar never heard of: the next move ends the drag there.
        QMouseEvent move(QEvent::MouseMove, QPointF(156, 11), bar->mapToGlobal(QPointF(156, 11)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        QCOMPARE(log, (QStringList{"seek 50 drag", "seek 75 end"}));
        bar->setPosition(10);   // follows playback again
        QCOMPARE(bar->grab().toImage().pixelColor(40, 11), Theme::line);

        // Hidden in the middle of a drag (the window changing mode): ends where the knob was.
        log.clear();
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(46, 11));
        bar->hide();
        QCOMPARE(log, (QStringList{"seek 20 drag", "seek 20 end"}));
        bar->setPosition(90);
        QVERIFY(bar->grab().toImage().pixelColor(150, 11) != Theme::line);
    }

    // Near the end of a file: the played part runs from cyan to violet along
    // the whole track, and a chapter start cuts a notch unless it is at 0.
    void painting()
    {
        SeekBar bar;
        bar.resize(212, 22);
        const int mid = bar.groove().center().y();
        QImage empty = bar.grab().toImage();
        QCOMPARE(empty.pixelColor(100, mid), Theme::line);   // nothing loaded: only the groove

        bar.setDuration(10);
        bar.setPosition(9.5);
        bar.setChapters({{0.0, "Intro"}, {0.6, "One"}});
        const QImage img = bar.grab().toImage();
        const int notch = bar.xAt(0.6);
        QCOMPARE(notch, 18);
        QCOMPARE(img.pixelColor(notch, mid), Theme::bg);
        QCOMPARE(img.pixelColor(notch - 1, mid), Theme::bg);
        const QColor start = img.pixelColor(7, mid), end = img.pixelColor(bar.xAt(9.5) - 3, mid);
        QVERIFY2(distance(start, Theme::cyan) < 40, qPrintable(start.name()));
        QVERIFY2(distance(end, Theme::violet) < 60, qPrintable(end.name()));
        QCOMPARE(img.pixelColor(bar.xAt(9.5) + 3, mid), Theme::line);   // unplayed
    }

    // The popup sits centred over its anchor, stays on the screen, and keeps
    // its bottom over the anchor when a frame makes it taller.
    void popupPlacement()
    {
        QWidget owner;
        PreviewPopup popup(&owner);
        const QRect screen = popup.screen()->availableGeometry();
        const QPoint anchor(screen.center().x(), screen.bottom() - 100);
        popup.showAt(anchor, "1:23", "Chapter <b>two</b>");
        QVERIFY(popup.isVisible());
        const QList<QLabel*> labels = popup.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 3);
        QCOMPARE(labels[1]->text(), QString("1:23"));
        QCOMPARE(labels[2]->textFormat(), Qt::PlainText);
        QCOMPARE(popup.geometry().bottom() + 1, anchor.y() - 10);
        QCOMPARE(popup.x() + popup.width() / 2, anchor.x());

        QImage frame(320, 180, QImage::Format_RGB32);
        frame.fill(Qt::green);
        popup.setImage(frame);
        QCOMPARE(labels[0]->pixmap().width(), 220);
        QVERIFY(popup.height() > 124);
        QCOMPARE(popup.geometry().bottom() + 1, anchor.y() - 10);
        popup.setImage(QImage());   // nothing new: the last frame stays
        QCOMPARE(labels[0]->pixmap().width(), 220);

        // The border is drawn, not only the fill.
        const QImage shot = popup.grab().toImage();
        QVERIFY2(distance(shot.pixelColor(0, popup.height() / 2), QColor("#2bd9fe")) < 60,
                 qPrintable(shot.pixelColor(0, popup.height() / 2).name()));
        QCOMPARE(shot.pixelColor(popup.width() / 2, popup.height() - 3), QColor("#07111f"));

        // No frame to show: the time stays, the box shrinks back over the anchor.
        popup.clearImage();
        QVERIFY(labels[0]->isHidden());
        QCOMPARE(labels[1]->text(), QString("1:23"));
        QVERIFY(popup.height() < 100);
        QCOMPARE(popup.geometry().bottom() + 1, anchor.y() - 10);

        popup.showAt(QPoint(screen.left(), screen.top() + 5), "0:00", QString());
        QCOMPARE(popup.x(), screen.left() + 4);
        QCOMPARE(popup.y(), screen.top() + 5 + 30);
        QVERIFY(labels[2]->isHidden());
        popup.showAt(QPoint(screen.right(), screen.center().y()), "0:00", QString());
        QCOMPARE(popup.geometry().right(), screen.right() - 4 - 1);
    }
};

ORVEL_TEST_MAIN(TestSeekBar)
#include "tst_seekbar.moc"
