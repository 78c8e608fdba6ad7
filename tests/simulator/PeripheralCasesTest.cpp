// The chip's special cases, each against the data sheet: register file, computed jumps,
// indirect access, the stack, TMR0, interrupts, data EEPROM, sleep and the watchdog.

#include "simulator/Pic16c84.h"

#include "Words.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarvik::sim {
namespace {

using namespace words;
using namespace reg;

constexpr int RP0 = 5;

Pic16c84 chipWith(const std::array<std::uint16_t, kProgramWords>& code)
{
    Pic16c84 chip;
    chip.loadProgram(code);
    chip.powerOnReset();
    return chip;
}

TEST(PeripheralCases, PowerOnValuesMirrorsAndUnimplementedBits)
{
    Pic16c84 chip = chipWith(memory({movlw(0xFF), movwf(PORTA), movwf(0x0C), bsf(STATUS, RP0),
                                     movwf(TRISA & 0x7F), movwf(PCLATH), movwf(0x07), movwf(EECON2 & 0x7F),
                                     movwf(0x30), clrf(0x2F)}));
    EXPECT_EQ(chip.peek(STATUS), 0x18);
    EXPECT_EQ(chip.peek(OPTION), 0xFF);
    EXPECT_EQ(chip.peek(TRISA), 0x1F);
    EXPECT_EQ(chip.peek(TRISB), 0xFF);
    for (int address : {INDF, TMR0, PCL, FSR, PORTA, PORTB, EEDATA, EEADR, PCLATH, INTCON, EECON1})
        EXPECT_EQ(chip.peek(address), 0) << address;

    chip.run(10);
    EXPECT_EQ(chip.peek(PORTA), 0x00);  // inputs read the outside level, 0 until set
    EXPECT_EQ(chip.peek(0x8C), 0xFF);   // one memory seen from both banks
    EXPECT_EQ(chip.peek(TRISA), 0x1F);  // five bits
    EXPECT_EQ(chip.peek(PCLATH), 0x1F);
    for (int address : {0x07, 0x87, EECON2, 0x30, 0xB0, 0x7F, 0xFF})
        EXPECT_EQ(chip.peek(address), 0) << address;
    chip.setInputPin(Port::A, 1, true);
    EXPECT_EQ(chip.peek(PORTA), 0x02);
}

TEST(PeripheralCases, WritesToPclJumpWithPclathAndTakeTwoCycles)
{
    auto code = memory({movlw(0x02), movwf(PCLATH), movlw(0x10), movwf(PCL)});
    place(code, 0x210, {movlw(3), addwf(PCL, F)});
    place(code, 0x215, {movf(PCL, W), movlw(0x18), movwf(PCLATH), goto_(0x005)});
    place(code, 0x005, {movlw(0x77), call(0x40)});
    Pic16c84 chip = chipWith(code);

    chip.run(3);
    std::uint64_t cycles = chip.cycles();
    chip.step();  // movwf PCL
    EXPECT_EQ(chip.pc(), 0x210);
    EXPECT_EQ(chip.cycles() - cycles, 2u);
    chip.run(2);  // addwf PCL: from the next address, 0x212, plus 3
    EXPECT_EQ(chip.pc(), 0x215);
    chip.step();
    EXPECT_EQ(chip.w(), 0x16);  // PCL reads the address after the instruction's own
    chip.run(3);  // goto takes PC<12:11> from PCLATH<4:3>; memory repeats above 1K
    EXPECT_EQ(chip.pc(), 0x1805);
    chip.run(2);
    EXPECT_EQ(chip.w(), 0x77);
    EXPECT_EQ(chip.pc(), 0x1840);
    EXPECT_EQ(chip.stackEntry(0), 0x1807);
}

TEST(PeripheralCases, ASkipThatWritesPclJumpsWithoutSkipping)
{
    // PCLATH = 2 throughout; PCL reads the address after the instruction's own.
    struct Case {
        const char* name;
        int at;
        std::initializer_list<std::uint16_t> code;  // from address `at`
        int pcAfter;
    };
    const Case kCases[] = {
        {"decfsz PCL,F to 0 jumps to 0x200", 0x100, {decfsz(PCL, F)}, 0x200},
        {"incfsz PCL,F to 0 jumps to 0x200", 0x1FE, {incfsz(PCL, F)}, 0x200},
        {"through INDF", 0x100, {decfsz(INDF, F)}, 0x200},
        {"not to 0: a plain computed jump", 0x105, {decfsz(PCL, F)}, 0x205},
        {"to W: no jump, the skip stands", 0x100, {decfsz(PCL, W)}, 0x102},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto code = memory({movlw(2), movwf(PCLATH), movlw(PCL), movwf(FSR), goto_(c.at)});
        place(code, c.at, c.code);
        Pic16c84 chip = chipWith(code);
        chip.run(5);
        ASSERT_EQ(chip.pc(), c.at);
        const std::uint64_t cycles = chip.cycles();
        chip.step();
        EXPECT_EQ(chip.pc(), c.pcAfter);
        EXPECT_EQ(chip.cycles() - cycles, 2u);
    }
}

TEST(PeripheralCases, SleepWithAnEnabledFlagSetCompletesAsANop)
{
    // TMR0 on the instruction clock without prescaler, INTE with INTF set, GIE clear.
    const auto code = memory({bsf(STATUS, RP0), movlw(0x08), movwf(OPTION & 0x7F), bcf(STATUS, RP0),
                              movlw(0x10), movwf(INTCON), bsf(INTCON, 1), sleep(), movlw(0x42)});
    for (const bool watchdog : {false, true}) {
        SCOPED_TRACE(watchdog ? "watchdog on" : "watchdog off");
        Pic16c84 chip = chipWith(code);
        chip.setWatchdogEnabled(watchdog);
        chip.run(7);
        const std::uint8_t tmr0 = chip.peek(TMR0);
        chip.step();
        EXPECT_FALSE(chip.asleep());
        EXPECT_EQ(chip.pc(), 8);
        EXPECT_EQ(chip.peek(TMR0), tmr0 + 1);  // the nop's cycle counts
        EXPECT_EQ(chip.peek(STATUS) & (bit::TO | bit::PD), bit::TO | bit::PD);  // PD = 1 tells it
        chip.step();
        EXPECT_EQ(chip.w(), 0x42);
    }
    // Without the flag the same SLEEP sleeps, and TMR0 does not count its cycle.
    auto sleeps = code;
    sleeps[6] = nop();
    Pic16c84 chip = chipWith(sleeps);
    chip.run(7);
    const std::uint8_t tmr0 = chip.peek(TMR0);
    EXPECT_EQ(chip.run(5), 1u);
    EXPECT_TRUE(chip.asleep());
    EXPECT_EQ(chip.peek(TMR0), tmr0);
    EXPECT_EQ(chip.peek(STATUS) & (bit::TO | bit::PD), bit::TO);
}

TEST(PeripheralCases, AnInterruptRaisedInARunsLastStepIsEnteredWithinIt)
{
    auto code = memory({movlw(0xA0), movwf(INTCON), bsf(INTCON, 2), nop()});  // GIE, T0IE; then T0IF
    place(code, 0x004, {nop()});
    Pic16c84 chip = chipWith(code);
    EXPECT_EQ(chip.run(3), 3u);
    EXPECT_EQ(chip.pc(), 0x004);
    EXPECT_EQ(chip.stackEntry(0), 0x003);
    EXPECT_EQ(chip.cycles(), 3u + 2u);
}

TEST(PeripheralCases, MclrResetsAndHoldsWhileTimeGoesOn)
{
    // Outputs on PORTB, a count in 0x20, RP0 set, then a loop.
    Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), clrf(TRISB & 0x7F), bcf(STATUS, RP0), movlw(0xFF),
                                     movwf(PORTB), bsf(STATUS, RP0), incf(0x20, F), goto_(6)}));
    chip.run(20);
    ASSERT_TRUE(chip.isOutput(Port::B, 0));
    const std::uint8_t count = chip.peek(0x20);
    chip.setMclr(false);
    EXPECT_TRUE(chip.heldInReset());
    EXPECT_TRUE(chip.waitsForOutside());
    EXPECT_EQ(chip.pc(), 0);
    EXPECT_EQ(chip.peek(STATUS), 0x18);  // RP0 cleared; TO, PD and the flags kept
    EXPECT_FALSE(chip.isOutput(Port::B, 0));  // TRISB back to inputs
    EXPECT_EQ(chip.peek(0x20), count);  // data memory kept
    const std::uint64_t cycles = chip.cycles();
    EXPECT_EQ(chip.runUntil(100, cycles + 50), 0u);
    EXPECT_EQ(chip.cycles(), cycles);
    chip.idleUntil(cycles + 50);
    EXPECT_EQ(chip.cycles(), cycles + 50);  // held: time passes, nothing runs
    chip.setMclr(true);
    EXPECT_FALSE(chip.heldInReset());
    EXPECT_EQ(chip.run(1), 1u);
    EXPECT_EQ(chip.pc(), 1);
}

// A reset leaves no return address to show, whichever reset it is.
TEST(PeripheralCases, EveryResetLeavesTheShownStackEmpty)
{
    const std::pair<const char*, std::function<void(Pic16c84&)>> resets[] = {
        {"power-on", [](Pic16c84& chip) { chip.powerOnReset(); }},
        {"MCLR", [](Pic16c84& chip) { chip.setMclr(false); chip.setMclr(true); }},
        {"watchdog", [](Pic16c84& chip) {
             chip.setWatchdogEnabled(true);
             while (chip.pc() != 0)
                 chip.step();
         }},
    };
    for (const auto& [name, reset] : resets) {
        SCOPED_TRACE(name);
        // The watchdog's prescaler goes to TMR0, for a time-out after 18 ms.
        Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), clrf(OPTION & 0x7F), bcf(STATUS, RP0), call(5), nop(), goto_(5)}));
        chip.run(5);
        ASSERT_EQ(chip.stackDepth(), 1);
        reset(chip);
        EXPECT_EQ(chip.pc(), 0);
        EXPECT_EQ(chip.stackDepth(), 0);
    }
}

TEST(PeripheralCases, IndirectAccessThroughFsr)
{
    Pic16c84 chip = chipWith(memory({
        movlw(0x55), movwf(0x20),
        clrf(FSR), movf(INDF, W),            // FSR = 0: INDF reads 0
        movwf(INDF),                          // and a write does nothing
        movlw(0x80), movwf(FSR), movf(INDF, W),
        movlw(0xA0), movwf(FSR), incf(INDF, F),  // bit 7 of FSR picks the bank, 0xA0 is 0x20
        movlw(0x83), movwf(FSR), movlw(0x20), movwf(INDF),  // STATUS through INDF: RP0 set
        movlw(0x20), movwf(FSR), movf(INDF, W),  // RP0 does not matter to FSR
    }));
    chip.run(4);
    EXPECT_EQ(chip.w(), 0x00);
    chip.run(4);
    EXPECT_EQ(chip.w(), 0x00);
    EXPECT_EQ(chip.peek(FSR), 0x80);
    chip.run(3);
    EXPECT_EQ(chip.peek(0x20), 0x56);
    chip.run(4);
    EXPECT_EQ(chip.peek(STATUS), 0x38);
    chip.run(3);
    EXPECT_EQ(chip.w(), 0x56);
}

TEST(PeripheralCases, StackIsCircularWithEightLevels)
{
    // Nine nested calls, each followed by a return.
    std::array<std::uint16_t, kProgramWords> code = memory({call(0x10), ret()});
    for (int level = 1; level < 9; ++level)
        place(code, 0x10 * level, {call(0x10 * (level + 1)), ret()});
    place(code, 0x90, {ret()});
    Pic16c84 chip = chipWith(code);

    chip.run(9);
    EXPECT_EQ(chip.pc(), 0x90);
    ASSERT_EQ(chip.stackDepth(), 8);
    EXPECT_EQ(chip.stackEntry(0), 0x81);
    EXPECT_EQ(chip.stackEntry(7), 0x11);  // the ninth push overwrote 0x001
    chip.run(8);  // back to 0x81 ... 0x11
    EXPECT_EQ(chip.pc(), 0x11);
    EXPECT_EQ(chip.stackDepth(), 0);
    chip.step();  // the overwritten slot comes round again
    EXPECT_EQ(chip.pc(), 0x81);
}

// What a read of TMR0 in the next instruction would see, after each of the steps.
std::vector<int> tmr0Reads(Pic16c84& chip, int steps)
{
    std::vector<int> reads;
    for (int i = 0; i < steps; ++i) {
        chip.step();
        reads.push_back(chip.peek(TMR0));
    }
    return reads;
}

std::vector<int> wAfterEach(Pic16c84& chip, int steps)
{
    std::vector<int> values;
    for (int i = 0; i < steps; ++i) {
        chip.step();
        values.push_back(chip.w());
    }
    return values;
}

TEST(PeripheralCases, Tmr0WriteDelayPrescalerAndOverflow)
{
    // No prescaler: the write's cycle and the two after it do not count.
    Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), movlw(0x08), movwf(OPTION & 0x7F),
                                     bcf(STATUS, RP0), movlw(0x10), movwf(TMR0), movf(TMR0, W),
                                     movf(TMR0, W), movf(TMR0, W), movf(TMR0, W), movf(TMR0, W)}));
    chip.run(6);
    EXPECT_EQ(wAfterEach(chip, 5), (std::vector<int>{0x10, 0x10, 0x10, 0x11, 0x12}));

    // Prescaler 1:4, cleared by the write.
    auto code = memory({bsf(STATUS, RP0), movlw(0x01), movwf(OPTION & 0x7F), bcf(STATUS, RP0), clrf(TMR0)});
    chip = chipWith(code);
    chip.run(4);
    EXPECT_EQ(tmr0Reads(chip, 16), (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3}));

    // 0xFF -> 0x00 sets T0IF.
    chip = chipWith(memory({bsf(STATUS, RP0), movlw(0x08), movwf(OPTION & 0x7F), bcf(STATUS, RP0),
                            movlw(0xFE), movwf(TMR0)}));
    chip.run(6 + 2 + 1);
    EXPECT_EQ(chip.peek(TMR0), 0xFF);
    EXPECT_FALSE(chip.peek(INTCON) & bit::T0IF);
    chip.step();
    EXPECT_EQ(chip.peek(TMR0), 0x00);
    EXPECT_TRUE(chip.peek(INTCON) & bit::T0IF);

    // T0CS = 1 (the reset value): RA4/T0CKI edges, falling ones with T0SE = 1.
    chip = chipWith(memory({}));
    chip.setInputPin(Port::A, 4, true);
    EXPECT_EQ(chip.peek(TMR0), 0);
    chip.setInputPin(Port::A, 4, false);
    EXPECT_EQ(chip.peek(TMR0), 1);
}

TEST(PeripheralCases, InterruptEntryAndRetfie)
{
    // The handler at 0x004 clears T0IF; the main code jumps over it.
    // OPTION 0x88: TMR0 counts every cycle; the pull-ups stay off so that no RB4-RB7 rises.
    auto code = memory({bsf(STATUS, RP0), movlw(0x88), movwf(OPTION & 0x7F), goto_(0x20),
                        bcf(INTCON, 2), retfie()});
    place(code, 0x20, {bcf(STATUS, RP0), movlw(0xA0), movwf(INTCON), movlw(0xFD), movwf(TMR0), nop(),
                       nop(), nop(), nop(), nop(), goto_(0x2A)});
    Pic16c84 chip = chipWith(code);
    chip.run(4 + 5 + 2);  // to TMR0 = 0xFD, two nops inhibited
    ASSERT_EQ(chip.pc(), 0x27);
    chip.run(2);  // 0xFE, 0xFF
    const std::uint64_t cycles = chip.cycles();
    chip.step();  // 0x00: T0IF, and the interrupt is taken before the next instruction
    EXPECT_EQ(chip.pc(), 0x004);
    EXPECT_EQ(chip.stackEntry(0), 0x2A);
    EXPECT_EQ(chip.peek(INTCON), 0x20 | bit::T0IF);  // GIE cleared
    EXPECT_EQ(chip.cycles() - cycles, 1u + 2u);
    EXPECT_EQ(chip.interruptEntries(), 1u);

    chip.run(2);
    EXPECT_EQ(chip.pc(), 0x2A);
    EXPECT_EQ(chip.peek(INTCON), 0xA0);
    EXPECT_EQ(chip.stackDepth(), 0);
}

TEST(PeripheralCases, EepromReadAndWriteSequence)
{
    const auto program = [](bool unlocked) {
        return memory({movlw(0x05), movwf(EEADR), movlw(0xA5), movwf(EEDATA), bsf(STATUS, RP0),
                       bsf(EECON1 & 0x7F, 2), movlw(0x55), movwf(EECON2 & 0x7F),
                       movlw(unlocked ? 0xAA : 0xAB), movwf(EECON2 & 0x7F), bsf(EECON1 & 0x7F, 1),
                       goto_(0x0B)});
    };
    Pic16c84 chip = chipWith(program(true));
    chip.run(11);
    EXPECT_EQ(chip.peek(EECON1), bit::WREN | bit::WR);
    const std::uint64_t start = chip.cycles();
    while (chip.peek(EECON1) & bit::WR)
        chip.step();
    // 10 ms at 4 MHz is 10000 instruction cycles (the loop takes 2 a turn).
    EXPECT_GE(chip.cycles() - start, 10000u);
    EXPECT_LT(chip.cycles() - start, 10002u);
    EXPECT_EQ(chip.peek(EECON1), bit::WREN | bit::EEIF);
    EXPECT_EQ(chip.eeprom(5), 0xA5);

    chip = chipWith(program(false));  // 0xAB instead of 0xAA: no write starts
    chip.run(11 + 10000);
    EXPECT_EQ(chip.peek(EECON1), bit::WREN);
    EXPECT_EQ(chip.eeprom(5), 0x00);

    // A read: EEDATA holds the byte at once and RD reads back 0.
    std::array<std::uint8_t, kEepromBytes> data{};
    data[7] = 0x3C;
    chip.loadEeprom(data);
    chip.loadProgram(memory({movlw(7), movwf(EEADR), bsf(STATUS, RP0), bsf(EECON1 & 0x7F, 0),
                             bcf(STATUS, RP0), movf(EEDATA, W)}));
    chip.powerOnReset();
    chip.run(6);
    EXPECT_EQ(chip.w(), 0x3C);
    EXPECT_EQ(chip.peek(EECON1), 0);
}

TEST(PeripheralCases, SleepAndWakeUpOnRb0Int)
{
    for (const bool gie : {false, true}) {
        SCOPED_TRACE(gie ? "GIE set" : "GIE clear");
        auto code = memory({movlw(gie ? 0x90 : 0x10), movwf(INTCON), sleep(), movlw(0x42), nop()});
        place(code, 0x004, {movlw(0x99)});
        Pic16c84 chip = chipWith(code);
        EXPECT_EQ(chip.run(10), 3u);  // stops at SLEEP: nothing inside can wake the chip
        EXPECT_TRUE(chip.asleep());
        EXPECT_EQ(chip.peek(STATUS), bit::TO);  // PD = 0
        EXPECT_EQ(chip.step(), StepOutcome::Asleep);
        EXPECT_EQ(chip.pc(), 0x003);

        chip.setInputPin(Port::B, 0, true);  // INTEDG = 1 after reset: the rising edge
        EXPECT_TRUE(chip.peek(INTCON) & bit::INTF);
        EXPECT_EQ(chip.step(), StepOutcome::Ran);  // the instruction after SLEEP runs first
        EXPECT_EQ(chip.w(), 0x42);
        // With GIE the interrupt follows: the return address is the next instruction's.
        EXPECT_EQ(chip.pc(), 0x004);
        EXPECT_EQ(chip.stackDepth(), gie ? 1 : 0);
        if (gie) {
            EXPECT_EQ(chip.stackEntry(0), 0x004);
        }
    }
}

TEST(PeripheralCases, SleepWakesAtTheEndOfAnEepromWrite)
{
    Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), bsf(EECON1 & 0x7F, 2), movlw(0x40), movwf(INTCON),
                                     movlw(0x55), movwf(EECON2 & 0x7F), movlw(0xAA), movwf(EECON2 & 0x7F),
                                     bsf(EECON1 & 0x7F, 1), sleep(), movlw(0x42)}));
    EXPECT_EQ(chip.run(11), 11u);
    EXPECT_EQ(chip.w(), 0x42);
    EXPECT_GE(chip.cycles(), 10000u);
    EXPECT_TRUE(chip.peek(EECON1) & bit::EEIF);
}

TEST(PeripheralCases, WatchdogResetsAndWakes)
{
    // Prescaler to TMR0, so the watchdog times out after 18 ms: 18000 cycles at 4 MHz.
    Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), clrf(OPTION & 0x7F), bcf(STATUS, RP0), goto_(3)}));
    chip.run(1000);
    EXPECT_EQ(chip.peek(STATUS) & (bit::TO | bit::PD), bit::TO | bit::PD);  // off by default
    chip.powerOnReset();
    chip.setWatchdogEnabled(true);
    do
        chip.step();
    while (chip.pc() != 0);
    EXPECT_EQ(chip.peek(OPTION), 0xFF);
    EXPECT_EQ(chip.peek(STATUS) & ~bit::Z, bit::PD);  // TO = 0 tells a watchdog reset
    EXPECT_NEAR(static_cast<double>(chip.cycles()), 18000.0, 3.0);

    chip = chipWith(memory({bsf(STATUS, RP0), clrf(OPTION & 0x7F), bcf(STATUS, RP0), sleep(), movlw(1)}));
    chip.setWatchdogEnabled(true);
    EXPECT_EQ(chip.run(5), 5u);  // the time-out ends the sleep
    EXPECT_EQ(chip.w(), 1);
    EXPECT_EQ(chip.peek(STATUS) & (bit::TO | bit::PD), 0);
}

TEST(PeripheralCases, StatusAsDestination)
{
    Pic16c84 chip = chipWith(memory({movlw(0xE3), movwf(STATUS), clrf(STATUS),  // 000u u1uu
                                     movlw(0x00), movwf(STATUS),                  // TO, PD stay
                                     movlw(0xE8), addwf(STATUS, F)}));            // flags from the sum
    chip.run(2);
    EXPECT_EQ(chip.peek(STATUS), 0xFB);
    chip.step();
    EXPECT_EQ(chip.peek(STATUS), 0x1F);
    chip.run(2);
    EXPECT_EQ(chip.peek(STATUS), 0x18);
    chip.run(2);  // 0x18 + 0xE8 = 0x100: the written 0x00 keeps its upper bits only
    EXPECT_EQ(chip.peek(STATUS), 0x1F);
}

TEST(PeripheralCases, PinsEdgesAndPortChangeInterrupt)
{
    Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), clrf(TRISA & 0x7F), movlw(0xF0), movwf(TRISB & 0x7F),
                                     bcf(STATUS, RP0), movlw(0x1F), movwf(PORTA), movlw(0x0F), movwf(PORTB),
                                     movf(PORTB, W)}));
    chip.run(9);
    EXPECT_EQ(chip.peek(PORTA), 0x0F);  // RA4 is open drain: its 1 leaves the line low
    chip.setInputPin(Port::A, 4, true);
    EXPECT_EQ(chip.peek(PORTA), 0x1F);
    EXPECT_TRUE(chip.peek(INTCON) & bit::INTF);  // RB0 driven high: a rising edge
    EXPECT_TRUE(chip.isOutput(Port::B, 3));
    EXPECT_FALSE(chip.isOutput(Port::B, 4));

    chip.step();  // reading PORTB latches RB7:RB4
    EXPECT_EQ(chip.w(), 0x0F);
    EXPECT_FALSE(chip.peek(INTCON) & bit::RBIF);
    chip.setInputPin(Port::B, 6, true);
    EXPECT_TRUE(chip.pinLevel(Port::B, 6));
    EXPECT_TRUE(chip.peek(INTCON) & bit::RBIF);
    chip.setInputPin(Port::B, 2, false);  // an output: the latch decides
    EXPECT_TRUE(chip.pinLevel(Port::B, 2));
}

TEST(PeripheralCases, WeakPullUpsHoldUndrivenPortBInputsHigh)
{
    Pic16c84 chip = chipWith(memory({bsf(STATUS, RP0), bcf(OPTION & 0x7F, 7), movlw(0x0F), movwf(TRISB & 0x7F),
                                     bsf(OPTION & 0x7F, 7)}));
    chip.setInputPin(Port::B, 1, false);
    chip.run(1);
    EXPECT_EQ(chip.peek(PORTB), 0x00);  // pull-ups off after power-on: floating reads low
    chip.run(1);
    EXPECT_EQ(chip.peek(PORTB), 0xFD);  // RBPU clear: all but the driven RB1 read high
    EXPECT_TRUE(chip.peek(INTCON) & bit::INTF) << "RB0 pulled up: a rising edge";
    chip.run(2);
    EXPECT_EQ(chip.peek(PORTB), 0x0D);  // no pull-up on an output: RB7:RB4 follow the latch
    chip.setInputPin(Port::B, 1, true);
    EXPECT_EQ(chip.peek(PORTB), 0x0F);
    chip.run(1);
    EXPECT_EQ(chip.peek(PORTB), 0x02);  // RBPU set again: only the driven pin stays high
}

TEST(PeripheralCases, PokeSetsWhatAReadThenReturnsAndSetsOffNothing)
{
    Pic16c84 chip = chipWith(memory({nop(), nop(), nop()}));
    struct Row {
        int address;
        int value;
        int reads;  // -1: refused, the register as it was
    };
    const Row rows[] = {
        {0x0C, 0xA5, 0xA5}, {0x8D, 0x5A, 0x5A},  // general purpose, either bank
        {OPTION, 0x88, 0x88}, {STATUS, 0x7B, 0x7B}, {FSR, 0x20, 0x20}, {TRISA, 0xFF, 0x1F}, {PCLATH, 0xFF, 0x1F},
        {EEADR, 0x3F, 0x3F}, {EEDATA, 0x42, 0x42}, {INTCON, 0x10, 0x10}, {EECON1, 0xFF, 0x1C},
        {INDF, 0x11, -1}, {PCL, 0x11, -1}, {0x82, 0x11, -1}, {EECON2, 0x11, -1}, {0x07, 0x11, -1}, {0x30, 0x11, -1},
    };
    for (const Row& row : rows) {
        const std::uint8_t before = chip.peek(row.address);
        EXPECT_EQ(chip.poke(row.address, static_cast<std::uint8_t>(row.value)), row.reads >= 0) << row.address;
        EXPECT_EQ(chip.peek(row.address), row.reads >= 0 ? row.reads : before) << row.address;
    }
    EXPECT_EQ(chip.peek(0x0D), 0x5A);

    // TMR0 counts on at once: a write by an instruction would hold it for two cycles.
    ASSERT_TRUE(chip.poke(TMR0, 0x10));
    chip.step();
    EXPECT_EQ(chip.peek(TMR0), 0x11);
    // Ports: the latch drives the pins of outputs.
    ASSERT_TRUE(chip.poke(TRISB, 0x00));
    ASSERT_TRUE(chip.poke(PORTB, 0x81));
    EXPECT_TRUE(chip.pinLevel(Port::B, 0) && chip.pinLevel(Port::B, 7) && !chip.pinLevel(Port::B, 1));
    chip.pokeEeprom(3, 0x99);
    EXPECT_EQ(chip.eeprom(3), 0x99);
}

} // namespace
} // namespace tarvik::sim
