// The event as a kernel auto-reset event, so that other processes can open the playback's
// event by its name.
#include "engine/auto_reset_event.h"

#include <windows.h>

AutoResetEvent::AutoResetEvent(const char* name)
    : handle_(CreateEventA(nullptr, FALSE, FALSE, name)) {
    // A second copy of the program would get the first one's event, and each would then
    // swallow the other's wake-ups: it takes a private event instead, as it does when the
    // name is held by some other kind of object.
    if (name != nullptr && (handle_ == nullptr || GetLastError() == ERROR_ALREADY_EXISTS)) {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
        handle_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
}

AutoResetEvent::~AutoResetEvent() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

void AutoResetEvent::set() {
    SetEvent(handle_);
}

void AutoResetEvent::reset() {
    ResetEvent(handle_);
}

void AutoResetEvent::wait() {
    WaitForSingleObject(handle_, INFINITE);
}

bool AutoResetEvent::wait(std::uint32_t timeoutMs) {
    return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
}

bool AutoResetEvent::tryWait() {
    return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0;
}
