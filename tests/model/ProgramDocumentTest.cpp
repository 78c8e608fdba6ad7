#include "model/DeviceDefaults.h"
#include "model/ProgramDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvik {
namespace {

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

// The 7-bit file address a name resolves to: its position in bank 0, else in bank 1.
int fileAddressOf(const ProgramDocument& doc, std::string_view name)
{
    if (int position = doc.registerFile0.positionOf(name))
        return position - 1;
    if (int position = doc.registerFile1.positionOf(name))
        return position - 1;
    return -1;
}

TEST(DeviceDefaults, HoldsTheChipsNamesInTheirOrder)
{
    const DeviceDefaults& device = defaults();
    ASSERT_EQ(device.bank0().count(), 12);
    ASSERT_EQ(device.bank1().count(), 12);
    EXPECT_EQ(device.bank0().find(0x07)->nameText(), "<Reserved>");
    EXPECT_EQ(device.bank1().find(0x81)->nameText(), "OPTION");
    EXPECT_EQ(device.bank1().find(0x8B)->nameText(), "INTCON");

    const BitTable& bits = device.bits();
    ASSERT_EQ(bits.count(), 57);
    struct Row {
        int index;
        const char* name;
        int bit;
        int banks;
        int address;
    };
    const Row rows[] = {
        {0, "C", 0, 2, 0x03},       {7, "IRP", 7, 2, 0x03},      {8, "RBIF", 0, 2, 0x0B},
        {16, "PS0", 0, 1, 0x81},    {28, "EEIF", 4, 1, 0x88},    {29, "RB0", 0, 1, 0x06},
        {37, "RA0", 0, 1, 0x05},    {40, "RA3", 3, 1, 0x05},     {41, "C", 0, 2, 0x83},
        {56, "GIE", 7, 2, 0x8B},
    };
    for (const Row& row : rows) {
        const BitEntry* entry = bits.at(row.index);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->nameText(), row.name) << row.index;
        EXPECT_EQ(entry->bit, row.bit) << row.index;
        EXPECT_EQ(entry->banks, row.banks) << row.index;
        EXPECT_EQ(entry->address, row.address) << row.index;
    }
    EXPECT_EQ(bits.find("RP0")->address, 0x03) << "a name present in both banks finds bank 0";
    EXPECT_EQ(bits.find(0x05, 4), nullptr) << "RA4 has no default name";
}

TEST(DeviceDefaults, MirroredRegistersAreThoseOfBothBanks)
{
    for (int address : {0x00, 0x02, 0x03, 0x04, 0x0A, 0x0B, 0x80, 0x83, 0x8B})
        EXPECT_TRUE(isMirroredSfr(address)) << address;
    for (int address : {0x01, 0x05, 0x06, 0x07, 0x0C, 0x81, 0x85, 0x88, 0x8C, 0x2F})
        EXPECT_FALSE(isMirroredSfr(address)) << address;
}

TEST(ProgramDocument, ANewDocumentHoldsItsHeaderLineAndBothRegisterFiles)
{
    const ProgramDocument doc(defaults());
    ASSERT_EQ(doc.lines.count(), 1);
    EXPECT_EQ(doc.lines.first()->code, kHeaderCode);
    EXPECT_EQ(doc.lines.cursor(), doc.lines.first());
    EXPECT_TRUE(doc.untitled);
    EXPECT_FALSE(doc.modified);
    EXPECT_FALSE(doc.editMode);
    EXPECT_TRUE(doc.pendingComment.empty());
    EXPECT_EQ(doc.userRegisters0.base(), 12);
    EXPECT_EQ(doc.userRegisters1.base(), 140);

    for (int bank : {0, 1}) {
        const RegisterTable& file = bank ? doc.registerFile1 : doc.registerFile0;
        ASSERT_EQ(file.count(), 48);
        for (int i = 0; i < 48; ++i)
            EXPECT_EQ(file.at(i)->address, bank * 0x80 + i) << bank << ":" << i;
        EXPECT_EQ(file.at(7)->nameText(), "<Reserved>");
    }
    EXPECT_EQ(doc.registerFile0.at(12)->nameText(), "GPR0H0C");
    EXPECT_EQ(doc.registerFile0.at(47)->nameText(), "GPR0H2F");
    EXPECT_EQ(doc.registerFile1.at(12)->nameText(), "GPR1H8C");
    EXPECT_EQ(doc.registerFile1.at(47)->nameText(), "GPR1HAF");
}

TEST(ProgramDocument, RegisterNamesResolveToTheirFileAddress)
{
    const ProgramDocument doc(defaults());
    struct Row {
        const char* name;
        int address;
    };
    const Row rows[] = {
        {"STATUS", 0x03}, {"OPTION", 0x01}, {"GPR0H0C", 0x0C}, {"GPR1HAF", 0x2F},
        {"TRISB", 0x06},  {"INTCON", 0x0B}, {"<Reserved>", 0x07}, {"status", -1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fileAddressOf(doc, row.name), row.address) << row.name;
    EXPECT_EQ(doc.registerFile1.positionOf("OPTION"), 2);
}

TEST(ProgramDocument, OneNameSpaceCoversEveryTableAndTheDefaultBits)
{
    ProgramDocument doc(defaults());
    doc.registerFile0.rename(0x0C, "COUNT");
    doc.registerFile1.rename(0x8D, "BUF");
    doc.labels.insert("LOOP", "");
    doc.userBits.insert("LED", 2, 0, 0x06);
    doc.literals.insert("STEP", "1");
    for (const char* name : {"COUNT", "BUF", "LOOP", "LED", "STEP", "GIE", "OPTION", "PORTA", "GPR1H8C"})
        EXPECT_TRUE(doc.nameInUse(name)) << name;
    for (const char* name : {"GPR0H0C", "count", "", "FREE"})
        EXPECT_FALSE(doc.nameInUse(name)) << name;
}

TEST(ProgramDocument, ALocationFallsBackToItsDefaultName)
{
    const ProgramDocument doc(defaults());
    struct Row {
        int address;
        const char* name;
    };
    const Row rows[] = {{0x0C, "GPR0H0C"}, {0x2F, "GPR0H2F"}, {0x8C, "GPR1H8C"}, {0xAF, "GPR1HAF"},
                        {0x06, "PORTB"},   {0x86, "TRISB"},   {0x81, "OPTION"},  {0x07, "<Reserved>"}};
    for (const Row& row : rows)
        EXPECT_EQ(doc.defaultNameOf(row.address), row.name) << row.address;
}

} // namespace
} // namespace tarvik
