#pragma once

// Spreads independent pieces of work over the processor's cores.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace korvanta {

// Calls work(i) once for every i below count, on the calling thread and as
// many more as there are further cores, each taking the next piece when it
// is done with one, so that pieces of any size share out evenly. The first
// exception any piece throws is thrown here once every thread has stopped.
template <typename Work>
void ForEachInParallel(std::size_t count, Work work) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto takePieces = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
                next = count;
            }
        }
    };
    const std::size_t cores = std::max<std::size_t>(1, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min(cores, count); ++t) helpers.emplace_back(takePieces);
    takePieces();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace korvanta
