// The pin trace: its bounded store against a plain list of every change, the queries a
// timing diagram makes, the cursor read-outs, and what the chip records into it.

#include "simulator/Pic16c84.h"
#include "simulator/Trace.h"
#include "simulator/TraceReadout.h"

#include "Words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace tarvik::sim {
namespace {

using namespace words;

// A plain list of changes: the reference the trace is checked against.
struct Reference {
    std::vector<TraceSample> samples;
    std::size_t first = 0;  // the oldest the trace still holds

    std::optional<std::uint32_t> levelsAt(std::uint64_t cycle) const
    {
        std::optional<std::uint32_t> levels;
        for (std::size_t k = first; k < samples.size() && samples[k].cycle <= cycle; ++k)
            levels = samples[k].levels;
        return levels;
    }
    // Changes of the samples in [from, to) cycles, the oldest kept not counting as one.
    std::uint32_t changedIn(std::uint64_t from, std::uint64_t to) const
    {
        std::uint32_t changed = 0;
        for (std::size_t k = first + 1; k < samples.size(); ++k)
            if (samples[k].cycle >= from && samples[k].cycle < to)
                changed |= samples[k].levels ^ samples[k - 1].levels;
        return changed;
    }
    std::optional<std::uint64_t> edge(int signal, std::uint64_t cycle, bool next) const
    {
        std::optional<std::uint64_t> found;
        for (std::size_t k = first + 1; k < samples.size(); ++k)
            if (((samples[k].levels ^ samples[k - 1].levels) >> signal) & 1) {
                if (next && samples[k].cycle > cycle)
                    return samples[k].cycle;
                if (!next && samples[k].cycle < cycle)
                    found = samples[k].cycle;
            }
        return found;
    }
};

// Random changes: mostly short gaps, some at the same cycle, a few too long for a 32-bit
// offset. Each sample changes at least one signal, as the chip's do.
Reference record(Trace& trace, int count, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    Reference reference;
    std::uint64_t cycle = 0;
    std::uint32_t levels = 0x15;
    for (int i = 0; i < count; ++i) {
        const unsigned kind = random() % 1000;
        cycle += kind < 100 ? 0 : kind < 995 ? random() % 40 : (std::uint64_t{1} << 32) + random() % 1000;
        levels ^= 1u << (random() % 5) | (random() % 8 == 0 ? 1u << 20 : 0);
        trace.record(cycle, levels);
        reference.samples.push_back({cycle, levels});
    }
    return reference;
}

TEST(Trace, KeepsTheNewestChangesAndAnswersLikeAPlainList)
{
    constexpr std::size_t kKept = 5000;
    Trace trace(kKept);
    for (const std::uint64_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        trace.clear();
        Reference reference = record(trace, seed == 3 ? 3000 : 20000, seed);

        // Samples kept, without the fillers that pad a group across a long gap (a filler
        // repeats the sample before it; real samples always change something).
        std::vector<TraceSample> kept;
        for (std::uint64_t k = trace.begin(); k < trace.end(); ++k) {
            const TraceSample s = trace.sample(k);
            if (kept.empty() || s.cycle != kept.back().cycle || s.levels != kept.back().levels)
                kept.push_back(s);
        }
        ASSERT_GE(kept.size(), std::min(kKept, reference.samples.size()));
        if (seed != 3) {
            EXPECT_GT(trace.dropped(), 0u);
            EXPECT_GT(trace.end() - trace.begin(), kept.size());  // long gaps padded
        }
        reference.first = reference.samples.size() - kept.size();
        for (std::size_t k = 0; k < kept.size(); ++k) {
            ASSERT_EQ(kept[k].cycle, reference.samples[reference.first + k].cycle) << k;
            ASSERT_EQ(kept[k].levels, reference.samples[reference.first + k].levels) << k;
        }
        EXPECT_LE(trace.memoryBytes(), 200'000u);

        std::mt19937_64 random(seed * 7);
        const std::uint64_t lastCycle = reference.samples.back().cycle;
        for (int probe = 0; probe < 300; ++probe) {
            const std::uint64_t cycle = random() % (lastCycle + 50);
            ASSERT_EQ(trace.levelsAt(cycle), reference.levelsAt(cycle)) << cycle;
            const int signal = static_cast<int>(random() % 6);
            ASSERT_EQ(trace.nextEdge(signal, cycle), reference.edge(signal, cycle, true)) << cycle;
            ASSERT_EQ(trace.previousEdge(signal, cycle), reference.edge(signal, cycle, false)) << cycle;
            const std::uint64_t index = trace.lowerBound(cycle);
            ASSERT_TRUE(index == trace.end() || trace.sample(index).cycle >= cycle);
            ASSERT_TRUE(index == trace.begin() || trace.sample(index - 1).cycle < cycle);
        }

        // Pixel columns at zooms from many thousands of cycles a column to a cycle 64 wide.
        for (const double perColumn : {1e7, 5000.0, 37.5, 1.0, 0.25, 1.0 / 64}) {
            const double start = static_cast<double>(random() % (lastCycle + 1));
            std::vector<TraceColumn> columns(64);
            trace.columns(start, perColumn, columns);
            for (std::size_t c = 0; c < columns.size(); ++c) {
                SCOPED_TRACE("column " + std::to_string(c) + " at " + std::to_string(perColumn));
                const auto from = static_cast<std::uint64_t>(std::ceil(start + static_cast<double>(c) * perColumn));
                const auto to = static_cast<std::uint64_t>(std::ceil(start + static_cast<double>(c + 1) * perColumn));
                const auto after = to == 0 ? std::nullopt : reference.levelsAt(to - 1);
                ASSERT_EQ(columns[c].known, after.has_value());
                if (!after)
                    continue;
                EXPECT_EQ(columns[c].after, *after);
                EXPECT_EQ(columns[c].changed, reference.changedIn(from, to));
                if (const auto before = from == 0 ? std::nullopt : reference.levelsAt(from - 1)) {
                    EXPECT_EQ(columns[c].before, *before);
                }
            }
        }
    }
}

TEST(TraceReadout, CursorsTimesAndPulses)
{
    // RB0 (signal 5) toggles every 500000 cycles from 1000: a 1 Hz blinker at 4 MHz.
    Trace trace;
    trace.record(0, 0);
    for (std::uint64_t k = 0; k < 8; ++k)
        trace.record(1000 + 500'000 * k, k % 2 == 0 ? 1u << 5 : 0u);

    TimeAxis axis{1000, 2500};  // 2500 cycles a pixel from cycle 1000
    struct Case {
        double x;
        std::uint64_t cycle;
        std::optional<bool> level;
        std::uint64_t pulseStart, pulseEnd;
    };
    const Case kCases[] = {
        {0, 1000, true, 1000, 501'000},        // on the first edge
        {199.9, 500'750, true, 1000, 501'000},  // within the first high stretch
        {200, 501'000, false, 501'000, 1'001'000},
        {400.5, 1'002'250, true, 1'001'000, 1'501'000},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.x);
        const std::uint64_t cycle = cursorCycle(axis, c.x);
        EXPECT_EQ(cycle, c.cycle);
        EXPECT_EQ(levelAt(trace, 5, cycle), c.level);
        const auto pulse = pulseAt(trace, 5, cycle);
        ASSERT_TRUE(pulse);
        EXPECT_EQ(pulse->start, c.pulseStart);
        EXPECT_EQ(pulse->end, c.pulseEnd);
        EXPECT_EQ(pulse->level, *c.level);
        EXPECT_EQ(pulse->period, 1'000'000u);
        EXPECT_EQ(formatSpan(pulse->start, pulse->end, 4'000'000), "500000 cycles = 500 ms");
    }
    EXPECT_EQ(levelAt(trace, 5, 999), false);
    EXPECT_FALSE(pulseAt(trace, 5, 999));  // before the first edge: no pulse to measure
    EXPECT_FALSE(pulseAt(trace, 5, 3'600'000));  // after the last
    EXPECT_EQ(nearestEdge(trace, 5, 500'000, 2000), 501'000u);
    EXPECT_EQ(nearestEdge(trace, 5, 751'000, 2000), std::nullopt);
    EXPECT_EQ(nearestEdge(trace, 5, 1'000'000, 600'000), 1'001'000u);

    // Zooming keeps the cycle under the mouse; time stops at 0.
    const TimeAxis in = axis.zoomedAt(100, 10);
    EXPECT_DOUBLE_EQ(in.cyclesPerPixel, 250);
    EXPECT_DOUBLE_EQ(in.cycleAt(100), axis.cycleAt(100));
    EXPECT_DOUBLE_EQ(axis.zoomedAt(0, 1e9).cyclesPerPixel, TimeAxis::kMinCyclesPerPixel);
    EXPECT_DOUBLE_EQ(axis.scrolledBy(-1000).firstCycle, 0);
    EXPECT_DOUBLE_EQ(axis.zoomedAt(400, 0.5).firstCycle, 0);

    const std::pair<std::pair<std::uint64_t, std::uint32_t>, const char*> kSpans[] = {
        {{1, 4'000'000}, "1 cycle = 1 us"},
        {{3, 20'000'000}, "3 cycles = 600 ns"},
        {{1, 32'768}, "1 cycle = 122.0703 us"},
        {{2'500'000, 10'000'000}, "2500000 cycles = 1 s"},
        {{0, 4'000'000}, "0 cycles = 0 s"},
        {{1'117, 3'579'545}, "1117 cycles = 1.2482 ms"},
    };
    for (const auto& [span, text] : kSpans)
        EXPECT_EQ(formatSpan(100, 100 + span.first, span.second), text);
    EXPECT_EQ(formatSpan(700, 200, 4'000'000), "500 cycles = 500 us");
}

TEST(Trace, TheChipRecordsPinsAtTheEndOfTheWritingCycleAndWatchedBits)
{
    // RB0 high, then low, round a goto: rises at 4, 8, 12..., falls at 5, 9, 13...
    Pic16c84 chip;
    chip.loadProgram(memory({bsf(reg::STATUS, 5), clrf(reg::TRISB & 0x7F), bcf(reg::STATUS, 5),
                             bsf(reg::PORTB, 0), bcf(reg::PORTB, 0), incf(0x20, F), goto_(3)}));
    chip.powerOnReset();
    Trace trace;
    chip.setTrace(&trace);
    chip.setWatch(0, WatchedBit{0x20, 0});              // signal 13
    chip.setWatch(1, WatchedBit{reg::STATUS, 2});       // Z, signal 14
    chip.run(3 + 4 * 100);
    EXPECT_EQ(trace.sample(0).cycle, 0u);
    for (std::uint64_t turn = 0; turn < 100; ++turn) {
        SCOPED_TRACE(turn);
        const std::uint64_t rise = 4 + 5 * turn;
        EXPECT_EQ(trace.nextEdge(5, rise - 1), rise);
        EXPECT_EQ(trace.nextEdge(5, rise), rise + 1);
        EXPECT_EQ(trace.nextEdge(kPinSignals, rise), rise + 2);  // incf 0x20 in the next cycle
    }
    EXPECT_EQ(trace.levelsAt(1000).value_or(0) & kPinSignalMask, 0u);
    // Z, set by clrf TRISB and cleared by the first incf, rises again as 0x20 wraps to 0.
    chip.run(4 * 200);
    EXPECT_EQ(trace.nextEdge(kPinSignals + 1, 0), 2u);
    EXPECT_EQ(trace.nextEdge(kPinSignals + 1, 2), 6u);
    EXPECT_EQ(trace.nextEdge(kPinSignals + 1, 6), 3 + 5 * 255 + 3);

    // An input from outside at a given cycle, stamped with it; a reset starts the trace anew.
    chip.setInputPin(Port::A, 2, true, chip.cycles() - 1);
    EXPECT_EQ(trace.nextEdge(2, 0), chip.cycles() - 1);
    chip.powerOnReset();
    EXPECT_EQ(trace.end() - trace.begin(), 1u);
    EXPECT_EQ(trace.sample(trace.begin()).cycle, 0u);
}

} // namespace
} // namespace tarvik::sim
