// The export's own rules beyond what random programs reach: names the assembler reserves,
// the layout the importer reads back, and writing the file.

#include "assembler/ConvertToHex.h"
#include "mpasm/MpasmExport.h"

#include "../assembler/HexText.h"
#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarvik {
namespace {

using test::ProgramBuilder;

class MpasmExport : public ::testing::Test {
protected:
    std::string exported()
    {
        test::FakeScreen screen;
        std::string source;
        EXPECT_TRUE(exportMpasmSource(doc, screen, source)) << ::testing::PrintToString(screen.texts());
        return source;
    }

    // gpasm's image of the source, clrw taken as ours, with its messages.
    std::pair<test::MemoryImage, std::string> gpasm(const std::string& source)
    {
        std::ofstream(dir.path("x.asm")) << source;
        std::system(("cd '" + dir.root().string() + "' && gpasm -a inhx8m x.asm > x.log 2>&1").c_str());
        auto memory = test::parseIntelHex(test::readWholeFile(dir.path("x.hex"))).value_or(test::MemoryImage{});
        for (auto& [address, byte] : memory)
            if (address % 2 == 0 && byte == 0x03 && memory[address + 1] == 0x01)
                byte = 0;
        return {memory, test::readWholeFile(dir.path("x.log"))};
    }

    test::MemoryImage ours()
    {
        test::FakeScreen screen;
        HexImage image;
        EXPECT_TRUE(assembleProgram(doc, screen, image));
        return test::memoryOf(image);
    }

    test::TempDir dir;
    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
};

TEST_F(MpasmExport, NamesTheAssemblerReservesGetAnUnderscoreAndUnwritableNamesTheirNumber)
{
    doc.registerFile0.rename(0x20, "W");
    doc.userRegisters0.insert("W", 0x20);
    doc.literals.insert("high", "7");
    doc.userBits.insert("Org", 3, 0, 0x20);
    ProgramBuilder p(doc);
    p.line(3, "W", 1, "end");
    p.line(24, "high", 0, "Goto");
    p.line(16, "Org");
    p.line(7, "<Reserved>");
    p.line(27, "end");
    p.line(28, "Goto");
    const std::string source = exported();
    for (const char* expected : {"_end    movf    _W,F", "_Goto   movlw   _high", "bsf     _W,_Org", "movwf   0x07",
                                 "goto    _end", "call    _Goto"})
        EXPECT_NE(source.find(expected), std::string::npos) << expected << "\n" << source;
    const auto [theirs, log] = gpasm(source);
    EXPECT_EQ(log, "");
    EXPECT_EQ(theirs, ours());
}

// Only a file written elsewhere holds one name in two tables; the image must still be ours.
TEST_F(MpasmExport, NameInTwoTablesOfAForeignFileStillGivesOurImage)
{
    doc.literals.insert("TWICE", "9");
    ProgramBuilder p(doc);
    p.line(24, "TWICE", 0, "TWICE");
    p.line(27, "TWICE");
    const auto [theirs, log] = gpasm(exported());
    EXPECT_EQ(log, "");
    EXPECT_EQ(theirs, ours());
}

TEST_F(MpasmExport, InactiveLinesAreCommentsAndLabelsAnInactiveOrgMovedAreDefinedByEqu)
{
    doc.comments.append("unused");
    ProgramBuilder p(doc);
    p.line(15);
    p.inactive(15, {}, "IDLE").commentIndex = doc.comments.append("not now");
    p.org("H'80'", LineState::Inactive);
    p.line(27, "MOVED", 0, "MOVED");
    p.blank().commentIndex = doc.comments.append("alone");
    p.org("h'100'").setLabel("TOP");
    doc.labels.insert("TOP", {});
    p.line(27, "IDLE");
    const std::string source = exported();
    const std::string expected =
        "IDLE    equ     1               ; label\n"
        "MOVED   equ     128             ; label\n"
        "        nop\n"
        ";#IDLE    nop                     ; not now\n"
        ";#        org     H'80'\n"
        ";@MOVED\n"
        "        goto    MOVED\n"
        "; alone\n"
        "TOP     org     h'100'\n"
        "        goto    IDLE\n"
        "        end\n";
    ASSERT_GE(source.size(), expected.size());
    EXPECT_EQ(source.substr(source.size() - expected.size()), expected) << source;
    const auto [theirs, log] = gpasm(source);
    EXPECT_EQ(log, "");
    EXPECT_EQ(theirs, ours());
}

TEST_F(MpasmExport, FileIsWrittenOnlyForAProgramThatAssemblesAndNeverOverTheProgram)
{
    ProgramBuilder(doc).line(15);
    test::FakeScreen screen;
    ASSERT_TRUE(exportMpasmFile(doc, screen, dir.path("ok.asm")));
    EXPECT_EQ(test::readWholeFile(dir.path("ok.asm")), exported());

    std::ofstream(dir.path("prog.qel")) << "program";
    doc.fileName = dir.path("prog.qel");
    doc.untitled = false;
    EXPECT_FALSE(exportMpasmFile(doc, screen, dir.path("./prog.qel")));
    EXPECT_EQ(test::readWholeFile(dir.path("prog.qel")), "program");
    EXPECT_FALSE(exportMpasmFile(doc, screen, dir.path("nofolder/x.asm")));

    ProgramBuilder(doc).line(7, "NOSUCH");
    EXPECT_FALSE(exportMpasmFile(doc, screen, dir.path("bad.asm")));
    EXPECT_FALSE(std::filesystem::exists(dir.path("bad.asm")));
    EXPECT_EQ(screen.texts(), (std::vector<std::string>{
        "The MPASM file " + dir.path("./prog.qel") + " would overwrite the program!",
        screen.texts().at(1),
        "Error in line 2: symbol not previously defined (NOSUCH)."}));
    EXPECT_EQ(screen.texts().at(1).rfind("The MPASM file " + dir.path("nofolder/x.asm") + " could not be written!", 0), 0u);
}

} // namespace
} // namespace tarvik
