// The default audio output through SDL2, with the block queue the playback needs on top of
// SDL's pull callback.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "output_device.h"

namespace {

// About 93 ms of audio per callback: cheap on the CPU, and a flush is heard within it.
constexpr Uint16 kDeviceBufferFrames = 4096;

class SdlOutputDevice final : public OutputDevice {
  public:
    explicit SdlOutputDevice(CompletionCallback done) : done_(done) {}

    // Returns an empty string on success, else SDL's reason.
    std::string open() {
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(kSampleRate);
        want.format = AUDIO_S16LSB;
        want.channels = static_cast<Uint8>(kChannels);
        want.samples = kDeviceBufferFrames;
        want.callback = &SdlOutputDevice::audioCallback;
        want.userdata = this;
        SDL_AudioSpec have{};
        id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id_ == 0) {
            return SDL_GetError();
        }
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
        // Pausing and resuming under the device lock keeps them in order with a flush that
        // another thread makes at the same moment.
        SDL_PauseAudioDevice(id_, 0);
        SDL_UnlockAudioDevice(id_);
    }

    void flush() override {
        std::array<BlockHeader*, kRingSize> returned{};
        std::size_t n = 0;
        SDL_LockAudioDevice(id_);
        for (; n < count_; ++n) {
            returned[n] = ring_[(head_ + n) % ring_.size()];
        }
        head_ = 0;
        count_ = 0;
        offset_ = 0;
        // Nothing is queued now: pausing silences the output until the next block.
        SDL_PauseAudioDevice(id_, 1);
        SDL_UnlockAudioDevice(id_);
        for (std::size_t i = 0; i < n; ++i) {
            returned[i]->flags = (returned[i]->flags.load() & ~kBlockQueued) | kBlockDone;
            done_(this, returned[i]);
        }
    }

  private:
    static constexpr std::size_t kRingSize = 8;

    // Runs on SDL's audio thread with the device lock held: copies from the head block,
    // reports each block whose last frame has left, and plays silence when nothing is queued.
    // No allocation, no waiting, no device calls.
    static void SDLCALL audioCallback(void* userdata, Uint8* stream, int len) {
        auto* self = static_cast<SdlOutputDevice*>(userdata);
        std::size_t wanted = static_cast<std::size_t>(len);
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
                block->flags = (block->flags.load() & ~kBlockQueued) | kBlockDone;
                self->done_(self, block);
            }
        }
        std::memset(stream, 0, wanted);
    }

    CompletionCallback done_;
    SDL_AudioDeviceID id_ = 0;
    std::array<BlockHeader*, kRingSize> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t offset_ = 0;  // bytes of the head block already played
};

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// SDL reports failures as text; map them onto the reasons the user is told.
DeviceError classify(std::string_view reason) {
    if (contains(reason, "emory")) {
        return DeviceError::NoMemory;
    }
    if (contains(reason, "busy") || contains(reason, "Busy")) {
        return DeviceError::Allocated;
    }
    if (contains(reason, "ormat")) {
        return DeviceError::BadFormat;
    }
    if (contains(reason, "No such") || contains(reason, "No audio device") ||
        contains(reason, "not found")) {
        return DeviceError::BadDeviceId;
    }
    return DeviceError::Unknown;
}

}  // namespace

OpenResult openOutputDevice() {
    OpenResult result;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        result.error = deviceErrorText(DeviceError::NoDriver);
        return result;
    }
    auto device = std::make_unique<SdlOutputDevice>(&onWaveOutDone);
    const std::string reason = device->open();
    if (!reason.empty()) {
        result.error = deviceErrorText(classify(reason));
        return result;
    }
    result.device = std::move(device);
    return result;
}
