// Delays measured on the simulator: the count asked for is the count the chip takes.

#include "timing/DelayGenerator.h"
#include "timing/DelayInsertion.h"

#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace tarvik {
namespace {

struct Measured {
    std::uint64_t cycles = 0;
    int words = 0;
    std::set<std::string> registers;
};

// The delay in a program of its own: `call Delay` then `sleep` before a subroutine, or the
// inline code then `sleep`; run from reset until the chip sleeps.
Measured measure(const DeviceDefaults& defaults, std::uint64_t cycles, DelayForm form)
{
    ProgramDocument doc(defaults);
    test::FakeScreen screen;
    if (form == DelayForm::Subroutine) {
        test::ProgramBuilder p(doc);
        p.line(28, "Delay");
        p.line(32);
    }
    DelayRequest request;
    request.cycles = cycles;
    request.form = form;
    const std::optional<DelayPlan> plan = insertDelay(doc, screen, request);
    EXPECT_TRUE(plan) << cycles << (screen.messages.empty() ? "" : ": " + screen.messages[0].text);
    if (!plan)
        return {};
    if (form == DelayForm::Inline)
        test::ProgramBuilder(doc).line(32);

    sim::SimProgram program;
    EXPECT_TRUE(sim::assembleForSimulation(doc, screen, program)) << cycles;
    sim::Pic16c84 chip;
    chip.loadProgram(program.words);
    chip.powerOnReset();
    chip.run(1'000'000'000);
    EXPECT_TRUE(chip.asleep()) << cycles;

    Measured measured;
    measured.cycles = chip.cycles() - 1;  // less the sleep
    measured.words = static_cast<int>(std::count_if(program.lines.begin(), program.lines.end(),
                                                    [](std::int32_t line) { return line >= 0; }))
        - (form == DelayForm::Subroutine ? 2 : 1);
    for (const ProgramLine& line : doc.lines)
        if (line.code == 21)
            measured.registers.insert(std::string(line.operandText()));
    EXPECT_EQ(measured.words, plan->words()) << cycles;
    EXPECT_EQ(static_cast<int>(measured.registers.size()), plan->registerCount()) << cycles;
    EXPECT_EQ(plan->cycles, cycles);
    return measured;
}

// The most a delay with that many registers and no padding takes: every count 256.
std::uint64_t reach(DelayForm form, int registers)
{
    return delayCycles(DelayPlan{form, 0, std::vector<int>(static_cast<std::size_t>(registers), 256), 0});
}

std::vector<std::uint64_t> countsToMeasure()
{
    std::vector<std::uint64_t> counts;
    for (std::uint64_t n = kMinDelayCycles; n <= 300; ++n)
        counts.push_back(n);
    // Where one more register starts to pay, the padding is longest.
    for (std::uint64_t start : {770u, 197120u, 50463235u})
        for (std::uint64_t n = start; n < start + 25; ++n)
            counts.push_back(n);
    std::mt19937_64 random(20);
    for (int i = 0; i < 250; ++i) {
        const double spread = 300.0 * std::pow(kMaxDelayCycles / 300.0, i / 249.0);
        counts.push_back(std::min<std::uint64_t>(kMaxDelayCycles, static_cast<std::uint64_t>(spread) + random() % 97));
    }
    counts.push_back(kMaxDelayCycles - 1);
    counts.push_back(kMaxDelayCycles);
    return counts;
}

TEST(DelayGenerator, EveryCountTakesExactlyThatManyCyclesOnTheSimulator)
{
    const DeviceDefaults defaults;
    for (DelayForm form : {DelayForm::Subroutine, DelayForm::Inline}) {
        for (std::uint64_t n : countsToMeasure()) {
            const Measured measured = measure(defaults, n, form);
            ASSERT_EQ(measured.cycles, n) << (form == DelayForm::Inline ? "inline" : "subroutine");
            // As few registers as the length needs: one fewer could not reach it.
            const int registers = static_cast<int>(measured.registers.size());
            ASSERT_GE(registers, 1);
            if (registers > 1) {
                ASSERT_GT(n, reach(form, registers - 1)) << n;
            }
        }
    }
}

TEST(DelayGenerator, CountsOutsideTheRangeAreRefused)
{
    for (std::uint64_t n : {std::uint64_t{0}, std::uint64_t{7}, kMaxDelayCycles + 1, ~std::uint64_t{0}}) {
        EXPECT_FALSE(planDelay(n, DelayForm::Subroutine)) << n;
        EXPECT_FALSE(planDelay(n, DelayForm::Inline)) << n;
    }
    EXPECT_EQ(delayRangeMessage(7), "A delay takes from 8 to 100000000 cycles, not 7.");
    EXPECT_TRUE(planDelay(kMinDelayCycles, DelayForm::Subroutine));
}

TEST(DelayGenerator, MpasmSourceNamesItsRegistersAndPadsWithoutLabels)
{
    const std::optional<DelayPlan> plan = planDelay(783, DelayForm::Subroutine);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->padCycles, 10);
    // A name of 14 characters: the derived names keep within 13.
    const DelayNames names = delayNames("ABCDEFGHIJKLMN", *plan);
    EXPECT_EQ(names.pads, (std::vector<std::string>{"ABCDEFGHIPad1", "ABCDEFGHIPad2", "ABCDEFGHIPad3", "ABCDEFGHIPad4"}));
    EXPECT_EQ(delayMpasmSource(*plan, names, 0x20),
              "; ABCDEFGHIJKLMN: 783 cycles from the start of its call to the instruction after the call.\n"
              "; It changes W and the registers below, and no flag.\n"
              "ABCDEFGHICnt1   equ     0x20\n"
              "ABCDEFGHIJKLMN  movlw   D'0'            ; 783 cycles including the call\n"
              "                movwf   ABCDEFGHICnt1\n"
              "                goto    $+1\n"
              "                goto    $+1\n"
              "                goto    $+1\n"
              "                goto    $+1\n"
              "                goto    $+1\n"
              "ABCDEFGHILoop   decfsz  ABCDEFGHICnt1,F\n"
              "                goto    ABCDEFGHILoop\n"
              "                return\n");
}

} // namespace
} // namespace tarvik
