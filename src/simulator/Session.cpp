#include "simulator/Session.h"

namespace tarvik::sim {

Session::Session(const SimProgram& program, std::size_t traceKept)
    : program_(program), trace_(traceKept)
{
    chip_.setDevice(program_.device);
    chip_.loadProgram(program_.words);
    chip_.loadEeprom(program_.eeprom);
    chip_.setWatchdogEnabled(program_.watchdogEnabled());
    chip_.powerOnReset();
}

void Session::reset()
{
    // The data EEPROM holds its bytes with the power off: a reset keeps what the program
    // wrote (the chip as programmed comes back with a new simulation).
    std::array<std::uint8_t, kEepromBytes> kept{};
    for (int address = 0; address < kEepromBytes; ++address)
        kept[static_cast<std::size_t>(address)] = chip_.eeprom(address);
    chip_.powerOnReset();
    for (int address = 0; address < kEepromBytes; ++address)
        chip_.pokeEeprom(address, kept[static_cast<std::size_t>(address)]);
    steps_ = 0;
    watchedSince_.fill(0);
    stimulus_.restart();
    stimulus_.applyUntil(chip_, chip_.cycles());
}

void Session::setStimulus(const Stimulus& stimulus)
{
    stimulus_ = StimulusPlayer(stimulus);
    stimulus_.applyUntil(chip_, chip_.cycles());
}

void Session::setTracing(bool on)
{
    tracing_ = on;
    chip_.setTrace(on ? &trace_ : nullptr);
    if (!on)
        trace_.clear();
    watchedSince_.fill(chip_.cycles());
}

void Session::setWatch(int slot, std::optional<WatchedBit> watch)
{
    if (slot < 0 || slot >= kWatchSlots)
        return;
    watches_[static_cast<std::size_t>(slot)] = watch;
    watchedSince_[static_cast<std::size_t>(slot)] = chip_.cycles();
    chip_.setWatch(slot, watch);
}

std::optional<WatchedBit> Session::watch(int slot) const
{
    return slot >= 0 && slot < kWatchSlots ? watches_[static_cast<std::size_t>(slot)] : std::nullopt;
}

std::uint64_t Session::signalKnownFrom(int signal) const
{
    const int slot = signal - kPinSignals;
    return slot >= 0 && slot < kWatchSlots ? watchedSince_[static_cast<std::size_t>(slot)] : 0;
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

RunEnd Session::run(std::uint64_t maxSteps, std::optional<std::uint16_t> target, std::uint64_t untilCycle)
{
    // Nothing to stop at: the chip's fast road, in stretches between stimulus changes.
    const bool stepwise = target || breakWords_.any();
    std::uint64_t done = 0;
    for (;;) {
        stimulus_.applyUntil(chip_, chip_.cycles());
        if (done >= maxSteps || chip_.cycles() >= untilCycle)
            return RunEnd::Budget;
        const std::uint64_t next = stimulus_.nextCycle();
        const std::uint64_t limit = std::min(untilCycle, next);
        if (chip_.waitsForOutside()) {
            if (next == kNever)
                return RunEnd::Asleep;
            chip_.idleUntil(limit);
            continue;
        }
        const std::uint64_t ran = chip_.runUntil(stepwise ? 1 : maxSteps - done, limit);
        done += ran;
        steps_ += ran;
        if (ran && target && chip_.pc() == *target)
            return RunEnd::Target;
        if (ran && stepwise && breakWords_.test(chip_.pc() & (kProgramWords - 1)))
            return RunEnd::Breakpoint;
    }
}

} // namespace tarvik::sim
