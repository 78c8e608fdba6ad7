// tarvik-asm --import run as a process: a program file written, or a refusal on standard
// error with exit status 1 and nothing written.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"

#include "FakeScreen.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

namespace tarvik {
namespace {

class ImportCommand : public ::testing::Test {
protected:
    struct Outcome {
        int exitCode;
        std::string err;
    };

    Outcome run(const std::string& args)
    {
        const std::string command = "cd '" + dir.root().string() + "' && '" + TARVIK_ASM_PATH + "' " + args
            + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        std::ifstream in(dir.path("err.txt"));
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    }

    void write(const std::string& name, const std::string& text) { std::ofstream(dir.path(name)) << text; }

    test::TempDir dir;
};

TEST_F(ImportCommand, WritesTheProgramWithItsDeviceAndConfigurationWord)
{
    write("blink.asm", "        list p=16f84a\n"
                       "        #include <p16f84a.inc>\n"
                       "        __config _XT_OSC & _WDT_OFF\n"
                       "start   bsf PORTB,0\n"
                       "        goto start\n"
                       "        end\n");
    const Outcome outcome = run("--import blink.asm");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, "");

    DeviceDefaults defaults;
    ReadOutcome read = readProgramFile(dir.path("blink.qel"), defaults);
    ASSERT_EQ(read.status, ReadStatus::Ok);
    test::FakeScreen screen;
    HexImage image;
    EXPECT_EQ(read.document->device(), Device::Pic16F84A);
    EXPECT_EQ(read.document->configWord, 0x3FF9);
    EXPECT_TRUE(assembleProgram(*read.document, screen, image));
    EXPECT_EQ(image.count(), 4 + 2);

    EXPECT_EQ(run("--import blink.asm -o other.qel").exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path("other.qel")));

    // --device names the chip of a source that names none, and must agree with one that does.
    write("bare.asm", "        movwf 0x4F\n        end\n");
    EXPECT_EQ(run("--import bare.asm").exitCode, 1);
    EXPECT_EQ(run("--import bare.asm --device PIC16F84").exitCode, 0);
    EXPECT_EQ(readProgramFile(dir.path("bare.qel"), defaults).document->device(), Device::Pic16F84);
    EXPECT_EQ(run("--import blink.asm --device 16c84").exitCode, 1);
    EXPECT_EQ(run("--import blink.asm --device 16x84").exitCode, 2);
    EXPECT_EQ(run("--device 16f84 blink.qel").exitCode, 2);
}

TEST_F(ImportCommand, RefusesWithTheLineAndWritesNothing)
{
    write("macro.asm", "        nop\nwait    macro\n        endm\n");
    write("old.qel", "old contents");
    const Outcome outcome = run("--import macro.asm -o old.qel");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "macro.asm:2: macros cannot be imported\n");
    std::ifstream in(dir.path("old.qel"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "old contents");
    EXPECT_FALSE(std::filesystem::exists(dir.path("macro.qel")));

    EXPECT_EQ(run("--import missing.asm").exitCode, 2);
    EXPECT_EQ(run("--import macro.asm -o macro.asm").exitCode, 2);
    EXPECT_EQ(run("--import --export macro.asm").exitCode, 2);
}

TEST_F(ImportCommand, CharacterLatin1CannotHoldIsWrittenAsAQuestionMarkWithANote)
{
    write("euro.asm", "        nop     ; caf\xC3\xA9 \xE2\x82\xAC\n");
    const Outcome outcome = run("--import euro.asm");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, "euro.asm:1: U+20AC written as ?: program text holds only Latin-1 characters\n");
    DeviceDefaults defaults;
    ReadOutcome read = readProgramFile(dir.path("euro.qel"), defaults);
    ASSERT_EQ(read.status, ReadStatus::Ok);
    const ProgramLine& line = *read.document->lines.first()->next;
    EXPECT_EQ(read.document->comments.textAt(line.commentIndex), "caf\xE9 ?");
}

} // namespace
} // namespace tarvik
