// The radio directory client against a fake web: the request, the walk
// over the mirrors, the answer's stations, late answers and station logos.
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QThread>
#include <QtTest>

#include <memory>

#include <zlib.h>

#include "CardDelegate.h"
#include "CardView.h"
#include "Database.h"
#include "FakeWeb.h"
#include "LogoDecoder.h"
#include "RadiosPage.h"
#include "RecordingHost.h"
#include "TestEnv.h"

namespace {
const QString M0 = "all.api.radio-browser.info";
const QString M1 = "de2.api.radio-browser.info";
const QString M2 = "fi1.api.radio-browser.info";
const QString M3 = "nl1.api.radio-browser.info";
const QString kPath = "/json/stations/search";
const QString kTail = "hidebroken=true&order=clickcount&reverse=true&limit=120";
// Shortens every request deadline of the page.
const char* const kDeadlineVar = "ORVEL_NET_DEADLINE_MS";
const QString kFailed = "Sem conexão com o diretório de rádios. Tente de novo em instantes.";

// JSON written with single quotes, for legibility.
QByteArray j(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

QByteArray stationsJson(const QString& prefix, int n, const QString& logo = QString())
{
    QByteArray out = "[";
    for (int i = 0; i < n; ++i) {
        out += (i ? "," : "")
            + QString::fromUtf8(j("{'name':'%1 %2','url_resolved':'http://s.test/%1/%2','favicon':'%3'}"))
                   .arg(prefix, QString::number(i), logo).toUtf8();
    }
    return out + "]";
}

QByteArray png(int w, int h, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// A one-pixel PNG whose header claims the given size.
QByteArray claimingPng(quint32 w, quint32 h)
{
    QByteArray data = png(1, 1);
    for (int i = 0; i < 4; ++i) {
        data[16 + i] = char(w >> (24 - 8 * i));
        data[20 + i] = char(h >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.constData() + 12), 17);   // type and data
    for (int i = 0; i < 4; ++i)
        data[29 + i] = char(crc >> (24 - 8 * i));
    return data;
}

QString found(int n)
{
    return QStringLiteral("%1 rádios encontradas · clique com o botão direito para salvar").arg(n);
}
}

class TestRadioDirectory : public QObject
{
    Q_OBJECT

    FakeWeb web;
    RecordingHost host;
    std::unique_ptr<RadiosPage> page;

    CardView* view() const { return page->findChild<CardView*>(); }
    QStandardItemModel* model() const { return view()->model; }
    QString status() const { return page->findChild<QLabel*>("Muted")->text(); }
    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < model()->rowCount(); ++i)
            out << model()->item(i)->text();
        return out;
    }
    void newPage() { page = std::make_unique<RadiosPage>(&host); }
    void searchFor(const QString& text)
    {
        page->findChild<QLineEdit*>()->setText(text);
        page->search();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Database::instance()->open());
        QVERIFY(web.start());
        web.install();
    }

    void init()
    {
        web.clearAnswers();
        web.clearLog();
    }

    void cleanup()
    {
        page.reset();
        qunsetenv(kDeadlineVar);
    }

    void request()
    {
        web.answer(M0, kPath, 200, "[]");
        newPage();
        QTRY_COMPARE(web.count(M0), 1);
        FakeWeb::Request first = web.requests().last();
        QCOMPARE(first.path, kPath + "?countrycode=BR&" + kTail);
        QCOMPARE(first.header("user-agent"), QByteArray("Orvel/1.0.1"));
        QTRY_COMPARE(status(), found(0));

        page->findChild<QLineEdit*>()->setText("  C++ rock ");
        page->findChild<QComboBox*>()->setCurrentIndex(3);   // All countries: searches at once
        QTRY_COMPARE(web.count(M0), 2);
        QCOMPARE(web.requests().last().path, kPath + "?name=C%2B%2B%20rock&" + kTail);

        searchFor("   ");
        QTRY_COMPARE(web.count(M0), 3);
        QCOMPARE(web.requests().last().path, kPath + "?" + kTail);
    }

    // A failure status, a refused tunnel and a mirror that trickles its
    // answer slower than any transfer time-out (ended by the deadline) each
    // move on to the next mirror.
    void mirrorWalk()
    {
        qputenv(kDeadlineVar, "2500");
        web.answer(M0, kPath, 503, "busy");
        web.refuse(M1);
        web.answerDrip(M2, kPath, 1000);
        web.answer(M3, kPath, 200, stationsJson("nl", 2));
        newPage();
        QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList({"nl 0", "nl 1"}), 15000);
        QCOMPARE(status(), found(2));
        QCOMPARE(web.count(M0), 1);
        QCOMPARE(web.count(M1), 1);
        QCOMPARE(web.count(M2), 1);
        // A success keeps the mirror.
        searchFor("x");
        QTRY_COMPARE(web.count(M3), 2);
        QCOMPARE(web.count(M0), 1);
    }

    void allMirrorsFail()
    {
        for (const QString& m : {M0, M1, M2, M3})
            web.answer(m, kPath, 503, "busy");
        newPage();
        QTRY_COMPARE(status(), kFailed);
        QCOMPARE(web.count(), 4);
        for (const QString& m : {M0, M1, M2, M3})
            QCOMPARE(web.count(m), 1);
        QCOMPARE(model()->rowCount(), 0);
        page->search();   // the walk starts over at the first mirror
        QTRY_COMPARE(web.count(M0), 2);
    }

    void answerMapping()
    {
        const QByteArray answer = j("["
            "{'name':'  Rádio A  ','url_resolved':'http://a.test/live','url':'http://ignored','favicon':'',"
            "'state':'São Paulo','tags':'pop,rock,jazz,blues','bitrate':128},"
            "{'name':'B','url_resolved':'','url':'https://b.test/x','tags':'pop,,rock,jazz','bitrate':0},"
            "{'name':'C','url':'rtmp://c.test/x','bitrate':127.5},"
            "{'name':'   ','url':'http://blank.test'},"
            "{'name':'NoUrl'},"
            "'not an object', 42,"
            "{'name':'File','url':'file:///etc/passwd'},"
            "{'name':'Fd','url':'fd://0'},"
            "{'name':'FdClose','url':'fdclose://3'},"
            "{'name':'Av','url':'av://lavfi:sine'},"
            "{'name':'Lavf','url':'lavf://x'},"
            "{'name':'Edl','url':'edl://x'},"
            "{'name':'Mem','url':'memory://abc'},"
            "{'name':'Local','url':'/home/u/a.mp3'},"
            "{'name':'Udp','url':'udp://239.0.0.1:1234'}"
            "]");
        web.answer(M0, kPath, 200, answer);
        newPage();
        QTRY_COMPARE(names(), QStringList({"Rádio A", "B", "C", "Udp"}));
        QCOMPARE(status(), found(4));
        QCOMPARE(model()->item(0)->data(SubtitleRole).toString(), QString("São Paulo · pop, rock, jazz · 128 kbps"));
        QCOMPARE(model()->item(0)->data(PathRole).toString(), QString("http://a.test/live"));
        QCOMPARE(model()->item(1)->data(SubtitleRole).toString(), QString("pop, , rock"));
        QCOMPARE(model()->item(1)->data(PathRole).toString(), QString("https://b.test/x"));
        // No subtitle parts: the row shows its URL instead.
        QCOMPARE(model()->item(2)->data(SubtitleRole).toString(), QString("rtmp://c.test/x"));
        QCOMPARE(model()->item(2)->data(KindRole).toString(), QString("stream"));
    }

    void badAnswers()
    {
        web.answer(M0, kPath, 200, stationsJson("a", 3));
        newPage();
        QTRY_COMPARE(model()->rowCount(), 3);
        for (const QByteArray& body : {QByteArray("<html>busy</html>"), QByteArray(j("{'name':'x'}"))}) {
            web.answer(M0, kPath, 200, body);
            page->search();
            QTRY_COMPARE(status(), found(0));
            QCOMPARE(model()->rowCount(), 0);
        }
        // Over 16 MiB is a failed search: the next mirror answers.
        web.answer(M0, kPath, 200, QByteArray(17 * 1024 * 1024, ' '));
        web.answer(M1, kPath, 200, stationsJson("de", 1));
        page->search();
        QTRY_COMPARE(names(), QStringList({"de 0"}));
    }

    // Only the latest search decides the rows and the status, and only it
    // moves on to another mirror.
    void olderSearchAnsweredLast()
    {
        web.answer(M0, kPath, 200, stationsJson("new", 2));
        web.hold(M0, kPath + "?name=old&countrycode=BR&" + kTail);
        newPage();
        QTRY_COMPARE(model()->rowCount(), 2);
        searchFor("old");
        searchFor("fresh");
        QTRY_COMPARE(web.count(M0), 3);
        QTRY_COMPARE(status(), found(2));
        QCOMPARE(web.release(M0, kPath + "?name=old&countrycode=BR&" + kTail, 200, stationsJson("old", 5)), 1);
        QTest::qWait(300);
        QCOMPARE(names(), QStringList({"new 0", "new 1"}));
        QCOMPARE(status(), found(2));

        web.hold(M0, kPath + "?name=old&countrycode=BR&" + kTail);
        searchFor("old");
        searchFor("fresh");
        QTRY_COMPARE(web.count(M0), 5);
        QTRY_COMPARE(status(), found(2));
        QCOMPARE(web.release(M0, kPath + "?name=old&countrycode=BR&" + kTail, 503, "busy"), 1);
        QTest::qWait(300);
        QCOMPARE(web.count(M1), 0);
        QCOMPARE(status(), found(2));
    }

    void resultsWhileMineIsShown()
    {
        const QString held = kPath + "?name=late&countrycode=BR&" + kTail;
        web.answer(M0, kPath, 200, stationsJson("first", 1));
        web.hold(M0, held);
        newPage();
        QTRY_COMPARE(model()->rowCount(), 1);
        searchFor("late");
        QTRY_COMPARE(web.count(M0), 2);
        auto* sections = page->findChild<QListWidget*>();
        sections->setCurrentRow(1);
        const QString mineStatus = status();
        QVERIFY(mineStatus.startsWith("Nenhuma rádio salva."));
        QCOMPARE(web.release(M0, held, 200, stationsJson("late", 3)), 1);
        QTest::qWait(300);
        QCOMPARE(model()->rowCount(), 0);
        QCOMPARE(status(), mineStatus);

        sections->setCurrentRow(0);
        QCOMPARE(names(), QStringList({"late 0", "late 1", "late 2"}));
        QCOMPARE(status(), found(3));
        QTest::qWait(100);
        QCOMPARE(web.count(M0), 2);
    }

    void logos()
    {
        const QString dir = TestEnv::current()->root();
        QImage(8, 8, QImage::Format_RGB32).save(dir + "/local.png");
        web.answer("logos.test", "/wide.png", 200, png(1000, 500), "image/png");
        web.answer("logos.test", "/icon.png", 200, png(32, 32), "image/png");
        web.answer("logos.test", "/missing.png", 404, "no");
        web.answerEndless("logos.test", "/endless");
        web.answerDrip("logos.test", "/drip", 1000);
        // Small files that unpack to huge pictures.
        web.answer("img.test", "/huge.png", 200, png(5600, 5600, QImage::Format_Mono), "image/png");
        web.answer("cdn.test", "/claims.png", 200, claimingPng(30000, 30000), "image/png");
        qputenv(kDeadlineVar, "2500");
        const QByteArray answer = QString::fromUtf8(j("["
            "{'name':'Wide','url':'http://s.test/1','favicon':'https://logos.test/wide.png'},"
            "{'name':'Icon','url':'http://s.test/2','favicon':'http://logos.test/icon.png'},"
            "{'name':'Missing','url':'http://s.test/3','favicon':'https://logos.test/missing.png'},"
            "{'name':'Endless','url':'http://s.test/4','favicon':'https://logos.test/endless'},"
            "{'name':'Local','url':'http://s.test/5','favicon':'file://%1/local.png'},"
            "{'name':'Zero','url':'http://s.test/6','favicon':'file:///dev/zero'},"
            "{'name':'Drip','url':'http://s.test/7','favicon':'https://logos.test/drip'},"
            "{'name':'Huge','url':'http://s.test/8','favicon':'https://img.test/huge.png'},"
            "{'name':'Claims','url':'http://s.test/9','favicon':'https://cdn.test/claims.png'}"
            "]")).arg(dir).toUtf8();
        web.answer(M0, kPath, 200, answer);
        newPage();
        // Every body that arrived is decoded, never on the GUI thread.
        int decodes = 0, onGuiThread = 0;
        connect(page->findChild<LogoDecoder*>(), &LogoDecoder::decoded, this, [&] {
            ++decodes;
            onGuiThread += QThread::currentThread() == thread();
        }, Qt::DirectConnection);
        QTRY_COMPARE(model()->rowCount(), 9);
        auto picture = [this](int row) { return model()->item(row)->data(Qt::DecorationRole).value<QPixmap>(); };
        QTRY_VERIFY(!picture(0).isNull());
        QCOMPARE(picture(0).size(), QSize(128, 64));
        QTRY_VERIFY(!picture(1).isNull());
        QCOMPARE(picture(1).size(), QSize(128, 128));
        // The endless body was cut and the trickling one given up at its
        // deadline: the client closed both connections.
        QTRY_COMPARE_WITH_TIMEOUT(web.openConnections(), 0, 10000);
        QVERIFY(web.bytesSent("logos.test", "/endless") < 64 * 1024 * 1024);
        QCOMPARE(web.count("logos.test"), 5);
        QCOMPARE(web.count("img.test") + web.count("cdn.test"), 2);
        QTRY_COMPARE(decodes, 5);   // wide, icon, the cut endless body, huge, claims
        QCOMPARE(onGuiThread, 0);
        QVERIFY(picture(2).isNull());
        QVERIFY(picture(3).isNull());
        QVERIFY(picture(4).isNull());   // file: logos are never read
        QVERIFY(picture(6).isNull());
        QVERIFY(picture(7).isNull());   // 5600 x 5600 and 30000 x 30000: refused unread
        QVERIFY(picture(8).isNull());

        // A rebuild takes pictures from the cache and retries no failure.
        emit Database::instance()->stationsChanged();
        QCOMPARE(model()->rowCount(), 9);
        QCOMPARE(picture(0).size(), QSize(128, 64));
        QTest::qWait(300);
        QCOMPARE(web.count("logos.test") + web.count("img.test") + web.count("cdn.test"), 7);
    }
};

ORVEL_TEST_MAIN(TestRadioDirectory)
#include "tst_radiodirectory.moc"
