#include "model/Names.h"

#include "model/HexDigit.h"

#include "FakeScreen.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <utility>

namespace tarvik {
namespace {

using test::FakeScreen;

class Names : public ::testing::Test {
protected:
    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    FakeScreen screen;
};

TEST_F(Names, ValidNamesAreAsciiLettersAndDigitsNotStartingWithADigit)
{
    struct Row {
        std::string_view text;
        bool valid;
    };
    const Row rows[] = {
        {"Loop1", true},   {"", true},        {"ABCDEFGHIJKLMN", true},
        {"2ND", false},    {"LOOP_1", false}, {"A.B", false},
        {"Caf\xc3\xa9", false},                {"ABCDEFGHIJKLMNO", false},  // 15 characters
        {"A B", false},
    };
    for (const Row& row : rows) {
        FakeScreen screen;
        EXPECT_EQ(IsValidName(screen, row.text), row.valid) << row.text;
        if (row.valid) {
            EXPECT_TRUE(screen.messages.empty()) << row.text;
        } else {
            ASSERT_EQ(screen.messages.size(), 1u) << row.text;
            EXPECT_EQ(screen.messages[0].caption, "Tarvik message");
            EXPECT_EQ(screen.messages[0].text, "Sintax error: " + std::string(row.text) + " is not valid!");
        }
    }
}

TEST_F(Names, LooksLikeNameNeedsALeadingLetterAndSaysNothing)
{
    EXPECT_TRUE(LooksLikeName("COUNT"));
    EXPECT_TRUE(LooksLikeName("b1"));
    EXPECT_FALSE(LooksLikeName(""));
    EXPECT_FALSE(LooksLikeName("1A"));
    EXPECT_FALSE(LooksLikeName("H'1F'"));
    EXPECT_FALSE(LooksLikeName("'A'"));
}

TEST_F(Names, DecimalNumbersReadEmptyAsZeroAndLeaveTheValueAloneOnFailure)
{
    int value = 42;
    EXPECT_TRUE(IsDecimalNumber("", value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(IsDecimalNumber("0200", value));
    EXPECT_EQ(value, 200);
    value = 42;
    EXPECT_FALSE(IsDecimalNumber("12a", value));
    EXPECT_FALSE(IsDecimalNumber("-1", value));
    EXPECT_EQ(value, 42);
    // Twenty digits must not overflow into a small or negative number.
    EXPECT_TRUE(IsDecimalNumber("99999999999999999999", value));
    EXPECT_EQ(value, INT_MAX);
}

TEST_F(Names, LiteralOperandsAcceptExactlyTheDocumentedNotations)
{
    struct Row {
        std::string text;
        int value;  // -1: rejected with a syntax message
    };
    const Row rows[] = {
        {"255", 255},       {"0", 0},           {"", 0},           {"H'1f'", 31},
        {"h'FF'", 255},     {"B'00001111'", 15}, {"b'10000000'", 128}, {"'A'", 65},
        {"'7'", 55},        {"256", -1},        {"H'1'", -1},       {"H'123'", -1},
        {"B'1111'", -1},    {"0x1F", -1},       {"'#'", -1},        {"-1", -1},
        {"H'G0'", -1},      {"B'00000002'", -1}, {"D'10'", -1},     {"99999999999", -1},
    };
    for (const Row& row : rows) {
        FakeScreen screen;
        std::string text = row.text;
        int value = -7;
        const int accepted = CheckLiteralOperand(doc, screen, -1, text, value);
        if (row.value >= 0) {
            EXPECT_NE(accepted, 0) << row.text;
            EXPECT_EQ(value, row.value) << row.text;
            EXPECT_TRUE(screen.messages.empty()) << row.text;
        } else {
            EXPECT_EQ(accepted, 0) << row.text;
            ASSERT_EQ(screen.messages.size(), 1u) << row.text;
            EXPECT_EQ(screen.messages[0].caption, "Tarvik message");
            EXPECT_EQ(screen.messages[0].text, "Syntax error:'" + row.text + "'");
        }
    }
}

TEST(HexByte, TypedBytesInTheirUsualSpellingsAndNothingElse)
{
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"3C", 0x3C}, {"3c", 0x3C}, {" 0x7f ", 0x7F}, {"0XFF", 0xFF}, {"3Ch", 0x3C}, {"a", 0x0A}, {"0", 0},
        {"", std::nullopt}, {"  ", std::nullopt}, {"100", std::nullopt}, {"G1", std::nullopt}, {"-1", std::nullopt},
        {"+1", std::nullopt}, {"0x", std::nullopt}, {"h", std::nullopt}, {"0x100", std::nullopt}, {"1 2", std::nullopt},
    };
    for (const auto& [typed, value] : rows)
        EXPECT_EQ(parseHexByte(typed), value) << '"' << typed << '"';
}

TEST_F(Names, LiteralNamesAreLeftToTheCallerOrOfferedByTheDialog)
{
    std::string text = "COUNT";
    int value = -7;
    // The assembler: no message, no dialog; it looks the name up itself.
    EXPECT_EQ(CheckLiteralOperand(doc, screen, -1, text, value), 0);
    EXPECT_TRUE(screen.messages.empty());
    EXPECT_TRUE(screen.offers.empty());
    // A dialog that already knows the name needs no test at all, whatever the text.
    std::string junk = "2$";
    EXPECT_EQ(CheckLiteralOperand(doc, screen, 1, junk, value), 1);
    EXPECT_TRUE(screen.messages.empty());
    // A new name typed in a dialog opens the literals dialog, whose result decides; the name
    // finally added replaces the typed one.
    screen.onOffer = [](const std::string&, ProgramDocument&, std::string& name) {
        name = "COUNTER";
        return 1;
    };
    EXPECT_EQ(CheckLiteralOperand(doc, screen, 0, text, value), 1);
    ASSERT_EQ(screen.offers.size(), 1u);
    EXPECT_EQ(screen.offers[0].kind, "literal");
    EXPECT_EQ(screen.offers[0].name, "COUNT");
    EXPECT_EQ(text, "COUNTER");
    EXPECT_EQ(value, -7);
}

TEST_F(Names, CancelledOfferKeepsTheCallersName)
{
    screen.onOffer = [](const std::string&, ProgramDocument&, std::string& name) {
        name = "OTHER";
        return 0;
    };
    std::string text = "COUNT";
    int value = 0;
    EXPECT_EQ(CheckLiteralOperand(doc, screen, 0, text, value), 0);
    EXPECT_EQ(text, "COUNT");
}

TEST_F(Names, OrgAddressesAreDecimalOrQuotedHexadecimal)
{
    struct Row {
        std::string_view text;
        bool ok;
        int value;
    };
    const Row rows[] = {
        {"H'3FF'", true, 1023}, {"h'0'", true, 0},  {"100", true, 100}, {"", true, 0},
        {"H'00010'", true, 16}, {"H''", false, 0},  {"H'12", false, 0}, {"$100", false, 0},
        {"H'1G'", false, 0},    {"X'10'", false, 0}, {"H'", false, 0},  {"H'''", false, 0},
        {"0x10", false, 0},
    };
    for (const Row& row : rows) {
        int value = -7;
        EXPECT_EQ(ParseAddress(row.text, value), row.ok) << row.text;
        EXPECT_EQ(value, row.ok ? row.value : -7) << row.text;
    }
    int value = 0;
    EXPECT_TRUE(ParseAddress("H'FFFFFFFFFFFF'", value));
    EXPECT_EQ(value, INT_MAX);
}

TEST_F(Names, BitOperandsResolveByNameThenAsRegisterCommaBit)
{
    doc.userBits.insert("LED", 3, 0, 6);
    doc.userBits.insert("Z", 7, 0, 12);  // a user bit of a default bit's name wins
    doc.registerFile0.rename(13, "TEMP");
    struct Row {
        std::string_view text;
        bool ok;
        int address;
        int bit;
    };
    const Row rows[] = {
        {"STATUS,2", true, 3, 2},  {"TRISB,0", true, 134, 0}, {"C", true, 3, 0},
        {"RP0", true, 3, 5},       {"NOT_RBPU", true, 129, 7}, {"EEIF", true, 136, 4},
        {"LED", true, 6, 3},       {"Z", true, 12, 7},         {"TEMP,7", true, 13, 7},
        {"GPR1HAF,1", true, 175, 1}, {"INTCON,07", true, 11, 7},
        {"STATUS,8", false, 0, 0}, {"STATUS,", false, 0, 0},  {"NOSUCH,1", false, 0, 0},
        {"STATUS", false, 0, 0},   {"status,1", false, 0, 0}, {",1", false, 0, 0},
        {"STATUS,-1", false, 0, 0}, {"STATUS,99999999999", false, 0, 0}, {"", false, 0, 0},
    };
    for (const Row& row : rows) {
        int address = -1;
        int bit = -1;
        EXPECT_EQ(ResolveBitOperand(doc, row.text, address, bit), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(address, row.address) << row.text;
            EXPECT_EQ(bit, row.bit) << row.text;
        }
    }
}

TEST_F(Names, DamagedUserBitsResolveNothing)
{
    doc.userBits.insert("BAD", 9, 0, 6);
    doc.userBits.insert("FAR", 1, 0, 4000);
    doc.userBits.insert("C", -1, 0, 3);  // falls back to the chip's C
    int address = -1;
    int bit = -1;
    EXPECT_FALSE(ResolveBitOperand(doc, "BAD", address, bit));
    EXPECT_FALSE(ResolveBitOperand(doc, "FAR", address, bit));
    EXPECT_TRUE(ResolveBitOperand(doc, "C", address, bit));
    EXPECT_EQ(address, 3);
    EXPECT_EQ(bit, 0);
}

TEST_F(Names, BitDisplayNamePrefersUserThenDeviceNames)
{
    const RegisterEntry& status = *doc.registerFile0.at(3);
    const RegisterEntry& gpr = *doc.registerFile0.at(12);
    EXPECT_EQ(BitDisplayName(doc, status, 0), "C");
    EXPECT_EQ(BitDisplayName(doc, *doc.registerFile1.at(3), 5), "RP0");
    EXPECT_EQ(BitDisplayName(doc, gpr, 5), "GPR0H0C,5");
    EXPECT_EQ(BitDisplayName(doc, *doc.registerFile0.at(5), 4), "PORTA,4");
    doc.registerFile0.rename(12, "FLAGS");
    EXPECT_EQ(BitDisplayName(doc, *doc.registerFile0.at(12), 5), "FLAGS,5");
    doc.userBits.insert("READY", 5, 0, 12);
    doc.userBits.insert("CARRY", 0, 0, 3);
    EXPECT_EQ(BitDisplayName(doc, *doc.registerFile0.at(12), 5), "READY");
    EXPECT_EQ(BitDisplayName(doc, status, 0), "CARRY");
}

TEST_F(Names, AddLabelRefusesInvalidAndUsedNames)
{
    doc.literals.insert("COUNT", "10");
    EXPECT_TRUE(AddLabel(doc, screen, ""));
    EXPECT_EQ(doc.labels.count(), 0);

    for (std::string_view used : {"PORTA", "GPR1H8C", "COUNT", "RP1", "<Reserved>"}) {
        FakeScreen screen;
        EXPECT_FALSE(AddLabel(doc, screen, used)) << used;
        ASSERT_EQ(screen.messages.size(), 1u) << used;
        if (used == "<Reserved>") {
            EXPECT_EQ(screen.messages[0].text, "Sintax error: <Reserved> is not valid!");
        } else {
            EXPECT_EQ(screen.messages[0].caption, "Tarvik");
            EXPECT_EQ(screen.messages[0].text, "'" + std::string(used) + "' is already exist!");
        }
    }
    EXPECT_FALSE(AddLabel(doc, screen, "1LOOP"));
    EXPECT_EQ(doc.labels.count(), 0);

    EXPECT_TRUE(AddLabel(doc, screen, "Loop"));
    EXPECT_TRUE(AddLabel(doc, screen, "LOOP"));  // case matters
    EXPECT_EQ(doc.labels.valueOf("Loop"), "");
    EXPECT_FALSE(AddLabel(doc, screen, "Loop"));
    EXPECT_EQ(doc.labels.count(), 2);
}

TEST_F(Names, EnsureOffersOnlyForUnknownNames)
{
    std::string name = "TEMP";
    EXPECT_EQ(EnsureRegister(doc, screen, 1, name), 1);
    EXPECT_EQ(EnsureBit(doc, screen, 1, name), 1);
    EXPECT_TRUE(screen.offers.empty());
    EXPECT_EQ(EnsureRegister(doc, screen, 0, name), 0);
    EXPECT_EQ(EnsureBit(doc, screen, 0, name), 0);
    ASSERT_EQ(screen.offers.size(), 2u);
    EXPECT_EQ(screen.offers[0].kind, "register");
    EXPECT_EQ(screen.offers[1].kind, "bit");
    std::string literal = "K";
    EXPECT_EQ(OfferNewLiteral(doc, screen, literal, -1), 0);
    EXPECT_EQ(screen.offers.size(), 2u);
}

TEST_F(Names, OfferDefinitionOpensTheDialogOfTheOperandKindAndTakesTheNameIntoTheLine)
{
    struct Row {
        OperandError error;
        std::string_view kind;  // empty: nothing opens
    };
    const Row rows[] = {
        {OperandError::Register, "register"},
        {OperandError::Bit, "bit"},
        {OperandError::Literal, "literal"},
        {OperandError::Label, ""},
        {OperandError::None, ""},
    };
    for (const Row& row : rows) {
        FakeScreen screen;
        screen.onOffer = [](const std::string&, ProgramDocument&, std::string& name) {
            name = "AVERYLONGNAMETHATDOESNOTFIT";
            return 1;
        };
        ProgramLine line;
        line.setOperand("TEMP");
        line.setAffected("Z");
        OfferDefinition(doc, screen, line, row.error);
        if (row.kind.empty()) {
            EXPECT_TRUE(screen.offers.empty());
            EXPECT_EQ(line.operandText(), "TEMP");
        } else {
            ASSERT_EQ(screen.offers.size(), 1u);
            EXPECT_EQ(screen.offers[0].kind, row.kind);
            EXPECT_EQ(screen.offers[0].name, "TEMP");
            EXPECT_EQ(line.operandText(), "AVERYLONGNAMET");  // cut to the field
        }
        EXPECT_EQ(line.affectedText(), "Z");
    }
}

} // namespace
} // namespace tarvik
