#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarvik {

enum class OperandShape { NoOperand, F, FD, FB, K, Label };

enum class DialogClass { TfrmTwoF, TfrmOneF, TfrmSkip2, TfrmBit1, TfrmLit1, TfrmLit2, TfrmZero };

// How the line's destination field maps to the d bit of the word.
enum class DestinationPolarity {
    ZeroIsW,  // addwf, andwf, movf, iorwf, xorwf: 0 = W, non-zero = f
    ZeroIsF,  // subwf, incf, decf, comf, rlf, swapf, incfsz, decfsz, rrf: 0 = f, non-zero = W
    AlwaysF,  // movwf, clrf: the d bit is always set
    NoDestination,
};

struct InstructionInfo {
    std::int32_t code;
    std::string_view mnemonic;
    OperandShape shape;
    DialogClass dialog;
    std::string_view paletteCaption;  // "&&" is the toolkit escape for one "&"
    std::string_view paletteHint;     // tool tip, then "|" and the status-bar hint where present
    std::string_view dialogCaption;
    std::string_view affected;
    std::string_view cycles;
    DestinationPolarity polarity;
    // A 14-bit word is this instruction when (word & opcodeMask) == opcode; the bits outside
    // the mask are the operand's, or free. The assembler writes opcode with its operand.
    std::uint16_t opcode;
    std::uint16_t opcodeMask;
};

// Indexed by code - 1; codes follow the palette's grouping, not the chip's opcode order.
// Where the chip takes several words for one instruction, opcode is the one written: nop
// is 0x0000 of 00 0000 0xx0 0000, and clrw 0x0100 of 0x0100-0x017F (choice: some assemblers
// write 0x0103; every one of them clears W). movlw and retlw leave bits 9:8 free, addlw and
// sublw bit 8. option (0x0062), tris (0x0065-0x0067) and the undefined words are none of
// these; the simulator decides how they run.
inline constexpr std::array<InstructionInfo, 35> kInstructions = [] {
    using enum OperandShape;
    using enum DialogClass;
    using enum DestinationPolarity;
    return std::array<InstructionInfo, 35>{{
    {1, "addwf", FD, TfrmTwoF, "W+f", "Add W and f", "Add W and f", "C,DC,Z", "1", ZeroIsW, 0x0700, 0x3F00},
    {2, "andwf", FD, TfrmTwoF, "W&&f", "AND W with f", "AND W with f", "Z", "1", ZeroIsW, 0x0500, 0x3F00},
    {3, "movf", FD, TfrmTwoF, "W=f", "Move f", "Move f", "Z", "1", ZeroIsW, 0x0800, 0x3F00},
    {4, "iorwf", FD, TfrmTwoF, "W|f", "Inclusive OR W with f", "Inclusive OR W with f", "Z", "1", ZeroIsW, 0x0400, 0x3F00},
    {5, "xorwf", FD, TfrmTwoF, "W^f", "Exclusive OR W with f", "Exclusive OR W with f", "Z", "1", ZeroIsW, 0x0600, 0x3F00},
    {6, "subwf", FD, TfrmOneF, "f-W", "Subtract W from f", "Subtract W from f", "C,DC,Z", "1", ZeroIsF, 0x0200, 0x3F00},
    {7, "movwf", F, TfrmOneF, "f=W", "Move W to f", "Move W to f", "None", "1", AlwaysF, 0x0080, 0x3F80},
    {8, "incf", FD, TfrmOneF, "++f", "Increment f", "Increment f", "Z", "1", ZeroIsF, 0x0A00, 0x3F00},
    {9, "decf", FD, TfrmOneF, "--f", "Decrement f", "Decrement f", "Z", "1", ZeroIsF, 0x0300, 0x3F00},
    {10, "comf", FD, TfrmOneF, "~f", "Complement f", "Complement f", "Z", "1", ZeroIsF, 0x0900, 0x3F00},
    {11, "rlf", FD, TfrmOneF, "Rlf f", "Rotate left f|", "Rotate left f through carry", "C", "1", ZeroIsF, 0x0D00, 0x3F00},
    {12, "swapf", FD, TfrmOneF, "Swap f", "Swap nibbles in f", "Swap nibles in f", "None", "1", ZeroIsF, 0x0E00, 0x3F00},
    {13, "clrf", F, TfrmOneF, "f=0", "Clear f", "Clear f", "Z", "1", AlwaysF, 0x0180, 0x3F80},
    {14, "clrw", NoOperand, TfrmZero, "W=0", "Clear W", "Clear W", "Z", "1", NoDestination, 0x0100, 0x3F80},
    {15, "nop", NoOperand, TfrmZero, "Nop", "No Operation", "No Operation", "None", "1", NoDestination, 0x0000, 0x3F9F},
    {16, "bsf", FB, TfrmBit1, "bit=high", "Bit Set f", "Bit Set f", "None", "1", NoDestination, 0x1400, 0x3C00},
    {17, "bcf", FB, TfrmBit1, "bit=low", "Bit Clear f", "Bit Clear f", "None", "1", NoDestination, 0x1000, 0x3C00},
    {18, "btfss", FB, TfrmBit1, "Skip bit", "Bit test f,Skip if Set", "Bit test,Skip if Set", "None", "1(2)", NoDestination, 0x1C00, 0x3C00},
    {19, "btfsc", FB, TfrmBit1, "Skip !bit", "Bit Test f,Skip if Clear", "Bit test,Skip if Clear", "None", "1(2)", NoDestination, 0x1800, 0x3C00},
    {20, "incfsz", FD, TfrmSkip2, "++f Skip !dest ", "Increment f,Skip if 0", "Increment f,Skip if 0", "None", "1(2)", ZeroIsF, 0x0F00, 0x3F00},
    {21, "decfsz", FD, TfrmSkip2, "--f Skip !dest", "Decrement f,Skip if 0", "Decrement f,Skip if 0", "None", "1(2)", ZeroIsF, 0x0B00, 0x3F00},
    {22, "addlw", K, TfrmLit1, "W+k", "Add literal and W", "Add literal and W", "C,DC,Z", "1", NoDestination, 0x3E00, 0x3E00},
    {23, "andlw", K, TfrmLit1, "W&&k", "AND literal with W", "AND literal and W", "Z", "1", NoDestination, 0x3900, 0x3F00},
    {24, "movlw", K, TfrmLit1, "W=k", "Move literal to W", "Move literal to W", "None", "1", NoDestination, 0x3000, 0x3C00},
    {25, "iorlw", K, TfrmLit1, "W|k", "Inclusive OR literal with W", "OR literal with W", "Z", "1", NoDestination, 0x3800, 0x3F00},
    {26, "xorlw", K, TfrmLit1, "W^k", "Exclusive OR literal with W", "XOR literal with W", "Z", "1", NoDestination, 0x3A00, 0x3F00},
    {27, "goto", Label, TfrmLit2, "Goto k", "Go to address", "Go to address", "None", "2", NoDestination, 0x2800, 0x3800},
    {28, "call", Label, TfrmLit2, "Call k", "Call subroutine ", "Call subroutine", "None", "2", NoDestination, 0x2000, 0x3800},
    {29, "retlw", K, TfrmLit1, "Retlw k", "Return with literal in W", "Return with literal in W", "None", "2", NoDestination, 0x3400, 0x3C00},
    {30, "retfie", NoOperand, TfrmZero, "Retfie", "Return from interrupt", "Return from interrupt", "None", "2", NoDestination, 0x0009, 0x3FFF},
    {31, "clrwdt", NoOperand, TfrmZero, "Clrwdt", "Clear Watchdog Timer", "Clear Watchdog Timer", "TO,PD", "1", NoDestination, 0x0064, 0x3FFF},
    {32, "sleep", NoOperand, TfrmZero, "Sleep", "Go into standby mode", "Go into standby mode", "TO,PD", "1", NoDestination, 0x0063, 0x3FFF},
    {33, "return", NoOperand, TfrmZero, "Return", "Return from subroutine", "Return from subroutine", "None", "2", NoDestination, 0x0008, 0x3FFF},
    {34, "sublw", K, TfrmLit1, "k-W", "Subtract W from literal", "Subtract W from literal", "C,DC,Z", "1", NoDestination, 0x3C00, 0x3E00},
    {35, "rrf", FD, TfrmOneF, "Rrf f", "Rotate right f", "Rotate right f through carry", "C", "1", ZeroIsF, 0x0C00, 0x3F00},
    }};
}();

static_assert(kInstructions.size() == 35);
static_assert([] {
    for (std::size_t i = 0; i < kInstructions.size(); ++i)
        if (kInstructions[i].code != static_cast<std::int32_t>(i + 1))
            return false;
    return true;
}(), "kInstructions must be indexed by code - 1");
static_assert([] {
    for (const InstructionInfo& info : kInstructions)
        if ((info.opcode & ~info.opcodeMask) != 0 || info.opcodeMask > 0x3FFF)
            return false;
    return true;
}(), "an opcode sets no bit outside its mask");

// The table row of an instruction code, or nullptr for anything that is not 1 to 35.
constexpr const InstructionInfo* instructionInfo(std::int32_t code)
{
    return code >= 1 && code <= 35 ? &kInstructions[static_cast<std::size_t>(code - 1)] : nullptr;
}

// Whether a non-zero destination field means "result to f" for this code.
// Codes without a destination answer false.
bool destinationIsF(std::int32_t code, std::int32_t destination);

} // namespace tarvik
