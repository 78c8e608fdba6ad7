#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tarvik::sim {

// The traced signals, one bit each in a level word: 0-4 are RA0-RA4, 5-12 RB0-RB7, and
// from 13 on the register bits the user chose to watch.
inline constexpr int kPinSignals = 13;
inline constexpr int kTraceSignals = 32;
inline constexpr int kWatchSlots = kTraceSignals - kPinSignals;
inline constexpr std::uint32_t kPinSignalMask = (1u << kPinSignals) - 1;

// "RA0" ... "RA4", "RB0" ... "RB7"; empty for a signal that is no pin.
std::string_view pinSignalName(int signal);

// From cycle on the signals have these levels.
struct TraceSample {
    std::uint64_t cycle;
    std::uint32_t levels;
};

// What one pixel column of a timing diagram shows: the signals over a span of cycles.
struct TraceColumn {
    std::uint32_t before = 0;   // levels as the span begins (the oldest kept, if nothing is before it)
    std::uint32_t after = 0;    // levels as it ends
    std::uint32_t changed = 0;  // signals that change inside the span
    bool known = false;         // false: the span lies before the oldest change kept
};

// The changes of the traced signals, oldest dropped first once the memory is full. Samples
// are numbered from the first recorded since clear(); begin() is the oldest one kept.
//
// Samples are stored 8 bytes each: a 32-bit offset from the cycle of its group of 64 and
// the levels. Each group also keeps which signals change in it, so a query over many
// samples (a zoomed-out pixel column) reads one word per group instead of every sample.
class Trace {
public:
    static constexpr std::size_t kDefaultKept = 10'000'000;

    // Keeps at least the last minimumKept samples; memory is taken as they come, about
    // 8.2 bytes a sample.
    explicit Trace(std::size_t minimumKept = kDefaultKept);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    void clear();

    // Cycles never go back (the caller sees to it).
    void record(std::uint64_t cycle, std::uint32_t levels)
    {
        std::uint64_t n = end_;
        if ((n & (kGroupSamples - 1)) == 0 || cycle - groupCycle_ > kMaxOffset) [[unlikely]] {
            startGroup(cycle, levels);
            n = end_;
        }
        Block& block = *current_;
        block.entries[n & (kBlockSamples - 1)] = {static_cast<std::uint32_t>(cycle - groupCycle_), levels};
        block.changed[(n / kGroupSamples) & (kGroupsPerBlock - 1)] |= levels ^ last_;
        last_ = levels;
        end_ = n + 1;
    }

    std::uint64_t begin() const { return begin_; }
    std::uint64_t end() const { return end_; }
    bool empty() const { return begin_ == end_; }
    // The number ever recorded minus those kept.
    std::uint64_t dropped() const { return begin_; }
    TraceSample sample(std::uint64_t index) const;
    std::size_t memoryBytes() const;

    // The first sample at or after the cycle; end() when there is none.
    std::uint64_t lowerBound(std::uint64_t cycle) const;
    // The levels at a cycle; nullopt before the oldest sample kept.
    std::optional<std::uint32_t> levelsAt(std::uint64_t cycle) const;
    // The signals that change at the samples [first, last) (against the sample before each).
    std::uint32_t changedIn(std::uint64_t first, std::uint64_t last) const;
    // The cycle of the first change of the signal after the cycle, or of the last one before it.
    std::optional<std::uint64_t> nextEdge(int signal, std::uint64_t after) const;
    std::optional<std::uint64_t> previousEdge(int signal, std::uint64_t before) const;

    // Column c spans the cycles from firstCycle + c * cyclesPerColumn up to the next
    // column's start, so a change at cycle t lands in the column whose span holds t.
    void columns(double firstCycle, double cyclesPerColumn, std::span<TraceColumn> out) const;

private:
    static constexpr std::uint64_t kGroupSamples = 64;
    static constexpr std::uint64_t kGroupsPerBlock = 64;
    static constexpr std::uint64_t kBlockSamples = kGroupSamples * kGroupsPerBlock;
    static constexpr std::uint64_t kMaxOffset = 0xFFFF'FFFF;

    struct Entry {
        std::uint32_t offset;  // from the cycle of the group's first sample
        std::uint32_t levels;
    };
    struct Block {
        std::array<std::uint64_t, kGroupsPerBlock> cycle;   // of each group's first sample
        std::array<std::uint32_t, kGroupsPerBlock> changed; // signals changing in each group
        std::array<Entry, kBlockSamples> entries;
    };

    void startGroup(std::uint64_t cycle, std::uint32_t levels);
    const Block& blockOf(std::uint64_t index) const { return *blocks_[(index / kBlockSamples) % blocks_.size()]; }
    std::uint64_t groupCycle(std::uint64_t group) const
    {
        return blockOf(group * kGroupSamples).cycle[group & (kGroupsPerBlock - 1)];
    }
    std::uint32_t groupChanged(std::uint64_t group) const
    {
        return blockOf(group * kGroupSamples).changed[group & (kGroupsPerBlock - 1)];
    }
    std::uint32_t changeAt(std::uint64_t index) const;
    std::optional<std::uint64_t> findChange(std::uint32_t mask, std::uint64_t from, std::uint64_t to, bool forward) const;

    std::vector<std::unique_ptr<Block>> blocks_;  // a ring, allocated as it fills
    Block* current_ = nullptr;
    std::uint64_t begin_ = 0, end_ = 0;
    std::uint64_t groupCycle_ = 0;
    std::uint32_t last_ = 0;
};

} // namespace tarvik::sim
