#pragma once

#include "model/FixedText.h"
#include "model/TableCursor.h"

#include <cstdint>
#include <string_view>

namespace tarvik {

inline constexpr std::size_t kBitNameWidth = 16;

struct BitEntry {
    char name[kBitNameWidth] = {};
    std::int32_t bit = 0;
    std::int32_t banks = 0;  // 2 for bits of registers present in both banks, 1 otherwise, 0 for user bits
    std::int32_t address = -1;

    std::string_view nameText() const { return textOf(name); }
    void setName(std::string_view text) { setText(name, text); }
};

class BitTable : public CursorTable<BitEntry> {
public:
    BitEntry& insert(std::string_view name, int bit, int banks, int address);
    const BitEntry* find(std::string_view name) const;
    const BitEntry* find(int address, int bit) const;
    bool rename(int address, int bit, std::string_view name);
    // Removes the entry of that register address and bit number, if any.
    void remove(int address, int bit);
};

} // namespace tarvik
