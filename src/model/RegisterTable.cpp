#include "model/RegisterTable.h"

#include <algorithm>

namespace tarvik {

RegisterEntry& RegisterTable::insert(std::string_view name, int address)
{
    RegisterEntry entry;
    entry.setName(name);
    entry.address = address;
    return insertEntry(entry);
}

void RegisterTable::remove(std::string_view name)
{
    if (int position = positionOf(name))
        removeAt(position - 1);
}

int RegisterTable::addressOf(std::string_view name) const
{
    const int position = positionOf(name);
    return position ? at(position - 1)->address : -1;
}

const RegisterEntry* RegisterTable::find(int address) const
{
    for (const RegisterEntry& entry : *this)
        if (entry.address == address)
            return &entry;
    return nullptr;
}

bool RegisterTable::rename(int address, std::string_view name)
{
    for (RegisterEntry& entry : mutableEntries())
        if (entry.address == address) {
            entry.setName(name);
            return true;
        }
    return false;
}

int RegisterTable::nextFreeAddress() const
{
    int candidate = base_;
    while (holds(candidate))
        ++candidate;
    return candidate >= base_ + generalPurposeCount_ ? base_ : candidate;
}

} // namespace tarvik
