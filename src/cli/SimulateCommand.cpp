#include "cli/SimulateCommand.h"

#include "cli/StderrScreen.h"
#include "files/ProgramFile.h"
#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"
#include "simulator/StateReport.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace tarvik {

namespace {

constexpr int kExitAssemblyError = 1;
constexpr int kExitFile = 2;
// Far beyond any HEX file of this chip; a bigger file is not one.
constexpr std::size_t kMaxHexFileBytes = 4 * 1024 * 1024;

bool looksLikeIntelHex(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char c = 0;
    while (in.get(c))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == ':';
    return false;
}

} // namespace

int simulateCommand(std::uint64_t steps, const std::string& path)
{
    // A named pipe would hang the reads below.
    if (!inputReadable(path))
        return kExitFile;
    StderrScreen screen(path);
    sim::SimProgram program;
    if (looksLikeIntelHex(path)) {
        std::ifstream in(path, std::ios::binary);
        std::string text;
        char chunk[65536];
        while (text.size() <= kMaxHexFileBytes && in.read(chunk, sizeof chunk).gcount() > 0)
            text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxHexFileBytes) {
            screen.showMessage(kMessageCaption, "not an Intel HEX file of this chip (too large)",
                               MessageButtons::Ok);
            return kExitFile;
        }
        sim::HexReadOutcome hex = sim::parseIntelHex(text);
        if (!hex.program) {
            screen.showMessage(kMessageCaption, "not a usable Intel HEX file (" + hex.error + ")",
                               MessageButtons::Ok);
            return kExitFile;
        }
        program = *hex.program;
    } else {
        const DeviceDefaults defaults;
        ReadOutcome read = readProgramFile(path, defaults);
        if (read.status != ReadStatus::Ok) {
            screen.showMessage(kMessageCaption, readStatusMessage(read.status), MessageButtons::Ok);
            return kExitFile;
        }
        if (!sim::assembleForSimulation(*read.document, screen, program))
            return kExitAssemblyError;
    }

    auto chip = std::make_unique<sim::Pic16c84>();
    chip->loadProgram(program.words);
    chip->loadEeprom(program.eeprom);
    chip->setWatchdogEnabled(program.watchdogEnabled());
    chip->powerOnReset();
    const std::uint64_t ran = chip->run(steps);
    const std::string report = sim::stateReport(*chip, ran);
    std::fwrite(report.data(), 1, report.size(), stdout);
    return 0;
}

} // namespace tarvik
