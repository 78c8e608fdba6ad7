#include "cli/SimulateCommand.h"

#include "cli/StderrScreen.h"
#include "files/ProgramFile.h"
#include "files/SafeFile.h"
#include "simulator/Session.h"
#include "simulator/SimProgram.h"
#include "simulator/StateReport.h"
#include "simulator/Stimulus.h"
#include "simulator/VcdWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>


namespace tarvik {

namespace {

constexpr int kExitAssemblyError = 1;
constexpr int kExitFile = 2;
// Far beyond any HEX file of this chip; a bigger file is not one.
constexpr std::size_t kMaxHexFileBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxStimulusBytes = 64 * 1024 * 1024;
constexpr std::uint32_t kMaxClockHz = 20'000'000;
// The waveform is drained from the trace this often: far fewer changes than the trace keeps
// can happen in that many cycles, even with a stimulus clocking every pin.
constexpr std::uint64_t kDrainCycles = 65536;
constexpr std::size_t kTraceKept = 4'000'000;
constexpr std::size_t kWriteBytes = 1 << 20;

bool looksLikeIntelHex(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char c = 0;
    while (in.get(c))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == ':';
    return false;
}

enum class Read { Ok, CannotOpen, TooLarge };

Read readFile(const std::string& path, std::size_t limit, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Read::CannotOpen;
    char chunk[65536];
    while (text.size() <= limit && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return Read::CannotOpen;
    return text.size() > limit ? Read::TooLarge : Read::Ok;
}

void report(const std::string& file, const std::string& text)
{
    StderrScreen(file).showMessage(kMessageCaption, text, MessageButtons::Ok);
}

// The program's image, or the exit status of why there is none. A HEX file names no chip:
// it runs on the one given, by default the 16C84; a program file runs on its own.
int loadProgram(const std::string& path, std::optional<Device> device, sim::SimProgram& program)
{
    // A named pipe would hang the reads below.
    if (!inputReadable(path))
        return kExitFile;
    StderrScreen screen(path);
    if (looksLikeIntelHex(path)) {
        std::string text;
        if (readFile(path, kMaxHexFileBytes, text) == Read::TooLarge) {
            report(path, "not an Intel HEX file of this chip (too large)");
            return kExitFile;
        }
        sim::HexReadOutcome hex = sim::parseIntelHex(text);
        if (!hex.program) {
            report(path, "not a usable Intel HEX file (" + hex.error + ")");
            return kExitFile;
        }
        program = *hex.program;
        program.device = device.value_or(Device::Pic16C84);
        return 0;
    }
    const DeviceDefaults defaults;
    ReadOutcome read = readProgramFile(path, defaults);
    if (read.status == ReadStatus::NotProgramFile) {
        report(path, "neither an Intel HEX file nor a Tarvik program file");
        return kExitFile;
    }
    if (read.status != ReadStatus::Ok) {
        screen.showMessage(kMessageCaption, readStatusMessage(read.status), MessageButtons::Ok);
        return kExitFile;
    }
    if (device && *device != read.document->device()) {
        report(path, "the program is for the " + std::string(deviceName(read.document->device()))
                         + "; --device chooses the chip of a HEX file only");
        return kExitFile;
    }
    return sim::assembleForSimulation(*read.document, screen, program) ? 0 : kExitAssemblyError;
}

} // namespace

std::optional<std::uint32_t> parseClockHz(std::string_view text)
{
    if (text.empty() || text.size() > 8 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint32_t hz = 0;
    for (char c : text)
        hz = hz * 10 + static_cast<std::uint32_t>(c - '0');
    if (hz == 0 || hz > kMaxClockHz)
        return std::nullopt;
    return hz;
}

int simulateCommand(const SimulateOptions& options)
{
    sim::SimProgram program;
    if (const int status = loadProgram(options.program, options.device, program))
        return status;

    std::optional<sim::Stimulus> stimulus;
    if (options.stimulus) {
        std::string text;
        switch (readFile(*options.stimulus, kMaxStimulusBytes, text)) {
        case Read::CannotOpen: report(*options.stimulus, "cannot read the file"); return kExitFile;
        case Read::TooLarge: report(*options.stimulus, "too large for a stimulus file"); return kExitFile;
        case Read::Ok: break;
        }
        sim::StimulusReadOutcome parsed = sim::parseStimulus(text);
        if (!parsed.stimulus) {
            report(*options.stimulus, parsed.error);
            return kExitFile;
        }
        stimulus = std::move(parsed.stimulus);
    }

    std::unique_ptr<SafeFileStream> vcdFile;
    if (options.vcd) {
        for (const std::optional<std::string>& input : {std::optional(options.program), options.stimulus}) {
            std::error_code ignored;
            if (input && std::filesystem::equivalent(*options.vcd, *input, ignored)) {
                report(*options.vcd, "the waveform would replace " + *input);
                return kExitFile;
            }
        }
        vcdFile = std::make_unique<SafeFileStream>(*options.vcd);
        if (!vcdFile->ok()) {
            report(*options.vcd, "cannot write the file\n" + vcdFile->error().describe());
            return kExitFile;
        }
    }

    auto session = std::make_unique<sim::Session>(program, options.vcd ? kTraceKept : 1);
    sim::Pic16c84& chip = session->chip();
    chip.setClockHz(options.clockHz);
    session->setTracing(options.vcd.has_value());
    if (stimulus)
        session->setStimulus(*stimulus);

    sim::VcdWriter writer(options.clockHz, sim::VcdWriter::pinSignals());
    std::string text;
    std::uint64_t drained = session->trace().begin();
    if (vcdFile)
        text = writer.header(chip.traceLevels(), "time 0 is the power-on reset; clock " + std::to_string(options.clockHz)
                                                     + " Hz, an instruction cycle is 4 clock periods");
    while (session->steps() < options.steps) {
        const std::uint64_t until = vcdFile ? chip.cycles() + kDrainCycles : sim::kNever;
        const sim::RunEnd end = session->run(options.steps - session->steps(), std::nullopt, until);
        if (vcdFile) {
            drained = writer.append(session->trace(), drained, text);
            if (text.size() >= kWriteBytes) {
                vcdFile->write(text);
                text.clear();
            }
        }
        if (end == sim::RunEnd::Asleep)
            break;
    }
    if (vcdFile) {
        writer.finish(chip.cycles(), text);
        vcdFile->write(text);
        if (vcdFile->commit() != WriteStatus::Ok) {
            report(*options.vcd, "cannot write the file\n" + vcdFile->error().describe());
            return kExitFile;
        }
    }
    const std::string state = sim::stateReport(chip, session->steps());
    std::fwrite(state.data(), 1, state.size(), stdout);
    return 0;
}

} // namespace tarvik
