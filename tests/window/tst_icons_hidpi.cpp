#include "Icons.h"
#include "TestEnv.h"

// The scale factor must be in place before the application object exists.
static const bool s_scaled = qputenv("QT_SCALE_FACTOR", "1.5");

class TestIconsHiDpi : public QObject
{
    Q_OBJECT
private slots:
    void pixmapFollowsTheDevicePixelRatio()
    {
        QVERIFY(s_scaled);
        QCOMPARE(qApp->devicePixelRatio(), 1.5);
        const QPixmap pm = Icons::pixmap(QStringLiteral("play"), 16, Qt::white);
        QCOMPARE(pm.size(), QSize(24, 24));
        QCOMPARE(pm.devicePixelRatio(), 1.5);
        QCOMPARE(pm.deviceIndependentSize(), QSizeF(16, 16));

        const QPixmap odd = Icons::pixmap(QStringLiteral("play"), 15, Qt::white);
        QCOMPARE(odd.size(), QSize(23, 23));  // 22.5 rounds up
    }
};

ORVEL_TEST_MAIN(TestIconsHiDpi)
#include "tst_icons_hidpi.moc"
