#include "ecbin/BatchRunner.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

int BatchRunner::ThreadCount(size_t count, int requested)
{
    size_t n = requested > 0 ? static_cast<size_t>(requested) : std::thread::hardware_concurrency();
    if (n == 0)
        n = 1;
    if (n > count)
        n = count;
    return static_cast<int>(n == 0 ? 1 : n);
}

void BatchRunner::ForEach(size_t count, int threads, const std::function<void(size_t)>& work)
{
    if (count == 0)
        return;
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto worker = [&]() {
        for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            try {
                work(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    const int n = ThreadCount(count, threads);
    if (n == 1) {
        worker();
    } else {
        std::vector<std::thread> pool;
        for (int t = 0; t < n; ++t)
            pool.emplace_back(worker);
        for (std::thread& t : pool)
            t.join();
    }
    if (failure)
        std::rethrow_exception(failure);
}
