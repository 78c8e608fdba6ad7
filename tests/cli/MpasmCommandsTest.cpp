// tarvik-asm --export and --list run as processes.

#include "files/ProgramFile.h"

#include "../assembler/HexText.h"
#include "../assembler/ProgramBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace tarvik {
namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class MpasmCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.registerFile0.rename(0x20, "COUNT");
        doc.userRegisters0.insert("COUNT", 0x20);
        doc.literals.insert("MAXV", "H'FA'");
        test::ProgramBuilder p(doc);
        p.line(24, "MAXV", 0, "START");
        p.line(7, "COUNT");
        p.line(14);
        p.line(21, "COUNT", 0, "LOOP").commentIndex = doc.comments.append("count down");
        p.line(27, "LOOP");
        ASSERT_EQ(writeProgramFile(dir.path("prog.qel"), doc), WriteStatus::Ok);
    }

    Outcome run(const std::string& args)
    {
        const std::string command = "cd '" + dir.root().string() + "' && '" + TARVIK_ASM_PATH + "' " + args
            + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readWholeFile(dir.path("out.txt")),
                test::readWholeFile(dir.path("err.txt"))};
    }

    test::TempDir dir;
    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
};

TEST_F(MpasmCommands, ExportGoesToStandardOutputOrTheFileAndGpasmMakesTheSameImage)
{
    const Outcome toStdout = run("--export prog.qel");
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_NE(toStdout.out.find("START   movlw   MAXV"), std::string::npos) << toStdout.out;

    ASSERT_EQ(run("--export prog.qel -o prog.asm").exitCode, 0);
    EXPECT_EQ(test::readWholeFile(dir.path("prog.asm")), toStdout.out);
    ASSERT_EQ(run("-o ours.hex prog.qel").exitCode, 0);
    ASSERT_EQ(std::system(("cd '" + dir.root().string() + "' && gpasm -a inhx8m prog.asm > gpasm.log 2>&1").c_str()), 0)
        << test::readWholeFile(dir.path("gpasm.log"));
    auto theirs = test::parseIntelHex(test::readWholeFile(dir.path("prog.hex")));
    ASSERT_TRUE(theirs.has_value());
    (*theirs)[4] = 0x00;  // clrw: 0x0103 from gpasm, 0x0100 from us
    EXPECT_EQ(theirs, test::parseIntelHex(test::readWholeFile(dir.path("ours.hex"))));
}

TEST_F(MpasmCommands, ListingShowsAddressesWordsAndSymbols)
{
    const Outcome listing = run("--list prog.qel");
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    for (const char* expected : {"   0            PROGRAM\n", "   1 0000 30FA  START   movlw   MAXV\n",
                                 "   3 0002 0100          clrw\n",
                                 "   4 0003 0BA0  LOOP    decfsz  COUNT,F         ; count down\n",
                                 "   5 0004 2803          goto    LOOP\n", "  LOOP             0003\n",
                                 "  COUNT            0x20\n", "  MAXV             H'FA' = 250\n"})
        EXPECT_NE(listing.out.find(expected), std::string::npos) << expected << "\n" << listing.out;
}

TEST_F(MpasmCommands, ProgramThatDoesNotAssembleGivesTheAssemblerMessageAndNoOutput)
{
    test::ProgramBuilder(doc).line(7, "NOSUCH");
    ASSERT_EQ(writeProgramFile(dir.path("bad.qel"), doc), WriteStatus::Ok);
    for (const std::string args : {"--export bad.qel -o bad.asm", "--list bad.qel", "--export bad.qel"}) {
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 1) << args;
        EXPECT_EQ(outcome.err, "bad.qel: Error in line 6: symbol not previously defined (NOSUCH).\n") << args;
        EXPECT_EQ(outcome.out, "") << args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("bad.asm")));
}

TEST_F(MpasmCommands, UnreadableProgramsAndWrongCommandLinesExitWithTwo)
{
    for (const std::string args : {"--export missing.qel", "--list missing.qel", "--export --list prog.qel",
                                   "--list prog.qel -o x.asm", "--export prog.qel -o prog.qel",
                                   "--export prog.qel -o nofolder/x.asm"})
        EXPECT_EQ(run(args).exitCode, 2) << args;
    EXPECT_EQ(test::readWholeFile(dir.path("prog.qel")).substr(0, 1), std::string(1, '\x10'));
}

} // namespace
} // namespace tarvik
