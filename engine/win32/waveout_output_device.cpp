// The default audio output through winmm's waveOut, which queues blocks and reports each
// one done by itself: the device only translates block headers into wave headers.
#include "engine/win32/waveout_output_device.h"

// windows.h before mmsystem.h, which needs its types.
#include <windows.h>
// clang-format off
#include <mmsystem.h>
// clang-format on

#include <array>
#include <new>

#include "engine/signal_player.h"

namespace {

// Hands a block back: it is no longer queued and is done. One atomic step, so that the
// playback, which waits for the queued bit to clear, never sees a half-finished header.
void markDone(BlockHeader& header) {
    std::uint32_t flags = header.flags.load();
    while (!header.flags.compare_exchange_weak(flags, (flags & ~kBlockQueued) | kBlockDone)) {
    }
}

// Each block the playback prepares gets a wave header of its own here. Only the playback
// thread prepares, queues and unprepares; flush() only resets the device, and the audio
// thread only reads a header's owner, which is written before the block is queued.
class WaveOutDevice final : public OutputDevice {
  public:
    explicit WaveOutDevice(CompletionCallback done) : done_(done) {}

    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    MMRESULT open() {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = kChannels;
        format.nSamplesPerSec = kSampleRate;
        format.nAvgBytesPerSec = kSampleRate * kBytesPerFrame;
        format.nBlockAlign = kBytesPerFrame;
        format.wBitsPerSample = 16;
        format.cbSize = 0;
        return waveOutOpen(&handle_, WAVE_MAPPER, &format,
                           reinterpret_cast<DWORD_PTR>(&WaveOutDevice::callback),
                           reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    }

    ~WaveOutDevice() override {
        if (handle_ != nullptr) {
            waveOutReset(handle_);
            waveOutClose(handle_);
        }
    }

    void prepare(BlockHeader& header) override {
        Slot* slot = slotOf(&header);
        if (slot == nullptr) {
            slot = slotOf(nullptr);
            if (slot == nullptr) {
                return;  // more blocks than a playback ever has
            }
            slot->owner = &header;
        }
        slot->wave = WAVEHDR{};
        slot->wave.lpData = reinterpret_cast<LPSTR>(header.data);
        slot->wave.dwBufferLength = header.length;
        slot->wave.dwLoops = header.loops;
        slot->wave.dwUser = reinterpret_cast<DWORD_PTR>(&header);
        waveOutPrepareHeader(handle_, &slot->wave, sizeof(WAVEHDR));
        header.flags |= kBlockPrepared;
    }

    void unprepare(BlockHeader& header) override {
        Slot* slot = slotOf(&header);
        if (slot == nullptr || (header.flags.load() & kBlockQueued) != 0) {
            return;
        }
        waveOutUnprepareHeader(handle_, &slot->wave, sizeof(WAVEHDR));
        slot->owner = nullptr;
        header.flags &= ~kBlockPrepared;
    }

    void queue(BlockHeader& header) override {
        Slot* slot = slotOf(&header);
        if (slot == nullptr) {
            return;
        }
        slot->wave.dwFlags |= header.flags.load() & (kBlockBeginLoop | kBlockEndLoop);
        slot->wave.dwLoops = header.loops;
        header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
        if (waveOutWrite(handle_, &slot->wave, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            // The device never took it, so no completion will come: it is not held either.
            header.flags &= ~kBlockQueued;
        }
    }

    // waveOutReset hands every queued block back through the callback before it returns.
    void flush() override { waveOutReset(handle_); }

  private:
    struct Slot {
        BlockHeader* owner = nullptr;
        WAVEHDR wave{};
    };

    // NOLINTNEXTLINE(readability-convert-member-functions-to-static): it reads slots_.
    Slot* slotOf(const BlockHeader* owner) {
        for (Slot& slot : slots_) {
            if (slot.owner == owner) {
                return &slot;
            }
        }
        return nullptr;
    }

    // Runs on winmm's thread: marks the block done and reports it, nothing else; calling
    // back into waveOut from here could deadlock.
    static void CALLBACK callback(HWAVEOUT /*device*/, UINT message, DWORD_PTR instance,
                                  DWORD_PTR param1, DWORD_PTR /*param2*/) {
        if (message != WOM_DONE) {
            return;
        }
        // waveOut hands its pointers over as integers.
        // NOLINTBEGIN(performance-no-int-to-ptr)
        auto* self = reinterpret_cast<WaveOutDevice*>(instance);
        auto* header = reinterpret_cast<BlockHeader*>(reinterpret_cast<WAVEHDR*>(param1)->dwUser);
        // NOLINTEND(performance-no-int-to-ptr)
        markDone(*header);
        self->done_(self, header);
    }

    CompletionCallback done_;
    HWAVEOUT handle_ = nullptr;
    std::array<Slot, 4> slots_{};
};

}  // namespace

DeviceError deviceErrorFromWaveOut(std::uint32_t result) {
    switch (result) {
        case MMSYSERR_BADDEVICEID:
            return DeviceError::BadDeviceId;
        case MMSYSERR_ALLOCATED:
            return DeviceError::Allocated;
        case MMSYSERR_NODRIVER:
            return DeviceError::NoDriver;
        case MMSYSERR_NOMEM:
            return DeviceError::NoMemory;
        case WAVERR_BADFORMAT:
            return DeviceError::BadFormat;
        case WAVERR_SYNC:
            return DeviceError::Synchronous;
        default:
            return DeviceError::Unknown;
    }
}

OpenResult openOutputDevice() {
    return openWaveOutDevice(&onWaveOutDone);
}

OpenResult openWaveOutDevice(CompletionCallback done) {
    OpenResult result;
    std::unique_ptr<WaveOutDevice> device(new (std::nothrow) WaveOutDevice(done));
    if (!device) {
        result.error = deviceErrorText(DeviceError::NoMemory);
        return result;
    }
    const MMRESULT opened = device->open();
    if (opened != MMSYSERR_NOERROR) {
        result.error = deviceErrorText(deviceErrorFromWaveOut(opened));
        return result;
    }
    result.device = std::move(device);
    return result;
}
