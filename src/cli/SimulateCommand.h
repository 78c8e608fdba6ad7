#pragma once

#include <cstdint>
#include <string>

namespace tarvik {

// tarvik-asm --simulate STEPS PROGRAM: runs a program file (assembled in memory, no HEX
// file written) or an Intel HEX file from power-on reset and prints the chip's state.
// Returns the exit status: 0 done, 1 the program does not assemble, 2 unreadable file.
int simulateCommand(std::uint64_t steps, const std::string& path);

} // namespace tarvik
