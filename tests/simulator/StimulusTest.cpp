// Input stimulus: the file's lines, and what a program sees of them in a session.

#include "simulator/Session.h"
#include "simulator/Stimulus.h"
#include "simulator/TraceReadout.h"

#include "Words.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

using namespace words;

TEST(Stimulus, ReadsLevelsClocksAndCommentsAndRefusesBadLines)
{
    const StimulusReadOutcome read = parseStimulus(
        "; a comment line\n"
        "\n"
        "200 RB0 1   ; rising\r\n"
        "100 rb7 1\n"
        "  50\tRA4/T0CKI  clock 10\n"
        "60 INT 0\n"
        "0 MCLR 0\n"
        "7 ra1 CLOCK 5 1");
    ASSERT_TRUE(read.stimulus) << read.error;
    const auto& items = read.stimulus->items;
    ASSERT_EQ(items.size(), 6u);
    // In time order; a clock's high time is half its period by default.
    const std::tuple<std::uint64_t, int, bool, std::uint64_t, std::uint64_t, int> kExpected[] = {
        {0, kMclrPin, false, 0, 0, 7}, {7, 1, false, 5, 1, 8}, {50, 4, false, 10, 5, 5},
        {60, 5, false, 0, 0, 6},       {100, 12, true, 0, 0, 4}, {200, 5, true, 0, 0, 3},
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [cycle, pin, level, period, high, line] = kExpected[i];
        EXPECT_EQ(items[i].cycle, cycle);
        EXPECT_EQ(items[i].pin, pin);
        EXPECT_EQ(items[i].level, level);
        EXPECT_EQ(items[i].period, period);
        EXPECT_EQ(items[i].high, high);
        EXPECT_EQ(items[i].line, line);
    }

    const std::pair<const char*, const char*> kBad[] = {
        {"10 RB0\n", "line 1: expected CYCLE PIN LEVEL or CYCLE PIN clock PERIOD [HIGH]"},
        {"; ok\n10 RB0 1 1\n", "line 2: expected CYCLE PIN LEVEL or CYCLE PIN clock PERIOD [HIGH]"},
        {"-5 RB0 1\n", "line 1: not a number of cycles: -5"},
        {"1e3 RB0 1\n", "line 1: not a number of cycles: 1e3"},
        {"1000000000000000 RB0 1\n", "line 1: not a number of cycles: 1000000000000000"},
        {"10 RC0 1\n", "line 1: unknown pin RC0 (RA0-RA4, RB0-RB7, MCLR)"},
        {"10 RA5 1\n", "line 1: unknown pin RA5 (RA0-RA4, RB0-RB7, MCLR)"},
        {"10 RA4/INT 1\n", "line 1: unknown pin RA4/INT (RA0-RA4, RB0-RB7, MCLR)"},
        {"10 RB0 2\n", "line 1: the level is 0 or 1, not 2"},
        {"10 RB0 high\n", "line 1: the level is 0 or 1, not high"},
        {"10 RB0 clock 1\n", "line 1: the period is a number of cycles, 2 or more: 1"},
        {"10 RB0 clock 10 10\n", "line 1: the high time is 1 to 9 cycles: 10"},
        {"10 RB0 clock 10 0\n", "line 1: the high time is 1 to 9 cycles: 0"},
        {"10 RB0 clock 10 3 4\n", "line 1: expected CYCLE PIN LEVEL or CYCLE PIN clock PERIOD [HIGH]"},
        {"\x01\x02\xff RB0 1\n", "line 1: not a number of cycles: ???"},
    };
    for (const auto& [text, error] : kBad) {
        const StimulusReadOutcome bad = parseStimulus(text);
        EXPECT_FALSE(bad.stimulus) << text;
        EXPECT_EQ(bad.error, error);
    }
    EXPECT_TRUE(parseStimulus("").stimulus);

    // Every bad line is told, up to a limit; the first is the error.
    const StimulusReadOutcome two = parseStimulus("0 RA0 1\n5 RC0 1\n6 RA0 1\n7 RA0 2\n");
    EXPECT_EQ(two.errors, (std::vector<std::string>{"line 2: unknown pin RC0 (RA0-RA4, RB0-RB7, MCLR)",
                                                    "line 4: the level is 0 or 1, not 2"}));
    EXPECT_EQ(two.error, two.errors.front());
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "x RA0 1\n";
    const StimulusReadOutcome lots = parseStimulus(many);
    ASSERT_EQ(lots.errors.size(), 21u);
    EXPECT_EQ(lots.errors[19], "line 20: not a number of cycles: x");
    EXPECT_EQ(lots.errors.back(), "more bad lines follow");
}

// A clock ends where the next item for its pin begins; an item at an edge's own cycle wins.
TEST(Stimulus, ClocksPlayUntilTheNextItemForTheirPin)
{
    Stimulus stimulus = *parseStimulus("10 RB0 clock 4 1\n27 RB0 0\n30 RA1 1\n").stimulus;
    StimulusPlayer player(stimulus);
    Pic16c84 chip;
    std::vector<std::uint64_t> edges;
    while (player.nextCycle() != kNever) {
        const std::uint64_t at = player.nextCycle();
        player.applyUntil(chip, at);
        edges.push_back(at);
    }
    // Highs at 10, 14, 18, 22, 26 for one cycle each; 27 would have been no edge anyway.
    const std::vector<std::uint64_t> expected = {10, 11, 14, 15, 18, 19, 22, 23, 26, 27, 30};
    EXPECT_EQ(edges, expected);
    EXPECT_FALSE(chip.pinLevel(Port::B, 0));
    EXPECT_TRUE(chip.pinLevel(Port::A, 1));
    player.restart();
    EXPECT_EQ(player.nextCycle(), 10u);
}

TEST(Stimulus, AProgramCopyingAnInputSeesEachChangeWithinItsLoop)
{
    // RB1 follows RB0: a six-cycle loop whichever way the tests go.
    SimProgram program;
    program.words = memory({bsf(reg::STATUS, 5), movlw(0xFD), movwf(reg::TRISB & 0x7F), bcf(reg::STATUS, 5),
                            btfsc(reg::PORTB, 0), bsf(reg::PORTB, 1), btfss(reg::PORTB, 0), bcf(reg::PORTB, 1),
                            goto_(4)});
    const std::uint64_t kChanges[] = {100, 157, 1000, 1013, 2000, 5000};
    std::string text;
    for (std::size_t i = 0; i < std::size(kChanges); ++i)
        text += std::to_string(kChanges[i]) + " RB0 " + (i % 2 == 0 ? "1\n" : "0\n");
    Session session(program);
    session.setTracing(true);
    session.setStimulus(*parseStimulus(text).stimulus);
    EXPECT_EQ(session.run(6000), RunEnd::Budget);
    ASSERT_GT(session.chip().cycles(), 5010u);

    // Each input edge is followed by the output's, at most a loop and an instruction later
    // (a two-cycle skip that began just before the change delays its sight of it).
    const Trace& trace = session.trace();
    std::uint64_t from = 0;
    for (const std::uint64_t change : kChanges) {
        SCOPED_TRACE(change);
        EXPECT_EQ(trace.nextEdge(5, from), change);
        const auto follows = trace.nextEdge(6, change - 1);
        ASSERT_TRUE(follows);
        EXPECT_GT(*follows, change);
        EXPECT_LE(*follows, change + 7);
        EXPECT_EQ(levelAt(trace, 6, *follows), levelAt(trace, 5, change));
        from = change;
    }
    EXPECT_FALSE(trace.nextEdge(6, 5007));
}

TEST(Stimulus, MclrLowHoldsTheChipInResetAndAnInputWakesItFromSleep)
{
    // Counts in 0x20 until RB0 is high, clears INTF and sleeps until an INT edge (INTE, GIE clear).
    SimProgram program;
    program.words = memory({movlw(0x10), movwf(reg::INTCON), incf(0x20, F), btfss(reg::PORTB, 0), goto_(2),
                            bcf(reg::INTCON, 1), sleep(), movlw(0x42), goto_(7)});
    Session session(program);
    session.setStimulus(*parseStimulus("100 MCLR 0\n150 MCLR 1\n300 RB0 1\n400 RB0 0\n500 RB0 1\n").stimulus);
    EXPECT_EQ(session.run(~std::uint64_t{0}, std::nullopt, 120), RunEnd::Budget);
    EXPECT_TRUE(session.chip().heldInReset());
    EXPECT_EQ(session.chip().pc(), 0);
    const std::uint64_t stepsBefore = session.steps();
    EXPECT_EQ(session.run(~std::uint64_t{0}, std::nullopt, 150), RunEnd::Budget);
    EXPECT_EQ(session.steps(), stepsBefore);  // nothing ran while held
    EXPECT_EQ(session.chip().cycles(), 150u);
    EXPECT_FALSE(session.chip().heldInReset());

    // Released at 150, the program counts until 300 and sleeps; the fall at 400 is the wrong
    // edge for INTEDG = 1, the rise at 500 wakes it.
    EXPECT_EQ(session.run(~std::uint64_t{0}, std::nullopt, 499), RunEnd::Budget);
    EXPECT_TRUE(session.chip().asleep());
    EXPECT_EQ(session.run(~std::uint64_t{0}, std::nullopt, 510), RunEnd::Budget);
    EXPECT_FALSE(session.chip().asleep());
    EXPECT_EQ(session.chip().w(), 0x42);

    // With the stimulus played out, a sleep that nothing can end stops the run.
    SimProgram sleeper;
    sleeper.words = memory({sleep(), nop()});
    Session idle(sleeper);
    idle.setStimulus(*parseStimulus("300 RB0 1\n").stimulus);
    EXPECT_EQ(idle.run(100), RunEnd::Asleep);
    EXPECT_EQ(idle.chip().cycles(), 300u);  // time passed up to the last change
    idle.reset();
    EXPECT_EQ(idle.stimulus().nextCycle(), 300u);
}

} // namespace
} // namespace tarvik::sim
