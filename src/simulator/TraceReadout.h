#pragma once

#include "simulator/Trace.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tarvik::sim {

// The timing diagram's time axis: the cycle at each horizontal pixel.
struct TimeAxis {
    static constexpr double kMinCyclesPerPixel = 1.0 / 64;  // a cycle 64 pixels wide
    static constexpr double kMaxCyclesPerPixel = 1e12;

    double firstCycle = 0;  // at x = 0
    double cyclesPerPixel = 1;

    double cycleAt(double x) const { return firstCycle + x * cyclesPerPixel; }
    double xAt(double cycle) const { return (cycle - firstCycle) / cyclesPerPixel; }
    // factor > 1 zooms in; the cycle under x stays under x. Time does not go below 0.
    TimeAxis zoomedAt(double x, double factor) const;
    TimeAxis scrolledBy(double pixels) const;
};

// The whole cycle a cursor at x stands on.
std::uint64_t cursorCycle(const TimeAxis& axis, double x);

// A signal's level at a cycle; nullopt where the trace does not reach.
std::optional<bool> levelAt(const Trace& trace, int signal, std::uint64_t cycle);

// Four oscillator periods a cycle.
double cyclesToSeconds(double cycles, std::uint32_t clockHz);
// "500 ms", "1.5 us", "122.0703 us": the largest unit that gives at least 1, up to four
// decimals with trailing zeros dropped.
std::string formatSeconds(double seconds);
// The time between two cursors or two edges: "500000 cycles = 500 ms".
std::string formatSpan(std::uint64_t from, std::uint64_t to, std::uint32_t clockHz);

// The stretch of one level a cursor stands in, between the signal's edges around it.
struct Pulse {
    std::uint64_t start;  // the edge at or before the cursor
    std::uint64_t end;    // the first edge after it
    bool level;
    std::optional<std::uint64_t> period;  // start to the next edge the same way as start's
};
std::optional<Pulse> pulseAt(const Trace& trace, int signal, std::uint64_t cycle);

// The signal's edge nearest the cycle, no further than `within` cycles: where a cursor snaps.
std::optional<std::uint64_t> nearestEdge(const Trace& trace, int signal, std::uint64_t cycle, std::uint64_t within);

} // namespace tarvik::sim
