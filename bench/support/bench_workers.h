#pragma once

// Names the worker count in every benchmark's context line; KADREL_THREADS=1 times one worker.
// Header-only, as bench_photo.h is.

#include <string>

#include <benchmark/benchmark.h>

#include "base/parallel.h"

namespace benchphoto {

inline const bool workersNoted = [] {
    benchmark::AddCustomContext("workers", std::to_string(base::workerCount()));
    return true;
}();

}  // namespace benchphoto
