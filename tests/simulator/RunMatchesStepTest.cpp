// run() takes a faster road than step() where it can; on random programs both must leave
// the chip in the same state after every stretch, and record the same trace.

#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"

#include "model/DeviceDefaults.h"

#include "FakeScreen.h"
#include "RandomProgram.h"
#include "Words.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

void expectSameState(const Pic16c84& a, const Pic16c84& b, const std::string& where)
{
    ASSERT_EQ(a.pc(), b.pc()) << where;
    ASSERT_EQ(a.w(), b.w()) << where;
    ASSERT_EQ(a.cycles(), b.cycles()) << where;
    ASSERT_EQ(a.asleep(), b.asleep()) << where;
    ASSERT_EQ(a.stackDepth(), b.stackDepth()) << where;
    for (int i = 0; i < kStackLevels; ++i)
        ASSERT_EQ(a.stackEntry(i), b.stackEntry(i)) << where;
    for (int address = 0; address < 256; ++address)
        ASSERT_EQ(a.peek(address), b.peek(address)) << where << " register " << address;
    for (int address = 0; address < kEepromBytes; ++address)
        ASSERT_EQ(a.eeprom(address), b.eeprom(address)) << where;
}

TEST(RunMatchesStep, OnRandomPrograms)
{
    const DeviceDefaults defaults;
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        test::RandomProgramOptions options;
        options.subroutines = options.indirectAccess = options.timerAccess = true;
        auto doc = test::makeRandomProgram(defaults, seed, options);
        test::FakeScreen screen;
        SimProgram program;
        ASSERT_TRUE(assembleForSimulation(*doc, screen, program));
        Pic16c84 stepped, ran;
        // Traced, with register bits watched that the fast road writes or passes by.
        Trace steppedTrace, ranTrace;
        const std::vector<WatchedBit> kWatches[] = {
            {}, {{0x0C, 0}, {0x0D, 7}, {0x8E, 3}}, {{reg::STATUS, 0}, {reg::INTCON, 2}, {reg::TMR0, 0}},
            {{reg::FSR, 1}, {reg::INDF, 0}, {0x0C, 1}}};
        for (Pic16c84* chip : {&stepped, &ran}) {
            chip->loadProgram(program.words);
            chip->setWatchdogEnabled(seed % 3 == 0);
            chip->powerOnReset();
            chip->setTrace(chip == &ran ? &ranTrace : &steppedTrace);
            int slot = 0;
            for (const WatchedBit& watch : kWatches[seed % 4])
                chip->setWatch(slot++, watch);
        }
        // Stretches of growing length, so that run() starts at every kind of place.
        for (std::uint64_t stretch = 1; stretch <= 64; stretch *= 2) {
            std::uint64_t steps = 0;
            while (steps < stretch && stepped.step() != StepOutcome::Asleep)
                ++steps;
            ASSERT_EQ(ran.run(stretch), steps) << "seed " << seed;
            expectSameState(stepped, ran, "seed " + std::to_string(seed) + " stretch " + std::to_string(stretch));
        }
        ASSERT_EQ(ranTrace.end(), steppedTrace.end()) << "seed " << seed;
        for (std::uint64_t k = 0; k < ranTrace.end(); ++k) {
            ASSERT_EQ(ranTrace.sample(k).cycle, steppedTrace.sample(k).cycle) << "seed " << seed << " sample " << k;
            ASSERT_EQ(ranTrace.sample(k).levels, steppedTrace.sample(k).levels) << "seed " << seed << " sample " << k;
        }
    }
}

// Delay loops, which run() takes in one go, stopped at every count around their ends.
TEST(RunMatchesStep, ThroughDelayLoops)
{
    const auto code = words::memory({
        words::movlw(3), words::movwf(0x20), words::movlw(0xFD), words::movwf(0x22),
        words::decfsz(0x20, words::F), words::goto_(4),      // 3 turns
        words::incfsz(0x22, words::F), words::goto_(6),      // 3 turns
        words::decfsz(0x21, words::F), words::goto_(8),      // 256 turns
        words::decfsz(0x20, words::W), words::goto_(10),     // to W: no loop
        words::goto_(0)});
    for (std::uint64_t stretch : {1u, 2u, 3u, 5u, 7u, 11u, 509u, 510u, 511u, 1000u}) {
        Pic16c84 stepped, ran;
        for (Pic16c84* chip : {&stepped, &ran}) {
            chip->loadProgram(code);
            chip->powerOnReset();
        }
        for (int turn = 0; turn < 6; ++turn) {
            for (std::uint64_t i = 0; i < stretch; ++i)
                stepped.step();
            ASSERT_EQ(ran.run(stretch), stretch);
            expectSameState(stepped, ran, "stretch " + std::to_string(stretch) + " turn " + std::to_string(turn));
        }
    }
}

} // namespace
} // namespace tarvik::sim
