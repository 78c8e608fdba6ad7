#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

// tarvik-asm --delay CYCLES [--name NAME]: the delay subroutine as MPASM source, its registers
// at the free general purpose registers from 0x0C. nullopt, with the problem for the usage
// message, for a count outside the range or a name MPASM cannot take.
std::optional<std::string> delaySource(std::string_view cycles, std::string_view name, std::string& problem);

} // namespace tarvik
