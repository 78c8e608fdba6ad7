// Paced runs: how much simulated work is due for the wall-clock time gone, at each speed
// and clock, and what happens when the machine cannot keep up.

#include "simulator/Pacing.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvik::sim {
namespace {

constexpr std::int64_t kMs = 1'000'000;

TEST(Pacing, WorkDueForTheTimeGone)
{
    struct Case {
        const char* name;
        RunSpeed speed;
        std::uint32_t clockHz;
        std::int64_t elapsedNs;
        std::uint64_t done;
        std::uint64_t due;
        bool behind;
    };
    const Case kCases[] = {
        {"x1 at 4 MHz: a cycle a microsecond", RunSpeed::RealTime, 4'000'000, 16 * kMs, 0, 16'000, false},
        {"x1 at 20 MHz", RunSpeed::RealTime, 20'000'000, 16 * kMs, 0, 80'000, false},
        {"x1 at 32768 Hz, rounded down", RunSpeed::RealTime, 32'768, 100 * kMs, 0, 819, false},
        {"x1/10", RunSpeed::Tenth, 4'000'000, 16 * kMs, 0, 1'600, false},
        {"x1/100", RunSpeed::Hundredth, 4'000'000, 16 * kMs, 0, 160, false},
        {"x1/1000", RunSpeed::Thousandth, 4'000'000, 16 * kMs, 0, 16, false},
        {"x1/1000 at 32768 Hz: 8 cycles a second", RunSpeed::Thousandth, 32'768, 200 * kMs, 0, 1, false},
        {"what was done counts", RunSpeed::RealTime, 4'000'000, 32 * kMs, 16'003, 15'997, false},
        {"ahead (a long last instruction): wait", RunSpeed::RealTime, 4'000'000, 16 * kMs, 16'001, 0, false},
        {"animate: not yet", RunSpeed::Animate, 20'000'000, 200 * kMs, 0, 0, false},
        {"animate: one instruction", RunSpeed::Animate, 20'000'000, 250 * kMs, 0, 1, false},
        {"animate: the next", RunSpeed::Animate, 32'768, 510 * kMs, 1, 1, false},
        {"behind: at most a quarter second's work", RunSpeed::RealTime, 4'000'000, 500 * kMs, 100'000, 250'000, true},
        {"a quarter second late is not behind yet", RunSpeed::RealTime, 4'000'000, 250 * kMs, 0, 250'000, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Pace p = pace({0, 0}, c.elapsedNs, c.done, c.speed, c.clockHz);
        EXPECT_EQ(p.due, c.due);
        EXPECT_EQ(p.behind, c.behind);
        EXPECT_FALSE(p.unlimited);
    }
    EXPECT_TRUE(pace({0, 0}, kMs, 0, RunSpeed::Unlimited, 4'000'000).unlimited);
    EXPECT_EQ(paceUnit(RunSpeed::Animate), PaceUnit::Instructions);
    EXPECT_EQ(paceUnit(RunSpeed::Hundredth), PaceUnit::Cycles);
    EXPECT_DOUBLE_EQ(paceRate(RunSpeed::RealTime, 4'000'000), 1e6);
    EXPECT_DOUBLE_EQ(paceRate(RunSpeed::Thousandth, 32'768), 8.192);
}

TEST(Pacing, HoldsOverLongRunsAndRecoversAfterFallingBehind)
{
    // Screen-rate ticks for 10 s; each slice overshoots by up to one 2-cycle instruction.
    // The target is kept from the origin, so the run ends within an instruction of 10 s.
    for (const std::uint32_t clockHz : {32'768u, 4'000'000u, 3'579'545u, 20'000'000u}) {
        SCOPED_TRACE(clockHz);
        PaceOrigin origin;
        std::uint64_t done = 0;
        for (std::int64_t now = 0; now < 10'000 * kMs + 16'666'667; now += 16'666'667) {
            const Pace p = pace(origin, std::min(now, 10'000 * kMs), done, RunSpeed::RealTime, clockHz);
            ASSERT_FALSE(p.behind);
            done += p.due ? p.due + (now / 16'666'667) % 2 : 0;
        }
        const double expected = 10.0 * clockHz / 4;
        EXPECT_NEAR(static_cast<double>(done), expected, 2.0);
    }

    // Only a fifth of the work gets done: behind every time, each time at most a quarter
    // second's work, and no race to catch up once the machine keeps up again.
    PaceOrigin origin;
    std::uint64_t done = 0;
    std::int64_t now = 0;
    for (int tick = 0; tick < 100; ++tick) {
        now += 100 * kMs;
        const Pace p = pace(origin, now, done, RunSpeed::RealTime, 4'000'000);
        origin = p.origin;
        done += p.due / 5;
        if (tick >= 3) {
            EXPECT_TRUE(p.behind) << tick;
        }
        EXPECT_LE(p.due, 250'000u);
    }
    const Pace p = pace(origin, now + 16 * kMs, done + 250'000 - 250'000 / 5, RunSpeed::RealTime, 4'000'000);
    EXPECT_FALSE(p.behind);
    EXPECT_EQ(p.due, 16'000u);
}

} // namespace
} // namespace tarvik::sim
