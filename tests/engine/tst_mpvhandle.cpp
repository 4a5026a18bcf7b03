#include "MpvApi.h"
#include "MpvHandle.h"
#include "TestEnv.h"

#include "MessageCapture.h"

#include <cmath>
#include <memory>

namespace {
mpv_node str(const char* s)
{
    mpv_node n{};
    n.format = MPV_FORMAT_STRING;
    n.u.string = const_cast<char*>(s);
    return n;
}
}  // namespace

class TestMpvHandle : public QObject
{
    Q_OBJECT
    mpv_handle* m_raw = nullptr;
    std::unique_ptr<MessageCapture> m_warnings;

private slots:
    void initTestCase()
    {
        m_warnings = std::make_unique<MessageCapture>(QtWarningMsg);
        QVERIFY2(loadMpv(), qPrintable(mpv()->error));
        QVERIFY(mpv()->error.isEmpty());
        m_raw = mpv()->create();
        QVERIFY(m_raw);
        MpvHandle h(m_raw);
        h.option("vo", "null");
        h.option("ao", "null");
        h.option("idle", "yes");
        QCOMPARE(mpv()->initialize(m_raw), 0);
    }

    void cleanupTestCase()
    {
        mpv()->terminate_destroy(m_raw);
        m_warnings.reset();
    }

    void nullHandleIsSilent()
    {
        const MpvHandle h;
        m_warnings->clear();
        QCOMPARE(h.setDouble("volume", 1), -1);
        QCOMPARE(h.setFlag("pause", true), -1);
        QCOMPARE(h.setInt("playlist-pos", 1), -1);
        QCOMPARE(h.set("title", "x"), -1);
        QCOMPARE(h.option("vo", "null"), -1);
        QCOMPARE(h.getDouble("volume", 7.5), 7.5);
        QCOMPARE(h.getInt("playlist-pos", 42), 42LL);
        QCOMPARE(h.getFlag("pause", true), true);
        QVERIFY(h.getString("title").isNull());
        QVERIFY(!h.getNode("playlist").isValid());
        QCOMPARE(h.command({"stop"}), -1);
        h.commandAsync({"stop"}, 1);
        QVERIFY(m_warnings->messages().isEmpty());
    }

    void readsAndWrites()
    {
        const MpvHandle h(m_raw);
        QCOMPARE(h.getDouble("duration", 3.25), 3.25);   // nothing loaded
        QCOMPARE(h.getFlag("no-such-property", true), true);
        QVERIFY(h.getString("no-such-property").isNull());
        QVERIFY(!h.getNode("no-such-property").isValid());
        QVERIFY(h.setDouble("volume", 55) >= 0);
        QCOMPARE(h.getDouble("volume", 0), 55.0);
        QVERIFY(h.setInt("volume", 60) >= 0);
        QCOMPARE(h.getInt("volume", 0), 60LL);
        QVERIFY(h.setFlag("mute", true) >= 0);
        QCOMPARE(h.getFlag("mute", false), true);
        QVERIFY(h.set("title", "Olá") >= 0);
        QCOMPARE(h.getString("title"), QString("Olá"));
        QVERIFY(h.getNode("audio-device-list").toList().size() > 0);
    }

    void emptyArgumentReachesLibmpv()
    {
        const MpvHandle h(m_raw);
        QVERIFY(h.set("title", "before") >= 0);
        QCOMPARE(h.command({"set", "title", ""}), 0);
        QCOMPARE(h.getString("title"), QString(""));
    }

    void failuresAreLogged()
    {
        const MpvHandle h(m_raw);
        m_warnings->clear();
        QVERIFY(h.command({"no-such-command", "a"}) < 0);
        QVERIFY(h.option("no-such-option", "v\"1") < 0);
        QVERIFY(h.set("no-such-property", "x") < 0);   // writes stay silent
        QCOMPARE(m_warnings->messages().size(), 2);
        QVERIFY2(m_warnings->messages()[0].startsWith("mpv comando falhou QList(\"no-such-command\", \"a\") "),
                 qPrintable(m_warnings->messages()[0]));
        QVERIFY2(m_warnings->messages()[1].startsWith("mpv opcao recusada no-such-option \"v\\\"1\" "),
                 qPrintable(m_warnings->messages()[1]));
    }

    void nodeScalars()
    {
        QVERIFY(!mpvNodeToVariant(nullptr).isValid());
        mpv_node n{};
        n.format = MPV_FORMAT_NONE;
        QVERIFY(!mpvNodeToVariant(&n).isValid());
        n.format = MPV_FORMAT_BYTE_ARRAY;
        QVERIFY(!mpvNodeToVariant(&n).isValid());
        n.format = MPV_FORMAT_FLAG;
        n.u.flag = 2;
        QCOMPARE(mpvNodeToVariant(&n), QVariant(true));
        n.format = MPV_FORMAT_INT64;
        n.u.int64 = -(1LL << 40);
        QCOMPARE(mpvNodeToVariant(&n), QVariant(qlonglong(-(1LL << 40))));
        n.format = MPV_FORMAT_DOUBLE;
        n.u.double_ = 2.5;
        QCOMPARE(mpvNodeToVariant(&n), QVariant(2.5));
        n = str("Ação");
        QCOMPARE(mpvNodeToVariant(&n), QVariant(QString("Ação")));
        n = str(nullptr);
        n.format = MPV_FORMAT_OSD_STRING;
        QCOMPARE(mpvNodeToVariant(&n), QVariant(QString("")));
    }

    void nodeContainers()
    {
        mpv_node inner[2] = {str("a"), str("b")};
        mpv_node_list innerList{2, inner, nullptr};
        mpv_node values[3] = {str("first"), {}, str("later")};
        values[1].format = MPV_FORMAT_NODE_ARRAY;
        values[1].u.list = &innerList;
        char k1[] = "k", k2[] = "list", k3[] = "k";
        char* keys[3] = {k1, k2, k3};
        mpv_node_list mapList{3, values, keys};
        mpv_node map{};
        map.format = MPV_FORMAT_NODE_MAP;
        map.u.list = &mapList;
        const QVariantMap m = mpvNodeToVariant(&map).toMap();
        QCOMPARE(m.size(), 2);
        QCOMPARE(m.value("k"), QVariant(QString("later")));
        QCOMPARE(m.value("list").toList(), (QVariantList{QString("a"), QString("b")}));
        mpv_node_list empty{0, nullptr, nullptr};
        mpv_node arr{};
        arr.format = MPV_FORMAT_NODE_ARRAY;
        arr.u.list = &empty;
        QCOMPARE(mpvNodeToVariant(&arr), QVariant(QVariantList{}));
    }
};

ORVEL_TEST_MAIN(TestMpvHandle)
#include "tst_mpvhandle.moc"
