#include "model/InstructionCode.h"
#include "model/ProgramLine.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tarvik {
namespace {

TEST(InstructionCode, DestinationPolarityFollowsTheInstructionGroup)
{
    // addwf: 0 means W; subwf: 0 means f; movwf and clrf always write f.
    EXPECT_FALSE(destinationIsF(1, 0));
    EXPECT_TRUE(destinationIsF(1, 1));
    EXPECT_TRUE(destinationIsF(6, 0));
    EXPECT_FALSE(destinationIsF(6, 1));
    EXPECT_TRUE(destinationIsF(7, 0));
    EXPECT_TRUE(destinationIsF(13, 5));
    EXPECT_FALSE(destinationIsF(24, 1));
    for (int code : {20, 21, 35, 8, 9, 10, 11, 12})
        EXPECT_TRUE(destinationIsF(code, 0)) << code;
}

TEST(InstructionCode, OnlyOneToThirtyFiveAreInstructions)
{
    EXPECT_EQ(instructionInfo(0), nullptr);
    EXPECT_EQ(instructionInfo(36), nullptr);
    EXPECT_EQ(instructionInfo(kOrgCode), nullptr);
    ASSERT_NE(instructionInfo(24), nullptr);
    EXPECT_EQ(instructionInfo(24)->mnemonic, "movlw");
    EXPECT_EQ(instructionInfo(35)->mnemonic, "rrf");
}

// The palette and dialog texts are the program's own, odd blanks, bars and spellings included;
// these rows are the ones a tidy-minded edit would "correct".
TEST(InstructionCode, PaletteAndDialogTextsKeepTheirOddities)
{
    struct Row {
        int code;
        std::string_view caption;
        std::string_view hint;
        std::string_view dialogCaption;
    };
    const Row rows[] = {
        {2, "W&&f", "AND W with f", "AND W with f"},
        {11, "Rlf f", "Rotate left f|", "Rotate left f through carry"},
        {12, "Swap f", "Swap nibbles in f", "Swap nibles in f"},
        {18, "Skip bit", "Bit test f,Skip if Set", "Bit test,Skip if Set"},
        {19, "Skip !bit", "Bit Test f,Skip if Clear", "Bit test,Skip if Clear"},
        {20, "++f Skip !dest ", "Increment f,Skip if 0", "Increment f,Skip if 0"},
        {21, "--f Skip !dest", "Decrement f,Skip if 0", "Decrement f,Skip if 0"},
        {23, "W&&k", "AND literal with W", "AND literal and W"},
        {25, "W|k", "Inclusive OR literal with W", "OR literal with W"},
        {26, "W^k", "Exclusive OR literal with W", "XOR literal with W"},
        {28, "Call k", "Call subroutine ", "Call subroutine"},
        {35, "Rrf f", "Rotate right f", "Rotate right f through carry"},
    };
    for (const Row& row : rows) {
        const InstructionInfo* info = instructionInfo(row.code);
        ASSERT_NE(info, nullptr) << row.code;
        EXPECT_EQ(info->paletteCaption, row.caption) << row.code;
        EXPECT_EQ(info->paletteHint, row.hint) << row.code;
        EXPECT_EQ(info->dialogCaption, row.dialogCaption) << row.code;
    }
}

TEST(ProgramLine, LongestDialogTextsFitTheirFieldsAndLongerOnesAreCut)
{
    ProgramLine line;
    line.setLabel("ABCDEFGHIJKLM");  // 13, the dialogs' limit
    line.setOperand("ABCDEFGHIJKL");
    EXPECT_EQ(line.labelText(), "ABCDEFGHIJKLM");
    EXPECT_EQ(line.operandText(), "ABCDEFGHIJKL");
    line.setOperand("REGISTERNAMEXY,7");  // 16 characters never spill into affected
    line.setAffected("C,DC,Z");
    EXPECT_EQ(line.operandText(), "REGISTERNAMEXY");
    EXPECT_EQ(line.affectedText(), "C,DC,Z");
}

TEST(ProgramLine, OccupiesAddressOnlyForActiveInstructions)
{
    ProgramLine line;
    line.code = 24;
    EXPECT_TRUE(line.occupiesAddress());
    line.state = LineState::Inactive;
    EXPECT_FALSE(line.occupiesAddress());
    line.state = LineState::Selected;
    EXPECT_TRUE(line.occupiesAddress());
    for (int code : {kHeaderCode, kOrgCode, kBlankCode}) {
        line.code = code;
        line.state = LineState::Normal;
        EXPECT_FALSE(line.occupiesAddress()) << code;
    }
}

} // namespace
} // namespace tarvik
