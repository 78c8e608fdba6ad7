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

TEST(MpasmRolePass, NameUsedInTwoRolesIsRefusedWhereTheSecondUseIs)
{
    const std::vector<RoleRow> rows = {
        {"X equ 0x0C\n movwf X\n movlw X\n", "X",
         "line 3: X is used as a literal here and as a register in line 2: a program name has one role"},
        {"X equ 5\n movlw X\n goto X\n", "X",
         "line 3: X is used as a jump target here and as a literal in line 2: a program name has one role"},
        {"X equ 0x0C ; register\n movlw X\n", "X",
         "line 2: X is used as a literal here and as a register in line 1: a program name has one role"},
        {"LED equ 1\n bsf 5,LED\n bsf 6,LED\n", "LED", "line 3: LED is used as a bit of two registers (0x05 in line 2)"},
        {"here nop\n movwf here\n", "here", "line 2: here is a label and cannot be used as a register"},
        {"here nop\n movlw here\n", "here", "line 2: here is a label and cannot be used as a literal"},
        {"P equ 0x0C\nQ equ 0x0C\n movwf P\n movwf Q\n", "Q",
         "line 4: register 0x0C is called both P (line 3) and Q: a program gives each register one name"},
        {"UP equ 1\nON equ 1\n bsf 6,UP\n bsf 6,ON\n", "ON", "line 4: bit 1 of register 0x06 is called both UP (line 3) and ON"},
    };
    for (const RoleRow& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(roleOf(row.source, row.name), row.role);
    }
}

} // namespace
} // namespace tarvik::mpasm
