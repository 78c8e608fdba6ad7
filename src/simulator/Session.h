#pragma once

#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"
#include "simulator/Stimulus.h"
#include "simulator/Trace.h"

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
    Asleep,      // SLEEP with no wake-up source (or held in reset), and no stimulus left
};

// One simulation of one assembled program, as the editor drives it: the chip, the lines
// of the program counter and the breakpoints, and runs in slices.
class Session {
public:
    // traceKept: the trace keeps at least this many of the latest changes.
    explicit Session(const SimProgram& program, std::size_t traceKept = Trace::kDefaultKept);

    Pic16c84& chip() { return chip_; }
    const Pic16c84& chip() const { return chip_; }
    const SimProgram& program() const { return program_; }

    // Power-on reset: the stimulus plays again from its start, the trace starts anew; the
    // data EEPROM keeps its bytes.
    void reset();
    // Steps run since the reset.
    std::uint64_t steps() const { return steps_; }
    // The program line of the word the PC addresses, -1 for a word no line gave.
    int currentLine() const;

    // Breakpoints sit on lines that gave a word; false (nothing set) for any other line.
    bool toggleBreakpoint(int line);
    bool hasBreakpoint(int line) const { return breakLines_.count(line) != 0; }
    const std::set<int>& breakpoints() const { return breakLines_; }

    // Where Step Over stops: after the call at the PC, or nullopt when the instruction
    // there is no call (Step Over then steps).
    std::optional<std::uint16_t> stepOverTarget() const;

    // Runs up to maxSteps instructions and until the cycle count reaches untilCycle (the
    // last instruction may end past it); stops early at a breakpoint or the target (each
    // checked after a step, so a run may start on one), or when nothing can go on. Asleep
    // with a stimulus change ahead, time passes to it.
    RunEnd run(std::uint64_t maxSteps, std::optional<std::uint16_t> target = std::nullopt,
               std::uint64_t untilCycle = kNever);

    // The input stimulus, driven as the run reaches each change; the changes due by now
    // are driven at once.
    void setStimulus(const Stimulus& stimulus);
    const StimulusPlayer& stimulus() const { return stimulus_; }

    // The trace of the pins and the watched bits, off until switched on.
    void setTracing(bool on);
    bool tracing() const { return tracing_; }
    const Trace& trace() const { return trace_; }
    // A watched bit's signal is known from the cycle it was set on; 0 for the pins.
    void setWatch(int slot, std::optional<WatchedBit> watch);
    std::optional<WatchedBit> watch(int slot) const;
    std::uint64_t signalKnownFrom(int signal) const;

private:
    SimProgram program_;
    Pic16c84 chip_;
    std::set<int> breakLines_;
    std::bitset<kProgramWords> breakWords_;
    std::uint64_t steps_ = 0;
    StimulusPlayer stimulus_;
    Trace trace_;
    bool tracing_ = false;
    std::array<std::optional<WatchedBit>, kWatchSlots> watches_{};
    std::array<std::uint64_t, kWatchSlots> watchedSince_{};
};

} // namespace tarvik::sim
