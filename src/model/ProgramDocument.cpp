#include "model/ProgramDocument.h"

namespace tarvik {

namespace {

constexpr int kFirstGeneralPurpose = 12;
constexpr int kBank1 = 128;

void buildRegisterFile(RegisterTable& file, const RegisterTable& sfrNames, int bankBase)
{
    for (const RegisterEntry& entry : sfrNames)
        file.insert(entry.nameText(), entry.address);
    for (int address = bankBase + kFirstGeneralPurpose; address < bankBase + bankSize(Device::Pic16C84); ++address)
        file.insert(generalPurposeName(address), address);
}

void resizeRegisterFile(RegisterTable& file, int bankBase, int oldSize, int newSize)
{
    for (int address = bankBase + oldSize; address < bankBase + newSize; ++address)
        file.insert(generalPurposeName(address), address);
    for (int address = bankBase + newSize; address < bankBase + oldSize; ++address)
        if (const RegisterEntry* entry = file.find(address))
            file.remove(entry->nameText());
}

bool beyond(int address, int size) { return (address & 0x7F) >= size; }

} // namespace

ProgramDocument::ProgramDocument(const DeviceDefaults& defaults)
    : defaults_(&defaults)
{
    ProgramLine header;
    header.code = kHeaderCode;
    lines.insertAfterCursor(header);

    buildRegisterFile(registerFile0, defaults.bank0(), 0);
    buildRegisterFile(registerFile1, defaults.bank1(), kBank1);
    userRegisters0.setBase(kFirstGeneralPurpose);
    userRegisters1.setBase(kBank1 + kFirstGeneralPurpose);
}

void ProgramDocument::setDevice(Device device)
{
    const int oldSize = bankSize(device_);
    const int newSize = bankSize(device);
    device_ = device;
    if (oldSize == newSize)
        return;
    resizeRegisterFile(registerFile0, 0, oldSize, newSize);
    resizeRegisterFile(registerFile1, kBank1, oldSize, newSize);
    for (RegisterTable* user : {&userRegisters0, &userRegisters1}) {
        user->setGeneralPurposeCount(generalPurposeCount(device));
        for (int address = user->base() + newSize - kFirstGeneralPurpose;
             address < user->base() + oldSize - kFirstGeneralPurpose; ++address)
            if (const RegisterEntry* entry = user->find(address))
                user->remove(entry->nameText());
    }
}

bool ProgramDocument::canChangeDeviceTo(Device device) const
{
    const int size = bankSize(device);
    for (const RegisterTable* user : {&userRegisters0, &userRegisters1})
        for (const RegisterEntry& entry : *user)
            if (beyond(entry.address, size))
                return false;
    for (const BitEntry& bit : userBits)
        if (beyond(bit.address, size))
            return false;
    return true;
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
