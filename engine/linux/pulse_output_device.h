#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "engine/block_queue.h"
#include "engine/output_device.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;

// The default output on Linux: a playback stream on the PulseAudio server (or PipeWire's),
// driven by libpulse's threaded main loop. The stream exists only once something was queued
// and is corked whenever nothing is left to play, so an idle program causes no audio
// wake-ups. The server buffers two seconds, so the process wakes a few times a second;
// a flush drops what the server holds too, so a stop is heard at once regardless of that
// buffer. Without a server the device keeps completing blocks at real-time pace, so a
// playback keeps its schedule, and it reconnects every 2 seconds.
//
// All state below is guarded by the main loop's lock: libpulse holds it around every
// callback, and queue() and flush() take it on their threads for a few instructions.
class PulseOutputDevice final : public OutputDevice {
  public:
    // An empty sink: the server's default output, followed when it changes.
    PulseOutputDevice(CompletionCallback done, std::string sink)
        : done_(done), sink_(std::move(sink)) {}
    ~PulseOutputDevice() override;

    PulseOutputDevice(const PulseOutputDevice&) = delete;
    PulseOutputDevice& operator=(const PulseOutputDevice&) = delete;

    // Starts the main loop and waits for the first connection attempt. Returns the reason
    // for the user when no server answered; the device then keeps trying in the background.
    // A device whose main loop could not start is unusable (DeviceError::NoMemory).
    std::optional<DeviceError> start();

    void prepare(BlockHeader& header) override { header.flags |= kBlockPrepared; }
    void unprepare(BlockHeader& header) override;
    void queue(BlockHeader& header) override;
    void flush() override;
    bool available() const override { return available_.load(); }
    // Frames written to the server less those still buffered there (the stream's latency)
    // and those a flush or the server's loss dropped.
    std::uint64_t heardFrames() const override;
    std::uint64_t pendingFrames() const override;

  private:
    // How much the server asks for at a time: while it plays, a request every 980 ms.
    static constexpr std::uint32_t kRequestMs = 980;

    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onTiming(pa_stream* stream, void* self);
    static void onPace(struct pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                       void* self);
    static void onRetry(struct pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                        void* self);

    void connectContext();
    void contextLost();
    void openStream(bool corked);
    void dropStream();
    void streamLost();
    bool streamReady() const;
    void cork(bool corked);
    void fill(std::size_t bytes);
    void armTimer(pa_time_event* event, std::uint64_t microseconds);
    void disarmTimer(pa_time_event* event);
    void startPacing();
    void armRetry();
    // Updates streamHeard_ from the stream's timing; nothing while it has none.
    void refreshTally() const;
    // The server has just shown that it lives: the tally as it stands is confirmed.
    void confirmTally();
    // The stream's buffered frames are dropped (a flush) or lost (the stream is going):
    // what it played moves to heardBefore_.
    void closeTally();

    CompletionCallback done_;
    std::string sink_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* pacer_ = nullptr;  // completes blocks at real-time pace while offline
    pa_time_event* retry_ = nullptr;  // the next reconnection attempt
    bool contextReady_ = false;
    bool connecting_ = false;  // from connecting until a stream is ready or it failed
    bool attempted_ = false;
    bool streamBroken_ = false;  // the stream failed while the server stayed
    bool corked_ = false;
    bool flushed_ = false;  // the server's buffer was dropped; nothing written since
    bool pacing_ = false;
    bool retrying_ = false;
    std::atomic<bool> available_{false};
    BlockQueue queue_;
    // The tally. A stream's frames count from its opening or its last flush on.
    std::uint64_t written_ = 0;              // frames written to the server since then
    mutable std::uint64_t streamHeard_ = 0;  // of those, played, as last read
    // The last sign of the server's life (a request for more, a timing update, a cork or
    // uncork): what had been played then, and when, on the monotonic clock.
    std::uint64_t heardWhenAlive_ = 0;
    std::uint64_t aliveAtUs_ = 0;
    std::uint64_t heardBefore_ = 0;  // frames heard before then
};

// Opens the PulseAudio output (the sink of that name, or the default), reporting completions
// to `done`. When no server answers, the device is returned all the same, with the error
// text, reconnecting in the background.
OpenResult openPulseOutputDevice(CompletionCallback done, const std::string& sink = {});
