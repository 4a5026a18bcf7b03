#pragma once

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// Gives one test process a private world: a temporary HOME and XDG folders,
// a unique user name for the single-instance socket, Qt's test-mode paths,
// the engine settings that run libmpv without a display or sound card, and
// a dead proxy (127.0.0.1:9) for every HTTP(S) request: no test reaches the
// internet. FakeWeb replaces that proxy with its own.
// Construct it before the application object.
class TestEnv
{
public:
    TestEnv();
    ~TestEnv();

    QString root() const { return m_dir.path(); }
    static TestEnv* current();

private:
    QTemporaryDir m_dir;
};

// Like QTEST_MAIN, with the isolation above and the program's identity.
#define ORVEL_TEST_MAIN(TestObject)                                              \
    int main(int argc, char** argv)                                              \
    {                                                                            \
        TestEnv env;                                                             \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);        \
        QApplication app(argc, argv);                                            \
        QCoreApplication::setApplicationName(QStringLiteral("Orvel"));          \
        QCoreApplication::setOrganizationName(QStringLiteral("velloran"));      \
        TestObject tc;                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                               \
        return QTest::qExec(&tc, argc, argv);                                    \
    }
