#include "model/BitTable.h"

namespace tarvik {

BitEntry& BitTable::insert(std::string_view name, int bit, int banks, int address)
{
    BitEntry entry;
    entry.setName(name);
    entry.bit = bit;
    entry.banks = banks;
    entry.address = address;
    return insertEntry(entry);
}

const BitEntry* BitTable::find(std::string_view name) const
{
    const int position = positionOf(name);
    return position ? at(position - 1) : nullptr;
}

const BitEntry* BitTable::find(int address, int bit) const
{
    for (const BitEntry& entry : *this)
        if (entry.address == address && entry.bit == bit)
            return &entry;
    return nullptr;
}

bool BitTable::rename(int address, int bit, std::string_view name)
{
    for (BitEntry& entry : mutableEntries())
        if (entry.address == address && entry.bit == bit) {
            entry.setName(name);
            return true;
        }
    return false;
}

void BitTable::remove(int address, int bit)
{
    for (int i = 0; i < count(); ++i)
        if (at(i)->address == address && at(i)->bit == bit) {
            removeAt(i);
            return;
        }
}

} // namespace tarvik
