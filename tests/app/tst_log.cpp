#include "Log.h"
#include "TestEnv.h"

#include <QFile>
#include <QRegularExpression>

class TestLog : public QObject
{
    Q_OBJECT
    static void writeBytes(const QString& path, qint64 n, char fill)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(n, fill));
    }

private slots:
    void levelNamesAndLineFormat()
    {
        QCOMPARE(Log::levelName(QtDebugMsg), QString("DEBUG"));
        QCOMPARE(Log::levelName(QtWarningMsg), QString("AVISO"));
        QCOMPARE(Log::levelName(QtCriticalMsg), QString("ERRO"));
        QCOMPARE(Log::levelName(QtFatalMsg), QString("FATAL"));
        QCOMPARE(Log::levelName(QtInfoMsg), QString("INFO"));
        QCOMPARE(Log::levelName(QtMsgType(9)), QString("INFO"));
        const QDateTime when(QDate(2025, 3, 1), QTime(18, 4, 5, 123));
        QCOMPARE(Log::formatLine(when, QtWarningMsg, "olá"),
                 QString::fromUtf8("2025-03-01 18:04:05.123 [AVISO] olá\n"));
    }

    void rotationThreshold()
    {
        QTemporaryDir dir;
        const QString log = dir.path() + "/orvel.log";
        const QString old = dir.path() + "/orvel.old.log";
        writeBytes(old, 10, 'o');

        writeBytes(log, 2097152, 'a');
        Log::rotate(dir.path());
        QCOMPARE(QFileInfo(log).size(), 2097152);
        QCOMPARE(QFileInfo(old).size(), 10);

        writeBytes(log, 2097153, 'b');
        Log::rotate(dir.path());
        QVERIFY(!QFile::exists(log));
        QCOMPARE(QFileInfo(old).size(), 2097153);
    }

    void handlerAppendsUtf8Lines()
    {
        QTemporaryDir dir;
        writeBytes(dir.path() + "/orvel.log", 4, 'x');
        QtMessageHandler previous = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(previous);
        QVERIFY(Log::open(dir.path()));
        qWarning().noquote() << "aviso" << "ç";
        qInfo().noquote() << "linha" << 2;
        qInstallMessageHandler(previous);

        QFile f(dir.path() + "/orvel.log");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.startsWith("xxxx"));
        const QStringList lines = text.mid(4).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QRegularExpression line(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\w+)\] (.*)$)");
        auto m0 = line.match(lines[0]);
        QVERIFY2(m0.hasMatch(), qPrintable(lines[0]));
        QCOMPARE(m0.captured(1), QString("AVISO"));
        QCOMPARE(m0.captured(2), QString::fromUtf8("aviso ç"));
        auto m1 = line.match(lines[1]);
        QVERIFY(m1.hasMatch());
        QCOMPARE(m1.captured(1), QString("INFO"));
        QCOMPARE(m1.captured(2), QString("linha 2"));
    }
};

ORVEL_TEST_MAIN(TestLog)
#include "tst_log.moc"
