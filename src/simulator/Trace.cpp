#include "simulator/Trace.h"

#include <algorithm>
#include <cmath>

namespace tarvik::sim {

namespace {

constexpr std::string_view kPinNames[kPinSignals] = {"RA0", "RA1", "RA2", "RA3", "RA4", "RB0", "RB1",
                                                     "RB2", "RB3", "RB4", "RB5", "RB6", "RB7"};

} // namespace

std::string_view pinSignalName(int signal)
{
    return signal >= 0 && signal < kPinSignals ? kPinNames[signal] : std::string_view{};
}

Trace::Trace(std::size_t minimumKept)
{
    // One block more than the minimum: the oldest is dropped whole when the newest starts.
    const std::size_t blocks = (minimumKept + kBlockSamples - 1) / kBlockSamples + 1;
    blocks_.resize(std::max<std::size_t>(blocks, 2));
}

Trace::~Trace() = default;

void Trace::clear()
{
    begin_ = end_ = 0;
    current_ = nullptr;
}

void Trace::startGroup(std::uint64_t cycle, std::uint32_t levels)
{
    if (end_ == 0)
        last_ = levels;  // the first sample is where the trace starts, not a change
    if (end_ % kGroupSamples != 0) {
        // Too long since the group began for a 32-bit offset: the rest of the group repeats
        // its last sample, which changes nothing, and the new sample starts a group.
        Block& block = *current_;
        const Entry filler = block.entries[(end_ - 1) % kBlockSamples];
        for (; end_ % kGroupSamples != 0; ++end_)
            block.entries[end_ % kBlockSamples] = filler;
    }
    if (end_ % kBlockSamples == 0) {
        const std::uint64_t number = end_ / kBlockSamples;
        if (number - begin_ / kBlockSamples >= blocks_.size())
            begin_ += kBlockSamples;
        std::unique_ptr<Block>& slot = blocks_[number % blocks_.size()];
        if (!slot)
            slot = std::make_unique<Block>();
        current_ = slot.get();
    }
    const std::uint64_t group = (end_ / kGroupSamples) % kGroupsPerBlock;
    current_->cycle[group] = cycle;
    current_->changed[group] = 0;
    groupCycle_ = cycle;
}

TraceSample Trace::sample(std::uint64_t index) const
{
    const Block& block = blockOf(index);
    const Entry& entry = block.entries[index % kBlockSamples];
    return {block.cycle[(index / kGroupSamples) % kGroupsPerBlock] + entry.offset, entry.levels};
}

std::size_t Trace::memoryBytes() const
{
    const auto allocated = std::count_if(blocks_.begin(), blocks_.end(), [](const auto& b) { return b != nullptr; });
    return static_cast<std::size_t>(allocated) * sizeof(Block) + blocks_.size() * sizeof(blocks_[0]);
}

std::uint64_t Trace::lowerBound(std::uint64_t cycle) const
{
    if (empty())
        return end_;
    const std::uint64_t firstGroup = begin_ / kGroupSamples;
    // The first group that starts at or after the cycle; the answer is in the group before
    // it, or is its first sample.
    std::uint64_t low = firstGroup, high = (end_ - 1) / kGroupSamples + 1;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (groupCycle(middle) < cycle)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == firstGroup)
        return begin_;
    const std::uint64_t group = low - 1;
    const Block& block = blockOf(group * kGroupSamples);
    const std::uint64_t base = block.cycle[group % kGroupsPerBlock];
    std::uint64_t first = group * kGroupSamples, last = std::min(first + kGroupSamples, end_);
    while (first < last) {
        const std::uint64_t middle = first + (last - first) / 2;
        if (base + block.entries[middle % kBlockSamples].offset < cycle)
            first = middle + 1;
        else
            last = middle;
    }
    return first;
}

std::optional<std::uint32_t> Trace::levelsAt(std::uint64_t cycle) const
{
    const std::uint64_t after = cycle == ~std::uint64_t{0} ? end_ : lowerBound(cycle + 1);
    if (after == begin_)
        return std::nullopt;
    return sample(after - 1).levels;
}

std::uint32_t Trace::changeAt(std::uint64_t index) const
{
    // What came before the oldest sample kept is not known: no change is claimed there.
    if (index <= begin_)
        return 0;
    return blockOf(index).entries[index % kBlockSamples].levels
        ^ blockOf(index - 1).entries[(index - 1) % kBlockSamples].levels;
}

std::uint32_t Trace::changedIn(std::uint64_t first, std::uint64_t last) const
{
    first = std::max(first, begin_ + 1);
    last = std::min(last, end_);
    std::uint32_t changed = 0;
    for (; first < last && first % kGroupSamples != 0; ++first)
        changed |= changeAt(first);
    for (; first + kGroupSamples <= last; first += kGroupSamples)
        changed |= groupChanged(first / kGroupSamples);
    for (; first < last; ++first)
        changed |= changeAt(first);
    return changed;
}

std::optional<std::uint64_t> Trace::findChange(std::uint32_t mask, std::uint64_t from, std::uint64_t to,
                                               bool forward) const
{
    from = std::max(from, begin_ + 1);
    to = std::min(to, end_);
    if (forward) {
        for (std::uint64_t k = from; k < to;) {
            if (k % kGroupSamples == 0 && k + kGroupSamples <= to && !(groupChanged(k / kGroupSamples) & mask)) {
                k += kGroupSamples;
                continue;
            }
            if (changeAt(k) & mask)
                return k;
            ++k;
        }
    } else {
        for (std::uint64_t k = to; k > from;) {
            if (k % kGroupSamples == 0 && k - kGroupSamples >= from && !(groupChanged(k / kGroupSamples - 1) & mask)) {
                k -= kGroupSamples;
                continue;
            }
            --k;
            if (changeAt(k) & mask)
                return k;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> Trace::nextEdge(int signal, std::uint64_t after) const
{
    if (signal < 0 || signal >= kTraceSignals || after == ~std::uint64_t{0})
        return std::nullopt;
    const auto index = findChange(1u << signal, lowerBound(after + 1), end_, true);
    return index ? std::optional(sample(*index).cycle) : std::nullopt;
}

std::optional<std::uint64_t> Trace::previousEdge(int signal, std::uint64_t before) const
{
    if (signal < 0 || signal >= kTraceSignals)
        return std::nullopt;
    const auto index = findChange(1u << signal, begin_, lowerBound(before), false);
    return index ? std::optional(sample(*index).cycle) : std::nullopt;
}

void Trace::columns(double firstCycle, double cyclesPerColumn, std::span<TraceColumn> out) const
{
    const auto boundary = [&](std::size_t column) -> std::uint64_t {
        const double cycle = std::ceil(firstCycle + static_cast<double>(column) * cyclesPerColumn);
        if (!(cycle > 0))
            return 0;
        return cycle >= 1.8e19 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(cycle);
    };
    std::uint64_t first = lowerBound(boundary(0));
    for (std::size_t c = 0; c < out.size(); ++c) {
        const std::uint64_t last = lowerBound(boundary(c + 1));
        TraceColumn column;
        if (last > begin_) {
            column.known = true;
            column.after = sample(last - 1).levels;
            column.before = first > begin_ ? sample(first - 1).levels : sample(begin_).levels;
            column.changed = last > first ? changedIn(first, last) : 0;
        }
        out[c] = column;
        first = std::max(first, last);
    }
}

} // namespace tarvik::sim
