#include "simulator/Pacing.h"

#include <algorithm>

namespace tarvik::sim {

namespace {

// Units per nanosecond as a fraction, so that a target is exact however long the run.
struct Ratio {
    std::uint64_t numerator;
    std::uint64_t denominator;
};

Ratio unitsPerNs(RunSpeed speed, std::uint32_t clockHz)
{
    constexpr std::uint64_t kCycleNs = 4'000'000'000;  // four oscillator periods, in ns * Hz
    switch (speed) {
    case RunSpeed::RealTime: return {clockHz, kCycleNs};
    case RunSpeed::Tenth: return {clockHz, kCycleNs * 10};
    case RunSpeed::Hundredth: return {clockHz, kCycleNs * 100};
    case RunSpeed::Thousandth: return {clockHz, kCycleNs * 1000};
    case RunSpeed::Animate: return {kAnimateStepsPerSecond, 1'000'000'000};
    case RunSpeed::Unlimited: break;
    }
    return {0, 1};
}

std::uint64_t unitsIn(std::int64_t ns, Ratio ratio)
{
    return static_cast<std::uint64_t>(static_cast<unsigned __int128>(std::max<std::int64_t>(ns, 0))
                                      * ratio.numerator / ratio.denominator);
}

} // namespace

PaceUnit paceUnit(RunSpeed speed)
{
    return speed == RunSpeed::Animate ? PaceUnit::Instructions : PaceUnit::Cycles;
}

double paceRate(RunSpeed speed, std::uint32_t clockHz)
{
    const Ratio ratio = unitsPerNs(speed, clockHz);
    return static_cast<double>(ratio.numerator) * 1e9 / static_cast<double>(ratio.denominator);
}

Pace pace(PaceOrigin origin, std::int64_t nowNs, std::uint64_t done, RunSpeed speed, std::uint32_t clockHz)
{
    Pace result;
    result.origin = origin;
    if (speed == RunSpeed::Unlimited) {
        result.unlimited = true;
        return result;
    }
    const Ratio ratio = unitsPerNs(speed, std::max<std::uint32_t>(clockHz, 1));
    const std::uint64_t target = origin.done + unitsIn(nowNs - origin.wallNs, ratio);
    if (target <= done)
        return result;  // the last instruction ended past the target: wait
    const std::uint64_t most = std::max<std::uint64_t>(1, unitsIn(kMaxLagNs, ratio));
    result.due = target - done;
    if (result.due > most) {
        result.behind = true;
        result.due = most;
        result.origin = {nowNs, done + most};
    }
    return result;
}

} // namespace tarvik::sim
