#pragma once

#include <functional>
#include <memory>

class QObject;
class QSocketNotifier;

// SIGTERM (a plain kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (the
// terminal went away) turned into a call on the GUI thread, so that the
// program can end as its Quit command does. The handler itself only writes
// the signal's number to a socket pair; a notifier reads it there.
namespace QuitSignals {

// Installs the handlers and returns the notifier, which calls onSignal with
// the signal's number on context's thread; null when no socket pair could be
// made (the signals then keep their default action). A signal that this
// process was started with ignored (SIGHUP under nohup, SIGINT in a
// background job) stays ignored. Only the first signal is passed on: a
// SIGHUP after it (a closed terminal may send two) changes nothing, and a
// SIGTERM or SIGINT after it ends the process at once, for a quit that
// hangs.
std::unique_ptr<QSocketNotifier> watch(QObject* context, std::function<void(int)> onSignal);

}  // namespace QuitSignals
