#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvik {

// Name lookups for the assembler's inner loops, with the same answers as the tables' own
// positionOf. A full program walks the register files, bits, literals and labels some
// thousands of times, so a stored name is first compared as one 8-byte word: its first
// bytes, with the terminator when the wanted name is shorter than 8. Longer names are then
// checked byte for byte.

template <std::size_t N>
bool storedNameIs(const char (&field)[N], std::string_view name)
{
    const std::size_t n = name.size();
    if (n >= N || field[n] != '\0')
        return false;
    return std::memcmp(field, name.data(), n) == 0;
}

class NameKey {
public:
    explicit NameKey(std::string_view name) : name_(name)
    {
        const std::size_t head = std::min<std::size_t>(name.size() + 1, 8);
        char bytes[8] = {};
        char mask[8] = {};
        std::memcpy(bytes, name.data(), std::min<std::size_t>(name.size(), 8));
        std::memset(mask, 0xFF, head);
        std::memcpy(&key_, bytes, 8);
        std::memcpy(&mask_, mask, 8);
    }

    template <std::size_t N>
    bool matches(const char (&field)[N]) const
    {
        static_assert(N >= 8);
        std::uint64_t word;
        std::memcpy(&word, field, 8);
        if ((word & mask_) != key_)
            return false;
        return name_.size() < 8 || storedNameIs(field, name_);
    }

private:
    std::string_view name_;
    std::uint64_t key_ = 0;
    std::uint64_t mask_ = 0;
};

// 1-based position of the first entry with that name, 0 if none.
template <typename Table>
int positionIn(const Table& table, std::string_view name)
{
    const NameKey key(name);
    const auto& entries = table.entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (key.matches(entries[i].name))
            return static_cast<int>(i) + 1;
    return 0;
}

template <typename Table>
auto* entryNamed(Table& table, std::string_view name)
{
    return table.at(positionIn(table, name) - 1);
}

} // namespace tarvik
