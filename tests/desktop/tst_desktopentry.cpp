#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QSvgRenderer>

namespace {
QString runTool(const QString& program, const QStringList& args, int* code)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.waitForFinished(120000);
    *code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

QMap<QString, QString> readEntry(const QString& path)
{
    QFile file(path);
    QMap<QString, QString> keys;
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            keys.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return keys;
}
}  // namespace

// `cmake --install` puts the program, the desktop entry that MPRIS names
// ("orvel") and the icon that entry names in the usual layout, and the entry
// passes the desktop's own validator.
class TestDesktopEntry : public QObject
{
    Q_OBJECT
    QTemporaryDir m_prefix;

private slots:
    void installedAndValid()
    {
        int code = 0;
        const QString log = runTool(ORVEL_CMAKE, {"--install", ORVEL_BUILD_DIR, "--prefix", m_prefix.path()}, &code);
        QVERIFY2(code == 0, qPrintable(log));
        const QString root = m_prefix.path();
        QVERIFY(QFileInfo(root + "/bin/orvel").isExecutable());
        QVERIFY(QSvgRenderer(root + "/share/icons/hicolor/scalable/apps/orvel.svg").isValid());

        const QString entry = root + "/share/applications/orvel.desktop";
        const QString report = runTool("desktop-file-validate", {entry}, &code);
        QVERIFY2(code == 0 && report.isEmpty(), qPrintable(report));
        const QMap<QString, QString> keys = readEntry(entry);
        QCOMPARE(keys.value("Name"), QString("Orvel"));
        QCOMPARE(keys.value("Exec"), QString("orvel %U"));
        QCOMPARE(keys.value("Icon"), QString("orvel"));
        const QStringList mime = keys.value("MimeType").split(';', Qt::SkipEmptyParts);
        for (const char* type : {"audio/mpeg", "audio/flac", "video/mp4", "video/x-matroska"})
            QVERIFY2(mime.contains(type), type);
    }
};

ORVEL_TEST_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
