// Work spread over threads whose failures reach the caller: an exception a
// worker throws (std::bad_alloc when memory runs out) would otherwise end
// the program.
#pragma once

#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace tessivo {

// Runs work(t) for t = 1 .. threads - 1 on threads of their own and work(0)
// on the caller's, and waits for all of them. The first exception any of
// them threw is thrown again on the caller's thread once all are done.
template <class Work> void RunOnThreads(size_t threads, const Work& work) {
    std::vector<std::exception_ptr> failures(threads > 0 ? threads : 1);
    const auto guarded = [&](size_t t) {
        try {
            work(t);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t)
        pool.emplace_back(guarded, t);
    guarded(0);
    for (std::thread& th : pool)
        th.join();
    for (const std::exception_ptr& f : failures)
        if (f)
            std::rethrow_exception(f);
}

} // namespace tessivo
