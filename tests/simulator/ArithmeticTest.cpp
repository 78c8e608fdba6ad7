#include "simulator/Arithmetic.h"

#include <gtest/gtest.h>

namespace tarvik::sim {
namespace {

constexpr std::uint8_t C = bit::C, DC = bit::DC, Z = bit::Z;

static_assert(addBytes(0xFF, 0x01).flags == (C | DC | Z), "usable where a constant is needed");

// The chip's own way: a subtraction adds the two's complement, and C and DC are the carries
// out of bits 7 and 3 of that one addition.
ArithmeticResult carryChain(unsigned a, unsigned b, bool subtract)
{
    const unsigned addend = subtract ? (~b & 0xFFu) : b;
    const unsigned carryIn = subtract ? 1 : 0;
    const unsigned sum = a + addend + carryIn;
    const unsigned lowSum = (a & 0xFu) + (addend & 0xFu) + carryIn;
    return {static_cast<std::uint8_t>(sum),
            static_cast<std::uint8_t>((sum > 0xFF ? C : 0) | (lowSum > 0xF ? DC : 0) | ((sum & 0xFF) == 0 ? Z : 0))};
}

TEST(Arithmetic, EdgeOperandsGiveTheirResultAndFlags)
{
    struct Row {
        const char* what;
        bool subtract;
        unsigned a, b, value;
        std::uint8_t flags;
    };
    const Row rows[] = {
        {"0 + 0", false, 0x00, 0x00, 0x00, Z},
        {"carry out of both bits to zero", false, 0xFF, 0x01, 0x00, C | DC | Z},
        {"carry out of bit 7 only", false, 0x80, 0x80, 0x00, C | Z},
        {"digit carry only", false, 0x0F, 0x01, 0x10, DC},
        {"largest sum", false, 0xFF, 0xFF, 0xFE, C | DC},
        {"no carry", false, 0x12, 0x34, 0x46, 0},
        {"0 - 0", true, 0x00, 0x00, 0x00, C | DC | Z},
        {"equal operands", true, 0x42, 0x42, 0x00, C | DC | Z},
        {"0 - 1 borrows out of both bits", true, 0x00, 0x01, 0xFF, 0},
        {"borrow out of bit 3 only", true, 0x10, 0x01, 0x0F, C},
        {"borrow out of bit 7 only", true, 0x01, 0x10, 0xF1, DC},
        {"largest from smallest", true, 0x00, 0xFF, 0x01, 0},
        {"smallest from largest", true, 0xFF, 0x00, 0xFF, C | DC},
    };
    for (const Row& row : rows) {
        const ArithmeticResult r = row.subtract ? subtractBytes(row.a, row.b) : addBytes(row.a, row.b);
        EXPECT_EQ(r.value, row.value) << row.what;
        EXPECT_EQ(r.flags, row.flags) << row.what;
    }
}

TEST(Arithmetic, EveryOperandPairAgreesWithTheCarryChain)
{
    for (bool subtract : {false, true})
        for (unsigned a = 0; a < 256; ++a)
            for (unsigned b = 0; b < 256; ++b) {
                const ArithmeticResult got = subtract ? subtractBytes(a, b) : addBytes(a, b);
                const ArithmeticResult want = carryChain(a, b, subtract);
                if (got.value != want.value || got.flags != want.flags)
                    FAIL() << (subtract ? "subtract " : "add ") << a << ", " << b << ": value "
                           << int(got.value) << " flags " << int(got.flags) << ", want " << int(want.value)
                           << " flags " << int(want.flags);
            }
}

} // namespace
} // namespace tarvik::sim
