#pragma once

#include "simulator/Pic16c84.h"

#include <cstdint>

namespace tarvik::sim {

inline constexpr std::uint8_t kArithmeticFlags = bit::C | bit::DC | bit::Z;

constexpr std::uint8_t zeroFlag(unsigned value)
{
    return (value & 0xFF) ? 0 : bit::Z;
}

// The C, DC and Z flags of a + b for two bytes: C the carry out of bit 7, DC out of bit 3.
constexpr std::uint8_t addFlags(unsigned a, unsigned b)
{
    const unsigned r = a + b;
    return static_cast<std::uint8_t>((r > 0xFF ? bit::C : 0) | (((a & 0xF) + (b & 0xF)) > 0xF ? bit::DC : 0)
                                     | zeroFlag(r));
}

// The C, DC and Z flags of a - b for two bytes, C and DC being NOT borrow (out of bits 7
// and 3).
constexpr std::uint8_t subtractFlags(unsigned a, unsigned b)
{
    return static_cast<std::uint8_t>((a >= b ? bit::C : 0) | ((a & 0xF) >= (b & 0xF) ? bit::DC : 0)
                                     | zeroFlag(a - b));
}

} // namespace tarvik::sim
