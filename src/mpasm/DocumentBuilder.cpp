#include "mpasm/DocumentBuilder.h"

#include "assembler/ConvertToHex.h"
#include "model/InstructionCode.h"
#include "model/Names.h"
#include "mpasm/Lexer.h"

#include <cstdio>

namespace tarvik::mpasm {

namespace {

constexpr std::size_t kCommentLength = kCommentWidth - 1;

// Keeps the assembler's first message.
class CheckScreen : public Screen {
public:
    MessageAnswer showMessage(std::string_view, std::string_view text, MessageButtons) override
    {
        if (message.empty())
            message = std::string(text);
        return MessageAnswer::Cancel;
    }
    std::string message;
};

std::string orgText(const ExprValue& value)
{
    int parsed = 0;
    if (value.notation && !value.token.empty() && value.token.size() <= kMaxNameLength
        && (*value.notation == Notation::Decimal || *value.notation == Notation::Hex)
        && (IsAllDigits(value.token) ? *value.notation == Notation::Decimal : true)
        && ParseAddress(value.token, parsed) && parsed == value.value)
        return value.token;
    if (value.notation == Notation::Hex) {
        char text[16];
        std::snprintf(text, sizeof text, "H'%X'", static_cast<unsigned>(value.value));
        return text;
    }
    return std::to_string(value.value);
}

} // namespace

DocumentBuilder::DocumentBuilder(SourceProgram& program, const RolePass& roles, ProgramDocument& doc)
    : program_(program), roles_(roles), doc_(doc)
{
}

void DocumentBuilder::build()
{
    nameRegisters();
    nameBitsAndLiterals();
    writeOperandTexts();
    placeTargets();
    buildLines();
    checkAssembles();
}

void DocumentBuilder::nameRegisters()
{
    for (const auto& [location, given] : roles_.registerNames()) {
        RegisterTable& file = location & 0x80 ? doc_.registerFile1 : doc_.registerFile0;
        const RegisterEntry* current = file.find(location);
        if (current && current->nameText() == given.name)
            continue;
        checkName(given.name, given.line, "register");
        if ((location & 0x7F) == 0x07)
            refuse(given.line, "register " + hex(location) + " is not implemented on this chip");
        if (NameInUse(doc_, given.name))
            refuse(given.line, given.name + " is already a name of the chip or of the program");
        nameOne(location, given.name);
        if (isMirroredSfr(location))
            nameOne(location ^ 0x80, given.name);
    }
}

void DocumentBuilder::nameOne(int address, const std::string& name)
{
    const bool general = (address & 0x7F) >= 0x0C;
    const bool bank1 = address & 0x80;
    RegisterTable& user = general ? (bank1 ? doc_.userRegisters1 : doc_.userRegisters0)
                                  : (bank1 ? doc_.userSfrNames1 : doc_.userSfrNames0);
    user.insert(name, address);
    (bank1 ? doc_.registerFile1 : doc_.registerFile0).rename(address, name);
}

void DocumentBuilder::nameBitsAndLiterals()
{
    for (const auto& [key, given] : roles_.bitNames()) {
        const auto& [location, bit] = key;
        checkName(given.name, given.line, "bit");
        if (NameInUse(doc_, given.name))
            refuse(given.line, given.name + " is already a name of the chip or of the program");
        doc_.userBits.insert(given.name, bit, 0, location);
        if (isMirroredSfr(location))
            doc_.userBits.insert(given.name, bit, 0, location ^ 0x80);
    }
    for (const auto& [name, literal] : roles_.literals()) {
        if (NameInUse(doc_, name))
            refuse(literal.line, name + " is already a name of the chip or of the program");
        doc_.literals.insert(name, literal.text);
    }
}

std::string DocumentBuilder::registerText(int address) const
{
    const RegisterTable& file = address & 0x80 ? doc_.registerFile1 : doc_.registerFile0;
    return std::string(file.find(address)->nameText());
}

void DocumentBuilder::writeOperandTexts()
{
    for (Item& item : program_.items) {
        if (item.kind != ItemKind::Instruction || item.operandDone)
            continue;
        const OperandShape shape = instructionInfo(item.code)->shape;
        if (shape == OperandShape::F || shape == OperandShape::FD) {
            item.operand = registerText(item.registerAddress);
        } else if (shape == OperandShape::FB) {
            item.operand = bitText(item);
            if (item.operand.size() > kMaxNameLength) {
                if (item.inactive) {
                    RolePass::keepAsWritten(program_, item);
                    continue;
                }
                refuse(item.line, "the bit operand " + item.operand + " is longer than "
                                      + std::to_string(kMaxNameLength) + " characters");
            }
        }
        if (instructionInfo(item.code)->polarity == DestinationPolarity::AlwaysF)
            item.destination = 0;
    }
}

std::string DocumentBuilder::bitText(const Item& item) const
{
    const DeviceDefaults& defaults = doc_.defaults();
    const int location = canonicalLocation(item.registerAddress);
    std::string name = item.bitName;
    if (item.statusBit >= 0)
        name = std::string(defaults.bits().find(kStatus, item.statusBit)->nameText());
    const HeaderAlias* alias = findHeaderAlias(name);
    if (alias && program_.headerIncluded && !alias->canonical.empty())
        name = std::string(alias->canonical);
    if (!name.empty()) {
        if (const BitEntry* user = doc_.userBits.find(name))
            if (canonicalLocation(user->address) == location && user->bit == item.bitNumber)
                return name;
        if (const BitEntry* device = defaults.bits().find(name))
            if (!doc_.userBits.find(name) && canonicalLocation(device->address) == location
                && device->bit == item.bitNumber)
                return name;
    }
    return registerText(item.registerAddress) + "," + std::to_string(item.bitNumber);
}

// Jumps to $, a number or an address name go to a label on the line of that address.
void DocumentBuilder::placeTargets()
{
    std::map<int, std::string> labelAt;
    for (const Item& item : program_.items) {
        const Symbol* symbol = item.label.empty() ? nullptr : program_.symbolOf(item.label);
        if (symbol && symbol->kind == SymbolKind::Label && !item.inactive)
            labelAt.emplace(symbol->value, programName(item.label));
    }
    for (Item& item : program_.items) {
        if (item.kind != ItemKind::Instruction || item.targetAddress < 0 || item.operandDone)
            continue;
        const int address = item.targetAddress;
        if (!item.targetName.empty()) {
            if (extraLabels_.count(item.targetName) == 0)
                extraLabels_.emplace(item.targetName, instructionAt(address, item.line));
            item.operand = item.targetName;
            continue;
        }
        auto found = labelAt.find(address);
        if (found == labelAt.end()) {
            Item* target = instructionAt(address, item.line);
            const std::string name = freshLabel(address);
            if (target->label.empty())
                target->label = name;
            else
                extraLabels_.emplace(name, target);
            generated_.insert(name);
            found = labelAt.emplace(address, name).first;
        }
        item.operand = found->second;
    }
}

Item* DocumentBuilder::instructionAt(int address, int line)
{
    for (Item& candidate : program_.items)
        if (candidate.kind == ItemKind::Instruction && !candidate.inactive && candidate.address == address)
            return &candidate;
    refuse(line, "jump target " + hex(address) + " is not the address of an instruction");
}

std::string DocumentBuilder::freshLabel(int address) const
{
    for (int suffix = 0;; ++suffix) {
        char text[16];
        std::snprintf(text, sizeof text, "L%03X", static_cast<unsigned>(address));
        std::string name = text;
        if (suffix > 0)
            name += 'x' + std::to_string(suffix);
        if (!program_.symbolOf(name) && extraLabels_.count(name) == 0 && generated_.count(name) == 0
            && !NameInUse(doc_, name) && program_.placedLabels.count(name) == 0)
            return name;
    }
}

void DocumentBuilder::buildLines()
{
    // Every name but the labels is in place now; labels must differ from all of them.
    for (const RegisterTable* table : {&doc_.registerFile0, &doc_.registerFile1})
        for (const RegisterEntry& entry : *table)
            takenNames_.emplace(entry.nameText());
    for (const BitTable* table : {static_cast<const BitTable*>(&doc_.userBits), &doc_.defaults().bits()})
        for (const BitEntry& entry : *table)
            takenNames_.emplace(entry.nameText());
    for (const NameValueEntry& entry : doc_.literals)
        takenNames_.emplace(entry.nameText());
    std::multimap<const Item*, std::string> before;
    for (const auto& [name, target] : extraLabels_)
        before.emplace(target, name);
    doc_.lines.setCursor(doc_.lines.last());
    for (const Item& item : program_.items) {
        const auto [from, to] = before.equal_range(&item);
        for (auto it = from; it != to; ++it)
            appendLine(kBlankCode, {}, 0, it->second, {}, false, item.line);
        int code = kBlankCode;
        std::string operand = item.operand;
        if (item.kind == ItemKind::Org) {
            code = kOrgCode;
            operand = item.inactive ? program_.programText(Lexer::trim(item.orgText), item.line)
                                    : orgText(program_.values[static_cast<std::size_t>(item.value)]);
            if (operand.size() > kMaxNameLength)
                refuse(item.line, "the org address " + operand + " is longer than " + std::to_string(kMaxNameLength)
                                      + " characters");
        } else if (item.kind == ItemKind::Instruction) {
            code = item.code;
        }
        appendLine(code, operand, item.destination, programName(item.label), item.comment, item.inactive, item.line);
    }
}

void DocumentBuilder::appendLine(int code, const std::string& operand, int destination, const std::string& label,
                                 const std::string& comment, bool inactive, int sourceLine)
{
    ProgramLine record;
    record.code = code;
    record.setOperand(operand);
    record.destination = destination;
    record.state = inactive ? LineState::Inactive : LineState::Normal;
    if (const InstructionInfo* info = instructionInfo(code))
        record.setAffected(info->affected);
    if (!label.empty()) {
        checkName(label, sourceLine, "label");
        if (!labelNames_.insert(label).second)
            refuse(sourceLine, "label " + label + " stands on two lines");
        if (takenNames_.count(label) != 0)
            refuse(sourceLine, label + " is already a name of the chip or of the program");
        record.setLabel(label);
        doc_.labels.insert(label, {});
    }
    const std::vector<std::string> pieces = commentPieces(comment);
    if (sourceLineOf_.size() + std::max<std::size_t>(pieces.size(), 1) > kMaxProgramLines + 1)
        refuse(sourceLine, "the source makes more than " + std::to_string(kMaxProgramLines)
                               + " program lines: no program needs that many");
    if (!pieces.empty())
        record.commentIndex = doc_.comments.append(pieces.front());
    if (!doc_.lines.insertAfterCursor(record))
        refuse(sourceLine, "out of memory");
    sourceLineOf_.push_back(sourceLine);
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        ProgramLine more;
        more.code = kBlankCode;
        more.commentIndex = doc_.comments.append(pieces[i]);
        if (!doc_.lines.insertAfterCursor(more))
            refuse(sourceLine, "out of memory");
        sourceLineOf_.push_back(sourceLine);
    }
}

std::vector<std::string> DocumentBuilder::commentPieces(std::string_view text)
{
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    while (text.size() > kCommentLength) {
        std::size_t cut = text.rfind(' ', kCommentLength);
        if (cut == std::string_view::npos || cut == 0)
            cut = kCommentLength;
        pieces.emplace_back(text.substr(0, cut));
        text = text.substr(cut);
        if (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
    }
    pieces.emplace_back(text);
    return pieces;
}

// What the importer built always assembles; where an Inactive line of an export or a line
// after the last word of memory keeps it from doing so, the source is refused instead.
void DocumentBuilder::checkAssembles()
{
    CheckScreen screen;
    HexImage image;
    int failingLine = -1;
    if (!assembleProgram(doc_, screen, image, &failingLine)) {
        const int line = failingLine >= 0 && static_cast<std::size_t>(failingLine) < sourceLineOf_.size()
                             ? sourceLineOf_[static_cast<std::size_t>(failingLine)]
                             : 0;
        refuse(line, "the program would not assemble: " + screen.message);
    }
    // A label an equ places by ;@ or on an Inactive line must get the address gpasm uses.
    for (const std::string& name : program_.placedLabels) {
        const Symbol* symbol = program_.symbolOf(name);
        int address = -1;
        const std::optional<std::string_view> value = doc_.labels.valueOf(programName(name));
        if (symbol && value && IsDecimalNumber(*value, address) && address != symbol->value)
            refuse(symbol->line, name + " is " + std::to_string(symbol->value) + " here, but the line it stands on"
                                     " is at address " + std::to_string(address));
    }
    doc_.labels.clearValues();
}

} // namespace tarvik::mpasm
