#include "engine/signal_render.h"

#include <algorithm>

#include "engine/auto_reset_event.h"
#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_format.h"

namespace {

// Calendar time frozen at one second: the playback seeds from it and never waits for time.
class FrozenClock final : public Clock {
  public:
    explicit FrozenClock(std::uint32_t second) : second_(second) {}
    std::uint64_t now() override { return second_; }
    void sleepMs(std::uint32_t /*ms*/) override {}
    void wait(AutoResetEvent& event) override { event.wait(); }

  private:
    std::uint32_t second_;
};

// Hands every block the playback queues to the render's function, then completes it at once.
// Once enough frames are written, or the function refused them, it stops the playback as
// Stop does.
class RenderDevice final : public OutputDevice {
  public:
    RenderDevice(const RenderWrite& write, std::uint64_t frames)
        : write_(write), framesLeft_(frames) {}

    void prepare(BlockHeader& header) override { header.flags |= kBlockPrepared; }
    void unprepare(BlockHeader& header) override { header.flags &= ~kBlockPrepared; }
    void queue(BlockHeader& header) override {
        const std::uint64_t frames = header.length / kBytesPerFrame;
        const bool kept = framesLeft_ > 0 && write_(header.data, frames);
        framesLeft_ = kept ? framesLeft_ - std::min(frames, framesLeft_) : 0;
        if (framesLeft_ == 0) {
            SignalPlayer::instance.stop();
        }
        header.flags = (header.flags.load() & ~kBlockQueued) | kBlockDone;
        onWaveOutDone(this, &header);
    }
    void flush() override {}  // every block was handed back when it was queued

  private:
    const RenderWrite& write_;
    std::uint64_t framesLeft_;
};

}  // namespace

std::uint64_t renderFrames(std::uint64_t seconds) {
    const SignalPlayer& player = SignalPlayer::instance;
    const std::uint64_t block =
        player.generator == GeneratorKind::FrequencySweep ? player.sweepSeconds.load() : 1;
    return (seconds + block - 1) / block * block * kFramesPerSecond;
}

PlaybackEnd renderSignal(std::uint32_t seedSecond, std::uint64_t frames, const RenderWrite& write) {
    SignalPlayer& player = SignalPlayer::instance;
    RenderDevice device(write, frames);
    FrozenClock clock(seedSecond);
    PlaybackEnd end = PlaybackEnd::Stopped;
    player.setDevice(&device);
    player.setClock(&clock);
    player.setEndNotice([&end](PlaybackEnd how) { end = how; });
    player.playOnThisThread();
    player.setEndNotice(nullptr);
    player.setClock(nullptr);
    player.setDevice(nullptr);
    return end;
}
