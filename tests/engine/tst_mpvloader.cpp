#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// The loader runs once per process, so each case copies the probe program
// into a fresh install layout (bin/ beside lib/) and runs it as a child.
class TestMpvLoader : public QObject
{
    Q_OBJECT

    struct Layout {
        QTemporaryDir dir;
        QString bin() const { return dir.path() + "/bin"; }
        QString lib() const { return dir.path() + "/lib"; }
    };

    static bool prepare(Layout& l)
    {
        return QDir().mkpath(l.bin()) && QDir().mkpath(l.lib())
            && QFile::copy(MPVPROBE, l.bin() + "/mpvprobe");
    }

    static QMap<QString, QString> run(const Layout& l, const QStringList& args = {},
                                      const QString& stubMode = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVEL_STUB_MODE", stubMode);
        p.setProcessEnvironment(env);
        p.start(l.bin() + "/mpvprobe", args);
        p.waitForFinished(30000);
        QMap<QString, QString> result;
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        result["exit"] = QString::number(p.exitCode());
        for (const char* key : {"load", "path", "init"}) {
            const QRegularExpression re("^" + QString(key) + "=(.*)$", QRegularExpression::MultilineOption);
            result[QString(key)] = re.match(out).captured(1);
        }
        const int at = out.indexOf("error=");
        result["error"] = at < 0 ? QString() : out.mid(at + 6).section("<end>", 0, 0);
        // A sanitizer finding in the child fails the case that ran it.
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (err.contains("Sanitizer") || err.contains("runtime error"))
            result["exit"] = result["load"] = result["init"] = err;
        return result;
    }

    static QString canonical(const QString& dir)
    {
        return QFileInfo(dir).canonicalFilePath();
    }

private slots:
    void systemLibraryOnly()
    {
        Layout l;
        QVERIFY(prepare(l));
        const auto r = run(l);
        QCOMPARE(r["load"], QString("1"));
        QCOMPARE(r["path"], QString("libmpv.so.2"));
        QCOMPARE(r["error"], QString());
    }

    void missingSymbolIsReportedAlone()
    {
        Layout l;
        QVERIFY(prepare(l));
        QVERIFY(QFile::copy(STUB_NOSWAP, l.lib() + "/libmpv.so.2"));
        const auto r = run(l);
        QCOMPARE(r["load"], QString("0"));
        QCOMPARE(r["path"], canonical(l.bin()) + "/../lib/libmpv.so.2");
        QCOMPARE(r["error"], QString("simbolo ausente: mpv_render_context_report_swap\n"));
    }

    // A broken copy is passed over; its message goes once a later one loads.
    void brokenCandidateIsSkipped()
    {
        Layout l;
        QVERIFY(prepare(l));
        QFile broken(l.lib() + "/libmpv.so.2");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a library");
        broken.close();
        auto r = run(l);
        QCOMPARE(r["load"], QString("1"));
        QCOMPARE(r["path"], QString("libmpv.so.2"));
        QCOMPARE(r["error"], QString());

        QVERIFY(QFile::copy(STUB_NOSWAP, l.lib() + "/libmpv.so.1"));
        r = run(l);
        QCOMPARE(r["path"], canonical(l.bin()) + "/../lib/libmpv.so.1");
        QCOMPARE(r["error"], QString("simbolo ausente: mpv_render_context_report_swap\n"));
    }

    void candidateOrder()
    {
        Layout l;
        QVERIFY(prepare(l));
        QVERIFY(QFile::copy(STUB_FULL, l.bin() + "/libmpv.so.2"));
        QVERIFY(QFile::copy(STUB_FULL, l.lib() + "/libmpv.so.1"));
        auto r = run(l);
        QCOMPARE(r["load"], QString("1"));
        QCOMPARE(r["path"], canonical(l.bin()) + "/../lib/libmpv.so.1");
        QVERIFY(QFile::remove(l.lib() + "/libmpv.so.1"));
        QVERIFY(QFile::copy(STUB_FULL, l.bin() + "/libmpv.so.1"));
        r = run(l);
        QCOMPARE(r["path"], canonical(l.bin()) + "/libmpv.so.2");
    }

    void initFailureTexts()
    {
        Layout l;
        QVERIFY(prepare(l));
        QVERIFY(QFile::copy(STUB_NOSWAP, l.lib() + "/libmpv.so.2"));
        auto r = run(l, {"init"});
        QCOMPARE(r["init"], QString("0"));
        QCOMPARE(r["error"], QString("simbolo ausente: mpv_render_context_report_swap\n\n"));

        QVERIFY(QFile::remove(l.lib() + "/libmpv.so.2"));
        QVERIFY(QFile::copy(STUB_FULL, l.lib() + "/libmpv.so.2"));
        r = run(l, {"init"}, "nocreate");
        QCOMPARE(r["init"], QString("0"));
        QCOMPARE(r["error"], QString("mpv_create falhou\n"));
        r = run(l, {"init"}, "noinit");
        QCOMPARE(r["init"], QString("0"));
        QCOMPARE(r["error"], QString("mpv_initialize: stub failure\n"));
        QCOMPARE(r["exit"], QString("0"));
    }
};

ORVEL_TEST_MAIN(TestMpvLoader)
#include "tst_mpvloader.moc"
