// The value change dump as text: time units per clock, and what a trace becomes.

#include "simulator/VcdWriter.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

TEST(VcdWriter, TimeUnitInWhichACycleIsWhole)
{
    const std::tuple<std::uint32_t, const char*, std::uint64_t> kCases[] = {
        {4'000'000, "1 us", 1},        {20'000'000, "100 ns", 2},   {10'000'000, "100 ns", 4},
        {1'000'000, "1 us", 4},        {32'768, "100 fs", 1'220'703'125}, {40, "100 ms", 1},
        {1, "1 s", 4},                 {3'579'545, "1 ps", 0},
    };
    for (const auto& [clockHz, text, units] : kCases) {
        SCOPED_TRACE(clockHz);
        const VcdTimescale timescale = vcdTimescale(clockHz);
        EXPECT_EQ(timescale.text, text);
        EXPECT_EQ(timescale.unitsPerCycle, units);
    }
}

TEST(VcdWriter, WritesNetChangesAtEachTimeFromTheOldestKept)
{
    // RB0 (5) and a watched bit (13); RA0 (0) is traced but not written.
    Trace trace;
    trace.record(10, 0b1);
    trace.record(12, 0b1 | 1u << 5);
    trace.record(15, 0b0 | 1u << 13);            // RA0 falls: nothing to write for it
    trace.record(15, 0b0 | 1u << 5 | 1u << 13);  // RB0 back up at the same cycle: no change
    trace.record(20, 0b0);
    VcdWriter writer(20'000'000, {{5, "RB0"}, {13, "STATUS.Z"}});
    EXPECT_EQ(writer.dump(trace, 25, "a test"),
              "$version Tarvik PIC16C84 simulator $end\n"
              "$comment a test $end\n"
              "$timescale 100 ns $end\n"
              "$scope module PIC16C84 $end\n"
              "$var wire 1 A RB0 $end\n"
              "$var wire 1 B STATUS.Z $end\n"
              "$upscope $end\n"
              "$enddefinitions $end\n"
              "#20\n"
              "$dumpvars\n0A\n0B\n$end\n"
              "#24\n1A\n"
              "#30\n1B\n"
              "#40\n0A\n0B\n"
              "#50\n");
}

} // namespace
} // namespace tarvik::sim
