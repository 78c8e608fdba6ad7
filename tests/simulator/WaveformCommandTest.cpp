// tarvik-asm --simulate with --vcd, --stimulus and --clock, run as a process: the
// waveform's timing, gtkwave reading every file written, and what is refused.

#include "simulator/Pic16c84.h"

#include "assembler/IntelHex.h"

#include "../assembler/HexText.h"
#include "TempDir.h"
#include "Words.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string_view>
#include <sys/wait.h>

namespace tarvik::sim {
namespace {

using namespace words;

struct Change {
    std::uint64_t time;
    std::string signal;
    char value;
};

struct Vcd {
    std::string timescale;
    std::vector<std::string> signals;  // in declaration order
    std::map<std::string, char> initial;
    std::vector<Change> changes;
    std::uint64_t lastTime = 0;

    std::vector<std::uint64_t> edges(const std::string& signal) const
    {
        std::vector<std::uint64_t> times;
        for (const Change& c : changes)
            if (c.signal == signal)
                times.push_back(c.time);
        return times;
    }
};

Vcd parseVcd(const std::string& text)
{
    Vcd vcd;
    std::map<std::string, std::string> names;
    std::istringstream in(text);
    std::string line;
    bool dumping = false, initial = false;
    std::uint64_t time = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "$timescale") {
            std::string number, unit;
            words >> number >> unit;
            vcd.timescale = number + " " + unit;
        } else if (first == "$var") {
            std::string type, width, id, name;
            words >> type >> width >> id >> name;
            names[id] = name;
            vcd.signals.push_back(name);
        } else if (first == "$enddefinitions") {
            dumping = true;
        } else if (first == "$dumpvars") {
            initial = true;
        } else if (first == "$end") {
            initial = false;
        } else if (dumping && !first.empty() && first[0] == '#') {
            time = std::stoull(first.substr(1));
            vcd.lastTime = time;
        } else if (dumping && first.size() >= 2 && (first[0] == '0' || first[0] == '1')) {
            const std::string& name = names.at(first.substr(1));
            if (initial)
                vcd.initial[name] = first[0];
            else
                vcd.changes.push_back({time, name, first[0]});
        }
    }
    return vcd;
}

std::string hexOf(const std::array<std::uint16_t, kProgramWords>& words)
{
    std::string text;
    for (int address = 0; address < kProgramWords; address += 8) {
        std::uint8_t bytes[16];
        for (int i = 0; i < 8; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(words[static_cast<std::size_t>(address + i)]);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(words[static_cast<std::size_t>(address + i)] >> 8);
        }
        text += hexDataRecord(2 * address, bytes) + "\n";
    }
    return text + hexEndRecord(0) + "\n";
}

class WaveformCommand : public ::testing::Test {
protected:
    struct Outcome {
        int exitCode;
        std::string out;
        std::string err;
    };
    Outcome run(const std::string& arguments)
    {
        const std::string command = "cd " + dir.root().string() + " && " + TARVIK_ASM_PATH + " " + arguments
            + " > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readWholeFile(dir.path("out.txt")),
                test::readWholeFile(dir.path("err.txt"))};
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir.path(name), std::ios::binary) << text; }
    std::string read(const std::string& name) { return test::readWholeFile(dir.path(name)); }
    // Every waveform written must be one gtkwave reads: its converter to FST accepts it.
    void expectGtkwaveReads(const std::string& name)
    {
        const std::string_view converter = VCD2FST_PATH;
        if (converter.empty() || converter.find("NOTFOUND") != std::string_view::npos) {
            std::printf("vcd2fst is not installed (gtkwave; scripts/install-deps.sh): %s not checked\n", name.c_str());
            return;
        }
        const std::string command = std::string(converter) + " " + dir.path(name) + " " + dir.path(name + ".fst")
            + " > " + dir.path("vcd2fst.txt") + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << name << ": " << read("vcd2fst.txt");
        EXPECT_GT(read(name + ".fst").size(), 0u) << name;
    }

    test::TempDir dir;
};

// RB0 toggled by a loop of 5 cycles (xorwf, nop, nop, goto): an edge every 5 cycles from
// cycle 5, the end of the first xorwf's cycle.
const auto kToggler = memory({bsf(reg::STATUS, 5), clrf(reg::TRISB & 0x7F), bcf(reg::STATUS, 5), movlw(1),
                              xorwf(reg::PORTB, F), nop(), nop(), goto_(4)});

TEST_F(WaveformCommand, EdgesComeAtTheLoopsPeriodAtEveryClock)
{
    write("toggle.hex", hexOf(kToggler));
    struct Case {
        const char* clock;  // empty: the default
        const char* timescale;
        std::uint64_t unitsPerCycle;
    };
    const Case kCases[] = {
        {"", "1 us", 1}, {"--clock 20000000", "100 ns", 2}, {"--clock 1000000", "1 us", 4},
        {"--clock 32768", "100 fs", 1'220'703'125}, {"--clock 3579545", "1 ps", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.clock);
        const Outcome result = run(std::string("--simulate 2001 toggle.hex --vcd toggle.vcd ") + c.clock);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out.substr(0, result.out.find("pc")), "steps 2001\ncycles 2500\n");
        const Vcd vcd = parseVcd(read("toggle.vcd"));
        EXPECT_EQ(vcd.timescale, c.timescale);
        const std::vector<std::string> pins = {"RA0", "RA1", "RA2", "RA3", "RA4", "RB0", "RB1",
                                               "RB2", "RB3", "RB4", "RB5", "RB6", "RB7"};
        EXPECT_EQ(vcd.signals, pins);
        EXPECT_EQ(vcd.initial.size(), 13u);
        EXPECT_EQ(vcd.initial.at("RB0"), '0');

        // 4 set-up instructions in 4 cycles, 499 turns of 4 in 5 cycles, the 500th xorwf.
        const std::vector<std::uint64_t> edges = vcd.edges("RB0");
        ASSERT_EQ(edges.size(), 500u);
        const auto timeOf = [&](std::uint64_t cycle) {
            return c.unitsPerCycle ? cycle * c.unitsPerCycle : (cycle * 4'000'000'000'000 + 3'579'545 / 2) / 3'579'545;
        };
        for (std::size_t k = 0; k < edges.size(); ++k)
            ASSERT_EQ(edges[k], timeOf(5 + 5 * k)) << k;
        EXPECT_EQ(vcd.changes.size(), edges.size());  // nothing else moves
        EXPECT_EQ(vcd.lastTime, timeOf(2500));
        expectGtkwaveReads("toggle.vcd");
    }
}

TEST_F(WaveformCommand, AStimulusDrivesInputsThatTheProgramCopies)
{
    // RB1 follows RB0; RA4 has a clock on it (an input nobody reads: it only shows).
    write("copy.hex", hexOf(memory({bsf(reg::STATUS, 5), movlw(0xFD), movwf(reg::TRISB & 0x7F), bcf(reg::STATUS, 5),
                                    btfsc(reg::PORTB, 0), bsf(reg::PORTB, 1), btfss(reg::PORTB, 0),
                                    bcf(reg::PORTB, 1), goto_(4)})));
    write("input.stim", "; RB0 pulses\n100 RB0 1\n150 RB0 0 ; low again\n400 RB0/INT 1\n\n"
                        "20 RA4/T0CKI clock 8 2\n300 T0CKI 0\n");
    const Outcome result = run("--simulate 400 copy.hex --stimulus input.stim --vcd copy.vcd");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Vcd vcd = parseVcd(read("copy.vcd"));
    EXPECT_EQ(vcd.edges("RB0"), (std::vector<std::uint64_t>{100, 150, 400}));
    const std::vector<std::uint64_t> copied = vcd.edges("RB1");
    ASSERT_EQ(copied.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_GT(copied[k], vcd.edges("RB0")[k]);
        EXPECT_LE(copied[k], vcd.edges("RB0")[k] + 7);
    }
    const std::vector<std::uint64_t> clock = vcd.edges("RA4");
    ASSERT_EQ(clock.size(), 70u);  // 35 pulses from 20 to 292
    for (std::size_t k = 0; k < clock.size(); ++k)
        EXPECT_EQ(clock[k], 20 + 8 * (k / 2) + 2 * (k % 2)) << k;
    expectGtkwaveReads("copy.vcd");

    // Without --vcd the stimulus drives the run all the same: RB0 and RB1 are high at the
    // end, and TMR0 has counted the clock's 35 falling edges (T0SE = 1 after reset).
    const Outcome plain = run("--simulate 400 copy.hex --stimulus input.stim");
    EXPECT_EQ(plain.exitCode, 0);
    std::istringstream bank0(plain.out.substr(plain.out.find("bank0") + 5));
    unsigned indf = 0, tmr0 = 0, pcl = 0, status = 0, fsr = 0, porta = 0, portb = 0;
    bank0 >> std::hex >> indf >> tmr0 >> pcl >> status >> fsr >> porta >> portb;
    EXPECT_EQ(tmr0, 35u);
    EXPECT_EQ(portb, 0x03u);
}

TEST_F(WaveformCommand, RefusesBadStimulusBadClocksAndFilesThatAreNoProgram)
{
    write("toggle.hex", hexOf(kToggler));
    write("bad.stim", "10 RB0 1\n20 RC0 1\n");
    write("toggle.vcd", "old waveform");
    const Outcome bad = run("--simulate 100 toggle.hex --stimulus bad.stim --vcd toggle.vcd");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "bad.stim: line 2: unknown pin RC0 (RA0-RA4, RB0-RB7, MCLR)\n");
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(read("toggle.vcd"), "old waveform");
    EXPECT_EQ(run("--simulate 100 toggle.hex --stimulus missing.stim").err, "missing.stim: cannot read the file\n");

    const Outcome over = run("--simulate 100 toggle.hex --vcd ./toggle.hex");
    EXPECT_EQ(over.exitCode, 2);
    EXPECT_EQ(over.err, "./toggle.hex: the waveform would replace toggle.hex\n");
    EXPECT_EQ(read("toggle.hex"), hexOf(kToggler));

    const Outcome noFolder = run("--simulate 100 toggle.hex --vcd nowhere/out.vcd");
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_EQ(noFolder.err, "nowhere/out.vcd: cannot write the file\n"
                            "nowhere/out.vcd: Could not create a file in nowhere: No such file or directory.\n");

    for (const char* arguments : {"--simulate 10 toggle.hex --clock 0", "--simulate 10 toggle.hex --clock 4MHz",
                                  "--simulate 10 toggle.hex --clock 20000001", "toggle.hex --vcd x.vcd",
                                  "--stimulus bad.stim toggle.hex", "--list toggle.hex --clock 4000000",
                                  "--simulate 10 toggle.hex --vcd"}) {
        const Outcome usage = run(arguments);
        EXPECT_EQ(usage.exitCode, 2) << arguments;
        EXPECT_NE(usage.err.find("usage:"), std::string::npos) << arguments;
    }

    // Empty, text without a record, binary: neither HEX nor a program file.
    write("empty.bin", "");
    write("notes.txt", "not a program\n");
    write("blob.bin", std::string("\x10\x00\x00\x00\xff\xfe", 6));
    write("head.bin", std::string("\x7f" "ELF\x02\x01", 6));
    for (const char* name : {"empty.bin", "notes.txt", "head.bin"}) {
        const Outcome neither = run(std::string("--simulate 10 ") + name);
        EXPECT_EQ(neither.exitCode, 2) << name;
        EXPECT_EQ(neither.err, std::string(name) + ": neither an Intel HEX file nor a Tarvik program file\n");
    }
    // A program file's marker with nothing after it is a damaged program file.
    EXPECT_EQ(run("--simulate 10 blob.bin").err, "blob.bin: Error! This file does not valid qel file [1].\n");
}

TEST_F(WaveformCommand, AWaveformEndsWhereTheRunStops)
{
    // RB0 high, then SLEEP with nothing to wake the chip: the run stops at 5 steps.
    write("sleep.hex", hexOf(memory({bsf(reg::STATUS, 5), clrf(reg::TRISB & 0x7F), bcf(reg::STATUS, 5),
                                     bsf(reg::PORTB, 0), sleep()})));
    const Outcome result = run("--simulate 1000 sleep.hex --vcd sleep.vcd");
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.substr(0, result.out.find("pc")), "steps 5\ncycles 5\n");
    const Vcd vcd = parseVcd(read("sleep.vcd"));
    EXPECT_EQ(vcd.edges("RB0"), std::vector<std::uint64_t>{4});
    EXPECT_EQ(vcd.lastTime, 5u);
    expectGtkwaveReads("sleep.vcd");
}

} // namespace
} // namespace tarvik::sim
