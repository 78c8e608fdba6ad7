#include "mpasm/MpasmExport.h"

#include "assembler/ConvertToHex.h"
#include "assembler/HexImage.h"
#include "model/Names.h"
#include "files/SafeFile.h"
#include "model/HexDigit.h"
#include "model/InstructionCode.h"
#include "mpasm/SourceText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <unordered_map>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

namespace tarvik {

namespace {

constexpr std::string_view kPreamble[] = {
    "; MPASM source exported by Tarvik for the PIC16C84 (gpasm -a inhx8m).",
    "; clrw stays clrw: Tarvik encodes it as 0x0100, gpasm as 0x0103; both are CLRW.",
    "; A line starting with ;# is an Inactive line: kept in the program, not assembled.",
    "; ;@NAME puts label NAME, defined by equ below, on the line that follows.",
    "        processor 16c84",
    "        radix   dec",
    "        errorlevel -302         ; the program sets the bank bits for bank 1 registers",
    "W       equ     0",
    "F       equ     1",
};
constexpr std::string_view kEnd = "        end";
constexpr std::string_view kProcessorLine = "        processor 16c84";

// The preamble names the 16C84; a program for another chip names its own.
std::string preambleLine(std::string_view line, Device device)
{
    std::string text(line);
    for (const auto& [from, to] : {std::pair{std::string_view("PIC16C84"), deviceName(device)},
                                   std::pair{std::string_view("16c84"), deviceShortName(device)}})
        if (const std::size_t at = text.find(from); at != std::string::npos)
            text.replace(at, from.size(), to);
    return text;
}

// org 0x2100 and de lines up to the last set EEPROM byte, 16 bytes a line. gpasm and MPASM
// disagree where an org past 0x2100 lands, so a gap gets the erased value 0xFF instead,
// which the chip reads the same as a byte never programmed.
std::string eepromLines(const EepromData& eeprom)
{
    int end = kEepromSize;
    while (end > 0 && eeprom[static_cast<std::size_t>(end - 1)] < 0)
        --end;
    if (end == 0)
        return {};
    std::string out = "        org     0x2100";
    for (int i = 0; i < end; ++i) {
        const int value = eeprom[static_cast<std::size_t>(i)];
        out += i % 16 == 0 ? "\n        de      " : ", ";
        out += std::to_string(value < 0 ? 0xFF : value);
    }
    return out + '\n';
}

constexpr int kMnemonicColumn = 8;
constexpr int kOperandColumn = 16;
constexpr int kCommentColumn = 32;

bool isIdentifier(std::string_view name)
{
    if (name.empty() || name.size() > 32)
        return false;
    const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    if (!letter(name[0]))
        return false;
    return std::all_of(name.begin(), name.end(), [&](char c) {
        return letter(c) || std::isdigit(static_cast<unsigned char>(c));
    });
}

// Program text as a source line holds it: in UTF-8, with the bytes that would end or garble
// the line as blanks.
std::string printable(std::string_view text)
{
    std::string out(text);
    unsigned bits = 0;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        bits |= byte;
        if (byte < 0x20 || byte == 0x7F)
            c = ' ';
    }
    return bits & 0x80 ? mpasm::utf8FromLatin1(out) : out;
}

void padTo(std::string& line, std::size_t column)
{
    if (line.size() < column)
        line.append(column - line.size(), ' ');
    else if (!line.empty() && line.back() != ' ')
        line += ' ';
}

std::string hex2(int value)
{
    return {'0', 'x', hexDigit(static_cast<unsigned>(value) >> 4), hexDigit(static_cast<unsigned>(value))};
}

void appendHex4(std::string& out, int value)
{
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hexDigit(static_cast<unsigned>(value) >> shift);
}

// A number right-aligned in a field of the given width.
void appendPadded(std::string& out, int value, std::size_t width)
{
    const std::string digits = std::to_string(value);
    if (digits.size() < width)
        out.append(width - digits.size(), ' ');
    out += digits;
}

// label, mnemonic and operand in their columns; the comment after them.
std::string sourceLine(std::string_view label, std::string_view mnemonic, std::string_view operand,
                       std::string_view comment)
{
    std::string line(label);
    if (!mnemonic.empty()) {
        padTo(line, kMnemonicColumn);
        line += mnemonic;
        if (!operand.empty()) {
            padTo(line, kOperandColumn);
            line += operand;
        }
    }
    if (!comment.empty()) {
        if (!line.empty())
            padTo(line, kCommentColumn);
        line += "; ";
        line += printable(comment);
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

enum class Role { Register, Bit, Literal, Label, PlacedLabel };

struct Symbol {
    Role role;
    int value;
    std::string valueText;  // as written after equ
    std::string comment;    // the role comment
};

// Where each line stands: the address pass's counter (label addresses) and the encoding
// pass's (where words go); they part after an Inactive ORG line.
struct LinePlace {
    const ProgramLine* line;
    int lineNumber;
    int wordAddress = -1;  // instructions that give a word
    int word = -1;
    bool labelPlaced = false;  // gpasm gives the label the address the assembler gave it
    std::string operand = {};  // as exported
};

class Exporter {
public:
    Exporter(ProgramDocument& doc, const HexImage& image) : doc_(doc), image_(image)
    {
        // Bank 0 first: a name in both files resolves to its bank-0 address, as the encoder
        // resolves it.
        int address = 0;
        for (const RegisterEntry& entry : doc_.registerFile0)
            registers_.try_emplace(entry.nameText(), address++);
        address = 128;
        for (const RegisterEntry& entry : doc_.registerFile1)
            registers_.try_emplace(entry.nameText(), address++);
        for (const NameValueEntry& entry : doc_.labels) {
            int value = -1;
            if (entry.valueText().empty() || !IsDecimalNumber(entry.valueText(), value))
                value = -1;
            labelAddresses_.try_emplace(entry.nameText(), value);
        }
    }

    void layOut()
    {
        int passCounter = 0;
        int wordCounter = 0;
        int wordIndex = 0;
        int number = 0;
        for (const ProgramLine& line : doc_.lines) {
            LinePlace place{&line, number++};
            const bool active = !line.isInactive();
            if (line.code == kOrgCode) {
                int address = 0;
                ParseAddress(line.operandText(), address);
                passCounter = address;
                if (active)
                    wordCounter = address;
            }
            if (line.isInstruction() && active) {
                place.wordAddress = wordCounter;
                if (2 * wordIndex + 1 < image_.count())
                    place.word = image_.byteAt(2 * wordIndex) | image_.byteAt(2 * wordIndex + 1) << 8;
                ++wordIndex;
            }
            place.labelPlaced = active && line.hasLabel() && passCounter == wordCounter && line.code != kHeaderCode;
            // Only words move the word counter, whatever else the address pass counts.
            if (line.occupiesAddress())
                ++passCounter;
            if (line.isInstruction() && active)
                ++wordCounter;
            places_.push_back(place);
        }
    }

    // Every user symbol first, so that names the program does not use survive too; then
    // every name the lines use, each checked against the word it gave.
    void collectSymbols()
    {
        for (const RegisterTable* table : {&doc_.userSfrNames0, &doc_.userRegisters0, &doc_.userSfrNames1,
                                           &doc_.userRegisters1})
            for (const RegisterEntry& entry : *table)
                registerSymbol(entry.nameText(), entry.address);
        for (const BitEntry& entry : doc_.userBits)
            bitSymbol(entry.nameText(), entry.address, entry.bit);
        for (const NameValueEntry& entry : doc_.literals)
            literalSymbol(entry.nameText());
        for (const LinePlace& place : places_) {
            const ProgramLine& line = *place.line;
            if (line.hasLabel() && line.code != kHeaderCode) {
                labelSymbol(line.labelText(), std::max(labelAddress(line.labelText()), 0), place.labelPlaced);
            }
        }
        for (LinePlace& place : places_)
            place.operand = operandText(place);
    }

    std::string source()
    {
        std::string out;
        out.reserve(64 * (places_.size() + symbols_.size() + 16));
        for (std::string_view line : kPreamble) {
            out += preambleLine(line, doc_.device());
            out += '\n';
            if (line == kProcessorLine && doc_.configWord) {
                char config[48];
                std::snprintf(config, sizeof config, "        __config 0x%04X\n", static_cast<unsigned>(*doc_.configWord));
                out += config;
            }
        }
        std::vector<std::pair<std::tuple<int, int, std::string>, const Symbol*>> sorted;
        for (const auto& [name, symbol] : symbols_)
            if (symbol.role != Role::PlacedLabel)
                sorted.push_back({{static_cast<int>(symbol.role), symbol.value, name}, &symbol});
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [key, symbol] : sorted) {
            std::string line = sourceLine(std::get<2>(key), "equ", symbol->valueText, {});
            padTo(line, kCommentColumn);
            out += line + "; " + symbol->comment + '\n';
        }
        for (const LinePlace& place : places_) {
            const ProgramLine& line = *place.line;
            if (line.code == kHeaderCode)
                continue;
            const bool active = !line.isInactive();
            std::string label;
            if (line.hasLabel()) {
                label = writtenLabel(line.labelText());
                if (active && !place.labelPlaced) {
                    if (!label.empty())
                        out += ";@" + label + '\n';
                    label.clear();
                }
            }
            out += active ? std::string() : std::string(";#");
            out += lineText(place, label) + '\n';
        }
        out += eepromLines(doc_.eepromData);
        out += kEnd;
        out += '\n';
        return out;
    }

    // The line as the listing shows it: as written in the program, in MPASM syntax.
    std::string listingText(const ProgramLine& line) const
    {
        if (line.code == kHeaderCode)
            return "PROGRAM";
        const std::string comment(doc_.comments.textAt(line.commentIndex));
        const std::string label = printable(line.labelText());
        const std::string operand = printable(line.operandText());
        if (line.code == kOrgCode)
            return sourceLine(label, "org", operand, comment);
        const InstructionInfo* info = instructionInfo(line.code);
        if (!info)
            return sourceLine(label, {}, {}, comment);
        return sourceLine(label, info->mnemonic, operand + suffix(*info, line), comment);
    }

private:
    static std::string suffix(const InstructionInfo& info, const ProgramLine& line)
    {
        if (info.shape != OperandShape::FD)
            return {};
        return destinationIsF(line.code, line.destination) ? ",F" : ",W";
    }

    std::string lineText(const LinePlace& place, const std::string& label)
    {
        const ProgramLine& line = *place.line;
        const std::string comment(doc_.comments.textAt(line.commentIndex));
        if (line.code == kOrgCode)
            return sourceLine(label, "org", orgOperand(line), comment);
        const InstructionInfo* info = instructionInfo(line.code);
        if (!info)
            return sourceLine(label, {}, {}, comment);
        std::string operand = place.operand;
        if (info->shape == OperandShape::FD) {
            const bool toF = place.word >= 0 ? (place.word & 0x80) != 0
                                              : destinationIsF(line.code, line.destination);
            operand += toF ? ",F" : ",W";
        }
        return sourceLine(label, info->mnemonic, operand, comment);
    }

    static std::string orgOperand(const ProgramLine& line)
    {
        const std::string_view text = line.operandText();
        int address = 0;
        if (!text.empty() && ParseAddress(text, address))
            return std::string(text);
        return std::to_string(address);
    }

    // The name as written, or nullopt when it cannot stand for this value.
    std::optional<std::string> define(std::string_view name, Symbol symbol)
    {
        if (!isIdentifier(name))
            return std::nullopt;
        std::string written = isMpasmReservedWord(name) ? "_" + std::string(name) : std::string(name);
        auto [it, added] = symbols_.try_emplace(written, symbol);
        if (!added) {
            const Symbol& old = it->second;
            const bool bothLabels = (old.role == Role::Label || old.role == Role::PlacedLabel)
                && (symbol.role == Role::Label || symbol.role == Role::PlacedLabel);
            if (old.value != symbol.value || (old.role != symbol.role && !bothLabels))
                return std::nullopt;
        }
        return written;
    }

    // Register address 0 to 255 as the model has it.
    std::optional<std::string> registerSymbol(std::string_view name, int address)
    {
        if (address < 0 || address > 0xFF)
            return std::nullopt;
        const bool bank1Ram = address >= 0x8C;
        const int value = bank1Ram ? address & 0x7F : address;
        return define(name, {Role::Register, value, hex2(value), bank1Ram ? "register, bank 1" : "register"});
    }

    // The name a register goes by at an address, if it can be written for it.
    std::optional<std::string> registerNameAt(int address)
    {
        const RegisterTable& file = address >= 128 ? doc_.registerFile1 : doc_.registerFile0;
        const RegisterEntry* entry = file.find(address);
        if (!entry || resolvedRegister(entry->nameText()).value_or(-1) % 128 != address % 128)
            return std::nullopt;
        return registerSymbol(entry->nameText(), *resolvedRegister(entry->nameText()));
    }

    std::optional<int> resolvedRegister(std::string_view name) const
    {
        const auto it = registers_.find(name);
        return it == registers_.end() ? std::nullopt : std::optional<int>(it->second);
    }

    // -1 for a name that is no label or a label the address pass did not place.
    int labelAddress(std::string_view name) const
    {
        const auto it = labelAddresses_.find(name);
        return it == labelAddresses_.end() ? -1 : it->second;
    }

    std::optional<std::string> bitSymbol(std::string_view name, int address, int bit)
    {
        if (bit < 0 || bit > 7)
            return std::nullopt;
        const std::optional<std::string> reg = registerNameAt(address);
        const std::string where = (reg ? *reg : hex2(address & 0x7F)) + "," + std::to_string(bit);
        return define(name, {Role::Bit, bit, std::to_string(bit), "bit " + where});
    }

    // A literal number text the way gpasm reads it under radix dec, with its value.
    static std::optional<int> literalValue(std::string_view text)
    {
        int value = 0;
        if (!text.empty() && IsDecimalNumber(text, value))
            return value <= 255 ? std::optional<int>(value) : std::nullopt;
        if (ParseLiteralValue(text, value))
            return value;
        return std::nullopt;
    }

    std::optional<std::string> literalSymbol(std::string_view name)
    {
        const NameValueEntry* entry = doc_.literals.findByName(name);
        if (!entry)
            return std::nullopt;
        std::string text(entry->valueText());
        int value = 0;
        if (text.empty()) {
            text = "0";
        } else if (const std::optional<int> v = literalValue(text)) {
            value = *v;
        } else {
            return std::nullopt;  // a value no dialog accepts: the number goes in its stead
        }
        return define(name, {Role::Literal, value, text, "literal"});
    }

    void labelSymbol(std::string_view name, int address, bool placed)
    {
        define(name, {placed ? Role::PlacedLabel : Role::Label, address, std::to_string(address), "label"});
    }

    // The label as written, or empty when it cannot be (a name another table of a foreign
    // file also holds): its jumps then go to its number.
    std::string writtenLabel(std::string_view name) const
    {
        if (!isIdentifier(name))
            return {};
        std::string written = isMpasmReservedWord(name) ? "_" + std::string(name) : std::string(name);
        const auto it = symbols_.find(written);
        if (it == symbols_.end() || it->second.value != std::max(labelAddress(name), 0)
            || (it->second.role != Role::Label && it->second.role != Role::PlacedLabel))
            return {};
        return written;
    }

    // The operand as written: names where they stand for what the word holds, numbers
    // otherwise; an Inactive line's unresolved text as it is.
    std::string operandText(const LinePlace& place)
    {
        const ProgramLine& line = *place.line;
        const InstructionInfo* info = instructionInfo(line.code);
        if (!info)
            return {};
        const std::string_view text = line.operandText();
        const int word = place.word;
        switch (info->shape) {
        case OperandShape::NoOperand:
            return {};
        case OperandShape::F:
        case OperandShape::FD: {
            const std::optional<int> address = resolvedRegister(text);
            std::optional<std::string> name;
            if (address && (word < 0 || (*address & 0x7F) == (word & 0x7F)))
                name = registerSymbol(text, *address);
            if (name)
                return *name;
            if (word >= 0)
                return hex2(word & 0x7F);
            return address ? hex2(*address & 0x7F) : printable(text);
        }
        case OperandShape::FB: {
            int address = 0;
            int bit = 0;
            if (!ResolveBitOperand(doc_, text, address, bit))
                return word >= 0 ? hex2(word & 0x7F) + "," + std::to_string(word >> 7 & 7) : printable(text);
            if (word >= 0 && ((address & 0x7F) != (word & 0x7F) || bit != (word >> 7 & 7))) {
                address = word & 0x7F;
                bit = word >> 7 & 7;
            }
            const bool byName = doc_.userBits.find(text) || doc_.defaults().bits().find(text);
            std::optional<std::string> reg;
            std::optional<std::string> bitName;
            const std::size_t comma = text.find(',');
            if (byName) {
                reg = registerNameAt(address);
                bitName = bitSymbol(text, address, bit);
            } else if (comma != std::string_view::npos) {
                const std::string_view regText = text.substr(0, comma);
                if (resolvedRegister(regText).value_or(-1) % 128 == address % 128)
                    reg = registerSymbol(regText, *resolvedRegister(regText));
            }
            return (reg ? *reg : hex2(address & 0x7F)) + "," + (bitName ? *bitName : std::to_string(bit));
        }
        case OperandShape::K: {
            const std::optional<int> number = literalValue(text);
            const int k = word >= 0 ? (word & 0xFF) : number.value_or(text.empty() ? 0 : -1);
            if (text.empty() && k == 0)
                return "0";
            if (number && *number == k)
                return std::string(text);
            if (doc_.literals.holds(text)) {
                const std::optional<std::string> name = literalSymbol(text);
                if (name && symbols_.at(*name).value == k)
                    return *name;
            }
            return k >= 0 ? std::to_string(k) : printable(text);
        }
        case OperandShape::Label: {
            const int address = labelAddress(text);
            const int target = word >= 0 ? (word & 0x7FF) : address;
            if (address == target && isIdentifier(text)) {
                const std::string written = isMpasmReservedWord(text) ? "_" + std::string(text) : std::string(text);
                const auto it = symbols_.find(written);
                if (it != symbols_.end() && it->second.value == target
                    && (it->second.role == Role::Label || it->second.role == Role::PlacedLabel))
                    return written;
            }
            return target >= 0 ? std::to_string(target) : printable(text);
        }
        }
        return {};
    }

    ProgramDocument& doc_;
    const HexImage& image_;
    std::vector<LinePlace> places_;
    std::unordered_map<std::string, Symbol> symbols_;
    std::unordered_map<std::string_view, int> registers_;
    std::unordered_map<std::string_view, int> labelAddresses_;

public:
    const std::vector<LinePlace>& places() const { return places_; }
};

std::string listingSymbols(const ProgramDocument& doc)
{
    std::string out;
    char row[128];
    const auto add = [&](std::string_view name, const std::string& value) {
        std::snprintf(row, sizeof row, "  %-16s %s\n", printable(name).c_str(), value.c_str());
        out += row;
    };
    out += "\nLabels\n";
    for (const NameValueEntry& entry : doc.labels) {
        int address = 0;
        const bool placed = !entry.valueText().empty() && IsDecimalNumber(entry.valueText(), address);
        std::snprintf(row, sizeof row, "%04X", address & 0xFFFF);
        add(entry.nameText(), placed ? row : "----");
    }
    out += "Registers\n";
    for (const RegisterTable* table : {&doc.userSfrNames0, &doc.userRegisters0, &doc.userSfrNames1, &doc.userRegisters1})
        for (const RegisterEntry& entry : *table)
            add(entry.nameText(), "0x" + hex2(entry.address).substr(2));
    out += "Bits\n";
    std::vector<std::string_view> shown;
    for (const BitEntry& entry : doc.userBits) {
        // A bit of a register present in both banks has an entry in each; one row says it.
        if (std::find(shown.begin(), shown.end(), entry.nameText()) != shown.end())
            continue;
        shown.push_back(entry.nameText());
        const RegisterTable& file = entry.address >= 128 ? doc.registerFile1 : doc.registerFile0;
        const RegisterEntry* reg = file.find(entry.address);
        add(entry.nameText(), printable(reg ? reg->nameText() : std::string_view("?")) + ","
                + std::to_string(entry.bit) + " (" + hex2(entry.address) + ")");
    }
    out += "Literals\n";
    for (const NameValueEntry& entry : doc.literals) {
        int value = 0;
        std::string text = printable(entry.valueText());
        if (entry.valueText().empty() || (IsDecimalNumber(entry.valueText(), value) && value <= 255)
            || ParseLiteralValue(entry.valueText(), value))
            text += " = " + std::to_string(value);
        add(entry.nameText(), text);
    }
    return out;
}

} // namespace

bool isMpasmReservedWord(std::string_view name)
{
    // Kept sorted: looked up by binary search on the lower-case name.
    static constexpr std::string_view kWords[] = {
        "access_ovr", "addcf", "adddcf", "addlw", "addwf", "andlw", "andwf", "b", "bankisel",
        "banksel", "bc", "bcdirect", "bcf", "bdc", "bnc", "bndc", "bnz", "bsf", "btfsc", "btfss",
        "bz", "call", "cblock", "clrc", "clrdc", "clrf", "clrw", "clrwdt", "clrz", "code",
        "code_pack", "comf", "config", "constant", "da", "data", "db", "de", "dec", "decf",
        "decfsz", "dt", "dtm", "dw", "else", "end", "endc", "endif", "endm", "endw", "equ",
        "error", "errorlevel", "exitm", "expand", "extern", "f", "fill", "global", "goto", "halt",
        "hex", "high", "idata", "idata_acs", "idlocs", "if", "ifdef", "ifndef", "incf", "incfsz",
        "include", "iorlw", "iorwf", "lcall", "lgoto", "list", "local", "low", "macro", "messg",
        "movf", "movfw", "movlw", "movwf", "negf", "noexpand", "nolist", "nop", "oct", "option",
        "org", "page", "pagesel", "pageselw", "processor", "radix", "res", "retfie", "retlw",
        "return", "rlf", "rrf", "set", "setc", "setdc", "setz", "skpc", "skpdc", "skpnc",
        "skpndc", "skpnz", "skpz", "sleep", "space", "subcf", "subdcf", "sublw", "subtitle",
        "subwf", "swapf", "title", "tris", "tstf", "udata", "udata_acs", "udata_ovr", "udata_shr",
        "upper", "variable", "w", "while", "xorlw", "xorwf"};
    static_assert(std::is_sorted(std::begin(kWords), std::end(kWords)));
    char lower[16];
    if (name.empty() || name.size() > sizeof lower)
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return std::binary_search(std::begin(kWords), std::end(kWords), std::string_view(lower, name.size()));
}

bool isExportBoilerplate(std::string_view line)
{
    if (line == kEnd)
        return true;
    for (Device device : kDevices)
        for (std::string_view preamble : kPreamble)
            if (line == preambleLine(preamble, device))
                return true;
    return false;
}

bool exportMpasmSource(ProgramDocument& doc, Screen& screen, std::string& source)
{
    HexImage image;
    if (!assembleProgram(doc, screen, image))
        return false;
    Exporter exporter(doc, image);
    exporter.layOut();
    exporter.collectSymbols();
    source = exporter.source();
    return true;
}

bool exportMpasmFile(ProgramDocument& doc, Screen& screen, const std::string& path)
{
    std::string source;
    if (!exportMpasmSource(doc, screen, source))
        return false;
    std::error_code error;
    if (!doc.untitled && std::filesystem::equivalent(path, doc.fileName, error)) {
        ReportError(screen, "The MPASM file %s would overwrite the program!", fileNameText(path).c_str());
        return false;
    }
    WriteError cause;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(source.data());
    if (writeFileSafely(path, std::span<const std::uint8_t>(bytes, source.size()), &cause) != WriteStatus::Ok) {
        const std::string detail = fileNameText(cause.describe());
        ReportError(screen, "The MPASM file %s could not be written!%s%s", fileNameText(path).c_str(), detail.empty() ? "" : "\n",
                    detail.c_str());
        return false;
    }
    return true;
}

bool writeListing(ProgramDocument& doc, Screen& screen, std::string& listing)
{
    HexImage image;
    if (!assembleProgram(doc, screen, image))
        return false;
    Exporter exporter(doc, image);
    exporter.layOut();
    listing.clear();
    listing += "Line Addr Word  Source\n";
    listing.reserve(64 * exporter.places().size() + 4096);
    for (const LinePlace& place : exporter.places()) {
        appendPadded(listing, place.lineNumber, 4);
        if (place.wordAddress >= 0 && place.word >= 0) {
            listing += ' ';
            appendHex4(listing, place.wordAddress);
            listing += ' ';
            appendHex4(listing, place.word);
            listing += "  ";
        } else {
            listing += "            ";
        }
        listing += place.line->isInactive() ? ";#" : "";
        listing += exporter.listingText(*place.line);
        listing += '\n';
    }
    listing += listingSymbols(doc);
    return true;
}

} // namespace tarvik
