#include "model/InstructionCode.h"
#include "model/ProgramLine.h"

#include <gtest/gtest.h>

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
