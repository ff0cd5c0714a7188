#pragma once

// Work spread over the cores: calls taken one at a time by each thread as it is free, each
// call's result landing in a place of its own, so that the outcome is the same for any number
// of threads.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

// Calls work(k, t) for k = 0 .. count - 1 on up to that many threads (0: one per core), t being
// the calling thread's index (0 is the caller's own), for state a thread keeps. Threads that
// cannot be started leave their calls to the others. The first exception a call throws is
// thrown again here, once every thread has stopped; the thread that caught it takes no more.
template <typename Work>
void ForEachOnThreads(unsigned threads, std::size_t count, const Work& work)
{
    if (threads == 0)
        threads = std::thread::hardware_concurrency();
    threads = std::max(1U, std::min<unsigned>(threads, static_cast<unsigned>(std::min<std::size_t>(count, 1024))));
    std::vector<std::exception_ptr> failures(threads);
    std::atomic<std::size_t> next{0};
    auto run = [&](unsigned t) {
        try {
            for (std::size_t k = next++; k < count; k = next++)
                work(k, t);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> pool;
    try {
        pool.reserve(threads - 1);
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(run, t);
    } catch (const std::exception&) {
        // Fewer threads than asked for (no memory or no thread to spare): those running share the calls.
    }
    run(0);
    for (std::thread& thread : pool)
        thread.join();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}
