// tarvik-asm --delay run as a process, its source assembled by gpasm and timed by gpsim.

#include "../assembler/HexText.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string_view>
#include <sys/wait.h>

namespace tarvik {
namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

bool missing(std::string_view path) { return path.empty() || path.find("NOTFOUND") != std::string_view::npos; }

class DelayCommand : public ::testing::Test {
protected:
    Outcome run(const std::string& args)
    {
        const std::string command = "cd '" + dir.root().string() + "' && '" + TARVIK_ASM_PATH + "' " + args
            + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readWholeFile(dir.path("out.txt")),
                test::readWholeFile(dir.path("err.txt"))};
    }

    test::TempDir dir;
};

TEST_F(DelayCommand, PrintsTheSubroutineOrRefusesAsAUsageError)
{
    struct Row {
        const char* args;
        int exitCode;
        const char* out;  // a line the output holds
        const char* err;  // the first line of the error
    };
    const Row rows[] = {
        {"--delay 1000", 0, "Delay      movlw   D'73'           ; 1000 cycles including the call\n", ""},
        {"--delay 1000", 0, "DelayCnt2  equ     0x0D\n", ""},
        {"--delay 1000 --name Wait1ms", 0, "Wait1msLoop  decfsz  Wait1msCnt1,F\n", ""},
        {"--name Wait1ms --delay 8", 0, "Wait1ms      movlw   D'1'", ""},
        {"--delay 7", 2, "", "tarvik-asm: --delay takes from 8 to 100000000 cycles, not 7\n"},
        {"--delay 100000001", 2, "", "tarvik-asm: --delay takes from 8 to 100000000 cycles, not 100000001\n"},
        {"--delay 99999999999999999999", 2, "", "tarvik-asm: --delay takes from 8 to 100000000 cycles, not 99999999999999999999\n"},
        {"--delay 1e6", 2, "", "tarvik-asm: --delay takes from 8 to 100000000 cycles, not 1e6\n"},
        {"--delay", 2, "", "tarvik-asm: --delay needs a number of cycles\n"},
        {"--name Wait", 2, "", "tarvik-asm: --name goes with --delay\n"},
        {"--delay 100 --name nop", 2, "", "tarvik-asm: --name nop is a word of the assembler or a name of the chip\n"},
        {"--delay 100 --name INTCON", 2, "", "tarvik-asm: --name INTCON is a word of the assembler or a name of the chip\n"},
        {"--delay 100 --name RP0", 2, "", "tarvik-asm: --name RP0 is a word of the assembler or a name of the chip\n"},
        {"--delay 100 --name 2ms", 2, "",
         "tarvik-asm: --name takes letters and digits, a letter first, at most 14 in all, not 2ms\n"},
        {"--delay 100 prog.qel", 2, "", "tarvik-asm: --delay goes with --name only\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const Outcome outcome = run(row.args);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_NE(outcome.out.find(row.out), std::string::npos) << outcome.out;
        EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n') + 1), row.err);
        if (row.exitCode != 0) {
            EXPECT_TRUE(outcome.out.empty());
        }
    }
}

// The printed subroutine pasted into a program, assembled by gpasm in either radix and run
// by gpsim: its cycle counter at the instruction after the call is the count asked for.
TEST_F(DelayCommand, GpsimTakesExactlyTheCyclesAskedFor)
{
    if (missing(GPASM_PATH) || missing(GPSIM_PATH))
        GTEST_SKIP() << "gpasm or gpsim is not installed (scripts/install-deps.sh installs them)";
    // One to four registers, the longest padding, and the longest delay a test can wait for.
    const std::uint64_t counts[] = {8, 9, 783, 1000, 197137, 300000, 50463300};
    std::ofstream(dir.path("time.gpsim")) << "break e 1\nrun\ncycles\nquit\n";
    for (std::size_t i = 0; i < std::size(counts); ++i) {
        const std::string n = std::to_string(counts[i]);
        SCOPED_TRACE(n);
        const Outcome delay = run("--delay " + n);
        ASSERT_EQ(delay.exitCode, 0) << delay.err;
        // The watchdog is off: gpsim would otherwise reset a long delay.
        std::ofstream(dir.path("prog.asm")) << "        processor 16c84\n"
                                            << (i % 2 ? "        radix dec\n" : "")
                                            << "        __config 0x3FFB\n"
                                               "        call    Delay\n"
                                               "        sleep\n"
                                            << delay.out << "        end\n";
        ASSERT_EQ(std::system(("cd '" + dir.root().string() + "' && '" GPASM_PATH "' -a inhx8m prog.asm > gpasm.log 2>&1").c_str()), 0);
        EXPECT_EQ(test::readWholeFile(dir.path("gpasm.log")), "");
        const std::string command = "cd '" + dir.root().string() + "' && timeout 60 '" GPSIM_PATH
            "' -i -p p16c84 -c time.gpsim prog.hex > gpsim.log 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string log = test::readWholeFile(dir.path("gpsim.log"));
        std::smatch cycles;
        ASSERT_TRUE(std::regex_search(log, cycles, std::regex("> (\\d+) = 0x"))) << log;
        EXPECT_EQ(cycles[1].str(), n) << log;
    }
}

} // namespace
} // namespace tarvik
