#include "simulator/Arithmetic.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

constexpr std::uint8_t C = bit::C, DC = bit::DC, Z = bit::Z;

static_assert(addFlags(0xFF, 0x01) == (C | DC | Z), "usable where a constant is needed");

// The chip's own way: a subtraction adds the two's complement, and C and DC are the carries
// out of bits 7 and 3 of that one addition.
std::uint8_t carryChainFlags(unsigned a, unsigned b, bool subtract)
{
    const unsigned addend = subtract ? (~b & 0xFFu) : b;
    const unsigned carryIn = subtract ? 1 : 0;
    const unsigned sum = a + addend + carryIn;
    const unsigned lowSum = (a & 0xFu) + (addend & 0xFu) + carryIn;
    return static_cast<std::uint8_t>((sum > 0xFF ? C : 0) | (lowSum > 0xF ? DC : 0) | ((sum & 0xFF) == 0 ? Z : 0));
}

TEST(ArithmeticFlags, EdgeOperandsGiveTheDataSheetsFlags)
{
    struct Row {
        const char* what;
        bool subtract;
        unsigned a, b;
        std::uint8_t flags;
    };
    const Row rows[] = {
        {"0 + 0", false, 0x00, 0x00, Z},
        {"carry out of both bits to zero", false, 0xFF, 0x01, C | DC | Z},
        {"carry out of bit 7 only", false, 0x80, 0x80, C | Z},
        {"digit carry only", false, 0x0F, 0x01, DC},
        {"largest sum", false, 0xFF, 0xFF, C | DC},
        {"no carry", false, 0x12, 0x34, 0},
        {"0 - 0", true, 0x00, 0x00, C | DC | Z},
        {"equal operands", true, 0x42, 0x42, C | DC | Z},
        {"0 - 1 borrows out of both bits", true, 0x00, 0x01, 0},
        {"borrow out of bit 3 only", true, 0x10, 0x01, C},
        {"borrow out of bit 7 only", true, 0x01, 0x10, DC},
        {"largest from smallest", true, 0x00, 0xFF, 0},
        {"smallest from largest", true, 0xFF, 0x00, C | DC},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.subtract ? subtractFlags(row.a, row.b) : addFlags(row.a, row.b), row.flags) << row.what;
}

TEST(ArithmeticFlags, EveryOperandPairAgreesWithTheCarryChain)
{
    for (bool subtract : {false, true})
        for (unsigned a = 0; a < 256; ++a)
            for (unsigned b = 0; b < 256; ++b) {
                const std::uint8_t got = subtract ? subtractFlags(a, b) : addFlags(a, b);
                const std::uint8_t want = carryChainFlags(a, b, subtract);
                if (got != want)
                    FAIL() << (subtract ? "subtract " : "add ") << a << ", " << b << ": flags " << int(got)
                           << ", want " << int(want);
            }
}

} // namespace
} // namespace tarvik::sim
