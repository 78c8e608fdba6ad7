// run() takes a faster road than step() where it can; on random programs both must leave
// the chip in the same state after every stretch.

#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"

#include "model/DeviceDefaults.h"

#include "FakeScreen.h"
#include "RandomProgram.h"

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
        for (Pic16c84* chip : {&stepped, &ran}) {
            chip->loadProgram(program.words);
            chip->setWatchdogEnabled(seed % 3 == 0);
            chip->powerOnReset();
        }
        // Stretches of growing length, so that run() starts at every kind of place.
        for (std::uint64_t stretch = 1; stretch <= 64; stretch *= 2) {
            std::uint64_t steps = 0;
            while (steps < stretch && stepped.step() != StepOutcome::Asleep)
                ++steps;
            ASSERT_EQ(ran.run(stretch), steps) << "seed " << seed;
            expectSameState(stepped, ran, "seed " + std::to_string(seed) + " stretch " + std::to_string(stretch));
        }
    }
}

} // namespace
} // namespace tarvik::sim
