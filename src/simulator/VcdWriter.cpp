#include "simulator/VcdWriter.h"

#include <algorithm>
#include <string_view>

namespace tarvik::sim {

namespace {

using u128 = unsigned __int128;

constexpr std::uint64_t kFemtosecondsPerCycleHz = 4'000'000'000'000'000;  // 4 s in fs

// One character a signal, letters only: '$' and '#' are legal but trip simple readers.
constexpr std::string_view kIdentifiers = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";
static_assert(kIdentifiers.size() == kTraceSignals);

std::string decimal(u128 value)
{
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(value % 10));
        value /= 10;
    } while (value != 0);
    return {digits.rbegin(), digits.rend()};
}

} // namespace

VcdTimescale vcdTimescale(std::uint32_t clockHz)
{
    struct Unit {
        const char* name;
        std::uint64_t femtoseconds;
    };
    static constexpr Unit kUnits[] = {{"s", 1'000'000'000'000'000}, {"ms", 1'000'000'000'000},
                                      {"us", 1'000'000'000},         {"ns", 1'000'000},
                                      {"ps", 1'000},                 {"fs", 1}};
    const u128 clock = std::max<std::uint32_t>(clockHz, 1);
    for (const Unit& unit : kUnits)
        for (const std::uint64_t multiple : {100u, 10u, 1u}) {
            const u128 tickHz = clock * multiple * unit.femtoseconds;
            if (tickHz <= kFemtosecondsPerCycleHz && kFemtosecondsPerCycleHz % tickHz == 0)
                return {std::to_string(multiple) + " " + unit.name,
                        static_cast<std::uint64_t>(kFemtosecondsPerCycleHz / tickHz), multiple * unit.femtoseconds};
        }
    return {"1 ps", 0, 1000};
}

VcdWriter::VcdWriter(std::uint32_t clockHz, std::vector<Signal> wires)
    : clockHz_(std::max<std::uint32_t>(clockHz, 1)), signals_(std::move(wires)), timescale_(vcdTimescale(clockHz_))
{
    if (signals_.size() > kIdentifiers.size())
        signals_.resize(kIdentifiers.size());
    for (const Signal& signal : signals_)
        mask_ |= 1u << signal.number;
}

std::vector<VcdWriter::Signal> VcdWriter::pinSignals()
{
    std::vector<Signal> pins;
    for (int signal = 0; signal < kPinSignals; ++signal)
        pins.push_back({signal, std::string(pinSignalName(signal))});
    return pins;
}

std::string VcdWriter::time(std::uint64_t cycle) const
{
    if (timescale_.unitsPerCycle)
        return decimal(u128{cycle} * timescale_.unitsPerCycle);
    // Picoseconds, rounded to the nearest.
    const u128 scaled = u128{cycle} * (kFemtosecondsPerCycleHz / 1000) * 2;
    return decimal((scaled + clockHz_) / (u128{clockHz_} * 2));
}

void VcdWriter::stamp(std::uint64_t cycle, std::string& out) const
{
    out += '#';
    out += time(cycle);
    out += '\n';
}

std::string VcdWriter::header(std::uint32_t initialLevels, const std::string& comment, std::uint64_t startCycle)
{
    written_ = initialLevels & mask_;
    lastTime_ = startCycle;
    pending_ = false;
    std::string out = "$version Tarvik PIC16C84 simulator $end\n";
    if (!comment.empty())
        out += "$comment " + comment + " $end\n";
    out += "$timescale " + timescale_.text + " $end\n$scope module PIC16C84 $end\n";
    for (std::size_t i = 0; i < signals_.size(); ++i)
        out += "$var wire 1 " + std::string(1, kIdentifiers[i]) + " " + signals_[i].name + " $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";
    stamp(startCycle, out);
    out += "$dumpvars\n";
    for (std::size_t i = 0; i < signals_.size(); ++i)
        out += std::string(1, static_cast<char>('0' + ((initialLevels >> signals_[i].number) & 1)))
            + kIdentifiers[i] + "\n";
    return out + "$end\n";
}

std::uint64_t VcdWriter::append(const Trace& trace, std::uint64_t from, std::string& out)
{
    for (std::uint64_t k = std::max(from, trace.begin()); k < trace.end(); ++k) {
        const TraceSample sample = trace.sample(k);
        if (pending_ && sample.cycle != pendingCycle_)
            flush(out);
        pending_ = true;
        pendingCycle_ = sample.cycle;
        pendingLevels_ = sample.levels;
    }
    return trace.end();
}

void VcdWriter::flush(std::string& out)
{
    pending_ = false;
    const std::uint32_t changed = (pendingLevels_ ^ written_) & mask_;
    if (!changed)
        return;
    if (pendingCycle_ != lastTime_)
        stamp(pendingCycle_, out);
    lastTime_ = pendingCycle_;
    for (std::size_t i = 0; i < signals_.size(); ++i)
        if ((changed >> signals_[i].number) & 1) {
            out += static_cast<char>('0' + ((pendingLevels_ >> signals_[i].number) & 1));
            out += kIdentifiers[i];
            out += '\n';
        }
    written_ = pendingLevels_ & mask_;
}

std::string VcdWriter::dump(const Trace& trace, std::uint64_t endCycle, const std::string& comment)
{
    const TraceSample first = trace.empty() ? TraceSample{0, 0} : trace.sample(trace.begin());
    std::string out = header(first.levels, comment, first.cycle);
    append(trace, trace.begin(), out);
    finish(endCycle, out);
    return out;
}

void VcdWriter::finish(std::uint64_t endCycle, std::string& out)
{
    if (pending_)
        flush(out);
    if (endCycle > lastTime_) {
        stamp(endCycle, out);
        lastTime_ = endCycle;
    }
}

} // namespace tarvik::sim
