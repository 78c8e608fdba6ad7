#pragma once

#include "model/ProgramLine.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// Delays exact to the instruction cycle, built from the loop every PIC program uses:
//
//   NAME      movlw  c1           one load per register, innermost first
//             movwf  NAMECnt1
//             ...
//             nop                 padding: at most one nop, then jumps to the next line
//             goto   NAMEPad1     (two cycles in one word), the last one to NAMELoop
//   NAMEPad1  goto   NAMELoop
//   NAMELoop  decfsz NAMECnt1,F   the innermost loop closes on itself, so the simulator
//             goto   NAMELoop     takes it in one go; every outer counter goes back to it
//             decfsz NAMECnt2,F
//             goto   NAMELoop
//             return              the subroutine form only
//
// A count of 256 is loaded as 0. W is changed; no flag is. The counters are general purpose
// registers, the same memory in both banks, so the delay runs in either bank.

inline constexpr std::uint64_t kMinDelayCycles = 8;
inline constexpr std::uint64_t kMaxDelayCycles = 100'000'000;
inline constexpr int kMaxDelayRegisters = 4;
inline constexpr int kMaxDelayCount = 256;

enum class DelayForm {
    Subroutine,  // cycles counted from the start of its call to the instruction after the call
    Inline,      // cycles from its first line to the line after it
};

struct DelayPlan {
    DelayForm form = DelayForm::Subroutine;
    std::uint64_t cycles = 0;
    std::vector<int> counts;  // loop counts, innermost first, 1 to 256
    int padCycles = 0;

    int registerCount() const { return static_cast<int>(counts.size()); }
    int padJumps() const { return padCycles / 2; }
    int words() const;
};

// The plan with the fewest words (then the fewest registers) for exactly that many cycles;
// nullopt outside kMinDelayCycles to kMaxDelayCycles.
std::optional<DelayPlan> planDelay(std::uint64_t cycles, DelayForm form);

// The cycles a plan's code takes, worked out from its counts.
std::uint64_t delayCycles(const DelayPlan& plan);

// "A delay takes from 8 to 100000000 cycles, not %llu."
std::string delayRangeMessage(std::uint64_t cycles);

// The names the code uses. Labels and registers other than the entry are made from a base
// name: BASELoop, BASEPad1..., BASECnt1...
struct DelayNames {
    std::string entry;                   // the subroutine's label; empty inline
    std::string loop;
    std::vector<std::string> pads;       // one per pad jump but the last
    std::vector<std::string> registers;  // innermost first
};

// Names for a plan from the entry name (the base of the others; "Delay" when empty). A
// derived name is kept within the dialogs' 13 characters; when any is taken the base gets
// a number (Delay2Loop, Delay2Cnt1, ...) until none is.
DelayNames delayNames(std::string_view name, const DelayPlan& plan,
                      const std::function<bool(std::string_view)>& taken = {});

// One line of the code with the comment it carries, if any.
struct DelayLine {
    ProgramLine line;
    std::string comment;
};

// The plan's lines, ready for insertion (links unset).
std::vector<DelayLine> delayLines(const DelayPlan& plan, const DelayNames& names);

// The plan as MPASM source to paste into any program: a comment, an equ line per register at
// consecutive addresses from firstRegister, then the lines, the pad jumps written goto $+1.
// Numbers read the same in any radix (D'10', 0x0C); no processor, org or end.
std::string delayMpasmSource(const DelayPlan& plan, const DelayNames& names, int firstRegister);

} // namespace tarvik
