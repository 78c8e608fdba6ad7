#pragma once

#include "model/Device.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

struct SimulateOptions {
    std::uint64_t steps = 0;
    std::string program;
    std::optional<std::string> vcd;       // --vcd OUT.vcd
    std::optional<std::string> stimulus;  // --stimulus FILE
    std::uint32_t clockHz = 4'000'000;    // --clock HZ
    std::optional<Device> device;         // --device NAME: the chip a HEX file runs on
};

// --clock HZ: a whole number of hertz from 1 to 20 MHz.
std::optional<std::uint32_t> parseClockHz(std::string_view text);

// tarvik-asm --simulate STEPS PROGRAM: runs a program file (assembled in memory, no HEX
// file written) or an Intel HEX file from power-on reset, driven by the stimulus if one is
// given, writes the pins' waveform if asked, and prints the chip's state.
// Returns the exit status: 0 done, 1 the program does not assemble, 2 a file that cannot be
// read or written or is not what it should be.
int simulateCommand(const SimulateOptions& options);

} // namespace tarvik
