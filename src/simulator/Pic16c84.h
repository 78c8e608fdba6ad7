#pragma once

#include "simulator/Trace.h"
#include "simulator/Decoder.h"

#include "model/Device.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tarvik::sim {

inline constexpr int kProgramWords = 1024;
inline constexpr int kEepromBytes = 64;
inline constexpr int kStackLevels = 8;
inline constexpr std::uint16_t kErasedWord = 0x3FFF;  // runs as addlw 0xFF
inline constexpr std::uint32_t kDefaultClockHz = 4'000'000;
inline constexpr std::uint64_t kNever = ~std::uint64_t{0};

// Register addresses (bank 1 from 0x80) and the bits the simulator and its views name.
namespace reg {
inline constexpr int INDF = 0x00, TMR0 = 0x01, PCL = 0x02, STATUS = 0x03, FSR = 0x04,
                     PORTA = 0x05, PORTB = 0x06, EEDATA = 0x08, EEADR = 0x09, PCLATH = 0x0A,
                     INTCON = 0x0B, OPTION = 0x81, TRISA = 0x85, TRISB = 0x86, EECON1 = 0x88,
                     EECON2 = 0x89;
// kLastGpr is the 16C84's; the F84s go on to kLastGprF84, and the memory holds that many.
inline constexpr int kFirstGpr = 0x0C, kLastGpr = 0x2F, kLastGprF84 = 0x4F,
                     kGprCount = kLastGprF84 - kFirstGpr + 1;
} // namespace reg

namespace bit {
// STATUS
inline constexpr std::uint8_t C = 0x01, DC = 0x02, Z = 0x04, PD = 0x08, TO = 0x10, RP0 = 0x20;
// INTCON
inline constexpr std::uint8_t RBIF = 0x01, INTF = 0x02, T0IF = 0x04, RBIE = 0x08, INTE = 0x10,
                              T0IE = 0x20, EEIE = 0x40, GIE = 0x80;
// OPTION
inline constexpr std::uint8_t PSA = 0x08, T0SE = 0x10, T0CS = 0x20, INTEDG = 0x40, RBPU = 0x80;
// EECON1
inline constexpr std::uint8_t RD = 0x01, WR = 0x02, WREN = 0x04, WRERR = 0x08, EEIF = 0x10;
} // namespace bit

enum class Port { A, B };

// A register bit traced beside the pins.
struct WatchedBit {
    std::uint8_t address;  // 8-bit register address, bank 1 from 0x80
    std::uint8_t bit;
};

// What a step did.
enum class StepOutcome {
    Ran,       // an instruction ran (and any interrupt entry it led to)
    Interrupt, // only the interrupt entry ran: a flag was set from outside between steps
    Asleep,    // nothing ran: asleep with no wake-up source in reach, or held in reset
};

// The PIC16C84 at the instruction level, exact to its data sheet in what a program can
// observe: registers, flags, cycle counts, timer, interrupts, sleep, watchdog and data EEPROM.
// Where the data sheet leaves a detail open the choice is stated at the code that makes it.
class Pic16c84 {
public:
    Pic16c84();

    // Program memory; a word not given stays erased. Takes effect at once (the decoded form is
    // rebuilt); the registers are left alone, call powerOnReset() for a fresh start.
    void loadProgram(const std::array<std::uint16_t, kProgramWords>& words);
    // The data EEPROM contents the chip is programmed with; powerOnReset() restores them.
    void loadEeprom(const std::array<std::uint8_t, kEepromBytes>& bytes);

    void powerOnReset();

    // The chip's RAM: 0x0C-0x2F on the 16C84, 0x0C-0x4F on the F84s (the 16C84 by default).
    void setDevice(Device device);
    Device device() const { return device_; }
    int lastGpr() const { return device_ == Device::Pic16C84 ? reg::kLastGpr : reg::kLastGprF84; }

    // Executes one instruction. Asleep, it first lets time pass to the next wake-up event.
    StepOutcome step() { return stepUntil(kNever); }
    // Steps until count instructions ran or the chip sleeps with no wake-up source; returns
    // the number of steps that ran.
    std::uint64_t run(std::uint64_t count) { return runUntil(count, kNever); }
    // The same, stopping also once the cycle count reaches cycle (the last instruction may
    // end past it). Asleep, time passes up to cycle or to a wake-up before it, unless the
    // chip waits for outside: then it stops with no time passed.
    std::uint64_t runUntil(std::uint64_t count, std::uint64_t cycle);
    // Asleep or held in reset: time passes up to cycle, or to a wake-up before it.
    void idleUntil(std::uint64_t cycle);

    // The level an outside circuit drives on a pin (0 until set; an undriven PORTB input reads
    // high while the weak pull-ups are on). Edges reach TMR0 (RA4/T0CKI),
    // INTF (RB0/INT) and RBIF (RB7:RB4) as they would on the chip.
    // atCycle: when the level changed, for the trace (from a stimulus, at most cycles();
    // by default now).
    void setInputPin(Port port, int pin, bool high, std::uint64_t atCycle = kNever);
    bool inputPin(Port port, int pin) const;
    // The level on the pin: the output latch for an output, the outside level for an input.
    // RA4 is open drain: as an output it can only pull the line low.
    bool pinLevel(Port port, int pin) const;
    bool isOutput(Port port, int pin) const;

    // MCLR driven low resets the chip and holds it in reset until it is high again; the
    // cycle count goes on measuring time.
    void setMclr(bool high);
    bool heldInReset() const { return held_; }

    // Records each change of the pins and of the watched bits into the trace, the first
    // sample now; nullptr stops recording. A pin changed by an instruction is stamped with
    // the end of the instruction's first cycle, a watched bit with that of its instruction.
    void setTrace(Trace* trace);
    // Watches a register bit as signal kPinSignals + slot (nullopt: none). Watching STATUS
    // or PCL (which nearly every instruction changes) makes runs step one at a time.
    void setWatch(int slot, std::optional<WatchedBit> watch);
    // The traced signals' levels now.
    std::uint32_t traceLevels() const;

    void setWatchdogEnabled(bool on);
    bool watchdogEnabled() const { return watchdogEnabled_; }
    // The oscillator frequency: it fixes the EEPROM write time and the watchdog period in cycles.
    void setClockHz(std::uint32_t hz);

    // In SLEEP: the oscillator has stopped until a wake-up.
    bool asleep() const { return asleep_; }
    // Held in reset, or asleep with nothing inside to wake it: only a change from outside
    // (an input pin, MCLR) lets the chip go on.
    bool waitsForOutside() const;

    std::uint16_t pc() const { return pc_; }
    std::uint8_t w() const { return w_; }
    std::uint64_t cycles() const { return cycles_; }
    std::uint64_t interruptEntries() const { return interruptEntries_; }
    // Elapsed time at the clock: four oscillator periods per cycle.
    double elapsedSeconds() const { return static_cast<double>(cycles_) * 4.0 / clockHz_; }
    int stackDepth() const { return stackDepth_; }
    // Return address at depth i, 0 the top of the stack.
    std::uint16_t stackEntry(int i) const { return stack_[(stackTop_ - 1 - i) & (kStackLevels - 1)]; }
    std::uint16_t programWord(int address) const { return program_[address & (kProgramWords - 1)]; }
    std::uint8_t eeprom(int address) const { return eeprom_[address & (kEepromBytes - 1)]; }

    // What a read of the 8-bit register address returns, without any side effect of the read
    // (PORTB latching, INDF through FSR resolved).
    std::uint8_t peek(int address) const;

    // Sets a register between instructions, as a debugger does: the value it then holds (a
    // port's output latch), without what an instruction's write sets off (TMR0's inhibit
    // and prescaler reset, PCL's jump, an EEPROM unlock or read). Pins follow, with the
    // edges they make. False, and nothing set, where nothing can be (INDF, PCL, EECON2,
    // unimplemented addresses).
    bool poke(int address, std::uint8_t value);
    bool canPoke(int address) const;
    void pokeEeprom(int address, std::uint8_t value) { eeprom_[address & (kEepromBytes - 1)] = value; }
    void pokeW(std::uint8_t value) { w_ = value; }

private:
    static constexpr std::uint64_t kNever = ~std::uint64_t{0};

    void execute();
    std::uint64_t runFast(std::uint64_t count);
    void buildFastCode();
    void enterInterrupt();
    bool interruptPending() const;
    bool wakeFlagsSet() const;
    StepOutcome stepUntil(std::uint64_t cycle);
    bool waitForWakeUp(std::uint64_t until);
    void resetKeepingData(std::uint8_t status);
    bool fastPathAllowed() const;
    void tracePins(std::uint64_t cycle);
    void traceWatches(std::uint64_t cycle);
    std::uint32_t watchedLevels() const;
    void advance(unsigned cycles);
    void countTmr0(unsigned cycles);
    void tmr0Ticks(unsigned ticks);
    void serviceEvents();
    void scheduleEvents();
    std::uint64_t watchdogPeriod() const;
    void watchdogReset();

    std::uint8_t read(unsigned address);
    void write(unsigned address, std::uint8_t value, bool flagsProtected);
    std::uint8_t readSpecial(unsigned address);
    void writeSpecial(unsigned address, std::uint8_t value, bool flagsProtected);
    void writeEecon1(std::uint8_t value);
    std::uint8_t portAPins() const;
    std::uint8_t portBPins() const;
    void pinsChanged(std::uint64_t when);
    void checkPortBMismatch();
    void push(std::uint16_t address);
    std::uint16_t pop();

    std::array<std::uint16_t, kProgramWords> program_{};
    std::array<Decoded, kProgramWords> decoded_{};
    std::array<Decoded, kProgramWords> fastCode_[2]{};
    std::array<std::uint8_t, kEepromBytes> eepromImage_{};
    std::array<std::uint8_t, kEepromBytes> eeprom_{};
    std::array<std::uint8_t, reg::kGprCount> gpr_{};
    Device device_ = Device::Pic16C84;
    const std::array<std::uint8_t, 256>* registerMap_;
    std::array<std::uint16_t, kStackLevels> stack_{};
    int stackTop_ = 0;    // the slot of the next push
    int stackDepth_ = 0;  // how many entries are return addresses, for display

    std::uint16_t pc_ = 0;
    std::uint8_t w_ = 0, status_ = 0, fsr_ = 0, tmr0_ = 0, option_ = 0, pclath_ = 0, intcon_ = 0;
    std::uint8_t latchA_ = 0, latchB_ = 0, trisA_ = 0, trisB_ = 0;
    std::uint8_t eedata_ = 0, eeadr_ = 0, eecon1_ = 0;
    std::uint8_t inputA_ = 0, inputB_ = 0;
    // PORTB pins an outside level was set on; the others float (weak pull-ups, RBPU).
    std::uint8_t drivenB_ = 0;
    std::uint8_t rbLatched_ = 0;  // RB7:RB4 as seen at the last PORTB access
    bool lastRb0_ = false, lastRa4_ = false;

    unsigned prescaler_ = 0;   // the 8-bit prescaler counter
    unsigned tmr0Inhibit_ = 0; // cycles left in which TMR0 does not count after a write
    bool pcWritten_ = false;

    std::uint64_t cycles_ = 0;
    std::uint64_t instructions_ = 0;
    std::uint64_t interruptEntries_ = 0;
    std::uint64_t eecon2_55_ = kNever, eecon2_AA_ = kNever;  // instruction numbers of the unlock writes
    std::uint64_t eeprom_write_end_ = kNever;
    std::uint8_t eeprom_write_address_ = 0, eeprom_write_data_ = 0;
    std::uint64_t watchdogStart_ = 0;
    std::uint64_t nextEvent_ = kNever;
    bool watchdogEnabled_ = false;
    bool asleep_ = false;
    bool held_ = false;

    Trace* trace_ = nullptr;
    std::uint32_t traced_ = 0;  // the levels last recorded
    std::uint64_t tracedCycle_ = 0;
    std::array<std::optional<WatchedBit>, kWatchSlots> watches_{};
    std::uint32_t watchMask_ = 0;      // the signals of watched bits
    bool watchBlocksFastPath_ = false;  // a watch on a register the fast path writes
    std::uint32_t clockHz_ = kDefaultClockHz;
};

} // namespace tarvik::sim
