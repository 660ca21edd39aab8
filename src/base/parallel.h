#pragma once

#include <functional>

namespace base {

// How many threads a pass may use: KADREL_THREADS when it is a positive number (1 runs everything
// on the calling thread, for tests and benchmarks), else the machine's hardware threads.
int workerCount();

// Sets the worker count for as long as it lives, ahead of KADREL_THREADS; for tests. With
// evenSmallWork, passes split work too small to pay for threads as well.
class ScopedWorkerCount {
public:
    explicit ScopedWorkerCount(int workers, bool evenSmallWork = false);
    ~ScopedWorkerCount();
    ScopedWorkerCount(const ScopedWorkerCount&) = delete;
    ScopedWorkerCount& operator=(const ScopedWorkerCount&) = delete;

private:
    int previous_;
    bool previousSmall_;
};

// Runs body(0) .. body(count - 1), each once, on up to workerCount() threads with the caller one of
// them, and returns when all have finished; no thread outlives the call. Items are started in order,
// so when some throw, every item before the first that threw has run, and that first exception is
// rethrown. finished(n), when given, is called on the calling thread each time the items finished
// from the start grow to n, so progress still moves in order. A call from inside a body runs
// serially.
void parallelFor(int count, const std::function<void(int)>& body,
                 const std::function<void(int finished)>& finished = {});

// Rows [first, last) of band `band` when `rows` rows are cut into `bands` bands of near-equal height.
struct RowBand {
    int first;
    int last;
};
RowBand rowBand(int rows, int bands, int band);

// The workers for `work` units (bytes or pixels) of work: one when it is too small to pay for
// starting threads, else workerCount().
int workersFor(long long work);

// Bands for a pass over `rows` rows of `rowCost` units each (bytes or pixels): one when the whole
// is too small to pay for threads or one worker is asked for, else a few per worker, never more
// than the rows.
int bandsFor(int rows, long long rowCost);

}  // namespace base
