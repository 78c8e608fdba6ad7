#include "simulator/Session.h"

namespace tarvik::sim {

Session::Session(const SimProgram& program)
    : program_(program)
{
    chip_.loadProgram(program_.words);
    chip_.loadEeprom(program_.eeprom);
    chip_.setWatchdogEnabled(program_.watchdogEnabled());
    chip_.powerOnReset();
}

void Session::reset()
{
    chip_.powerOnReset();
}

int Session::currentLine() const
{
    return program_.lines[chip_.pc() & (kProgramWords - 1)];
}

bool Session::toggleBreakpoint(int line)
{
    if (breakLines_.erase(line)) {
        for (int address = 0; address < kProgramWords; ++address)
            if (program_.lines[static_cast<std::size_t>(address)] == line)
                breakWords_.reset(static_cast<std::size_t>(address));
        return false;
    }
    bool any = false;
    for (int address = 0; address < kProgramWords; ++address)
        if (program_.lines[static_cast<std::size_t>(address)] == line) {
            breakWords_.set(static_cast<std::size_t>(address));
            any = true;
        }
    if (any)
        breakLines_.insert(line);
    return any;
}

std::optional<std::uint16_t> Session::stepOverTarget() const
{
    if (decode(chip_.programWord(chip_.pc())).op != kCall)
        return std::nullopt;
    return static_cast<std::uint16_t>((chip_.pc() + 1) & 0x1FFF);
}

RunEnd Session::run(std::uint64_t maxSteps, std::optional<std::uint16_t> target)
{
    if (breakWords_.none() && !target) {
        // Nothing to watch for: the chip's fast road.
        if (chip_.run(maxSteps) < maxSteps)
            return RunEnd::Asleep;
        return RunEnd::Budget;
    }
    for (std::uint64_t i = 0; i < maxSteps; ++i) {
        if (chip_.step() == StepOutcome::Asleep)
            return RunEnd::Asleep;
        if (target && chip_.pc() == *target)
            return RunEnd::Target;
        if (breakWords_.test(chip_.pc() & (kProgramWords - 1)))
            return RunEnd::Breakpoint;
    }
    return RunEnd::Budget;
}

} // namespace tarvik::sim
