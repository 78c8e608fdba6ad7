#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarvik {

inline constexpr int kSymbolicDisplay = 0;
inline constexpr int kMpasmDisplay = 50;

struct InstructionNamePair {
    std::string_view symbolic;
    std::string_view mpasm;
};

// Indexed by code - 1. A trailing blank is part of the name: the operand follows directly.
inline constexpr std::array<InstructionNamePair, 35> kInstructionNames = {{
    {"W+", "addwf "},     {"W&", "andwf "},   {"W=", "movf "},      {"W|", "iorwf "},
    {"W^", "xorwf "},     {"-W", "subwf "},   {"=W", "movwf "},     {"++", "incf "},
    {"--", "decf "},      {"~", "comf "},     {"Rlf ", "rlf "},     {"Swap ", "swapf "},
    {"=0", "clrf "},      {"W=0", "clrw "},   {"Nop", "nop"},       {"=high", "bsf "},
    {"=low", "bcf "},     {"Skip ", "btfss "}, {"Skip !", "btfsc "}, {"++", "incfsz "},
    {"--", "decfsz "},    {"W+", "addlw "},   {"W&", "andlw "},     {"W=", "movlw "},
    {"W|", "iorlw "},     {"W^", "xorlw "},   {"Goto ", "goto "},   {"Call ", "call "},
    {"Retlw ", "retlw "}, {"Retfie", "retfie"}, {"Clrwdt", "clrwdt"}, {"Sleep", "sleep"},
    {"Return", "return"}, {"-W", "sublw "},   {"Rrf ", "rrf "},
}};

static_assert(kInstructionNames.size() == 35);

// The display name of an instruction in a notation (0 symbolic, anything else MPASM);
// empty for a code that is not an instruction.
constexpr std::string_view instructionName(std::int32_t code, int displayMode)
{
    if (code < 1 || code > 35)
        return {};
    const InstructionNamePair& names = kInstructionNames[static_cast<std::size_t>(code - 1)];
    return displayMode == kSymbolicDisplay ? names.symbolic : names.mpasm;
}

} // namespace tarvik
