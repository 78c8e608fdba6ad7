#include "timing/DelayInsertion.h"

#include "model/Names.h"
#include "model/SymbolCommands.h"

#include <algorithm>
#include <limits>

namespace tarvik {

namespace {

constexpr int kFirstGpr = 0x0C;
constexpr int kBank1 = 0x80;

bool namesRegister(std::string_view operand, std::string_view name)
{
    return operand.substr(0, name.size()) == name
        && (operand.size() == name.size() || operand[name.size()] == ',');
}

bool bitNamedOn(const ProgramDocument& doc, int address)
{
    return std::any_of(doc.userBits.begin(), doc.userBits.end(),
                       [&](const BitEntry& entry) { return entry.address == address; });
}

// The address of a register name, bank 0 first as the assembler resolves it; -1 for none.
int registerAddressOf(const ProgramDocument& doc, std::string_view name)
{
    if (const int position = doc.registerFile0.positionOf(name))
        return position - 1;
    if (const int position = doc.registerFile1.positionOf(name))
        return kBank1 + position - 1;
    return -1;
}

void reportInUse(Screen& screen, std::string_view name, std::string_view caption)
{
    screen.showMessage(caption, formatMessage("'%s' is already exist!", std::string(name).c_str()),
                       MessageButtons::Ok);
}

} // namespace

std::optional<DelayAmount> delayAmount(std::string_view text, DelayUnit unit, std::uint32_t clockHz)
{
    using Wide = unsigned __int128;
    // Past this many digits a count cannot fit anyway; later fraction digits are dropped.
    constexpr Wide kDigitLimit = static_cast<Wide>(1'000'000'000'000ULL) * 1'000'000'000'000ULL;
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);

    Wide mantissa = 0;
    int fractionDigits = 0;
    bool point = false;
    bool anyDigit = false;
    bool dropped = false;
    bool saturated = false;
    for (const char c : text) {
        if (c == '.' && !point && unit != DelayUnit::Cycles) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        anyDigit = true;
        if (mantissa >= kDigitLimit) {
            if (point)
                dropped = dropped || c != '0';
            else
                saturated = true;
            continue;
        }
        mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
        if (point)
            ++fractionDigits;
    }
    if (!anyDigit || (unit != DelayUnit::Cycles && clockHz == 0))
        return std::nullopt;
    if (saturated)
        return DelayAmount{kMost, true};
    if (unit == DelayUnit::Cycles)
        return DelayAmount{mantissa > kMost ? kMost : static_cast<std::uint64_t>(mantissa), true};

    // Four oscillator periods to the cycle.
    Wide denominator = 4;
    const int unitDigits = unit == DelayUnit::Microseconds ? 6 : unit == DelayUnit::Milliseconds ? 3 : 0;
    for (int i = 0; i < unitDigits + fractionDigits; ++i)
        denominator *= 10;
    const Wide numerator = mantissa * clockHz;
    const Wide cycles = (numerator + denominator / 2) / denominator;
    return DelayAmount{cycles > kMost ? kMost : static_cast<std::uint64_t>(cycles),
                       !dropped && numerator % denominator == 0};
}

std::vector<int> freeGeneralPurposeRegisters(const ProgramDocument& doc)
{
    std::vector<int> free;
    for (int address = kFirstGpr; address <= lastGeneralPurpose(doc.device()); ++address) {
        const int mirror = address | kBank1;
        if (registerHasUserName(doc, address) || registerHasUserName(doc, mirror)
            || bitNamedOn(doc, address) || bitNamedOn(doc, mirror))
            continue;
        const std::string names[] = {doc.defaultNameOf(address), doc.defaultNameOf(mirror)};
        const bool used = std::any_of(doc.lines.begin(), doc.lines.end(), [&](const ProgramLine& line) {
            return namesRegister(line.operandText(), names[0]) || namesRegister(line.operandText(), names[1]);
        });
        if (!used)
            free.push_back(address);
    }
    return free;
}

DelayNames proposeDelayNames(const ProgramDocument& doc, const DelayRequest& request, const DelayPlan& plan)
{
    DelayNames names = delayNames(request.name, plan, [&](std::string_view name) {
        return doc.nameInUse(name)
            || std::find(request.registers.begin(), request.registers.end(), name) != request.registers.end();
    });
    for (std::size_t i = 0; i < names.registers.size(); ++i)
        if (!request.registers[i].empty())
            names.registers[i] = request.registers[i];
    return names;
}

std::vector<DelayRegister> delayRegisters(const ProgramDocument& doc, const DelayNames& names)
{
    std::vector<DelayRegister> registers;
    std::vector<int> taken;
    for (const std::string& name : names.registers) {
        const int address = registerAddressOf(doc, name);
        registers.push_back({address, address >= 0});
        if (address >= 0)
            taken.push_back(address & ~kBank1);
    }
    std::vector<int> free = freeGeneralPurposeRegisters(doc);
    std::erase_if(free, [&](int address) { return std::find(taken.begin(), taken.end(), address) != taken.end(); });
    std::size_t next = 0;
    for (std::size_t i = 0; i < registers.size(); ++i) {
        if (registers[i].existing || doc.nameInUse(names.registers[i]))
            continue;
        if (next < free.size())
            registers[i].address = free[next++];
    }
    return registers;
}

std::optional<DelayPlan> insertDelay(ProgramDocument& doc, Screen& screen, const DelayRequest& request)
{
    const std::optional<DelayPlan> plan = planDelay(request.cycles, request.form);
    if (!plan) {
        ReportError(screen, "%s", delayRangeMessage(request.cycles).c_str());
        return std::nullopt;
    }
    if (!IsValidName(screen, request.name))
        return std::nullopt;
    if (plan->form == DelayForm::Subroutine) {
        if (request.name.empty()) {
            ReportError(screen, "The subroutine needs a name.");
            return std::nullopt;
        }
        if (doc.nameInUse(request.name)) {
            reportInUse(screen, request.name, kTarvikCaption);
            return std::nullopt;
        }
    }
    const DelayNames names = proposeDelayNames(doc, request, *plan);
    std::vector<std::string> labels = names.pads;
    labels.push_back(names.loop);
    for (const std::string& label : labels)
        if (doc.nameInUse(label)) {
            reportInUse(screen, label, kTarvikCaption);
            return std::nullopt;
        }

    // Each counter is a register of its own: reused by its name, or a free one named.
    std::vector<int> taken;
    std::vector<std::string> fresh;
    for (const std::string& name : names.registers) {
        if (!IsValidName(screen, name))
            return std::nullopt;
        if (name == names.entry || std::count(names.registers.begin(), names.registers.end(), name) > 1) {
            reportInUse(screen, name, kMessageCaption);
            return std::nullopt;
        }
        const int address = registerAddressOf(doc, name);
        if (address < 0) {
            if (doc.nameInUse(name)) {
                reportInUse(screen, name, kMessageCaption);
                return std::nullopt;
            }
            fresh.push_back(name);
            continue;
        }
        const int location = address & ~kBank1;
        if (location < kFirstGpr) {
            ReportError(screen, "'%s' is not a general purpose register!", name.c_str());
            return std::nullopt;
        }
        if (std::find(taken.begin(), taken.end(), location) != taken.end()) {
            reportInUse(screen, name, kMessageCaption);
            return std::nullopt;
        }
        taken.push_back(location);
    }
    std::vector<int> free = freeGeneralPurposeRegisters(doc);
    std::erase_if(free, [&](int address) { return std::find(taken.begin(), taken.end(), address) != taken.end(); });
    if (free.size() < fresh.size()) {
        ReportError(screen, "No free general purpose register for '%s'!", fresh[free.size()].c_str());
        return std::nullopt;
    }

    for (std::size_t i = 0; i < fresh.size(); ++i)
        NameRegister(doc, screen, free[i], fresh[i]);
    for (DelayLine& entry : delayLines(*plan, names)) {
        if (!entry.comment.empty())
            entry.line.commentIndex = doc.comments.append(entry.comment);
        if (entry.line.hasLabel())
            doc.labels.insert(entry.line.labelText(), {});
        doc.lines.insertAfterCursor(entry.line);
    }
    doc.modified = true;
    return plan;
}

} // namespace tarvik
