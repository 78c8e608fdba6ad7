#pragma once

#include <cstdint>

namespace tarvik::sim {

// How fast Run goes against the wall clock.
enum class RunSpeed {
    RealTime,     // one simulated second in one real second
    Tenth,        // x1/10
    Hundredth,    // x1/100
    Thousandth,   // x1/1000
    Animate,      // a few instructions a second, whatever the clock
    Unlimited,    // as fast as the machine can
};

inline constexpr int kAnimateStepsPerSecond = 4;
// A run further behind than this drops the rest of its lag instead of racing to catch up.
inline constexpr std::int64_t kMaxLagNs = 250'000'000;

// What pacing counts: instruction cycles, or (Animate) instructions.
enum class PaceUnit { Cycles, Instructions };
PaceUnit paceUnit(RunSpeed speed);

// Units per real second at the speed; an instruction cycle is four oscillator periods.
// 0 for Unlimited.
double paceRate(RunSpeed speed, std::uint32_t clockHz);

// Where a paced run started: the wall clock and the units done by then.
struct PaceOrigin {
    std::int64_t wallNs = 0;
    std::uint64_t done = 0;
};

struct Pace {
    std::uint64_t due = 0;  // units to run now
    bool unlimited = false; // Unlimited: run for as long as a slice may take
    bool behind = false;    // the run has fallen behind the wall clock by more than kMaxLagNs
    PaceOrigin origin;      // the origin for the next call: moved on when behind
};

// The units due at nowNs for a run that has done `done` units since it began at the
// origin. The target is kept from the origin, not added up slice by slice, so rounding
// never accumulates; a run that cannot keep up gets at most kMaxLagNs of work at once and
// is told so, and its origin moves on so that it does not later race to catch up.
Pace pace(PaceOrigin origin, std::int64_t nowNs, std::uint64_t done, RunSpeed speed, std::uint32_t clockHz);

} // namespace tarvik::sim
