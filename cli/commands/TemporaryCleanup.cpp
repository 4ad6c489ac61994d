#include "commands/TemporaryCleanup.h"

#include "sound/files/AtomicSave.h"

#include <csignal>

namespace tessarine::host {

namespace {

void removeTemporariesAndEnd(int signal)
{
    AtomicSave::removeTemporariesNow();
    // The handler was reset to the default on entry and the signal is not
    // blocked inside it: raising it again ends the process as it would have.
    ::raise(signal);
}

} // namespace

void removeTemporariesOnFatalSignals()
{
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndEnd;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            ::sigaction(signal, &action, nullptr);
        }
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

} // namespace tessarine::host
