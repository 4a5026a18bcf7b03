#include "FakeWeb.h"
#include "TestEnv.h"
#include "Updater.h"

#include <QNetworkReply>

#include <memory>

namespace {
constexpr int kWait = 30000;
const QString kHost = QStringLiteral("velloran.com.br");
const QString kManifest = QStringLiteral("/downloads/apps/orvel/update.json");
const QString kProductPage = QStringLiteral("https://velloran.com.br/aplicacoes/orvel/");

// Every signal of one updater, as "name args" lines in arrival order.
class Recorder : public QObject
{
public:
    explicit Recorder(Updater* updater)
    {
        connect(updater, &Updater::updateAvailable, this,
                [this](const QString& v, const QString& n, const QString& u) { seen << "available " + v + "|" + n + "|" + u; });
        connect(updater, &Updater::upToDate, this, [this] { seen << QStringLiteral("upToDate"); });
        connect(updater, &Updater::failed, this, [this](const QString& e) { seen << "failed " + e; });
    }
    QStringList seen;
};

// An expected line ending in '*' matches any line that starts with the rest.
bool matches(const QStringList& seen, const QStringList& expected)
{
    if (seen.size() != expected.size())
        return false;
    for (int i = 0; i < seen.size(); ++i) {
        const QString& e = expected[i];
        if (e.endsWith('*') ? !seen[i].startsWith(e.chopped(1)) || seen[i].size() < e.size() : seen[i] != e)
            return false;
    }
    return true;
}

// Manifests written with single quotes, to keep them readable here.
QByteArray json(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

QByteArray padded(const QByteArray& json, int size)
{
    return json.left(json.size() - 1) + QByteArray(size, ' ') + "}";
}
}  // namespace

// The update checker against a fake maker's server: the request as the
// server sees it and, per manifest, the one answer of a check the user asked
// for and the silence or news of the automatic check.
class TestUpdater : public QObject
{
    Q_OBJECT
    FakeWeb m_web;

    // Starts a check and waits until its reply has been handled and released.
    static void finish(Updater& updater, bool manual)
    {
        updater.check(manual);
        QTRY_VERIFY_WITH_TIMEOUT(updater.findChildren<QNetworkReply*>().isEmpty(), kWait);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_web.start());
        m_web.install();
    }

    void init()
    {
        m_web.clearAnswers();
        m_web.clearLog();
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("manual");
        QTest::addColumn<QStringList>("automatic");

        const QStringList none;
        const QStringList invalid{"failed resposta inválida"};
        const QStringList upToDate{"upToDate"};
        const QString product = "available 2|Notas|" + kProductPage;
        auto both = [](int status, const QByteArray& body, const QString& line) {
            return std::make_tuple(status, body, QStringList{line}, QStringList{line});
        };
        auto row = [](const char* name, const std::tuple<int, QByteArray, QStringList, QStringList>& t) {
            QTest::newRow(name) << std::get<0>(t) << std::get<1>(t) << std::get<2>(t) << std::get<3>(t);
        };
        row("linux url", both(200,
                              json("{'version':'1.0.2','notes':'Correções','page':'https://velloran.com.br/p',"
                                   "'linux':{'url':'https://velloran.com.br/d/orvel-1.0.2.tar.gz'}}"),
                              "available 1.0.2|Correções|https://velloran.com.br/d/orvel-1.0.2.tar.gz"));
        row("page only", both(200, json("{'version':'1.1','page':'https://velloran.com.br/novidades'}"),
                              "available 1.1||https://velloran.com.br/novidades"));
        row("empty page", both(200, json("{'version':'2','notes':'Notas','page':''}"), product));
        row("file url",
            both(200, json("{'version':'2','notes':'Notas','linux':{'url':'file:///etc/passwd'},'page':'x'}"), product));
        row("plain http", both(200, json("{'version':'2','notes':'Notas','linux':{'url':'http://velloran.com.br/d/a'},"
                                         "'page':'http://velloran.com.br/p'}"), product));
        row("hostless",
            both(200, json("{'version':'2','notes':'Notas','linux':{'url':'https:///a'},'page':5}"), product));
        row("equal", {200, json("{'version':'1.0.1'}"), upToDate, none});
        row("older", {200, json("{'version':'1.0.0','page':'https://velloran.com.br/p'}"), upToDate, none});
        row("beta", {200, json("{'version':'1.0.1-beta'}"), upToDate, none});
        row("not json", {200, "<html>oops</html>", invalid, none});
        row("number", {200, json("{'version':2}"), invalid, none});
        row("over 1 MiB", {200, padded(json("{'version':'9'}"), 1024 * 1024), invalid, none});
        row("404", {404, "missing", QStringList{"failed *"}, none});
    }

    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, manual);
        QFETCH(QStringList, automatic);
        m_web.answer(kHost, kManifest, status, body);

        Updater updater;
        Recorder recorder(&updater);
        finish(updater, true);
        QVERIFY2(matches(recorder.seen, manual), qPrintable(recorder.seen.join('\n')));
        recorder.seen.clear();
        finish(updater, false);
        QVERIFY2(matches(recorder.seen, automatic), qPrintable(recorder.seen.join('\n')));
        QCOMPARE(m_web.count(kHost), 2);
    }

    // What the server sees; two manual checks started together, two answers.
    void requestAndTwoChecks()
    {
        m_web.answer(kHost, kManifest, 200, json("{'version':'1.0.1'}"));
        Updater updater;
        Recorder recorder(&updater);
        updater.check(true);
        updater.check(true);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.seen, (QStringList{"upToDate", "upToDate"}), kWait);
        const QList<FakeWeb::Request> requests = m_web.requests(kHost);
        QCOMPARE(requests.size(), 2);
        for (const FakeWeb::Request& request : requests) {
            QCOMPARE(request.scheme, QString("https"));
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.path, kManifest);
            QCOMPARE(request.header("user-agent"), QByteArray("Orvel/1.0.1"));
        }
    }

    // A body without end is cut off, not buffered.
    void endlessBody()
    {
        m_web.answerEndless(kHost, kManifest);
        Updater updater;
        Recorder recorder(&updater);
        finish(updater, false);
        QCOMPARE(recorder.seen, QStringList());
        finish(updater, true);
        QCOMPARE(recorder.seen, QStringList{"failed resposta inválida"});
        QVERIFY(m_web.bytesSent(kHost, kManifest) < 64 * 1024 * 1024);
    }

    // A body that trickles slower than the transfer time-out notices: the
    // deadline of the whole check ends it, and the manual check says so.
    void slowDrip()
    {
        qputenv("ORVEL_NET_DEADLINE_MS", "2500");
        m_web.answerDrip(kHost, kManifest, 1000);
        Updater updater;
        Recorder recorder(&updater);
        updater.check(false);
        finish(updater, true);
        qunsetenv("ORVEL_NET_DEADLINE_MS");
        QCOMPARE(recorder.seen, QStringList{"failed tempo esgotado"});
    }

    // A server that never answers: the transfer time-out ends both checks,
    // and only the manual one says so.
    void neverAnswers()
    {
        m_web.hold(kHost, kManifest);
        Updater updater;
        Recorder recorder(&updater);
        updater.check(false);
        updater.check(true);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.seen.size(), 1, kWait);
        QVERIFY2(recorder.seen[0].startsWith("failed ") && recorder.seen[0].size() > 7, qPrintable(recorder.seen[0]));
        QTRY_VERIFY_WITH_TIMEOUT(updater.findChildren<QNetworkReply*>().isEmpty(), kWait);
        QCOMPARE(recorder.seen.size(), 1);
    }
};

ORVEL_TEST_MAIN(TestUpdater)
#include "tst_updater.moc"
