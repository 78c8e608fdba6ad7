#include "model/ProgramDocument.h"

namespace tarvik {

namespace {

constexpr int kFirstGeneralPurpose = 12;
constexpr int kBankSize = 48;

void buildRegisterFile(RegisterTable& file, const RegisterTable& sfrNames, int bankBase)
{
    for (const RegisterEntry& entry : sfrNames)
        file.insert(entry.nameText(), entry.address);
    for (int address = bankBase + kFirstGeneralPurpose; address < bankBase + kBankSize; ++address)
        file.insert(generalPurposeName(address), address);
}

} // namespace

ProgramDocument::ProgramDocument(const DeviceDefaults& defaults)
    : defaults_(&defaults)
{
    ProgramLine header;
    header.code = kHeaderCode;
    lines.insertAfterCursor(header);

    buildRegisterFile(registerFile0, defaults.bank0(), 0);
    buildRegisterFile(registerFile1, defaults.bank1(), 128);
    userRegisters0.setBase(kFirstGeneralPurpose);
    userRegisters1.setBase(128 + kFirstGeneralPurpose);
}

bool ProgramDocument::nameInUse(std::string_view name) const
{
    return registerFile0.holdsName(name) || registerFile1.holdsName(name) || labels.holds(name)
        || userBits.positionOf(name) != 0 || defaults_->bits().positionOf(name) != 0
        || literals.holds(name);
}

std::string ProgramDocument::defaultNameOf(int address) const
{
    if ((address & 0x7F) >= kFirstGeneralPurpose)
        return generalPurposeName(address);
    const RegisterTable& sfrNames = address >= 128 ? defaults_->bank1() : defaults_->bank0();
    const RegisterEntry* entry = sfrNames.find(address);
    return entry ? std::string(entry->nameText()) : std::string();
}

void ProgramDocument::setPendingComment(std::string_view text)
{
    pendingComment.assign(text.substr(0, std::min(text.size(), kPendingCommentWidth - 1)));
}

} // namespace tarvik
