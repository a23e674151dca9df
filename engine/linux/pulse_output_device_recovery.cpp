// The device's way back to the speakers: connecting to the server, noticing that it went
// away, pacing the queued blocks in real time meanwhile, and trying again every 2 seconds.
#include <pulse/pulseaudio.h>

#include "engine/linux/pulse_output_device.h"
#include "engine/stream_properties.h"

namespace {

constexpr std::uint64_t kBytesPerSecond = std::uint64_t{kSampleRate} * kBytesPerFrame;
constexpr std::uint64_t kRetryMicroseconds = 2'000'000;

}  // namespace

void PulseOutputDevice::connectContext() {
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Vellumtone");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "vellumtone");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, kStreamIconName);
    // The server hands the client's properties down to its streams.
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, kStreamRole);
    context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Vellumtone", properties);
    pa_proplist_free(properties);
    if (context_ == nullptr) {
        armRetry();
        return;
    }
    pa_context_set_state_callback(context_, &PulseOutputDevice::onContextState, this);
    connecting_ = true;
    // Only the first attempt may start a server; later ones wait for the session's own.
    const auto flags = attempted_ ? PA_CONTEXT_NOAUTOSPAWN : PA_CONTEXT_NOFLAGS;
    attempted_ = true;
    if (pa_context_connect(context_, nullptr, flags, nullptr) < 0) {
        contextLost();
    }
}

void PulseOutputDevice::contextLost() {
    connecting_ = false;
    contextReady_ = false;
    available_ = false;
    dropStream();
    streamBroken_ = false;
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    startPacing();
    armRetry();
    pa_threaded_mainloop_signal(loop_, 0);
}

void PulseOutputDevice::onContextState(pa_context* context, void* self) {
    auto* device = static_cast<PulseOutputDevice*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            device->contextReady_ = true;
            // A stream proves there is somewhere to play: opened corked while idle.
            device->openStream(device->queue_.empty());
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            device->contextLost();
            break;
        default:
            break;
    }
}

void PulseOutputDevice::armTimer(pa_time_event* event, std::uint64_t microseconds) {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, microseconds);
    pa_threaded_mainloop_get_api(loop_)->time_restart(event, &when);
}

void PulseOutputDevice::disarmTimer(pa_time_event* event) {
    pa_threaded_mainloop_get_api(loop_)->time_restart(event, nullptr);
}

// While nothing can play, the head block counts as played when its time is up.
void PulseOutputDevice::startPacing() {
    if (!pacing_ && !queue_.empty()) {
        pacing_ = true;
        armTimer(pacer_, queue_.headLeft() * 1'000'000 / kBytesPerSecond);
    }
}

void PulseOutputDevice::onPace(pa_mainloop_api* /*api*/, pa_time_event* /*event*/,
                               const timeval* /*tv*/, void* self) {
    auto* device = static_cast<PulseOutputDevice*>(self);
    device->pacing_ = false;
    if (device->streamReady() || device->queue_.empty()) {
        return;
    }
    device->queue_.completeHead(device, device->done_);
    device->startPacing();
}

void PulseOutputDevice::armRetry() {
    if (!retrying_) {
        retrying_ = true;
        armTimer(retry_, kRetryMicroseconds);
    }
}

void PulseOutputDevice::onRetry(pa_mainloop_api* /*api*/, pa_time_event* /*event*/,
                                const timeval* /*tv*/, void* self) {
    auto* device = static_cast<PulseOutputDevice*>(self);
    device->retrying_ = false;
    if (device->context_ == nullptr) {
        device->connectContext();
    } else if (device->contextReady_ && device->stream_ == nullptr) {
        device->openStream(device->queue_.empty());
    }
}
