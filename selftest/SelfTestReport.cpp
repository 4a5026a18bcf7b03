#include "SelfTestReport.h"

#include "TestRun.h"

#include <QTextStream>

#include <cstdio>

SelfTestReport::SelfTestReport(const QString& path, QObject* parent)
    : QObject(parent), m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "FALHA: não foi possível abrir %s\n", qPrintable(path));
        TestRun::fail();
    }
}

void SelfTestReport::line(const QString& text)
{
    if (!m_file.isOpen())
        return;
    {
        QTextStream out(&m_file);
        out << text << "\n";
    }
    m_file.flush();
}

bool SelfTestReport::check(const QString& label, bool ok, const QString& expected, const QString& found)
{
    ++m_checks;
    if (!ok)
        fault(label, QStringLiteral("expected ") + expected + QStringLiteral(", found ") + found);
    return ok;
}

void SelfTestReport::skip(const QString& label, const QString& why)
{
    line(QStringLiteral("PULADA [") + label + QStringLiteral("] ") + why);
}

void SelfTestReport::fault(const QString& label, const QString& what)
{
    ++m_failures;
    TestRun::fail();
    const QString text = QStringLiteral("FALHA [") + label + QStringLiteral("] ") + oneLine(what);
    line(text);
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

QString SelfTestReport::oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}
