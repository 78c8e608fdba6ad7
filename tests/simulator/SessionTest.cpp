// What the editor's Simulate commands rest on: breakpoints by line, Step Over, run to a
// target, and the stop at SLEEP.

#include "simulator/Session.h"

#include "Words.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

using namespace words;

// Line n + 1 gave the word at address n (the header line is 0).
SimProgram numbered(std::initializer_list<std::uint16_t> code)
{
    SimProgram program;
    program.words = memory(code);
    for (std::size_t i = 0; i < code.size(); ++i)
        program.lines[i] = static_cast<std::int32_t>(i + 1);
    return program;
}

TEST(Session, BreakpointsStepOverAndTargets)
{
    // 0: call 4, 1: movlw 1, 2: sleep, 3: nop, 4: movlw 9, 5: return
    Session session(numbered({call(4), movlw(1), sleep(), nop(), movlw(9), ret()}));
    EXPECT_EQ(session.currentLine(), 1);
    EXPECT_FALSE(session.toggleBreakpoint(40));  // no word comes from that line
    EXPECT_TRUE(session.breakpoints().empty());

    ASSERT_EQ(session.stepOverTarget(), 1);
    EXPECT_EQ(session.run(100, session.stepOverTarget()), RunEnd::Target);
    EXPECT_EQ(session.chip().w(), 9);  // the subroutine ran
    EXPECT_EQ(session.currentLine(), 2);
    EXPECT_EQ(session.stepOverTarget(), std::nullopt);

    session.reset();
    EXPECT_TRUE(session.toggleBreakpoint(6));
    EXPECT_EQ(session.run(100), RunEnd::Breakpoint);
    EXPECT_EQ(session.currentLine(), 6);
    EXPECT_EQ(session.run(100), RunEnd::Asleep);  // a run may start on its breakpoint
    EXPECT_EQ(session.currentLine(), 4);
    EXPECT_EQ(session.chip().w(), 1);

    EXPECT_FALSE(session.toggleBreakpoint(6));
    session.reset();
    EXPECT_EQ(session.run(2), RunEnd::Budget);
    EXPECT_EQ(session.run(100), RunEnd::Asleep);
}

TEST(Session, ResetKeepsTheBytesTheProgramWroteToTheDataEeprom)
{
    // EEDATA = 0x2A, EEADR = 0, the unlock sequence, WR; wait for WR to clear, sleep.
    SimProgram program = numbered({movlw(0x2A), movwf(0x08), clrf(0x09), bsf(0x03, 5), bsf(0x08, 2), movlw(0x55),
                                   movwf(0x09), movlw(0xAA), movwf(0x09), bsf(0x08, 1), btfsc(0x08, 1), goto_(10),
                                   sleep()});
    program.eeprom[0] = 0x11;
    program.eeprom[1] = 0x22;
    Session session(program);
    EXPECT_EQ(session.chip().eeprom(0), 0x11);
    ASSERT_EQ(session.run(100000), RunEnd::Asleep);
    EXPECT_EQ(session.chip().eeprom(0), 0x2A);

    session.reset();
    EXPECT_EQ(session.chip().eeprom(0), 0x2A);
    EXPECT_EQ(session.chip().eeprom(1), 0x22);
    EXPECT_EQ(session.chip().pc(), 0);
    EXPECT_EQ(Session(program).chip().eeprom(0), 0x11);  // a new simulation: the chip as programmed
}

} // namespace
} // namespace tarvik::sim
