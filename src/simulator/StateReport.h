#pragma once

#include "simulator/Pic16c84.h"

#include <cstdint>
#include <string>

namespace tarvik::sim {

// The chip's state as tarvik-asm --simulate prints it: one item a line, lower-case
// hexadecimal, registers as a read of their address returns them.
std::string stateReport(const Pic16c84& chip, std::uint64_t steps);

} // namespace tarvik::sim
