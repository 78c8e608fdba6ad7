#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <string>
#include <string_view>

namespace tarvik {

// MPASM source and a listing of a program, both made from the program as assembled: a
// program that does not assemble gives neither (the assembler has reported why, as Convert
// to Hex does).
//
// The source assembles with `gpasm -a inhx8m` (processor of the program's device, radix dec, only the bank
// message 302 switched off) into the memory image Convert to Hex writes; clrw is the one
// word that differs (0x0100 here, 0x0103 there; both are CLRW). Program text is written in
// UTF-8. Its layout, which the importer reads back:
//
//   - a fixed preamble (isExportBoilerplate tells its lines), then one `NAME equ VALUE ; ROLE`
//     line per symbol, ROLE being `register`, `register, bank 1` (a bank-1 general purpose
//     register, written at the bank-0 address it shares), `bit REGISTER,n`, `literal` or
//     `label` (a label whose line gives gpasm no address or a different one: on an Inactive
//     line, or after an Inactive ORG line), then one source line per program line and `end`;
//   - an instruction as `LABEL  mnemonic  operand[,W|,F]  ; comment`, a bit as REGISTER,BIT;
//     a name the assembler would take for one of its own words gets a leading underscore, and
//     an operand whose name cannot be written (such as <Reserved>) is written as its number;
//   - an ORG line as `LABEL  org  ADDRESS`, a blank line as its label and comment alone;
//   - an Inactive line as ";#" followed by the line as it would be written if it were active;
//   - ";@NAME" on a line of its own: the next line carries label NAME, defined by equ above.

// The source text, or false when the program does not assemble.
bool exportMpasmSource(ProgramDocument& doc, Screen& screen, std::string& source);

// File > Export MPASM Source...: the source written safely to the path (an older file there
// stays whole if the write fails). False, having reported why, when the program does not
// assemble, the path is the program's own file, or the write fails.
bool exportMpasmFile(ProgramDocument& doc, Screen& screen, const std::string& path);

// Every program line (header = 0) with its word address and 14-bit word where it has one,
// the line in MPASM syntax and its comment; then labels with their addresses and the user's
// registers, bits and literals with their values.
bool writeListing(ProgramDocument& doc, Screen& screen, std::string& listing);

// True for the lines of the fixed preamble and the closing `end` the export writes.
bool isExportBoilerplate(std::string_view line);

// A name that an MPASM-style assembler reserves (mnemonics, directives, W and F), compared
// without regard to case.
bool isMpasmReservedWord(std::string_view name);

} // namespace tarvik
