#include "test_output_device.h"

#include <algorithm>

#include "virtual_clock.h"

OpenResult TestOutputDevice::failedOpen(DeviceError error) {
    OpenResult result;
    result.error = deviceErrorText(error);
    return result;
}

void TestOutputDevice::prepare(BlockHeader& header) {
    header.flags |= kBlockPrepared;
}

void TestOutputDevice::unprepare(BlockHeader& header) {
    if ((header.flags.load() & kBlockQueued) == 0) {
        header.flags &= ~kBlockPrepared;
    }
}

void TestOutputDevice::queue(BlockHeader& header) {
    std::lock_guard lock(mutex_);
    for (const Held& h : held_) {
        if (h.header == &header) {
            ++requeuedWhileHeld_;
        }
    }
    header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
    Played record;
    if (keepSamples_) {
        record.samples.assign(header.data, header.data + header.length / sizeof(std::int16_t));
    }
    if (clock_ != nullptr) {
        const std::uint64_t frames = header.length / kBytesPerFrame;
        record.queuedMs = clock_->nowMs();
        record.startMs = std::max(playheadMs_, record.queuedMs);
        record.endMs = record.startMs + frames * 1000 / kSampleRate;
        playheadMs_ = record.endMs;
        const std::uint64_t generation = generation_;
        clock_->at(record.endMs, [this, generation] { finishFront(generation); });
    }
    played_.push_back(std::move(record));
    held_.push_back({&header, played_.size() - 1});
}

void TestOutputDevice::finishFront(std::uint64_t generation) {
    BlockHeader* header = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_ || held_.empty()) {
            return;  // flushed meanwhile
        }
        header = held_.front().header;
        held_.pop_front();
        header->flags = (header->flags.load() & ~kBlockQueued) | kBlockDone;
    }
    done_(this, header);
}

bool TestOutputDevice::completeNext() {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        if (held_.empty()) {
            return false;
        }
        generation = generation_;
    }
    finishFront(generation);
    return true;
}

void TestOutputDevice::flush() {
    std::vector<BlockHeader*> returned;
    {
        std::lock_guard lock(mutex_);
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

std::vector<TestOutputDevice::Played> TestOutputDevice::played() const {
    std::lock_guard lock(mutex_);
    return played_;
}

std::size_t TestOutputDevice::held() const {
    std::lock_guard lock(mutex_);
    return held_.size();
}

std::size_t TestOutputDevice::flushes() const {
    std::lock_guard lock(mutex_);
    return flushes_;
}

std::size_t TestOutputDevice::requeuedWhileHeld() const {
    std::lock_guard lock(mutex_);
    return requeuedWhileHeld_;
}
