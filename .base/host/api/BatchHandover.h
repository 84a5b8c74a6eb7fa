#pragma once

// Passes batches of work from one thread to another through a small ring of
// reusable batches, so that one thread fills a batch while the other works
// through the one before. Batches are reused, so their buffers are allocated
// once and stay in the processor's caches.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace korvanta {

template <typename Batch>
class BatchHandover {
public:
    explicit BatchHandover(std::size_t slots = 3) : batches_(slots) {}

    // Producer: the batch to fill next, as the consumer left it; nullptr once
    // either side has stopped the handover.
    Batch* NextToFill() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || filled_ < batches_.size(); });
        return stopped_ ? nullptr : &batches_[(first_ + filled_) % batches_.size()];
    }

    // Producer: hands the batch from NextToFill over.
    void Filled() {
        const std::lock_guard lock(mutex_);
        ++filled_;
        changed_.notify_all();
    }

    // Producer: there will be no more batches.
    void Close() {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    // Consumer: the oldest batch handed over; nullptr once every batch is
    // done after Close, or when the handover was stopped.
    Batch* NextToDrain() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || closed_ || filled_ > 0; });
        return stopped_ || filled_ == 0 ? nullptr : &batches_[first_];
    }

    // Consumer: done with the batch from NextToDrain.
    void Drained() {
        const std::lock_guard lock(mutex_);
        first_ = (first_ + 1) % batches_.size();
        --filled_;
        changed_.notify_all();
    }

    // Either side, on failure: the other side's next wait returns nullptr.
    void Stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Batch> batches_;
    std::size_t first_ = 0;   // the oldest batch handed over
    std::size_t filled_ = 0;  // batches handed over and not yet drained
    bool closed_ = false;
    bool stopped_ = false;
};

}  // namespace korvanta
