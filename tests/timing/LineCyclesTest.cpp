// The cycles of program lines, their sums, and cycles as time.

#include "timing/LineCycles.h"

#include "../assembler/ProgramBuilder.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

TEST(LineCycles, EachLineShowsItsCycles)
{
    struct Row {
        int code;
        const char* operand;
        int destination;
        LineState state;
        const char* cycles;
    };
    const Row rows[] = {
        {15, "", 0, LineState::Normal, "1"},               // nop
        {24, "10", 0, LineState::Normal, "1"},             // movlw
        {27, "Here", 0, LineState::Normal, "2"},           // goto
        {28, "Here", 0, LineState::Selected, "2"},         // call
        {33, "", 0, LineState::Normal, "2"},               // return
        {29, "0", 0, LineState::Normal, "2"},              // retlw
        {21, "COUNT", 0, LineState::Normal, "1/2"},        // decfsz
        {20, "COUNT", 1, LineState::Normal, "1/2"},        // incfsz to W
        {18, "STATUS,2", 0, LineState::Normal, "1/2"},     // btfss
        {1, "PCL", 1, LineState::Normal, "2"},             // addwf PCL,F: a computed jump
        {1, "PCL", 0, LineState::Normal, "1"},             // addwf PCL,W writes W only
        {7, "PCL", 0, LineState::Normal, "2"},             // movwf PCL
        {13, "PCL", 0, LineState::Normal, "2"},            // clrf PCL
        {8, "PCL", 0, LineState::Normal, "2"},             // incf PCL,F (0 is f for incf)
        {16, "PCL,0", 0, LineState::Normal, "2"},          // bsf PCL,0
        {19, "PCL,0", 0, LineState::Normal, "1/2"},        // btfsc only reads it
        {21, "PCL", 0, LineState::Normal, "2"},            // decfsz PCL,F: a jump, skip or not
        {3, "Nowhere", 1, LineState::Normal, "1"},         // an unknown register is no PCL
        {15, "", 0, LineState::Inactive, ""},              // gives no word
        {kBlankCode, "", 0, LineState::Normal, ""},
        {kOrgCode, "H'10'", 0, LineState::Normal, ""},
        {kHeaderCode, "", 0, LineState::Normal, ""},
    };
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    doc.registerFile0.rename(0x20, "COUNT");
    for (const Row& row : rows) {
        ProgramLine line;
        line.code = row.code;
        line.setOperand(row.operand);
        line.destination = row.destination;
        line.state = row.state;
        EXPECT_EQ(cyclesText(lineCycles(doc, line)), row.cycles) << row.code << " " << row.operand;
    }
}

TEST(LineCycles, SelectionsAddUpStraightThrough)
{
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    doc.registerFile0.rename(0x20, "COUNT");
    test::ProgramBuilder p(doc);
    ProgramLine& load = p.line(24, "3", 0, "Start");
    p.line(7, "COUNT");
    p.blank();
    ProgramLine& loop = p.line(21, "COUNT", 0, "Loop");
    p.line(27, "Loop");
    p.line(15, {}, 0, {}, LineState::Inactive);
    ProgramLine& done = p.line(33);

    EXPECT_EQ(rangeCycles(doc, &load, &done), (CycleSum{7, 5, 1}));
    EXPECT_EQ(rangeCycles(doc, &loop, &loop), (CycleSum{1, 1, 1}));
    EXPECT_EQ(rangeCycles(doc, doc.headerLine(), doc.headerLine()), CycleSum{});
    EXPECT_EQ(rangeCycles(doc, &done, &load), CycleSum{});  // backwards: nothing

    EXPECT_EQ(selectedCycles(doc), CycleSum{});
    loop.state = LineState::Selected;
    done.state = LineState::Selected;
    EXPECT_EQ(selectedCycles(doc), (CycleSum{3, 2, 1}));
}

TEST(LineCycles, CyclesReadAsTimeAtTheClock)
{
    struct Row {
        std::uint64_t cycles;
        std::uint32_t clockHz;
        const char* text;
    };
    const Row rows[] = {
        {1, 4'000'000, "1 us"},
        {999, 4'000'000, "999 us"},
        {1000, 4'000'000, "1 ms"},
        {1500, 4'000'000, "1.5 ms"},
        {250'000, 4'000'000, "250 ms"},
        {100'000'000, 4'000'000, "100 s"},
        {1, 16'000'000, "0.25 us"},
        {3, 20'000'000, "0.6 us"},
        {1, 32'768, "122.07 us"},       // 122.0703125: three decimals, rounded
        {8192, 32'768, "1 s"},
        {0, 4'000'000, "0 us"},
        {~std::uint64_t{0}, 4'000'000, "18446744073709.552 s"},
        {10, 0, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(cycleTimeText(row.cycles, row.clockHz), row.text) << row.cycles << " at " << row.clockHz;
    EXPECT_EQ(cycleTimeText(1, 32'768, 7), "122.0703125 us");
    EXPECT_EQ(cycleTimeText(1, 3'000'000, 0), "1 us");
    EXPECT_EQ(cycleTimeText(2, 3'000'000, 9), "2.666666667 us");

    EXPECT_EQ(cyclesForTime(0.25L, 4'000'000), 250'000u);
    EXPECT_EQ(cyclesForTime(0.001L, 4'000'000), 1000u);
    EXPECT_EQ(cyclesForTime(0.001L, 32'768), 8u);  // 8.192 to the nearest
    EXPECT_EQ(cyclesForTime(-1.0L, 4'000'000), 0u);
}

} // namespace
} // namespace tarvik
