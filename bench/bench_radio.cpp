// The Radios page with large inputs: 30 saved stations whose small logo
// files unpack to huge pictures (the event loop while they load), a
// 10,000-station directory answer against a bare JSON parse, and a
// 20,000-channel IPTV list (import, showing the group, the event loop while
// its logos load, playing a channel deep in the list against the same
// appends on a bare libmpv handle). Runs in a private HOME with its own fake
// web on 127.0.0.1.
#include "Database.h"
#include "FakeWeb.h"
#include "Host.h"
#include "LogoDecoder.h"
#include "MpvApi.h"
#include "PlayerCore.h"
#include "RadiosPage.h"
#include "TestEnv.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "CardView.h"

namespace {

constexpr int kDirectoryStations = 10000;
constexpr int kChannels = 20000;
constexpr int kRuns = 9;
constexpr int kWarmUp = 2;   // first runs fault in fresh memory: not counted
constexpr int kLogoWatchMs = 3000;
constexpr int kBigLogos = 30;
constexpr int kBigLogoSide = 5600;

// Forwards plays to the core, as the main window does.
class BenchHost : public Host
{
public:
    PlayerCore* player = nullptr;
    PlayerCore* core() const override { return player; }
    void playFiles(const QList<QString>& paths, int start, const QList<QString>& titles = {}) override
    {
        if (player)
            player->openFiles(paths, start, titles);
    }
    void enqueue(const QList<QString>&) override {}
    void playNext(const QList<QString>&) override {}
    void playResume(const QString&) override {}
    void playFromStart(const QString&) override {}
    void showMediaMenu(QList<QString>, QPoint, QMenu*) override {}
    void openFileDialog() override {}
    void openFolderDialog() override {}
    void openUrlDialog() override {}
    void toast(const QString&) override {}
    void goToPage(const QString&) override {}
};

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One station in the shape the directory answers with.
QByteArray directoryEntry(int i)
{
    return QStringLiteral(
        "{\"changeuuid\":\"9617a958-0601-11e8-ae97-52543be04c81\",\"stationuuid\":\"9617a958-0601-11e8-ae97-%1\","
        "\"serveruuid\":null,\"name\":\"Rádio Exemplo %1 FM\",\"url\":\"http://stream.example.test/%1\","
        "\"url_resolved\":\"https://stream.example.test/%1/live.mp3\",\"homepage\":\"https://www.example.test/\","
        "\"favicon\":\"https://logos.test/f/%1.png\",\"tags\":\"pop,rock,news,talk,sertanejo\","
        "\"country\":\"Brazil\",\"countrycode\":\"BR\",\"iso_3166_2\":null,\"state\":\"São Paulo\","
        "\"language\":\"portuguese\",\"languagecodes\":\"pt\",\"votes\":%1,\"lastchangetime\":\"2024-01-01 10:00:00\","
        "\"lastchangetime_iso8601\":\"2024-01-01T10:00:00Z\",\"codec\":\"MP3\",\"bitrate\":128,\"hls\":0,"
        "\"lastcheckok\":1,\"lastchecktime\":\"2024-05-01 10:00:00\","
        "\"lastchecktime_iso8601\":\"2024-05-01T10:00:00Z\","
        "\"lastcheckoktime\":\"2024-05-01 10:00:00\",\"lastcheckoktime_iso8601\":\"2024-05-01T10:00:00Z\","
        "\"clickcount\":%1,\"clicktrend\":3,\"ssl_error\":0,\"geo_lat\":-23.55,\"geo_long\":-46.63,"
        "\"has_extended_info\":false}")
        .arg(i)
        .toUtf8();
}

QByteArray directoryAnswer()
{
    QByteArray body = "[";
    for (int i = 0; i < kDirectoryStations; ++i)
        body += (i ? "," : "") + directoryEntry(i);
    return body + "]";
}

void benchDirectory(RadiosPage* page)
{
    const QByteArray body = directoryAnswer();
    QVector<double> bare, page_;
    QElapsedTimer t;
    for (int run = 0; run < kRuns; ++run) {
        // Parse and release, as the page does with its document.
        t.start();
        const qsizetype size = QJsonDocument::fromJson(body).array().size();
        bare.append(t.nsecsElapsed() / 1e6);
        t.start();
        const QList<Station> list = RadiosPage::parseStations(body);
        const double parsed = t.nsecsElapsed() / 1e6;
        page->showStations(list);
        page_.append(t.nsecsElapsed() / 1e6);
        if (run < kWarmUp) {
            bare.removeLast();
            page_.removeLast();
            continue;
        }
        std::printf("    run %d: bare %.1f ms, page parse %.1f ms + rows %.1f ms\n", run + 1, bare.last(), parsed,
                    page_.last() - parsed);
        if (size != kDirectoryStations || list.size() != RadiosPage::kMaxStations)
            std::printf("unexpected parse\n");
    }
    std::printf("directory answer: %d stations, %.1f MB\n", kDirectoryStations, body.size() / 1e6);
    std::printf("  QJsonDocument::fromJson (and free)   median %7.1f ms\n", median(bare));
    std::printf("  parsed and shown as rows             median %7.1f ms (%.2fx)\n", median(page_),
                median(page_) / median(bare));
}

QString channelUrl(quint16 port, int i)
{
    return QStringLiteral("http://127.0.0.1:%1/ch.ts?n=%2").arg(port).arg(i);
}

QString writeIptv(const QString& dir, quint16 port)
{
    QByteArray text = "#EXTM3U\n";
    for (int i = 0; i < kChannels; ++i) {
        text += QStringLiteral("#EXTINF:-1 tvg-id=\"c%1\" tvg-logo=\"https://logos.test/l.png?id=%1\" "
                               "group-title=\"Grupo %2\",Canal %1\n%3\n")
                    .arg(i)
                    .arg(i % 40)
                    .arg(channelUrl(port, i))
                    .toUtf8();
    }
    const QString path = dir + QStringLiteral("/canais.m3u");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

QByteArray logoPng()
{
    QImage image(96, 96, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// Turns the event loop until done() holds (at most 120 s); gives the
// largest gap between the ticks of a 1 ms timer meanwhile.
template <typename Pred>
double largestGapUntil(Pred done)
{
    QElapsedTimer clock, since;
    clock.start();
    since.start();
    double worst = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst = std::max(worst, since.nsecsElapsed() / 1e6);
        since.start();
    });
    tick.start();
    while (!done() && clock.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done() ? worst : -1;
}

// One colour, so that 120 MB of pixels pack into about 100 KB.
QByteArray bigLogoPng()
{
    QImage image(kBigLogoSide, kBigLogoSide, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// "My radios" with 30 stations whose logos are small files of huge
// pictures, on a page of their own: the longest stall of its loop from
// showing them until every logo is back from the decoder.
void benchBigLogos(BenchHost* host, FakeWeb* web)
{
    const QByteArray png = bigLogoPng();
    QMetaObject::invokeMethod(web, [&] {
        web->answer(QStringLiteral("img.test"), QStringLiteral("/big.png"), 200, png, "image/png");
    }, Qt::BlockingQueuedConnection);
    {
        const QSignalBlocker quiet(Database::instance());
        for (int i = 0; i < kBigLogos; ++i) {
            Station station;
            station.name = QStringLiteral("Rádio Grande %1").arg(i);
            station.url = QStringLiteral("http://127.0.0.1:9/big%1").arg(i);
            station.logo = QStringLiteral("https://img.test/big.png?n=%1").arg(i);
            station.grp = QStringLiteral("radio");
            station.favorite = true;
            Database::instance()->saveStation(station);
        }
    }
    RadiosPage page(host);
    page.resize(1200, 800);
    int decoded = 0;
    QObject::connect(page.findChild<LogoDecoder*>(), &LogoDecoder::decoded, &page, [&] { ++decoded; });
    QElapsedTimer t;
    t.start();
    page.findChild<QListWidget*>()->setCurrentRow(1);
    const double stall = largestGapUntil([&] { return decoded >= kBigLogos; });
    std::printf("oversized logos: %d PNGs of %dx%d, %.0f KB each\n", kBigLogos, kBigLogoSide, kBigLogoSide,
                png.size() / 1024.0);
    std::printf("  longest loop stall while they load   %7.1f ms (goal < 50), all back in %.0f ms\n", stall,
                t.nsecsElapsed() / 1e6);
}

// The largest gap between the ticks of a 1 ms timer over the given time.
double largestGap(int ms)
{
    QElapsedTimer clock;
    clock.start();
    return largestGapUntil([&] { return clock.elapsed() >= ms; });
}

// Time until the event loop runs a zero timer posted right after `work`.
template <typename Work>
double untilLoopFree(Work work)
{
    QElapsedTimer t;
    t.start();
    work();
    bool free = false;
    QTimer::singleShot(0, [&] { free = true; });
    while (!free)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return t.nsecsElapsed() / 1e6;
}

double bareAppends(const QStringList& urls, int start)
{
    mpv_handle* h = mpv()->create();
    mpv()->set_option_string(h, "vo", "null");
    mpv()->set_option_string(h, "ao", "null");
    mpv()->set_option_string(h, "idle", "yes");
    mpv()->initialize(h);
    QElapsedTimer t;
    t.start();
    for (const QString& url : urls) {
        const QByteArray u = url.toUtf8();
        const char* cmd[] = {"loadfile", u.constData(), "append", nullptr};
        mpv()->command(h, cmd);
    }
    const QByteArray pos = QByteArray::number(start);
    mpv()->set_property_string(h, "playlist-pos", pos.constData());
    const double ms = t.nsecsElapsed() / 1e6;
    mpv()->terminate_destroy(h);
    return ms;
}

// A few seconds of silence as a WAV file: what a live link answers with.
QByteArray silentWav()
{
    const int rate = 8000, bytes = rate * 5;
    QByteArray wav;
    auto le = [&wav](quint32 v, int size) {
        for (int i = 0; i < size; ++i)
            wav += char((v >> (8 * i)) & 0xff);
    };
    wav += "RIFF";
    le(36 + bytes, 4);
    wav += "WAVEfmt ";
    le(16, 4), le(1, 2), le(1, 2), le(rate, 4), le(rate, 4), le(1, 2), le(8, 2);
    wav += "data";
    le(bytes, 4);
    return wav + QByteArray(bytes, char(0x80));
}

mpv_handle* bareHandle()
{
    mpv_handle* h = mpv()->create();
    const char* const options[][2] = {{"config", "no"}, {"ytdl", "no"},  {"vo", "null"},
                                      {"ao", "null"},    {"idle", "yes"}, {"keep-open", "yes"}};
    for (const auto& o : options)
        mpv()->set_option_string(h, o[0], o[1]);
    mpv()->initialize(h);
    return h;
}

void bareAppend(mpv_handle* h, const QStringList& urls)
{
    for (const QString& url : urls) {
        const QByteArray u = url.toUtf8();
        const char* cmd[] = {"loadfile", u.constData(), "append", nullptr};
        mpv()->command(h, cmd);
    }
}

// Waits for `count` events of one kind on a bare handle (at most 60 s).
bool bareWait(mpv_handle* h, mpv_event_id id, int count)
{
    QElapsedTimer t;
    t.start();
    while (count > 0 && t.elapsed() < 60000) {
        const mpv_event* e = mpv()->wait_event(h, 1);
        if (e->event_id == id)
            --count;
    }
    return count == 0;
}

// Bare libmpv: appends, the start entry chosen, up to its FILE_LOADED.
double bareLoad(const QStringList& urls, int start)
{
    mpv_handle* h = bareHandle();
    QElapsedTimer t;
    t.start();
    bareAppend(h, urls);
    mpv()->set_property_string(h, "playlist-pos", QByteArray::number(start).constData());
    const bool ok = bareWait(h, MPV_EVENT_FILE_LOADED, 1);
    const double ms = t.nsecsElapsed() / 1e6;
    mpv()->terminate_destroy(h);
    return ok ? ms : -1;
}

// Bare libmpv walking the whole list, up to the last END_FILE.
double bareWalk(const QStringList& urls)
{
    mpv_handle* h = bareHandle();
    QElapsedTimer t;
    t.start();
    bareAppend(h, urls);
    mpv()->set_property_string(h, "playlist-pos", "0");
    const bool ok = bareWait(h, MPV_EVENT_END_FILE, int(urls.size()));
    const double ms = t.nsecsElapsed() / 1e6;
    mpv()->terminate_destroy(h);
    return ok ? ms : -1;
}

// Every channel of the group now answers; channel 10,000 is played from
// the page until the core reports it loaded, against a bare libmpv.
void benchLivePlay(RadiosPage* page, PlayerCore* core, const QStringList& urls)
{
    auto* view = page->findChild<CardView*>();
    bool loaded = false;
    const QMetaObject::Connection c = QObject::connect(core, &PlayerCore::fileLoaded, [&] { loaded = true; });
    QVector<double> ours, bare;
    QElapsedTimer t;
    for (int run = 0; run < kRuns; ++run) {
        loaded = false;
        t.start();
        page->playIndex(view->model->index(9999, 0));
        largestGapUntil([&] { return loaded; });
        ours << t.nsecsElapsed() / 1e6;
        core->stop();
        bare << bareLoad(urls, 9999);
    }
    QObject::disconnect(c);
    std::printf("  playing channel 10,000 -> fileLoaded  median %7.1f ms (live links, %d runs)\n", median(ours),
                kRuns);
    std::printf("  anchor: bare libmpv -> FILE_LOADED    median %7.1f ms\n", median(bare));
}

// 20,000 links to a closed port: libmpv steps through them all while the
// event loop must keep turning.
void benchFailingWalk(PlayerCore* core)
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    QStringList urls;
    for (int i = 0; i < kChannels; ++i)
        urls.append(QStringLiteral("http://127.0.0.1:%1/dead.ts?n=%2").arg(port).arg(i));
    int ended = 0;
    const QMetaObject::Connection c = QObject::connect(core, &PlayerCore::fileEnded, [&] { ++ended; });
    QElapsedTimer t;
    t.start();
    core->openFiles(urls, 0);
    const double stall = largestGapUntil([&] { return ended >= kChannels; });
    const double walk = t.nsecsElapsed() / 1e6;
    QObject::disconnect(c);
    std::printf("  walk of %d failing links              %7.1f ms, longest loop stall %.1f ms (goal < 50)\n",
                kChannels, walk, stall);
    std::printf("  anchor: bare libmpv walk              %7.1f ms\n", bareWalk(urls));
}

int requestCount(FakeWeb* web)
{
    int n = 0;
    QMetaObject::invokeMethod(web, [&] { n = web->count(); }, Qt::BlockingQueuedConnection);
    return n;
}

void benchIptv(RadiosPage* page, BenchHost* host, FakeWeb* web, quint16 port)
{
    const QString path = writeIptv(TestEnv::current()->root(), port);
    QElapsedTimer t;
    t.start();
    const bool ok = page->importIptv(path);
    std::printf("IPTV list: %d channels\n", kChannels);
    std::printf("  importIptv                           %7.1f ms%s\n", t.nsecsElapsed() / 1e6, ok ? "" : " (FAILED)");

    auto* sections = page->findChild<QListWidget*>();
    const int requestsBefore = requestCount(web);
    t.start();
    sections->setCurrentRow(2);
    std::printf("  showing the group                    %7.1f ms\n", t.nsecsElapsed() / 1e6);
    const double gap = largestGap(kLogoWatchMs);
    std::printf("  largest loop gap while logos load    %7.1f ms (%d logos fetched in %d ms)\n", gap,
                requestCount(web) - requestsBefore, kLogoWatchMs);

    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::printf("  libmpv: %s\n", qPrintable(error));
        return;
    }
    host->player = &core;
    auto* view = page->findChild<CardView*>();
    const double play = untilLoopFree([&] { page->playIndex(view->model->index(9999, 0)); });
    std::printf("  playing channel 10,000 (loop free)   %7.1f ms\n", play);
    core.stop();
    host->player = nullptr;
    QStringList urls;
    for (int i = 0; i < kChannels; ++i)
        urls.append(channelUrl(port, i));
    std::printf("  anchor: same appends, bare libmpv    %7.1f ms\n", bareAppends(urls, 9999));

    QMetaObject::invokeMethod(web, [&] {
        web->release(QStringLiteral("127.0.0.1"), QStringLiteral("/ch.ts"), 200, silentWav(), "audio/wav");
    }, Qt::BlockingQueuedConnection);
    host->player = &core;
    benchLivePlay(page, &core, urls);
    benchFailingWalk(&core);
    host->player = nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    TestEnv env;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (!Database::instance()->open()) {
        std::printf("database: cannot open\n");
        return 1;
    }
    // The fake web runs on its own thread, so its work is not counted as
    // stalls of the page's loop.
    QThread serverThread;
    auto* web = new FakeWeb;
    web->answer(QStringLiteral("logos.test"), QStringLiteral("/l.png"), 200, logoPng(), "image/png");
    web->answer(QStringLiteral("all.api.radio-browser.info"), QStringLiteral("/json/stations/search"), 200, "[]");
    // Channels answer nothing: the player waits on the one it opens.
    web->hold(QStringLiteral("127.0.0.1"), QStringLiteral("/ch.ts"));
    web->moveToThread(&serverThread);
    serverThread.start();
    bool started = false;
    quint16 port = 0;
    QMetaObject::invokeMethod(web, [&] {
        started = web->start();
        port = web->serverPort();
    }, Qt::BlockingQueuedConnection);
    if (!started) {
        std::printf("fake web: cannot start\n");
        return 1;
    }
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
    FakeWeb::trustTestCa();

    BenchHost host;
    benchBigLogos(&host, web);
    {
        RadiosPage page(&host);
        page.resize(1200, 800);
        benchDirectory(&page);
        benchIptv(&page, &host, web, port);
    }
    QMetaObject::invokeMethod(web, [web] { delete web; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return 0;
}
