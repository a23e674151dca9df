// The device's way back to the speakers: giving up a driver that failed, pacing the held
// blocks in real time meanwhile, and opening the wave mapper again every 2 seconds, all on
// the watchdog thread (never inside winmm's callback).
#include <algorithm>
#include <chrono>

#include "engine/win32/waveout_output_device.h"

namespace {

std::uint64_t lengthMs(std::uint32_t frames) {
    return std::uint64_t{frames} * 1000 / kSampleRate;
}

}  // namespace

std::uint64_t WaveOutDevice::nowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// The held block queued first: the one the device plays (or paces) now.
WaveOutDevice::Slot* WaveOutDevice::head() {
    Slot* first = nullptr;
    for (Slot& slot : slots_) {
        if (slot.held.load() && (first == nullptr || slot.order < first->order)) {
            first = &slot;
        }
    }
    return first;
}

// Gives the handle up: its completions no longer count, and what it held is paced from now.
// What it had played of its current block before it stopped still counts as heard.
void WaveOutDevice::loseOutput(std::uint64_t now) {
    available_ = false;
    recovery_.failed(now);
    paceStartMs_ = now;
    HWAVEOUT handle = current_.load();
    if (handle == nullptr) {
        return;
    }
    addCutFrames(handle);
    current_ = nullptr;
    waveOutReset(handle);
    waveOutClose(handle);
    for (Slot& slot : slots_) {
        slot.preparedOn = nullptr;
    }
}

// Opens the wave mapper again; once it is back, the held blocks play on it in their order.
void WaveOutDevice::reopen(std::uint64_t now) {
    if (openHandle() != MMSYSERR_NOERROR) {
        recovery_.failed(now);
        return;
    }
    recovery_.opened();
    available_ = true;
    progressMs_ = now;
    for (;;) {
        Slot* next = nullptr;
        for (Slot& slot : slots_) {
            if (slot.held.load() && slot.preparedOn == nullptr &&
                (next == nullptr || slot.order < next->order)) {
                next = &slot;
            }
        }
        if (next == nullptr) {
            return;
        }
        if (!write(*next)) {
            loseOutput(now);
            return;
        }
    }
}

// While lost, the head block counts as played (but not heard) when its time is up.
void WaveOutDevice::pace(std::uint64_t now) {
    while (recovery_.lost()) {
        Slot* first = head();
        if (first == nullptr || now < paceStartMs_ + lengthMs(first->frames)) {
            return;
        }
        paceStartMs_ += lengthMs(first->frames);
        complete(*first, false);
    }
}

void WaveOutDevice::watch() {
    Lock lock(lock_);
    while (!quit_) {
        const std::uint64_t now = nowMs();
        const Slot* first = head();
        if (!recovery_.lost() && first != nullptr &&
            OutputRecovery::overdue(now, progressMs_.load(), lengthMs(first->frames))) {
            loseOutput(now);
        }
        if (recovery_.retryDue(now)) {
            reopen(now);
        }
        pace(now);

        std::uint64_t next = recovery_.retryAtMs();
        if (const Slot* playing = head()) {
            const std::uint64_t length = lengthMs(playing->frames);
            next = std::min(next, recovery_.lost()
                                      ? paceStartMs_ + length
                                      : OutputRecovery::overdueAt(progressMs_.load(), length));
        }
        if (next == OutputRecovery::kNever) {
            wake_.wait(lock);
        } else if (next > now) {
            wake_.wait_for(lock, std::chrono::milliseconds(next - now));
        }
    }
}
