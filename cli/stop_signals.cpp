#include "stop_signals.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t received = 0;
// A counter whose every increment wakes the poll on it, from a signal handler too.
int wakeCounter = -1;

extern "C" void record(int signal) {
    received = signal;
    wake();
}

}  // namespace

void watchStopSignals() {
    // Without it (no descriptor left), waits only time out.
    wakeCounter = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // Looked at first, so that an ignored one is never caught even for a moment. glibc's
        // signal() keeps the handler and restarts interrupted calls.
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            std::signal(signal, record);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

int stopSignal() {
    return received;
}

void wake() {
    const int saved = errno;
    eventfd_write(wakeCounter, 1);
    errno = saved;
}

void waitForWake(int ms) {
    pollfd ready{wakeCounter, POLLIN, 0};
    eventfd_t count = 0;
    if (poll(&ready, 1, ms) > 0) {
        eventfd_read(wakeCounter, &count);  // back to 0: every wake-up so far is seen
    }
}

void dieOf(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
