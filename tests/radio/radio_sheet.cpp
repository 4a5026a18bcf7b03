// Captures the main window on the Radios page, for looking at it: one
// picture per call.
//
//   tests/support/run-gui.sh <build>/tests/radio/radio_sheet
//       pt|en WIDTHxHEIGHT out.png discover|group|dead
//
// discover: the directory answers twelve stations with logos (a fake web on
// 127.0.0.1); group: an imported IPTV list of twelve channels is shown;
// dead: every request fails (no fake web), as on a machine without network.

#include "CaptureSession.h"
#include "FakeWeb.h"
#include "MainWindow.h"
#include "RadiosPage.h"
#include "TestEnv.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPainter>


namespace {
QByteArray logo(int i)
{
    QImage image(96, 96, QImage::Format_ARGB32);
    image.fill(QColor::fromHsv((i * 37) % 360, 160, 200));
    QPainter p(&image);
    p.setPen(Qt::white);
    p.setFont(QFont(QStringLiteral("Inter"), 40, QFont::Bold));
    p.drawText(image.rect(), Qt::AlignCenter, QString::number(i + 1));
    p.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

void serveDirectory(FakeWeb* web)
{
    const char* names[] = {"Rádio Jovem", "Clássica FM", "Rock Brasil", "Sertanejo Hits", "Notícias 24h",
                           "Jazz Café", "MPB Raiz", "Forró Total", "Samba & Pagode", "Eletrônica Mix",
                           "Gospel Paz", "Rádio Universitária"};
    QByteArray json = "[";
    for (int i = 0; i < 12; ++i) {
        web->answer(QStringLiteral("logos.test"), QStringLiteral("/%1.png").arg(i), 200, logo(i), "image/png");
        json += (i ? "," : "")
            + QStringLiteral("{\"name\":\"%1\",\"url_resolved\":\"http://s.test/%2\",\"favicon\":"
                             "\"https://logos.test/%2.png\",\"state\":\"São Paulo\",\"tags\":\"pop,rock,news,talk\","
                             "\"bitrate\":%3}")
                  .arg(QString::fromUtf8(names[i]), QString::number(i), QString::number(i % 3 ? 128 : 0))
                  .toUtf8();
    }
    web->answer(QStringLiteral("all.api.radio-browser.info"), QStringLiteral("/json/stations/search"), 200,
                json + "]");
}

void importGroup(RadiosPage* page, FakeWeb* web)
{
    QByteArray list = "#EXTM3U\n";
    for (int i = 0; i < 12; ++i) {
        web->answer(QStringLiteral("logos.test"), QStringLiteral("/%1.png").arg(i), 200, logo(i), "image/png");
        list += QStringLiteral("#EXTINF:-1 tvg-logo=\"https://logos.test/%1.png\" group-title=\"%2\",Canal %3\n"
                               "https://tv.test/%1.m3u8\n")
                    .arg(i)
                    .arg(i < 6 ? QStringLiteral("Notícias") : QStringLiteral("Esportes"))
                    .arg(i + 1)
                    .toUtf8();
    }
    const QString path = TestEnv::current()->root() + QStringLiteral("/Canais abertos.m3u");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(list);
    file.close();
    page->importIptv(path);
    page->findChild<QListWidget*>()->setCurrentRow(2);
}
}

int main(int argc, char** argv)
{
    CaptureSession session(argc, argv, 4, "radio_sheet pt|en WxH out.png discover|group|dead");
    if (session.status())
        return session.status();
    const QByteArray mode = argv[4];
    FakeWeb web;
    if (mode != "dead") {
        if (!web.start())
            return 1;
        web.install();
        serveDirectory(&web);
    }
    MainWindow* window = session.showWindow(CaptureSession::size(argv[2]));
    if (!window)
        return 1;
    window->goToPage(QStringLiteral("radios"));
    if (mode == "group")
        importGroup(window->findChild<RadiosPage*>(), &web);
    QTest::qWait(1500);
    return CaptureSession::save(window->grab(), argv[3]) ? 0 : 1;
}
