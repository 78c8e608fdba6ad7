#pragma once

#include "model/Device.h"
#include "mpasm/Import.h"
#include "mpasm/ImportExpression.h"
#include "mpasm/SourceText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvik::mpasm {

inline constexpr int kProgramWords = 1024;
inline constexpr int kStatus = 0x03;
// Far more than a program of 1024 words ever needs; the program's tables are searched by
// walking, so a hostile source of countless labels must not become a program.
inline constexpr std::size_t kMaxProgramLines = 16384;

enum class SymbolKind { Constant, Label, DeviceRegister, DeviceBit, DeviceNumber };

// A role an equ line states in its comment ("; register", "; register, bank 1",
// "; bit REGISTER,n", "; literal", "; label"): the name keeps it even where unused.
enum class Declared { None, Register, Bit, Literal, Label };

struct Symbol {
    Symbol(SymbolKind k, std::int32_t v, int l, ExprValue d = {}, std::string c = {})
        : kind(k), value(v), line(l), definition(std::move(d)), canonical(std::move(c))
    {
    }
    SymbolKind kind;
    std::int32_t value;
    int line = 0;
    ExprValue definition;  // a constant's value as written
    std::string canonical; // a device alias's own name in the chip's tables
    Declared declared = Declared::None;
    bool bank1 = false;    // a bank-1 register written at the bank-0 address it shares
    std::string bitRegister;
    int radix = 16;
};

// The names the chip's header gives that the device's tables lack. OPTION_REG is the chip's
// OPTION wherever it appears; the others are the chip's only where its header is included.
struct HeaderAlias {
    std::string_view name;
    SymbolKind kind;
    int value;
    std::string_view canonical;
};
inline constexpr std::array<HeaderAlias, 17> kHeaderAliases = {{
    {"OPTION_REG", SymbolKind::DeviceRegister, 0x81, "OPTION"},
    {"TMR0IF", SymbolKind::DeviceBit, 2, "T0IF"},
    {"TMR0IE", SymbolKind::DeviceBit, 5, "T0IE"},
    {"RA4", SymbolKind::DeviceNumber, 4, ""},
    {"TRISA0", SymbolKind::DeviceNumber, 0, ""},
    {"TRISA1", SymbolKind::DeviceNumber, 1, ""},
    {"TRISA2", SymbolKind::DeviceNumber, 2, ""},
    {"TRISA3", SymbolKind::DeviceNumber, 3, ""},
    {"TRISA4", SymbolKind::DeviceNumber, 4, ""},
    {"TRISB0", SymbolKind::DeviceNumber, 0, ""},
    {"TRISB1", SymbolKind::DeviceNumber, 1, ""},
    {"TRISB2", SymbolKind::DeviceNumber, 2, ""},
    {"TRISB3", SymbolKind::DeviceNumber, 3, ""},
    {"TRISB4", SymbolKind::DeviceNumber, 4, ""},
    {"TRISB5", SymbolKind::DeviceNumber, 5, ""},
    {"TRISB6", SymbolKind::DeviceNumber, 6, ""},
    {"TRISB7", SymbolKind::DeviceNumber, 7, ""},
}};

const HeaderAlias* findHeaderAlias(std::string_view name);

enum class ItemKind { Blank, Org, Instruction };

// What one program line will be, as the source gives it; the role pass fills in the
// operand.
struct Item {
    ItemKind kind = ItemKind::Blank;
    int line = 0;
    int radix = 16;
    bool inactive = false;
    std::string label;           // as the source writes it
    std::string comment;         // program text
    int address = 0;             // ORG: the new address; instruction: its word address
    int value = -1;              // ORG: its address, dt: its element, as read (in values)
    std::string_view orgText;
    int code = 0;
    std::string_view fText, dText, bText, kText, targetText;
    std::optional<std::string_view> rawOperand;  // an Inactive line read as it stands
    int statusBit = -1;
    int fixedDest = -1;
    // Filled when operands are resolved.
    int registerAddress = 0;
    int bitNumber = 0;
    std::string bitName;
    int targetAddress = -1;
    std::string targetName;
    bool operandDone = false;
    std::string operand;
    int destination = 0;
};

// Symbols are looked up by the views the lexer hands out, without a copy.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The source as read: its items, values and symbols, shared by the passes after reading.
class SourceProgram {
public:
    explicit SourceProgram(std::string_view source) : text(source) {}
    SourceProgram(const SourceProgram&) = delete;
    SourceProgram& operator=(const SourceProgram&) = delete;

    const SourceText text;
    // Items stay where they are as more are added: lines and labels point at them.
    std::deque<Item> items;
    std::deque<ExprValue> values;
    std::unordered_map<std::string, Symbol, NameHash, std::equal_to<>> symbols;
    std::vector<const std::string*> definitionOrder;
    // Labels an equ defines and a ;@ line or an Inactive line places.
    std::set<std::string> placedLabels;
    bool headerIncluded = false;
    // The chip `processor`, `list p=` or the command line names; the 16C84 when none does.
    std::optional<Device> device;
    bool deviceForced = false;
    std::optional<int> configWord;
    EepromData eeprom = kNoEepromData;
    // After an org into the data EEPROM: the next byte's index there, and the program
    // address to go back to; -1 while reading code.
    int eepromNext = -1;
    int codeAddress = 0;

    Device chip() const { return device.value_or(Device::Pic16C84); }

    const Symbol* symbolOf(std::string_view name) const;
    bool isLabel(std::string_view name) const;
    // The value of a symbol, refused at line for an unknown one.
    std::int32_t lookup(std::string_view name, int line) const;
    ExprValue evaluate(std::string_view text, int line, int radix, std::optional<int> dollar) const;

    // A piece of the source line as program text; the line gets a note where characters
    // are lost.
    std::string programText(std::string_view piece, int line);
    void note(int line, std::string text);
    // The notes in line order.
    std::vector<ImportMessage> takeNotes();

private:
    struct LostCharacters {
        std::size_t note;  // in notes_
        std::vector<std::uint32_t> codePoints;
    };
    std::vector<ImportMessage> notes_;
    std::map<int, LostCharacters> lostOnLine_;
};

// The program's name for a source name: the export writes a name that the assembler would
// take for one of its own words with a leading underscore.
std::string programName(std::string_view name);

// A symbol of the source: letters, digits and underscores, first no digit.
bool isName(std::string_view text);

// Refuses a name the program cannot hold, saying what it was to be.
void checkName(const std::string& name, int line, std::string_view what);

// A mirrored SFR by its bank-0 address.
int canonicalLocation(int address);

std::string hex(int value);

} // namespace tarvik::mpasm
