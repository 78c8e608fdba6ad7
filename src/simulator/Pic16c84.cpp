#include "simulator/Pic16c84.h"

#include "model/InstructionCode.h"
#include "simulator/Arithmetic.h"

#include <algorithm>
#include <bitset>

namespace tarvik::sim {

namespace {

constexpr std::uint8_t kSpecial = 0xFE;
constexpr std::uint8_t kUnimplemented = 0xFF;

// 8-bit register address -> index of the general purpose register, or what else lies there.
// Bank 1's general purpose registers are the same memory as bank 0's.
constexpr std::array<std::uint8_t, 256> registerMap(int lastGpr)
{
    std::array<std::uint8_t, 256> map{};
    for (int address = 0; address < 256; ++address) {
        const int low = address & 0x7F;
        if (low >= reg::kFirstGpr && low <= lastGpr)
            map[address] = static_cast<std::uint8_t>(low - reg::kFirstGpr);
        else if (low <= reg::INTCON && low != 0x07)
            map[address] = kSpecial;
        else
            map[address] = kUnimplemented;
    }
    return map;
}

constexpr std::array<std::uint8_t, 256> kC84RegisterMap = registerMap(reg::kLastGpr);
constexpr std::array<std::uint8_t, 256> kF84RegisterMap = registerMap(reg::kLastGprF84);

constexpr std::uint16_t kPcMask = 0x1FFF;
constexpr std::uint16_t kInterruptVector = 0x004;

// Whether the instruction's operand is a file register, resolved per bank for the fast path.
constexpr bool hasFileOperand(std::uint8_t op)
{
    const InstructionInfo* info = instructionInfo(op);
    return info
        && (info->shape == OperandShape::F || info->shape == OperandShape::FD || info->shape == OperandShape::FB);
}

} // namespace

Pic16c84::Pic16c84()
    : registerMap_(&kC84RegisterMap)
{
    program_.fill(kErasedWord);
    for (int i = 0; i < kProgramWords; ++i)
        decoded_[i] = decode(program_[i]);
    buildFastCode();
    powerOnReset();
}

void Pic16c84::loadProgram(const std::array<std::uint16_t, kProgramWords>& words)
{
    for (int i = 0; i < kProgramWords; ++i) {
        program_[i] = words[i] & 0x3FFF;
        decoded_[i] = decode(program_[i]);
    }
    buildFastCode();
}

void Pic16c84::buildFastCode()
{
    std::bitset<reg::kGprCount> watchedGprs;
    for (const auto& watch : watches_)
        if (watch && (*registerMap_)[watch->address] < reg::kGprCount)
            watchedGprs.set((*registerMap_)[watch->address]);
    // The file operand of each word resolved, per bank, to its general purpose register
    // (0x7F: some other register, or one watched for the trace); the d bit stays in bit 7.
    for (int bank = 0; bank < 2; ++bank) {
        for (int i = 0; i < kProgramWords; ++i) {
            Decoded in = decoded_[i];
            if (hasFileOperand(in.op)) {
                std::uint8_t index = (*registerMap_)[(in.arg & 0x7Fu) | (bank << 7)];
                if (index < reg::kGprCount && watchedGprs.test(index))
                    index = 0x7F;
                in.arg = static_cast<std::uint8_t>((in.arg & 0x80) | (index < reg::kGprCount ? index : 0x7F));
            }
            fastCode_[bank][i] = in;
        }
    }
}

void Pic16c84::setDevice(Device device)
{
    device_ = device;
    registerMap_ = device == Device::Pic16C84 ? &kC84RegisterMap : &kF84RegisterMap;
    buildFastCode();
}

void Pic16c84::loadEeprom(const std::array<std::uint8_t, kEepromBytes>& bytes)
{
    eepromImage_ = bytes;
}

void Pic16c84::powerOnReset()
{
    // The data sheet leaves W, FSR, TMR0, the port latches, EEDATA, EEADR and the general
    // purpose registers unknown at power-on; we start them at 0, like every stack slot.
    pc_ = 0;
    w_ = 0;
    status_ = bit::TO | bit::PD;
    fsr_ = 0;
    tmr0_ = 0;
    option_ = 0xFF;
    pclath_ = 0;
    intcon_ = 0;
    latchA_ = latchB_ = 0;
    trisA_ = 0x1F;
    trisB_ = 0xFF;
    eedata_ = eeadr_ = eecon1_ = 0;
    gpr_.fill(0);
    stack_.fill(0);
    stackTop_ = stackDepth_ = 0;
    eeprom_ = eepromImage_;
    prescaler_ = 0;
    tmr0Inhibit_ = 0;
    cycles_ = instructions_ = interruptEntries_ = 0;
    eecon2_55_ = eecon2_AA_ = kNever;
    eeprom_write_end_ = kNever;
    watchdogStart_ = 0;
    asleep_ = false;
    held_ = false;
    rbLatched_ = portBPins();
    lastRb0_ = portBPins() & 1;
    lastRa4_ = portAPins() & 0x10;
    scheduleEvents();
    if (trace_)
        setTrace(trace_);  // time starts again at 0
}

bool Pic16c84::wakeFlagsSet() const
{
    // T0IE/INTE/RBIE sit three bits above T0IF/INTF/RBIF; EEIF lives in EECON1.
    return ((intcon_ >> 3) & intcon_ & 0x07) != 0
        || ((intcon_ & bit::EEIE) && (eecon1_ & bit::EEIF));
}

bool Pic16c84::interruptPending() const
{
    return (intcon_ & bit::GIE) && wakeFlagsSet();
}

StepOutcome Pic16c84::stepUntil(std::uint64_t until)
{
    if (held_)
        return StepOutcome::Asleep;
    StepOutcome outcome = StepOutcome::Ran;
    if (asleep_) {
        if (!waitForWakeUp(until))
            return StepOutcome::Asleep;
    } else if (interruptPending()) {
        // A flag raised from outside (an input pin) since the last instruction ended.
        outcome = StepOutcome::Interrupt;
    }
    const std::uint64_t start = cycles_;
    if (outcome == StepOutcome::Interrupt) {
        enterInterrupt();
    } else {
        execute();
        // Choice (the common simulator model): an enabled interrupt whose flag is set when an
        // instruction ends is taken before the next one. Woken from sleep with GIE set, the
        // instruction after SLEEP has just run, as the data sheet describes.
        if (interruptPending())
            enterInterrupt();
    }
    if (watchMask_ && trace_)
        traceWatches(start + 1);
    return outcome;
}

bool Pic16c84::waitsForOutside() const
{
    return held_ || (asleep_ && !wakeFlagsSet() && nextEvent_ == kNever);
}

bool Pic16c84::fastPathAllowed() const
{
    return !asleep_ && !held_ && !(intcon_ & bit::GIE) && (option_ & bit::T0CS) && tmr0Inhibit_ == 0
        && !watchBlocksFastPath_;
}

void Pic16c84::idleUntil(std::uint64_t cycle)
{
    if (cycle == kNever)
        return;
    if (held_ || (asleep_ && !waitForWakeUp(cycle)))
        cycles_ = std::max(cycles_, cycle);
}

std::uint64_t Pic16c84::runUntil(std::uint64_t count, std::uint64_t cycle)
{
    std::uint64_t done = 0;
    while (done < count && cycles_ < cycle) {
        if (fastPathAllowed())
            done += runFast(std::min(count - done, cycle - cycles_));
        else if (stepUntil(cycle) == StepOutcome::Asleep)
            break;
        else
            ++done;
    }
    return done;
}

// The same instructions as execute(), for the case that dominates long runs: awake, no
// interrupt enabled, TMR0 not counting the instruction clock, operands in W and the general
// purpose registers. The state lives in locals so that a register store does not make the
// compiler reload it. Anything else goes through step(), then back to run() to look again.
// Without these GCC folds every handler's dispatch back into one shared jump.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-crossjumping", "no-gcse")))
#endif
std::uint64_t Pic16c84::runFast(std::uint64_t count)
{
    // Kept unmasked: a 32-bit count wraps at a multiple of the 13-bit PC's range.
    std::uint32_t pc = pc_;
    std::uint8_t w = w_;
    std::uint8_t status = status_;
    std::uint64_t cycles = cycles_;
    // Every instruction takes at least one cycle, so stopping at count cycles from here never
    // runs too many; run() calls again for the rest. One comparison per instruction.
    const std::uint64_t limit = std::min(nextEvent_, cycles + count);
    const unsigned page = (pclath_ & 0x18u) << 8;
    // RP0 cannot change here (STATUS is no general purpose register): one bank's code.
    const Decoded* const code = fastCode_[(status >> 5) & 1].data();
    std::uint8_t* const gpr = gpr_.data();
    std::uint64_t done = 0;
    bool slow = false;
    Decoded in{};
    unsigned index = 0;

    // Threaded dispatch (a GNU extension): each handler ends in its own indirect jump, which
    // the processor predicts far better than one shared switch.
    static const void* const kHandlers[] = {
        &&slowPath, &&addwf, &&andwf, &&movf, &&iorwf, &&xorwf, &&subwf, &&movwf, &&incf, &&decf,
        &&comf, &&rlf, &&swapf, &&clrf, &&clrw, &&nop, &&bsf, &&bcf, &&btfss, &&btfsc, &&incfsz,
        &&decfsz, &&addlw, &&andlw, &&movlw, &&iorlw, &&xorlw, &&goto_, &&call, &&retlw,
        &&slowPath, &&slowPath, &&slowPath, &&return_, &&sublw, &&rrf, &&slowPath, &&slowPath,
    };
    static_assert(sizeof kHandlers / sizeof kHandlers[0] == kTris + 1);

#define TARVIK_NEXT(pcStep, cycleCount)                                                       \
    do {                                                                                      \
        pc += (pcStep); /* 13 bits: masked where it leaves or is pushed */                    \
        cycles += (cycleCount);                                                               \
        ++done;                                                                               \
        if (cycles >= limit)                                                                  \
            goto out;                                                                         \
        in = code[pc & (kProgramWords - 1)];                                                  \
        goto* kHandlers[in.op];                                                               \
    } while (0)
    // The operand's general purpose register, or the slow path for anything else.
#define TARVIK_GPR()                                                                          \
    do {                                                                                      \
        index = in.arg & 0x7Fu;                                                               \
        if (index >= reg::kGprCount)                                                          \
            goto slowPath;                                                                    \
    } while (0)
    // Stores a byte operation's result in W or f, then its flags.
#define TARVIK_STORE(value, affected, flags)                                                  \
    do {                                                                                      \
        const auto result_ = static_cast<std::uint8_t>(value);                               \
        const auto flags_ = static_cast<std::uint8_t>(flags); /* before W changes */          \
        if (in.arg & 0x80)                                                                    \
            gpr[index] = result_;                                                             \
        else                                                                                  \
            w = result_;                                                                      \
        status = static_cast<std::uint8_t>((status & ~(affected)) | flags_);                   \
        TARVIK_NEXT(1, 1);                                                                    \
    } while (0)

    // "decfsz f,f / goto back to it" (or incfsz), the delay loop of every PIC program: with
    // f counting n times to 0 it is n skips-or-not and n - 1 jumps, 3n - 1 cycles, and no
    // flag. Taken in one go when no event or end of the run falls inside it, which is
    // exactly what stepping it would give.
    const auto closedLoop = [&](const Decoded& skip, std::uint32_t at) {
        const Decoded& next = code[(at + 1) & (kProgramWords - 1)];
        return (skip.arg & 0x80) && next.op == kGoto && (page | next.k) == (at & kPcMask);
    };
#define TARVIK_SKIP_LOOP(n)                                                                   \
    do {                                                                                      \
        if ((n) > 1 && cycles + 3 * (n) - 1 < limit) {                                        \
            gpr[index] = 0;                                                                   \
            cycles += 3 * (n) - 3; /* the last skip's 2 cycles and 1 step follow */           \
            done += 2 * (n) - 2;                                                              \
            TARVIK_NEXT(2, 2);                                                                \
        }                                                                                     \
    } while (0)

    in = code[pc & (kProgramWords - 1)];
    goto* kHandlers[in.op];

nop:
    TARVIK_NEXT(1, 1);
movwf:
    TARVIK_GPR();
    gpr[index] = w;
    TARVIK_NEXT(1, 1);
clrw:
    w = 0;
    status |= bit::Z;
    TARVIK_NEXT(1, 1);
clrf:
    TARVIK_GPR();
    gpr[index] = 0;
    status |= bit::Z;
    TARVIK_NEXT(1, 1);
subwf: {
    TARVIK_GPR();
    const unsigned f = gpr[index];
    const unsigned r = f - w;
    TARVIK_STORE(r, kArithmeticFlags, subtractFlags(f, w));
}
addwf: {
    TARVIK_GPR();
    const unsigned f = gpr[index];
    const unsigned r = f + w;
    TARVIK_STORE(r, kArithmeticFlags, addFlags(f, w));
}
decf: {
    TARVIK_GPR();
    const unsigned r = (gpr[index] - 1u) & 0xFF;
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
incf: {
    TARVIK_GPR();
    const unsigned r = (gpr[index] + 1u) & 0xFF;
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
iorwf: {
    TARVIK_GPR();
    const unsigned r = gpr[index] | w;
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
andwf: {
    TARVIK_GPR();
    const unsigned r = gpr[index] & w;
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
xorwf: {
    TARVIK_GPR();
    const unsigned r = gpr[index] ^ w;
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
movf: {
    TARVIK_GPR();
    const unsigned r = gpr[index];
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
comf: {
    TARVIK_GPR();
    const unsigned r = ~gpr[index] & 0xFFu;
    TARVIK_STORE(r, bit::Z, zeroFlag(r));
}
swapf: {
    TARVIK_GPR();
    const unsigned f = gpr[index];
    TARVIK_STORE((f << 4) | (f >> 4), 0, 0);
}
rrf: {
    TARVIK_GPR();
    const unsigned f = gpr[index];
    TARVIK_STORE((f >> 1) | ((status & bit::C) << 7), bit::C, f & 1);
}
rlf: {
    TARVIK_GPR();
    const unsigned f = gpr[index];
    TARVIK_STORE((f << 1) | (status & bit::C), bit::C, f >> 7);
}
decfsz: {
    TARVIK_GPR();
    if (closedLoop(in, pc)) {
        const unsigned n = gpr[index] == 0 ? 256u : gpr[index];
        TARVIK_SKIP_LOOP(n);
    }
    const unsigned r = (gpr[index] - 1u) & 0xFF;
    if (in.arg & 0x80)
        gpr[index] = static_cast<std::uint8_t>(r);
    else
        w = static_cast<std::uint8_t>(r);
    TARVIK_NEXT(1 + (r == 0), 1 + (r == 0));
}
incfsz: {
    TARVIK_GPR();
    if (closedLoop(in, pc)) {
        const unsigned n = 256u - gpr[index];
        TARVIK_SKIP_LOOP(n);
    }
    const unsigned r = (gpr[index] + 1u) & 0xFF;
    if (in.arg & 0x80)
        gpr[index] = static_cast<std::uint8_t>(r);
    else
        w = static_cast<std::uint8_t>(r);
    TARVIK_NEXT(1 + (r == 0), 1 + (r == 0));
}
bcf:
    TARVIK_GPR();
    gpr[index] &= static_cast<std::uint8_t>(~in.k);
    TARVIK_NEXT(1, 1);
bsf:
    TARVIK_GPR();
    gpr[index] |= static_cast<std::uint8_t>(in.k);
    TARVIK_NEXT(1, 1);
btfsc: {
    TARVIK_GPR();
    const unsigned skips = (gpr[index] & in.k) == 0;
    TARVIK_NEXT(1 + skips, 1 + skips);
}
btfss: {
    TARVIK_GPR();
    const unsigned skips = (gpr[index] & in.k) != 0;
    TARVIK_NEXT(1 + skips, 1 + skips);
}
call:
    push(static_cast<std::uint16_t>((pc + 1) & kPcMask));
    pc = page | in.k;
    TARVIK_NEXT(0, 2);
goto_:
    pc = page | in.k;
    TARVIK_NEXT(0, 2);
movlw:
    w = static_cast<std::uint8_t>(in.k);
    TARVIK_NEXT(1, 1);
retlw:
    w = static_cast<std::uint8_t>(in.k);
    pc = pop();
    TARVIK_NEXT(0, 2);
return_:
    pc = pop();
    TARVIK_NEXT(0, 2);
iorlw:
    w |= in.k;
    status = static_cast<std::uint8_t>((status & ~bit::Z) | zeroFlag(w));
    TARVIK_NEXT(1, 1);
andlw:
    w &= in.k;
    status = static_cast<std::uint8_t>((status & ~bit::Z) | zeroFlag(w));
    TARVIK_NEXT(1, 1);
xorlw:
    w ^= in.k;
    status = static_cast<std::uint8_t>((status & ~bit::Z) | zeroFlag(w));
    TARVIK_NEXT(1, 1);
sublw: {
    const unsigned r = in.k - w;
    status = static_cast<std::uint8_t>((status & ~kArithmeticFlags) | subtractFlags(in.k, w));
    w = static_cast<std::uint8_t>(r);
    TARVIK_NEXT(1, 1);
}
addlw: {
    const unsigned r = in.k + w;
    status = static_cast<std::uint8_t>((status & ~kArithmeticFlags) | addFlags(in.k, w));
    w = static_cast<std::uint8_t>(r);
    TARVIK_NEXT(1, 1);
}
slowPath:
    slow = true;
out:
#undef TARVIK_NEXT
#undef TARVIK_GPR
#undef TARVIK_STORE
#undef TARVIK_SKIP_LOOP
    pc_ = static_cast<std::uint16_t>(pc & kPcMask);
    w_ = w;
    status_ = status;
    cycles_ = cycles;
    instructions_ += done;
    if (slow) {
        step();
        ++done;
    } else if (cycles_ >= nextEvent_) {
        serviceEvents();
    }
    return done;
}

void Pic16c84::enterInterrupt()
{
    ++interruptEntries_;
    push(pc_);
    intcon_ &= static_cast<std::uint8_t>(~bit::GIE);
    pc_ = kInterruptVector;
    advance(2);
}

bool Pic16c84::waitForWakeUp(std::uint64_t until)
{
    for (;;) {
        if (wakeFlagsSet()) {
            asleep_ = false;
            return true;
        }
        if (nextEvent_ == kNever)
            return false;
        if (nextEvent_ > until) {
            cycles_ = std::max(cycles_, until);
            return false;
        }
        // The oscillator is stopped, so TMR0 does not count; the EEPROM write and the
        // watchdog run on their own clocks. The cycle count goes on measuring time.
        cycles_ = std::max(cycles_, nextEvent_);
        serviceEvents();
        if (!asleep_)
            return true;  // the watchdog woke the chip
    }
}

void Pic16c84::execute()
{
    const Decoded in = decoded_[pc_ & (kProgramWords - 1)];
    pc_ = (pc_ + 1) & kPcMask;
    ++instructions_;
    pcWritten_ = false;
    unsigned cycles = 1;
    const unsigned file = (in.arg & 0x7F) | ((status_ & bit::RP0) << 2);
    const bool toFile = in.arg & 0x80;

    // Writes the result to W or f, then the flags the instruction affects.
    const auto store = [&](unsigned value, std::uint8_t affected, std::uint8_t flags) {
        if (toFile)
            write(file, static_cast<std::uint8_t>(value), affected != 0);
        else
            w_ = static_cast<std::uint8_t>(value);
        status_ = static_cast<std::uint8_t>((status_ & ~affected) | flags);
    };
    const auto skip = [&] {
        pc_ = (pc_ + 1) & kPcMask;
        cycles = 2;
    };

    switch (in.op) {
    case kNop: break;
    case kMovwf: write(file, w_, false); break;
    case kClrw: w_ = 0; status_ |= bit::Z; break;
    case kClrf: write(file, 0, true); status_ |= bit::Z; break;
    case kSubwf: { const unsigned f = read(file); store(f - w_, kArithmeticFlags, subtractFlags(f, w_)); break; }
    case kAddwf: { const unsigned f = read(file); store(f + w_, kArithmeticFlags, addFlags(f, w_)); break; }
    case kDecf: { const unsigned r = (read(file) - 1) & 0xFF; store(r, bit::Z, zeroFlag(r)); break; }
    case kIncf: { const unsigned r = (read(file) + 1) & 0xFF; store(r, bit::Z, zeroFlag(r)); break; }
    case kIorwf: { const unsigned r = read(file) | w_; store(r, bit::Z, zeroFlag(r)); break; }
    case kAndwf: { const unsigned r = read(file) & w_; store(r, bit::Z, zeroFlag(r)); break; }
    case kXorwf: { const unsigned r = read(file) ^ w_; store(r, bit::Z, zeroFlag(r)); break; }
    case kMovf: { const unsigned r = read(file); store(r, bit::Z, zeroFlag(r)); break; }
    case kComf: { const unsigned r = ~read(file) & 0xFF; store(r, bit::Z, zeroFlag(r)); break; }
    // With PCL as the destination the write jumps, flushing the word fetched after the
    // instruction: that is the word a skip would discard, so nothing more is skipped.
    case kDecfsz: {
        const unsigned r = (read(file) - 1) & 0xFF;
        store(r, 0, 0);
        if (r == 0 && !pcWritten_)
            skip();
        break;
    }
    case kIncfsz: {
        const unsigned r = (read(file) + 1) & 0xFF;
        store(r, 0, 0);
        if (r == 0 && !pcWritten_)
            skip();
        break;
    }
    case kRrf: {
        const unsigned f = read(file);
        store((f >> 1) | ((status_ & bit::C) << 7), bit::C, f & 1);
        break;
    }
    case kRlf: {
        const unsigned f = read(file);
        store(((f << 1) | (status_ & bit::C)) & 0xFF, bit::C, static_cast<std::uint8_t>(f >> 7));
        break;
    }
    case kSwapf: { const unsigned f = read(file); store(((f << 4) | (f >> 4)) & 0xFF, 0, 0); break; }
    case kBcf: write(file, static_cast<std::uint8_t>(read(file) & ~in.k), false); break;
    case kBsf: write(file, static_cast<std::uint8_t>(read(file) | in.k), false); break;
    case kBtfsc: if (!(read(file) & in.k)) skip(); break;
    case kBtfss: if (read(file) & in.k) skip(); break;
    case kCall:
        push(pc_);
        pc_ = static_cast<std::uint16_t>(((pclath_ & 0x18) << 8) | in.k);
        cycles = 2;
        break;
    case kGoto:
        pc_ = static_cast<std::uint16_t>(((pclath_ & 0x18) << 8) | in.k);
        cycles = 2;
        break;
    case kMovlw: w_ = static_cast<std::uint8_t>(in.k); break;
    case kRetlw: w_ = static_cast<std::uint8_t>(in.k); pc_ = pop(); cycles = 2; break;
    case kIorlw: w_ |= in.k; status_ = (status_ & ~bit::Z) | zeroFlag(w_); break;
    case kAndlw: w_ &= in.k; status_ = (status_ & ~bit::Z) | zeroFlag(w_); break;
    case kXorlw: w_ ^= in.k; status_ = (status_ & ~bit::Z) | zeroFlag(w_); break;
    case kSublw:
        status_ = (status_ & ~kArithmeticFlags) | subtractFlags(in.k, w_);
        w_ = static_cast<std::uint8_t>(in.k - w_);
        break;
    case kAddlw:
        status_ = (status_ & ~kArithmeticFlags) | addFlags(in.k, w_);
        w_ = static_cast<std::uint8_t>(in.k + w_);
        break;
    case kReturn: pc_ = pop(); cycles = 2; break;
    case kRetfie: pc_ = pop(); intcon_ |= bit::GIE; cycles = 2; break;
    case kClrwdt:
        status_ |= bit::TO | bit::PD;
        watchdogStart_ = cycles_;
        if (option_ & bit::PSA)
            prescaler_ = 0;
        scheduleEvents();
        break;
    case kSleep:
        // An enabled interrupt flag already set (with GIE clear, or the interrupt would have
        // been taken): the data sheet has SLEEP complete as a nop, so the watchdog, TO and PD
        // are left as they are and TMR0 counts the cycle.
        if (wakeFlagsSet())
            break;
        status_ = static_cast<std::uint8_t>((status_ | bit::TO) & ~bit::PD);
        watchdogStart_ = cycles_;
        if (option_ & bit::PSA)
            prescaler_ = 0;
        asleep_ = true;
        scheduleEvents();
        // Choice: the clock stops within the instruction, so TMR0 does not count its cycle.
        ++cycles_;
        if (tmr0Inhibit_)
            --tmr0Inhibit_;
        if (cycles_ >= nextEvent_)
            serviceEvents();
        return;
    // The two instructions the data sheet keeps for compatibility only.
    case kOption: writeSpecial(reg::OPTION, w_, false); break;
    case kTris:
        if (in.arg == reg::PORTA || in.arg == reg::PORTB)
            writeSpecial(in.arg | 0x80u, w_, false);
        break;
    }
    // Any write to PCL (a computed jump) takes a second cycle, skip or not.
    if (pcWritten_)
        cycles = 2;
    advance(cycles);
}

void Pic16c84::advance(unsigned cycles)
{
    cycles_ += cycles;
    if (!(option_ & bit::T0CS))
        countTmr0(cycles);
    else if (tmr0Inhibit_)
        tmr0Inhibit_ -= std::min(tmr0Inhibit_, cycles);
    if (cycles_ >= nextEvent_)
        serviceEvents();
}

void Pic16c84::countTmr0(unsigned cycles)
{
    if (tmr0Inhibit_) {
        const unsigned lost = std::min(tmr0Inhibit_, cycles);
        tmr0Inhibit_ -= lost;
        cycles -= lost;
        if (cycles == 0)
            return;
    }
    if (option_ & bit::PSA) {
        tmr0Ticks(cycles);
        return;
    }
    // The prescaler is an 8-bit counter; TMR0 counts each time its bit PS2:PS0 falls, that
    // is each time the bits up to it wrap to zero.
    const unsigned shift = (option_ & 7u) + 1;
    const unsigned count = prescaler_ + cycles;
    const unsigned ticks = (count >> shift) - (prescaler_ >> shift);
    prescaler_ = count & 0xFF;
    if (ticks)
        tmr0Ticks(ticks);
}

void Pic16c84::tmr0Ticks(unsigned ticks)
{
    const unsigned value = tmr0_ + ticks;
    if (value > 0xFF)
        intcon_ |= bit::T0IF;
    tmr0_ = static_cast<std::uint8_t>(value);
}

std::uint64_t Pic16c84::watchdogPeriod() const
{
    // About 18 ms, stretched by the postscaler when the prescaler is assigned to the watchdog.
    std::uint64_t period = std::max<std::uint64_t>(1, std::uint64_t{clockHz_} * 18 / 4000);
    if (option_ & bit::PSA)
        period <<= (option_ & 7u);
    return period;
}

void Pic16c84::scheduleEvents()
{
    nextEvent_ = eeprom_write_end_;
    if (watchdogEnabled_)
        nextEvent_ = std::min(nextEvent_, watchdogStart_ + watchdogPeriod());
}

void Pic16c84::serviceEvents()
{
    if (cycles_ >= eeprom_write_end_) {
        // Choice: a write to an address of 64 or more is lost.
        if (eeprom_write_address_ < kEepromBytes)
            eeprom_[eeprom_write_address_] = eeprom_write_data_;
        eecon1_ = static_cast<std::uint8_t>((eecon1_ & ~bit::WR) | bit::EEIF);
        eeprom_write_end_ = kNever;
    }
    if (watchdogEnabled_ && cycles_ >= watchdogStart_ + watchdogPeriod()) {
        if (asleep_) {
            // Wake-up: execution goes on after SLEEP with TO = 0, PD = 0.
            asleep_ = false;
            status_ &= static_cast<std::uint8_t>(~(bit::TO | bit::PD));
            watchdogStart_ = cycles_;
        } else {
            watchdogReset();
        }
    }
    scheduleEvents();
    if (watchMask_ && trace_)
        traceWatches(cycles_);
}

void Pic16c84::watchdogReset()
{
    // TO = 0, PD = 1: what tells a watchdog reset from the others.
    resetKeepingData(static_cast<std::uint8_t>((status_ & (bit::Z | bit::DC | bit::C)) | bit::PD));
}

void Pic16c84::setMclr(bool high)
{
    if (high != held_)
        return;
    held_ = !high;
    // Reset at the falling edge, and again at the release so that nothing that reached the
    // chip while it was held (an input edge's flag) survives. STATUS keeps TO, PD and the
    // flags: asleep, SLEEP has already set TO and cleared PD as an MCLR reset in sleep does.
    asleep_ = false;
    resetKeepingData(static_cast<std::uint8_t>(status_ & (bit::TO | bit::PD | bit::Z | bit::DC | bit::C)));
}

void Pic16c84::resetKeepingData(std::uint8_t status)
{
    // The values the data sheet gives for a watchdog or MCLR reset; the others (W, FSR,
    // TMR0, the port latches, EEDATA, EEADR, the GPRs, the stack's slots) are kept. No
    // return address is left to show, as gpsim shows it: the stack reads empty.
    pc_ = 0;
    stackDepth_ = 0;
    status_ = status;
    option_ = 0xFF;
    trisA_ = 0x1F;
    trisB_ = 0xFF;
    pclath_ = 0;
    intcon_ &= bit::RBIF;
    std::uint8_t wrerr = eecon1_ & bit::WRERR;
    if (eeprom_write_end_ != kNever) {
        // The write in progress is cut short; choice: the cell keeps its old value.
        wrerr = bit::WRERR;
        eeprom_write_end_ = kNever;
    }
    eecon1_ = wrerr;
    prescaler_ = 0;
    tmr0Inhibit_ = 0;
    watchdogStart_ = cycles_;
    asleep_ = false;
    pinsChanged(cycles_);
    scheduleEvents();
}

void Pic16c84::setWatchdogEnabled(bool on)
{
    watchdogEnabled_ = on;
    watchdogStart_ = cycles_;
    scheduleEvents();
}

void Pic16c84::setClockHz(std::uint32_t hz)
{
    clockHz_ = std::max<std::uint32_t>(hz, 1);
    scheduleEvents();
}

std::uint8_t Pic16c84::read(unsigned address)
{
    const std::uint8_t index = (*registerMap_)[address];
    if (index < reg::kGprCount)
        return gpr_[index];
    return index == kSpecial ? readSpecial(address) : 0;
}

void Pic16c84::write(unsigned address, std::uint8_t value, bool flagsProtected)
{
    const std::uint8_t index = (*registerMap_)[address];
    if (index < reg::kGprCount)
        gpr_[index] = value;
    else if (index == kSpecial)
        writeSpecial(address, value, flagsProtected);
}

std::uint8_t Pic16c84::peek(int address) const
{
    address &= 0xFF;
    const std::uint8_t index = (*registerMap_)[static_cast<std::size_t>(address)];
    if (index < reg::kGprCount)
        return gpr_[index];
    if (index == kUnimplemented)
        return 0;
    switch (address) {
    case 0x00:
    case 0x80: return (fsr_ & 0x7F) ? peek(fsr_) : 0;  // INDF through FSR = 0 or 0x80 reads 0
    case reg::TMR0: return tmr0_;
    case reg::OPTION: return option_;
    case reg::PCL:
    case reg::PCL | 0x80: return static_cast<std::uint8_t>(pc_);
    case reg::STATUS:
    case reg::STATUS | 0x80: return status_;
    case reg::FSR:
    case reg::FSR | 0x80: return fsr_;
    case reg::PORTA: return portAPins();
    case reg::TRISA: return trisA_;
    case reg::PORTB: return portBPins();
    case reg::TRISB: return trisB_;
    case reg::EEDATA: return eedata_;
    case reg::EECON1: return eecon1_;
    case reg::EEADR: return eeadr_;
    case reg::PCLATH:
    case reg::PCLATH | 0x80: return pclath_;
    case reg::INTCON:
    case reg::INTCON | 0x80: return intcon_;
    default: return 0;  // EECON2 is not a physical register
    }
}

bool Pic16c84::canPoke(int address) const
{
    address &= 0xFF;
    const std::uint8_t index = (*registerMap_)[static_cast<std::size_t>(address)];
    if (index < reg::kGprCount)
        return true;
    const int low = address & 0x7F;
    return index == kSpecial && low != 0x00 && low != reg::PCL && address != reg::EECON2;
}

bool Pic16c84::poke(int address, std::uint8_t value)
{
    if (!canPoke(address))
        return false;
    address &= 0xFF;
    const std::uint8_t index = (*registerMap_)[static_cast<std::size_t>(address)];
    if (index < reg::kGprCount) {
        gpr_[index] = value;
    } else {
        switch (address) {
        case reg::TMR0: tmr0_ = value; break;
        case reg::OPTION: option_ = value; break;
        case reg::STATUS:
        case reg::STATUS | 0x80: status_ = value; break;
        case reg::FSR:
        case reg::FSR | 0x80: fsr_ = value; break;
        case reg::PORTA: latchA_ = value & 0x1F; break;
        case reg::TRISA: trisA_ = value & 0x1F; break;
        case reg::PORTB: latchB_ = value; break;
        case reg::TRISB: trisB_ = value; break;
        case reg::EEDATA: eedata_ = value; break;
        case reg::EEADR: eeadr_ = value; break;
        // RD and WR stay as the hardware has them.
        case reg::EECON1:
            eecon1_ = static_cast<std::uint8_t>((value & (bit::EEIF | bit::WRERR | bit::WREN))
                                                | (eecon1_ & (bit::RD | bit::WR)));
            break;
        case reg::PCLATH:
        case reg::PCLATH | 0x80: pclath_ = value & 0x1F; break;
        case reg::INTCON:
        case reg::INTCON | 0x80: intcon_ = value; break;
        default: return false;
        }
        scheduleEvents();
        pinsChanged(cycles_);
    }
    if (watchMask_ && trace_)
        traceWatches(cycles_);
    return true;
}

std::uint8_t Pic16c84::readSpecial(unsigned address)
{
    switch (address) {
    case 0x00:
    case 0x80: return (fsr_ & 0x7F) ? read(fsr_) : 0;
    case reg::PORTB: {
        // Reading PORTB latches RB7:RB4 for the change interrupt.
        const std::uint8_t pins = portBPins();
        rbLatched_ = pins;
        return pins;
    }
    default: return peek(static_cast<int>(address));
    }
}

void Pic16c84::writeSpecial(unsigned address, std::uint8_t value, bool flagsProtected)
{
    switch (address) {
    case 0x00:
    case 0x80:
        if (fsr_ & 0x7F)
            write(fsr_, value, flagsProtected);
        break;
    case reg::TMR0:
        tmr0_ = value;
        if (!(option_ & bit::PSA))
            prescaler_ = 0;
        // No count in the write's cycle nor the two after it. Choice: the prescaler does
        // not count in them either, since the write also clears it.
        tmr0Inhibit_ = 3;
        break;
    case reg::OPTION:
        // Choice: changing PS2:PS0, PSA or T0SE does not itself produce a count; the new
        // setting already counts the cycle of the write.
        option_ = value;
        scheduleEvents();
        // RBPU moves the levels of undriven PORTB inputs, with the edges that follow.
        pinsChanged(cycles_ + 1);
        break;
    case reg::PCL:
    case reg::PCL | 0x80:
        pc_ = static_cast<std::uint16_t>(((pclath_ & 0x1F) << 8) | value);
        pcWritten_ = true;
        break;
    case reg::STATUS:
    case reg::STATUS | 0x80:
        // TO and PD are read-only. With STATUS the destination of an instruction that
        // affects Z, DC or C, the write to all three is disabled and they take the flags.
        if (flagsProtected)
            status_ = static_cast<std::uint8_t>((value & 0xE0) | (status_ & 0x1F));
        else
            status_ = static_cast<std::uint8_t>((value & ~(bit::TO | bit::PD))
                                                | (status_ & (bit::TO | bit::PD)));
        break;
    case reg::FSR:
    case reg::FSR | 0x80: fsr_ = value; break;
    // A port's pins change as the write's cycle ends.
    case reg::PORTA: latchA_ = value & 0x1F; pinsChanged(cycles_ + 1); break;
    case reg::TRISA: trisA_ = value & 0x1F; pinsChanged(cycles_ + 1); break;
    case reg::PORTB:
        latchB_ = value;
        rbLatched_ = portBPins();
        pinsChanged(cycles_ + 1);
        break;
    case reg::TRISB: trisB_ = value; pinsChanged(cycles_ + 1); break;
    case reg::EEDATA: eedata_ = value; break;
    case reg::EEADR: eeadr_ = value; break;
    case reg::EECON1: writeEecon1(value); break;
    case reg::EECON2:
        // The unlock sequence: 0x55, then 0xAA, then WR set in the very next instruction.
        // The data sheet's own sequence loads W between the two writes (movlw 0xAA), so the
        // 0xAA may come up to two instructions after the 0x55.
        if (value == 0x55) {
            eecon2_55_ = instructions_;
            eecon2_AA_ = kNever;
        } else if (value == 0xAA && eecon2_55_ != kNever && instructions_ - eecon2_55_ <= 2) {
            eecon2_AA_ = instructions_;
        } else {
            eecon2_55_ = eecon2_AA_ = kNever;
        }
        break;
    case reg::PCLATH:
    case reg::PCLATH | 0x80: pclath_ = value & 0x1F; break;
    case reg::INTCON:
    case reg::INTCON | 0x80:
        intcon_ = value;
        // A mismatch on RB7:RB4 that has not been ended by a PORTB access sets RBIF again.
        checkPortBMismatch();
        break;
    default: break;
    }
}

void Pic16c84::writeEecon1(std::uint8_t value)
{
    const std::uint8_t old = eecon1_;
    // RD and WR are set by the program and cleared only by the hardware.
    eecon1_ = static_cast<std::uint8_t>((value & (bit::EEIF | bit::WRERR | bit::WREN)) | (old & bit::WR));
    if (value & bit::RD) {
        // The byte is in EEDATA at once and RD clears. Choice: an address of 64 or more
        // selects no cell and leaves EEDATA as it was.
        if (eeadr_ < kEepromBytes)
            eedata_ = eeprom_[eeadr_];
    }
    if ((value & bit::WR) && !(old & bit::WR)) {
        const bool unlocked = eecon2_AA_ != kNever && eecon2_AA_ + 1 == instructions_;
        if (unlocked && (value & bit::WREN)) {
            eecon1_ |= bit::WR;
            eeprom_write_address_ = eeadr_;
            eeprom_write_data_ = eedata_;
            // Choice: the write takes 10 ms of simulated clock.
            eeprom_write_end_ = cycles_ + std::max<std::uint64_t>(1, clockHz_ / 400);
            scheduleEvents();
        }
        eecon2_55_ = eecon2_AA_ = kNever;
    }
}

std::uint8_t Pic16c84::portAPins() const
{
    const unsigned outputs = ~trisA_ & 0x1Fu;
    // RA4 is an open-drain output: it pulls low, or leaves the line to the outside level.
    const unsigned driven = (latchA_ & outputs & 0x0Fu) | (latchA_ & inputA_ & outputs & 0x10u);
    return static_cast<std::uint8_t>(driven | (inputA_ & trisA_));
}

std::uint8_t Pic16c84::portBPins() const
{
    // An input no outside circuit drives reads high through the weak pull-ups while RBPU is
    // clear, and low otherwise (choice: a floating line reads 0, as on port A).
    const unsigned pulled = (option_ & bit::RBPU) ? 0u : ~drivenB_ & 0xFFu;
    const unsigned outside = (inputB_ & drivenB_) | pulled;
    return static_cast<std::uint8_t>((latchB_ & ~trisB_) | (outside & trisB_));
}

void Pic16c84::checkPortBMismatch()
{
    if ((portBPins() ^ rbLatched_) & trisB_ & 0xF0)
        intcon_ |= bit::RBIF;
}

void Pic16c84::pinsChanged(std::uint64_t when)
{
    const std::uint8_t b = portBPins();
    const bool rb0 = b & 1;
    if (rb0 != lastRb0_) {
        lastRb0_ = rb0;
        if (rb0 == ((option_ & bit::INTEDG) != 0))
            intcon_ |= bit::INTF;
    }
    checkPortBMismatch();
    const bool ra4 = portAPins() & 0x10;
    if (ra4 != lastRa4_) {
        lastRa4_ = ra4;
        // T0SE = 0 counts rising edges, 1 falling ones. Asleep or in reset, TMR0 is held.
        const bool counted = ra4 != ((option_ & bit::T0SE) != 0);
        if ((option_ & bit::T0CS) && counted && !asleep_ && !held_ && tmr0Inhibit_ == 0) {
            if (option_ & bit::PSA) {
                tmr0Ticks(1);
            } else {
                prescaler_ = (prescaler_ + 1) & 0xFF;
                if ((prescaler_ & ((2u << (option_ & 7u)) - 1)) == 0)
                    tmr0Ticks(1);
            }
        }
    }
    if (trace_)
        tracePins(when);
}

void Pic16c84::setInputPin(Port port, int pin, bool high, std::uint64_t atCycle)
{
    std::uint8_t& input = port == Port::A ? inputA_ : inputB_;
    const auto mask = static_cast<std::uint8_t>(1u << (pin & 7));
    input = static_cast<std::uint8_t>(high ? (input | mask) : (input & ~mask));
    if (port == Port::A)
        inputA_ &= 0x1F;
    else
        drivenB_ |= mask;
    pinsChanged(std::min(atCycle, cycles_));
    if (watchMask_ && trace_)
        traceWatches(cycles_);
}

bool Pic16c84::inputPin(Port port, int pin) const
{
    return ((port == Port::A ? inputA_ : inputB_) >> (pin & 7)) & 1;
}

bool Pic16c84::pinLevel(Port port, int pin) const
{
    return ((port == Port::A ? portAPins() : portBPins()) >> (pin & 7)) & 1;
}

bool Pic16c84::isOutput(Port port, int pin) const
{
    return !(((port == Port::A ? trisA_ : trisB_) >> (pin & 7)) & 1);
}

void Pic16c84::push(std::uint16_t address)
{
    // Circular: the ninth push overwrites the oldest entry; there is no overflow flag.
    stack_[stackTop_] = address;
    stackTop_ = (stackTop_ + 1) & (kStackLevels - 1);
    stackDepth_ = std::min(stackDepth_ + 1, kStackLevels);
}

std::uint16_t Pic16c84::pop()
{
    // A pop from an empty stack returns whatever its slot holds.
    stackTop_ = (stackTop_ - 1) & (kStackLevels - 1);
    stackDepth_ = std::max(stackDepth_ - 1, 0);
    return stack_[stackTop_];
}

} // namespace tarvik::sim
