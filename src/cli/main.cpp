// tarvik-asm: Convert to Hex for build scripts.

#include "assembler/ConvertToHex.h"
#include "cli/DelayCommand.h"
#include "cli/SimulateCommand.h"
#include "cli/MpasmCommands.h"
#include "cli/StderrScreen.h"
#include "files/FileIdentity.h"
#include "files/InputFile.h"
#include "files/PrintableText.h"
#include "files/ProgramFile.h"
#include "files/SafeFile.h"
#include "mpasm/Import.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kExitAssemblyError = 1;
constexpr int kExitFileOrUsage = 2;

constexpr std::string_view kUsage = "usage: tarvik-asm [-o OUT.hex] PROGRAM.qel\n"
                                     "       tarvik-asm --export PROGRAM.qel [-o OUT.asm]\n"
                                     "       tarvik-asm --list PROGRAM.qel\n"
                                     "       tarvik-asm --simulate STEPS PROGRAM [--vcd OUT.vcd]\n"
                                     "                  [--stimulus FILE] [--clock HZ] [--device NAME]\n"
                                     "       tarvik-asm --import SOURCE.asm [--device NAME] [-o PROGRAM.qel]\n"
                                     "       tarvik-asm --delay CYCLES [--name NAME]\n";

constexpr std::string_view kHelp =
    "usage: tarvik-asm [-o OUT.hex] PROGRAM.qel\n"
    "       tarvik-asm --export PROGRAM.qel [-o OUT.asm]\n"
    "       tarvik-asm --list PROGRAM.qel\n"
    "       tarvik-asm --simulate STEPS PROGRAM [--vcd OUT.vcd]\n"
    "                  [--stimulus FILE] [--clock HZ] [--device NAME]\n"
    "       tarvik-asm --import SOURCE.asm [--device NAME] [-o PROGRAM.qel]\n"
    "       tarvik-asm --delay CYCLES [--name NAME]\n"
    "\n"
    "Assembles a Tarvik program file into an Intel HEX file with the same steps and\n"
    "messages as the Convert to Hex command of Tarvik.\n"
    "\n"
    "The HEX file is written into the current directory under the name Convert to Hex\n"
    "gives it: the program's file name with everything after its first point replaced\n"
    "by \"hex\" (blink.qel -> blink.hex, my.test.qel -> my.hex).\n"
    "\n"
    "  -o OUT.hex   write OUT.hex instead\n"
    "  --export     write the program as MPASM source (to standard output, or to -o\n"
    "               OUT.asm) that gpasm -a inhx8m assembles into the same memory\n"
    "               image (clrw: 0x0100 here, 0x0103 from gpasm; both are CLRW)\n"
    "  --list       print every line with its number, word address and word, in\n"
    "               MPASM syntax with its comment, then the symbol table\n"
    "  --simulate STEPS\n"
    "               run PROGRAM (a program file, assembled in memory, or any Intel\n"
    "               HEX file) on the simulated chip (the program's device; a HEX\n"
    "               file runs on a PIC16C84, or the chip --device names) for STEPS\n"
    "               instructions from power-on\n"
    "               reset, stopping early at SLEEP with no wake-up source, and print\n"
    "               the state: steps, cycles, pc, w, the stack from the top, the\n"
    "               registers 0x00-0x2f and 0x80-0xaf (to 0x4f and 0xcf on the\n"
    "               F84s) as a read returns them, and the data EEPROM\n"
    "  --vcd OUT.vcd\n"
    "               with --simulate: also write the pins RA0-RA4 and RB0-RB7 as a\n"
    "               value change dump, time 0 at the reset\n"
    "  --stimulus FILE\n"
    "               with --simulate: drive input pins from FILE, lines \"CYCLE PIN\n"
    "               LEVEL\" (instruction cycles from the reset; RA0-RA4, RB0-RB7 or\n"
    "               MCLR; 0 or 1) or \"CYCLE PIN clock PERIOD [HIGH]\" for a clock\n"
    "               high HIGH cycles of every PERIOD (half by default); \";\" starts\n"
    "               a comment\n"
    "  --clock HZ   with --simulate: the oscillator frequency (default 4000000, where\n"
    "               an instruction cycle is 1 us): it times the waveform, the\n"
    "               watchdog and EEPROM writes\n"
    "  --import     read MPASM source for the 16C84, 16F84 or 16F84A and write it as\n"
    "               a program file (-o, or SOURCE with the extension .qel) that\n"
    "               assembles to the image gpasm makes of the source. #define,\n"
    "               macros and conditional assembly are expanded and a name the\n"
    "               program cannot hold is renamed; each rename, each branch left\n"
    "               out is noted as \"SOURCE.asm:LINE: TEXT\".\n"
    "               Refused the same way, with exit status 1 and no file written:\n"
    "               include files other than the chip's header, other processors,\n"
    "               tris and option, data directives (res, dw, db, da, data,\n"
    "               fill), an EEPROM org other than 0x2100, __idlocs, __badram, relocatable\n"
    "               sections, while, error, a name defined again with another\n"
    "               value, RAM past the chip's, code past 1024 words, a line longer than\n"
    "               4096 characters. Import of an exported program gives the\n"
    "               program back: the same lines and image; the tables in the order\n"
    "               of first use; an empty operand as its value (xorlw 0); a bank-1\n"
    "               bit of a register of both banks perhaps on its bank-0 address;\n"
    "               a name MPASM cannot write as its value. __config and de (after\n"
    "               org 0x2100) are kept\n"
    "  --device NAME\n"
    "               with --import: the chip (16C84, 16F84 or 16F84A) of a source that\n"
    "               names none; a source that names another one is refused. With\n"
    "               --simulate: the chip a HEX file runs on\n"
    "  --delay CYCLES\n"
    "               print MPASM source of a subroutine that takes exactly CYCLES\n"
    "               instruction cycles (8 to 100000000) from the start of its call to\n"
    "               the instruction after the call: equ lines for its registers (free\n"
    "               general purpose registers from 0x0C), then the subroutine, ready to\n"
    "               paste into any program in any radix; it changes W and no flag\n"
    "  --name NAME  the subroutine's label with --delay (Delay when not given); its\n"
    "               other names start with it\n"
    "  -h, --help   show this help\n"
    "  --           end of options (for a program file whose name starts with -)\n"
    "\n"
    "Every message goes to standard error as \"PROGRAM.qel: TEXT\". No definition\n"
    "dialog is offered; fix the program in Tarvik and run again.\n"
    "\n"
    "Exit status:\n"
    "  0  the HEX file was written\n"
    "  1  the program has an assembly error; no HEX file was written or touched\n"
    "  2  the program file cannot be read, the HEX file cannot be written (or would\n"
    "     replace the program file itself), or the command line is wrong\n";

void print(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

int usageError(std::string_view problem)
{
    tarvik::printMessage("tarvik-asm", problem);
    print(stderr, kUsage);
    return kExitFileOrUsage;
}

// Puts back what an in-place write cut short by a crash left half-written.
void restoreInterruptedWrites()
{
    for (const tarvik::InterruptedWrite& write : tarvik::restoreInterruptedWrites())
        if (write.outcome == tarvik::InterruptedWrite::Outcome::Restored)
            tarvik::printMessage("tarvik-asm", write.target + " holds its contents from before an interrupted write again");
}

// The program file name next to the source: its extension replaced by .qel.
std::string programNameFor(const std::string& source)
{
    const std::size_t slash = source.find_last_of('/');
    const std::size_t dot = source.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return source.substr(0, dot) + ".qel";
    return source + ".qel";
}

int importCommand(const std::string& source, const std::optional<std::string>& output,
                  std::optional<tarvik::Device> device)
{
    const std::string target = output ? *output : programNameFor(source);
    // Any spelling of the source's own file counts: ./S.asm, a full path, a link to it.
    if (target == source || tarvik::sameFile(target, source))
        return usageError("the program file would replace the source " + source);
    tarvik::InputCheck check;
    const std::optional<std::string> text = tarvik::readInputFile(source, tarvik::kMaxImportSourceBytes, check);
    if (!text && check.problem == tarvik::InputCheck::Problem::TooLarge) {
        const tarvik::ImportMessage refusal{0, "the source is larger than " + std::to_string(check.limit) + " bytes"};
        print(stderr, tarvik::printableText(tarvik::formatImportMessage(source, refusal) + "\n"));
        return kExitAssemblyError;
    }
    if (!text) {
        tarvik::printMessage(source, "cannot read the file\n" + check.describe());
        return kExitFileOrUsage;
    }

    const tarvik::DeviceDefaults defaults;
    const tarvik::ImportOutcome outcome = tarvik::importMpasmSource(*text, defaults, device);
    for (const tarvik::ImportMessage& note : outcome.notes)
        print(stderr, tarvik::printableText(tarvik::formatImportMessage(source, note) + "\n"));
    if (!outcome.document) {
        print(stderr, tarvik::printableText(tarvik::formatImportMessage(source, *outcome.refusal) + "\n"));
        return kExitAssemblyError;
    }
    tarvik::WriteError cause;
    if (tarvik::writeProgramFile(target, *outcome.document, &cause) != tarvik::WriteStatus::Ok) {
        tarvik::printMessage(target, "cannot write the file\n" + cause.describe());
        return kExitFileOrUsage;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<std::string> output;
    std::optional<std::string> program;
    std::optional<std::uint64_t> simulateSteps;
    tarvik::SimulateOptions simulation;
    bool simulationOptions = false;
    bool importSource = false;
    std::optional<tarvik::Device> device;
    bool exportSource = false;
    bool listProgram = false;
    std::optional<std::string> delayCycles;
    std::optional<std::string> delayName;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help")) {
            print(stdout, kHelp);
            return 0;
        } else if (options && arg == "-o") {
            if (i + 1 >= argc)
                return usageError("-o needs a file name");
            output = argv[++i];
        } else if (options && arg == "--import") {
            importSource = true;
        } else if (options && arg == "--device") {
            if (i + 1 >= argc)
                return usageError("--device needs a chip name");
            device = tarvik::parseDevice(argv[++i]);
            if (!device)
                return usageError("--device needs 16C84, 16F84 or 16F84A, not " + std::string(argv[i]));
        } else if (options && arg == "--simulate") {
            if (i + 1 >= argc)
                return usageError("--simulate needs a number of steps");
            const std::string_view count = argv[++i];
            std::uint64_t steps = 0;
            // Up to 10^15 steps: months of run time, and no overflow.
            if (count.empty() || count.size() > 15
                || count.find_first_not_of("0123456789") != std::string_view::npos)
                return usageError("--simulate needs a number of steps, not " + std::string(count));
            for (char c : count)
                steps = steps * 10 + static_cast<std::uint64_t>(c - '0');
            simulateSteps = steps;
        } else if (options && (arg == "--delay" || arg == "--name")) {
            if (i + 1 >= argc)
                return usageError(std::string(arg) + (arg == "--delay" ? " needs a number of cycles" : " needs a name"));
            (arg == "--delay" ? delayCycles : delayName) = argv[++i];
        } else if (options && (arg == "--vcd" || arg == "--stimulus" || arg == "--clock")) {
            if (i + 1 >= argc)
                return usageError(std::string(arg) + " needs a value");
            const std::string value = argv[++i];
            simulationOptions = true;
            if (arg == "--vcd")
                simulation.vcd = value;
            else if (arg == "--stimulus")
                simulation.stimulus = value;
            else if (const auto hz = tarvik::parseClockHz(value))
                simulation.clockHz = *hz;
            else
                return usageError("--clock needs a frequency in Hz from 1 to 20000000, not " + value);
        } else if (options && arg == "--export") {
            exportSource = true;
        } else if (options && arg == "--list") {
            listProgram = true;
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            return usageError("unknown option " + std::string(arg));
        } else if (program) {
            return usageError("one program file at a time");
        } else {
            program = std::string(arg);
        }
    }
    if (delayCycles || delayName) {
        if (!delayCycles)
            return usageError("--name goes with --delay");
        if (program || output || importSource || exportSource || listProgram || simulateSteps)
            return usageError("--delay goes with --name only");
        std::string problem;
        const std::optional<std::string> source = tarvik::delaySource(*delayCycles, delayName.value_or("Delay"), problem);
        if (!source)
            return usageError(problem);
        print(stdout, *source);
        return 0;
    }
    if (!program)
        return usageError("no program file given");
    if (simulationOptions && !simulateSteps)
        return usageError("--vcd, --stimulus and --clock go with --simulate");
    if (!listProgram && !simulateSteps && (output || !exportSource))
        restoreInterruptedWrites();
    if (device && !importSource && !simulateSteps)
        return usageError("--device goes with --import or --simulate");
    if (importSource) {
        if (exportSource || listProgram || simulateSteps)
            return usageError("--import does not go with --export, --list or --simulate");
        return importCommand(*program, output, device);
    }
    if (exportSource || listProgram) {
        if (exportSource && listProgram)
            return usageError("--export and --list do not go together");
        if (listProgram && output)
            return usageError("--list writes to standard output; -o does not go with it");
        return exportSource ? tarvik::exportCommand(*program, output) : tarvik::listCommand(*program);
    }
    if (simulateSteps) {
        if (output)
            return usageError("-o and --simulate do not go together");
        simulation.steps = *simulateSteps;
        simulation.program = *program;
        simulation.device = device;
        return tarvik::simulateCommand(simulation);
    }

    if (!tarvik::inputReadable(*program))
        return kExitFileOrUsage;
    tarvik::StderrScreen screen(*program);
    const tarvik::DeviceDefaults defaults;
    tarvik::ReadOutcome read = tarvik::readProgramFile(*program, defaults);
    if (read.status != tarvik::ReadStatus::Ok) {
        screen.showMessage(tarvik::kMessageCaption, tarvik::readStatusMessage(read.status),
                           tarvik::MessageButtons::Ok);
        return kExitFileOrUsage;
    }

    tarvik::HexImage image;
    switch (tarvik::convertToHex(*read.document, screen, image, output).status) {
    case tarvik::ConvertStatus::Written: return 0;
    case tarvik::ConvertStatus::AssemblyFailed: return kExitAssemblyError;
    case tarvik::ConvertStatus::NameTooLong:
    case tarvik::ConvertStatus::TargetIsProgram:
    case tarvik::ConvertStatus::WriteFailed: return kExitFileOrUsage;
    }
    return kExitFileOrUsage;
}
