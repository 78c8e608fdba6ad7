#include "model/SymbolCommands.h"

#include "model/Names.h"

#include <string>
#include <utility>

namespace tarvik {

namespace {

constexpr int kBank1 = 0x80;
constexpr int kFirstGeneralPurpose = 12;
bool isRegisterAddress(const ProgramDocument& doc, int address)
{
    const int size = bankSize(doc.device());
    return address >= 0 && (address & 0x7F) < size && address < kBank1 + size;
}

bool isGeneralPurpose(int address) { return (address & 0x7F) >= kFirstGeneralPurpose; }
int otherBank(int address) { return address ^ kBank1; }

RegisterTable& registerFileOf(ProgramDocument& doc, int address)
{
    return address >= kBank1 ? doc.registerFile1 : doc.registerFile0;
}

// The table that holds the user's name for a location.
const RegisterTable& userNamesOf(const ProgramDocument& doc, int address)
{
    if (isGeneralPurpose(address))
        return address >= kBank1 ? doc.userRegisters1 : doc.userRegisters0;
    return address >= kBank1 ? doc.userSfrNames1 : doc.userSfrNames0;
}

RegisterTable& userNamesOf(ProgramDocument& doc, int address)
{
    return const_cast<RegisterTable&>(userNamesOf(std::as_const(doc), address));
}

// The one name space of a program: a name already standing anywhere is refused.
bool acceptNewName(ProgramDocument& doc, Screen& screen, std::string_view name)
{
    if (!IsValidName(screen, name))
        return false;
    if (NameInUse(doc, name)) {
        ReportError(screen, "'%s' is already exist!", std::string(name).c_str());
        return false;
    }
    return true;
}

void nameLocation(ProgramDocument& doc, int address, std::string_view name)
{
    RegisterTable& user = userNamesOf(doc, address);
    if (!user.rename(address, name))
        user.insert(name, address);
    registerFileOf(doc, address).rename(address, name);
}

void unnameLocation(ProgramDocument& doc, int address)
{
    RegisterTable& user = userNamesOf(doc, address);
    if (const RegisterEntry* entry = user.find(address))
        user.remove(std::string(entry->nameText()));
    registerFileOf(doc, address).rename(address, doc.defaultNameOf(address));
}

void nameBitAt(ProgramDocument& doc, int address, int bit, std::string_view name)
{
    if (!doc.userBits.rename(address, bit, name))
        doc.userBits.insert(name, bit, 0, address);
}

} // namespace

bool isReservedLocation(int address)
{
    return address == 0x07 || address == kBank1 + 0x07;
}

int proposedRegisterAddress(const ProgramDocument& doc, int bank)
{
    return (bank ? doc.userRegisters1 : doc.userRegisters0).nextFreeAddress();
}

bool registerHasUserName(const ProgramDocument& doc, int address)
{
    return isRegisterAddress(doc, address) && userNamesOf(doc, address).holds(address);
}

bool bitHasUserName(const ProgramDocument& doc, int address, int bit)
{
    return doc.userBits.find(address, bit) != nullptr;
}

bool NameRegister(ProgramDocument& doc, Screen& screen, int address, std::string_view name)
{
    if (!isRegisterAddress(doc, address) || isReservedLocation(address) || name.empty())
        return false;
    if (!acceptNewName(doc, screen, name))
        return false;
    nameLocation(doc, address, name);
    if (!isGeneralPurpose(address) && isMirroredSfr(address))
        nameLocation(doc, otherBank(address), name);
    doc.modified = true;
    return true;
}

bool DeleteRegisterName(ProgramDocument& doc, int address)
{
    if (!registerHasUserName(doc, address))
        return false;
    unnameLocation(doc, address);
    if (!isGeneralPurpose(address) && isMirroredSfr(address))
        unnameLocation(doc, otherBank(address));
    doc.modified = true;
    return true;
}

bool NameBit(ProgramDocument& doc, Screen& screen, int address, int bit, std::string_view name)
{
    if (!isRegisterAddress(doc, address) || isReservedLocation(address) || bit < 0 || bit > 7 || name.empty())
        return false;
    if (!acceptNewName(doc, screen, name))
        return false;
    nameBitAt(doc, address, bit, name);
    if (isMirroredSfr(address))
        nameBitAt(doc, otherBank(address), bit, name);
    doc.modified = true;
    return true;
}

bool DeleteBitName(ProgramDocument& doc, int address, int bit)
{
    if (!bitHasUserName(doc, address, bit))
        return false;
    doc.userBits.remove(address, bit);
    if (isMirroredSfr(address))
        doc.userBits.remove(otherBank(address), bit);
    doc.modified = true;
    return true;
}

bool AddLiteral(ProgramDocument& doc, Screen& screen, std::string_view name, std::string_view value)
{
    if (!acceptNewName(doc, screen, name))
        return false;
    if (name.empty() || value.empty()) {
        ReportError(screen, "Error!");
        return false;
    }
    int number = 0;
    const bool readable = IsAllDigits(value) ? IsDecimalNumber(value, number) && number < 256
                                             : ParseLiteralValue(value, number);
    // Leading zeros can make a small decimal longer than the value field holds.
    if (!readable || value.size() > kMaxSymbolBoxLength) {
        ShowSyntaxError(screen, value);
        return false;
    }
    doc.literals.insert(name, value);
    doc.modified = true;
    return true;
}

bool DeleteLiteral(ProgramDocument& doc, std::string_view name)
{
    if (name.empty() || !doc.literals.holds(name))
        return false;
    doc.literals.remove(name);
    doc.modified = true;
    return true;
}

bool AddTableLabel(ProgramDocument& doc, Screen& screen, std::string_view name)
{
    if (!acceptNewName(doc, screen, name))
        return false;
    doc.labels.insert(name, {});
    doc.modified = true;
    return true;
}

} // namespace tarvik
