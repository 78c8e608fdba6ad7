#pragma once

// Random programs that assemble, for property tests: the same seed always gives the same
// program. Every line kind, both destinations, ORG gaps, Inactive and Selected lines,
// labels on every line kind, literals in every notation, user registers, SFR names and
// bits (on mirrored and unmirrored registers), literal names and comments.

#include "model/DeviceDefaults.h"
#include "model/InstructionCode.h"
#include "model/ProgramDocument.h"
#include "mpasm/MpasmExport.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::test {

struct RandomProgramOptions {
    int minLines = 10;
    int maxLines = 120;
    // Every word address stays below this (1024: the whole program memory).
    int maxWords = 1024;
    // One program in this many runs to the last word of memory (0: never).
    int fillToEndOneIn = 12;
    bool inactiveLines = true;   // Inactive instructions, blank lines and ORG lines
    bool selectedLines = true;   // Selected lines assemble like Normal ones
    bool orgLines = true;
    bool comments = true;
    bool userSymbols = true;     // user registers, SFR names, bits and literal names
    // Blocks a simulator can follow: call of a subroutine ending in return or retlw,
    // FSR loaded then INDF read and written, TMR0 read, written and cleared.
    bool subroutines = false;
    bool indirectAccess = false;
    bool timerAccess = false;
    // Instruction codes never generated as active lines (for example 32 sleep).
    std::vector<int> excludedCodes;
};

// Deterministic on every platform (no standard distribution involved).
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; n > 0.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool oneIn(int n) { return n > 0 && below(n) == 0; }
    template <typename T>
    const T& pick(const std::vector<T>& items) { return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))]; }

private:
    std::uint64_t state_;
};

// Generated names avoid the assembler's own words, so that exported source keeps every name
// as it is.
inline bool isAssemblerReservedWord(std::string_view name)
{
    return isMpasmReservedWord(name);
}

namespace detail {

class RandomProgramBuilder {
public:
    RandomProgramBuilder(ProgramDocument& doc, std::uint64_t seed, const RandomProgramOptions& options)
        : doc_(doc), rng_(seed * 0x2545F4914F6CDD1Dull + 0x1234567ull), options_(options)
    {
    }

    void build()
    {
        if (options_.userSymbols)
            defineSymbols();
        collectOperands();
        doc_.lines.setCursor(doc_.lines.last());
        const int lines = rng_.between(options_.minLines, std::max(options_.minLines, options_.maxLines));
        const bool fillToEnd = rng_.oneIn(options_.fillToEndOneIn);
        for (int i = 0; i < lines && passCounter_ < options_.maxWords; ++i)
            addRandomLine();
        if (fillToEnd)
            fillToLastWord();
        if (options_.subroutines)
            addSubroutines();
        resolveJumps();
        if (options_.comments)
            for (int i = rng_.below(3); i > 0; --i)
                doc_.comments.append(randomComment());  // comments of lines long deleted
    }

private:
    // --- names -------------------------------------------------------------------------

    std::string newName(int maxLength)
    {
        static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        static constexpr std::string_view kLettersDigits =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (;;) {
            // Mostly short names, now and then the longest a field holds.
            const int length = rng_.oneIn(6) ? maxLength : rng_.between(1, std::min(8, maxLength));
            std::string name(1, kLetters[static_cast<std::size_t>(rng_.below(static_cast<int>(kLetters.size())))]);
            while (static_cast<int>(name.size()) < length)
                name += kLettersDigits[static_cast<std::size_t>(rng_.below(static_cast<int>(kLettersDigits.size())))];
            if (!doc_.nameInUse(name) && !isAssemblerReservedWord(name)
                && std::find(reserved_.begin(), reserved_.end(), name) == reserved_.end()) {
                reserved_.push_back(name);
                return name;
            }
        }
    }

    std::string randomComment()
    {
        static constexpr std::string_view kChars =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ;:,.'\"!?()+-*/=<>#$%&@[]{}|~^_\\`";
        std::string text;
        const int length = rng_.between(1, 28);
        for (int i = 0; i < length; ++i)
            text += kChars[static_cast<std::size_t>(rng_.below(static_cast<int>(kChars.size())))];
        return text;
    }

    // --- symbols -----------------------------------------------------------------------

    void nameRegister(int address)
    {
        const std::string name = newName(13);
        const bool bank1 = address >= 128;
        const int low = address & 0x7F;
        if (low >= 12) {
            (bank1 ? doc_.userRegisters1 : doc_.userRegisters0).insert(name, address);
            (bank1 ? doc_.registerFile1 : doc_.registerFile0).rename(address, name);
            return;
        }
        (bank1 ? doc_.userSfrNames1 : doc_.userSfrNames0).insert(name, address);
        (bank1 ? doc_.registerFile1 : doc_.registerFile0).rename(address, name);
        if (isMirroredSfr(address)) {
            const int other = address ^ 0x80;
            (bank1 ? doc_.userSfrNames0 : doc_.userSfrNames1).insert(name, other);
            (bank1 ? doc_.registerFile0 : doc_.registerFile1).rename(other, name);
        }
    }

    void defineSymbols()
    {
        // User registers in both banks' general purpose range.
        for (int i = rng_.below(7); i > 0; --i) {
            const int address = (rng_.oneIn(3) ? 0x80 : 0) + rng_.between(0x0C, 0x2F);
            if (!isUserNamed(address))
                nameRegister(address);
        }
        // Now and then an SFR under a name of its own, mirrored or not (never the reserved slot).
        if (rng_.oneIn(3)) {
            static const std::vector<int> kSfrs{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x09,
                                                0x0A, 0x0B, 0x81, 0x85, 0x86, 0x88, 0x89, 0x83, 0x8B};
            const int address = rng_.pick(kSfrs);
            if (!isUserNamed(address) && !isUserNamed(address ^ 0x80))
                nameRegister(address);
        }
        // User bits: on mirrored registers both banks get the entry, the page's bank first.
        for (int i = rng_.below(5); i > 0; --i) {
            static const std::vector<int> kBitRegisters{0x03, 0x0B, 0x04, 0x0A, 0x83, 0x8B, 0x05,
                                                        0x06, 0x85, 0x86, 0x81, 0x0C, 0x20, 0x2F, 0x8C, 0xAF};
            const int address = rng_.pick(kBitRegisters);
            const int bit = rng_.below(8);
            if (doc_.userBits.find(address, bit))
                continue;
            const std::string name = newName(13);
            doc_.userBits.insert(name, bit, 0, address);
            if (isMirroredSfr(address))
                doc_.userBits.insert(name, bit, 0, address ^ 0x80);
        }
        // Literal names with values in every notation.
        for (int i = rng_.below(5); i > 0; --i)
            doc_.literals.insert(newName(13), literalNumberText());
    }

    bool isUserNamed(int address) const
    {
        return doc_.userRegisters0.holds(address) || doc_.userRegisters1.holds(address)
            || doc_.userSfrNames0.holds(address) || doc_.userSfrNames1.holds(address);
    }

    void collectOperands()
    {
        for (const RegisterEntry& entry : doc_.registerFile0)
            registerNames_.push_back(std::string(entry.nameText()));
        for (const RegisterEntry& entry : doc_.registerFile1)
            registerNames_.push_back(std::string(entry.nameText()));
        for (const BitEntry& entry : doc_.defaults().bits())
            bitNames_.push_back(std::string(entry.nameText()));
        for (const BitEntry& entry : doc_.userBits)
            bitNames_.push_back(std::string(entry.nameText()));
        for (const NameValueEntry& entry : doc_.literals)
            literalNames_.push_back(std::string(entry.nameText()));
    }

    // --- operands ----------------------------------------------------------------------

    std::string hexDigits(int value, int digits, bool upper)
    {
        char text[16];
        std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", digits, value);
        return text;
    }

    // A number in one of the literal notations.
    std::string literalNumberText()
    {
        const int value = rng_.below(256);
        switch (rng_.below(6)) {
        case 0: return std::to_string(value);
        case 1: return (rng_.oneIn(4) ? "00" : "") + std::to_string(value);  // leading zeros are still decimal
        case 2: return std::string(rng_.oneIn(2) ? "H'" : "h'") + hexDigits(value, 2, rng_.oneIn(2)) + "'";
        case 3: {
            std::string text = rng_.oneIn(2) ? "B'" : "b'";
            for (int bit = 7; bit >= 0; --bit)
                text += (value >> bit & 1) ? '1' : '0';
            return text + "'";
        }
        case 4: {
            static constexpr std::string_view kChars =
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
            return std::string("'") + kChars[static_cast<std::size_t>(rng_.below(static_cast<int>(kChars.size())))] + "'";
        }
        default: return rng_.oneIn(3) ? std::string() : std::to_string(value);  // empty reads as 0
        }
    }

    std::string literalOperand()
    {
        if (!literalNames_.empty() && rng_.oneIn(4))
            return rng_.pick(literalNames_);
        return literalNumberText();
    }

    std::string registerOperand() { return rng_.pick(registerNames_); }

    std::string bitOperand()
    {
        if (rng_.oneIn(2))
            return rng_.pick(bitNames_);
        // REGISTER,n under a name that fits the field with the comma and digit.
        for (;;) {
            const std::string& name = rng_.pick(registerNames_);
            if (name.size() <= 12)
                return name + "," + std::to_string(rng_.below(8));
        }
    }

    std::string orgText(int address)
    {
        switch (rng_.below(4)) {
        case 0: return std::to_string(address);
        case 1: return (rng_.oneIn(2) ? "0" : "") + std::to_string(address);
        case 2: return std::string(rng_.oneIn(2) ? "H'" : "h'") + hexDigits(address, rng_.between(1, 4), rng_.oneIn(2)) + "'";
        default: return address == 0 && rng_.oneIn(2) ? std::string() : std::to_string(address);
        }
    }

    // --- lines -------------------------------------------------------------------------

    bool excluded(int code) const
    {
        return std::find(options_.excludedCodes.begin(), options_.excludedCodes.end(), code)
            != options_.excludedCodes.end();
    }

    // A line with a random label now and then, or with the label given.
    ProgramLine& append(int code, std::string_view operand, int destination, LineState state,
                        const std::string& label = {})
    {
        ProgramLine record;
        record.code = code;
        record.setOperand(operand);
        record.destination = destination;
        record.state = state;
        if (const InstructionInfo* info = instructionInfo(code))
            record.setAffected(info->affected);
        if (options_.comments && rng_.oneIn(4))
            record.commentIndex = doc_.comments.append(randomComment());
        if (!label.empty()) {
            record.setLabel(label);
            doc_.labels.insert(label, {});
        } else if (rng_.oneIn(code == kBlankCode ? 2 : 7)) {
            const std::string name = newName(14);
            record.setLabel(name);
            doc_.labels.insert(name, {});
            labelTargets_.push_back(name);
        }
        ProgramLine* line = doc_.lines.insertAfterCursor(record);
        if (code == 27 || code == 28)
            jumps_.push_back(line);
        if (state != LineState::Inactive && code >= 1 && code <= 35) {
            ++passCounter_;
        }
        return *line;
    }

    ProgramLine& instruction(int code, LineState state, std::string operand = {}, int destination = -1,
                             const std::string& label = {})
    {
        const InstructionInfo& info = *instructionInfo(code);
        if (operand.empty()) {
            switch (info.shape) {
            case OperandShape::F:
            case OperandShape::FD: operand = registerOperand(); break;
            case OperandShape::FB: operand = bitOperand(); break;
            case OperandShape::K: operand = literalOperand(); break;
            default: break;  // labels are filled in at the end, when every label is placed
            }
        }
        if (destination < 0)
            destination = info.shape == OperandShape::FD ? rng_.below(2) : 0;
        return append(code, operand, destination, state, label);
    }

    LineState randomState()
    {
        if (options_.inactiveLines && rng_.oneIn(12))
            return LineState::Inactive;
        if (options_.selectedLines && rng_.oneIn(25))
            return LineState::Selected;
        return LineState::Normal;
    }

    void addOrg(bool inactive)
    {
        const int room = options_.maxWords - 1 - passCounter_;
        if (room < 0)
            return;
        const int address = passCounter_ + (rng_.oneIn(5) ? 0 : rng_.below(std::min(room, 60) + 1));
        append(kOrgCode, orgText(address), 0, inactive ? LineState::Inactive : LineState::Normal);
        passCounter_ = address;
    }

    void addRandomLine()
    {
        const int roll = rng_.below(100);
        if (roll < 6 && options_.orgLines) {
            addOrg(options_.inactiveLines && rng_.oneIn(4));
        } else if (roll < 12) {
            append(kBlankCode, {}, 0, options_.inactiveLines && rng_.oneIn(8) ? LineState::Inactive : LineState::Normal);
        } else if (roll < 16 && options_.indirectAccess) {
            addIndirectBlock();
        } else if (roll < 20 && options_.timerAccess) {
            addTimerBlock();
        } else {
            int code = rng_.between(1, 35);
            const LineState state = randomState();
            while (state != LineState::Inactive && excluded(code))
                code = rng_.between(1, 35);
            instruction(code, state);
        }
    }

    bool roomFor(int words) const { return passCounter_ + words <= options_.maxWords - 1; }

    void addIndirectBlock()
    {
        if (!roomFor(4))
            return;
        const std::string fsr = currentName(0x04);
        const std::string indf = currentName(0x00);
        instruction(24, LineState::Normal, std::to_string(rng_.between(0x0C, 0x2F)));
        instruction(7, LineState::Normal, fsr);
        instruction(3, LineState::Normal, indf, 0);
        instruction(rng_.pick(std::vector<int>{1, 8, 9, 10, 12, 7, 13}), LineState::Normal, indf);
    }

    // The name a bank-0 register goes by in this program (the user may have renamed it).
    std::string currentName(int address) const
    {
        return std::string(doc_.registerFile0.find(address)->nameText());
    }

    void addTimerBlock()
    {
        if (!roomFor(2))
            return;
        const std::string tmr0 = currentName(0x01);
        instruction(3, LineState::Normal, tmr0, 0);
        instruction(rng_.pick(std::vector<int>{7, 13, 8}), LineState::Normal, tmr0);
    }

    void fillToLastWord()
    {
        const int words = rng_.between(1, 6);
        const int address = options_.maxWords - words;
        if (address < passCounter_)
            return;
        if (options_.orgLines) {
            append(kOrgCode, orgText(address), 0, LineState::Normal);
            passCounter_ = address;
        }
        while (passCounter_ < options_.maxWords)
            instruction(rng_.oneIn(2) ? 15 : 29, LineState::Normal);
    }

    // Subroutines after the main code: the main code calls them, each ends in return or retlw,
    // and the main code ends in a jump to itself so that it never runs into them.
    void addSubroutines()
    {
        const int count = rng_.between(1, 3);
        if (!roomFor(2 + count * 5))
            return;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i)
            names.push_back(newName(10));
        for (const std::string& name : names)
            instruction(28, LineState::Normal, name);
        const std::string halt = newName(10);
        instruction(27, LineState::Normal, halt, 0, halt);
        for (const std::string& name : names) {
            instruction(rng_.pick(std::vector<int>{3, 24, 15, 8}), LineState::Normal, {}, -1, name);
            for (int i = rng_.below(3); i > 0; --i)
                instruction(rng_.pick(std::vector<int>{1, 3, 8, 22, 24, 16, 17}), LineState::Normal);
            if (rng_.oneIn(2))
                instruction(33, LineState::Normal);
            else
                instruction(29, LineState::Normal);
        }
    }

    void resolveJumps()
    {
        if (labelTargets_.empty()) {
            ProgramLine* first = doc_.lines.stepForward(doc_.lines.first(), 1);
            if (!doc_.lines.isLine(first)) {
                doc_.lines.setCursor(doc_.lines.last());
                first = &append(kBlankCode, {}, 0, LineState::Normal);
            }
            if (!first->hasLabel()) {
                const std::string label = newName(14);
                first->setLabel(label);
                doc_.labels.insert(label, {});
                labelTargets_.push_back(label);
            } else {
                labelTargets_.push_back(std::string(first->labelText()));
            }
        }
        for (ProgramLine* line : jumps_)
            if (line->operandText().empty())
                line->setOperand(rng_.pick(labelTargets_));
    }

    ProgramDocument& doc_;
    SplitMix64 rng_;
    const RandomProgramOptions& options_;
    int passCounter_ = 0;  // the address pass's counter
    std::vector<std::string> reserved_;
    std::vector<std::string> registerNames_;
    std::vector<std::string> bitNames_;
    std::vector<std::string> literalNames_;
    std::vector<std::string> labelTargets_;
    std::vector<ProgramLine*> jumps_;
};

} // namespace detail

// Fills a document that holds only its header line with a random program that assembles.
inline void buildRandomProgram(ProgramDocument& doc, std::uint64_t seed,
                               const RandomProgramOptions& options = {})
{
    detail::RandomProgramBuilder(doc, seed, options).build();
}

inline std::unique_ptr<ProgramDocument> makeRandomProgram(const DeviceDefaults& defaults, std::uint64_t seed,
                                                          const RandomProgramOptions& options = {})
{
    auto doc = std::make_unique<ProgramDocument>(defaults);
    buildRandomProgram(*doc, seed, options);
    return doc;
}

} // namespace tarvik::test
