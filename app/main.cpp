#include "Actions.h"
#include "App.h"
#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "Log.h"
#include "MainWindow.h"
#include "MpvApi.h"
#include "PlayerCore.h"
#include "QuitSignals.h"
#include "Screenshots.h"
#include "SelfTest.h"
#include "SingleInstance.h"
#include "TestMode.h"
#include "TestRun.h"
#include "Theme.h"
#include "WebAddresses.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLocalServer>
#include <QMessageBox>
#include <QNetworkProxyFactory>
#include <QSocketNotifier>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// "--version" is answered before anything else, so that it works without a
// display and leaves no trace.
bool askedForVersion(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0)
            return true;
    return false;
}

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvel"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(WebAddresses::kVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvel"));
}

// A library that could not be opened, or that was damaged and replaced by
// an empty one, is told to the user: otherwise their library, playlists and
// history would just be gone.
void openDatabase()
{
    Database* db = Database::instance();
    QString text;
    if (!db->open())
        text = L("Não foi possível abrir o banco da biblioteca. O histórico não será salvo.",
                 "Could not open the library database. History will not be saved.");
    else if (db->isReadOnly())
        text = L("A pasta de dados do Orvel não permite gravar: a biblioteca foi aberta só para leitura. "
                 "Mudanças, histórico e playlists não serão guardados.",
                 "Orvel's data folder cannot be written: the library was opened read-only. "
                 "Changes, history and playlists will not be kept.");
    else if (!db->setAsideFile().isEmpty())
        text = L("A biblioteca estava danificada e foi guardada como %1. Uma biblioteca nova foi criada.",
                 "The library database was damaged and was kept as %1. A new, empty library was started.")
                   .arg(QFileInfo(db->setAsideFile()).fileName());
    if (!text.isEmpty())
        QMessageBox::warning(nullptr, QStringLiteral("Orvel"), text, QMessageBox::Ok);
}

// A settings file that could not be read was kept aside, and the settings
// start from their defaults: the user hears where the old file went.
void tellSettingsSetAside()
{
    const QString kept = App::settingsSetAside();
    if (kept.isEmpty())
        return;
    QMessageBox::warning(nullptr, QStringLiteral("Orvel"),
                         L("O arquivo de configurações estava ilegível e foi guardado como %1. As configurações "
                           "voltaram ao padrão.",
                           "The settings file could not be read and was kept as %1. The settings are back to "
                           "their defaults.")
                             .arg(QFileInfo(kept).fileName()),
                         QMessageBox::Ok);
}

bool startEngine(PlayerCore& core)
{
    QString error;
    if (core.init(&error)) {
        qInfo().noquote() << "libmpv carregada de" << mpv()->path << "api"
                          << QString::number(mpv()->client_api_version(), 16);
        return true;
    }
    qCritical().noquote() << "motor de video nao iniciou:" << error;
    // Only the Portuguese text names the download page.
    const QString text = (Lang::englishFlag()
                              ? QStringLiteral("The playback engine (libmpv) was not found or failed to start.\n\n"
                                               "Please reinstall Orvel.\n\nDetails: ")
                              : QStringLiteral("O motor de reprodução (libmpv) não foi encontrado ou não iniciou.\n\n"
                                               "Reinstale o Orvel pelo site ")
                                  + QString::fromLatin1(WebAddresses::kProductPage)
                                  + QStringLiteral(".\n\nDetalhe: "))
        + error;
    QMessageBox::critical(nullptr, QStringLiteral("Orvel"), text, QMessageBox::Ok);
    return false;
}

// A signal ends the program as the Quit command does: the position, the
// window and the volume are saved, and it quits even when closing the window
// would only hide it to the tray.
void quitOnSignal(int number)
{
    qInfo().noquote() << "sinal" << number << "recebido, encerrando";
    if (QAction* quit = Actions::instance()->actions.value(QStringLiteral("quit")))
        quit->trigger();
    else
        QCoreApplication::quit();
}

// A second start whose files did not reach the running player says so: the
// player itself may never hear of them.
int handOverFailed()
{
    Lang::englishFlag() =
        App::get(QStringLiteral("ui/language"), QStringLiteral("pt")).toString() == QLatin1String("en");
    std::fputs(qUtf8Printable(L("Orvel: o Orvel aberto está ocupado e não recebeu os arquivos. Tente de novo.\n",
                                "Orvel: the running Orvel is busy and did not take the files. Please try again.\n")),
               stderr);
    return 1;
}

// Lists that other starts handed over while this one was still starting:
// they are opened with this start's own files, as one queue, and from then
// on go straight to the window.
struct Arrivals
{
    MainWindow* window = nullptr;
    QStringList early;
    bool cutOff = false;

    void receive(const QStringList& list)
    {
        if (window)
            window->openFromCommandLine(list, true);
        else
            early += list;
    }
    void receiveCutOff()
    {
        if (window)
            toastCutOff(window);
        else
            cutOff = true;
    }
    static void toastCutOff(MainWindow* w)
    {
        w->toast(L("Uma lista de arquivos de outra abertura chegou incompleta e não foi aberta",
                   "A list of files from another start arrived cut off and was not opened"));
    }
};

void startMode(TestMode::Mode mode, const QStringList& args, MainWindow* window, PlayerCore* core,
               Arrivals* arrivals)
{
    if (mode == TestMode::Screenshots) {
        runScreenshots(window, core, args.value(1), args.value(2));
    } else if (mode == TestMode::SelfTest) {
        runSelfTest(window, core, args.value(1), args.mid(2));
    } else {
        QTimer::singleShot(200, window, [window, args, arrivals] {
            const QStringList all = args + arrivals->early;
            arrivals->early.clear();
            arrivals->window = window;
            if (arrivals->cutOff)
                Arrivals::toastCutOff(window);
            if (!all.isEmpty())
                window->openFromCommandLine(all, false);
        });
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (askedForVersion(argc, argv)) {
        std::printf("Orvel %s\n", WebAddresses::kVersion);
        return 0;
    }
    App::setupOpenGl();
    QApplication app(argc, argv);
    setIdentity();
    std::setlocale(LC_NUMERIC, "C");
    // The desktop's proxy settings (and http_proxy/https_proxy) apply to
    // the radio directory, logos and the update check.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    const QStringList args = QCoreApplication::arguments().mid(1);
    const TestMode::Mode mode = TestMode::fromArguments(args);
    TestMode::prepare(mode, args);
    // A test run beside the user's player leaves its socket alone. A normal
    // start listens at once, before the heavy set-up, so that a start right
    // after it hands over instead of becoming a second player.
    Arrivals arrivals;
    SingleInstance::Start instance;
    if (mode == TestMode::None) {
        instance = SingleInstance::handOverOrListen(
            args, &app, [&arrivals](const QStringList& list) { arrivals.receive(list); },
            [&arrivals] { arrivals.receiveCutOff(); });
        if (instance.handedOver)
            return instance.delivered ? 0 : handOverFailed();
    }

    Log::open(App::subDir(QStringLiteral("logs")));
    qInfo().noquote() << "Orvel" << WebAddresses::kVersion << "iniciando, Qt" << qVersion();
    if (!instance.note.isEmpty())
        qWarning().noquote() << instance.note;
    Lang::englishFlag() =
        App::get(QStringLiteral("ui/language"), QStringLiteral("pt")).toString() == QLatin1String("en");
    if (!Lang::englishFlag())
        Lang::installToolkitTranslation();
    Theme::apply(app);
    QApplication::setWindowIcon(Icons::appIcon());
    Covers::setIconSource(&Icons::pixmap);
    tellSettingsSetAside();
    openDatabase();

    auto core = std::make_unique<PlayerCore>();
    if (!startEngine(*core))
        return 1;
    auto window = std::make_unique<MainWindow>(core.get());
    MainWindow* w = window.get();
    std::unique_ptr<QSocketNotifier> quitSignals = QuitSignals::watch(w, quitOnSignal);
    window->show();
    startMode(mode, args, w, core.get(), &arrivals);

    const int code = TestRun::exitCode(QApplication::exec());
    qInfo().noquote() << "encerrado";
    quitSignals.reset();
    instance.server.reset();
    arrivals.window = nullptr;
    window.reset();
    core.reset();
    return code;
}
