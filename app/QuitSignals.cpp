#include "QuitSignals.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is read on the GUI thread, [1] written by the handler. Both stay open
// until the process ends: a signal may come at any moment, even after the
// notifier is gone.
int g_pair[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;

// Runs on whatever thread the signal hits: only async-signal-safe calls.
// A SIGTERM or SIGINT after the first signal comes from someone whose quit
// did not end: it gets its default action, which ends the process.
void handleSignal(int number)
{
    if (g_received && number != SIGHUP) {
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    g_received = 1;
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pair[1], &byte, 1);
    errno = saved;
}

void install(int number)
{
    struct sigaction old = {};
    if (::sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
        return;
    struct sigaction action = {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

// Every byte waiting; the last signal's number, 0 when none was there.
int drain()
{
    int last = 0;
    char byte = 0;
    while (::read(g_pair[0], &byte, 1) == 1)
        last = static_cast<unsigned char>(byte);
    return last;
}

}  // namespace

namespace QuitSignals {

std::unique_ptr<QSocketNotifier> watch(QObject* context, std::function<void(int)> onSignal)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pair) != 0) {
        qWarning().noquote() << "sinais de encerramento sem tratamento:" << std::strerror(errno);
        return nullptr;
    }
    auto notifier = std::make_unique<QSocketNotifier>(g_pair[0], QSocketNotifier::Read);
    QSocketNotifier* raw = notifier.get();
    QObject::connect(raw, &QSocketNotifier::activated, context, [raw, onSignal] {
        const int number = drain();
        if (number == 0)
            return;
        raw->setEnabled(false);
        onSignal(number);
    });
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        install(number);
    return notifier;
}

}  // namespace QuitSignals
