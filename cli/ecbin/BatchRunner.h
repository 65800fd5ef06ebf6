#pragma once
#include <cstddef>
#include <functional>

// Runs work(0) ... work(count - 1) on a few worker threads, each index once;
// every index is independent of the others. An exception escaping work is
// passed on after all threads have stopped (the first one wins).
class BatchRunner {
public:
    // threads <= 0: one per hardware thread. Never more threads than items.
    static void ForEach(size_t count, int threads, const std::function<void(size_t)>& work);
    static int ThreadCount(size_t count, int requested);
};
