// Captures the main window on the Radios page, for looking at it: one
// picture per call.
//
//   tests/support/run-gui.sh <build>/tests/radio/radio_sheet
//       pt|en WIDTHxHEIGHT out.png discover|group|dead
//
// discover: the directory answers twelve stations with logos (a fake web on
// 127.0.0.1); group: an imported IPTV list of twelve channels is shown;
// dead: every request fails (no fake web), as on a machine without network.

#include "Covers.h"
#include "Database.h"
#include "FakeWeb.h"
#include "Icons.h"
#include "Lang.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "RadiosPage.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPainter>

#include <cstdio>

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
    TestEnv env;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (argc < 5) {
        std::fprintf(stderr, "usage: radio_sheet pt|en WxH out.png discover|group|dead\n");
        return 2;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    const QList<QByteArray> size = QByteArray(argv[2]).split('x');
    const QByteArray mode = argv[4];
    Theme::apply(app);
    Covers::setIconSource(&Icons::pixmap);
    Database::instance()->open();
    FakeWeb web;
    if (mode != "dead") {
        if (!web.start())
            return 1;
        web.install();
        serveDirectory(&web);
    }
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    MainWindow window(&core);
    window.resize(size.value(0).toInt(), size.value(1).toInt());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.goToPage(QStringLiteral("radios"));
    auto* page = window.findChild<RadiosPage*>();
    if (mode == "group")
        importGroup(page, &web);
    QTest::qWait(1500);
    const bool ok = window.grab().save(QString::fromLocal8Bit(argv[3]));
    std::printf("%dx%d %s\n", window.width(), window.height(), ok ? "saved" : "not saved");
    return ok ? 0 : 1;
}
