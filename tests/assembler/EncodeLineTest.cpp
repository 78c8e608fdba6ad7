#include "assembler/Encoder.h"

#include "FakeScreen.h"
#include "ProgramBuilder.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

using test::FakeScreen;

class EncodeLineTest : public ::testing::Test {
protected:
    // Encodes one line into a fresh image; -1 when nothing was appended.
    int encode(int code, std::string_view operand = {}, int destination = 0,
               OperandError expected = OperandError::None)
    {
        ProgramLine line;
        line.code = code;
        line.setOperand(operand);
        line.destination = destination;
        image.reset();
        EXPECT_EQ(EncodeLine(line, doc, screen, image), expected) << code << " " << operand;
        if (image.count() == 0)
            return -1;
        EXPECT_EQ(image.count(), 2);
        return image.byteAt(0) | image.byteAt(1) << 8;
    }

    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    FakeScreen screen;
    HexImage image;
};

TEST_F(EncodeLineTest, RegisterInstructionsPlaceFileAddressAndDestinationPolarity)
{
    struct Row {
        int code;
        std::string_view operand;
        int destination;
        int word;
    };
    const Row rows[] = {
        {1, "STATUS", 1, 0x0783},  {1, "STATUS", 0, 0x0703},  {6, "STATUS", 0, 0x0283},
        {6, "STATUS", 1, 0x0203},  {7, "TRISB", 0, 0x0086},   {7, "TRISB", 1, 0x0086},
        {3, "PCL", 0, 0x0802},     {13, "GPR0H2F", 0, 0x01AF}, {13, "GPR1H8C", 5, 0x018C},
        {2, "INDF", 1, 0x0580},    {4, "FSR", 0, 0x0404},     {5, "PCLATH", 1, 0x068A},
        {8, "TMR0", 0, 0x0A81},    {9, "OPTION", 1, 0x0301},  {10, "EEDATA", 0, 0x0988},
        {11, "PORTA", 1, 0x0D05},  {12, "PORTB", 0, 0x0E86},  {20, "EEADR", 0, 0x0F89},
        {21, "INTCON", 1, 0x0B0B}, {35, "EECON2", 0, 0x0C89}, {35, "<Reserved>", 1, 0x0C07},
        {1, "GPR1HAF", -5, 0x07AF},  // any nonzero destination means f for addwf
    };
    for (const Row& row : rows)
        EXPECT_EQ(encode(row.code, row.operand, row.destination), row.word)
            << row.code << " " << row.operand << " " << row.destination;
}

TEST_F(EncodeLineTest, RenamedRegistersResolveByPosition)
{
    doc.registerFile0.rename(0x20, "COUNT");
    doc.registerFile1.rename(0xA0, "SAVE");
    EXPECT_EQ(encode(7, "COUNT"), 0x00A0);
    EXPECT_EQ(encode(7, "SAVE"), 0x00A0);
    EXPECT_EQ(encode(7, "GPR0H20", 0, OperandError::Register), -1);
}

TEST_F(EncodeLineTest, BitInstructionsTakeNamedAndNumberedBits)
{
    doc.userBits.insert("LED", 6, 0, 0x86);
    struct Row {
        int code;
        std::string_view operand;
        int word;
    };
    const Row rows[] = {
        {16, "STATUS,5", 0x1683}, {17, "C", 0x1003},     {19, "PORTA,7", 0x1B85},
        {18, "Z", 0x1D03},        {16, "RP0", 0x1683},   {17, "LED", 0x1306},
        {18, "TRISB,0", 0x1C06},  {19, "GIE", 0x1B8B},   {16, "NOT_RBPU", 0x1781},
        {17, "GPR0H0C,4", 0x120C},
    };
    for (const Row& row : rows)
        EXPECT_EQ(encode(row.code, row.operand), row.word) << row.code << " " << row.operand;
}

TEST_F(EncodeLineTest, LiteralInstructionsTakeNumbersAndLiteralNames)
{
    doc.literals.insert("FIVE", "B'00000101'");
    doc.literals.insert("TOP", "255");
    struct Row {
        int code;
        std::string_view operand;
        int word;
    };
    const Row rows[] = {
        {24, "H'FF'", 0x30FF}, {24, "'A'", 0x3041}, {24, "FIVE", 0x3005}, {22, "TOP", 0x3EFF},
        {23, "b'10101010'", 0x39AA}, {25, "0", 0x3800}, {26, "h'0f'", 0x3A0F}, {29, "200", 0x34C8},
        {34, "", 0x3C00},
    };
    for (const Row& row : rows)
        EXPECT_EQ(encode(row.code, row.operand), row.word) << row.code << " " << row.operand;
    EXPECT_TRUE(screen.messages.empty());
}

TEST_F(EncodeLineTest, ControlInstructionsHaveFixedWords)
{
    const std::pair<int, int> rows[] = {
        {14, 0x0100}, {15, 0x0000}, {30, 0x0009}, {31, 0x0064}, {32, 0x0063}, {33, 0x0008},
    };
    for (auto [code, word] : rows)
        EXPECT_EQ(encode(code, {}, 1), word) << code;
}

TEST_F(EncodeLineTest, JumpsTakeTheLabelsAssembledAddress)
{
    doc.labels.insert("FAR", "300");
    doc.labels.insert("TOP", "0");
    doc.labels.insert("END", "1023");
    EXPECT_EQ(encode(27, "FAR"), 0x292C);
    EXPECT_EQ(encode(28, "TOP"), 0x2000);
    EXPECT_EQ(encode(27, "END"), 0x2BFF);
    EXPECT_EQ(encode(28, "END"), 0x23FF);
}

TEST_F(EncodeLineTest, UnresolvedOperandsAppendNothingAndSayWhichKind)
{
    doc.literals.insert("ODD", "H'1'");
    doc.literals.insert("CHAIN", "FIVE");
    EXPECT_EQ(encode(1, "NOSUCH", 0, OperandError::Register), -1);
    EXPECT_EQ(encode(7, "", 0, OperandError::Register), -1);
    EXPECT_EQ(encode(16, "STATUS,9", 0, OperandError::Bit), -1);
    EXPECT_EQ(encode(27, "MISSING", 0, OperandError::Label), -1);
    doc.labels.insert("NOWHERE", "");  // in the table but on no line: no address to jump to
    EXPECT_EQ(encode(28, "NOWHERE", 0, OperandError::Label), -1);
    EXPECT_EQ(encode(24, "COUNT", 0, OperandError::Literal), -1);
    EXPECT_EQ(encode(24, "CHAIN", 0, OperandError::Literal), -1);
    EXPECT_TRUE(screen.messages.empty());

    EXPECT_EQ(encode(24, "300", 0, OperandError::Literal), -1);
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Syntax error:'300'"});
    // A literal whose stored value is malformed fails instead of encoding some constant.
    EXPECT_EQ(encode(24, "ODD", 0, OperandError::Literal), -1);
    EXPECT_EQ(screen.texts().back(), "Syntax error:'H'1''");
}

TEST_F(EncodeLineTest, OrgMovesTheNextAddressAndOtherLinesGiveNothing)
{
    ProgramLine org;
    org.code = kOrgCode;
    org.setOperand("H'10'");
    image.reset();
    EXPECT_EQ(EncodeLine(org, doc, screen, image), OperandError::None);
    EXPECT_EQ(image.count(), 0);
    EXPECT_EQ(image.nextAddress(), 0x20);

    org.setOperand("junk");  // refused by the address pass; here it just moves nothing
    EXPECT_EQ(EncodeLine(org, doc, screen, image), OperandError::None);
    EXPECT_EQ(image.nextAddress(), 0x20);

    for (int code : {kHeaderCode, kBlankCode, 0, 36, 99, 103, -1}) {
        ProgramLine line;
        line.code = code;
        line.setOperand("STATUS");
        EXPECT_EQ(EncodeLine(line, doc, screen, image), OperandError::None) << code;
    }
    EXPECT_EQ(image.count(), 0);
}

TEST_F(EncodeLineTest, WordsBeyondProgramMemoryAreRefused)
{
    ProgramLine org;
    org.code = kOrgCode;
    org.setOperand("1023");
    EncodeLine(org, doc, screen, image);
    ProgramLine nop;
    nop.code = 15;
    EXPECT_EQ(EncodeLine(nop, doc, screen, image), OperandError::None);
    EXPECT_EQ(EncodeLine(nop, doc, screen, image), OperandError::NoRoom);
    EXPECT_EQ(image.count(), 2);
    EXPECT_EQ(image.addressAt(1), 2047);
}

} // namespace
} // namespace tarvik
