#pragma once

#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <set>

namespace tarvik::sim {

// Why a run ended.
enum class RunEnd {
    Budget,      // the slice's steps are done; the run goes on
    Breakpoint,  // the PC reached a line with a breakpoint
    Target,      // the PC reached the address asked for (Step Over, Run to Cursor)
    Asleep,      // SLEEP with no wake-up source
};

// One simulation of one assembled program, as the editor drives it: the chip, the lines
// of the program counter and the breakpoints, and runs in slices.
class Session {
public:
    explicit Session(const SimProgram& program);

    Pic16c84& chip() { return chip_; }
    const Pic16c84& chip() const { return chip_; }
    const SimProgram& program() const { return program_; }

    void reset();
    // The program line of the word the PC addresses, -1 for a word no line gave.
    int currentLine() const;

    // Breakpoints sit on lines that gave a word; false (nothing set) for any other line.
    bool toggleBreakpoint(int line);
    bool hasBreakpoint(int line) const { return breakLines_.count(line) != 0; }
    const std::set<int>& breakpoints() const { return breakLines_; }

    // Where Step Over stops: after the call at the PC, or nullopt when the instruction
    // there is no call (Step Over then steps).
    std::optional<std::uint16_t> stepOverTarget() const;

    // Runs up to maxSteps instructions; stops early at a breakpoint or the target (each
    // checked after a step, so a run may start on one), or asleep.
    RunEnd run(std::uint64_t maxSteps, std::optional<std::uint16_t> target = std::nullopt);

private:
    SimProgram program_;
    Pic16c84 chip_;
    std::set<int> breakLines_;
    std::bitset<kProgramWords> breakWords_;
};

} // namespace tarvik::sim
