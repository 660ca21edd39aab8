#include "base/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
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

// An item's state: not yet finished, finished, or thrown.
constexpr int kPending = 0, kDone = 1, kFailed = 2;

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

    // Items and their outcomes pass between threads through atomics alone; the mutex only keeps
    // the caller from missing a wake-up.
    std::mutex mutex;
    std::condition_variable changed;
    std::unique_ptr<std::atomic<int>[]> state(new std::atomic<int>[static_cast<std::size_t>(count)]);
    for (int i = 0; i < count; ++i)
        state[static_cast<std::size_t>(i)].store(kPending, std::memory_order_relaxed);
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(count));  // each its item's thread's
    std::atomic<int> next{0};
    std::atomic<int> doneCount{0};
    // Items after the first that failed (or after the last reported when a report threw) are
    // left out; every item before it still runs, so the first failure in order is the one seen.
    std::atomic<int> lastToRun{count};
    const auto stopAfter = [&](int item) {
        int seen = lastToRun.load(std::memory_order_relaxed);
        while (item < seen && !lastToRun.compare_exchange_weak(seen, item, std::memory_order_relaxed)) {
        }
    };

    const auto runItem = [&](int i) {
        int outcome = kDone;
        if (i <= lastToRun.load(std::memory_order_relaxed)) {
            try {
                body(i);
            } catch (...) {
                errors[static_cast<std::size_t>(i)] = std::current_exception();
                stopAfter(i);
                outcome = kFailed;
            }
        }
        state[static_cast<std::size_t>(i)].store(outcome, std::memory_order_release);
        doneCount.fetch_add(1, std::memory_order_acq_rel);
    };
    const auto work = [&] {
        insideParallelFor = true;
        for (int i = next.fetch_add(1, std::memory_order_relaxed); i < count;
             i = next.fetch_add(1, std::memory_order_relaxed)) {
            runItem(i);
            { const std::lock_guard lock(mutex); }
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
    std::exception_ptr reportError;
    const auto canReport = [&] {
        return !reportError && reported < count &&
               state[static_cast<std::size_t>(reported)].load(std::memory_order_acquire) == kDone;
    };
    const auto report = [&] {
        try {
            while (canReport()) {
                ++reported;
                if (finished) finished(reported);
            }
        } catch (...) {
            reportError = std::current_exception();
            stopAfter(reported - 1);
        }
    };

    insideParallelFor = true;
    for (int i = next.fetch_add(1, std::memory_order_relaxed); i < count;
         i = next.fetch_add(1, std::memory_order_relaxed)) {
        runItem(i);
        report();
    }
    for (;;) {
        // Read before reporting: an item that ends after the report is then still waited for.
        const bool allDone = doneCount.load(std::memory_order_acquire) == count;
        report();
        if (allDone) break;
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return doneCount.load(std::memory_order_acquire) == count || canReport(); });
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
