// The default audio output through SDL2, with the block queue the playback needs on top of
// SDL's pull callback.
#include "sdl_output_device.h"

#include "block_done.h"
#include "signal_player.h"
#include "stream_properties.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace {

// The queue lives in plain fields guarded by SDL's own device lock: SDL holds it around every
// call of the callback, and queue() and flush() take it on their (non-real-time) threads for
// a handful of instructions. So the callback never waits on a lock of ours, and once flush()
// has the lock the callback is not running and cannot touch a block that is being handed back.
class SdlOutputDevice final : public OutputDevice {
  public:
    explicit SdlOutputDevice(CompletionCallback done) : done_(done) {}

    SdlOutputDevice(const SdlOutputDevice&) = delete;
    SdlOutputDevice& operator=(const SdlOutputDevice&) = delete;

    // Returns an empty string on success, else SDL's reason.
    std::string open() {
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(kSampleRate);
        want.format = AUDIO_S16LSB;
        want.channels = static_cast<Uint8>(kChannels);
        want.samples = static_cast<Uint16>(kDeviceBufferFrames);
        want.callback = &SdlOutputDevice::audioCallback;
        want.userdata = this;
        // No changes allowed: should the device want another format, SDL converts for us and
        // the callback still sees exactly the format asked for.
        id_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (id_ == 0) {
            return SDL_GetError();
        }
        // SDL opens the device paused; it stays so until a block is queued.
        return {};
    }

    ~SdlOutputDevice() override {
        if (id_ != 0) {
            SDL_CloseAudioDevice(id_);
        }
    }

    void prepare(BlockHeader& header) override { header.flags |= kBlockPrepared; }
    void unprepare(BlockHeader& header) override {
        if ((header.flags.load() & kBlockQueued) == 0) {
            header.flags &= ~kBlockPrepared;
        }
    }

    void queue(BlockHeader& header) override {
        SDL_LockAudioDevice(id_);
        if (count_ < ring_.size()) {
            header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
            ring_[(head_ + count_) % ring_.size()] = &header;
            ++count_;
        }
        // Resuming under the lock keeps it in order with a flush another thread makes at the
        // same moment (SDL's lock is recursive).
        SDL_PauseAudioDevice(id_, 0);
        SDL_UnlockAudioDevice(id_);
    }

    // Not while SDL's driver has lost the sound server: SDL then keeps calling the callback at
    // the buffer's pace but nothing reaches the speakers, and it never reconnects.
    bool available() const override { return SDL_GetAudioDeviceStatus(id_) != SDL_AUDIO_STOPPED; }
    // What the callback took from the blocks, less the buffer it filled last (still on its way
    // out) and less what it took after the server was lost.
    std::uint64_t heardFrames() const override {
        SDL_LockAudioDevice(id_);
        const std::uint64_t heard = heard_;
        SDL_UnlockAudioDevice(id_);
        return heard;
    }
    std::uint64_t pendingFrames() const override {
        SDL_LockAudioDevice(id_);
        std::uint64_t bytes = lastFrames_ * kBytesPerFrame;
        for (std::size_t i = 0; i < count_; ++i) {
            bytes += ring_[(head_ + i) % ring_.size()]->length;
        }
        bytes -= offset_;
        SDL_UnlockAudioDevice(id_);
        return bytes / kBytesPerFrame;
    }

    void flush() override {
        std::array<BlockHeader*, kRingSize> returned{};
        std::size_t n = 0;
        SDL_LockAudioDevice(id_);
        // Pausing keeps what SDL already took: its last buffer is still heard.
        heard_ += lastFrames_;
        lastFrames_ = 0;
        for (; n < count_; ++n) {
            returned[n] = ring_[(head_ + n) % ring_.size()];
        }
        head_ = 0;
        count_ = 0;
        offset_ = 0;
        // Nothing is queued now: the callback is not called while paused, and the device
        // plays silence after what SDL and the sound server already hold.
        SDL_PauseAudioDevice(id_, 1);
        SDL_UnlockAudioDevice(id_);
        // Reported outside the lock: a completion may wake a thread that queues at once.
        for (std::size_t i = 0; i < n; ++i) {
            markBlockDone(*returned[i]);
            done_(this, returned[i]);
        }
    }

  private:
    static constexpr std::size_t kRingSize = 8;

    // Runs on SDL's audio thread with SDL's device lock held: copies from the head block,
    // reports each block whose last frame has left, and plays silence when nothing is queued.
    // No allocation, no waiting, no device calls but a status read. SDL keeps calling it at the
    // buffer's pace even after the sound server has gone away, so queued blocks still come back.
    static void SDLCALL audioCallback(void* userdata, Uint8* stream, int len) {
        auto* self = static_cast<SdlOutputDevice*>(userdata);
        std::size_t wanted = len > 0 ? static_cast<std::size_t>(len) : 0;
        const std::size_t asked = wanted;
        // The buffer filled last time has left SDL by now: heard, unless the server is gone.
        self->heard_ += self->lastFrames_;
        while (wanted > 0 && self->count_ > 0) {
            BlockHeader* block = self->ring_[self->head_];
            const std::size_t left = block->length - self->offset_;
            const std::size_t n = std::min(left, wanted);
            std::memcpy(stream, reinterpret_cast<const Uint8*>(block->data) + self->offset_, n);
            stream += n;
            wanted -= n;
            self->offset_ += n;
            if (self->offset_ == block->length) {
                self->head_ = (self->head_ + 1) % self->ring_.size();
                --self->count_;
                self->offset_ = 0;
                markBlockDone(*block);
                self->done_(self, block);
            }
        }
        std::memset(stream, 0, wanted);
        const bool lost = SDL_GetAudioDeviceStatus(self->id_) == SDL_AUDIO_STOPPED;
        self->lastFrames_ = lost ? 0 : (asked - wanted) / kBytesPerFrame;
    }

    CompletionCallback done_;
    SDL_AudioDeviceID id_ = 0;
    std::array<BlockHeader*, kRingSize> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t offset_ = 0;  // bytes of the head block already played
    std::uint64_t heard_ = 0;
    std::uint64_t lastFrames_ = 0;  // taken from the blocks by the last call of the callback
};

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Whether SDL's audio subsystem is up. It is started once and never shut down, so that a
// failed open can simply be tried again.
std::mutex sdlMutex;
bool sdlAudioUp = false;

}  // namespace

DeviceError deviceErrorFromSdl(std::string_view sdlMessage, bool initFailed) {
    std::string text(sdlMessage);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (contains(text, "out of memory") || contains(text, "cannot allocate memory")) {
        return DeviceError::NoMemory;
    }
    if (initFailed) {
        // No audio driver could start: no sound server, none of the drivers asked for.
        return DeviceError::NoDriver;
    }
    if (contains(text, "busy") || contains(text, "too many open")) {
        return DeviceError::Allocated;
    }
    if (contains(text, "format")) {
        return DeviceError::BadFormat;
    }
    if (contains(text, "no such") || contains(text, "missing") || contains(text, "not found") ||
        contains(text, "could not find")) {
        // No default output device (ALSA without a card says "No such file or directory").
        return DeviceError::BadDeviceId;
    }
    if (contains(text, "server") || contains(text, "connection") ||
        contains(text, "not initialized")) {
        // The sound server went away between starting the audio system and opening.
        return DeviceError::NoDriver;
    }
    return DeviceError::Unknown;
}

OpenResult openSdlOutputDevice(CompletionCallback done) {
    const std::lock_guard<std::mutex> lock(sdlMutex);
    OpenResult result;
    if (!sdlAudioUp) {
        // Names the stream in the sound server's lists (unless the user set a name).
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Vellumtone");
        // Read by SDL's PipeWire driver; SDL 2.26 has no hint for the icon or the application's
        // id, and its PulseAudio driver passes on the names alone.
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, kStreamRole);
        // SDL would otherwise catch SIGINT and SIGTERM for an event queue no front end reads,
        // and the program could no longer be ended with a signal.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            result.reason = SDL_GetError();
            result.error = deviceErrorText(deviceErrorFromSdl(result.reason, true));
            return result;
        }
        sdlAudioUp = true;
    }
    std::unique_ptr<SdlOutputDevice> device(new (std::nothrow) SdlOutputDevice(done));
    if (!device) {
        result.error = deviceErrorText(DeviceError::NoMemory);
        return result;
    }
    result.reason = device->open();
    if (!result.reason.empty()) {
        result.error = deviceErrorText(deviceErrorFromSdl(result.reason, false));
        return result;
    }
    result.device = std::move(device);
    return result;
}
