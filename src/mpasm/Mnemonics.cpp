#include "mpasm/Mnemonics.h"

#include <unordered_map>

namespace tarvik::mpasm {

namespace {

constexpr int kIncf = codeOf("incf");
constexpr int kDecf = codeOf("decf");
constexpr int kComf = codeOf("comf");
constexpr int kMovf = codeOf("movf");
constexpr int kBsf = codeOf("bsf");
constexpr int kBcf = codeOf("bcf");
constexpr int kBtfss = codeOf("btfss");
constexpr int kBtfsc = codeOf("btfsc");
constexpr int kGoto = codeOf("goto");
constexpr int kCall = codeOf("call");

constexpr std::array<Mnemonic, 30> kSpecials = {{
    {"addcf", OperandForm::FD, {{{kBtfsc, 0}, {kIncf}}}, 2},
    {"adddcf", OperandForm::FD, {{{kBtfsc, 1}, {kIncf}}}, 2},
    {"b", OperandForm::Target, {{{kGoto}}}, 1},
    {"bc", OperandForm::Target, {{{kBtfsc, 0}, {kGoto}}}, 2},
    {"bdc", OperandForm::Target, {{{kBtfsc, 1}, {kGoto}}}, 2},
    {"bnc", OperandForm::Target, {{{kBtfss, 0}, {kGoto}}}, 2},
    {"bndc", OperandForm::Target, {{{kBtfss, 1}, {kGoto}}}, 2},
    {"bnz", OperandForm::Target, {{{kBtfss, 2}, {kGoto}}}, 2},
    {"bz", OperandForm::Target, {{{kBtfsc, 2}, {kGoto}}}, 2},
    {"clrc", OperandForm::None, {{{kBcf, 0}}}, 1},
    {"clrdc", OperandForm::None, {{{kBcf, 1}}}, 1},
    {"clrz", OperandForm::None, {{{kBcf, 2}}}, 1},
    {"setc", OperandForm::None, {{{kBsf, 0}}}, 1},
    {"setdc", OperandForm::None, {{{kBsf, 1}}}, 1},
    {"setz", OperandForm::None, {{{kBsf, 2}}}, 1},
    {"skpc", OperandForm::None, {{{kBtfss, 0}}}, 1},
    {"skpdc", OperandForm::None, {{{kBtfss, 1}}}, 1},
    {"skpz", OperandForm::None, {{{kBtfss, 2}}}, 1},
    {"skpnc", OperandForm::None, {{{kBtfsc, 0}}}, 1},
    {"skpndc", OperandForm::None, {{{kBtfsc, 1}}}, 1},
    {"skpnz", OperandForm::None, {{{kBtfsc, 2}}}, 1},
    {"lcall", OperandForm::Target, {{{kCall}}}, 1},
    {"lgoto", OperandForm::Target, {{{kGoto}}}, 1},
    {"movfw", OperandForm::F, {{{kMovf, -1, 0}}}, 1},
    {"tstf", OperandForm::F, {{{kMovf, -1, 1}}}, 1},
    {"negf", OperandForm::FD, {{{kComf, -1, 1}, {kIncf}}}, 2},
    {"subcf", OperandForm::FD, {{{kBtfsc, 0}, {kDecf}}}, 2},
    {"subdcf", OperandForm::FD, {{{kBtfsc, 1}, {kDecf}}}, 2},
    // No code on a chip of one page; the bank of the register in one bit.
    {"pagesel", OperandForm::Target, {{}}, 0},
    {"banksel", OperandForm::F, {{{kBsf, 5}}}, 1},
}};

OperandForm formOf(OperandShape shape)
{
    switch (shape) {
    case OperandShape::NoOperand: return OperandForm::None;
    case OperandShape::F: return OperandForm::F;
    case OperandShape::FD: return OperandForm::FD;
    case OperandShape::FB: return OperandForm::FB;
    case OperandShape::K: return OperandForm::K;
    case OperandShape::Label: return OperandForm::Target;
    }
    return OperandForm::None;
}

} // namespace

const Mnemonic* findMnemonic(std::string_view lowerCaseName)
{
    static const std::unordered_map<std::string_view, Mnemonic> mnemonics = [] {
        std::unordered_map<std::string_view, Mnemonic> table;
        for (const InstructionInfo& info : kInstructions)
            table.emplace(info.mnemonic, Mnemonic{info.mnemonic, formOf(info.shape), {{{info.code}}}, 1});
        for (const Mnemonic& special : kSpecials)
            table.emplace(special.name, special);
        return table;
    }();
    const auto it = mnemonics.find(lowerCaseName);
    return it == mnemonics.end() ? nullptr : &it->second;
}

} // namespace tarvik::mpasm
