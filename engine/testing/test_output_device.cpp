#include "engine/testing/test_output_device.h"

#include <algorithm>

#include "engine/block_done.h"
#include "engine/signal_player.h"
#include "engine/testing/virtual_clock.h"

namespace {

void handBack(BlockHeader* header) {
    markBlockDone(*header);
    onWaveOutDone(nullptr, header);
}

}  // namespace

void TestOutputDevice::queue(BlockHeader& header) {
    const std::lock_guard lock(mutex_);
    header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
    held_.push_back(&header);
    played_.emplace_back();
    if (keepSamples_) {
        played_.back().assign(header.data, header.data + header.length / sizeof(std::int16_t));
    }
    if (clock_ != nullptr) {
        queuedAt_.push_back(clock_->nowMs());
        silentUntil(queuedAt_.back());
        queuedFrames_ += header.length / kBytesPerFrame;
        playheadMs_ += header.length / kBytesPerFrame * 1000 / kSampleRate;
        // Done as its last frame plays, unless flushed before.
        clock_->schedule(playheadMs_, [this, flushes = flushes_] {
            std::unique_lock lock(mutex_);
            if (flushes == flushes_ && !held_.empty()) {
                BlockHeader* header = held_.front();
                held_.pop_front();
                lock.unlock();
                handBack(header);
            }
        });
    }
}

void TestOutputDevice::silentUntil(std::uint64_t ms) {
    if (ms > playheadMs_) {
        silences_.emplace_back(playheadMs_, ms);
        playheadMs_ = ms;
    }
}

void TestOutputDevice::flush() {
    std::deque<BlockHeader*> returned;
    {
        const std::lock_guard lock(mutex_);
        ++flushes_;
        returned.swap(held_);
        // Output stops at once: the play head comes back to now.
        const std::uint64_t now = clock_ != nullptr ? clock_->nowMs() : 0;
        droppedFrames_ += queuedFrames_ - droppedFrames_ - playedFrames();
        silentUntil(now);
        playheadMs_ = now;
    }
    std::for_each(returned.begin(), returned.end(), handBack);
}

std::uint64_t TestOutputDevice::playedFrames() const {
    const std::uint64_t now = clock_ != nullptr ? clock_->nowMs() : 0;
    const std::uint64_t ahead = playheadMs_ > now ? (playheadMs_ - now) * kSampleRate / 1000 : 0;
    return queuedFrames_ - droppedFrames_ - std::min(ahead, queuedFrames_ - droppedFrames_);
}

std::uint64_t TestOutputDevice::heardFrames() const {
    const std::lock_guard lock(mutex_);
    return (available_ ? playedFrames() : playedAtOutage_) - unheardFrames_;
}

std::uint64_t TestOutputDevice::pendingFrames() const {
    const std::lock_guard lock(mutex_);
    return queuedFrames_ - droppedFrames_ - playedFrames();
}

void TestOutputDevice::setAvailable(bool available) {
    const std::lock_guard lock(mutex_);
    if (available_ && !available) {
        playedAtOutage_ = playedFrames();
    } else if (!available_ && available) {
        unheardFrames_ += playedFrames() - playedAtOutage_;
    }
    available_ = available;
}
