// The simulator's stopwatch: laps and the total since its reset, through a chip reset too.

#include "timing/Stopwatch.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

TEST(Stopwatch, ReportsTheLastCommandAndTheTotalSinceItsReset)
{
    Stopwatch watch;
    watch.reset(0);
    watch.start(0);
    EXPECT_EQ(watch.lapText("Step Over", 1000, 4'000'000), "Step Over: 1000 cycles = 1 ms");
    watch.start(1000);
    EXPECT_EQ(watch.lapText("Step Over", 1001, 4'000'000), "Step Over: 1 cycle = 1 us");
    EXPECT_EQ(watch.totalText(1001, 4'000'000), "1001 cycles = 1.001 ms");

    watch.reset(1001);
    watch.start(1001);
    EXPECT_EQ(watch.lap(1003), 2u);
    EXPECT_EQ(watch.total(1003), 2u);
    EXPECT_EQ(watch.lapText("Run to Cursor", 1003, 20'000'000), "Run to Cursor: 2 cycles = 0.4 us");
    EXPECT_EQ(watch.totalText(1003, 20'000'000), "2 cycles = 0.4 us");

    // The chip's count went back to 0 under it: it counts from there.
    EXPECT_EQ(watch.lap(5), 5u);
    EXPECT_EQ(watch.total(5), 5u);
}

} // namespace
} // namespace tarvik
