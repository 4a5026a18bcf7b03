// Card view figures at 1600 x 900 with the application's theme, offscreen:
// filling, laying out and first painting 10,000 grid cards (thumbnails on
// disk), the paint of one card with its picture in memory, with the
// placeholder and with a thumbnail only on disk, and a warm full repaint.
// Runs on a private temporary home, never the user's.

#include "CardView.h"
#include "Covers.h"
#include "Icons.h"
#include "Theme.h"
#include "Thumbnailer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kCards = 10000;
constexpr int kFillRounds = 5;
constexpr int kPaints = 2000;
constexpr int kDiskPaints = 300;
constexpr int kRepaints = 60;
constexpr int kThumbsPerRound = 120;  // more than one screen of cards

struct Figures
{
    double median = 0;
    double worst = 0;
};

Figures figures(QList<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.last()};
}

void report(const char* what, const Figures& f, const char* goal)
{
    std::printf("%-52s median %7.3f ms, worst %7.3f ms%s\n", what, f.median, f.worst, goal);
}

double timeMs(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// A 384-wide frame with some detail, so the JPEG is as heavy as a real one.
QImage sampleFrame()
{
    QImage image(384, 216, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 384, 216);
    g.setColorAt(0, QColor(30, 90, 160));
    g.setColorAt(1, QColor(200, 120, 40));
    p.fillRect(image.rect(), g);
    auto* rng = QRandomGenerator::global();
    for (int i = 0; i < 300; ++i) {
        p.setPen(QColor::fromRgb(rng->generate()));
        p.drawLine(rng->bounded(384), rng->bounded(216), rng->bounded(384), rng->bounded(216));
    }
    return image;
}

QString videoPath(const QString& prefix, int i)
{
    return QStringLiteral("/media/videos/%1/Episode %2.mkv").arg(prefix).arg(i);
}

void writeThumb(const QImage& frame, const QString& path)
{
    frame.save(Thumbnailer::cacheFile(Thumbnailer::keyFor(path, QStringLiteral("lib"))), "JPG", 85);
}

QStandardItem* videoCard(const QString& path, int i)
{
    auto* item = new QStandardItem(QStringLiteral("Episode %1 of a rather long series title").arg(i));
    item->setData(path, PathRole);
    item->setData(QStringLiteral("video"), KindRole);
    item->setData(QStringLiteral("1920x1080 · 1.4 GB"), SubtitleRole);
    item->setData(QStringLiteral("%1:%2").arg(20 + i % 40).arg(i % 60, 2, 10, QLatin1Char('0')),
                  BadgeRole);
    if (i % 3 == 0)
        item->setData((i % 100) / 100.0, ProgressRole);
    return item;
}

QList<QStandardItem*> videoCards(const QString& prefix)
{
    QList<QStandardItem*> items;
    items.reserve(kCards);
    for (int i = 0; i < kCards; ++i)
        items.append(videoCard(videoPath(prefix, i), i));
    return items;
}

void fillLayoutAndFirstPaint(CardView& view, const QImage& frame)
{
    QList<double> fill, layout, paint, total;
    for (int round = 0; round < kFillRounds; ++round) {
        const QString prefix = QStringLiteral("fill%1").arg(round);
        for (int i = 0; i < kThumbsPerRound; ++i)
            writeThumb(frame, videoPath(prefix, i));
        view.model->clear();
        QCoreApplication::processEvents();
        QList<QStandardItem*> items;
        const double f = timeMs([&] {
            items = videoCards(prefix);
            view.model->invisibleRootItem()->appendRows(items);
        });
        const double l = timeMs([&] { view.doItemsLayout(); });
        const double p = timeMs([&] { view.viewport()->repaint(); });
        fill << f;
        layout << l;
        paint << p;
        total << f + l + p;
    }
    report("10,000 cards: fill", figures(fill), "");
    report("10,000 cards: layout", figures(layout), "");
    report("10,000 cards: first paint (thumbnails on disk)", figures(paint), "");
    report("10,000 cards: fill + layout + first paint", figures(total), "  (goal <= 300)");
}

QStyleOptionViewItem cardOption(const CardView& view)
{
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.state = QStyle::State_Enabled;
    option.rect = QRect(QPoint(0, 0), view.delegate->sizeHint(option, QModelIndex()));
    return option;
}

// Paints the cards of the model rows one at a time, each timed on its own.
QList<double> paintEach(const CardView& view, QStandardItemModel& model, int count, int rounds)
{
    const QStyleOptionViewItem option = cardOption(view);
    QImage target(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    QList<double> ms;
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < count; ++i) {
            target.fill(Qt::transparent);
            QPainter p(&target);
            ms << timeMs([&] { view.delegate->paint(&p, option, model.index(i, 0)); });
        }
    }
    return ms;
}

void perCard(const CardView& view, const QImage& frame)
{
    QStandardItemModel warm;
    for (int i = 0; i < 20; ++i) {
        const QString path = videoPath(QStringLiteral("warm"), i);
        writeThumb(frame, path);
        warm.appendRow(videoCard(path, i));
    }
    paintEach(view, warm, 20, 1);  // loads them into memory
    report("one card, picture in memory", figures(paintEach(view, warm, 20, kPaints / 20)),
           "  (goal <= 0.5)");

    QStandardItemModel none;
    for (int i = 0; i < 20; ++i) {
        QStandardItem* item = videoCard(QStringLiteral("http://127.0.0.1:9/stream%1").arg(i), i);
        item->setData(QStringLiteral("stream"), KindRole);
        none.appendRow(item);
    }
    report("one card, placeholder", figures(paintEach(view, none, 20, kPaints / 20)), "");

    QStandardItemModel disk;
    for (int i = 0; i < kDiskPaints; ++i) {
        const QString path = videoPath(QStringLiteral("disk"), i);
        writeThumb(frame, path);
        disk.appendRow(videoCard(path, i));
    }
    report("one card, thumbnail only on disk", figures(paintEach(view, disk, kDiskPaints, 1)),
           "  (goal <= 3)");
}

void warmRepaint(CardView& view)
{
    view.viewport()->repaint();  // every visible picture in memory
    QList<double> ms;
    for (int i = 0; i < kRepaints; ++i)
        ms << timeMs([&] { view.viewport()->repaint(); });
    report("full repaint, warm", figures(ms), "  (goal <= 16)");
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir tmp;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(tmp.path() + "/home"));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ORVEL_NO_THUMBS", "1");  // every picture painted here is on disk already
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);

    const QImage frame = sampleFrame();
    CardView view(CardDelegate::Grid, true);
    view.resize(1600, 900);
    view.show();
    QCoreApplication::processEvents();
    std::printf("grid of wide cards at %dx%d: card width %d, cell %dx%d\n", view.width(),
                view.height(), view.delegate->cardWidth,
                view.delegate->cardWidth + 16, view.delegate->sizeHint({}, {}).height());

    fillLayoutAndFirstPaint(view, frame);
    perCard(view, frame);
    warmRepaint(view);
    return 0;
}
