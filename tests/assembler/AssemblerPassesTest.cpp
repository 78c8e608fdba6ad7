#include "assembler/AssemblerPasses.h"
#include "assembler/ConvertToHex.h"

#include "FakeScreen.h"
#include "ProgramBuilder.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

using test::FakeScreen;
using test::ProgramBuilder;
using test::wordsOf;

constexpr int kNop = 15;
constexpr int kMovlw = 24;
constexpr int kGoto = 27;

class Passes : public ::testing::Test {
protected:
    std::string labelAddress(std::string_view label) const
    {
        const auto value = doc.labels.valueOf(label);
        return value ? std::string(*value) : "<absent>";
    }

    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    ProgramBuilder program{doc};
    FakeScreen screen;
    HexImage image;
};

TEST_F(Passes, LabelsTakeTheAddressOfTheWordTheyStandBefore)
{
    program.line(kNop, {}, 0, "FIRST");
    program.line(kNop);
    program.blank("ONBLANK");
    program.inactive(kNop, {}, "ONIDLE");
    program.line(kNop, {}, 0, "THIRD");
    program.org("H'10'").setLabel("ONORG");
    doc.labels.insert("ONORG", {});
    program.line(kNop, {}, 0, "SIXTEEN");
    program.blank("ATEND");
    doc.labels.insert("UNUSED", {});

    ASSERT_TRUE(assembleProgram(doc, screen, image));
    EXPECT_TRUE(screen.events.empty());
    EXPECT_EQ(labelAddress("FIRST"), "0");
    EXPECT_EQ(labelAddress("ONBLANK"), "2");
    EXPECT_EQ(labelAddress("ONIDLE"), "2");
    EXPECT_EQ(labelAddress("THIRD"), "2");
    EXPECT_EQ(labelAddress("ONORG"), "16");
    EXPECT_EQ(labelAddress("SIXTEEN"), "16");
    EXPECT_EQ(labelAddress("ATEND"), "17");
    EXPECT_EQ(labelAddress("UNUSED"), "");
    EXPECT_EQ(image.count(), 8);
    EXPECT_EQ(image.addressAt(6), 32);
}

TEST_F(Passes, InactiveOrgMovesLabelsButNotWords)
{
    program.line(kNop);
    program.org("H'20'", LineState::Inactive);
    program.line(kGoto, "HERE", 0, "HERE");

    ASSERT_TRUE(assembleProgram(doc, screen, image));
    EXPECT_EQ(labelAddress("HERE"), "32");
    ASSERT_EQ(image.count(), 4);
    EXPECT_EQ(image.addressAt(2), 2);  // the word follows the nop, not the inactive ORG
    EXPECT_EQ(wordsOf(image), (std::vector<int>{0x0000, 0x2820}));
}

TEST_F(Passes, SelectedLinesAreAssembledLikeNormalOnes)
{
    program.line(kMovlw, "1", 0, {}, LineState::Selected);
    program.inactive(kMovlw, "2");
    program.line(kMovlw, "3");
    ASSERT_TRUE(assembleProgram(doc, screen, image));
    EXPECT_EQ(wordsOf(image), (std::vector<int>{0x3001, 0x3003}));
}

TEST_F(Passes, OrgToTheCurrentAddressPassesAndBackwardsStopsAtTheOrgDialog)
{
    program.line(kNop);
    program.org("1");  // equal to the counter
    program.org("H'10'");
    program.line(kNop);
    program.org("H'8'");
    program.line(kNop, {}, 0, "AFTER");

    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.events, (std::vector<std::string>{
        "cursor:5", "message:Error in line 5: overwriting previous address contents.", "edit"}));
    EXPECT_EQ(labelAddress("AFTER"), "");
}

TEST_F(Passes, InactiveOrgGoingBackwardsIsStillAnError)
{
    program.org("H'10'");
    program.org("0", LineState::Inactive);
    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.cursorMoves, std::vector<int>{2});
    EXPECT_EQ(screen.editRequests, 1);
}

TEST_F(Passes, UnreadableOrgIsReportedAndThePassGoesOn)
{
    program.org("H'1G'");
    program.line(kNop, {}, 0, "NEXT");
    program.org("$5");
    EXPECT_FALSE(AssignAddresses(doc, screen));
    EXPECT_EQ(screen.texts(), (std::vector<std::string>{"Error in line:1", "Error in line:3"}));
    EXPECT_TRUE(screen.cursorMoves.empty());
    EXPECT_EQ(labelAddress("NEXT"), "0");
}

TEST_F(Passes, DuplicatedLabelStopsAtItsSecondLineWithTheLabelsDialog)
{
    program.line(kNop, {}, 0, "LOOP");
    program.blank();
    program.inactive(kNop, {}, "LOOP");
    program.line(kNop, {}, 0, "LATER");

    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.events, (std::vector<std::string>{
        "cursor:3",
        "message:Error in line 3: address label duplicated or different in second pass (LOOP).",
        "offer:label:LOOP"}));
    EXPECT_EQ(labelAddress("LATER"), "");
}

TEST_F(Passes, LabelMissingFromTheTableIsCaughtBeforeAnyAddress)
{
    program.line(kNop, {}, 0, "KNOWN");
    program.line(kNop).setLabel("GHOST");  // written on the line, not in the table
    screen.onOffer = [](const std::string&, ProgramDocument& doc, std::string& name) {
        name = "GHOST2";
        doc.labels.insert(name, {});
        return 1;
    };

    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.events, (std::vector<std::string>{
        "cursor:2", "message:Error in line 2: symbol not previously defined (GHOST).",
        "offer:label:GHOST"}));
    EXPECT_EQ(labelAddress("KNOWN"), "");
    // The name added in the dialog is taken into the line; the next run passes.
    EXPECT_EQ(doc.lines.last()->labelText(), "GHOST2");
    FakeScreen again;
    EXPECT_TRUE(assembleProgram(doc, again, image));
}

TEST_F(Passes, InactiveLinesAreCheckedForLabelsToo)
{
    program.inactive(kNop).setLabel("IDLE");
    EXPECT_FALSE(CheckLabels(doc, screen));
    EXPECT_EQ(screen.cursorMoves, std::vector<int>{1});
}

TEST_F(Passes, TheLastWordMayTakeAddress1023)
{
    program.org("1022");
    program.line(kNop);
    program.line(kGoto, "LAST", 0, "LAST");
    ASSERT_TRUE(assembleProgram(doc, screen, image));
    EXPECT_EQ(labelAddress("LAST"), "1023");
    EXPECT_EQ(image.addressAt(3), 2047);

    program.blank();
    program.line(kNop);
    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{
        "Error in line 4: program out of range.\n1 further line is out of range too."});
    EXPECT_TRUE(screen.cursorMoves.empty());
    EXPECT_EQ(image.count(), 0);  // no encoding after a failed address pass
}

TEST_F(Passes, OrgTo1024IsOutOfRangeAtTheOrgLineItself)
{
    program.org("H'400'");
    program.blank();
    EXPECT_FALSE(AssignAddresses(doc, screen));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{
        "Error in line 1: program out of range.\n1 further line is out of range too."});
}

TEST_F(Passes, HugeOrgAddressIsOutOfRangeWithoutOverflow)
{
    program.org("99999999999999999999");
    program.line(kNop, {}, 0, "BIG");
    program.line(kNop);
    EXPECT_FALSE(AssignAddresses(doc, screen));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{
        "Error in line 1: program out of range.\n2 further lines are out of range too."});
    EXPECT_EQ(labelAddress("BIG"), "2147483647");
}

TEST_F(Passes, A1024WordProgramFillsMemoryExactly)
{
    for (int i = 0; i < 1024; ++i)
        program.line(kMovlw, std::to_string(i % 256));
    ASSERT_TRUE(assembleProgram(doc, screen, image));
    EXPECT_EQ(image.count(), 2048);
    EXPECT_EQ(image.addressAt(2047), 2047);

    program.line(kNop);
    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Error in line 1025: program out of range."});

    // Twice the memory: one message for the first line past it, however many follow.
    screen.messages.clear();
    for (int i = 0; i < 1023; ++i)
        program.line(kNop);
    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{
        "Error in line 1025: program out of range.\n1023 further lines are out of range too."});
}

TEST_F(Passes, DamagedLineKindsAreErrorsRatherThanSilentGaps)
{
    program.line(kNop);
    program.line(0, "STATUS");
    program.line(77);
    program.line(kGoto, "HERE", 0, "HERE");
    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(screen.texts(), (std::vector<std::string>{"Error in line:2", "Error in line:3"}));
    EXPECT_EQ(labelAddress("HERE"), "1");
}

TEST_F(Passes, EncodingErrorsReportTheOperandAndOfferItsDefinition)
{
    struct Row {
        int code;
        std::string_view operand;
        OperandError error;
        std::vector<std::string> events;
    };
    const Row rows[] = {
        {7, "TEMP", OperandError::Register,
         {"cursor:2", "message:Error in line 2: symbol not previously defined (TEMP).", "offer:register:TEMP"}},
        {16, "READY", OperandError::Bit,
         {"cursor:2", "message:Error in line 2: symbol not previously defined (READY).", "offer:bit:READY"}},
        {24, "COUNT", OperandError::Literal,
         {"cursor:2", "message:Error in line 2: symbol not previously defined (COUNT).", "offer:literal:COUNT"}},
        {24, "300", OperandError::Literal,
         {"message:Syntax error:'300'", "cursor:2",
          "message:Error in line 2: symbol not previously defined (300).", "offer:literal:300"}},
        {28, "SUB", OperandError::Label,
         {"cursor:2", "message:Error in line 2: symbol not previously defined (SUB)."}},
    };
    for (const Row& row : rows) {
        DeviceDefaults defaults;
        ProgramDocument doc(defaults);
        ProgramBuilder program(doc);
        program.line(kNop);
        program.line(row.code, row.operand);
        program.line(kNop, {}, 0, "NEVER");
        FakeScreen screen;
        HexImage image;
        image.reset();
        EXPECT_EQ(EncodeProgram(doc, screen, image), row.error) << row.operand;
        EXPECT_EQ(screen.events, row.events) << row.operand;
        EXPECT_EQ(image.count(), 2) << row.operand;  // the nop before, nothing after
    }
}

TEST_F(Passes, InactiveLinesWithBadOperandsAreNotEncoded)
{
    program.inactive(7, "NOSUCH");
    program.line(kNop);
    EXPECT_EQ(EncodeProgram(doc, screen, image), OperandError::None);
    EXPECT_TRUE(screen.events.empty());
    EXPECT_EQ(wordsOf(image), std::vector<int>{0});
}

TEST_F(Passes, EveryRunStartsFromEmptyLabelAddresses)
{
    program.line(kNop, {}, 0, "START");
    doc.labels.setValue("START", "12");  // left over from a run or a file
    doc.labels.insert("STALE", "99");
    program.line(kGoto, "STALE");
    // STALE kept no address from before, so the jump to it cannot be encoded.
    EXPECT_FALSE(assembleProgram(doc, screen, image));
    EXPECT_EQ(labelAddress("START"), "0");
    EXPECT_EQ(labelAddress("STALE"), "");
    EXPECT_EQ(screen.events, (std::vector<std::string>{
                                 "cursor:2", "message:Error in line 2: symbol not previously defined (STALE)."}));
}

} // namespace
} // namespace tarvik
