// What the listener heard of the device's sound: the frames written to the server, less what
// the server still buffers, as its timing info tells, and less what a flush dropped or the
// server took with it when it went away.
#include <pulse/pulseaudio.h>

#include <algorithm>

#include "engine/linux/pulse_output_device.h"

namespace {

std::uint64_t framesOfUs(pa_usec_t microseconds) {
    return microseconds * kSampleRate / 1'000'000;
}

}  // namespace

std::uint64_t PulseOutputDevice::heardFrames() const {
    if (loop_ == nullptr) {
        return 0;
    }
    pa_threaded_mainloop_lock(loop_);
    refreshTally();
    const std::uint64_t heard = heardBefore_ + streamHeard_;
    pa_threaded_mainloop_unlock(loop_);
    return heard;
}

std::uint64_t PulseOutputDevice::pendingFrames() const {
    if (loop_ == nullptr) {
        return 0;
    }
    pa_threaded_mainloop_lock(loop_);
    refreshTally();
    const std::uint64_t pending = written_ - streamHeard_ + queue_.bytesLeft() / kBytesPerFrame;
    pa_threaded_mainloop_unlock(loop_);
    return pending;
}

void PulseOutputDevice::refreshTally() const {
    pa_usec_t latency = 0;
    int negative = 0;
    // Fails until the first timing update, and again after a flush until the next one: the
    // frames written meanwhile count as waiting.
    if (!streamReady() || pa_stream_get_latency(stream_, &latency, &negative) != 0) {
        return;
    }
    // A negative latency: the server has played past what was written (an underrun).
    const std::uint64_t buffered = std::min(negative != 0 ? 0 : framesOfUs(latency), written_);
    // Nothing plays faster than real time since the server's last sign of life. libpulse
    // interpolates on as if the server never stopped: after this process itself was stopped
    // (a suspend, SIGSTOP) it takes the server's running dry for playing on.
    const std::uint64_t bound = heardWhenAlive_ + framesOfUs(pa_rtclock_now() - aliveAtUs_);
    streamHeard_ = std::max(streamHeard_, std::min(written_ - buffered, bound));
}

void PulseOutputDevice::confirmTally() {
    refreshTally();
    heardWhenAlive_ = streamHeard_;
    aliveAtUs_ = pa_rtclock_now();
}

void PulseOutputDevice::closeTally() {
    // The server (or the stream) is gone, and libpulse may have noticed late, interpolating
    // all the while as if it still played: its timing is not asked. While playing, the server
    // asks for more every kRequestMs, so it died within that long of its last sign of life;
    // half of it is a guess never further off than that half.
    if ((!contextReady_ || !streamReady()) && !corked_) {
        const std::uint64_t since =
            std::min<std::uint64_t>(pa_rtclock_now() - aliveAtUs_, kRequestMs * 1000 / 2);
        streamHeard_ = std::min(written_, heardWhenAlive_ + framesOfUs(since));
    } else {
        refreshTally();
    }
    heardBefore_ += streamHeard_;
    written_ = 0;
    streamHeard_ = 0;
    heardWhenAlive_ = 0;
    aliveAtUs_ = pa_rtclock_now();
}
