// The chip's side of the trace: what it records, and when.

#include "simulator/Pic16c84.h"

#include <algorithm>

namespace tarvik::sim {

void Pic16c84::setTrace(Trace* trace)
{
    trace_ = trace;
    if (!trace_)
        return;
    trace_->clear();
    traced_ = traceLevels();
    tracedCycle_ = cycles_;
    trace_->record(cycles_, traced_);
}

void Pic16c84::setWatch(int slot, std::optional<WatchedBit> watch)
{
    if (slot < 0 || slot >= kWatchSlots)
        return;
    if (watch)
        watch->bit &= 7;
    watches_[static_cast<std::size_t>(slot)] = watch;
    watchMask_ = 0;
    watchBlocksFastPath_ = false;
    for (int i = 0; i < kWatchSlots; ++i) {
        const auto& w = watches_[static_cast<std::size_t>(i)];
        if (!w)
            continue;
        watchMask_ |= 1u << (kPinSignals + i);
        // The fast path writes STATUS and PCL with nearly every instruction, and INDF stands
        // for whatever register FSR points to.
        const int low = w->address & 0x7F;
        if (low == reg::INDF || low == reg::PCL || low == reg::STATUS)
            watchBlocksFastPath_ = true;
    }
    // A watched general purpose register is written through the step path only.
    buildFastCode();
    if (trace_)
        traceWatches(cycles_);
}

std::uint32_t Pic16c84::watchedLevels() const
{
    std::uint32_t levels = 0;
    for (std::uint32_t mask = watchMask_; mask != 0; mask &= mask - 1) {
        const int signal = __builtin_ctz(mask);
        const WatchedBit& w = *watches_[static_cast<std::size_t>(signal - kPinSignals)];
        levels |= static_cast<std::uint32_t>((peek(w.address) >> w.bit) & 1) << signal;
    }
    return levels;
}

std::uint32_t Pic16c84::traceLevels() const
{
    return portAPins() | static_cast<std::uint32_t>(portBPins()) << 5 | watchedLevels();
}

void Pic16c84::tracePins(std::uint64_t cycle)
{
    const std::uint32_t levels = (traced_ & ~kPinSignalMask) | portAPins() | static_cast<std::uint32_t>(portBPins()) << 5;
    if (levels == traced_)
        return;
    traced_ = levels;
    tracedCycle_ = std::max(tracedCycle_, cycle);
    trace_->record(tracedCycle_, levels);
}

void Pic16c84::traceWatches(std::uint64_t cycle)
{
    const std::uint32_t levels = (traced_ & kPinSignalMask) | watchedLevels();
    if (levels == traced_)
        return;
    traced_ = levels;
    tracedCycle_ = std::max(tracedCycle_, cycle);
    trace_->record(tracedCycle_, levels);
}

} // namespace tarvik::sim
