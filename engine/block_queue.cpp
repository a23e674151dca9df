#include "block_queue.h"

#include <algorithm>
#include <cstring>

#include "block_done.h"

void BlockQueue::push(BlockHeader& header) {
    if (count_ < ring_.size()) {
        header.flags = (header.flags.load() & ~kBlockDone) | kBlockQueued;
        ring_[(head_ + count_) % ring_.size()] = &header;
        ++count_;
    }
}

std::size_t BlockQueue::bytesLeft() const {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        bytes += ring_[(head_ + i) % ring_.size()]->length;
    }
    return bytes - offset_;
}

std::size_t BlockQueue::read(void* out, std::size_t bytes, OutputDevice* device,
                             CompletionCallback done) {
    std::size_t used = 0;
    while (used < bytes && count_ > 0) {
        const BlockHeader* block = head();
        const std::size_t n = std::min<std::size_t>(block->length - offset_, bytes - used);
        std::memcpy(static_cast<char*>(out) + used,
                    reinterpret_cast<const char*>(block->data) + offset_, n);
        used += n;
        offset_ += n;
        if (offset_ == block->length) {
            completeHead(device, done);
        }
    }
    return used;
}

void BlockQueue::completeHead(OutputDevice* device, CompletionCallback done) {
    BlockHeader* block = head();
    head_ = (head_ + 1) % ring_.size();
    --count_;
    offset_ = 0;
    markBlockDone(*block);
    done(device, block);
}

std::size_t BlockQueue::takeAll(Blocks& out) {
    const std::size_t n = count_;
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = ring_[(head_ + i) % ring_.size()];
    }
    head_ = 0;
    count_ = 0;
    offset_ = 0;
    return n;
}

void BlockQueue::handBack(const Blocks& blocks, std::size_t count, OutputDevice* device,
                          CompletionCallback done) {
    for (std::size_t i = 0; i < count; ++i) {
        markBlockDone(*blocks[i]);
        done(device, blocks[i]);
    }
}
