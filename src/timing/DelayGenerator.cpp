#include "timing/DelayGenerator.h"

#include "model/InstructionCode.h"
#include "model/Screen.h"

#include <algorithm>
#include <cstdio>

namespace tarvik {

namespace {

constexpr int kMovlw = 24;
constexpr int kMovwf = 7;
constexpr int kDecfsz = 21;
constexpr int kGoto = 27;
constexpr int kNop = 15;
constexpr int kReturn = 33;
constexpr int kCallAndReturnCycles = 4;
constexpr int kLoadCycles = 2;  // movlw, movwf
constexpr std::size_t kDerivedNameLength = 13;  // what the symbol dialogs let a user type
constexpr std::size_t kLongestSuffix = 4;       // Loop, Pad5, Cnt4

// The loop of registers 1 to j, entered at NAMELoop and left past its last goto, takes
// from `least` (every count 1) to `most` (every count 256) cycles. The innermost loop takes
// 3c - 1; each further level adds (c - 1) rounds of its decfsz and goto (3 cycles) and the
// whole inner loop with every count 256, and 2 for its final skip: so its `step`.
struct Level {
    std::int64_t least;
    std::int64_t most;
    std::int64_t step;
};

constexpr std::array<Level, kMaxDelayRegisters + 1> kLevels = [] {
    std::array<Level, kMaxDelayRegisters + 1> levels{};
    levels[1] = {2, 3 * kMaxDelayCount - 1, 3};
    for (int j = 2; j <= kMaxDelayRegisters; ++j) {
        const std::int64_t step = 3 + levels[j - 1].most;
        levels[j] = {2 * j, levels[j - 1].most + (kMaxDelayCount - 1) * step + 2, step};
    }
    return levels;
}();

// The padding searched: the loop misses the counts just past each level's last round (2j
// cycles for level j) and two in three of the innermost steps, and a padding longer than
// this costs more words than a register more. Every count of the range was checked once to
// be reached within it.
constexpr int kMaxPadCycles = 2 * kMaxDelayRegisters + 4;
static_assert(kMaxPadCycles / 2 - 1 <= 9, "pad labels take one digit");

// The counts whose loop takes exactly `cycles`. At each level only the largest count that
// leaves the inner levels their least can work: one round fewer leaves them more than their
// most, as a round takes more than their whole range.
bool loopCounts(std::int64_t cycles, int registers, std::vector<int>& counts)
{
    counts.assign(static_cast<std::size_t>(registers), 0);
    std::int64_t rest = cycles;
    for (int j = registers; j >= 2; --j) {
        const Level& inner = kLevels[static_cast<std::size_t>(j - 1)];
        const Level& level = kLevels[static_cast<std::size_t>(j)];
        if (rest < inner.least + 2)
            return false;
        const std::int64_t rounds = std::min<std::int64_t>(kMaxDelayCount - 1, (rest - 2 - inner.least) / level.step);
        rest -= rounds * level.step + 2;
        if (rest > inner.most)
            return false;
        counts[static_cast<std::size_t>(j - 1)] = static_cast<int>(rounds + 1);
    }
    if (rest < kLevels[1].least || rest > kLevels[1].most || rest % 3 != 2)
        return false;
    counts[0] = static_cast<int>((rest + 1) / 3);
    return true;
}

int fixedCycles(DelayForm form, int registers)
{
    return (form == DelayForm::Subroutine ? kCallAndReturnCycles : 0) + kLoadCycles * registers;
}

std::string fitted(std::string_view base, std::string_view suffix)
{
    const std::size_t room = kDerivedNameLength > suffix.size() ? kDerivedNameLength - suffix.size() : 0;
    return std::string(base.substr(0, room)).append(suffix);
}

ProgramLine makeLine(int code, std::string_view operand = {}, std::string_view label = {})
{
    ProgramLine line;
    line.code = code;
    line.setOperand(operand);
    line.setLabel(label);
    line.setAffected(instructionInfo(code)->affected);
    return line;
}

std::string column(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    else
        text += ' ';
    return text;
}

} // namespace

int DelayPlan::words() const
{
    const int loads = 2 * registerCount();
    const int loop = 2 * registerCount();
    return loads + loop + padCycles % 2 + padJumps() + (form == DelayForm::Subroutine ? 1 : 0);
}

std::optional<DelayPlan> planDelay(std::uint64_t cycles, DelayForm form)
{
    if (cycles < kMinDelayCycles || cycles > kMaxDelayCycles)
        return std::nullopt;
    std::optional<DelayPlan> best;
    std::vector<int> counts;
    for (int registers = 1; registers <= kMaxDelayRegisters; ++registers) {
        const std::int64_t loop = static_cast<std::int64_t>(cycles) - fixedCycles(form, registers);
        for (int pad = 0; pad <= kMaxPadCycles && loop - pad >= kLevels[static_cast<std::size_t>(registers)].least; ++pad) {
            if (!loopCounts(loop - pad, registers, counts))
                continue;
            DelayPlan plan{form, 0, counts, pad};
            if (!best || plan.words() < best->words())
                best = std::move(plan);
            break;
        }
    }
    if (best)
        best->cycles = delayCycles(*best);
    return best;
}

std::uint64_t delayCycles(const DelayPlan& plan)
{
    if (plan.counts.empty())
        return 0;
    std::int64_t loop = 3 * std::int64_t{plan.counts[0]} - 1;
    for (std::size_t j = 2; j <= plan.counts.size(); ++j)
        loop += (plan.counts[j - 1] - 1) * kLevels[j].step + 2;
    return static_cast<std::uint64_t>(fixedCycles(plan.form, plan.registerCount()) + loop + plan.padCycles);
}

std::string delayRangeMessage(std::uint64_t cycles)
{
    return formatMessage("A delay takes from %llu to %llu cycles, not %llu.",
                         static_cast<unsigned long long>(kMinDelayCycles),
                         static_cast<unsigned long long>(kMaxDelayCycles),
                         static_cast<unsigned long long>(cycles));
}

DelayNames delayNames(std::string_view name, const DelayPlan& plan,
                      const std::function<bool(std::string_view)>& taken)
{
    const std::string base = name.empty() ? std::string("Delay") : std::string(name);
    DelayNames names;
    if (plan.form == DelayForm::Subroutine)
        names.entry = base;
    for (int n = 1;; ++n) {
        const std::string digits = std::to_string(n);
        const std::string numbered =
            n == 1 ? base : base.substr(0, kDerivedNameLength - kLongestSuffix - digits.size()) + digits;
        names.loop = fitted(numbered, "Loop");
        names.pads.clear();
        for (int i = 1; i < plan.padJumps(); ++i)
            names.pads.push_back(fitted(numbered, "Pad" + std::to_string(i)));
        names.registers.clear();
        for (int i = 1; i <= plan.registerCount(); ++i)
            names.registers.push_back(fitted(numbered, "Cnt" + std::to_string(i)));

        std::vector<std::string_view> all{names.loop};
        all.insert(all.end(), names.pads.begin(), names.pads.end());
        all.insert(all.end(), names.registers.begin(), names.registers.end());
        const bool free = std::none_of(all.begin(), all.end(), [&](std::string_view candidate) {
            return candidate == names.entry || (taken && taken(candidate));
        });
        if (free || n == 999)
            return names;
    }
}

std::vector<DelayLine> delayLines(const DelayPlan& plan, const DelayNames& names)
{
    std::vector<DelayLine> lines;
    for (int i = 0; i < plan.registerCount(); ++i) {
        const int count = plan.counts[static_cast<std::size_t>(i)] % kMaxDelayCount;
        lines.push_back({makeLine(kMovlw, std::to_string(count), i == 0 ? names.entry : std::string()), {}});
        lines.push_back({makeLine(kMovwf, names.registers[static_cast<std::size_t>(i)]), {}});
    }
    if (!lines.empty())
        lines.front().comment = formatMessage(
            plan.form == DelayForm::Subroutine ? "%llu cycles including the call" : "%llu cycles",
            static_cast<unsigned long long>(plan.cycles));
    if (plan.padCycles % 2)
        lines.push_back({makeLine(kNop), {}});
    for (int i = 0; i < plan.padJumps(); ++i) {
        const bool last = i + 1 == plan.padJumps();
        const std::string& target = last ? names.loop : names.pads[static_cast<std::size_t>(i)];
        lines.push_back({makeLine(kGoto, target, i == 0 ? std::string() : names.pads[static_cast<std::size_t>(i - 1)]), {}});
    }
    for (int i = 0; i < plan.registerCount(); ++i) {
        // decfsz's destination 0 is f.
        lines.push_back({makeLine(kDecfsz, names.registers[static_cast<std::size_t>(i)], i == 0 ? names.loop : std::string()), {}});
        lines.push_back({makeLine(kGoto, names.loop), {}});
    }
    if (plan.form == DelayForm::Subroutine)
        lines.push_back({makeLine(kReturn), {}});
    return lines;
}

std::string delayMpasmSource(const DelayPlan& plan, const DelayNames& names, int firstRegister)
{
    std::string out = formatMessage(
        plan.form == DelayForm::Subroutine
            ? "; %s: %llu cycles from the start of its call to the instruction after the call.\n"
            : "; %s: %llu cycles.\n",
        (names.entry.empty() ? names.loop : names.entry).c_str(), static_cast<unsigned long long>(plan.cycles));
    out += "; It changes W and the registers below, and no flag.\n";
    // One label column wide enough for every name.
    std::size_t width = std::max({names.entry.size(), names.loop.size(), std::size_t{6}}) + 2;
    for (const std::string& name : names.registers)
        width = std::max(width, name.size() + 2);
    char number[16];
    for (std::size_t i = 0; i < names.registers.size(); ++i) {
        std::snprintf(number, sizeof number, "0x%02X", firstRegister + static_cast<int>(i));
        out += column(names.registers[i], width) + column("equ", 8) + number + "\n";
    }
    const std::vector<DelayLine> lines = delayLines(plan, names);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ProgramLine& line = lines[i].line;
        const InstructionInfo& info = *instructionInfo(line.code);
        std::string label(line.labelText());
        if (std::find(names.pads.begin(), names.pads.end(), label) != names.pads.end())
            label.clear();
        std::string operand(line.operandText());
        switch (info.shape) {
        case OperandShape::K:
            operand = "D'" + operand + "'";
            break;
        case OperandShape::FD:
            operand += destinationIsF(line.code, line.destination) ? ",F" : ",W";
            break;
        case OperandShape::Label:
            // A jump to the next line: the padding, which needs no label in MPASM.
            if (i + 1 < lines.size() && lines[i + 1].line.labelText() == operand)
                operand = "$+1";
            break;
        default:
            break;
        }
        std::string text = column(label, width)
            + (operand.empty() ? std::string(info.mnemonic) : column(std::string(info.mnemonic), 8) + operand);
        if (!lines[i].comment.empty())
            text = column(text, width + 24) + "; " + lines[i].comment;
        out += text + "\n";
    }
    return out;
}

} // namespace tarvik
