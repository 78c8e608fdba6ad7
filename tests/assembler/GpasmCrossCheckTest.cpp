// The same programs built as .qel files and written by hand as MPASM source: our HEX file and
// the one gpasm makes must describe the same program memory.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"

#include "FakeScreen.h"
#include "HexText.h"
#include "ProgramBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace tarvik {
namespace {

using test::ProgramBuilder;

// Destination values as the dialogs store them: addwf..xorwf count 0 as W, the others as f.
constexpr int kToW = 0;
constexpr int kToF = 1;
constexpr int kZeroIsF = 0;
constexpr int kZeroIsFToW = 1;

void buildByteOps(ProgramDocument& doc)
{
    doc.registerFile0.rename(0x20, "COUNT");
    doc.userRegisters0.insert("COUNT", 0x20);
    doc.registerFile1.rename(0xA1, "SAVE");
    doc.userRegisters1.insert("SAVE", 0xA1);
    ProgramBuilder p(doc);
    p.line(1, "COUNT", kToW);
    p.line(1, "COUNT", kToF);
    p.line(2, "PORTB", kToW);
    p.line(2, "FSR", kToF);
    p.line(3, "PCL", kToW);
    p.line(3, "TMR0", kToF);
    p.line(4, "INDF", kToW);
    p.line(4, "PCLATH", kToF);
    p.line(5, "EEDATA", kToW);
    p.line(5, "EEADR", kToF);
    p.line(6, "STATUS", kZeroIsF);
    p.line(6, "SAVE", kZeroIsFToW);
    p.line(7, "TRISA");
    p.line(8, "COUNT", kZeroIsF);
    p.line(8, "INTCON", kZeroIsFToW);
    p.line(9, "OPTION", kZeroIsF);
    p.line(9, "GPR0H0C", kZeroIsFToW);
    p.line(10, "PORTA", kZeroIsF);
    p.line(10, "EECON1", kZeroIsFToW);
    p.line(11, "COUNT", kZeroIsF);
    p.line(11, "COUNT", kZeroIsFToW);
    p.line(12, "SAVE", kZeroIsF);
    p.line(12, "TRISB", kZeroIsFToW);
    p.line(13, "COUNT");
    p.line(13, "EECON2");
    p.line(20, "COUNT", kZeroIsF);
    p.line(20, "COUNT", kZeroIsFToW);
    p.line(21, "SAVE", kZeroIsF);
    p.line(21, "PORTB", kZeroIsFToW);
    p.line(35, "COUNT", kZeroIsF);
    p.line(35, "STATUS", kZeroIsFToW);
    p.line(14);
    p.line(15);
    p.line(7, "GPR1HAF");
}

void buildBitOps(ProgramDocument& doc)
{
    doc.registerFile0.rename(0x20, "COUNT");
    doc.userRegisters0.insert("COUNT", 0x20);
    doc.userBits.insert("LED", 6, 0, 0x06);
    doc.userBits.insert("FLAG", 0, 0, 0x20);
    doc.userBits.insert("RA4DIR", 4, 0, 0x85);
    ProgramBuilder p(doc);
    p.line(16, "RP0", 0, "MAIN");
    p.line(17, "TRISB,0");
    p.line(17, "NOT_RBPU");
    p.line(16, "WREN");
    p.line(17, "STATUS,5");
    p.line(18, "INTF", 0, "WAIT");
    p.line(27, "WAIT");
    p.line(19, "C");
    p.line(27, "CARRY");
    p.line(18, "Z");
    p.line(16, "LED");
    p.line(17, "RB7");
    p.line(19, "RA3");
    p.line(16, "PORTA,7");
    p.line(16, "FLAG", 0, "CARRY");
    p.line(18, "COUNT,3");
    p.line(17, "GPR1H8C,7");
    p.line(19, "INTCON,1");
    p.line(16, "GIE");
    p.line(17, "RA4DIR");
    p.line(18, "NOT_TO");
    p.line(27, "MAIN");
}

void buildLiterals(ProgramDocument& doc)
{
    doc.literals.insert("MAXV", "250");
    doc.literals.insert("MASK", "H'0F'");
    doc.literals.insert("PATTERN", "B'10101010'");
    doc.literals.insert("LETTER", "'Q'");
    ProgramBuilder p(doc);
    p.line(27, "START");
    p.org("4");
    p.line(30, {}, 0, "ISR");
    p.line(24, "0", 0, "START");
    p.line(24, "255");
    p.line(22, "200");
    p.line(23, "H'1f'");
    p.line(25, "h'FF'");
    p.line(26, "B'00001111'");
    p.line(34, "b'10000000'");
    p.line(24, "'A'");
    p.line(22, "'z'");
    p.line(23, "'0'");
    p.line(24, "MAXV");
    p.line(23, "MASK");
    p.line(26, "PATTERN");
    p.line(25, "LETTER");
    p.line(24, "");
    p.line(28, "TABLE");
    p.line(28, "SUB");
    p.line(31);
    p.line(32);
    p.line(14);
    p.line(15);
    p.line(27, "START");
    p.line(29, "1", 0, "TABLE");
    p.line(29, "H'02'");
    p.line(29, "B'00000011'");
    p.line(29, "'4'");
    p.line(33, {}, 0, "SUB");
}

void buildOrgs(ProgramDocument& doc)
{
    ProgramBuilder p(doc);
    p.org("0").setLabel("TOP");
    doc.labels.insert("TOP", {});
    p.line(27, "FAR");
    p.line(15);
    p.org("H'10'");
    p.blank("LOOP");
    p.line(28, "TOP");
    p.line(27, "LOOP");
    p.org("100");
    p.inactive(15, {}, "IDLE");
    p.line(15);
    p.org("H'80'", LineState::Inactive);
    p.line(27, "MOVED", 0, "MOVED");
    p.line(27, "IDLE");
    p.org("300");
    p.line(28, "LAST", 0, "FAR");
    p.line(27, "GAP");
    p.org("h'200'");
    p.line(15, {}, 0, "GAP");
    p.org("1022");
    p.line(15);
    p.line(33, {}, 0, "LAST");
}

void buildBlink(ProgramDocument& doc)
{
    doc.registerFile0.rename(0x0D, "WSAVE");
    doc.userRegisters0.insert("WSAVE", 0x0D);
    doc.registerFile0.rename(0x0E, "DCOUNT");
    doc.userRegisters0.insert("DCOUNT", 0x0E);
    doc.literals.insert("ONE", "1");
    doc.literals.insert("COUNTINIT", "200");
    ProgramBuilder p(doc);
    p.line(27, "START");
    p.org("4");
    p.line(7, "WSAVE", 0, "ISR");
    p.line(17, "INTF");
    p.line(12, "WSAVE", kZeroIsF);
    p.line(12, "WSAVE", kZeroIsFToW);
    p.line(30);
    p.blank("START");
    p.line(16, "RP0", 0, {}, LineState::Selected);
    p.line(24, "B'00000000'");
    p.line(7, "TRISB");
    p.line(24, "H'FF'");
    p.line(7, "TRISA");
    p.line(17, "STATUS,5");
    p.line(13, "PORTB");
    p.line(16, "GIE");
    p.blank("BLINK");
    p.line(24, "ONE");
    p.line(5, "PORTB", kToF);
    p.line(28, "DELAY");
    p.inactive(28, "DELAY");
    p.line(27, "BLINK");
    p.line(24, "COUNTINIT", 0, "DELAY");
    p.line(7, "DCOUNT");
    p.line(31, {}, 0, "DLOOP");
    p.line(21, "DCOUNT", kZeroIsF, {}, LineState::Selected);
    p.line(27, "DLOOP");
    p.line(33);
}

// Builds the program, saves and reloads it as a .qel file, converts it, assembles the MPASM
// source of the same name with gpasm and compares the two HEX files' memory images.
void crossCheck(const std::string& name, const std::function<void(ProgramDocument&)>& build, int words)
{
    test::TempDir dir;
    DeviceDefaults defaults;
    {
        ProgramDocument doc(defaults);
        build(doc);
        ASSERT_EQ(writeProgramFile(dir.path(name + ".qel"), doc), WriteStatus::Ok);
    }
    ReadOutcome read = readProgramFile(dir.path(name + ".qel"), defaults);
    ASSERT_EQ(read.status, ReadStatus::Ok);

    test::FakeScreen screen;
    HexImage image;
    const ConvertOutcome outcome = convertToHex(*read.document, screen, image, dir.path("tarvik.hex"));
    ASSERT_EQ(outcome.status, ConvertStatus::Written) << ::testing::PrintToString(screen.texts());
    EXPECT_EQ(image.count(), 2 * words);

    std::filesystem::copy_file(std::string(TARVIK_TEST_DATA_DIR) + "/asm/" + name + ".asm",
                               dir.path(name + ".asm"));
    const std::string command = "cd '" + dir.root().string() + "' && gpasm -a inhx8m " + name
        + ".asm > gpasm.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << "gpasm failed or is missing (scripts/install-deps.sh installs gputils):\n"
        << test::readWholeFile(dir.path("gpasm.log"));

    const auto ours = test::parseIntelHex(test::readWholeFile(dir.path("tarvik.hex")));
    const auto theirs = test::parseIntelHex(test::readWholeFile(dir.path(name + ".hex")));
    ASSERT_TRUE(ours.has_value());
    ASSERT_TRUE(theirs.has_value());
    for (const auto& [address, byte] : *theirs) {
        const auto it = ours->find(address);
        if (it == ours->end() || it->second != byte) {
            ADD_FAILURE() << "first difference at byte address " << address;
            break;
        }
    }
    EXPECT_EQ(*ours, *theirs);
}

TEST(GpasmCrossCheck, ByteOperationsWithBothDestinations) { crossCheck("byteops", buildByteOps, 34); }
TEST(GpasmCrossCheck, BitOperationsByNameAndByNumber) { crossCheck("bitops", buildBitOps, 22); }
TEST(GpasmCrossCheck, LiteralsInEveryNotationAndControl) { crossCheck("literals", buildLiterals, 29); }
TEST(GpasmCrossCheck, OrgGapsAndLabelPlacement) { crossCheck("orgs", buildOrgs, 12); }
TEST(GpasmCrossCheck, WholeProgram) { crossCheck("blink", buildBlink, 24); }

} // namespace
} // namespace tarvik
