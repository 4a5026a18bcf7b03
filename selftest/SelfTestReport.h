#pragma once

#include <QFile>
#include <QObject>
#include <QString>

// "relatorio.txt" of the self-test: one line per entry, flushed as written,
// and the checks the run makes, whose failures also go to standard error.
// A child of the window, so it closes with the program.
class SelfTestReport : public QObject
{
    Q_OBJECT
public:
    SelfTestReport(const QString& path, QObject* parent);

    bool isOpen() const { return m_file.isOpen(); }
    void line(const QString& text);

    // Counts one check; a failed one writes
    // "FALHA [label] expected …, found …".
    bool check(const QString& label, bool ok, const QString& expected, const QString& found);
    void skip(const QString& label, const QString& why);
    // Reports a fault that is not a comparison (a capture not saved).
    void fault(const QString& label, const QString& what);

    int checks() const { return m_checks; }
    int failures() const { return m_failures; }

    // Line breaks in media texts become blanks: one report line, one entry.
    static QString oneLine(QString text);

private:
    QFile m_file;
    int m_checks = 0;
    int m_failures = 0;
};
