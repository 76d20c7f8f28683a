#pragma once
// Runs a body on several threads that all start it at once (each spins until every thread is up),
// so that first uses of shared state really overlap, and joins them all. The body gets its
// thread's number from 0.
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

inline void RunThreadsTogether(int count, const std::function<void(int)>& body) {
    std::atomic<int> waiting{count};
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back([&waiting, &body, t] {
            --waiting;
            while (waiting > 0)
                std::this_thread::yield();
            body(t);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}
