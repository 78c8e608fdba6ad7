#pragma once

#include "model/FixedText.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarvik {

// The insertion discipline shared by the symbol tables: entries go after the cursor and
// become it; removing an entry hands the cursor to its successor, or to its predecessor
// when it was last. Index -1 stands for the head sentinel.
template <typename Entry>
class CursorTable {
public:
    int count() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    const std::vector<Entry>& entries() const { return entries_; }
    // Entry at a 0-based index, nullptr past the end.
    const Entry* at(int index) const
    {
        return index >= 0 && index < count() ? &entries_[static_cast<std::size_t>(index)] : nullptr;
    }
    Entry* at(int index)
    {
        return index >= 0 && index < count() ? &entries_[static_cast<std::size_t>(index)] : nullptr;
    }
    // 1-based position of the first entry with that name, 0 if none.
    int positionOf(std::string_view name) const
    {
        const NameKey key(name);
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (key.matches(entries_[i].name))
                return static_cast<int>(i) + 1;
        return 0;
    }
    const Entry* findByName(std::string_view name) const { return at(positionOf(name) - 1); }
    Entry* findByName(std::string_view name) { return at(positionOf(name) - 1); }
    void clear()
    {
        entries_.clear();
        cursor_ = -1;
    }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

protected:
    Entry& insertEntry(const Entry& entry)
    {
        entries_.insert(entries_.begin() + (cursor_ + 1), entry);
        ++cursor_;
        return entries_[static_cast<std::size_t>(cursor_)];
    }
    void removeAt(int index)
    {
        entries_.erase(entries_.begin() + index);
        cursor_ = index < count() ? index : index - 1;
    }
    std::vector<Entry>& mutableEntries() { return entries_; }

private:
    std::vector<Entry> entries_;
    int cursor_ = -1;
};

} // namespace tarvik
