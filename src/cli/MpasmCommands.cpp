#include "cli/MpasmCommands.h"

#include "cli/StderrScreen.h"
#include "files/FileIdentity.h"
#include "files/ProgramFile.h"
#include "files/SafeFile.h"
#include "mpasm/MpasmExport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>

namespace tarvik {

namespace {

constexpr int kExitAssemblyError = 1;
constexpr int kExitFileOrUsage = 2;

using Producer = bool (*)(ProgramDocument&, Screen&, std::string&);

int run(const std::string& program, const std::optional<std::string>& output, Producer produce)
{
    if (!inputReadable(program))
        return kExitFileOrUsage;
    StderrScreen screen(program);
    const DeviceDefaults defaults;
    ReadOutcome read = readProgramFile(program, defaults);
    if (read.status != ReadStatus::Ok) {
        screen.showMessage(kMessageCaption, readStatusMessage(read.status), MessageButtons::Ok);
        return kExitFileOrUsage;
    }
    std::string text;
    if (!produce(*read.document, screen, text))
        return kExitAssemblyError;
    if (!output) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            printMessage("tarvik-asm", "cannot write to standard output\n" + std::string(std::strerror(errno)));
            return kExitFileOrUsage;
        }
        return 0;
    }
    if (*output == program || sameFile(*output, program)) {
        printMessage(*output, "the source would replace the program file itself");
        return kExitFileOrUsage;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    WriteError cause;
    if (writeFileSafely(*output, std::span<const std::uint8_t>(bytes, text.size()), &cause) != WriteStatus::Ok) {
        printMessage(*output, "cannot write the file\n" + cause.describe());
        return kExitFileOrUsage;
    }
    return 0;
}

} // namespace

int exportCommand(const std::string& program, const std::optional<std::string>& output)
{
    return run(program, output, exportMpasmSource);
}

int listCommand(const std::string& program)
{
    return run(program, std::nullopt, writeListing);
}

} // namespace tarvik
