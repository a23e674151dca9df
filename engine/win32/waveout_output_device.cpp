// The wave mapper's output: the playback's blocks translated into wave headers, and
// completions counted as heard only when they played.
#include "engine/win32/waveout_output_device.h"

#include <algorithm>
#include <new>

#include "engine/block_done.h"
#include "engine/signal_player.h"

MMRESULT WaveOutDevice::start() {
    Lock lock(lock_);
    const MMRESULT opened = openHandle();
    if (opened == MMSYSERR_NOERROR) {
        available_ = true;
    } else {
        recovery_.failed(nowMs());
    }
    watchdog_ = std::thread([this] { watch(); });
    return opened;
}

WaveOutDevice::~WaveOutDevice() {
    {
        Lock lock(lock_);
        quit_ = true;
    }
    wake_.notify_one();
    if (watchdog_.joinable()) {
        watchdog_.join();
    }
    if (HWAVEOUT handle = current_.load()) {
        resetting_ = true;
        waveOutReset(handle);
        waveOutClose(handle);
    }
}

MMRESULT WaveOutDevice::openHandle() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kChannels;
    format.nSamplesPerSec = kSampleRate;
    format.nAvgBytesPerSec = kSampleRate * kBytesPerFrame;
    format.nBlockAlign = kBytesPerFrame;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT handle = nullptr;
    const MMRESULT result =
        waveOutOpen(&handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&callback),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (result == MMSYSERR_NOERROR) {
        countedSinceReset_ = 0;
        current_ = handle;
    }
    return result;
}

void WaveOutDevice::prepare(BlockHeader& header) {
    Lock lock(lock_);
    Slot* slot = slotOf(&header);
    if (slot == nullptr) {
        slot = slotOf(nullptr);
        if (slot == nullptr) {
            return;  // more blocks than a playback ever has
        }
        slot->owner = &header;
    }
    header.flags |= kBlockPrepared;
}

void WaveOutDevice::unprepare(BlockHeader& header) {
    Lock lock(lock_);
    Slot* slot = slotOf(&header);
    if (slot == nullptr || slot->held.load()) {
        return;
    }
    if (slot->preparedOn != nullptr && slot->preparedOn == current_.load()) {
        waveOutUnprepareHeader(slot->preparedOn, &slot->wave, sizeof(WAVEHDR));
    }
    slot->preparedOn = nullptr;
    slot->owner = nullptr;
    header.flags &= ~kBlockPrepared;
}

void WaveOutDevice::queue(BlockHeader& header) {
    Lock lock(lock_);
    Slot* slot = slotOf(&header);
    if (slot == nullptr) {
        return;
    }
    const std::uint64_t now = nowMs();
    if (head() == nullptr) {
        // Starting from empty: the first block is due from now, heard or paced.
        progressMs_ = now;
        paceStartMs_ = now;
    }
    slot->frames = header.length / kBytesPerFrame;
    slot->order = nextOrder_++;
    header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
    pending_ += slot->frames;
    slot->held = true;
    if (!recovery_.lost() && !write(*slot)) {
        loseOutput(now);
    }
    wake_.notify_one();
}

// Prepares the slot's wave header for the current handle if it is not, then writes it.
bool WaveOutDevice::write(Slot& slot) {
    HWAVEOUT handle = current_.load();
    const BlockHeader& header = *slot.owner;
    const auto data = reinterpret_cast<LPSTR>(header.data);
    if (slot.preparedOn != handle || slot.wave.lpData != data ||
        slot.wave.dwBufferLength != header.length) {
        if (slot.preparedOn == handle) {
            waveOutUnprepareHeader(handle, &slot.wave, sizeof(WAVEHDR));
        }
        slot.preparedOn = nullptr;
        slot.wave = WAVEHDR{};
        slot.wave.lpData = data;
        slot.wave.dwBufferLength = header.length;
        slot.wave.dwUser = reinterpret_cast<DWORD_PTR>(&slot);
        if (waveOutPrepareHeader(handle, &slot.wave, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            return false;
        }
        slot.preparedOn = handle;
    }
    slot.wave.dwFlags |= header.flags.load() & (kBlockBeginLoop | kBlockEndLoop);
    slot.wave.dwLoops = header.loops;
    return waveOutWrite(handle, &slot.wave, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

// waveOutReset hands every written block back through the callback before it returns. A
// driver that fails it, or keeps a block, has lost its way to the speakers: the device gives
// it up, and hands back itself whatever it still holds, so that a Stop never waits on it.
void WaveOutDevice::flush() {
    Lock lock(lock_);
    if (HWAVEOUT handle = current_.load()) {
        resetting_ = true;
        addCutFrames(handle);
        const MMRESULT reset = waveOutReset(handle);
        resetting_ = false;
        bool kept = false;
        for (const Slot& slot : slots_) {
            kept = kept || slot.held.load();
        }
        if (reset != MMSYSERR_NOERROR || kept) {
            loseOutput(nowMs());
        } else {
            countedSinceReset_ = 0;  // the reset sets the position back to 0
        }
    }
    for (Slot& slot : slots_) {
        complete(slot, false);
    }
}

// The frames of the playing block heard before it was cut: the position past what was
// counted from completions.
void WaveOutDevice::addCutFrames(HWAVEOUT handle) {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(handle, &time, sizeof time) != MMSYSERR_NOERROR ||
        time.wType != TIME_SAMPLES) {
        return;
    }
    // The position is 32 bits and wraps after 27 hours: only the difference counts.
    const auto beyond =
        static_cast<std::uint32_t>(time.u.sample - static_cast<DWORD>(countedSinceReset_.load()));
    std::uint64_t written = 0;
    for (const Slot& slot : slots_) {
        written += slot.held.load() ? slot.frames : 0;
    }
    const std::uint64_t cut = beyond < (1U << 31) ? std::min<std::uint64_t>(beyond, written) : 0;
    heard_ += cut;
    countedSinceReset_ += cut;
}

// Exactly once per queued block, whoever comes first: the driver, a flush or the pacing.
void WaveOutDevice::complete(Slot& slot, bool played) {
    if (!slot.held.exchange(false)) {
        return;
    }
    if (played) {
        heard_ += slot.frames;
        countedSinceReset_ += slot.frames;
        progressMs_ = nowMs();
    }
    pending_ -= slot.frames;
    BlockHeader* owner = slot.owner;
    markBlockDone(*owner);
    done_(this, owner);
}

// Runs on winmm's thread: completes the block, nothing else; calling back into waveOut from
// here could deadlock. A handle the device gave up no longer speaks for its blocks.
void CALLBACK WaveOutDevice::callback(HWAVEOUT handle, UINT message, DWORD_PTR instance,
                                      DWORD_PTR param1, DWORD_PTR /*param2*/) {
    // waveOut hands its pointers over as integers.
    // NOLINTBEGIN(performance-no-int-to-ptr)
    auto* self = reinterpret_cast<WaveOutDevice*>(instance);
    if (message != WOM_DONE || handle != self->current_.load()) {
        return;
    }
    auto* slot = reinterpret_cast<Slot*>(reinterpret_cast<WAVEHDR*>(param1)->dwUser);
    // NOLINTEND(performance-no-int-to-ptr)
    self->complete(*slot, !self->resetting_.load());
}

WaveOutDevice::Slot* WaveOutDevice::slotOf(const BlockHeader* owner) {
    for (Slot& slot : slots_) {
        if (slot.owner == owner) {
            return &slot;
        }
    }
    return nullptr;
}

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

// A device that found no driver is returned all the same, with the reason: it keeps trying.
OpenResult openWaveOutDevice(CompletionCallback done) {
    OpenResult result;
    std::unique_ptr<WaveOutDevice> device(new (std::nothrow) WaveOutDevice(done));
    if (!device) {
        result.error = deviceErrorText(DeviceError::NoMemory);
        return result;
    }
    const MMRESULT opened = device->start();
    if (opened != MMSYSERR_NOERROR) {
        result.error = deviceErrorText(deviceErrorFromWaveOut(opened));
    }
    result.device = std::move(device);
    return result;
}
