// Every instruction's result, flags, cycles and skip against the data sheet, at the edges.

#include "simulator/Pic16c84.h"

#include "Words.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

using namespace words;

constexpr int G = 0x20;
constexpr std::uint8_t C = bit::C, DC = bit::DC, Z = bit::Z;

struct Case {
    const char* name;
    std::uint16_t word;
    std::uint8_t w, f, flagsIn;
    std::uint8_t wOut, fOut, flagsOut;
    bool skips = false;
};

const Case kCases[] = {
    {"addwf DC", addwf(G, W), 0x0F, 0x01, 0, 0x10, 0x01, DC},
    {"addwf carry to zero", addwf(G, F), 0xFF, 0x01, 0, 0xFF, 0x00, C | DC | Z},
    {"addwf carry without DC", addwf(G, F), 0x80, 0x80, 0, 0x80, 0x00, C | Z},
    {"addwf clears flags", addwf(G, W), 0x01, 0x01, C | DC | Z, 0x02, 0x01, 0},
    {"subwf no borrow", subwf(G, F), 0x03, 0x05, 0, 0x03, 0x02, C | DC},
    {"subwf borrow", subwf(G, F), 0x05, 0x03, C | DC | Z, 0x05, 0xFE, 0},
    {"subwf equal", subwf(G, W), 0x05, 0x05, 0, 0x00, 0x05, C | DC | Z},
    {"subwf digit borrow", subwf(G, F), 0x01, 0x10, 0, 0x01, 0x0F, C},
    {"subwf zero minus zero", subwf(G, F), 0x00, 0x00, 0, 0x00, 0x00, C | DC | Z},
    {"rlf out to C, Z untouched", rlf(G, F), 0, 0x80, 0, 0, 0x00, C},
    {"rlf C in", rlf(G, W), 0, 0x01, C, 0x03, 0x01, 0},
    {"rlf keeps DC and Z", rlf(G, F), 0, 0x55, C | DC | Z, 0, 0xAB, DC | Z},
    {"rrf out to C", rrf(G, F), 0, 0x01, 0, 0, 0x00, C},
    {"rrf C in", rrf(G, F), 0, 0x80, C, 0, 0xC0, 0},
    {"decfsz to zero skips", decfsz(G, F), 0, 0x01, 0, 0, 0x00, 0, true},
    {"decfsz from zero wraps", decfsz(G, F), 0, 0x00, Z, 0, 0xFF, Z},
    {"decfsz to W", decfsz(G, W), 0x33, 0x01, 0, 0x00, 0x01, 0, true},
    {"decfsz not zero", decfsz(G, F), 0, 0x02, 0, 0, 0x01, 0},
    {"incfsz wraps and skips", incfsz(G, F), 0, 0xFF, 0, 0, 0x00, 0, true},
    {"incf wraps, C and DC kept", incf(G, F), 0, 0xFF, C | DC, 0, 0x00, C | DC | Z},
    {"decf to zero", decf(G, F), 0, 0x01, 0, 0, 0x00, Z},
    {"comf", comf(G, W), 0, 0xFF, 0, 0x00, 0xFF, Z},
    {"movf to itself sets Z", movf(G, F), 0x12, 0x00, 0, 0x12, 0x00, Z},
    {"movf clears Z", movf(G, W), 0x12, 0x42, Z, 0x42, 0x42, 0},
    {"swapf touches no flag", swapf(G, F), 0, 0x12, C | DC | Z, 0, 0x21, C | DC | Z},
    {"andwf", andwf(G, W), 0x0F, 0xF0, 0, 0x00, 0xF0, Z},
    {"iorwf", iorwf(G, F), 0x01, 0x80, Z, 0x01, 0x81, 0},
    {"xorwf", xorwf(G, F), 0xFF, 0xFF, 0, 0xFF, 0x00, Z},
    {"clrf", clrf(G), 0x55, 0x55, C, 0x55, 0x00, C | Z},
    {"clrw", clrw(), 0x55, 0x55, 0, 0x00, 0x55, Z},
    {"movwf", movwf(G), 0x99, 0x00, C | DC | Z, 0x99, 0x99, C | DC | Z},
    {"addlw DC", addlw(0x08), 0x08, 0, 0, 0x10, 0, DC},
    {"addlw carry", addlw(0x10), 0xF0, 0, 0, 0x00, 0, C | Z},
    {"addlw all three", addlw(0xF1), 0x0F, 0, 0, 0x00, 0, C | DC | Z},
    {"sublw digit borrow", sublw(0x10), 0x01, 0, 0, 0x0F, 0, C},
    {"sublw borrow", sublw(0x01), 0x02, 0, C | DC | Z, 0xFF, 0, 0},
    {"sublw equal", sublw(0x02), 0x02, 0, 0, 0x00, 0, C | DC | Z},
    {"sublw DC from the low nibble", sublw(0x13), 0x02, 0, 0, 0x11, 0, C | DC},
    {"andlw", andlw(0x0F), 0xF0, 0, 0, 0x00, 0, Z},
    {"iorlw", iorlw(0x00), 0x00, 0, 0, 0x00, 0, Z},
    {"xorlw", xorlw(0x0F), 0xF0, 0, Z, 0xFF, 0, 0},
    {"movlw", movlw(0x7E), 0x00, 0, Z, 0x7E, 0, Z},
    {"btfsc clear skips", btfsc(G, 3), 0, 0xF7, 0, 0, 0xF7, 0, true},
    {"btfsc set", btfsc(G, 3), 0, 0x08, 0, 0, 0x08, 0},
    {"btfss set skips", btfss(G, 7), 0, 0x80, 0, 0, 0x80, 0, true},
    {"btfss clear", btfss(G, 7), 0, 0x7F, 0, 0, 0x7F, 0},
    {"bsf", bsf(G, 7), 0, 0x00, Z, 0, 0x80, Z},
    {"bcf", bcf(G, 0), 0, 0xFF, 0, 0, 0xFE, 0},
    {"nop", nop(), 0x12, 0x34, C, 0x12, 0x34, C},
    {"erased word is addlw 0xFF", kErasedWord, 0x01, 0, 0, 0x00, 0, C | DC | Z},
};

TEST(InstructionSemantics, ResultFlagsCyclesAndSkips)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Pic16c84 chip;
        chip.loadProgram(memory({movlw(c.f), movwf(G), movlw(c.flagsIn), movwf(reg::STATUS), movlw(c.w), c.word}));
        chip.powerOnReset();
        chip.run(5);
        ASSERT_EQ(chip.peek(reg::STATUS), 0x18 | c.flagsIn);
        const std::uint64_t cycles = chip.cycles();

        chip.step();
        EXPECT_EQ(chip.w(), c.wOut);
        EXPECT_EQ(chip.peek(G), c.fOut);
        EXPECT_EQ(chip.peek(reg::STATUS), 0x18 | c.flagsOut);
        EXPECT_EQ(chip.pc(), c.skips ? 7 : 6);
        EXPECT_EQ(chip.cycles() - cycles, c.skips ? 2u : 1u);
    }
}

TEST(InstructionSemantics, JumpsCallsAndReturnsTakeTwoCycles)
{
    Pic16c84 chip;
    auto code = memory({call(0x10), goto_(0x20)});
    place(code, 0x10, {retlw(0x5A)});
    place(code, 0x20, {call(0x30)});
    place(code, 0x30, {ret()});
    chip.loadProgram(code);
    chip.powerOnReset();

    const std::pair<int, int> kPcAfterEach[] = {{0x10, 1}, {0x01, 0}, {0x20, 0}, {0x30, 1}, {0x21, 0}};
    std::uint64_t cycles = 0;
    for (const auto& [pc, depth] : kPcAfterEach) {
        chip.step();
        cycles += 2;
        EXPECT_EQ(chip.pc(), pc);
        EXPECT_EQ(chip.stackDepth(), depth);
        EXPECT_EQ(chip.cycles(), cycles);
    }
    EXPECT_EQ(chip.w(), 0x5A);
}

} // namespace
} // namespace tarvik::sim
