#include "timing/Stopwatch.h"

#include "timing/LineCycles.h"

namespace tarvik {

namespace {

std::string cyclesAndTime(std::uint64_t cycles, std::uint32_t clockHz)
{
    return std::to_string(cycles) + (cycles == 1 ? " cycle = " : " cycles = ") + cycleTimeText(cycles, clockHz);
}

} // namespace

void Stopwatch::reset(std::uint64_t now)
{
    zero_ = now;
    start_ = now;
}

void Stopwatch::start(std::uint64_t now)
{
    start_ = now;
}

std::uint64_t Stopwatch::lap(std::uint64_t now) const
{
    return now >= start_ ? now - start_ : now;
}

std::uint64_t Stopwatch::total(std::uint64_t now) const
{
    return now >= zero_ ? now - zero_ : now;
}

std::string Stopwatch::report(std::string_view command, std::uint64_t now, std::uint32_t clockHz) const
{
    return std::string(command) + ": " + cyclesAndTime(lap(now), clockHz) + "; stopwatch "
        + cyclesAndTime(total(now), clockHz);
}

} // namespace tarvik
