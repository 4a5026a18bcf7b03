#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QNetworkProxyFactory>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {
TestEnv* g_current = nullptr;

// The private folder is removed at the very end of the process, after the
// program's own statics (the settings object writes itself back when it is
// destroyed, after main has returned, and would re-create the folder).
std::string& folderToRemove()
{
    static std::string path;
    return path;
}

void removeFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folderToRemove(), ignored);
}

void setDefault(const char* name, const QByteArray& value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}
}

TestEnv::TestEnv() : m_dir(QDir::tempPath() + QStringLiteral("/orvel-test-XXXXXX"))
{
    g_current = this;
    const QByteArray root = QFile::encodeName(m_dir.path());
    m_dir.setAutoRemove(false);
    folderToRemove() = root.toStdString();
    std::atexit(removeFolder);
    for (const char* sub : {"home", "data", "config", "cache", "runtime"})
        QDir().mkpath(m_dir.path() + QLatin1Char('/') + QLatin1String(sub));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", root + "/home");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    const QByteArray user = "orveltest-" + QByteArray::number(getpid()) + "-"
        + QByteArray::number(QRandomGenerator::global()->generate() % 100000);
    qputenv("USER", user);
    qunsetenv("USERNAME");
    setDefault("QT_QPA_PLATFORM", "offscreen");
    setDefault("ORVEL_OPT", "vo=null;ao=null");
    setDefault("ORVEL_HWDEC", "no");
    // No test reaches the internet: a proxy on the discard port fails every
    // request at once. FakeWeb sets its own application proxy over this.
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"})
        qputenv(name, "http://127.0.0.1:9");
    for (const char* name : {"no_proxy", "NO_PROXY"})
        qputenv(name, "localhost,127.0.0.1");
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QStandardPaths::setTestModeEnabled(true);
}

TestEnv::~TestEnv()
{
    g_current = nullptr;
}

TestEnv* TestEnv::current()
{
    return g_current;
}
