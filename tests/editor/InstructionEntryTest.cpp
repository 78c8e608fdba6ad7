#include "editor/InstructionEntry.h"

#include "FakeScreen.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvik {
namespace {

using test::FakeScreen;

class InstructionEntryTest : public ::testing::Test {
protected:
    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    FakeScreen screen;

    EntryResult insert(EntryKind kind, int code, std::string operand = {}, std::string label = {},
                       int known = 0, int destination = 0)
    {
        EntryLine entry{kind, code, std::move(label), std::move(operand), destination, "Z", known};
        return insertEntryLine(doc, screen, entry);
    }
    std::vector<std::string> operands() const
    {
        std::vector<std::string> all;
        for (const ProgramLine& line : doc.lines)
            if (line.code != kHeaderCode)
                all.emplace_back(line.operandText());
        return all;
    }
    ProgramLine& cursorLine() { return *doc.lines.cursor(); }
};

TEST_F(InstructionEntryTest, InsertsAfterTheCursorWithDestinationCommentAndModifiedFlag)
{
    doc.setPendingComment("first one");
    ASSERT_EQ(insert(EntryKind::OneF, 8, "PORTB", "", 1, 1), EntryResult::Written);
    EXPECT_EQ(insert(EntryKind::TwoF, 1, "STATUS", "", 1, 0), EntryResult::Written);
    EXPECT_EQ(operands(), (std::vector<std::string>{"PORTB", "STATUS"}));
    EXPECT_EQ(doc.lineNumberOf(doc.lines.cursor()), 2);

    const ProgramLine& first = *doc.lines.first()->next;
    EXPECT_EQ(first.code, 8);
    EXPECT_EQ(first.destination, 1);
    EXPECT_EQ(first.affectedText(), "Z");
    EXPECT_EQ(doc.comments.textAt(first.commentIndex), "first one");
    EXPECT_EQ(cursorLine().commentIndex, -1);
    EXPECT_TRUE(doc.pendingComment.empty());
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(screen.messages.empty());
}

TEST_F(InstructionEntryTest, UnknownOperandIsOfferedAndOnlyADefinedOneIsWritten)
{
    EXPECT_EQ(insert(EntryKind::TwoF, 1, "COUNT"), EntryResult::OperandRefused);
    EXPECT_EQ(insert(EntryKind::Bit, 16, "STATUS,8"), EntryResult::OperandRefused);
    EXPECT_EQ(insert(EntryKind::Literal, 24, "LIMIT"), EntryResult::OperandRefused);
    // A bit box emptied after a known bit was typed: refused without an offer.
    EXPECT_EQ(insert(EntryKind::Bit, 16, "", "", 1), EntryResult::OperandRefused);
    ASSERT_EQ(screen.offers.size(), 3u);
    EXPECT_EQ(screen.offers[0].kind, "register");
    EXPECT_EQ(screen.offers[1].kind, "bit");
    EXPECT_EQ(screen.offers[2].kind, "literal");
    EXPECT_EQ(doc.lines.count(), 1);
    EXPECT_FALSE(doc.modified);

    // The definition dialog may add the symbol under another name; the line takes that one.
    screen.onOffer = [](const std::string&, ProgramDocument& d, std::string& name) {
        name = "COUNTER";
        d.registerFile0.rename(0x20, name);
        return 1;
    };
    EntryLine entry{EntryKind::OneF, 8, "", "COUNT", 0, "Z", 0};
    EXPECT_EQ(insertEntryLine(doc, screen, entry), EntryResult::Written);
    EXPECT_EQ(entry.operand, "COUNTER");
    EXPECT_EQ(operands(), std::vector<std::string>{"COUNTER"});
}

TEST_F(InstructionEntryTest, LiteralsAreWrittenAsTypedAndBadOnesRefused)
{
    for (const char* literal : {"255", "H'FF'", "B'11111111'", "'A'"})
        EXPECT_EQ(insert(EntryKind::Literal, 24, literal), EntryResult::Written) << literal;
    EXPECT_EQ(operands(), (std::vector<std::string>{"255", "H'FF'", "B'11111111'", "'A'"}));

    EXPECT_EQ(insert(EntryKind::Literal, 24, ""), EntryResult::OperandRefused);
    EXPECT_TRUE(screen.messages.empty());
    EXPECT_EQ(insert(EntryKind::Literal, 24, "256"), EntryResult::OperandRefused);
    ASSERT_EQ(screen.messages.size(), 1u);
    EXPECT_EQ(screen.messages[0].text, "Syntax error:'256'");
    EXPECT_EQ(screen.messages[0].caption, "Tarvik message");

    // Branch targets may be defined later: no check, no question.
    EXPECT_EQ(insert(EntryKind::Branch, 27, ""), EntryResult::Written);
    EXPECT_EQ(insert(EntryKind::Branch, 28, "NOWHERE"), EntryResult::Written);
    EXPECT_EQ(screen.messages.size(), 1u);
    EXPECT_TRUE(screen.offers.empty());
}

TEST_F(InstructionEntryTest, OrgAddressesAreCheckedAndStoredAsTyped)
{
    for (const char* address : {"100", "H'3FF'", "h'0'"})
        EXPECT_EQ(insert(EntryKind::Org, 0, address, "IGNORED"), EntryResult::Written) << address;
    for (const char* address : {"0x10", "$100"})
        EXPECT_EQ(insert(EntryKind::Org, 0, address), EntryResult::OperandRefused) << address;
    EXPECT_EQ(screen.texts(), (std::vector<std::string>{"Syntax error!", "Syntax error!"}));
    EXPECT_EQ(operands(), (std::vector<std::string>{"100", "H'3FF'", "h'0'"}));
    EXPECT_EQ(cursorLine().code, kOrgCode);
    EXPECT_FALSE(cursorLine().hasLabel());
    EXPECT_EQ(cursorLine().affectedText(), "");
    EXPECT_FALSE(doc.labels.holds("IGNORED"));
}

TEST_F(InstructionEntryTest, InsertedLabelsMustBeNewValidNames)
{
    ASSERT_EQ(insert(EntryKind::Zero, 15, "", "LOOP"), EntryResult::Written);
    EXPECT_TRUE(doc.labels.holds("LOOP"));
    // A label, a register and a device bit name.
    for (const std::string taken : {"LOOP", "PORTA", "C"}) {
        EXPECT_EQ(insert(EntryKind::Zero, 15, "", taken), EntryResult::LabelRefused) << taken;
        EXPECT_EQ(screen.messages.back().caption, "Tarvik");
        EXPECT_EQ(screen.messages.back().text, "'" + taken + "' is already exist!");
    }
    EXPECT_EQ(insert(EntryKind::Zero, 15, "", "2ND"), EntryResult::LabelRefused);
    EXPECT_EQ(screen.messages.back().text, "Sintax error: 2ND is not valid!");
    EXPECT_EQ(doc.lines.count(), 2);
}

TEST_F(InstructionEntryTest, EditKeepsRenamesOrRemovesTheLineLabel)
{
    insert(EntryKind::Zero, 15, "", "FIRST");
    insert(EntryKind::Literal, 24, "7", "SECOND");
    const auto edit = [&](std::string label) {
        EditModeScope scope(doc);
        EntryLine entry = loadEntryLine(doc, EntryKind::Literal);
        entry.label = std::move(label);
        return rewriteEntryLine(doc, screen, entry);
    };
    EXPECT_EQ(edit("SECOND"), EntryResult::Written);
    EXPECT_TRUE(screen.messages.empty());

    EXPECT_EQ(edit("FIRST"), EntryResult::LabelRefused);
    ASSERT_EQ(screen.messages.size(), 1u);
    EXPECT_EQ(screen.messages[0].caption, "Tarvik message");
    EXPECT_EQ(screen.messages[0].text, "'FIRST' is already exist!");
    EXPECT_EQ(cursorLine().labelText(), "SECOND");

    EXPECT_EQ(edit("THIRD"), EntryResult::Written);
    EXPECT_FALSE(doc.labels.holds("SECOND"));
    EXPECT_TRUE(doc.labels.holds("THIRD"));
    EXPECT_EQ(edit(""), EntryResult::Written);
    EXPECT_FALSE(doc.labels.holds("THIRD"));
    EXPECT_FALSE(cursorLine().hasLabel());
    EXPECT_EQ(edit("AGAIN"), EntryResult::Written);
    EXPECT_TRUE(doc.labels.holds("AGAIN"));
    EXPECT_FALSE(doc.editMode);
}

TEST_F(InstructionEntryTest, CommentsTravelThroughThePendingCommentOnly)
{
    doc.setPendingComment("typed then cancelled");
    cancelEntry(doc);
    insert(EntryKind::Zero, 15);
    EXPECT_EQ(cursorLine().commentIndex, -1);

    // The comment is in the table when the view inserts the line, so it can show it at once.
    doc.setPendingComment("kept");
    std::string shownOnInsert;
    EntryLine fsr{EntryKind::TwoF, 3, "", "FSR", 0, "Z", 1};
    insertEntryLine(doc, screen, fsr, [&](const ProgramLine& line) {
        shownOnInsert = doc.comments.textAt(line.commentIndex);
        return doc.lines.insertAfterCursor(line) != nullptr;
    });
    EXPECT_EQ(shownOnInsert, "kept");
    const int index = cursorLine().commentIndex;
    // An edit that never opens the comment dialog writes back what LoadFromLine loaded.
    EntryLine entry = loadEntryLine(doc, EntryKind::TwoF);
    EXPECT_EQ(doc.pendingComment, "kept");
    EXPECT_EQ(entry.destination, 0);
    EXPECT_EQ(rewriteEntryLine(doc, screen, entry), EntryResult::Written);
    EXPECT_EQ(cursorLine().commentIndex, index);
    EXPECT_EQ(doc.comments.textAt(index), "kept");
    EXPECT_EQ(doc.comments.count(), 1);
    EXPECT_TRUE(doc.pendingComment.empty());

    // Loaded, then cancelled: the comment stays on its line and is not pending any more.
    loadEntryLine(doc, EntryKind::TwoF);
    cancelEntry(doc);
    insert(EntryKind::Zero, 15);
    EXPECT_EQ(cursorLine().commentIndex, -1);
}

TEST_F(InstructionEntryTest, ABitOperandTooLongForTheFieldIsRefusedNotCut)
{
    doc.registerFile0.rename(0x20, "ABCDEFGHIJKLM");
    const RegisterEntry* reg = RegisterAtIndex(doc, 0x20);
    ASSERT_NE(reg, nullptr);
    const auto items = bitListOf(doc, *reg);
    EXPECT_EQ(items[7].text, "ABCDEFGHIJKLM,7");
    EXPECT_FALSE(items[7].fits);
    EXPECT_TRUE(bitListOf(doc, *RegisterAtIndex(doc, 3))[0].fits);

    EXPECT_EQ(insert(EntryKind::Bit, 16, items[7].text, "", 1), EntryResult::OperandRefused);
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Syntax error:'ABCDEFGHIJKLM,7'"});
    EXPECT_EQ(doc.lines.count(), 1);
}

TEST_F(InstructionEntryTest, RegisterComboIndicesFollowBothRegisterFiles)
{
    EXPECT_EQ(registerComboIndex(0x03), 3);
    EXPECT_EQ(registerComboIndex(0x86), 48 + 6);
    EXPECT_EQ(registerComboIndex(0x30), -1);
    EXPECT_EQ(registerComboIndex(0xB0), -1);
    EXPECT_EQ(RegisterAtIndex(doc, 48 + 6)->nameText(), "TRISB");
    EXPECT_EQ(RegisterAtIndex(doc, 96), nullptr);
    EXPECT_EQ(bitListOf(doc, *RegisterAtIndex(doc, 12))[5].text, "GPR0H0C,5");

    EXPECT_EQ(entryKindOf(kHeaderCode), std::nullopt);
    EXPECT_EQ(entryKindOf(kBlankCode), EntryKind::Zero);
    EXPECT_EQ(entryKindOf(20), EntryKind::Skip2);
}

TEST_F(InstructionEntryTest, InformationPages)
{
    doc.literals.insert("LIMIT", "H'20'");
    doc.userBits.insert("SHADOWZ", 2, 0, 0x83);
    struct Case {
        InfoPage page;
        InfoPage expected;
    };
    const std::vector<Case> cases = {
        {registerInfoPage(doc, "STATUS"), {"1. Register: STATUS", "2. Address: H03 and H83", "3. Bank: 0 and 1"}},
        {registerInfoPage(doc, "PORTB"), {"1. Register: PORTB", "2. Address: H06", "3. Bank: 0"}},
        {registerInfoPage(doc, "TRISB"), {"1. Register: TRISB", "2. Address: H86", "3. Bank: 1"}},
        {registerInfoPage(doc, "NONE"), {"1. Register: NONE", "2. Address: ?", "3. Bank: ?"}},
        {bitInfoPage(doc, "Z"), {"1. Bit: Z", "2. Address: H03,2 and H83,2", "3. Bank: 0 and 1"}},
        {bitInfoPage(doc, "SHADOWZ"), {"1. Bit: SHADOWZ", "2. Address: H03,2 and H83,2", "3. Bank: 0 and 1"}},
        {bitInfoPage(doc, "TRISB,0"), {"1. Bit: TRISB,0", "2. Address: H86,0", "3. Bank: 1"}},
        {bitInfoPage(doc, "STATUS,8"), {"1. Bit: STATUS,8", "2. Address: ?", "3. Bank: ?"}},
        {literalInfoPage(doc, "LIMIT"), {"1. Literal: LIMIT", "2. Value: H'20'", ""}},
        {literalInfoPage(doc, "200"), {"1. Literal: ", "2. Value: 200", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.page.name, c.expected.name);
        EXPECT_EQ(c.page.address, c.expected.address) << c.page.name;
        EXPECT_EQ(c.page.bank, c.expected.bank) << c.page.name;
    }
}

} // namespace
} // namespace tarvik
