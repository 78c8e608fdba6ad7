// The rename rules: what name the program gives a source name it cannot hold, by the name
// and its uses.

#include "mpasm/NameMapper.h"

#include "model/Names.h"
#include "mpasm/Import.h"

#include <gtest/gtest.h>

namespace tarvik::mpasm {
namespace {

struct RenameRow {
    std::string name;
    std::string uses;  // the source, @ standing for the name
    std::string programName;
};

// The program's name for the source name: the one its rename note gives, or the name itself.
std::string programNameOf(const std::string& name, const std::string& uses)
{
    std::string source = uses;
    for (std::size_t at; (at = source.find('@')) != std::string::npos;)
        source.replace(at, 1, name);
    const DeviceDefaults defaults;
    const ImportOutcome outcome = importMpasmSource(source, defaults);
    if (!outcome.document)
        return "refused: " + outcome.refusal->text;
    std::string result = name;
    for (const ImportMessage& note : outcome.notes)
        if (note.text.rfind(name + " is now ", 0) == 0)
            result = note.text.substr(name.size() + 8);
    if (!NameInUse(*outcome.document, result) && !outcome.document->labels.holds(result))
        return result + " (not in the program)";
    // The same source gives the same names every time.
    const ImportOutcome again = importMpasmSource(source, defaults);
    EXPECT_EQ(again.notes.size(), outcome.notes.size());
    return result;
}

TEST(MpasmNameMapper, NameTheProgramCannotHoldIsRenamedByItsUses)
{
    const std::vector<RenameRow> rows = {
        {"Count", "@ equ 0x0C\n movwf @\n", "Count"},
        {"W_TEMP", "@ equ 0x0C\n movwf @\n", "WTEMP"},
        {"delay_20", "@ nop\n goto @\n", "delay20"},
        {"bit_0", "@ equ 0\n bsf 0x0C,@\n", "bit0"},
        {"x?y", "@ equ 0x0C\n clrf @\n", "xy"},
        {"ThisNameIsTooLong", "@ nop\n goto @\n", "ThisNameIsTooL"},
        // A register of a bit instruction leaves room for ",n" in the operand field.
        {"ButtonPressed", "@ equ 0x0C\n movwf @\n", "ButtonPressed"},
        {"ButtonPressed", "@ equ 0x0C\n btfss @,0\n", "ButtonPresse"},
        // No letter first: the letter of what the name is.
        {"_1ms", "@ nop\n goto @\n", "L1ms"},
        {"_2", "@ equ 2\n movlw @\n", "K2"},
        {"_7", "@ equ 7\n bsf 0x0C,@\n", "B7"},
        {"__", "@ equ 0x0D\n clrf @\n", "R"},
        // Unique with a number where two would be alike, the names that fit keeping theirs.
        {"W_TEMP", "WTEMP equ 0x0D\n movwf WTEMP\n@ equ 0x0C\n movwf @\n", "WTEMP2"},
        {"display_pattern_b", "display_pattern_a equ 0x0C\n@ equ 0x0D\n movwf display_pattern_a\n movwf @\n",
         "displaypatter2"},
        {"STATUS", "@ nop\n goto @\n", "STATUS2"},
        // A name only expressions use is no name of the program.
        {"TICK_RATE", "@ equ 10\n movlw @ * 2\n", "TICK_RATE (not in the program)"},
    };
    for (const RenameRow& row : rows) {
        SCOPED_TRACE(row.name + " in " + row.uses);
        EXPECT_EQ(programNameOf(row.name, row.uses), row.programName);
    }
}

TEST(MpasmNameMapper, FittedNamesAreLettersAndDigitsUnlikeEveryTakenName)
{
    const NameMapper::NameSet taken = {"abc", "abcdefghijklmn", "abcdefghijklm2", "L2"};
    EXPECT_EQ(NameMapper::fitted("a_b_c", 'R', 14, taken), "abc2");
    EXPECT_EQ(NameMapper::fitted("abcdefghijklmnop", 'L', 14, taken), "abcdefghijklm3");
    EXPECT_EQ(NameMapper::fitted("2", 'L', 14, taken), "L22");
    EXPECT_EQ(NameMapper::fitted("Motor_Speed_Low", 'R', 12, taken), "MotorSpeedLo");
}

} // namespace
} // namespace tarvik::mpasm
