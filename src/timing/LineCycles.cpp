#include "timing/LineCycles.h"

#include "model/InstructionCode.h"
#include "model/Names.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvik {

namespace {

constexpr int kPcl = 0x02;
constexpr int kMovwf = 7;
constexpr int kClrf = 13;
constexpr int kBsf = 16;
constexpr int kBcf = 17;

bool isPcl(int address) { return (address & 0x7F) == kPcl; }

bool writesPcl(const ProgramDocument& doc, const ProgramLine& line, const InstructionInfo& info)
{
    switch (info.shape) {
    case OperandShape::F:
    case OperandShape::FD: {
        if (line.code != kMovwf && line.code != kClrf && !destinationIsF(line.code, line.destination))
            return false;
        int position = doc.registerFile0.positionOf(line.operandText());
        if (!position)
            position = doc.registerFile1.positionOf(line.operandText());
        return position && isPcl(position - 1);
    }
    case OperandShape::FB: {
        int address = 0;
        int bit = 0;
        return (line.code == kBsf || line.code == kBcf) && ResolveBitOperand(doc, line.operandText(), address, bit)
            && isPcl(address);
    }
    default:
        return false;
    }
}

void add(CycleSum& sum, LineCycles cycles)
{
    if (cycles.most == 0)
        return;
    sum.cycles += static_cast<std::uint64_t>(cycles.least);
    ++sum.instructions;
    if (cycles.most > cycles.least)
        ++sum.skips;
}

} // namespace

LineCycles lineCycles(const ProgramDocument& doc, const ProgramLine& line)
{
    const InstructionInfo* info = instructionInfo(line.code);
    if (!info || line.isInactive())
        return {};
    if (writesPcl(doc, line, *info))
        return {2, 2};
    if (info->cycles == "2")
        return {2, 2};
    if (info->cycles == "1(2)")
        return {1, 2};
    return {1, 1};
}

std::string cyclesText(LineCycles cycles)
{
    if (cycles.most == 0)
        return {};
    if (cycles.least == cycles.most)
        return std::to_string(cycles.least);
    return std::to_string(cycles.least) + "/" + std::to_string(cycles.most);
}

CycleSum selectedCycles(const ProgramDocument& doc)
{
    CycleSum sum;
    for (const ProgramLine& line : doc.lines)
        if (line.isSelected())
            add(sum, lineCycles(doc, line));
    return sum;
}

CycleSum rangeCycles(const ProgramDocument& doc, const ProgramLine* first, const ProgramLine* last)
{
    CycleSum sum;
    for (const ProgramLine* line = first; doc.lines.isLine(line); line = line->next) {
        add(sum, lineCycles(doc, *line));
        if (line == last)
            return sum;
    }
    return {};
}

std::string cycleTimeText(std::uint64_t cycles, std::uint32_t clockHz, int decimals)
{
    if (clockHz == 0)
        return {};
    using Wide = unsigned __int128;
    const int places = std::clamp(decimals, 0, 9);
    Wide fractionScale = 1;
    for (int i = 0; i < places; ++i)
        fractionScale *= 10;
    const Wide periods = Wide{cycles} * 4;
    const char* unit = "s";
    Wide scale = 1;
    if (periods * 1000 < clockHz) {
        unit = "us";
        scale = 1'000'000;
    } else if (periods < clockHz) {
        unit = "ms";
        scale = 1'000;
    }
    // In steps of the last decimal, rounded to the nearest.
    const Wide steps = (periods * scale * fractionScale + clockHz / 2) / clockHz;
    std::string whole;
    for (Wide rest = steps / fractionScale; whole.empty() || rest > 0; rest /= 10)
        whole.insert(whole.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
    std::string fraction;
    for (Wide rest = steps % fractionScale, i = 0; i < static_cast<Wide>(places); rest /= 10, ++i)
        fraction.insert(fraction.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return whole + (fraction.empty() ? "" : "." + fraction) + " " + unit;
}

bool cycleTimeIsExact(std::uint64_t cycles, std::uint32_t clockHz, int decimals)
{
    if (clockHz == 0)
        return false;
    using Wide = unsigned __int128;
    const std::string text = cycleTimeText(cycles, clockHz, decimals);
    const Wide scale = text.ends_with(" us") ? 1'000'000 : text.ends_with(" ms") ? 1'000 : 1;
    Wide fractionScale = 1;
    for (int i = std::clamp(decimals, 0, 9); i > 0; --i)
        fractionScale *= 10;
    return Wide{cycles} * 4 * scale * fractionScale % clockHz == 0;
}

std::string clockText(std::uint32_t clockHz)
{
    const char* unit = "Hz";
    std::uint32_t scale = 1;
    if (clockHz >= 1'000'000) {
        unit = "MHz";
        scale = 1'000'000;
    } else if (clockHz >= 1'000) {
        unit = "kHz";
        scale = 1'000;
    }
    std::string text = std::to_string(clockHz / scale);
    std::string fraction = std::to_string(clockHz % scale + scale).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return text + " " + unit;
}

std::string cyclesAndTimeText(std::uint64_t cycles, std::uint32_t clockHz)
{
    return std::to_string(cycles) + (cycles == 1 ? " cycle = " : " cycles = ") + cycleTimeText(cycles, clockHz);
}

std::string cycleSumText(const CycleSum& sum, std::uint32_t clockHz)
{
    if (sum.instructions == 0)
        return {};
    std::string text = cyclesAndTimeText(sum.cycles, clockHz);
    if (sum.skips > 0)
        text += ", +1 per skip";
    return text;
}

std::uint64_t cyclesForTime(long double seconds, std::uint32_t clockHz)
{
    const long double cycles = std::round(seconds * clockHz / 4);
    if (!(cycles > 0))
        return 0;
    if (cycles >= static_cast<long double>(std::numeric_limits<std::uint64_t>::max()))
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(cycles);
}

} // namespace tarvik
