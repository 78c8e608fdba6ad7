#include "model/NameValueTable.h"

namespace tarvik {

NameValueEntry* NameValueTable::insert(std::string_view name, std::string_view value)
{
    if (name.empty())
        return nullptr;
    NameValueEntry entry;
    entry.setName(name);
    entry.setValue(value);
    return &insertEntry(entry);
}

void NameValueTable::remove(std::string_view name)
{
    if (int position = positionOf(name))
        removeAt(position - 1);
}

std::optional<std::string_view> NameValueTable::valueOf(std::string_view name) const
{
    const int position = positionOf(name);
    if (!position)
        return std::nullopt;
    return at(position - 1)->valueText();
}

void NameValueTable::setValue(std::string_view name, std::string_view value)
{
    if (int position = positionOf(name))
        at(position - 1)->setValue(value);
}

void NameValueTable::clearValues()
{
    for (NameValueEntry& entry : mutableEntries())
        entry.setValue({});
}

void NameValueTable::relabel(std::string_view oldName, std::string_view newName)
{
    if (oldName.empty()) {
        insert(newName, {});
    } else if (newName.empty()) {
        remove(oldName);
    } else if (oldName != newName) {
        if (int position = positionOf(oldName))
            at(position - 1)->setName(newName);
    }
}

} // namespace tarvik
