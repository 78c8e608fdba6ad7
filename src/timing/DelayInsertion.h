#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"
#include "timing/DelayGenerator.h"

#include <array>
#include <optional>
#include <string>
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

// The general purpose registers a delay may take, from 0x0C up: no user name in either bank,
// no bit of them named, and no line naming them by their default name.
std::vector<int> freeGeneralPurposeRegisters(const ProgramDocument& doc);

// The names the request's code would use in this document: the request's own, and for the
// rest names that no symbol of the program holds.
DelayNames proposeDelayNames(const ProgramDocument& doc, const DelayRequest& request, const DelayPlan& plan);

// Inserts the delay after the cursor line, its labels entered in the label table and its new
// register names given to free general purpose registers; the cursor ends on its last line.
// Everything is checked first: a refusal has been reported through the screen and changes
// nothing. The caller brackets it as one undo step and brings the view to the cursor.
std::optional<DelayPlan> insertDelay(ProgramDocument& doc, Screen& screen, const DelayRequest& request);

} // namespace tarvik
