#pragma once

#include "simulator/Pic16c84.h"

#include <cstdint>

namespace tarvik::sim {

inline constexpr std::uint8_t kArithmeticFlags = bit::C | bit::DC | bit::Z;

constexpr std::uint8_t zeroFlag(unsigned value)
{
    return (value & 0xFF) ? 0 : bit::Z;
}

// An 8-bit result and the C, DC and Z flags that go with it.
struct ArithmeticResult {
    std::uint8_t value;
    std::uint8_t flags;
};

// a + b of two bytes: C the carry out of bit 7, DC out of bit 3.
constexpr ArithmeticResult addBytes(unsigned a, unsigned b)
{
    const unsigned r = a + b;
    return {static_cast<std::uint8_t>(r),
            static_cast<std::uint8_t>((r > 0xFF ? bit::C : 0) | (((a & 0xF) + (b & 0xF)) > 0xF ? bit::DC : 0)
                                      | zeroFlag(r))};
}

// a - b of two bytes, C and DC being NOT borrow (out of bits 7 and 3).
constexpr ArithmeticResult subtractBytes(unsigned a, unsigned b)
{
    const unsigned r = a - b;
    return {static_cast<std::uint8_t>(r),
            static_cast<std::uint8_t>((a >= b ? bit::C : 0) | ((a & 0xF) >= (b & 0xF) ? bit::DC : 0) | zeroFlag(r))};
}

} // namespace tarvik::sim
