#include "mpasm/RolePass.h"

#include "model/InstructionCode.h"
#include "model/Names.h"
#include "mpasm/Lexer.h"
#include "mpasm/Mnemonics.h"

#include <algorithm>
#include <cstdio>

namespace tarvik::mpasm {

namespace {


} // namespace

RolePass::RolePass(SourceProgram& program, const DeviceDefaults& defaults) : program_(program), defaults_(defaults) {}

void RolePass::run()
{
    declareRoles();
    for (Item& item : program_.items) {
        if (item.kind != ItemKind::Instruction)
            continue;
        if (item.rawOperand) {
            keepAsWritten(program_, item);
            continue;
        }
        if (!item.inactive) {
            resolveOperand(item);
            continue;
        }
        try {
            resolveOperand(item);
        } catch (const Refusal&) {
            keepAsWritten(program_, item);
        }
    }
}

std::string_view RolePass::roleName(RoleKind kind)
{
    switch (kind) {
    case RoleKind::Register: return "a register";
    case RoleKind::Bit: return "a bit";
    case RoleKind::Literal: return "a literal";
    case RoleKind::Target: return "a jump target";
    }
    return "";
}

// Names whose equ line states their role are kept whether the program uses them or not.
void RolePass::declareRoles()
{
    for (const std::string* name : program_.definitionOrder) {
        const Symbol& symbol = program_.symbols.at(*name);
        ExprValue value = symbol.definition;
        value.bareName = *name;
        switch (symbol.declared) {
        case Declared::None: break;
        case Declared::Register: useRegister(value, symbol.line); break;
        case Declared::Bit: {
            if (symbol.value < 0 || symbol.value > 7)
                refuse(symbol.line, "bit number " + std::to_string(symbol.value) + " is not 0 to 7");
            const ExprValue reg = program_.evaluate(symbol.bitRegister, symbol.line, symbol.radix, 0);
            const int address = useRegister(reg, symbol.line);
            if (!isDeviceName(*name))
                useBit(*name, address, symbol.value, symbol.line);
            break;
        }
        case Declared::Literal:
            if (!isDeviceName(*name))
                useLiteral(*name, symbol.line);
            break;
        case Declared::Label:
            if (program_.placedLabels.count(*name) != 0)
                bindRole(*name, Role{RoleKind::Target, 0, symbol.line});
            break;
        }
    }
}

void RolePass::resolveOperand(Item& item)
{
    const OperandShape shape = instructionInfo(item.code)->shape;
    if (shape == OperandShape::F || shape == OperandShape::FD || shape == OperandShape::FB)
        resolveRegister(item);
    if (shape == OperandShape::FD)
        resolveDestination(item);
    if (shape == OperandShape::FB)
        resolveBit(item);
    if (shape == OperandShape::K)
        resolveLiteral(item);
    if (shape == OperandShape::Label)
        resolveTarget(item);
}

void RolePass::keepAsWritten(SourceProgram& program, Item& item)
{
    const OperandShape shape = instructionInfo(item.code)->shape;
    std::string text;
    if (item.rawOperand) {
        text = std::string(*item.rawOperand);
    } else if (shape == OperandShape::FB) {
        text = std::string(item.fText) + "," + std::string(item.bText);
    } else {
        text = std::string(item.fText) + std::string(item.kText) + std::string(item.targetText);
    }
    if (shape == OperandShape::FD) {
        int toF = 1;
        const std::size_t comma = text.rfind(',');
        if (comma != std::string::npos) {
            const std::string d = lowerCase(Lexer::trim(std::string_view(text).substr(comma + 1)));
            if (d == "w" || d == "0" || d == "f" || d == "1") {
                toF = d == "f" || d == "1";
                text.erase(comma);
            }
        }
        item.destination = destinationIsF(item.code, 1) == (toF == 1) ? 1 : 0;
    }
    text = program.programText(Lexer::trim(text), item.line);
    if (text.size() > kMaxNameLength)
        refuse(item.line, "the operand " + text + " is longer than " + std::to_string(kMaxNameLength) + " characters");
    item.operand = text;
    item.operandDone = true;
}

ExprValue RolePass::evaluateAt(std::string_view text, const Item& item) const
{
    return program_.evaluate(text, item.line, item.radix, item.address);
}

// Whether the source name is one of the chip's own, defined by its header or by the source.
// A user's W or F comes from an export as _W or _F.
bool RolePass::isDeviceName(const std::string& sourceName)
{
    if (sourceName == "W" || sourceName == "F" || sourceName == "w" || sourceName == "f")
        return true;
    if (!deviceNames_.empty() && !program_.headerIncluded && (sourceName.empty() || sourceName[0] != '_'))
        return deviceNames_.find(sourceName) != deviceNames_.end();
    if (deviceNames_.empty()) {
        for (const RegisterTable* bank : {&defaults_.bank0(), &defaults_.bank1()})
            for (const RegisterEntry& entry : *bank)
                deviceNames_.emplace(entry.nameText());
        for (const BitEntry& entry : defaults_.bits())
            deviceNames_.emplace(entry.nameText());
        deviceNames_.emplace("OPTION_REG");
    }
    const std::string name = programName(sourceName);
    if (deviceNames_.find(name) != deviceNames_.end())
        return true;
    return program_.headerIncluded && findHeaderAlias(name);
}

// A user name (not the chip's) that the expression consisted of; empty otherwise.
std::string RolePass::userName(const ExprValue& value)
{
    if (value.bareName.empty() || isDeviceName(value.bareName))
        return {};
    return value.bareName;
}

// The chip's name of a register under one of the names the source may use for it.
std::string RolePass::deviceRegisterName(const std::string& sourceName)
{
    if (sourceName.empty() || !isDeviceName(sourceName))
        return {};
    const std::string name = programName(sourceName);
    for (const RegisterTable* bank : {&defaults_.bank0(), &defaults_.bank1()})
        if (bank->holdsName(name))
            return name;
    const HeaderAlias* alias = findHeaderAlias(name);
    if (alias && alias->kind == SymbolKind::DeviceRegister)
        return std::string(alias->canonical);
    return {};
}

void RolePass::bindRole(const std::string& name, Role role)
{
    const auto [it, inserted] = roles_.try_emplace(name, role);
    if (inserted)
        return;
    const Role& old = it->second;
    if (old.kind != role.kind)
        refuse(role.line, programName(name) + " is used as " + std::string(roleName(role.kind)) + " here and as "
                              + std::string(roleName(old.kind)) + " in line " + std::to_string(old.line)
                              + ": a program name has one role");
    if (old.kind == RoleKind::Bit && old.location != role.location)
        refuse(role.line, programName(name) + " is used as a bit of two registers (" + hex(old.location) + " in line "
                              + std::to_string(old.line) + ")");
}

void RolePass::refuseLabelRole(const std::string& name, RoleKind kind, int line) const
{
    if (program_.isLabel(name))
        refuse(line, programName(name) + " is a label and cannot be used as " + std::string(roleName(kind)));
}

int RolePass::registerAddress(const ExprValue& value, int line) const
{
    int address = value.value;
    if (const Symbol* symbol = value.bareName.empty() ? nullptr : program_.symbolOf(value.bareName))
        if (symbol->bank1)
            address |= 0x80;
    if (address < 0 || address > 0xFF)
        refuse(line, "register address " + std::to_string(value.value) + " is not on this chip");
    const int lastRam = lastGeneralPurpose(program_.chip());
    if ((address & 0x7F) > lastRam)
        refuse(line, "register " + hex(address) + " lies past the " + std::string(deviceName(program_.chip()))
                         + "'s RAM (" + hex(lastRam) + ")");
    return address;
}

// A register operand; its name, if it is one, becomes the register's name.
int RolePass::useRegister(const ExprValue& value, int line)
{
    const int address = registerAddress(value, line);
    const int location = canonicalLocation(address);
    if (const std::string name = userName(value); !name.empty()) {
        refuseLabelRole(name, RoleKind::Register, line);
        bindRole(name, Role{RoleKind::Register, location, line});
        nameLocation(location, programName(name), line);
    } else if (const std::string device = deviceRegisterName(value.bareName); !device.empty()) {
        // The chip's name stays where it belongs; elsewhere it is refused as taken.
        nameLocation(location, device, line);
    }
    return address;
}

// One name per register: two names for one location cannot both resolve.
void RolePass::nameLocation(int location, const std::string& name, int line)
{
    const auto [it, inserted] = locationNames_.try_emplace(location, GivenName{name, line});
    if (!inserted && it->second.name != name)
        refuse(line, "register " + hex(location) + " is called both " + it->second.name + " (line "
                         + std::to_string(it->second.line) + ") and " + name
                         + ": a program gives each register one name");
}

void RolePass::useBit(const std::string& name, int address, int bit, int line)
{
    refuseLabelRole(name, RoleKind::Bit, line);
    const int location = canonicalLocation(address);
    bindRole(name, Role{RoleKind::Bit, location, line});
    const std::string written = programName(name);
    const auto [it, inserted] = bitNames_.try_emplace(std::make_pair(location, bit), GivenName{written, line});
    if (!inserted && it->second.name != written)
        refuse(line, "bit " + std::to_string(bit) + " of register " + hex(location) + " is called both "
                         + it->second.name + " (line " + std::to_string(it->second.line) + ") and " + written);
}

std::string RolePass::useLiteral(const std::string& name, int line)
{
    refuseLabelRole(name, RoleKind::Literal, line);
    bindRole(name, Role{RoleKind::Literal, 0, line});
    const std::string written = programName(name);
    checkName(written, line, "literal");
    const Symbol* symbol = program_.symbolOf(name);
    literals_.emplace(written, LiteralValue{literalText(symbol->definition, symbol->radix, line), symbol->line});
    return written;
}

void RolePass::resolveRegister(Item& item)
{
    if (item.statusBit >= 0 && item.fText.empty()) {
        item.registerAddress = kStatus;
        return;
    }
    const ExprValue value = evaluateAt(item.fText, item);
    if (item.statusBit == 5) {
        // banksel: the register only tells the bank.
        const int address = registerAddress(value, item.line);
        item.registerAddress = kStatus;
        if (!(address & 0x80))
            item.code = codeOf("bcf");
        return;
    }
    item.registerAddress = useRegister(value, item.line);
}

void RolePass::resolveDestination(Item& item)
{
    int toF = 1;
    if (item.fixedDest >= 0) {
        toF = item.fixedDest;
    } else if (!item.dText.empty()) {
        const ExprValue value = evaluateAt(item.dText, item);
        if (value.value != 0 && value.value != 1)
            refuse(item.line, "destination " + std::string(item.dText) + " is neither W (0) nor F (1)");
        toF = value.value;
    }
    item.destination = destinationIsF(item.code, 1) == (toF == 1) ? 1 : 0;
}

void RolePass::resolveBit(Item& item)
{
    if (item.statusBit >= 0) {
        item.bitNumber = item.statusBit;
        return;
    }
    const ExprValue value = evaluateAt(item.bText, item);
    if (value.value < 0 || value.value > 7)
        refuse(item.line, "bit number " + std::to_string(value.value) + " is not 0 to 7");
    item.bitNumber = value.value;
    item.bitName = programName(value.bareName);
    if (const std::string name = userName(value); !name.empty())
        useBit(name, item.registerAddress, item.bitNumber, item.line);
}

void RolePass::resolveLiteral(Item& item)
{
    const ExprValue value = item.value >= 0 ? program_.values[static_cast<std::size_t>(item.value)]
                                            : evaluateAt(item.kText, item);
    if (value.value < -255 || value.value > 255)
        refuse(item.line, "literal " + std::to_string(value.value) + " is out of range (0 to 255)");
    if (const std::string name = userName(value); !name.empty())
        item.operand = useLiteral(name, item.line);
    else
        item.operand = literalText(value, item.radix, item.line);
    item.operandDone = true;
}

void RolePass::resolveTarget(Item& item)
{
    const ExprValue value = evaluateAt(item.targetText, item);
    if (program_.isLabel(value.bareName)) {
        if (program_.placedLabels.count(value.bareName) != 0)
            bindRole(value.bareName, Role{RoleKind::Target, 0, item.line});
        item.operand = programName(value.bareName);
        item.operandDone = true;
        return;
    }
    if (value.value < 0 || value.value >= kProgramWords)
        refuse(item.line, "jump target " + hex(value.value) + " lies past program memory (1024 words)");
    if (item.inactive)
        refuse(item.line, "an Inactive line keeps its target as written");
    item.targetAddress = value.value;
    if (const std::string name = userName(value); !name.empty()) {
        bindRole(name, Role{RoleKind::Target, value.value, item.line});
        item.targetName = programName(name);
        checkName(item.targetName, item.line, "label");
    }
}

std::string literalText(const ExprValue& value, int radix, int line)
{
    if (value.value < -255 || value.value > 255)
        refuse(line, "literal " + std::to_string(value.value) + " is out of range (0 to 255)");
    const int k = value.value & 0xFF;
    if (value.notation && value.value >= 0) {
        int parsed = 0;
        const std::string& token = value.token;
        const bool decimalHere = *value.notation == Notation::Decimal && radix == 10 && IsAllDigits(token);
        if (!token.empty() && token.size() <= kMaxNameLength
            && ((decimalHere && IsDecimalNumber(token, parsed)) || ParseLiteralValue(token, parsed)) && parsed == k)
            return token;
        char text[16];
        switch (*value.notation) {
        case Notation::Hex: std::snprintf(text, sizeof text, "H'%02X'", static_cast<unsigned>(k)); return text;
        case Notation::Binary: {
            std::string bits = "B'";
            for (int bit = 7; bit >= 0; --bit)
                bits += (k >> bit & 1) ? '1' : '0';
            return bits + "'";
        }
        case Notation::Char:
            if ((k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z') || (k >= '0' && k <= '9'))
                return std::string("'") + static_cast<char>(k) + "'";
            break;
        default: break;
        }
    }
    return std::to_string(k);
}

} // namespace tarvik::mpasm
