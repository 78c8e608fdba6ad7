#pragma once

#include "model/FixedText.h"
#include "model/TableCursor.h"

#include <cstdint>
#include <string_view>

namespace tarvik {

inline constexpr std::size_t kRegisterNameWidth = 16;

struct RegisterEntry {
    char name[kRegisterNameWidth] = {};
    std::int32_t address = -1;

    std::string_view nameText() const { return textOf(name); }
    void setName(std::string_view text) { setText(name, text); }
};

// Register names by address: a document's register files, its user register and SFR
// names, and the device's default SFR names.
class RegisterTable : public CursorTable<RegisterEntry> {
public:
    void setBase(int base) { base_ = base; }
    int base() const { return base_; }
    // How many general purpose registers follow the base: 36 on the 16C84, 68 on the F84s.
    void setGeneralPurposeCount(int count) { generalPurposeCount_ = count; }

    RegisterEntry& insert(std::string_view name, int address);
    // Removes the first entry with that name, if any.
    void remove(std::string_view name);
    // Address of the first entry with that name, -1 if none.
    int addressOf(std::string_view name) const;
    const RegisterEntry* find(int address) const;
    bool rename(int address, std::string_view name);
    bool holds(int address) const { return find(address) != nullptr; }
    bool holdsName(std::string_view name) const { return positionOf(name) != 0; }
    // The lowest address from the base up that no entry names; the base itself when all
    // general purpose registers of the bank are named.
    int nextFreeAddress() const;

private:
    int base_ = 0;
    int generalPurposeCount_ = 36;
};

} // namespace tarvik
