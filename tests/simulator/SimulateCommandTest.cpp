// tarvik-asm --simulate run as a process, and the program images it runs: assembled
// programs with each word's line, and Intel HEX files from other tools.

#include "simulator/SimProgram.h"

#include "files/ProgramFile.h"

#include "../assembler/HexText.h"
#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/wait.h>

namespace tarvik::sim {
namespace {

// The counting program below, as gpasm writes it (with an extended address record).
constexpr const char* kGpasmHex = ":020000040000FA\n:0E0000003C30A000A00A05200228013E0800A6\n:00000001FF\n";

void buildCounter(ProgramDocument& doc)
{
    doc.registerFile0.rename(0x20, "COUNT");
    doc.userRegisters0.insert("COUNT", 0x20);
    test::ProgramBuilder p(doc);
    p.line(24, "H'3C'");
    p.line(7, "COUNT");
    p.line(8, "COUNT", 0, "LOOP");
    p.line(28, "SUB");
    p.line(27, "LOOP");
    p.line(22, "1", 0, "SUB");
    p.line(33);
}

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class SimulateCommand : public ::testing::Test {
protected:
    Outcome run(const std::string& arguments)
    {
        const std::string command = "cd " + dir.root().string() + " && " + TARVIK_ASM_PATH + " "
            + arguments + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readWholeFile(dir.path("out.txt")),
                test::readWholeFile(dir.path("err.txt"))};
    }
    void save(const std::string& name, const std::function<void(ProgramDocument&)>& build)
    {
        ProgramDocument doc(defaults);
        build(doc);
        ASSERT_EQ(writeProgramFile(dir.path(name), doc), WriteStatus::Ok);
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir.path(name)) << text; }

    test::TempDir dir;
    DeviceDefaults defaults;
};

std::string row(const char* name, std::vector<std::pair<int, int>> values, int count)
{
    std::vector<int> bytes(static_cast<std::size_t>(count), 0);
    for (const auto& [index, value] : values)
        bytes[static_cast<std::size_t>(index)] = value;
    std::string text = name;
    char cell[4];
    for (int byte : bytes) {
        std::snprintf(cell, sizeof cell, " %02x", byte);
        text += cell;
    }
    return text + "\n";
}

TEST_F(SimulateCommand, PrintsTheStateOfAProgramFileAndOfTheSameHex)
{
    save("counter.qel", buildCounter);
    write("counter.hex", kGpasmHex);
    // movlw, movwf, incf, call: inside the subroutine with one return address.
    const std::string expected =
        "steps 4\ncycles 5\npc 0x005\nw 0x3c\nstack 0x004\n"
        + row("bank0", {{0x02, 0x05}, {0x03, 0x18}, {0x20, 0x3d}}, 48)
        + row("bank1", {{0x01, 0xff}, {0x02, 0x05}, {0x03, 0x18}, {0x05, 0x1f}, {0x06, 0xff}, {0x20, 0x3d}}, 48)
        + row("eeprom", {}, 64);
    for (const char* program : {"counter.qel", "counter.hex"}) {
        const Outcome result = run(std::string("--simulate 4 ") + program);
        EXPECT_EQ(result.exitCode, 0) << program;
        EXPECT_EQ(result.err, "") << program;
        EXPECT_EQ(result.out, expected) << program;
    }
    // Round and round: the stack line stands alone once the subroutine has returned.
    const Outcome longer = run("--simulate 7 counter.qel");
    EXPECT_EQ(longer.out.substr(0, longer.out.find("bank0")), "steps 7\ncycles 10\npc 0x002\nw 0x3d\nstack\n");
    EXPECT_EQ(run("--simulate 300 counter.hex").out, run("--simulate 300 counter.qel").out);
}

TEST_F(SimulateCommand, AHexFileRunsOnTheChipDeviceNames)
{
    write("counter.hex", kGpasmHex);
    save("counter.qel", buildCounter);
    // The F84s have RAM to 0x4f: the rows grow, and 0x20 is counted in either.
    const Outcome f84 = run("--simulate 4 --device 16F84A counter.hex");
    EXPECT_EQ(f84.exitCode, 0);
    EXPECT_NE(f84.out.find(row("bank0", {{0x02, 0x05}, {0x03, 0x18}, {0x20, 0x3d}}, 80)), std::string::npos) << f84.out;
    EXPECT_EQ(run("--simulate 4 --device 16C84 counter.hex").out, run("--simulate 4 counter.hex").out);

    // A program file says its chip itself; --device alone, or a wrong name, is a usage error.
    const Outcome other = run("--simulate 4 --device 16F84 counter.qel");
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_EQ(other.err, "counter.qel: the program is for the PIC16C84; --device chooses the chip of a HEX file only\n");
    EXPECT_EQ(run("--simulate 4 --device 16C84 counter.qel").exitCode, 0);
    EXPECT_EQ(run("--device 16F84 counter.qel").exitCode, 2);
    EXPECT_EQ(run("--simulate 4 --device 12F675 counter.hex").exitCode, 2);
}

TEST_F(SimulateCommand, StopsAtSleepWithNoWakeUpSource)
{
    save("sleep.qel", [](ProgramDocument& doc) {
        test::ProgramBuilder p(doc);
        p.line(24, "7");
        p.line(32);
        p.line(24, "9");
    });
    const Outcome result = run("--simulate 1000 sleep.qel");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.substr(0, result.out.find("stack")), "steps 2\ncycles 2\npc 0x002\nw 0x07\n");
}

TEST_F(SimulateCommand, RefusesWhatCannotRun)
{
    save("broken.qel", [](ProgramDocument& doc) { test::ProgramBuilder(doc).line(27, "NOWHERE"); });
    const Outcome broken = run("--simulate 10 broken.qel");
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(broken.err, "broken.qel: Error in line 1: symbol not previously defined (NOWHERE).\n");

    write("bad.hex", ":0400000000300A28A1\n:00000001FF\n");
    const Outcome bad = run("--simulate 10 bad.hex");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "bad.hex: not a usable Intel HEX file (line 1: bad checksum)\n");
    EXPECT_EQ(bad.out, "");

    EXPECT_EQ(run("--simulate 10 missing.qel").exitCode, 2);
    EXPECT_EQ(run("--simulate ten bad.hex").exitCode, 2);
    EXPECT_EQ(run("--simulate").exitCode, 2);
}

TEST(SimProgram, WordsMapBackToTheirLinesAcrossOrgAndInactiveLines)
{
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    test::ProgramBuilder p(doc);
    p.line(15);               // line 1, word 0
    p.blank();                // line 2
    p.org("10");              // line 3
    p.line(24, "1");          // line 4, word 10
    p.inactive(15);           // line 5: not assembled
    p.org("H'20'", LineState::Inactive);  // line 6: skipped like every Inactive line
    p.line(33);               // line 7, word 11
    test::FakeScreen screen;
    SimProgram program;
    ASSERT_TRUE(assembleForSimulation(doc, screen, program));

    EXPECT_EQ(program.lines[0], 1);
    EXPECT_EQ(program.lines[10], 4);
    EXPECT_EQ(program.lines[11], 7);
    EXPECT_EQ(program.addressOfLine(7), 11);
    EXPECT_EQ(program.addressOfLine(5), -1);
    EXPECT_EQ(std::count_if(program.lines.begin(), program.lines.end(), [](int line) { return line >= 0; }), 3);
    EXPECT_EQ(program.words[10], 0x3001);
    EXPECT_EQ(program.words[11], 0x0008);
    EXPECT_EQ(program.words[1], kErasedWord);
}

TEST(SimProgram, IntelHexWithConfigurationAndEepromData)
{
    const HexReadOutcome hex = parseIntelHex(
        ":020000040000FA\r\n"
        ":0400000083160D282E\r\n"
        ":02400E00FB3F76\r\n"        // configuration word: watchdog on
        ":04420000AB00CD0042\r\n"    // EEPROM bytes 0 and 1
        ":00000001FF\r\n");
    ASSERT_TRUE(hex.program) << hex.error;
    EXPECT_EQ(hex.program->words[0], 0x1683);
    EXPECT_EQ(hex.program->words[1], 0x280D);
    EXPECT_EQ(hex.program->words[2], kErasedWord);
    EXPECT_EQ(hex.program->configuration, 0x3FFB);
    EXPECT_FALSE(hex.program->watchdogEnabled());
    EXPECT_EQ(hex.program->eeprom[0], 0xAB);
    EXPECT_EQ(hex.program->eeprom[1], 0xCD);

    const std::pair<const char*, const char*> kBroken[] = {
        {":0400000083160D282E\n", "no end record"},
        {"0400000083160D28B6\n:00000001FF\n", "line 1: not an Intel HEX record"},
        {":0400000083160D28\n:00000001FF\n", "line 1: record length does not match its count"},
        {":04000000831G0D282E\n:00000001FF\n", "line 1: not a hexadecimal digit"},
        {"\n:0400000083160D282F\n", "line 2: bad checksum"},
        {":00000006FA\n", "line 1: unknown record type"},
    };
    for (const auto& [text, error] : kBroken)
        EXPECT_EQ(parseIntelHex(text).error, error) << text;
}

} // namespace
} // namespace tarvik::sim
