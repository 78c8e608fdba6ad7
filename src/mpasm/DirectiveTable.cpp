#include "mpasm/DirectiveTable.h"

#include "model/Names.h"
#include "mpasm/Mnemonics.h"
#include "mpasm/SourceReader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>

namespace tarvik::mpasm {

namespace {

bool isChipHeader(std::string_view file)
{
    const std::string name = lowerCase(file);
    return name == "p16c84.inc" || name == "p16f84.inc" || name == "p16f84a.inc";
}

bool isChip(std::string_view processor)
{
    std::string name = lowerCase(processor);
    if (name.rfind("pic", 0) == 0)
        name.erase(0, 3);
    else if (name.rfind("p", 0) == 0)
        name.erase(0, 1);
    return name == "16c84" || name == "16f84" || name == "16f84a";
}

void checkProcessor(std::string_view name, int line)
{
    name = Lexer::trim(name);
    if (!isChip(name))
        refuse(line, "processor " + std::string(name) + " is not supported: only 16C84, 16F84 and 16F84A");
}

void setRadix(SourceReader& reader, std::string_view name, int line)
{
    const std::string radix = lowerCase(Lexer::trim(name));
    if (radix == "dec" || radix == "decimal")
        reader.setRadix(10);
    else if (radix == "hex" || radix == "hexadecimal")
        reader.setRadix(16);
    else if (radix == "oct" || radix == "octal")
        reader.setRadix(8);
    else
        refuse(line, "unknown radix " + std::string(name));
}

// The chip's header defines the device's names, those of its tables and the aliases. A name
// the source defined before with the same value stays as it is.
void defineHeaderNames(SourceReader& reader, int line)
{
    SourceProgram& program = reader.program();
    const auto device = [&](std::string_view name, SymbolKind kind, int value, std::string_view canonical) {
        if (const Symbol* old = program.symbolOf(name)) {
            // INDF and the other registers of both banks: the bank-0 address.
            const bool fromHeader = old->kind != SymbolKind::Constant && old->kind != SymbolKind::Label && old->line == line;
            if (!fromHeader && old->value != value)
                refuse(line, "the chip's header " + program.headerName + " defines " + std::string(name)
                                 + " with another value than line " + std::to_string(old->line));
            return;
        }
        program.symbols.emplace(std::string(name), Symbol{kind, value, line, {}, std::string(canonical)});
    };
    const DeviceDefaults& defaults = reader.defaults();
    for (const RegisterTable* bank : {&defaults.bank0(), &defaults.bank1()})
        for (const RegisterEntry& entry : *bank)
            if (LooksLikeName(entry.nameText()))
                device(entry.nameText(), SymbolKind::DeviceRegister, entry.address, entry.nameText());
    for (const BitEntry& entry : defaults.bits())
        device(entry.nameText(), SymbolKind::DeviceBit, entry.bit, entry.nameText());
    for (const HeaderAlias& alias : kHeaderAliases)
        device(alias.name, alias.kind, alias.value, alias.canonical);
    device("W", SymbolKind::DeviceNumber, 0, "");
    device("F", SymbolKind::DeviceNumber, 1, "");
}

void ignored(SourceReader& reader, const Statement& s) { reader.keepLabelledDirective(s); }

void equate(SourceReader& reader, const Statement& s)
{
    if (reader.defineConstant(s.label, s.operands, s, false) == Declared::None)
        reader.keepNamedComment(s, s.label);
}

// set, variable and =: a program holds no variable, so one value each.
void assign(SourceReader& reader, const Statement& s)
{
    if (reader.defineConstant(s.label, s.operands, s, true) == Declared::None)
        reader.keepNamedComment(s, s.label);
}

// variable NAME=VALUE, ... (a name without a value is 0), or NAME variable VALUE.
void variable(SourceReader& reader, const Statement& s)
{
    if (!s.label.empty()) {
        assign(reader, s);
        return;
    }
    for (std::string_view part : Lexer::splitOperands(s.operands)) {
        const std::size_t eq = part.find('=');
        const std::string_view value = eq == std::string_view::npos ? std::string_view("0") : part.substr(eq + 1);
        reader.defineConstant(Lexer::trim(part.substr(0, eq)), Lexer::trim(value), s, true);
    }
    reader.keepComment(s);
}

void constant(SourceReader& reader, const Statement& s)
{
    for (std::string_view part : Lexer::splitOperands(s.operands)) {
        const std::size_t eq = part.find('=');
        if (eq == std::string_view::npos)
            refuse(s.line, "constant needs NAME=VALUE");
        reader.defineConstant(Lexer::trim(part.substr(0, eq)), Lexer::trim(part.substr(eq + 1)), s, false);
    }
    reader.keepComment(s);
}

void processor(SourceReader& reader, const Statement& s)
{
    checkProcessor(s.operands, s.line);
    reader.keepLabelledDirective(s);
}

void list(SourceReader& reader, const Statement& s)
{
    for (std::string_view option : Lexer::splitOperands(s.operands)) {
        const std::size_t eq = option.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string key = lowerCase(Lexer::trim(option.substr(0, eq)));
        const std::string_view value = Lexer::trim(option.substr(eq + 1));
        if (key == "p")
            checkProcessor(value, s.line);
        else if (key == "r")
            setRadix(reader, value, s.line);
    }
    reader.keepLabelledDirective(s);
}

void radix(SourceReader& reader, const Statement& s)
{
    setRadix(reader, s.operands, s.line);
    reader.keepLabelledDirective(s);
}

void include(SourceReader& reader, const Statement& s)
{
    std::string_view file = Lexer::trim(s.operands);
    if (file.size() >= 2
        && ((file.front() == '<' && file.back() == '>') || (file.front() == '"' && file.back() == '"')))
        file = file.substr(1, file.size() - 2);
    // The header may be named with the folder it lives in.
    const std::size_t folder = file.find_last_of("/\\");
    if (folder != std::string_view::npos && isChipHeader(file.substr(folder + 1)))
        file = file.substr(folder + 1);
    if (!isChipHeader(file))
        refuse(s.line, "include " + std::string(file) + " cannot be imported: only the chip's header "
                           "(p16c84.inc, p16f84.inc, p16f84a.inc) is known");
    SourceProgram& program = reader.program();
    if (!program.headerIncluded) {
        program.headerIncluded = true;
        program.headerName = std::string(file);
        program.headerLine = s.line;
        defineHeaderNames(reader, s.line);
    }
    reader.keepLabelledDirective(s);
}

void cblock(SourceReader& reader, const Statement& s)
{
    if (!s.label.empty())
        refuse(s.line, "a label cannot stand on cblock");
    std::optional<std::int32_t> next;
    if (!Lexer::trim(s.operands).empty())
        next = reader.evaluateNow(s.operands, s.line, false).value;
    reader.startCblock(s.line, next);
    reader.keepComment(s);
}

void endc(SourceReader&, const Statement& s) { refuse(s.line, "endc without cblock"); }

void org(SourceReader& reader, const Statement& s)
{
    if (reader.inactive()) {
        // Never assembled: the address only has to read as one.
        Item& item = reader.addItem(ItemKind::Org, s);
        item.label = std::string(s.label);
        item.orgText = s.operands;
        if (!s.label.empty())
            reader.defineLabel(s);
        return;
    }
    const ExprValue value = reader.evaluateNow(s.operands, s.line, true);
    if (value.value < reader.address())
        refuse(s.line, "org " + hex(value.value) + " goes back below " + hex(reader.address())
                           + ": a program places its code in rising addresses");
    if (value.value >= 0x2100 && value.value < 0x2200)
        refuse(s.line, "org " + hex(value.value) + " places data EEPROM contents: a program holds no EEPROM data");
    if (value.value >= kProgramWords)
        refuse(s.line, "org " + hex(value.value) + " lies past program memory (1024 words)");
    reader.setAddress(value.value);
    SourceProgram& program = reader.program();
    Item& item = reader.addItem(ItemKind::Org, s);
    item.value = static_cast<int>(program.values.size());
    program.values.push_back(value);
    if (!s.label.empty()) {
        reader.defineLabel(s);
        item.label = std::string(s.label);
    }
}

// dt: one retlw for each value and for each character of a string.
void table(SourceReader& reader, const Statement& s)
{
    if (!s.label.empty())
        reader.defineLabel(s);
    bool first = true;
    const auto add = [&]() -> Item& {
        Item& item = reader.addInstruction(s, codeOf("retlw"));
        if (first)
            item.label = std::string(s.label);
        else
            item.comment.clear();
        first = false;
        return item;
    };
    const std::vector<std::string_view> parts = Lexer::splitOperands(s.operands);
    if (parts.empty())
        refuse(s.line, "dt needs at least one value");
    SourceProgram& program = reader.program();
    for (std::string_view part : parts) {
        if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
            const std::string_view body = part.substr(1, part.size() - 2);
            for (std::size_t i = 0; i < body.size();) {
                std::size_t length = body[i] == '\\' && i + 1 < body.size() ? 2 : 1;
                if (length == 2 && (body[i + 1] == 'x' || body[i + 1] == 'X'))
                    while (length < 4 && i + length < body.size()
                           && std::isxdigit(static_cast<unsigned char>(body[i + length])))
                        ++length;
                std::string token(1, '\'');
                token += body.substr(i, length);
                token += '\'';
                const std::optional<int> ch = parseCharToken(token);
                if (!ch)
                    refuse(s.line, "cannot read " + token + " in a dt string");
                ExprValue value;
                value.value = *ch;
                value.notation = Notation::Char;
                value.token = token;
                add().value = static_cast<int>(program.values.size());
                program.values.push_back(value);
                i += length;
            }
        } else {
            // Evaluated with the rest, once every label is known.
            add().kText = part;
        }
    }
}

void end(SourceReader& reader, const Statement& s)
{
    reader.end();
    reader.keepLabelledDirective(s);
}

void config(SourceReader& reader, const Statement& s)
{
    reader.program().note(s.line, std::string(s.op) + " " + std::string(s.operands)
                                      + " is not kept: a program holds no configuration word");
    reader.keepLabelledDirective(s);
}

// One RAM page: IRP is always cleared.
void bankisel(SourceReader& reader, const Statement& s)
{
    reader.evaluateNow(s.operands, s.line, true);
    if (!s.label.empty())
        reader.defineLabel(s);
    Item& item = reader.addInstruction(s, codeOf("bcf"));
    item.label = std::string(s.label);
    item.statusBit = 7;
}

constexpr std::array<DirectiveTable::Directive, 28> kDirectives = {{
    {"processor", processor},
    {"list", list},
    {"radix", radix},
    {"include", include},
    {"#include", include},
    {"equ", equate},
    {"set", assign},
    {"variable", variable},
    {"=", assign},
    {"constant", constant},
    {"cblock", cblock},
    {"endc", endc},
    {"org", org},
    {"dt", table},
    {"end", end},
    {"__config", config},
    {"bankisel", bankisel},
    // Listing and message directives change no word.
    {"errorlevel", ignored},
    {"title", ignored},
    {"subtitle", ignored},
    {"stitle", ignored},
    {"nolist", ignored},
    {"page", ignored},
    {"space", ignored},
    {"expand", ignored},
    {"noexpand", ignored},
    {"messg", ignored},
    {"__maxram", ignored},
}};

constexpr std::string_view kLoops = "while loops cannot be imported";
constexpr std::string_view kSections = "relocatable sections cannot be imported";

constexpr std::array<DirectiveTable::Refused, 21> kRefused = {{
    {"while", kLoops},
    {"endw", kLoops},
    {"res", "res cannot be imported: a program holds no reserved data"},
    {"de", "de cannot be imported: a program holds no EEPROM data"},
    {"data", "data cannot be imported: a program holds only instructions (use dt)"},
    {"dw", "dw cannot be imported: a program holds only instructions (use dt)"},
    {"db", "db cannot be imported: a program holds only instructions (use dt)"},
    {"da", "da cannot be imported: a program holds only instructions (use dt)"},
    {"fill", "fill cannot be imported"},
    {"code", kSections},
    {"udata", kSections},
    {"udata_shr", kSections},
    {"udata_ovr", kSections},
    {"idata", kSections},
    {"global", kSections},
    {"extern", kSections},
    {"__idlocs", "ID locations cannot be imported: a program holds no ID words"},
    {"__badram", "__badram cannot be imported"},
    {"option", "option cannot be imported: it is not one of the 35 instructions (movwf OPTION_REG in bank 1 does its work)"},
    {"tris", "tris cannot be imported: it is not one of the 35 instructions (movwf TRISA or TRISB in bank 1 does its work)"},
    {"error", "error directive in the source"},
}};

// Every directive by name: the handler of one read, the reason of one refused.
struct Entry {
    DirectiveTable::Handler handler = nullptr;
    std::optional<std::string_view> reason;
};

const std::unordered_map<std::string_view, Entry>& entries()
{
    static const std::unordered_map<std::string_view, Entry> byName = [] {
        std::unordered_map<std::string_view, Entry> table;
        for (const DirectiveTable::Directive& d : kDirectives)
            table[d.name].handler = d.handler;
        for (const DirectiveTable::Refused& d : kRefused)
            table[d.name].reason = d.reason;
        return table;
    }();
    return byName;
}

const Entry* entryOf(std::string_view name)
{
    const auto it = entries().find(name);
    return it == entries().end() ? nullptr : &it->second;
}

} // namespace

DirectiveTable::Handler DirectiveTable::find(std::string_view lowerCaseName)
{
    const Entry* entry = entryOf(lowerCaseName);
    return entry ? entry->handler : nullptr;
}

std::optional<std::string_view> DirectiveTable::refusalOf(std::string_view lowerCaseName)
{
    const Entry* entry = entryOf(lowerCaseName);
    return entry ? entry->reason : std::nullopt;
}

bool DirectiveTable::knows(std::string_view lowerCaseName) { return entryOf(lowerCaseName) != nullptr; }

std::span<const DirectiveTable::Directive> DirectiveTable::directives() { return kDirectives; }

std::span<const DirectiveTable::Refused> DirectiveTable::refused() { return kRefused; }

} // namespace tarvik::mpasm
