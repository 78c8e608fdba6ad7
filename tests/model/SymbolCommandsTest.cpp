#include "model/SymbolCommands.h"

#include "model/Names.h"
#include "FakeScreen.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

class SymbolCommands : public ::testing::Test {
protected:
    std::string name0(int address) const { return std::string(doc.registerFile0.find(address)->nameText()); }
    std::string name1(int address) const { return std::string(doc.registerFile1.find(address)->nameText()); }
    std::string bitName(int address, int bit) const
    {
        const RegisterTable& file = address >= 128 ? doc.registerFile1 : doc.registerFile0;
        return BitDisplayName(doc, *file.find(address), bit);
    }

    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    test::FakeScreen screen;
};

TEST_F(SymbolCommands, TheProposedRegisterIsTheFirstUnnamedGeneralPurposeOne)
{
    EXPECT_EQ(proposedRegisterAddress(doc, 0), 0x0C);
    EXPECT_EQ(proposedRegisterAddress(doc, 1), 0x8C);
    ASSERT_TRUE(NameRegister(doc, screen, 0x0C, "COUNT"));
    EXPECT_EQ(name0(0x0C), "COUNT");
    EXPECT_EQ(proposedRegisterAddress(doc, 0), 0x0D);
    EXPECT_EQ(proposedRegisterAddress(doc, 1), 0x8C);
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(registerHasUserName(doc, 0x0C));
    EXPECT_FALSE(registerHasUserName(doc, 0x0D));
}

TEST_F(SymbolCommands, MirroredRegistersAreNamedAndRestoredInBothBanks)
{
    ASSERT_TRUE(NameRegister(doc, screen, 0x83, "STAT"));  // from the bank-1 page
    EXPECT_EQ(name0(0x03), "STAT");
    EXPECT_EQ(name1(0x83), "STAT");
    EXPECT_EQ(doc.userSfrNames0.count(), 1);
    EXPECT_EQ(doc.userSfrNames1.count(), 1);

    ASSERT_TRUE(NameRegister(doc, screen, 0x01, "TIMER"));
    EXPECT_EQ(name0(0x01), "TIMER");
    EXPECT_EQ(name1(0x81), "OPTION");
    EXPECT_EQ(doc.userSfrNames1.count(), 1);

    ASSERT_TRUE(NameRegister(doc, screen, 0x8C, "TEMP"));
    EXPECT_EQ(doc.userRegisters1.count(), 1);
    EXPECT_EQ(name0(0x0C), "GPR0H0C");

    EXPECT_TRUE(DeleteRegisterName(doc, 0x03));
    EXPECT_EQ(name0(0x03), "STATUS");
    EXPECT_EQ(name1(0x83), "STATUS");
    EXPECT_EQ(doc.userSfrNames0.count(), 1);  // TIMER stays
    EXPECT_EQ(doc.userSfrNames1.count(), 0);
    EXPECT_TRUE(DeleteRegisterName(doc, 0x8C));
    EXPECT_EQ(name1(0x8C), "GPR1H8C");
    EXPECT_FALSE(DeleteRegisterName(doc, 0x8C));
    EXPECT_TRUE(screen.messages.empty());
}

TEST_F(SymbolCommands, RefusedNamesChangeNothing)
{
    doc.literals.insert("LIMIT", "10");
    struct Row {
        int address;
        std::string name;
        std::string message;  // empty: refused without one
    };
    const Row rows[] = {
        {0x0C, "LIMIT", "'LIMIT' is already exist!"},
        {0x0C, "PORTB", "'PORTB' is already exist!"},
        {0x0C, "RP0", "'RP0' is already exist!"},
        {0x0C, "2ND", "Sintax error: 2ND is not valid!"},
        {0x0C, "ABCDEFGHIJKLMNO", "Sintax error: ABCDEFGHIJKLMNO is not valid!"},  // longer than a field
        {0x07, "FREE", ""},
        {0x87, "FREE", ""},
        {0x0C, "", ""},
        {0x30, "FREE", ""},
    };
    for (const Row& row : rows) {
        screen.messages.clear();
        EXPECT_FALSE(NameRegister(doc, screen, row.address, row.name)) << row.name;
        EXPECT_FALSE(NameBit(doc, screen, row.address, 0, row.name)) << row.name;
        const std::vector<std::string> expected =
            row.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.message, row.message};
        EXPECT_EQ(screen.texts(), expected) << row.name;
    }
    EXPECT_EQ(name0(0x07), "<Reserved>");
    EXPECT_EQ(doc.userRegisters0.count() + doc.userSfrNames0.count() + doc.userBits.count(), 0);
    EXPECT_FALSE(doc.modified);
}

TEST_F(SymbolCommands, BitsOfMirroredRegistersLiveInBothBanks)
{
    ASSERT_TRUE(NameBit(doc, screen, 0x05, 4, "LED"));
    EXPECT_EQ(bitName(0x05, 4), "LED");
    EXPECT_EQ(doc.userBits.count(), 1);

    ASSERT_TRUE(NameBit(doc, screen, 0x03, 0, "CARRY"));
    EXPECT_EQ(bitName(0x03, 0), "CARRY");
    EXPECT_EQ(bitName(0x83, 0), "CARRY");
    EXPECT_EQ(doc.userBits.count(), 3);
    EXPECT_TRUE(DeleteBitName(doc, 0x83, 0));
    EXPECT_EQ(bitName(0x03, 0), "C");
    EXPECT_EQ(bitName(0x83, 0), "C");
    EXPECT_EQ(doc.userBits.count(), 1);

    ASSERT_TRUE(NameBit(doc, screen, 0x8B, 1, "EXT"));
    ASSERT_TRUE(NameBit(doc, screen, 0x8B, 1, "EXTINT"));  // a rename
    EXPECT_EQ(bitName(0x0B, 1), "EXTINT");
    ASSERT_TRUE(NameBit(doc, screen, 0x85, 2, "SENSE"));
    EXPECT_EQ(bitName(0x05, 2), "RA2");

    ASSERT_TRUE(NameBit(doc, screen, 0x0C, 2, "FLAGA"));
    ASSERT_TRUE(NameBit(doc, screen, 0x0C, 5, "FLAGB"));
    EXPECT_TRUE(DeleteBitName(doc, 0x0C, 2));
    EXPECT_EQ(bitName(0x0C, 2), "GPR0H0C,2");
    EXPECT_EQ(bitName(0x0C, 5), "FLAGB");
    EXPECT_FALSE(DeleteBitName(doc, 0x0C, 2));
}

TEST_F(SymbolCommands, LiteralsKeepTheirValueAsTyped)
{
    ASSERT_TRUE(AddLiteral(doc, screen, "MAX", "200"));
    ASSERT_TRUE(AddLiteral(doc, screen, "MASK", "H'0F'"));
    EXPECT_EQ(doc.literals.valueOf("MASK"), "H'0F'");
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(screen.messages.empty());

    struct Row {
        std::string name;
        std::string value;
        std::string message;
    };
    const Row rows[] = {
        {"BIG", "256", "Syntax error:'256'"},
        {"BIG", "0x10", "Syntax error:'0x10'"},
        {"BIG", "H'100'", "Syntax error:'H'100''"},
        {"BIG", "00000000000001", "Syntax error:'00000000000001'"},  // one past the value box
        {"BIG", "", "Error!"},
        {"", "5", "Error!"},
        {"STATUS", "5", "'STATUS' is already exist!"},
        {"MAX", "7", "'MAX' is already exist!"},
        {"A_B", "5", "Sintax error: A_B is not valid!"},
    };
    for (const Row& row : rows) {
        screen.messages.clear();
        EXPECT_FALSE(AddLiteral(doc, screen, row.name, row.value)) << row.value;
        EXPECT_EQ(screen.texts(), std::vector<std::string>{row.message}) << row.value;
    }
    EXPECT_EQ(doc.literals.count(), 2);
    EXPECT_EQ(doc.literals.valueOf("MAX"), "200");

    EXPECT_TRUE(DeleteLiteral(doc, "MAX"));
    EXPECT_FALSE(doc.literals.holds("MAX"));
    EXPECT_FALSE(DeleteLiteral(doc, "MAX"));
}

TEST_F(SymbolCommands, LabelsEnterTheTableWithoutAnAddress)
{
    ASSERT_TRUE(AddTableLabel(doc, screen, "LOOP"));
    EXPECT_EQ(doc.labels.valueOf("LOOP"), "");
    EXPECT_FALSE(AddTableLabel(doc, screen, "LOOP"));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"'LOOP' is already exist!"});
    EXPECT_EQ(screen.messages[0].caption, kMessageCaption);  // not AddLabel's "Tarvik"
    EXPECT_TRUE(AddTableLabel(doc, screen, ""));
    EXPECT_EQ(doc.labels.count(), 1);
}

} // namespace
} // namespace tarvik
