#include "Icons.h"
#include "TestEnv.h"

#include <QImage>
#include <QSet>

namespace {

const QStringList kNames = {
    "play", "pause", "stop", "prev", "next", "back10", "fwd10", "shuffle", "repeat",
    "repeat-one", "volume", "volume-low", "volume-x", "fullscreen", "fullscreen-exit",
    "queue", "captions", "audio", "speed", "eq", "more", "home", "film", "music",
    "playlist", "clock", "radio", "settings", "folder", "folder-plus", "file", "link",
    "plus", "trash", "search", "heart", "heart-filled", "camera", "pip", "image", "x",
    "check", "pin", "download", "upload", "edit", "refresh", "info", "tv", "globe", "ab",
    "rotate", "mirror", "aspect", "mic", "mini", "chevron-left", "chevron-right",
    "chevron-down", "frame", "keyboard", "sparkles", "grid", "list"};

// Every visible pixel of a one-colour drawing carries that colour, within
// the rounding of blending overlapping edges and of unpremultiplying.
QString colourFault(const QPixmap& pm, const QColor& want)
{
    const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            const int a = qAlpha(px);
            const int tolerance = a == 255 ? 3 : 6;
            if (a == 255)
                ++opaque;
            if (a < 64)
                continue;
            if (qAbs(qRed(px) - want.red()) > tolerance
                || qAbs(qGreen(px) - want.green()) > tolerance
                || qAbs(qBlue(px) - want.blue()) > tolerance)
                return QStringLiteral("pixel %1,%2 is %3 (alpha %4)")
                    .arg(x).arg(y).arg(QColor(px).name()).arg(a);
        }
    }
    return opaque > 0 ? QString() : QStringLiteral("no opaque pixel");
}

QColor colourAt(const QIcon& icon, QIcon::Mode mode, QIcon::State state)
{
    const QImage img = icon.pixmap(QSize(24, 24), mode, state).toImage()
                           .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) == 255)
                return QColor(img.pixel(x, y));
    return QColor();
}

}  // namespace

class TestIcons : public QObject
{
    Q_OBJECT
private slots:
    void tableHoldsEveryName()
    {
        QCOMPARE(Icons::names(), kNames);
        QCOMPARE(QSet<QString>(kNames.begin(), kNames.end()).size(), 64);
    }

    void everyIconDrawsInTheAskedColour_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& name : kNames)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyIconDrawsInTheAskedColour()
    {
        QFETCH(QString, name);
        for (const QColor& c : {QColor(200, 30, 90), QColor(QStringLiteral("#c9d4e3"))}) {
            const QPixmap pm = Icons::pixmap(name, 24, c);
            QVERIFY(!pm.isNull());
            QCOMPARE(pm.size(), QSize(24, 24));
            const QString fault = colourFault(pm, c);
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
        }
    }

    void alphaDoesNotReachTheDrawing()
    {
        const QPixmap pm = Icons::pixmap(QStringLiteral("play"), 24, QColor(255, 0, 0, 10));
        const QString fault = colourFault(pm, QColor(255, 0, 0));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void unknownNameIsNull()
    {
        QVERIFY(Icons::pixmap(QStringLiteral("unknown"), 24, Qt::white).isNull());
        QVERIFY(Icons::pixmap(QString(), 24, Qt::white).isNull());
        QVERIFY(Icons::icon(QStringLiteral("unknown")).isNull());
    }

    void iconsAreCachedPerNameAndColours()
    {
        const QColor normal(QStringLiteral("#c9d4e3"));
        const QColor on(QStringLiteral("#2bd9fe"));
        const qint64 key = Icons::icon(QStringLiteral("play")).cacheKey();
        QCOMPARE(Icons::icon(QStringLiteral("play")).cacheKey(), key);
        QCOMPARE(Icons::icon(QStringLiteral("play"), normal, on).cacheKey(), key);
        QVERIFY(Icons::icon(QStringLiteral("play"), Qt::red, on).cacheKey() != key);
        QVERIFY(Icons::icon(QStringLiteral("play"), normal, Qt::red).cacheKey() != key);
        QVERIFY(Icons::icon(QStringLiteral("pause")).cacheKey() != key);
        // The colour's alpha is not part of the key, as it is not part of the drawing.
        QCOMPARE(Icons::icon(QStringLiteral("play"), QColor(201, 212, 227, 40), on).cacheKey(),
                 key);
    }

    void iconStatesUseTheirColours()
    {
        const QIcon icon = Icons::icon(QStringLiteral("stop"), QColor(10, 200, 10),
                                       QColor(200, 10, 10));
        QCOMPARE(colourAt(icon, QIcon::Normal, QIcon::Off), QColor(10, 200, 10));
        QCOMPARE(colourAt(icon, QIcon::Normal, QIcon::On), QColor(200, 10, 10));
        QCOMPARE(colourAt(icon, QIcon::Active, QIcon::On), QColor(200, 10, 10));
        QCOMPARE(colourAt(icon, QIcon::Active, QIcon::Off), QColor(Qt::white));
        QCOMPARE(colourAt(icon, QIcon::Selected, QIcon::Off), QColor(Qt::white));
        QCOMPARE(colourAt(icon, QIcon::Disabled, QIcon::Off), QColor(QStringLiteral("#4b5d75")));
        for (int side : {16, 20, 24, 32})
            QVERIFY(icon.availableSizes().contains(QSize(side, side)));
    }

    void appIconAndLogo()
    {
        const QIcon icon = Icons::appIcon();
        QVERIFY(!icon.isNull());
        for (int side : {16, 48, 256})
            QCOMPARE(icon.pixmap(QSize(side, side)).deviceIndependentSize(), QSizeF(side, side));
        const QPixmap logo = Icons::appLogo(64);
        QCOMPARE(logo.deviceIndependentSize(), QSizeF(64, 64));
        // The corner outside the rounded square is clear, the middle is painted.
        const QImage img = logo.toImage();
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(img.width() / 2, img.height() / 2)), 255);
    }
};

ORVEL_TEST_MAIN(TestIcons)
#include "tst_icons.moc"
