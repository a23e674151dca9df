#include "engine/testing/test_output_device.h"

#include <algorithm>

#include "engine/testing/virtual_clock.h"

void TestOutputDevice::queue(BlockHeader& header) {
    const std::lock_guard lock(mutex_);
    requeuedWhileHeld_ += std::count_if(held_.begin(), held_.end(),
                                        [&](const Held& h) { return h.header == &header; });
    header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
    Played record;
    if (keepSamples_) {
        record.samples.assign(header.data, header.data + header.length / sizeof(std::int16_t));
    }
    if (clock_ != nullptr) {
        record.queuedMs = clock_->nowMs();
        record.startMs = std::max(playheadMs_, record.queuedMs);
        record.endMs = record.startMs + header.length / kBytesPerFrame * 1000 / kSampleRate;
        playheadMs_ = record.endMs;
        clock_->at(record.endMs, [this, g = generation_] { finishFront(g); });
    }
    played_.push_back(std::move(record));
    held_.push_back({&header, played_.size() - 1});
}

void TestOutputDevice::finishFront(std::uint64_t generation) {
    BlockHeader* header = nullptr;
    {
        const std::lock_guard lock(mutex_);
        if (generation != generation_ || held_.empty()) {
            return;  // flushed meanwhile
        }
        header = held_.front().header;
        held_.pop_front();
        header->flags = (header->flags.load() & ~kBlockQueued) | kBlockDone;
    }
    done_(this, header);
}

void TestOutputDevice::flush() {
    std::vector<BlockHeader*> returned;
    {
        const std::lock_guard lock(mutex_);
        ++generation_;
        ++flushes_;
        const std::uint64_t now = clock_ != nullptr ? clock_->nowMs() : 0;
        for (const Held& h : held_) {
            Played& record = played_[h.record];
            record.flushed = true;
            record.endMs = std::clamp(now, record.startMs, record.endMs);
            h.header->flags = (h.header->flags.load() & ~kBlockQueued) | kBlockDone;
            returned.push_back(h.header);
        }
        held_.clear();
        playheadMs_ = now;
    }
    for (BlockHeader* header : returned) {
        done_(this, header);
    }
}
