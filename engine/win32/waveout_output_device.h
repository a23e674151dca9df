#pragma once

// windows.h before mmsystem.h, which needs its types.
#include <windows.h>
// clang-format off
#include <mmsystem.h>
// clang-format on

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/output_device.h"
#include "engine/output_recovery.h"

// The default output on Windows: winmm's wave mapper, which queues blocks and reports each one
// done from its own thread. When the driver goes away (an error from opening or writing, or
// blocks that stop coming back, as when a USB headset is unplugged or the audio service
// restarts) the device gives up its handle, completes the blocks at real-time pace so that a
// playback keeps its schedule, and opens the wave mapper again every 2 seconds.
//
// The slots and the handle are guarded by lock_, which the playback thread and the device's
// watchdog thread take. winmm's callback takes no lock: the waveOut calls made under lock_
// may wait for it. A block is completed exactly once, by whoever clears its `held` first.
class WaveOutDevice final : public OutputDevice {
  public:
    explicit WaveOutDevice(CompletionCallback done) : done_(done) {}
    ~WaveOutDevice() override;

    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    // Opens the wave mapper and starts the watchdog; returns waveOutOpen's result. The device
    // is usable either way: without a driver it paces and keeps trying.
    MMRESULT start();

    void prepare(BlockHeader& header) override;
    void unprepare(BlockHeader& header) override;
    void queue(BlockHeader& header) override;
    void flush() override;
    bool available() const override { return available_.load(); }
    std::uint64_t heardFrames() const override { return heard_.load(); }
    std::uint64_t pendingFrames() const override { return pending_.load(); }

  private:
    struct Slot {
        BlockHeader* owner = nullptr;
        WAVEHDR wave{};
        HWAVEOUT preparedOn = nullptr;  // the handle `wave` is prepared for
        std::uint32_t frames = 0;
        std::uint64_t order = 0;        // when it was queued, among the held slots
        std::atomic<bool> held{false};  // queued and not yet handed back
    };
    using Lock = std::unique_lock<std::mutex>;

    static void CALLBACK callback(HWAVEOUT handle, UINT message, DWORD_PTR instance,
                                  DWORD_PTR param1, DWORD_PTR param2);
    static std::uint64_t nowMs();

    MMRESULT openHandle();
    Slot* slotOf(const BlockHeader* owner);
    Slot* head();
    bool write(Slot& slot);
    void complete(Slot& slot, bool played);
    void addCutFrames(HWAVEOUT handle);
    void loseOutput(std::uint64_t now);
    void reopen(std::uint64_t now);
    void pace(std::uint64_t now);
    void watch();

    CompletionCallback done_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::thread watchdog_;
    bool quit_ = false;
    OutputRecovery recovery_;
    std::uint64_t nextOrder_ = 0;
    std::uint64_t paceStartMs_ = 0;  // when the head block began to count down while lost
    std::array<Slot, 8> slots_{};
    // The handle whose completions count; the callback ignores any other.
    std::atomic<HWAVEOUT> current_{nullptr};
    std::atomic<bool> available_{false};
    std::atomic<bool> resetting_{false};  // blocks coming back now were cut, not played
    std::atomic<std::uint64_t> progressMs_{0};
    std::atomic<std::uint64_t> heard_{0};
    std::atomic<std::uint64_t> countedSinceReset_{0};  // frames heard by completion on current_
    std::atomic<std::uint64_t> pending_{0};
};

// The reason the user is told for a result code of waveOutOpen.
DeviceError deviceErrorFromWaveOut(std::uint32_t result);

// Opens the system's default wave output (the wave mapper) like openOutputDevice, reporting
// completions to `done`.
OpenResult openWaveOutDevice(CompletionCallback done);
