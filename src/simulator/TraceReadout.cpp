#include "simulator/TraceReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarvik::sim {

TimeAxis TimeAxis::zoomedAt(double x, double factor) const
{
    TimeAxis zoomed = *this;
    if (!(factor > 0))
        return zoomed;
    zoomed.cyclesPerPixel = std::clamp(cyclesPerPixel / factor, kMinCyclesPerPixel, kMaxCyclesPerPixel);
    zoomed.firstCycle = std::max(0.0, cycleAt(x) - x * zoomed.cyclesPerPixel);
    return zoomed;
}

TimeAxis TimeAxis::scrolledBy(double pixels) const
{
    TimeAxis scrolled = *this;
    scrolled.firstCycle = std::max(0.0, firstCycle + pixels * cyclesPerPixel);
    return scrolled;
}

std::uint64_t cursorCycle(const TimeAxis& axis, double x)
{
    const double cycle = std::floor(axis.cycleAt(x));
    return cycle > 0 ? static_cast<std::uint64_t>(cycle) : 0;
}

std::optional<bool> levelAt(const Trace& trace, int signal, std::uint64_t cycle)
{
    const auto levels = trace.levelsAt(cycle);
    if (!levels || signal < 0 || signal >= kTraceSignals)
        return std::nullopt;
    return (*levels >> signal) & 1;
}

double cyclesToSeconds(double cycles, std::uint32_t clockHz)
{
    return cycles * 4.0 / std::max<std::uint32_t>(clockHz, 1);
}

std::string formatSeconds(double seconds)
{
    struct Unit {
        double scale;
        const char* name;
    };
    static constexpr Unit kUnits[] = {{1, "s"}, {1e-3, "ms"}, {1e-6, "us"}, {1e-9, "ns"}};
    const double magnitude = std::fabs(seconds);
    const Unit* unit = &kUnits[3];
    for (const Unit& u : kUnits)
        if (magnitude >= u.scale * (1 - 1e-12)) {
            unit = &u;
            break;
        }
    if (magnitude == 0)
        unit = &kUnits[0];
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", seconds / unit->scale);
    std::string number = text;
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.')
        number.pop_back();
    if (number == "-0")
        number = "0";
    return number + " " + unit->name;
}

std::string formatSpan(std::uint64_t from, std::uint64_t to, std::uint32_t clockHz)
{
    const std::uint64_t cycles = to > from ? to - from : from - to;
    return std::to_string(cycles) + (cycles == 1 ? " cycle = " : " cycles = ")
        + formatSeconds(cyclesToSeconds(static_cast<double>(cycles), clockHz));
}

std::optional<Pulse> pulseAt(const Trace& trace, int signal, std::uint64_t cycle)
{
    const auto level = levelAt(trace, signal, cycle);
    const auto start = cycle == ~std::uint64_t{0} ? std::nullopt : trace.previousEdge(signal, cycle + 1);
    const auto end = trace.nextEdge(signal, cycle);
    if (!level || !start || !end)
        return std::nullopt;
    Pulse pulse{*start, *end, *level, std::nullopt};
    if (const auto next = trace.nextEdge(signal, *end))
        pulse.period = *next - *start;
    return pulse;
}

std::optional<std::uint64_t> nearestEdge(const Trace& trace, int signal, std::uint64_t cycle, std::uint64_t within)
{
    const auto before = cycle == ~std::uint64_t{0} ? std::nullopt : trace.previousEdge(signal, cycle + 1);
    const auto after = trace.nextEdge(signal, cycle);
    std::optional<std::uint64_t> best;
    if (before && cycle - *before <= within)
        best = before;
    if (after && *after - cycle <= within && (!best || *after - cycle < cycle - *best))
        best = after;
    return best;
}

} // namespace tarvik::sim
