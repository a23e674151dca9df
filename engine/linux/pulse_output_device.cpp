#include "engine/linux/pulse_output_device.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::uint64_t kBytesPerSecond = std::uint64_t{kSampleRate} * kBytesPerFrame;

constexpr std::uint32_t bytesOfMs(std::uint32_t ms) {
    return static_cast<std::uint32_t>(kBytesPerSecond * ms / 1000);
}

// The server holds up to 2 s and asks for more once 980 ms are free: about one request a
// second, each a few blocks of libpulse's memory pool that the server hands back as it plays
// them, so the process wakes about six times a second while playing. Without latency
// adjustment the server runs the sink 2000 - 2 x 980 = 40 ms ahead, which is all of a stop
// that a sink without rewinds can still play after a flush.
constexpr std::uint32_t kServerBufferMs = 2000;

void releaseOperation(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

}  // namespace

std::optional<DeviceError> PulseOutputDevice::start() {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        return DeviceError::NoMemory;
    }
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    pa_threaded_mainloop_lock(loop_);
    pacer_ = api->time_new(api, nullptr, &PulseOutputDevice::onPace, this);
    retry_ = api->time_new(api, nullptr, &PulseOutputDevice::onRetry, this);
    if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_unlock(loop_);
        return DeviceError::NoMemory;
    }
    connectContext();
    while (connecting_) {
        pa_threaded_mainloop_wait(loop_);
    }
    const bool ready = available_.load();
    pa_threaded_mainloop_unlock(loop_);
    if (!ready) {
        return DeviceError::NoDriver;
    }
    return std::nullopt;
}

PulseOutputDevice::~PulseOutputDevice() {
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    for (pa_time_event* event : {pacer_, retry_}) {
        if (event != nullptr) {
            api->time_free(event);
        }
    }
    dropStream();
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void PulseOutputDevice::unprepare(BlockHeader& header) {
    if ((header.flags.load() & kBlockQueued) == 0) {
        header.flags &= ~kBlockPrepared;
    }
}

void PulseOutputDevice::queue(BlockHeader& header) {
    pa_threaded_mainloop_lock(loop_);
    queue_.push(header);
    if (streamReady()) {
        cork(false);
        fill(pa_stream_writable_size(stream_));
    } else if (stream_ == nullptr && contextReady_ && !streamBroken_) {
        openStream(false);
    } else if (stream_ == nullptr) {
        startPacing();
    }
    pa_threaded_mainloop_unlock(loop_);
}

void PulseOutputDevice::flush() {
    BlockQueue::Blocks returned{};
    pa_threaded_mainloop_lock(loop_);
    const std::size_t n = queue_.takeAll(returned);
    if (streamReady()) {
        // Drops what the server holds, then corks: nothing is left to play.
        closeTally();
        releaseOperation(pa_stream_flush(stream_, nullptr, nullptr));
        cork(true);
        flushed_ = true;
    }
    disarmTimer(pacer_);
    pacing_ = false;
    pa_threaded_mainloop_unlock(loop_);
    // Reported outside the lock: a completion may wake a thread that queues at once.
    BlockQueue::handBack(returned, n, this, done_);
}

void PulseOutputDevice::openStream(bool corked) {
    const pa_sample_spec spec{PA_SAMPLE_S16LE, kSampleRate, static_cast<std::uint8_t>(kChannels)};
    stream_ = pa_stream_new(context_, "Burn-in signal", &spec, nullptr);
    if (stream_ == nullptr) {
        streamLost();
        return;
    }
    pa_stream_set_state_callback(stream_, &PulseOutputDevice::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutputDevice::onWrite, this);
    pa_stream_set_underflow_callback(stream_, &PulseOutputDevice::onUnderflow, this);
    pa_stream_set_latency_update_callback(stream_, &PulseOutputDevice::onTiming, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = bytesOfMs(kServerBufferMs);
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = bytesOfMs(kRequestMs);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    corked_ = corked;
    // Timing kept up to date by libpulse and interpolated between updates: the tally and the
    // rests ask how much of what was written still waits at the server. Without a sink name
    // the stream plays on the default sink and follows it when it changes; a named sink is
    // kept, never swapped for the default when it goes away.
    const int flags = PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                      (corked ? PA_STREAM_START_CORKED : 0) |
                      (sink_.empty() ? 0 : PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_playback(stream_, sink_.empty() ? nullptr : sink_.c_str(), &attributes,
                                   static_cast<pa_stream_flags_t>(flags), nullptr, nullptr) < 0) {
        streamLost();
    }
}

void PulseOutputDevice::dropStream() {
    if (stream_ != nullptr) {
        closeTally();
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
        pa_stream_set_latency_update_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
        flushed_ = false;
    }
}

void PulseOutputDevice::streamLost() {
    dropStream();
    connecting_ = false;
    pa_threaded_mainloop_signal(loop_, 0);
    available_ = false;
    if (contextReady_) {
        streamBroken_ = true;
        startPacing();
        armRetry();
    }
}

void PulseOutputDevice::onStreamState(pa_stream* stream, void* self) {
    auto* device = static_cast<PulseOutputDevice*>(self);
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            device->connecting_ = false;
            pa_threaded_mainloop_signal(device->loop_, 0);
            device->streamBroken_ = false;
            device->available_ = true;
            device->disarmTimer(device->pacer_);
            device->pacing_ = false;
            if (!device->queue_.empty()) {
                device->cork(false);
                device->fill(pa_stream_writable_size(stream));
            }
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            device->streamLost();
            break;
        default:
            break;
    }
}

bool PulseOutputDevice::streamReady() const {
    return stream_ != nullptr && pa_stream_get_state(stream_) == PA_STREAM_READY;
}

void PulseOutputDevice::cork(bool corked) {
    if (corked_ != corked) {
        // The server answered up to now: a lost stream's guess starts here.
        confirmTally();
        corked_ = corked;
        releaseOperation(pa_stream_cork(stream_, corked ? 1 : 0, nullptr, nullptr));
    }
}

void PulseOutputDevice::onWrite(pa_stream* /*stream*/, std::size_t bytes, void* self) {
    auto* device = static_cast<PulseOutputDevice*>(self);
    // The server asks for more: it lives and plays.
    device->confirmTally();
    device->fill(bytes);
}

void PulseOutputDevice::onTiming(pa_stream* /*stream*/, void* self) {
    // The server has answered libpulse's timing request: it lives.
    static_cast<PulseOutputDevice*>(self)->confirmTally();
}

// Copies queued blocks into buffers of libpulse's own memory pool: no allocation, no waiting.
// A block is done once its last byte is with the server.
void PulseOutputDevice::fill(std::size_t bytes) {
    if (bytes == static_cast<std::size_t>(-1)) {
        return;  // the stream is failing; its state callback follows
    }
    const std::uint64_t before = written_;
    while (bytes > 0 && !queue_.empty()) {
        void* buffer = nullptr;
        std::size_t room = bytes;
        if (pa_stream_begin_write(stream_, &buffer, &room) < 0 || buffer == nullptr) {
            return;
        }
        const std::size_t used = queue_.read(buffer, std::min(room, bytes), this, done_);
        pa_stream_write(stream_, buffer, used, nullptr, 0, PA_SEEK_RELATIVE);
        written_ += used / kBytesPerFrame;
        bytes -= used;
    }
    if (written_ > before && std::exchange(flushed_, false)) {
        // After a flush the server waits for a full buffer before it plays again, which the
        // one block queued before a volume pause never fills: it plays as soon as it is there.
        releaseOperation(pa_stream_trigger(stream_, nullptr, nullptr));
    }
}

void PulseOutputDevice::onUnderflow(pa_stream* /*stream*/, void* self) {
    auto* device = static_cast<PulseOutputDevice*>(self);
    // The server has played everything: idle until the next block, so the sink may sleep.
    if (device->queue_.empty()) {
        device->cork(true);
    }
}

OpenResult openPulseOutputDevice(CompletionCallback done, const std::string& sink) {
    OpenResult result;
    std::unique_ptr<PulseOutputDevice> device(new (std::nothrow) PulseOutputDevice(done, sink));
    if (!device) {
        result.error = deviceErrorText(DeviceError::NoMemory);
        return result;
    }
    const std::optional<DeviceError> error = device->start();
    if (error) {
        result.error = deviceErrorText(*error);
    }
    if (error != DeviceError::NoMemory) {
        result.device = std::move(device);
    }
    return result;
}
