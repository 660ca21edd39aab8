#include "base/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace base {

namespace {

std::atomic<int> forcedWorkers{0};
std::atomic<bool> splitSmallWork{false};
thread_local bool insideParallelFor = false;

// Below this much work a pass stays on one thread: starting threads costs tens of microseconds.
constexpr long long kMinParallelWork = 1 << 16;
constexpr int kBandsPerWorker = 8;

}  // namespace

int workerCount() {
    if (const int forced = forcedWorkers.load(std::memory_order_relaxed); forced > 0) return forced;
    if (const char* text = std::getenv("KADREL_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n > 0) return static_cast<int>(std::min(n, 256L));
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

ScopedWorkerCount::ScopedWorkerCount(int workers, bool evenSmallWork)
    : previous_(forcedWorkers.exchange(std::max(1, workers), std::memory_order_relaxed)),
      previousSmall_(splitSmallWork.exchange(evenSmallWork, std::memory_order_relaxed)) {}

ScopedWorkerCount::~ScopedWorkerCount() {
    forcedWorkers.store(previous_, std::memory_order_relaxed);
    splitSmallWork.store(previousSmall_, std::memory_order_relaxed);
}

int workersFor(long long work) {
    if (work < kMinParallelWork && !splitSmallWork.load(std::memory_order_relaxed)) return 1;
    return workerCount();
}

void parallelFor(int count, const std::function<void(int)>& body, const std::function<void(int)>& finished) {
    if (count <= 0) return;
    const int threads = insideParallelFor ? 1 : std::min(workerCount(), count);
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) {
            body(i);
            if (finished) finished(i + 1);
        }
        return;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> done(static_cast<std::size_t>(count), 0);
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(count));
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    int doneCount = 0;

    // Takes items in order until none is left; after a failure the rest are left out, every item
    // before the failing one having been taken already.
    const auto work = [&] {
        insideParallelFor = true;
        for (;;) {
            const int i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= count) break;
            std::exception_ptr error;
            if (!failed.load(std::memory_order_relaxed)) {
                try {
                    body(i);
                } catch (...) {
                    error = std::current_exception();
                    failed.store(true, std::memory_order_relaxed);
                }
            }
            {
                const std::lock_guard lock(mutex);
                done[static_cast<std::size_t>(i)] = 1;
                errors[static_cast<std::size_t>(i)] = error;
                ++doneCount;
            }
            changed.notify_all();
        }
        insideParallelFor = false;
    };

    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (...) {
        // No thread to be had: the caller does the rest alone.
    }

    // The caller reports the finished prefix between its own items and while it waits.
    int reported = 0;
    const auto report = [&](std::unique_lock<std::mutex>& lock) {
        int prefix = reported;
        while (prefix < count && done[static_cast<std::size_t>(prefix)] &&
               !errors[static_cast<std::size_t>(prefix)])
            ++prefix;
        while (reported < prefix && finished && !failed.load(std::memory_order_relaxed)) {
            ++reported;
            lock.unlock();
            finished(reported);
            lock.lock();
        }
        reported = prefix;
    };

    std::exception_ptr reportError;
    insideParallelFor = true;
    for (;;) {
        const int i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count) break;
        std::exception_ptr error;
        if (!failed.load(std::memory_order_relaxed)) {
            try {
                body(i);
            } catch (...) {
                error = std::current_exception();
                failed.store(true, std::memory_order_relaxed);
            }
        }
        std::unique_lock lock(mutex);
        done[static_cast<std::size_t>(i)] = 1;
        errors[static_cast<std::size_t>(i)] = error;
        ++doneCount;
        if (!reportError) {
            try {
                report(lock);
            } catch (...) {
                reportError = std::current_exception();
                failed.store(true, std::memory_order_relaxed);
            }
        }
    }
    {
        std::unique_lock lock(mutex);
        for (;;) {
            if (!reportError) {
                try {
                    report(lock);
                } catch (...) {
                    reportError = std::current_exception();
                    failed.store(true, std::memory_order_relaxed);
                }
            }
            if (doneCount == count) break;
            changed.wait(lock);
        }
    }
    insideParallelFor = false;
    for (std::thread& t : helpers) t.join();

    // A report that threw came before every item it did not report, as on one thread.
    if (reportError) std::rethrow_exception(reportError);
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

RowBand rowBand(int rows, int bands, int band) {
    const auto edge = [&](int b) { return static_cast<int>(static_cast<long long>(rows) * b / bands); };
    return RowBand{edge(band), edge(band + 1)};
}

int bandsFor(int rows, long long rowCost) {
    const int workers = workersFor(static_cast<long long>(rows) * rowCost);
    if (workers <= 1 || rows <= 1) return 1;
    return std::min(rows, workers * kBandsPerWorker);
}

}  // namespace base
