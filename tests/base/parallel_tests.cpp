#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/parallel.h"

namespace {

TEST(WorkerCount, EnvironmentThenOverride) {
    const char* saved = std::getenv("KADREL_THREADS");
    const std::string keep = saved ? saved : "";
    setenv("KADREL_THREADS", "1", 1);
    EXPECT_EQ(base::workerCount(), 1);
    setenv("KADREL_THREADS", "3", 1);
    EXPECT_EQ(base::workerCount(), 3);
    {
        const base::ScopedWorkerCount five(5);
        EXPECT_EQ(base::workerCount(), 5);
    }
    EXPECT_EQ(base::workerCount(), 3);
    for (const char* nonsense : {"0", "-2", "two", "", "4x"}) {
        setenv("KADREL_THREADS", nonsense, 1);
        EXPECT_GE(base::workerCount(), 1) << nonsense;
        EXPECT_EQ(base::workerCount(), static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
            << nonsense;
    }
    if (saved)
        setenv("KADREL_THREADS", keep.c_str(), 1);
    else
        unsetenv("KADREL_THREADS");
}

class ParallelFor : public testing::TestWithParam<int> {};

// Every item runs once, and the finished count reaches the caller in order, one step at a time,
// on its own thread; with more workers than items too.
TEST_P(ParallelFor, RunsEachItemOnceAndReportsInOrder) {
    const base::ScopedWorkerCount workers(GetParam());
    for (int count : {0, 1, 2, 3, 7, 100}) {
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
        std::vector<int> reports;
        const std::thread::id caller = std::this_thread::get_id();
        bool onCaller = true;
        base::parallelFor(
            count, [&](int i) { runs[static_cast<std::size_t>(i)].fetch_add(1); },
            [&](int finished) {
                onCaller = onCaller && std::this_thread::get_id() == caller;
                reports.push_back(finished);
            });
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << count << " " << i;
        ASSERT_EQ(static_cast<int>(reports.size()), count);
        for (int i = 0; i < count; ++i) EXPECT_EQ(reports[static_cast<std::size_t>(i)], i + 1);
        EXPECT_TRUE(onCaller);
    }
}

// The first item in order that throws is the one the caller sees, every item before it has run,
// and nothing is reported past the last item finished in order before it.
TEST_P(ParallelFor, FirstFailureInOrderIsRethrown) {
    const base::ScopedWorkerCount workers(GetParam());
    std::vector<std::atomic<int>> runs(40);
    int reported = 0;
    try {
        base::parallelFor(
            40,
            [&](int i) {
                runs[static_cast<std::size_t>(i)].fetch_add(1);
                if (i == 13 || i == 17 || i == 30) throw std::runtime_error(std::to_string(i));
            },
            [&](int finished) { reported = finished; });
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "13");
    }
    for (int i = 0; i <= 13; ++i) EXPECT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << i;
    EXPECT_LE(reported, 13);
}

// A report that throws (a cancelled progress bar) ends the call with its exception.
TEST_P(ParallelFor, ReportThatThrowsEndsTheCall) {
    const base::ScopedWorkerCount workers(GetParam());
    std::atomic<int> ran{0};
    EXPECT_THROW(base::parallelFor(
                     50, [&](int) { ran.fetch_add(1); },
                     [&](int finished) {
                         if (finished == 3) throw std::logic_error("cancel");
                     }),
                 std::logic_error);
    EXPECT_GE(ran.load(), 3);
}

// A parallelFor inside an item runs on that item's thread, one by one.
TEST_P(ParallelFor, NestedCallsRunSerially) {
    const base::ScopedWorkerCount workers(GetParam());
    std::atomic<int> total{0};
    std::atomic<bool> sameThread{true};
    base::parallelFor(6, [&](int) {
        const std::thread::id outer = std::this_thread::get_id();
        base::parallelFor(5, [&](int) {
            if (std::this_thread::get_id() != outer) sameThread = false;
            total.fetch_add(1);
        });
    });
    EXPECT_EQ(total.load(), 30);
    EXPECT_TRUE(sameThread.load());
}

INSTANTIATE_TEST_SUITE_P(Workers, ParallelFor, testing::Values(1, 2, 4, 16));

TEST(RowBands, CoverEveryRowOnceInOrder) {
    for (int rows : {1, 2, 7, 100, 4001})
        for (int bands : {1, 2, 3, 8, 16}) {
            if (bands > rows) continue;
            int next = 0;
            for (int b = 0; b < bands; ++b) {
                const base::RowBand band = base::rowBand(rows, bands, b);
                EXPECT_EQ(band.first, next);
                EXPECT_GT(band.last, band.first) << rows << " " << bands << " " << b;
                next = band.last;
            }
            EXPECT_EQ(next, rows);
        }
}

TEST(RowBands, SmallWorkAndOneWorkerStayWhole) {
    const base::ScopedWorkerCount four(4);
    EXPECT_EQ(base::bandsFor(100, 10), 1);     // too little work
    EXPECT_EQ(base::bandsFor(1, 1 << 20), 1);  // one row
    EXPECT_EQ(base::bandsFor(3, 1 << 20), 3);  // never more bands than rows
    EXPECT_GT(base::bandsFor(4000, 6000), 4);
    {
        const base::ScopedWorkerCount small(4, true);
        EXPECT_EQ(base::bandsFor(100, 10), 32);
        EXPECT_EQ(base::workersFor(0), 4);
    }
    EXPECT_EQ(base::workersFor(0), 1);
    const base::ScopedWorkerCount one(1, true);
    EXPECT_EQ(base::bandsFor(4000, 6000), 1);
}

}  // namespace
