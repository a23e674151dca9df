// The sleep inhibitor through logind on the system bus: a "block" lock on "sleep" held for
// as long as the file descriptor logind returns stays open. A logind that restarts (a systemd
// upgrade) forgets every lock, so a thread of its own watches for logind's name to come back
// on the bus and asks again, while the playback goes on undisturbed.
#include "engine/sleep_inhibitor.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace {

// A bus that does not answer delays the start of the sound by at most this much.
constexpr std::uint64_t kCallTimeoutMicroseconds = 1'000'000;

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindOwnerChanged =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='org.freedesktop.login1'";

sd_bus_message* newInhibitCall(sd_bus* bus) {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(bus, &call, kLogind, "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "Inhibit") < 0 ||
        sd_bus_message_append(call, "ssss", "sleep", "Vellumtone", "Burn-in playback", "block") <
            0) {
        return sd_bus_message_unref(call);
    }
    return call;
}

// Keeps the lock a reply of Inhibit hands out in place of the one held before, which a
// restarted logind no longer honours.
void keepLock(sd_bus_message* reply, int& handle) {
    int descriptor = -1;
    if (sd_bus_message_read(reply, "h", &descriptor) < 0 || descriptor < 0) {
        return;
    }
    // The reply owns its descriptor; the lock lives in a copy of our own.
    const int copy = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (copy >= 0) {
        if (handle >= 0) {
            close(handle);
        }
        handle = copy;
    }
}

int onInhibitReply(sd_bus_message* reply, void* handle, sd_bus_error* /*error*/) {
    if (sd_bus_message_is_method_error(reply, nullptr) == 0) {
        keepLock(reply, *static_cast<int*>(handle));
    }
    return 0;
}

// logind's name has a new owner: ask it for the lock, without waiting for the answer.
int onLogindOwnerChanged(sd_bus_message* signal, void* handle, sd_bus_error* /*error*/) {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(signal, "sss", &name, &oldOwner, &newOwner) < 0 ||
        newOwner[0] == '\0') {
        return 0;
    }
    sd_bus* bus = sd_bus_message_get_bus(signal);
    sd_bus_message* call = newInhibitCall(bus);
    if (call != nullptr) {
        sd_bus_call_async(bus, nullptr, call, &onInhibitReply, handle, kCallTimeoutMicroseconds);
        sd_bus_message_unref(call);
    }
    return 0;
}

int onWakeup(sd_event_source* source, int /*fd*/, std::uint32_t /*events*/, void* /*data*/) {
    return sd_event_exit(sd_event_source_get_event(source), 0);
}

// The watch's thread: serves the bus until `wakeup` is written, then drops the connection
// without flushing it, so that release() never waits on the bus.
void watchLogind(sd_bus* bus, int wakeup) {
    sd_event* event = nullptr;
    if (sd_event_new(&event) >= 0 && sd_bus_attach_event(bus, event, 0) >= 0 &&
        sd_event_add_io(event, nullptr, wakeup, EPOLLIN, &onWakeup, nullptr) >= 0) {
        sd_event_loop(event);
    }
    sd_bus_detach_event(bus);
    sd_bus_close_unref(bus);
    sd_event_unref(event);
}

}  // namespace

void SleepInhibitor::acquire() {
    if (watch_.joinable() || handle_ >= 0) {
        return;
    }
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return;  // no system bus: play without the lock
    }
    // Subscribed before the lock is asked for, so that no restart in between goes unseen.
    const bool watched = sd_bus_add_match_async(bus, nullptr, kLogindOwnerChanged,
                                                &onLogindOwnerChanged, nullptr, &handle_) >= 0;
    sd_bus_message* call = newInhibitCall(bus);
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if (call != nullptr && sd_bus_call(bus, call, kCallTimeoutMicroseconds, &error, &reply) >= 0) {
        keepLock(reply, handle_);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);

    // Without logind now, the watch still takes the lock should it start later.
    wakeup_ = watched ? eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1;
    if (wakeup_ >= 0) {
        try {
            watch_ = std::thread(&watchLogind, bus, wakeup_);
            return;
        } catch (const std::system_error&) {
            close(wakeup_);
            wakeup_ = -1;
        }
    }
    sd_bus_close_unref(bus);
}

void SleepInhibitor::release() {
    if (watch_.joinable()) {
        eventfd_write(wakeup_, 1);
        watch_.join();
        close(wakeup_);
        wakeup_ = -1;
    }
    if (handle_ >= 0) {
        close(handle_);
        handle_ = -1;
    }
}
