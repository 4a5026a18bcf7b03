// Synchronised lyrics at 1600 x 1000 with the application's theme, on a
// display: a generated LRC file of 5,000 timed lines (one in seven long
// enough to wrap), the now-playing view shown. Figures: loading it through
// setTrack (alone, then with the list's layout and first paint), one
// syncLyrics tick that stays on the same line, and a change of line with its
// highlight, scroll and repaint flushed. For comparison, the same change made
// by restyling the two items the plain way (the list then measures every
// row again). Runs on a private temporary home, never the user's.

#include "Covers.h"
#include "Icons.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kLines = 5000;
constexpr double kStep = 2.0;   // seconds between lines
constexpr int kLoads = 5;
constexpr int kTicks = 200000;
constexpr int kChanges = 200;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double worst(const QList<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

double timeMs(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

void flush()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QString writeLrc(const QString& dir)
{
    QByteArray text = "[ar:Bench]\n[ti:Five thousand lines]\n";
    for (int i = 0; i < kLines; ++i) {
        const double t = i * kStep;
        const QByteArray words = i % 7 == 0 ? QByteArray("a longer line that keeps going and wraps ").repeated(3)
                                            : QByteArray("line ") + QByteArray::number(i);
        text += QStringLiteral("[%1:%2]").arg(int(t) / 60, 2, 10, QLatin1Char('0'))
                    .arg(t - int(t) / 60 * 60, 5, 'f', 2, QLatin1Char('0')).toUtf8() + words + '\n';
    }
    QFile f(dir + "/song.lrc");
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return dir + "/song.flac";
}

void load(NowPlaying& view, const QString& path)
{
    QList<double> alone, painted;
    for (int i = 0; i < kLoads; ++i) {
        alone << timeMs([&] { view.setTrack(path, "Song", "Artist", "Album", QPixmap()); });
        painted << alone.last() + timeMs(flush);
    }
    std::printf("setTrack loading 5,000 lines:            median %7.2f ms, worst %7.2f ms\n", median(alone),
                worst(alone));
    std::printf("  with layout and first paint:           median %7.2f ms, worst %7.2f ms (goal < 250 ms)\n",
                median(painted), worst(painted));
}

void ticks(NowPlaying& view)
{
    view.syncLyrics(kLines / 2 * kStep + 0.5);
    flush();
    QList<double> rounds;
    for (int r = 0; r < 5; ++r) {
        rounds << timeMs([&] {
            for (int i = 0; i < kTicks; ++i)
                view.syncLyrics(kLines / 2 * kStep + 0.5 + (i % 1000) * 1e-3);
        }) * 1000.0 / kTicks;
    }
    std::printf("syncLyrics tick on the same line:        median %7.3f us (goal < 10 us)\n", median(rounds));
}

void changes(NowPlaying& view)
{
    QList<double> ms;
    for (int i = 0; i < kChanges; ++i) {
        const double t = (i * 23 % kLines) * kStep + 0.5;   // jumps both ways: scrolls every time
        ms << timeMs([&] {
            view.syncLyrics(t);
            flush();
        });
    }
    std::printf("line change, highlight, scroll, repaint: median %7.2f ms, worst %7.2f ms (goal < 10 ms)\n",
                median(ms), worst(ms));
    ms.clear();
    for (int i = 0; i < kChanges; ++i) {
        const double t = (kLines / 4 + i) * kStep + 0.5;   // as a song plays: the next line
        ms << timeMs([&] {
            view.syncLyrics(t);
            flush();
        });
    }
    std::printf("  to the next line, as a song plays:     median %7.2f ms, worst %7.2f ms\n", median(ms), worst(ms));
}

// The plain way: foreground and font set with the model's signals on.
void plainRestyle(NowPlaying& view)
{
    QListWidget* list = view.findChild<QListWidget*>();
    QList<double> ms;
    int previous = -1;
    for (int i = 0; i < 20; ++i) {
        const int row = i * 23 % kLines;
        ms << timeMs([&] {
            if (QListWidgetItem* old = list->item(previous)) {
                old->setForeground(QColor("#8796ab"));
                old->setFont(QFont());
            }
            QFont bold;
            bold.setBold(true);
            list->item(row)->setForeground(Qt::white);
            list->item(row)->setFont(bold);
            list->scrollToItem(list->item(row), QAbstractItemView::PositionAtCenter);
            flush();
        });
        previous = row;
    }
    std::printf("  for comparison, plain item restyle:    median %7.2f ms, worst %7.2f ms\n", median(ms), worst(ms));
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir tmp;
    for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(var, QFile::encodeName(tmp.path() + "/home"));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvel");
    QCoreApplication::setOrganizationName("velloran");
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);

    const QString path = writeLrc(tmp.path());
    if (path.isEmpty())
        return 1;
    PlayerCore core;   // never started: the view only listens to it
    NowPlaying view(&core);
    view.resize(1600, 1000);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;
    std::printf("now-playing view at %dx%d, %d lyrics lines\n", view.width(), view.height(), kLines);
    load(view, path);
    ticks(view);
    changes(view);
    plainRestyle(view);
    return 0;
}
