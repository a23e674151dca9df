#include "stop_signals.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "engine/auto_reset_event.h"

namespace {

volatile std::sig_atomic_t received = 0;
// Setting it is an atomic store and a futex wake-up: nothing that a signal handler may not do.
AutoResetEvent wakeUp;

extern "C" void record(int signal) {
    received = signal;
    wakeUp.set();
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

void wake() {
    wakeUp.set();
}

void waitForWake(std::chrono::milliseconds longest) {
    wakeUp.wait(
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(longest.count(), 0, INT32_MAX)));
}

void dieOf(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
