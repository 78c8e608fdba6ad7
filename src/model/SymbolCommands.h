#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <cstddef>
#include <string_view>

namespace tarvik {

// What the symbol definition dialogs do to a document's tables. Each change first checks the
// name (letters and digits, unused in the whole program) and reports a refusal through the
// screen; nothing is stored then. A stored change marks the document modified.

// The dialogs' name and value boxes hold at most this many characters.
inline constexpr std::size_t kMaxSymbolBoxLength = 13;

// The unimplemented location of each bank: never named.
bool isReservedLocation(int address);

// The register a bank's page proposes: its first general purpose register without a user name,
// or the bank's first general purpose register when all have one. bank is 0 or 1.
int proposedRegisterAddress(const ProgramDocument& doc, int bank);

// Whether the location's current name is one the user gave it.
bool registerHasUserName(const ProgramDocument& doc, int address);
bool bitHasUserName(const ProgramDocument& doc, int address, int bit);

// Names a register of either bank, up to the device's last one. A mirrored special function
// register is named in both banks. False, with the reason reported, when the name is refused.
bool NameRegister(ProgramDocument& doc, Screen& screen, int address, std::string_view name);
// Gives a location its default name back; false when it had no user name.
bool DeleteRegisterName(ProgramDocument& doc, int address);

// Names one bit of a register, in both banks for a mirrored register.
bool NameBit(ProgramDocument& doc, Screen& screen, int address, int bit, std::string_view name);
bool DeleteBitName(ProgramDocument& doc, int address, int bit);

// Adds a named literal; its value is kept as typed once it reads as a literal (decimal 0 to 255,
// H'hh', B'bbbbbbbb' or 'c').
bool AddLiteral(ProgramDocument& doc, Screen& screen, std::string_view name, std::string_view value);
bool DeleteLiteral(ProgramDocument& doc, std::string_view name);

// Puts a label into the label table without an address; the empty name passes and adds nothing.
bool AddTableLabel(ProgramDocument& doc, Screen& screen, std::string_view name);

} // namespace tarvik
