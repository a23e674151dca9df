// The sleep inhibitor through logind on the system bus: a "block" lock on "sleep" held for
// as long as the file descriptor logind returns stays open.
#include "engine/sleep_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>

namespace {

// A bus that does not answer delays the start of the sound by at most this much.
constexpr std::uint64_t kCallTimeoutMicroseconds = 1'000'000;

}  // namespace

void SleepInhibitor::acquire() {
    if (handle_ >= 0) {
        return;
    }
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return;  // no system bus: play without the lock
    }
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if (sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1",
                                       "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                       "Inhibit") >= 0 &&
        sd_bus_message_append(call, "ssss", "sleep", "Vellumtone", "Burn-in playback", "block") >=
            0 &&
        sd_bus_call(bus, call, kCallTimeoutMicroseconds, &error, &reply) >= 0) {
        int descriptor = -1;
        // The reply owns its descriptor; the lock lives in a copy of our own.
        if (sd_bus_message_read(reply, "h", &descriptor) >= 0 && descriptor >= 0) {
            handle_ = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
        }
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
}

void SleepInhibitor::release() {
    if (handle_ >= 0) {
        close(handle_);
        handle_ = -1;
    }
}
