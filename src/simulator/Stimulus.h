#pragma once

#include "simulator/Pic16c84.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::sim {

// The pins a stimulus drives: 0-12 numbered as the trace numbers them, and MCLR.
inline constexpr int kMclrPin = kPinSignals;

// One line of a stimulus: from its cycle on the pin has a level, or is a clock.
struct StimulusItem {
    std::uint64_t cycle = 0;   // instruction cycles from power-on reset
    int pin = 0;
    bool level = false;        // a fixed level (period 0)
    std::uint64_t period = 0;  // a clock: high at cycle and every period after,
    std::uint64_t high = 0;    // for this many cycles each time
    int line = 0;
};

// The items in time order; items at the same cycle keep their line order.
struct Stimulus {
    std::vector<StimulusItem> items;
};

struct StimulusReadOutcome {
    std::optional<Stimulus> stimulus;
    std::string error;  // the first bad line: "line 3: unknown pin RC0"
    std::vector<std::string> errors;  // every bad line, in file order
};

// Lines "CYCLE PIN LEVEL" and "CYCLE PIN clock PERIOD [HIGH]" (high for HIGH cycles of each
// PERIOD, half of it by default); ";" starts a comment. An item lasts until the next one
// for the same pin. A pin is named RA0-RA4, RB0-RB7 or MCLR, RA4 also T0CKI, RB0 also INT,
// either way or both ("RA4/T0CKI"), in any case.
StimulusReadOutcome parseStimulus(std::string_view text);
std::optional<int> stimulusPin(std::string_view name);

// Plays a stimulus into the chip as its cycle count reaches each change.
class StimulusPlayer {
public:
    StimulusPlayer() = default;
    explicit StimulusPlayer(const Stimulus& stimulus);

    bool empty() const;
    void restart();
    // The cycle of the next change; kNever when none is left.
    std::uint64_t nextCycle() const;
    // Drives every change at or before the cycle into the chip, in time order. An input
    // pin's change is stamped in the trace with its own cycle, though the program sees it
    // from the instruction that starts next.
    void applyUntil(Pic16c84& chip, std::uint64_t cycle);

private:
    struct Track {
        std::vector<StimulusItem> items;
        std::size_t next = 0;          // the next item to start
        std::uint64_t period = 0;      // of the clock running; 0 none
        std::uint64_t high = 0;
        std::uint64_t edge = kNever;   // its next edge
        bool edgeLevel = false;
    };
    static std::uint64_t nextChange(const Track& track);

    std::array<Track, kPinSignals + 1> tracks_;
};

} // namespace tarvik::sim
