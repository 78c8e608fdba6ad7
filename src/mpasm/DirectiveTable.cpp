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

// The program takes the device the source names; two different names, or one that differs
// from the command line's, leave it unclear which chip the source is for.
void checkProcessor(SourceProgram& program, std::string_view name, int line)
{
    name = Lexer::trim(name);
    const std::optional<Device> device = parseDevice(name);
    if (!device)
        refuse(line, "processor " + std::string(name) + " is not supported: only 16C84, 16F84 and 16F84A");
    if (program.device && *program.device != *device)
        refuse(line, "processor " + std::string(name) + " differs from " + std::string(deviceName(*program.device))
                         + (program.deviceForced ? " given on the command line" : " named before"));
    program.device = device;
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

// The chip's header defines the device's names, those of its tables and the aliases.
void defineHeaderNames(SourceReader& reader, int line)
{
    SourceProgram& program = reader.program();
    const auto device = [&](std::string_view name, SymbolKind kind, int value, std::string_view canonical) {
        if (program.symbolOf(name))
            refuse(line, std::string(name) + " is defined before the chip's header defines it");
        program.symbols.emplace(std::string(name), Symbol{kind, value, line, {}, std::string(canonical)});
    };
    const DeviceDefaults& defaults = reader.defaults();
    for (const RegisterTable* bank : {&defaults.bank0(), &defaults.bank1()})
        for (const RegisterEntry& entry : *bank)
            if (LooksLikeName(entry.nameText()) && !program.symbolOf(entry.nameText()))
                device(entry.nameText(), SymbolKind::DeviceRegister, entry.address, entry.nameText());
    for (const BitEntry& entry : defaults.bits())
        if (!program.symbolOf(entry.nameText()))
            device(entry.nameText(), SymbolKind::DeviceBit, entry.bit, entry.nameText());
    for (const HeaderAlias& alias : kHeaderAliases)
        device(alias.name, alias.kind, alias.value, alias.canonical);
    device("W", SymbolKind::DeviceNumber, 0, "");
    device("F", SymbolKind::DeviceNumber, 1, "");
}

// The header's configuration word names, each the erased word with its own field set, by
// the header's own device (the power-up timer and code protection differ).
void defineConfigNames(SourceProgram& program, Device device, int line)
{
    // Each name: the erased word with the bits of its one field as those fields give them.
    const auto field = [&](int mask, auto change) {
        ConfigFields fields;
        change(fields);
        return (kErasedWord & ~mask) | (configWord(device, fields) & mask);
    };
    const int cp = device == Device::Pic16C84 ? 0x0010 : 0x3FF0;
    const auto oscillator = [&](Oscillator o) { return field(0x3, [o](ConfigFields& f) { f.oscillator = o; }); };
    const auto watchdog = [&](bool on) { return field(0x4, [on](ConfigFields& f) { f.watchdog = on; }); };
    const auto powerUp = [&](bool on) { return field(0x8, [on](ConfigFields& f) { f.powerUpTimer = on; }); };
    const auto protection = [&](bool on) { return field(cp, [on](ConfigFields& f) { f.codeProtection = on; }); };
    const std::pair<std::string_view, int> names[] = {
        {"_LP_OSC", oscillator(Oscillator::LP)}, {"_XT_OSC", oscillator(Oscillator::XT)},
        {"_HS_OSC", oscillator(Oscillator::HS)}, {"_RC_OSC", oscillator(Oscillator::RC)},
        {"_WDT_ON", watchdog(true)},             {"_WDT_OFF", watchdog(false)},
        {"_WDTE_ON", watchdog(true)},            {"_WDTE_OFF", watchdog(false)},
        {"_PWRTE_ON", powerUp(true)},            {"_PWRTE_OFF", powerUp(false)},
        {"_CP_ON", protection(true)},            {"_CP_OFF", protection(false)},
        {"_CONFIG", kConfigAddress},
    };
    for (const auto& [name, value] : names)
        if (!program.symbolOf(name))
            program.symbols.emplace(std::string(name), Symbol{SymbolKind::DeviceNumber, value, line, {}, {}});
}

Device headerDevice(std::string_view file)
{
    return parseDevice(lowerCase(file).substr(0, file.size() - 4)).value_or(Device::Pic16C84);
}

void ignored(SourceReader& reader, const Statement& s) { reader.keepLabelledDirective(s); }

void equate(SourceReader& reader, const Statement& s)
{
    if (reader.defineConstant(s.label, s.operands, s, false) == Declared::None)
        reader.keepNamedComment(s, s.label);
}

// set, variable and =: a program holds no variable, so one assignment each.
void assign(SourceReader& reader, const Statement& s)
{
    if (reader.defineConstant(s.label, s.operands, s, true) == Declared::None)
        reader.keepNamedComment(s, s.label);
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
    checkProcessor(reader.program(), s.operands, s.line);
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
            checkProcessor(reader.program(), value, s.line);
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
    if (!reader.program().headerIncluded) {
        reader.program().headerIncluded = true;
        defineHeaderNames(reader, s.line);
        defineConfigNames(reader.program(), headerDevice(file), s.line);
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

// An org into the data EEPROM: the de lines that follow fill it; an org back into program
// memory goes on from where the code stopped.
bool eepromOrg(SourceReader& reader, const Statement& s)
{
    SourceProgram& program = reader.program();
    const ExprValue value = reader.evaluateNow(s.operands, s.line, false);
    if (value.value >= kEepromAddress && value.value < kEepromAddress + kEepromSize) {
        if (!s.label.empty())
            refuse(s.line, "a label cannot stand on an org into the data EEPROM");
        // gpasm places an org past 0x2100 at half its distance from there, MPASM at all of it.
        if (value.value != kEepromAddress)
            refuse(s.line, "org " + hex(value.value) + " inside the data EEPROM cannot be imported: "
                               "assemblers disagree where it lands; start its data at org 0x2100");
        if (program.eepromNext < 0)
            program.codeAddress = reader.address();
        program.eepromNext = value.value - kEepromAddress;
        reader.setAddress(kProgramWords);  // no instruction goes there
        reader.keepComment(s);
        return true;
    }
    if (program.eepromNext >= 0) {
        program.eepromNext = -1;
        reader.setAddress(program.codeAddress);
    }
    return false;
}

void org(SourceReader& reader, const Statement& s)
{
    if (!reader.inactive() && eepromOrg(reader, s))
        return;
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

// __config VALUE, or __config ADDRESS, VALUE with the word's address.
void config(SourceReader& reader, const Statement& s)
{
    SourceProgram& program = reader.program();
    const std::vector<std::string_view> parts = Lexer::splitOperands(s.operands);
    if (parts.empty() || parts.size() > 2)
        refuse(s.line, "__config needs the word, or its address and the word");
    if (parts.size() == 2 && reader.evaluateNow(parts[0], s.line, false).value != kConfigAddress)
        refuse(s.line, "__config at another address than 0x2007 cannot be imported");
    if (program.configWord)
        refuse(s.line, "a second __config: a program holds one configuration word");
    program.configWord = reader.evaluateNow(parts.back(), s.line, false).value & kErasedWord;
    reader.keepLabelledDirective(s);
}

// de: one EEPROM byte for each value and for each character of a string.
void eepromData(SourceReader& reader, const Statement& s)
{
    SourceProgram& program = reader.program();
    if (program.eepromNext < 0)
        refuse(s.line, "de outside the data EEPROM: it needs org 0x2100 before it");
    if (!s.label.empty())
        refuse(s.line, "a label cannot stand on de");
    const auto put = [&](std::int32_t value) {
        if (program.eepromNext >= kEepromSize)
            refuse(s.line, "de past the data EEPROM (64 bytes)");
        if (value < 0 || value > 0xFF)
            refuse(s.line, "de value " + std::to_string(value) + " is not a byte");
        program.eeprom[static_cast<std::size_t>(program.eepromNext++)] = static_cast<std::int16_t>(value);
    };
    const std::vector<std::string_view> parts = Lexer::splitOperands(s.operands);
    if (parts.empty())
        refuse(s.line, "de needs at least one value");
    for (std::string_view part : parts) {
        if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
            const std::string_view body = part.substr(1, part.size() - 2);
            for (std::size_t i = 0; i < body.size(); ++i) {
                if (body[i] == '\\')
                    refuse(s.line, "escapes in a de string cannot be imported");
                put(static_cast<unsigned char>(body[i]));
            }
        } else {
            put(reader.evaluateNow(part, s.line, false).value);
        }
    }
    reader.keepComment(s);
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

constexpr std::array<DirectiveTable::Directive, 29> kDirectives = {{
    {"processor", processor},
    {"list", list},
    {"radix", radix},
    {"include", include},
    {"#include", include},
    {"equ", equate},
    {"set", assign},
    {"variable", assign},
    {"=", assign},
    {"constant", constant},
    {"cblock", cblock},
    {"endc", endc},
    {"org", org},
    {"dt", table},
    {"end", end},
    {"__config", config},
    {"de", eepromData},
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

constexpr std::string_view kMacros = "macros cannot be imported";
constexpr std::string_view kConditionals = "conditional assembly cannot be imported";
constexpr std::string_view kDefines = "#define cannot be imported";
constexpr std::string_view kSections = "relocatable sections cannot be imported";

constexpr std::array<DirectiveTable::Refused, 36> kRefused = {{
    {"macro", kMacros},
    {"endm", kMacros},
    {"local", kMacros},
    {"exitm", kMacros},
    {"if", kConditionals},
    {"ifdef", kConditionals},
    {"ifndef", kConditionals},
    {"else", kConditionals},
    {"endif", kConditionals},
    {"while", kConditionals},
    {"endw", kConditionals},
    {"#if", kConditionals},
    {"#ifdef", kConditionals},
    {"#ifndef", kConditionals},
    {"#else", kConditionals},
    {"#endif", kConditionals},
    {"#define", kDefines},
    {"#undefine", kDefines},
    {"res", "res cannot be imported: a program holds no reserved data"},
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
    {"option", "option cannot be imported: it is not one of the 35 instructions"},
    {"tris", "tris cannot be imported: it is not one of the 35 instructions"},
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
