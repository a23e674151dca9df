#include "stop_signals.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t received = 0;

extern "C" void record(int signal) {
    received = signal;
}

}  // namespace

void watchStopSignals() {
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

void dieOf(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
