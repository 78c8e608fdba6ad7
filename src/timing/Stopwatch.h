#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// The simulator's stopwatch, read in instruction cycles of the chip: it runs from its last
// reset, and times the command that last started it.
class Stopwatch {
public:
    // Zero at the chip's cycle count now.
    void reset(std::uint64_t now);
    // A timed command begins.
    void start(std::uint64_t now);

    // Since start and since reset. A chip reset takes its count back to 0: the stopwatch
    // then counts from there.
    std::uint64_t lap(std::uint64_t now) const;
    std::uint64_t total(std::uint64_t now) const;

    // "Step Over: 1003 cycles = 1.003 ms"
    std::string lapText(std::string_view command, std::uint64_t now, std::uint32_t clockHz) const;
    // "2006 cycles = 2.006 ms"
    std::string totalText(std::uint64_t now, std::uint32_t clockHz) const;

private:
    std::uint64_t zero_ = 0;
    std::uint64_t start_ = 0;
};

} // namespace tarvik
