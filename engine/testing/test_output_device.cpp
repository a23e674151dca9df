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
    requeuedWhileHeld_ += std::count(held_.begin(), held_.end(), &header);
    header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
    held_.push_back(&header);
    played_.emplace_back();
    if (played_.size() <= 1000) {
        played_.back().assign(header.data, header.data + header.length / sizeof(std::int16_t));
    }
    if (clock_ != nullptr) {
        queuedAt_.push_back(clock_->nowMs());
        silentUntil(queuedAt_.back());
        const std::uint64_t ms = header.length / kBytesPerFrame * 1000 / kSampleRate;
        soundMs_ += ms;
        playheadMs_ += ms;
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
        // Output stops at once: what was still ahead is dropped.
        soundMs_ = playedMs();
        silentUntil(nowMs());
        playheadMs_ = nowMs();
    }
    std::for_each(returned.begin(), returned.end(), handBack);
}

std::uint64_t TestOutputDevice::nowMs() const {
    return clock_ != nullptr ? clock_->nowMs() : 0;
}

std::uint64_t TestOutputDevice::playedMs() const {
    return soundMs_ - (playheadMs_ - std::min(playheadMs_, nowMs()));
}

std::uint64_t TestOutputDevice::heardFrames() const {
    const std::lock_guard lock(mutex_);
    return ((available_ ? playedMs() : playedAtOutageMs_) - unheardMs_) * kSampleRate / 1000;
}

std::uint64_t TestOutputDevice::pendingFrames() const {
    const std::lock_guard lock(mutex_);
    return (soundMs_ - playedMs()) * kSampleRate / 1000;
}

void TestOutputDevice::setAvailable(bool available) {
    const std::lock_guard lock(mutex_);
    if (available_ && !available) {
        playedAtOutageMs_ = playedMs();
    } else if (!available_ && available) {
        unheardMs_ += playedMs() - playedAtOutageMs_;
    }
    available_ = available;
}
