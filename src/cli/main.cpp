// tarvik-asm: Convert to Hex for build scripts.

#include "assembler/ConvertToHex.h"
#include "cli/StderrScreen.h"
#include "files/ProgramFile.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kExitAssemblyError = 1;
constexpr int kExitFileOrUsage = 2;

constexpr std::string_view kUsage = "usage: tarvik-asm [-o OUT.hex] PROGRAM.qel\n";

constexpr std::string_view kHelp =
    "usage: tarvik-asm [-o OUT.hex] PROGRAM.qel\n"
    "\n"
    "Assembles a Tarvik program file into an Intel HEX file with the same steps and\n"
    "messages as the Convert to Hex command of Tarvik.\n"
    "\n"
    "The HEX file is written into the current directory under the name Convert to Hex\n"
    "gives it: the program's file name with everything after its first point replaced\n"
    "by \"hex\" (blink.qel -> blink.hex, my.test.qel -> my.hex).\n"
    "\n"
    "  -o OUT.hex   write OUT.hex instead\n"
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
    print(stderr, "tarvik-asm: ");
    print(stderr, problem);
    print(stderr, "\n");
    print(stderr, kUsage);
    return kExitFileOrUsage;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<std::string> output;
    std::optional<std::string> program;
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
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            return usageError("unknown option " + std::string(arg));
        } else if (program) {
            return usageError("one program file at a time");
        } else {
            program = std::string(arg);
        }
    }
    if (!program)
        return usageError("no program file given");

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
