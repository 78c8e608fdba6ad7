#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"
#include "timing/DelayGenerator.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// What Insert Delay asks for.
struct DelayRequest {
    std::uint64_t cycles = 0;
    DelayForm form = DelayForm::Subroutine;
    // The subroutine's label; inline, only the base of the loop's names ("Delay" when empty).
    std::string name = "Delay";
    // Innermost first. An existing general purpose register's name reuses that register; a
    // new name goes to a free one; an empty name is proposed.
    std::array<std::string, kMaxDelayRegisters> registers{};
};

// The units a delay's length is typed in.
enum class DelayUnit { Microseconds, Milliseconds, Seconds, Cycles };

struct DelayAmount {
    std::uint64_t cycles = 0;
    bool whole = true;  // the time typed is a whole number of cycles at the clock
    bool operator==(const DelayAmount&) const = default;
};

// The cycles a typed length asks for: a decimal number ("1.5", ".25") of the unit, a time
// to the nearest cycle at the clock (the oscillator frequency). Cycles take whole numbers.
// nullopt for anything else; a number too large to count saturates, for the range check
// to refuse.
std::optional<DelayAmount> delayAmount(std::string_view text, DelayUnit unit, std::uint32_t clockHz);

// The general purpose registers a delay may take, from 0x0C up: no user name in either bank,
// no bit of them named, and no line naming them by their default name.
std::vector<int> freeGeneralPurposeRegisters(const ProgramDocument& doc);

// The names the request's code would use in this document: the request's own, and for the
// rest names that no symbol of the program holds.
DelayNames proposeDelayNames(const ProgramDocument& doc, const DelayRequest& request, const DelayPlan& plan);

// Where a counter of a delay would be.
struct DelayRegister {
    int address = -1;       // -1: none (no free register left, or a name that is no register's)
    bool existing = false;  // the name is the register's already
    bool operator==(const DelayRegister&) const = default;
};

// The registers of the names as insertDelay takes them: a register the name already has,
// the free register a new name would get.
std::vector<DelayRegister> delayRegisters(const ProgramDocument& doc, const DelayNames& names);

// Inserts the delay after the cursor line, its labels entered in the label table and its new
// register names given to free general purpose registers; the cursor ends on its last line.
// Everything is checked first: a refusal has been reported through the screen and changes
// nothing. The caller brackets it as one undo step and brings the view to the cursor.
std::optional<DelayPlan> insertDelay(ProgramDocument& doc, Screen& screen, const DelayRequest& request);

} // namespace tarvik
