#include "cli/DelayCommand.h"

#include "model/DeviceDefaults.h"
#include "model/Names.h"
#include "mpasm/MpasmExport.h"
#include "timing/DelayGenerator.h"

namespace tarvik {

namespace {

constexpr int kFirstGpr = 0x0C;

std::optional<std::uint64_t> cycleCount(std::string_view text)
{
    // More digits than the largest count can only be out of range, and would overflow.
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t cycles = 0;
    for (char c : text)
        cycles = cycles * 10 + static_cast<std::uint64_t>(c - '0');
    return cycles;
}

} // namespace

std::optional<std::string> delaySource(std::string_view cycles, std::string_view name, std::string& problem)
{
    const std::optional<std::uint64_t> count = cycleCount(cycles);
    const std::optional<DelayPlan> plan = count ? planDelay(*count, DelayForm::Subroutine) : std::nullopt;
    if (!plan) {
        problem = "--delay takes from " + std::to_string(kMinDelayCycles) + " to " + std::to_string(kMaxDelayCycles)
            + " cycles, not " + std::string(cycles);
        return std::nullopt;
    }
    if (!LooksLikeName(name) || name.size() > kMaxNameLength) {
        problem = "--name takes letters and digits, a letter first, at most " + std::to_string(kMaxNameLength)
            + " in all, not " + std::string(name);
        return std::nullopt;
    }
    // The program it is pasted into defines the chip's names through its include file.
    const DeviceDefaults chip;
    const auto taken = [&](std::string_view candidate) {
        return isMpasmReservedWord(candidate) || chip.bank0().holdsName(candidate) || chip.bank1().holdsName(candidate)
            || chip.bits().positionOf(candidate) != 0;
    };
    if (taken(name)) {
        problem = "--name " + std::string(name) + " is a word of the assembler or a name of the chip";
        return std::nullopt;
    }
    const DelayNames names = delayNames(name, *plan, taken);
    return delayMpasmSource(*plan, names, kFirstGpr);
}

} // namespace tarvik
