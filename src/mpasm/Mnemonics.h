#pragma once

#include "model/InstructionCode.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace tarvik::mpasm {

enum class OperandForm { None, F, FD, FB, K, Target };

// One instruction word of a mnemonic: the code and, for the special mnemonics, the STATUS
// bit or destination they fix.
struct Step {
    int code = 0;
    int statusBit = -1;  // a bit of STATUS instead of a source operand
    int fixedDest = -1;  // 0 W, 1 f
};

// An instruction or one of the special mnemonics that stand for up to two instructions.
struct Mnemonic {
    std::string_view name;
    OperandForm form;
    std::array<Step, 2> steps;
    int count;
};

// The code of one of the 35 instructions by its mnemonic; in a constant expression a name
// that is none of them does not compile.
constexpr int codeOf(std::string_view mnemonic)
{
    for (const InstructionInfo& info : kInstructions)
        if (info.mnemonic == mnemonic)
            return info.code;
    throw std::invalid_argument("not one of the 35 instructions");
}

// The instruction or special mnemonic of a lower-case name, or nullptr.
const Mnemonic* findMnemonic(std::string_view lowerCaseName);

} // namespace tarvik::mpasm
