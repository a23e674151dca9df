#include "stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t received = 0;
// A pipe to oneself: a byte written wakes the poll on the other end, from a signal handler too.
int wakePipe[2] = {-1, -1};

extern "C" void record(int signal) {
    received = signal;
    wake();
}

}  // namespace

void watchStopSignals() {
    // Without it (no descriptor left), waits only time out.
    [[maybe_unused]] const int piped = pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK);
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
    [[maybe_unused]] const ssize_t n = write(wakePipe[1], "", 1);  // a full pipe wakes already
    errno = saved;
}

void waitForWake(int ms) {
    pollfd ready{wakePipe[0], POLLIN, 0};
    if (poll(&ready, 1, ms) > 0) {
        char drained[64];
        while (read(wakePipe[0], drained, sizeof drained) > 0) {
        }
    }
}

void dieOf(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
