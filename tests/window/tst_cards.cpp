#include "CardView.h"
#include "Covers.h"
#include "Icons.h"
#include "Lang.h"
#include "TestEnv.h"
#include "Toast.h"
#include "ToastReader.h"
#include "Widgets.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>

namespace {

const QColor kPicture(40, 40, 40);

QPixmap solid(const QColor& c, int w = 64, int h = 64)
{
    QPixmap pm(w, h);
    pm.fill(c);
    return pm;
}

QStandardItem* card(const QString& kind, const QPixmap& picture = QPixmap())
{
    auto* item = new QStandardItem(QStringLiteral("Title"));
    item->setData(kind, KindRole);
    item->setData(QStringLiteral("Subtitle"), SubtitleRole);
    if (!picture.isNull())
        item->setData(picture, Qt::DecorationRole);
    return item;
}

// Paints one card of the delegate into an image of its size hint.
QImage paintCard(const CardDelegate& delegate, QStandardItem* item,
                 QStyle::State state = QStyle::State_Enabled)
{
    QStandardItemModel model;
    model.appendRow(item);
    QStyleOptionViewItem option;
    option.state = state;
    option.rect = QRect(QPoint(0, 0), delegate.sizeHint(option, QModelIndex()));
    QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    delegate.paint(&p, option, model.index(0, 0));
    return image;
}

// Bounding box of the pixels that carry the colour (the picture well when
// the card shows a solid picture).
QRect boxOf(const QImage& image, const QColor& c)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == c)
                box |= QRect(x, y, 1, 1);
    return box;
}

bool hasLight(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 200)
                return true;
    return false;
}

bool isBar(const QColor& c) { return c.blue() > 200 && c.red() < 160; }
bool isTrack(const QColor& c) { return qAbs(c.red() - c.blue()) < 4 && c.red() > 70 && c.red() < 110; }

}  // namespace

class TestCards : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Covers::setIconSource(&Icons::pixmap); }

    void gridColumnsFollowTheViewport()
    {
        // Enough cards to scroll: the viewport is the view less the bar.
        CardView view(CardDelegate::Grid, false);
        for (int i = 0; i < 40; ++i)
            view.model->appendRow(card(QStringLiteral("audio"), solid(Qt::red)));
        view.resize(1000, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int bar = view.verticalScrollBar()->sizeHint().width();
        const struct { int viewport, cardWidth; } cases[] = {{300, 280}, {100, 80}, {1000, 233}};
        for (const auto& c : cases) {
            view.resize(c.viewport + bar, 600);
            QCoreApplication::processEvents();
            QCOMPARE(view.viewport()->width(), c.viewport);
            QCOMPARE(view.delegate->cardWidth, c.cardWidth);
        }
        // Four cells of 249 share the 1000-pixel row; the fifth wraps.
        const auto rect = [&view](int row) { return view.visualRect(view.model->index(row, 0)); };
        QCOMPARE(rect(0).size(), QSize(249, 249 - 16 + 64));
        QCOMPARE(rect(3).top(), rect(0).top());
        QCOMPARE(rect(3).left(), 3 * 249);
        QCOMPARE(rect(4).top(), rect(0).bottom() + 1);
    }

    void cellsAndPictureWells()
    {
        CardDelegate grid(CardDelegate::Grid, false);
        QCOMPARE(grid.sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(216, 264));
        QCOMPARE(boxOf(paintCard(grid, card("video", solid(Qt::red))), Qt::red), QRect(8, 8, 200, 112));
        QCOMPARE(boxOf(paintCard(grid, card("audio", solid(Qt::red))), Qt::red), QRect(8, 8, 200, 200));

        CardDelegate list(CardDelegate::List, false);
        CardDelegate wideList(CardDelegate::List, true);
        QCOMPARE(list.sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(400, 64));
        QCOMPARE(wideList.sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(400, 84));
        QCOMPARE(boxOf(paintCard(list, card("audio", solid(Qt::red))), Qt::red).size(), QSize(46, 46));
        QCOMPARE(boxOf(paintCard(list, card("video", solid(Qt::red))), Qt::red).size(), QSize(81, 46));
        QCOMPARE(boxOf(paintCard(wideList, card("audio", solid(Qt::red))), Qt::red).size(), QSize(66, 66));
        QCOMPARE(boxOf(paintCard(wideList, card("", solid(Qt::red))), Qt::red).size(), QSize(117, 66));

        // A narrow list never scrolls sideways: its rows fit the viewport.
        CardView rows(CardDelegate::List, false);
        rows.model->appendRow(card("audio"));
        rows.resize(250, 200);
        rows.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rows));
        QCOMPARE(rows.viewport()->width(), 250);
        QVERIFY(!rows.horizontalScrollBar()->isVisible());
        QCOMPARE(rows.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(rows.visualRect(rows.model->index(0, 0)).width(), 250);

        CardView strip(CardDelegate::Grid, true);
        strip.setHorizontalStrip(true);
        QCOMPARE(strip.sizeHint(), QSize(600, 194));
    }

    void placeholderKeepsTheShapeOfItsWell()
    {
        // No picture can come for this one: a 16:9 placeholder, not a
        // square one squeezed into the 16:9 well of a square-cell grid.
        CardDelegate grid(CardDelegate::Grid, false);
        const auto streamless = [] {
            QStandardItem* item = card(QStringLiteral("video"));
            item->setData(QStringLiteral("http://127.0.0.1:9/clip.mp4"), PathRole);
            return item;
        };
        QStandardItemModel model;
        model.appendRow(streamless());
        const QImage want = Covers::placeholder(200, true).toImage();
        const QImage got = grid.imageFor(model.index(0, 0), 200, 112).toImage();
        QCOMPARE(got.convertToFormat(want.format()), want);
        // And so it is painted: the middle row of the well matches.
        const QImage painted = paintCard(grid, streamless()).copy(8, 8 + 56, 200, 1);
        QCOMPARE(painted.convertToFormat(want.format()), want.copy(0, 56, 200, 1));
    }

    void progressBadgeAndHover()
    {
        CardDelegate grid(CardDelegate::Grid, false);  // 200 x 200 well at (8, 8)
        const int row = 8 + 200 - 2;                   // inside the strip
        const auto strip = [&](const QVariant& progress) {
            QStandardItem* item = card(QStringLiteral("audio"), solid(kPicture));
            if (progress.isValid())
                item->setData(progress, ProgressRole);
            return paintCard(grid, item);
        };
        const QImage half = strip(0.5);
        QVERIFY(isBar(half.pixelColor(107, row)));
        QVERIFY(isTrack(half.pixelColor(108, row)));
        QVERIFY(isTrack(half.pixelColor(190, row)));
        const QImage over = strip(1.7);
        QVERIFY(isBar(over.pixelColor(207, row)));
        QCOMPARE(over.pixelColor(190, row - 3), kPicture);  // four rows only
        const QImage zero = strip(0.0);
        QVERIFY(isTrack(zero.pixelColor(20, row)));
        QVERIFY(isTrack(zero.pixelColor(190, row)));
        const QImage absent = strip(QVariant());
        QCOMPARE(absent.pixelColor(20, row), kPicture);
        QCOMPARE(absent.pixelColor(190, row), kPicture);

        // The badge's box ends 7 pixels inside the well's right edge and 6
        // above its bottom, with white text in it.
        QStandardItem* badged = card(QStringLiteral("audio"), solid(kPicture));
        badged->setData(QStringLiteral("12:34"), BadgeRole);
        const QImage badge = paintCard(grid, badged);
        const QColor box = badge.pixelColor(207 - 9, 207 - 14);
        QVERIFY(box.blue() < 40 && box.red() < 20);
        QCOMPARE(badge.pixelColor(207 - 5, 207 - 14), kPicture);
        QVERIFY(hasLight(badge.copy(100, 180, 108, 28)));
        QStandardItem* unbadged = card(QStringLiteral("audio"), solid(kPicture));
        unbadged->setData(QString(), BadgeRole);
        QCOMPARE(paintCard(grid, unbadged).pixelColor(207 - 9, 207 - 14), kPicture);

        // The play overlay: Grid under the mouse only.
        const QPoint corner(30, 30), centre(108 - 15, 108);
        const QImage hovered = paintCard(grid, card("audio", solid(kPicture)),
                                         QStyle::State_Enabled | QStyle::State_MouseOver);
        QVERIFY(hovered.pixelColor(corner).red() < kPicture.red());
        QVERIFY(hovered.pixelColor(centre).blue() > 200);
        const QImage selected = paintCard(grid, card("audio", solid(kPicture)),
                                          QStyle::State_Enabled | QStyle::State_Selected);
        QCOMPARE(selected.pixelColor(corner), kPicture);
        QCOMPARE(selected.pixelColor(centre), kPicture);
        CardDelegate list(CardDelegate::List, false);  // 46 x 46 well at (10, 9)
        const QImage listHovered = paintCard(list, card("audio", solid(kPicture)),
                                             QStyle::State_Enabled | QStyle::State_MouseOver);
        QCOMPARE(listHovered.pixelColor(10 + 22, 9 + 22), kPicture);
        QCOMPARE(listHovered.pixelColor(10 + 8, 9 + 8), kPicture);
    }

    void relativeDateInBothLanguages()
    {
        const QDate today = QDate::currentDate();
        const auto at = [&today](int daysAgo, int h, int m) {
            return QDateTime(today.addDays(-daysAgo), QTime(h, m)).toSecsSinceEpoch();
        };
        const QDate week = today.addDays(-7), tomorrow = today.addDays(1);
        for (bool english : {false, true}) {
            Lang::englishFlag() = english;
            const QString dateForm = english ? QStringLiteral("MM/dd/yyyy") : QStringLiteral("dd/MM/yyyy");
            QCOMPARE(relativeDate(at(0, 0, 5)), english ? QStringLiteral("Today, 00:05") : QStringLiteral("Hoje, 00:05"));
            QCOMPARE(relativeDate(at(1, 23, 59)), english ? QStringLiteral("Yesterday, 23:59") : QStringLiteral("Ontem, 23:59"));
            QCOMPARE(relativeDate(at(5, 12, 0)), english ? QStringLiteral("5 days ago") : QStringLiteral("Há 5 dias"));
            QCOMPARE(relativeDate(at(7, 12, 0)), week.toString(dateForm));
            QCOMPARE(relativeDate(at(-1, 12, 0)), tomorrow.toString(dateForm));
        }
        Lang::englishFlag() = false;
    }

    void toastShowsTextAsTypedAndRestartsItsTimer()
    {
        QWidget window;
        window.resize(801, 600);
        auto* toast = new Toast(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(ToastReader::shown(&window), nullptr);

        const QString markup = QStringLiteral("<b>Song</b> & <i>1</i>.mp3");
        toast->showMessage(markup, 1000);
        QCOMPARE(ToastReader::text(&window), markup);
        // Drawn as typed: wide enough for the tags themselves.
        QVERIFY(toast->width() >= toast->fontMetrics().horizontalAdvance(markup));
        QCOMPARE(toast->pos(), QPoint(400 - toast->width() / 2, 28));

        QTest::qWait(600);
        // Seconds to spare, so that a busy machine still reads it in time.
        toast->showMessage(QStringLiteral("Second"), 4000);
        QTest::qWait(600);  // past the first message's second, not the new one's
        QCOMPARE(ToastReader::text(&window), QStringLiteral("Second"));
        QTRY_COMPARE_WITH_TIMEOUT(ToastReader::shown(&window), nullptr, 10000);
    }
};

ORVEL_TEST_MAIN(TestCards)
#include "tst_cards.moc"
