#include "engine/testing/test_output_device.h"

#include <algorithm>

#include "engine/testing/virtual_clock.h"

namespace {

void handBack(BlockHeader* header) {
    header->flags = (header->flags.load() & ~kBlockQueued) | kBlockDone;
    onWaveOutDone(nullptr, header);
}

}  // namespace

void TestOutputDevice::queue(BlockHeader& header) {
    const std::lock_guard lock(mutex_);
    requeuedWhileHeld_ += std::count(held_.begin(), held_.end(), &header);
    header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
    Played record;
    if (keepSamples_) {
        record.samples.assign(header.data, header.data + header.length / sizeof(std::int16_t));
    }
    if (clock_ != nullptr) {
        record.queuedMs = clock_->nowMs();
        silentUntil(record.queuedMs);
        playheadMs_ += header.length / kBytesPerFrame * 1000 / kSampleRate;
        clock_->schedule(playheadMs_, [this, index = played_.size()] { finish(index); });
    }
    played_.push_back(std::move(record));
    held_.push_back(&header);
}

void TestOutputDevice::silentUntil(std::uint64_t ms) {
    if (ms > playheadMs_) {
        silences_.emplace_back(playheadMs_, ms);
        playheadMs_ = ms;
    }
}

void TestOutputDevice::finish(std::size_t record) {
    BlockHeader* header = nullptr;
    {
        const std::lock_guard lock(mutex_);
        if (played_[record].flushed) {
            return;
        }
        // Blocks end in the order they were queued: this one is the oldest held.
        header = held_.front();
        held_.pop_front();
    }
    handBack(header);
}

void TestOutputDevice::flush() {
    std::deque<BlockHeader*> returned;
    {
        const std::lock_guard lock(mutex_);
        ++flushes_;
        for (std::size_t i = played_.size() - held_.size(); i < played_.size(); ++i) {
            played_[i].flushed = true;
        }
        returned.swap(held_);
        // Output stops at once: the play head comes back to now.
        const std::uint64_t now = clock_ != nullptr ? clock_->nowMs() : 0;
        silentUntil(now);
        playheadMs_ = now;
    }
    std::for_each(returned.begin(), returned.end(), handBack);
}
