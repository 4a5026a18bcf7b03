#include "MediaGen.h"
#include "MessageCapture.h"
#include "MpvGlView.h"
#include "MpvWidget.h"
#include "PlayerCore.h"
#include "TestEnv.h"
#include "VideoWindow.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <memory>

namespace {

// A fractional scale, where a framebuffer size truncated instead of rounded
// leaves its edge row undrawn. Set before the application object exists.
const bool g_scaled = qputenv("QT_SCALE_FACTOR", "1.25");


bool isRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80; }
bool isGreen(QRgb c) { return qGreen(c) > 100 && qRed(c) < 80 && qBlue(c) < 80; }
bool isBlue(QRgb c) { return qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80; }

}  // namespace

// Runs under Xvfb: the widget renders through libmpv's OpenGL interface.
class TestMpvWidget : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_redBlue;     // red on top, blue below
    QString m_redGreen;    // red for two seconds, then green
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MessageCapture> m_info;

    static bool upright(MpvGlView& w)
    {
        const QImage img = w.grabFramebuffer();
        return !img.isNull() && isRed(img.pixel(img.width() / 2, img.height() / 4))
            && isBlue(img.pixel(img.width() / 2, img.height() * 3 / 4));
    }

    static bool showAndWait(QWidget& w)
    {
        w.resize(322, 242);   // 402.5 x 302.5 pixels at 1.25
        w.show();
        return QTest::qWaitForWindowExposed(&w);
    }

    // The centre pixel of what the widget last drew, read without painting.
    static QRgb drawnCentre(MpvGlView& w)
    {
        w.makeCurrent();
        QOpenGLFunctions* gl = w.context()->functions();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, w.defaultFramebufferObject());
        uchar px[4] = {0, 0, 0, 0};
        const qreal dpr = w.devicePixelRatioF();
        gl->glReadPixels(int(w.width() * dpr / 2), int(w.height() * dpr / 2), 1, 1, GL_RGBA,
                         GL_UNSIGNED_BYTE, px);
        w.doneCurrent();
        return qRgb(px[0], px[1], px[2]);
    }

private slots:
    void initTestCase()
    {
        MediaGen::Spec s;
        s.video = true;
        s.seconds = 4;
        s.videoSource = "color=c=red:s=320x120:r=25[t];color=c=blue:s=320x120:r=25[b];"
                        "[t][b]vstack[out0]";
        m_redBlue = m_dir.path() + "/redblue.mp4";
        QVERIFY2(MediaGen::make(m_redBlue, s), qPrintable(MediaGen::lastError()));
        s.videoSource = "color=c=red:s=320x240:r=25:d=2[a];color=c=green:s=320x240:r=25:d=2[b];"
                        "[a][b]concat=n=2:v=1:a=0[out0]";
        m_redGreen = m_dir.path() + "/redgreen.mp4";
        QVERIFY2(MediaGen::make(m_redGreen, s), qPrintable(MediaGen::lastError()));

        // The widget needs libmpv's own video output; sound goes nowhere.
        qputenv("ORVEL_OPT", "ao=null;keepaspect=no");
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
        m_info = std::make_unique<MessageCapture>(QtInfoMsg);
    }

    void cleanupTestCase()
    {
        m_info.reset();
        m_core.reset();
    }

    // Each test makes its own widget: a libmpv instance takes one render
    // context at a time, so a widget that did not free its context on the
    // way out would leave the next one without a picture.
    void pictureIsUpright()
    {
        qputenv("ORVEL_DEBUGFPS", "1");
        m_info->clear();
        MpvGlView w(m_core.get());
        QVERIFY(showAndWait(w));
        QVERIFY(w.hasRenderContext());
        m_core->openFiles({m_redBlue});
        QTRY_VERIFY_WITH_TIMEOUT(upright(w), 15000);
        const QImage img = w.grabFramebuffer();
        QVERIFY(g_scaled);
        QCOMPARE(img.size(), QSize(403, 303));
        // The picture is stretched over the whole framebuffer (keepaspect=no).
        QVERIFY2(isRed(img.pixel(img.width() - 1, 0)), "top row or right column left undrawn");
        QVERIFY(isBlue(img.pixel(0, img.height() - 1)));

        // The diagnostic line comes once a second of activity.
        static const QRegularExpression line(
            "^render: callbacks=\\d+ frames=\\d+ paints=\\d+ swaps=\\d+$");
        QTRY_VERIFY_WITH_TIMEOUT(!m_info->messages().filter(line).isEmpty(), 10000);
        qunsetenv("ORVEL_DEBUGFPS");
    }

    void hiddenWidgetKeepsRendering()
    {
        MpvGlView w(m_core.get());
        QVERIFY(showAndWait(w));
        m_core->openFiles({m_redGreen});
        QTRY_VERIFY_WITH_TIMEOUT(isRed(w.grabFramebuffer().pixel(160, 120)), 15000);
        QVERIFY(m_core->position() < 1.5);
        w.hide();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 3.0, 15000);
        // The file holds its last (green) frame: a widget that stopped
        // rendering stays red however long this waits.
        QTRY_VERIFY2_WITH_TIMEOUT(isGreen(drawnCentre(w)), "frames stopped reaching the hidden widget", 10000);
    }

    void lostGlContextTakesRenderContextAlong()
    {
        // Without shared contexts, moving to another window replaces the
        // widget's GL context.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("must be set before QCoreApplication"));
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
        QWidget first;
        QWidget second;
        auto* w = new MpvGlView(m_core.get());
        (new QVBoxLayout(&first))->addWidget(w);
        QVERIFY(showAndWait(first));
        m_core->openFiles({m_redBlue});
        QTRY_VERIFY_WITH_TIMEOUT(upright(*w), 15000);
        QSignalSpy replaced(w->context(), &QObject::destroyed);

        QVERIFY(showAndWait(second));
        (new QVBoxLayout(&second))->addWidget(w);
        w->show();
        QTRY_COMPARE(replaced.size(), 1);
        QTRY_VERIFY(w->hasRenderContext());
        m_core->openFiles({m_redBlue});
        QTRY_VERIFY_WITH_TIMEOUT(upright(*w), 15000);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("must be set before QCoreApplication"));
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    }

    // The video in a native window of its own, where the platform has one:
    // upright as libmpv draws it, frames taken on while the widget is
    // hidden, and clicks on the window told as they would be on a widget,
    // a double click once although the toolkit tells the window of none.
    void nativeWindow()
    {
        MpvWidget w(m_core.get());
        QVERIFY(w.drawsNatively());
        QVERIFY(showAndWait(w));
        QVERIFY(w.hasRenderContext());
        auto* native = w.windowHandle()->findChild<VideoWindow*>();
        QVERIFY(native && QTest::qWaitForWindowExposed(native));
        m_core->openFiles({m_redGreen});
        QTRY_VERIFY_WITH_TIMEOUT(isRed(w.grabFramebuffer().pixel(160, 60)), 15000);
        w.hide();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 3.0, 15000);
        QTRY_VERIFY2_WITH_TIMEOUT(isGreen(w.grabFramebuffer().pixel(160, 120)), "frames stopped while hidden", 10000);
        m_core->openFiles({m_redBlue});
        QTRY_VERIFY_WITH_TIMEOUT(isBlue(w.grabFramebuffer().pixel(160, 200)), 15000);
        QVERIFY(isRed(w.grabFramebuffer().pixel(160, 40)));

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(native));
        QStringList seen;
        connect(&w, &MpvWidget::clicked, this, [&] { seen << "click"; });
        connect(&w, &MpvWidget::doubleClicked, this, [&] { seen << "double"; });
        connect(&w, &MpvWidget::rightClicked, this, [&](const QPoint&) { seen << "right"; });
        QTest::mouseDClick(native, Qt::LeftButton, {}, QPoint(40, 30));
        QCOMPARE(std::exchange(seen, {}), QStringList({"click", "double"}));
        QTest::mouseClick(native, Qt::RightButton, {}, QPoint(40, 30));
        QTest::mouseDClick(native, Qt::LeftButton, {}, QPoint(60, 30));
        QCOMPARE(std::exchange(seen, {}), QStringList({"right", "click", "double"}));
    }

    void mouseSignals()
    {
        MpvWidget w(nullptr);
        QVERIFY(showAndWait(w));
        QStringList seen;
        connect(&w, &MpvWidget::clicked, this, [&] { seen << "click"; });
        connect(&w, &MpvWidget::doubleClicked, this, [&] { seen << "double"; });
        connect(&w, &MpvWidget::rightClicked, this, [&](const QPoint& p) {
            seen << QStringLiteral("right %1,%2").arg(p.x()).arg(p.y());
        });
        connect(&w, &MpvWidget::mouseMoved, this, [&] { seen << "move"; });
        connect(&w, &MpvWidget::wheelScrolled, this, [&](int d) { seen << QStringLiteral("wheel %1").arg(d); });
        const QPoint at(40, 30);
        const QPoint global = w.mapToGlobal(at);
        const auto take = [&seen] { return std::exchange(seen, {}); };

        // A double click: one click on the first release, then the double.
        QTest::mousePress(&w, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
        QTest::mouseDClick(&w, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
        QCOMPARE(take(), QStringList({"click", "double"}));

        // A left release counts only after a left press on the widget, and
        // a press of another button in between cancels it.
        QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
        QTest::mousePress(&w, Qt::LeftButton, {}, at);
        QTest::mousePress(&w, Qt::MiddleButton, {}, at);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&w, Qt::MiddleButton, {}, at);
        QTest::mouseDClick(&w, Qt::RightButton, {}, at);
        QCOMPARE(take(), QStringList());

        // The right button opens the menu whatever the left one did.
        QTest::mousePress(&w, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&w, Qt::RightButton, {}, at);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
        QCOMPARE(take(), QStringList({QStringLiteral("right %1,%2").arg(global.x()).arg(global.y())}));

        // Moves with and without a button held, and the wheel.
        QTest::mousePress(&w, Qt::LeftButton, {}, at);
        QTest::mouseMove(&w, at + QPoint(5, 5));
        QTest::mouseRelease(&w, Qt::LeftButton, {}, at + QPoint(5, 5));
        QMouseEvent hover(QEvent::MouseMove, QPointF(60, 50), w.mapToGlobal(QPointF(60, 50)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &hover);
        QWheelEvent wheel(QPointF(at), QPointF(global), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        wheel.ignore();
        QCoreApplication::sendEvent(&w, &wheel);
        QVERIFY(wheel.isAccepted());
        QCOMPARE(take(), QStringList({"move", "click", "move", "wheel -120"}));
    }
};

ORVEL_TEST_MAIN(TestMpvWidget)
#include "tst_mpvwidget.moc"
