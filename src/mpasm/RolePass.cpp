#include "mpasm/RolePass.h"

#include "model/InstructionCode.h"
#include "model/Names.h"
#include "mpasm/Lexer.h"
#include "mpasm/Mnemonics.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tarvik::mpasm {

namespace {


} // namespace

RolePass::RolePass(SourceProgram& program, const DeviceDefaults& defaults) : program_(program), defaults_(defaults) {}

void RolePass::run()
{
    for (std::size_t i = 0; i < program_.definitionOrder.size(); ++i)
        orderIndex_.emplace(*program_.definitionOrder[i], static_cast<int>(i));
    declareRoles();
    for (Item& item : program_.items) {
        if (item.kind != ItemKind::Instruction)
            continue;
        if (item.rawOperand) {
            keepAsWritten(program_, item);
            continue;
        }
        if (!item.inactive) {
            recording_ = true;
            try {
                resolveOperand(item);
            } catch (Refusal& refusal) {
                if (!item.macro.empty())
                    refusal.text += " (in macro " + item.macro + ")";
                throw;
            }
            recording_ = false;
            continue;
        }
        try {
            resolveOperand(item);
        } catch (const Refusal&) {
            keepAsWritten(program_, item);
        }
    }
    decideRoles();
    nameRegisters();
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
        case Declared::Register: {
            const int location = canonicalLocation(registerOperand(value, symbol.line, true));
            if (!isDeviceName(*name)) {
                roles_.emplace(*name, Role{RoleKind::Register, location, symbol.line});
                candidate(location, *name);
            }
            break;
        }
        case Declared::Bit: {
            if (symbol.value < 0 || symbol.value > 7)
                refuse(symbol.line, "bit number " + std::to_string(symbol.value) + " is not 0 to 7");
            const ExprValue reg = program_.evaluate(symbol.bitRegister, symbol.line, symbol.radix, 0);
            const int location = canonicalLocation(registerOperand(reg, symbol.line, true));
            if (!isDeviceName(*name)) {
                roles_.emplace(*name, Role{RoleKind::Bit, location, symbol.line});
                bitNames_.emplace(std::make_pair(location, symbol.value), GivenName{*name, symbol.line});
            }
            break;
        }
        case Declared::Literal:
            if (!isDeviceName(*name)) {
                roles_.emplace(*name, Role{RoleKind::Literal, 0, symbol.line});
                addLiteral(*name, symbol.line);
            }
            break;
        case Declared::Label:
            if (program_.placedLabels.count(*name) != 0)
                roles_.emplace(*name, Role{RoleKind::Target, 0, symbol.line});
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
    // The chip's own symbol, such as __16F84A.
    const auto deviceNumber = [&] {
        const Symbol* symbol = sourceName.rfind("__", 0) == 0 ? program_.symbolOf(sourceName) : nullptr;
        return symbol && symbol->kind == SymbolKind::DeviceNumber;
    };
    if (!deviceNames_.empty() && !program_.headerIncluded && (sourceName.empty() || sourceName[0] != '_'))
        return deviceNames_.find(sourceName) != deviceNames_.end() || deviceNumber();
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
    return (program_.headerIncluded && findHeaderAlias(name)) || deviceNumber();
}

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

// A register operand; the chip's name for it, where the source uses that, names the
// location, and a user name is one that may.
int RolePass::registerOperand(const ExprValue& value, int line, bool record)
{
    const int address = registerAddress(value, line);
    if (!record)
        return address;
    const int location = canonicalLocation(address);
    if (const std::string name = userName(value); !name.empty())
        use(name, RoleKind::Register, line, location);
    else if (const std::string device = deviceRegisterName(value.bareName); !device.empty())
        candidate(location, device, value.bareName);
    return address;
}

void RolePass::use(const std::string& name, RoleKind kind, int line, int location)
{
    Use& use = uses_[name];
    int& first = use.firstLine[static_cast<std::size_t>(kind)];
    if (first == 0)
        first = line;
    if (kind == RoleKind::Register || kind == RoleKind::Target)
        use.location[static_cast<std::size_t>(kind)] = location;
    if (kind != RoleKind::Bit)
        return;
    const auto at = std::find_if(use.bitLocations.begin(), use.bitLocations.end(),
                                 [&](const BitUse& bit) { return bit.location == location; });
    if (at == use.bitLocations.end())
        use.bitLocations.push_back({location, line, 1});
    else
        ++at->count;
}

// A name the program may give a location, ranked by where the source defines it: its own
// name or the chip's name it stands for.
void RolePass::candidate(int location, const std::string& name, std::string_view definedAs)
{
    const std::string& source = definedAs.empty() ? name : std::string(definedAs);
    const Symbol* symbol = program_.symbolOf(source);
    const auto order = orderIndex_.find(source);
    Candidate next{name, symbol ? symbol->line : 0, order == orderIndex_.end() ? -1 : order->second};
    std::vector<Candidate>& names = locationCandidates_[location];
    const auto same = std::find_if(names.begin(), names.end(), [&](const Candidate& c) { return c.name == name; });
    if (same == names.end())
        names.push_back(std::move(next));
    else if (std::make_pair(next.line, next.order) < std::make_pair(same->line, same->order))
        *same = std::move(next);
}

void RolePass::decideRoles()
{
    std::vector<const std::string*> names = program_.definitionOrder;
    for (const std::string& define : defineBitOrder_)
        names.push_back(&define);
    for (const std::string* name : names) {
        const auto found = uses_.find(*name);
        if (found == uses_.end())
            continue;
        const Use& use = found->second;
        Role role{RoleKind::Target, 0, 0};
        if (const auto declared = roles_.find(*name); declared != roles_.end()) {
            role = declared->second;
        } else if (program_.isLabel(*name)) {
            role.line = program_.symbolOf(*name) ? program_.symbolOf(*name)->line : 0;
        } else {
            std::size_t kind = 0;
            while (use.firstLine[kind] == 0)
                ++kind;
            role = Role{static_cast<RoleKind>(kind), 0, use.firstLine[kind]};
            role.location = use.location[kind];
            if (role.kind == RoleKind::Register) {
                candidate(role.location, *name);
            } else if (role.kind == RoleKind::Bit) {
                role.location = std::max_element(use.bitLocations.begin(), use.bitLocations.end(),
                                                 [](const BitUse& a, const BitUse& b) { return a.count < b.count; })
                                    ->location;
                const Symbol* symbol = program_.symbolOf(*name);
                const auto define = defineBits_.find(*name);
                const int bit = symbol ? symbol->value : define->second.first;
                bitNames_.emplace(std::make_pair(role.location, bit),
                                  GivenName{*name, symbol ? role.line : define->second.second});
            } else if (role.kind == RoleKind::Literal) {
                addLiteral(*name, role.line);
            }
            roles_.emplace(*name, role);
        }
        noteOtherUses(*name, role, use);
    }
}

// A use in a role the name does not have is written as the name's value, and said so once.
void RolePass::noteOtherUses(const std::string& name, const Role& role, const Use& use)
{
    std::string what;
    if (program_.isLabel(name) && role.kind == RoleKind::Target)
        what = "a label";
    else if (role.kind == RoleKind::Bit)
        what = "a bit of register " + hex(role.location);
    else
        what = std::string(roleName(role.kind));
    const std::string written = programName(name);
    for (std::size_t kind = 0; kind < use.firstLine.size(); ++kind) {
        if (use.firstLine[kind] == 0 || static_cast<RoleKind>(kind) == role.kind)
            continue;
        const std::string as(roleName(static_cast<RoleKind>(kind)));
        program_.note(use.firstLine[kind], written + " is " + what + ": as " + as + " it is written as its value");
    }
    if (role.kind != RoleKind::Bit)
        return;
    for (const BitUse& bit : use.bitLocations)
        if (bit.location != role.location)
            program_.note(bit.line, written + " is " + what + ": on register " + hex(bit.location)
                                        + " it is written as its number");
}

// Of the names a location is given, the one defined first names it. The chip's name of
// another register (TRISB equ 6) cannot; where no name can, the chip's name stays.
void RolePass::nameRegisters()
{
    for (auto& [location, names] : locationCandidates_) {
        const RegisterEntry* own = (location & 0x80 ? defaults_.bank1() : defaults_.bank0()).find(location);
        const auto canName = [&](const Candidate& c) {
            const bool chipName = defaults_.bank0().holdsName(c.name) || defaults_.bank1().holdsName(c.name);
            return !chipName || (own && own->nameText() == c.name);
        };
        GivenName chosen{own ? std::string(own->nameText()) : std::string(), 0};
        std::pair<int, int> firstDefined{std::numeric_limits<int>::max(), 0};
        for (const Candidate& c : names)
            if (canName(c) && std::make_pair(c.line, c.order) < firstDefined) {
                firstDefined = {c.line, c.order};
                chosen = GivenName{c.name, c.line};
            }
        for (const Candidate& other : names)
            if (other.name != chosen.name)
                aliases_.emplace(other.name, chosen.name);
        locationNames_.emplace(location, std::move(chosen));
    }
}

int RolePass::firstUse(const std::string& name) const
{
    int first = std::numeric_limits<int>::max();
    if (const auto found = uses_.find(name); found != uses_.end())
        for (const int line : found->second.firstLine)
            if (line != 0)
                first = std::min(first, line);
    if (const Symbol* symbol = program_.symbolOf(name); symbol && symbol->declared != Declared::None)
        first = std::min(first, symbol->line);
    return first;
}

void RolePass::addLiteral(const std::string& name, int line)
{
    const Symbol* symbol = program_.symbolOf(name);
    literals_.emplace(name, LiteralValue{literalText(symbol->definition, symbol->radix, line), symbol->line});
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
    item.registerAddress = registerOperand(value, item.line, recording_);
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
    item.bitName = value.bareName;
    const std::string& define = item.bitDefine.name;
    if (!define.empty() && !program_.symbolOf(define))
        item.bitName = define;
    if (!recording_)
        return;
    const int location = canonicalLocation(item.registerAddress);
    bitRegisters_.insert(location);
    if (!define.empty() && item.bitName == define) {
        if (defineBits_.try_emplace(define, item.bitNumber, item.bitDefine.line).second)
            defineBitOrder_.push_back(define);
        use(define, RoleKind::Bit, item.line, location);
    } else if (const std::string name = userName(value); !name.empty()) {
        use(name, RoleKind::Bit, item.line, location);
    }
}

void RolePass::resolveLiteral(Item& item)
{
    if (item.value < 0) {
        item.value = static_cast<int>(program_.values.size());
        program_.values.push_back(evaluateAt(item.kText, item));
    }
    const ExprValue& value = program_.values[static_cast<std::size_t>(item.value)];
    if (value.value < -255 || value.value > 255)
        refuse(item.line, "literal " + std::to_string(value.value) + " is out of range (0 to 255)");
    if (const std::string name = userName(value); !name.empty() && recording_)
        use(name, RoleKind::Literal, item.line);
}

void RolePass::resolveTarget(Item& item)
{
    const ExprValue value = evaluateAt(item.targetText, item);
    if (program_.isLabel(value.bareName)) {
        item.targetName = value.bareName;
        item.targetIsLabel = true;
        return;
    }
    if (value.value < 0 || value.value >= kProgramWords)
        refuse(item.line, "jump target " + hex(value.value) + " lies past program memory (1024 words)");
    if (item.inactive)
        refuse(item.line, "an Inactive line keeps its target as written");
    item.targetAddress = value.value;
    if (const std::string name = userName(value); !name.empty() && recording_) {
        use(name, RoleKind::Target, item.line, value.value);
        item.targetName = name;
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
