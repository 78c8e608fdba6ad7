#pragma once

#include "simulator/Trace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik::sim {

// The VCD time unit for a clock: the coarsest of 1, 10 or 100 s, ms, us, ns, ps or fs in
// which an instruction cycle is a whole number of units (1 us at 4 MHz), else 1 ps with
// times rounded to it.
struct VcdTimescale {
    std::string text;                  // "1 us"
    std::uint64_t unitsPerCycle = 0;   // 0: not whole, times are rounded
    std::uint64_t femtosecondsPerUnit = 0;
};
VcdTimescale vcdTimescale(std::uint32_t clockHz);

// A value change dump (IEEE 1364) of traced signals, written as text in pieces: the
// header, then the trace's samples as they come, then the end. One 1-bit wire per signal;
// time 0 is the trace's start, times are the samples' cycles at the clock. Changes at the
// same cycle are written once, as their net effect.
class VcdWriter {
public:
    struct Signal {
        int number;  // in the trace's level word
        std::string name;
    };
    VcdWriter(std::uint32_t clockHz, std::vector<Signal> wires);
    // The 13 pins, named RA0-RA4 and RB0-RB7.
    static std::vector<Signal> pinSignals();

    // Up to and with the initial values ($dumpvars), at the start cycle.
    std::string header(std::uint32_t initialLevels, const std::string& comment, std::uint64_t startCycle = 0);
    // The samples [from, trace.end()); those at the start cycle change the initial values.
    // Returns the index to go on from.
    std::uint64_t append(const Trace& trace, std::uint64_t from, std::string& out);
    // The changes still held back and a last time stamp at the end of the run.
    void finish(std::uint64_t endCycle, std::string& out);

    // The whole of a trace as it is kept (from its oldest change on) up to the end cycle.
    std::string dump(const Trace& trace, std::uint64_t endCycle, const std::string& comment);

private:
    std::string time(std::uint64_t cycle) const;
    void stamp(std::uint64_t cycle, std::string& out) const;
    void flush(std::string& out);

    std::uint32_t clockHz_;
    std::vector<Signal> signals_;
    std::uint32_t mask_ = 0;
    VcdTimescale timescale_;
    std::uint32_t written_ = 0;        // the levels the file has reached
    std::uint64_t pendingCycle_ = 0;   // a time whose changes are not yet written
    std::uint32_t pendingLevels_ = 0;
    bool pending_ = false;
    std::uint64_t lastTime_ = 0;       // the cycle of the last time stamp written
};

} // namespace tarvik::sim
