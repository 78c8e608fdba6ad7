// What role a name of the source takes: the one its uses agree on, a role its equ comment
// states, none for the chip's own names, or a refusal where two uses disagree.

#include "mpasm/RolePass.h"
#include "mpasm/SourceReader.h"

#include <gtest/gtest.h>

namespace tarvik::mpasm {
namespace {

// "register 0x0C", "bit of 0x06", "literal", "jump target 0x002", "label" (a label placed
// on a line), "none", or the refusal as "line N: TEXT".
std::string roleOf(const std::string& source, const std::string& name)
{
    const DeviceDefaults defaults;
    SourceProgram program(source);
    try {
        SourceReader(program, defaults).read();
        RolePass pass(program, defaults);
        pass.run();
        const auto it = pass.roles().find(name);
        if (it == pass.roles().end())
            return program.isLabel(name) ? "label" : "none";
        const Role& role = it->second;
        switch (role.kind) {
        case RoleKind::Register: return "register " + hex(role.location);
        case RoleKind::Bit: return "bit of " + hex(role.location);
        case RoleKind::Literal: return "literal";
        case RoleKind::Target: return "jump target " + hex(role.location);
        }
        return "?";
    } catch (const Refusal& refusal) {
        return "line " + std::to_string(refusal.line) + ": " + refusal.text;
    }
}

struct RoleRow {
    std::string source;
    std::string name;
    std::string role;
};

TEST(MpasmRolePass, EachNameTakesTheRoleItsUsesAgreeOn)
{
    const std::vector<RoleRow> rows = {
        {"X equ 0x0C\n movwf X\n", "X", "register 0x0C"},
        {"X equ 0x0C\n movwf X\n incf X,F\n", "X", "register 0x0C"},
        // A register present in both banks goes by its bank-0 address.
        {"S equ 0x83\n movwf S\n", "S", "register 0x03"},
        {"LED equ 1\n bsf 6,LED\n", "LED", "bit of 0x06"},
        {"Z2 equ 2\n bsf 0x03,Z2\n bcf 0x83,Z2\n", "Z2", "bit of 0x03"},
        {"K equ 5\n movlw K\n", "K", "literal"},
        {"K equ 5\n dt K, K\n", "K", "literal"},
        {"T equ 2\n nop\n nop\n goto T\n", "T", "jump target 0x02"},
        {"start nop\n goto start\n", "start", "label"},
        // Only a name alone takes a role, not one inside an expression.
        {"X equ 0x0C\n movwf X+1\n", "X", "none"},
        {"K equ 5\n movlw K*2\n", "K", "none"},
        {"K equ 5\n", "K", "none"},
        // The role an equ comment states stands without a use.
        {"X equ 0x0C ; register\n", "X", "register 0x0C"},
        {"X equ 0x0C ; register, bank 1\n", "X", "register 0x8C"},
        {"LED equ 2 ; bit 0x06,2\n", "LED", "bit of 0x06"},
        {"K equ 5 ; literal\n", "K", "literal"},
        // The chip's own names take no role; the header's extra ones only with the header.
        {" #include <p16f84a.inc>\n movwf PORTB\n", "PORTB", "none"},
        {" #include <p16f84a.inc>\n bsf PORTA,RA4\n", "RA4", "none"},
        {"RA4 equ 4\n bsf 5,RA4\n", "RA4", "bit of 0x05"},
        {" movwf 6\n addwf 6,W\n", "W", "none"},
        // An export writes a user name the assembler reserves with an underscore.
        {"_W equ 0x0C\n movwf _W\n", "_W", "register 0x0C"},
    };
    for (const RoleRow& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(roleOf(row.source, row.name), row.role);
    }
}

// The notes of a source, each as "line N: TEXT"; or its refusal.
std::vector<std::string> notesOf(const std::string& source)
{
    const DeviceDefaults defaults;
    SourceProgram program(source);
    try {
        SourceReader(program, defaults).read();
        RolePass(program, defaults).run();
    } catch (const Refusal& refusal) {
        return {"refused: line " + std::to_string(refusal.line) + ": " + refusal.text};
    }
    std::vector<std::string> notes;
    for (const ImportMessage& note : program.takeNotes())
        notes.push_back("line " + std::to_string(note.line) + ": " + note.text);
    return notes;
}

struct OtherUseRow {
    std::string source;
    std::string name;
    std::string role;
    std::vector<std::string> notes;
};

// Whatever order the uses come in, a name keeps the first role of register, bit, literal and
// jump target it has; a label stays a label. Every other use goes by value, said once a role.
TEST(MpasmRolePass, NameUsedInTwoRolesKeepsOneAndGoesByValueInTheOther)
{
    const std::vector<OtherUseRow> rows = {
        {"X equ 0x0C\n movwf X\n movlw X\n", "X", "register 0x0C",
         {"line 3: X is a register: as a literal it is written as its value"}},
        {"X equ 0x0C\n movlw X\n movwf X\n movlw X\n", "X", "register 0x0C",
         {"line 2: X is a register: as a literal it is written as its value"}},
        {"X equ 5\n movlw X\n goto X\n", "X", "literal",
         {"line 3: X is a literal: as a jump target it is written as its value"}},
        {"X equ 0x0C ; register\n movlw X\n", "X", "register 0x0C",
         {"line 2: X is a register: as a literal it is written as its value"}},
        {"LED equ 1\n bsf 5,LED\n bsf 6,LED\n bcf 6,LED\n", "LED", "bit of 0x06",
         {"line 2: LED is a bit of register 0x06: on register 0x05 it is written as its number"}},
        {"LED equ 1\n bsf 5,LED\n bsf 6,LED\n", "LED", "bit of 0x05",
         {"line 3: LED is a bit of register 0x05: on register 0x06 it is written as its number"}},
        {"here nop\n movwf here\n", "here", "label",
         {"line 2: here is a label: as a register it is written as its value"}},
        {"here nop\n movlw here\n bsf 5,here\n", "here", "label",
         {"line 2: here is a label: as a literal it is written as its value",
          "line 3: here is a label: as a bit it is written as its value"}},
        {"UP equ 1\nON equ 1\n bsf 6,UP\n bsf 6,ON\n", "ON", "bit of 0x06", {}},
    };
    for (const OtherUseRow& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(roleOf(row.source, row.name), row.role);
        EXPECT_EQ(notesOf(row.source), row.notes);
    }
}

// "LOCATION NAME" for each named register, then "ALIAS>NAME" for each name giving way.
std::string registerNamesOf(const std::string& source)
{
    const DeviceDefaults defaults;
    SourceProgram program(source);
    SourceReader(program, defaults).read();
    RolePass pass(program, defaults);
    pass.run();
    std::string names;
    for (const auto& [location, given] : pass.registerNames())
        names += (names.empty() ? "" : " ") + hex(location) + " " + given.name;
    for (const auto& [alias, name] : pass.aliases())
        names += " " + alias + ">" + name;
    return names;
}

// Two names for one register: the one the source defines first names it.
TEST(MpasmRolePass, OfTwoNamesForOneRegisterTheFirstDefinedNamesIt)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"P equ 0x0C\nQ equ 0x0C\n movwf Q\n movwf P\n", "0x0C P Q>P"},
        {" #include <p16f84a.inc>\nTrisB equ 0x06\n movwf TrisB\n movwf PORTB\n", "0x06 PORTB TrisB>PORTB"},
        {"TrisB equ 0x06\nPORTB equ 0x06\n movwf PORTB\n movwf TrisB\n", "0x06 TrisB PORTB>TrisB"},
        {" #include <p16f84a.inc>\nLEDS equ PORTB\n movwf LEDS\n", "0x06 LEDS"},
        {" #include <p16f84a.inc>\nSTAT equ 0x83\n movwf STAT\n movwf STATUS\n", "0x03 STATUS STAT>STATUS"},
        {" constant A=0x0C, B=0x0C\n movwf B\n movwf A\n", "0x0C A B>A"},
        // The chip's name of another register names no other.
        {"TRISB equ 6\nPORTB equ 6\n movwf TRISB\n movwf PORTB\n", "0x06 PORTB TRISB>PORTB"},
        {"TRISB equ 6\n movwf TRISB\n", "0x06 PORTB TRISB>PORTB"},
    };
    for (const auto& [source, names] : rows) {
        SCOPED_TRACE(source);
        EXPECT_EQ(registerNamesOf(source), names);
    }
}

} // namespace
} // namespace tarvik::mpasm
