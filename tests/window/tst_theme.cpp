#include "TestEnv.h"
#include "Theme.h"

#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

QColor pixelAt(QWidget& w, const QPoint& pos)
{
    return QColor(w.grab().toImage().pixel(pos));
}

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace

class TestTheme : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Theme::apply(*qApp);
    }

    void resourcesAreCompiledIn()
    {
        for (const char* name : {":/fonts/Inter-Regular.ttf", ":/fonts/Inter-SemiBold.ttf",
                                 ":/fonts/Inter-Bold.ttf", ":/fonts/Inter-ExtraBold.ttf",
                                 ":/icons/orvel.svg"}) {
            QFile f(QString::fromLatin1(name));
            QVERIFY2(f.open(QIODevice::ReadOnly), name);
            QVERIFY2(f.size() > 500, name);
        }
    }

    void styleFontAndPalette()
    {
        // The sheet wraps the application style; Fusion sits underneath.
        QStringList styles;
        for (QStyle* style : qApp->findChildren<QStyle*>())
            styles << style->name();
        QVERIFY2(styles.contains(QStringLiteral("fusion")), qPrintable(styles.join(',')));

        const QFont font = QApplication::font();
        QCOMPARE(font.family(), QStringLiteral("Inter"));
        QCOMPARE(font.pointSizeF(), 10.0);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Inter"));

        const QPalette p = QApplication::palette();
        QCOMPARE(p.color(QPalette::Active, QPalette::Window), Theme::bg);
        QCOMPARE(p.color(QPalette::Inactive, QPalette::Base), Theme::surface);
        QCOMPARE(p.color(QPalette::Active, QPalette::Highlight), QColor("#183049"));
        QCOMPARE(p.color(QPalette::Active, QPalette::PlaceholderText), Theme::dim);
        QCOMPARE(p.color(QPalette::Active, QPalette::Text), Theme::text);
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            QCOMPARE(p.color(QPalette::Disabled, role), QColor("#4b5d75"));
    }

    void disabledTextInWidgets()
    {
        QLabel label(QStringLiteral("x"));
        label.setEnabled(false);
        label.ensurePolished();
        QCOMPARE(label.palette().color(QPalette::Disabled, QPalette::WindowText),
                 QColor("#4b5d75"));
        QPushButton button(QStringLiteral("x"));
        button.setEnabled(false);
        button.ensurePolished();
        QCOMPARE(button.palette().color(QPalette::Disabled, QPalette::ButtonText),
                 QColor("#4b5d75"));
    }

    void primaryButtonIsDrawnWithTheGradient()
    {
        QPushButton plain(QStringLiteral("Ok"));
        QPushButton primary(QStringLiteral("Ok"));
        primary.setProperty("primary", true);
        for (QPushButton* b : {&plain, &primary})
            b->resize(200, 40);
        QVERIFY(near(pixelAt(plain, QPoint(20, 20)), QColor("#12233a")));
        // Left end near cyan, right end near violet.
        const QColor left = pixelAt(primary, QPoint(12, 20));
        const QColor right = pixelAt(primary, QPoint(188, 20));
        QVERIFY2(near(left, QColor("#2bd9fe"), 12), qPrintable(left.name()));
        QVERIFY2(near(right, QColor("#8b5cf6"), 12), qPrintable(right.name()));
        QCOMPARE(primary.palette().color(QPalette::ButtonText), QColor("#07111f"));
    }

    void overlayControlBarIsTranslucentWithoutTopBorder()
    {
        QWidget back;
        back.setObjectName(QStringLiteral("Back"));
        back.setStyleSheet(QStringLiteral("#Back { background: #ff0000; }"));
        back.setAttribute(Qt::WA_StyledBackground);
        back.resize(300, 80);
        QWidget bar(&back);
        bar.setObjectName(QStringLiteral("ControlBar"));
        bar.setAttribute(Qt::WA_StyledBackground);
        bar.setGeometry(0, 0, 300, 80);

        QVERIFY(near(pixelAt(back, QPoint(150, 0)), QColor("#12233a")));
        QVERIFY(near(pixelAt(back, QPoint(150, 40)), QColor("#0a1626")));

        bar.setProperty("overlay", true);
        bar.style()->unpolish(&bar);
        bar.style()->polish(&bar);
        // 88 % of #07111f over red.
        const QColor mixed = pixelAt(back, QPoint(150, 40));
        QVERIFY2(near(mixed, QColor(37, 15, 27), 4), qPrintable(mixed.name()));
        QVERIFY(near(pixelAt(back, QPoint(150, 0)), mixed));
        // Rounded corners let the background through.
        QVERIFY(near(pixelAt(back, QPoint(0, 0)), Qt::red));
    }
};

ORVEL_TEST_MAIN(TestTheme)
#include "tst_theme.moc"
