// Assembly of a full program memory (1024 words, every instruction kind, 100 labels,
// 50 literals) from the model to the HEX text.
//
//   bench_assembler                 run the benchmark
//   bench_assembler --export DIR    write DIR/full.qel and the equivalent DIR/full.asm, for
//                                   timing tarvik-asm against gpasm as whole processes

#include "assembler/AssemblerPasses.h"
#include "assembler/ConvertToHex.h"
#include "assembler/IntelHex.h"
#include "files/ProgramFile.h"
#include "model/InstructionCode.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace tarvik;

class SilentScreen : public Screen {
public:
    MessageAnswer showMessage(std::string_view, std::string_view, MessageButtons) override
    {
        ++messages;
        return MessageAnswer::Ok;
    }
    int messages = 0;
};

struct Register {
    const char* name;     // as the program names it
    const char* asmName;  // as the MPASM source names it
    int address;
    bool userName;  // a name the user gave, not the chip's or the default one
};

constexpr std::array<Register, 14> kRegisters{{
    {"STATUS", "STATUS", 0x03, false},   {"PORTA", "PORTA", 0x05, false},
    {"PORTB", "PORTB", 0x06, false},     {"FSR", "FSR", 0x04, false},
    {"TMR0", "TMR0", 0x01, false},       {"INTCON", "INTCON", 0x0B, false},
    {"TRISA", "TRISA", 0x85, false},     {"OPTION", "OPTION_REG", 0x81, false},
    {"VAR0", "VAR0", 0x0C, true},        {"VAR1", "VAR1", 0x0D, true},
    {"VAR2", "VAR2", 0x0E, true},        {"VAR3", "VAR3", 0x0F, true},
    {"GPR0H2F", "GPR0H2F", 0x2F, false}, {"COUNTER", "COUNTER", 0xA0, true},
}};

struct Bit {
    const char* operand;   // bit name or REGISTER,n
    const char* asmOperand;
};

constexpr std::array<Bit, 8> kBits{{
    {"C", "STATUS,0"},      {"Z", "STATUS,2"},   {"RP0", "STATUS,5"}, {"GIE", "INTCON,7"},
    {"READY", "VAR0,3"},    {"PORTB,7", "PORTB,7"}, {"TRISA,4", "TRISA,4"}, {"VAR1,0", "VAR1,0"},
}};

constexpr int kWords = 1024;
constexpr int kLabels = 100;
constexpr int kLiterals = 50;

std::string literalValue(int i)
{
    char text[16];
    switch (i % 4) {
    case 0: std::snprintf(text, sizeof text, "%d", (i * 37) % 256); break;
    case 1: std::snprintf(text, sizeof text, "H'%02X'", (i * 53) % 256); break;
    case 2: {
        const int v = (i * 29) % 256;
        std::string bits = "B'";
        for (int b = 7; b >= 0; --b)
            bits += (v >> b & 1) ? '1' : '0';
        return bits + "'";
    }
    default: std::snprintf(text, sizeof text, "'%c'", 'A' + i % 26); break;
    }
    return text;
}

// The program, and the same program as MPASM source.
struct FullProgram {
    std::unique_ptr<ProgramDocument> doc;
    std::string asmSource;
};

FullProgram buildFullProgram(const DeviceDefaults& defaults)
{
    FullProgram program{std::make_unique<ProgramDocument>(defaults), {}};
    ProgramDocument& doc = *program.doc;
    std::string& src = program.asmSource;
    src = "        processor 16c84\n        radix dec\n        errorlevel -302, -219\n";

    for (const Register& reg : kRegisters) {
        if (reg.userName) {
            RegisterTable& file = reg.address < 128 ? doc.registerFile0 : doc.registerFile1;
            file.rename(reg.address, reg.name);
            (reg.address < 128 ? doc.userRegisters0 : doc.userRegisters1).insert(reg.name, reg.address);
        }
        src += std::string(reg.asmName) + " equ " + std::to_string(reg.address) + "\n";
    }
    doc.userBits.insert("READY", 3, 0, 0x0C);
    for (int i = 0; i < kLiterals; ++i) {
        const std::string name = "K" + std::to_string(i);
        doc.literals.insert(name, literalValue(i));
        src += name + " equ " + literalValue(i) + "\n";
    }
    src += "        org 0\n";

    ProgramLine org;
    org.code = kOrgCode;
    org.setOperand("0");
    doc.lines.insertAfterCursor(org);

    for (int w = 0; w < kWords; ++w) {
        ProgramLine line;
        line.code = w % 35 + 1;
        const InstructionInfo& info = *instructionInfo(line.code);
        line.destination = (w / 35) % 2;
        std::string label;
        if (w % 10 == 0 && w / 10 < kLabels) {
            label = "L" + std::to_string(w / 10);
            line.setLabel(label);
            doc.labels.insert(label, {});
        }
        std::string operand;
        std::string asmOperand;
        switch (info.shape) {
        case OperandShape::F:
        case OperandShape::FD: {
            const Register& reg = kRegisters[static_cast<std::size_t>(w % kRegisters.size())];
            operand = reg.name;
            asmOperand = reg.asmName;
            if (info.shape == OperandShape::FD)
                asmOperand += destinationIsF(line.code, line.destination) ? ",F" : ",W";
            break;
        }
        case OperandShape::FB: {
            const Bit& bit = kBits[static_cast<std::size_t>(w % kBits.size())];
            operand = bit.operand;
            asmOperand = bit.asmOperand;
            break;
        }
        case OperandShape::K:
            operand = w % 2 ? "K" + std::to_string(w % kLiterals) : literalValue(w);
            asmOperand = operand;
            break;
        case OperandShape::Label:
            operand = asmOperand = "L" + std::to_string((w * 7) % kLabels);
            break;
        case OperandShape::NoOperand:
            break;
        }
        line.setOperand(operand);
        doc.lines.insertAfterCursor(line);

        src += label.empty() ? "        " : label + " ";
        if (line.code == 14)
            src += "dw 0x0100\n";  // gpasm sets the ignored low bits of clrw
        else
            src += std::string(info.mnemonic) + " " + asmOperand + "\n";
    }
    src += "        end\n";
    return program;
}

void BM_AssembleToHexText(benchmark::State& state)
{
    const DeviceDefaults defaults;
    FullProgram program = buildFullProgram(defaults);
    SilentScreen screen;
    auto image = std::make_unique<HexImage>();
    for (auto _ : state) {
        const bool ok = assembleProgram(*program.doc, screen, *image);
        std::string text = intelHexText(*image);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(text.data());
    }
    if (screen.messages != 0 || image->count() != 2 * kWords)
        state.SkipWithError("the program did not assemble");
}
BENCHMARK(BM_AssembleToHexText)->Unit(benchmark::kMicrosecond);

// The passes one by one, to see where the time goes.
void BM_Passes(benchmark::State& state)
{
    const DeviceDefaults defaults;
    FullProgram program = buildFullProgram(defaults);
    ProgramDocument& doc = *program.doc;
    SilentScreen screen;
    auto image = std::make_unique<HexImage>();
    for (auto _ : state) {
        image->reset();
        doc.labels.clearValues();
        switch (state.range(0)) {
        case 0: benchmark::DoNotOptimize(CheckLabels(doc, screen)); break;
        case 1:
            benchmark::DoNotOptimize(AssignAddresses(doc, screen));
            break;
        case 2:
            state.PauseTiming();
            AssignAddresses(doc, screen);
            state.ResumeTiming();
            benchmark::DoNotOptimize(EncodeProgram(doc, screen, *image));
            break;
        }
    }
}
BENCHMARK(BM_Passes)->Arg(0)->Arg(1)->Arg(2)->ArgName("pass")->Unit(benchmark::kMicrosecond);

void BM_HexText(benchmark::State& state)
{
    const DeviceDefaults defaults;
    FullProgram program = buildFullProgram(defaults);
    SilentScreen screen;
    auto image = std::make_unique<HexImage>();
    assembleProgram(*program.doc, screen, *image);
    for (auto _ : state)
        benchmark::DoNotOptimize(intelHexText(*image).data());
}
BENCHMARK(BM_HexText)->Unit(benchmark::kMicrosecond);

int exportFiles(const std::string& dir)
{
    const DeviceDefaults defaults;
    const FullProgram program = buildFullProgram(defaults);
    if (writeProgramFile(dir + "/full.qel", *program.doc) != WriteStatus::Ok)
        return 1;
    std::ofstream(dir + "/full.asm") << program.asmSource;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--export")
        return exportFiles(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
