#pragma once

#include "model/ProgramDocument.h"

#include <cstdint>
#include <string>

namespace tarvik {

// The instruction cycles a line takes when it runs: 1 or 2, or 1 and 2 for a skip that does
// not or does skip; 0 for a line that gives no word (header, ORG, blank, Inactive).
// A write to PCL is a jump and takes 2, skip or not.
struct LineCycles {
    int least = 0;
    int most = 0;
    bool operator==(const LineCycles&) const = default;
};

LineCycles lineCycles(const ProgramDocument& doc, const ProgramLine& line);

// "1", "2", "1/2", or empty for a line without cycles.
std::string cyclesText(LineCycles cycles);

// Lines taken straight through, each once in order: skips do not skip.
struct CycleSum {
    std::uint64_t cycles = 0;
    int instructions = 0;
    int skips = 0;  // each adds one cycle when it skips
    bool operator==(const CycleSum&) const = default;
};

// The document's Selected lines.
CycleSum selectedCycles(const ProgramDocument& doc);
// From first to last, both included, in program order; nothing when last is not at or after first.
CycleSum rangeCycles(const ProgramDocument& doc, const ProgramLine* first, const ProgramLine* last);

// The time of a number of cycles at an oscillator frequency (four periods per cycle), in the
// largest of us, ms and s that keeps it at 1 or more, rounded to at most that many decimals:
// "1 ms", "12.5 us", "0.25 us". Decimals go up to 9.
std::string cycleTimeText(std::uint64_t cycles, std::uint32_t clockHz, int decimals = 3);

// Whether cycleTimeText's figure is the time itself, not a rounding of it.
bool cycleTimeIsExact(std::uint64_t cycles, std::uint32_t clockHz, int decimals = 3);

// An oscillator frequency as the user sets it: "4 MHz", "3.579 MHz", "32.768 kHz", "500 Hz".
std::string clockText(std::uint32_t clockHz);

// "12 cycles = 12 us", "1 cycle = 1 us".
std::string cyclesAndTimeText(std::uint64_t cycles, std::uint32_t clockHz);

// A sum for the status bar, as cyclesAndTimeText; empty for no instruction.
// "+1 per skip" follows when any of the lines can skip, as each adds a cycle when it does.
std::string cycleSumText(const CycleSum& sum, std::uint32_t clockHz);

// The whole number of cycles nearest to a time in seconds at a frequency.
std::uint64_t cyclesForTime(long double seconds, std::uint32_t clockHz);

} // namespace tarvik
