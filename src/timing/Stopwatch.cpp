#include "timing/Stopwatch.h"

#include "timing/LineCycles.h"

namespace tarvik {

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

std::string Stopwatch::lapText(std::string_view command, std::uint64_t now, std::uint32_t clockHz) const
{
    return std::string(command) + ": " + cyclesAndTimeText(lap(now), clockHz);
}

std::string Stopwatch::totalText(std::uint64_t now, std::uint32_t clockHz) const
{
    return cyclesAndTimeText(total(now), clockHz);
}

} // namespace tarvik
