#include "model/InstructionCode.h"
#include "simulator/Decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace tarvik::sim {
namespace {

// How the words that are none of the 35 run.
Op unlistedOp(unsigned word)
{
    if (word == 0x0062)
        return kOption;
    if (word >= 0x0065 && word <= 0x0067)
        return kTris;
    return kNop;  // choice: an undefined word runs as nop
}

std::string hex(unsigned word)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", word);
    return text;
}

// The decoder and kInstructions are written apart; they must agree on all 16384 words,
// operands included.
TEST(Decoder, EveryWordIsTheOneInstructionWhoseOpcodeItHoldsUnderTheMask)
{
    std::map<std::string_view, int> wordsOf;
    for (unsigned word = 0; word <= 0x3FFF; ++word) {
        const InstructionInfo* match = nullptr;
        for (const InstructionInfo& info : kInstructions) {
            if ((word & info.opcodeMask) != info.opcode)
                continue;
            ASSERT_EQ(match, nullptr) << hex(word) << " is " << match->mnemonic << " and " << info.mnemonic;
            match = &info;
        }
        const Decoded d = decode(static_cast<std::uint16_t>(word));
        if (!match) {
            ASSERT_EQ(d.op, unlistedOp(word)) << hex(word);
            ++wordsOf["(none)"];
            continue;
        }
        ASSERT_EQ(d.op, match->code) << hex(word) << " is " << match->mnemonic;
        ++wordsOf[match->mnemonic];
        switch (match->shape) {
        case OperandShape::FD: ASSERT_EQ(d.arg, word & 0xFF) << hex(word); break;
        case OperandShape::F: ASSERT_EQ(d.arg & 0x7F, word & 0x7F) << hex(word); break;
        case OperandShape::FB:
            ASSERT_EQ(d.arg, word & 0x7F) << hex(word);
            ASSERT_EQ(d.k, 1u << ((word >> 7) & 7)) << hex(word);
            break;
        case OperandShape::K: ASSERT_EQ(d.k, word & 0xFF) << hex(word); break;
        case OperandShape::Label: ASSERT_EQ(d.k, word & 0x7FF) << hex(word); break;
        case OperandShape::NoOperand: break;
        }
    }
    // Where the chip takes several words for one instruction, and the words that are none
    // of the 35: 120 of 0x0000-0x007F, and 0x3B00-0x3BFF.
    const std::pair<std::string_view, int> counts[] = {
        {"nop", 4},      {"clrw", 128},  {"movwf", 128}, {"clrf", 128},  {"addwf", 256},
        {"return", 1},   {"sleep", 1},   {"bsf", 1024},  {"goto", 2048}, {"movlw", 1024},
        {"retlw", 1024}, {"sublw", 512}, {"addlw", 512}, {"iorlw", 256}, {"(none)", 120 + 256},
    };
    for (const auto& [name, words] : counts)
        EXPECT_EQ(wordsOf[name], words) << name;
}

} // namespace
} // namespace tarvik::sim
