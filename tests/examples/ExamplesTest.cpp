// The example programs do what their comments promise. Each is shipped as MPASM source and
// as the program file imported from it; the program assembles to the image gpasm makes of
// both that source and the program's own export, and runs on the simulator with the effect
// its comments tell the user to watch for.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"
#include "simulator/SimProgram.h"

#include "../assembler/HexText.h"
#include "FakeScreen.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace tarvik {
namespace {

using sim::Pic16c84;
using sim::Port;

const std::string kExamples = TARVIK_EXAMPLES_DIR;

// What a run may ask of the program: its registers by name.
struct Running {
    Pic16c84& chip;
    const ProgramDocument& doc;

    std::uint8_t reg(const char* name) const
    {
        const int address = doc.userRegisters0.addressOf(name);
        EXPECT_GE(address, 0) << name;
        return chip.peek(address);
    }
    std::uint8_t portB() const { return chip.peek(sim::reg::PORTB); }
    // Runs whole instructions until at least that many cycles have passed since reset, or
    // the chip sleeps with nothing to wake it. An instruction with an interrupt entry takes
    // up to 4 cycles, so no slice runs past the target by more.
    void runTo(std::uint64_t cycles)
    {
        while (chip.cycles() < cycles)
            if (chip.run(std::max<std::uint64_t>(1, (cycles - chip.cycles()) / 4)) == 0)
                return;
    }
    // The cycle counts after which watched() changed, up to count changes or the limit.
    template <typename Watch>
    std::vector<std::uint64_t> changes(Watch watched, std::size_t count, std::uint64_t limit)
    {
        std::vector<std::uint64_t> at;
        auto last = watched();
        while (at.size() < count && chip.cycles() < limit) {
            chip.step();
            if (watched() != last) {
                last = watched();
                at.push_back(chip.cycles());
            }
        }
        return at;
    }
};

void blinksEvery250009Cycles(Running run)
{
    const auto edges = run.changes([&] { return run.chip.pinLevel(Port::B, 1); }, 5, 2'000'000);
    ASSERT_EQ(edges.size(), 5u);
    EXPECT_TRUE(run.chip.isOutput(Port::B, 1));
    for (std::size_t i = 1; i < edges.size(); ++i)
        EXPECT_EQ(edges[i] - edges[i - 1], 250'009u) << "edge " << i;
}

void buttonLightsTheLedWhileRb0IsLow(Running run)
{
    run.chip.run(10);
    EXPECT_EQ(run.chip.peek(sim::reg::OPTION) & sim::bit::RBPU, 0) << "weak pull-ups on";
    run.chip.run(6);
    EXPECT_FALSE(run.chip.pinLevel(Port::B, 1)) << "nothing on RB0: the pull-up holds the button up";
    for (const bool pressed : {false, true, false, true}) {
        run.chip.setInputPin(Port::B, 0, !pressed);
        run.chip.run(6);
        EXPECT_EQ(run.chip.pinLevel(Port::B, 1), pressed) << (pressed ? "pressed" : "released");
    }
}

void secondsCountEvery1024000Cycles(Running run)
{
    // TMR0 overflows every 4096 cycles exactly; the interrupt waits for the instruction in
    // progress, so a single second may come a cycle early or late.
    run.runTo(1'024'000 - 200);
    const auto first = run.changes([&] { return run.reg("seconds"); }, 1, 1'024'000 + 200);
    run.runTo(3 * 1'024'000 - 200);
    const auto third = run.changes([&] { return run.reg("seconds"); }, 1, 3 * 1'024'000 + 200);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_NEAR(static_cast<double>(third[0] - first[0]), 2 * 1'024'000.0, 1.0);
    EXPECT_EQ(run.reg("seconds"), 3);
    EXPECT_EQ(run.chip.interruptEntries(), 3 * 250u);
    run.chip.run(20);
    EXPECT_EQ(run.portB(), 3);
}

void countsEveryStartInEeprom(Running run)
{
    // The watchdog, never cleared, resets the chip every 18 ms x 128 at 4 MHz.
    run.chip.setWatchdogEnabled(true);
    run.runTo(100'000);
    EXPECT_EQ(run.chip.eeprom(0), 1);
    EXPECT_EQ(run.portB(), 1);
    run.runTo(3 * 2'304'000 + 100'000);
    EXPECT_EQ(run.chip.eeprom(0), 4);
    EXPECT_EQ(run.portB(), 4);
    EXPECT_EQ(run.chip.peek(sim::reg::STATUS) & sim::bit::TO, 0) << "the last start was a watchdog reset";

    // A power cycle of the chip: the data EEPROM keeps what was written.
    std::array<std::uint8_t, sim::kEepromBytes> kept{};
    for (int i = 0; i < sim::kEepromBytes; ++i)
        kept[static_cast<std::size_t>(i)] = run.chip.eeprom(i);
    run.chip.loadEeprom(kept);
    run.chip.powerOnReset();
    run.runTo(100'000);
    EXPECT_EQ(run.chip.eeprom(0), 5);
}

void segmentsFollowTheDigitOnRa(Running run)
{
    // Segments a (RB0) to g (RB6), 1 = lit, for 0-9 and A b C d E F.
    constexpr std::array<std::uint8_t, 16> kFont{0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                                 0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
    for (int digit = 0; digit < 16; ++digit) {
        for (int pin = 0; pin < 4; ++pin)
            run.chip.setInputPin(Port::A, pin, (digit >> pin) & 1);
        run.chip.setInputPin(Port::A, 4, digit % 2 == 0);  // not part of the digit
        run.chip.run(20);
        EXPECT_EQ(run.portB(), kFont[static_cast<std::size_t>(digit)]) << "digit " << digit;
    }
}

void portChangeInterruptCopiesTheKeys(Running run)
{
    run.chip.run(100);
    ASSERT_TRUE(run.chip.asleep());
    EXPECT_EQ(run.reg("changes"), 0);
    struct Key {
        int pin;
        bool high;
        std::uint8_t leds;
    };
    int expected = 0;
    for (const Key& key : {Key{5, true, 0x2}, Key{7, true, 0xA}, Key{5, false, 0x8}, Key{4, true, 0x9}}) {
        run.chip.setInputPin(Port::B, key.pin, key.high);
        run.chip.run(100);
        ++expected;
        EXPECT_TRUE(run.chip.asleep()) << "RB" << key.pin;
        EXPECT_EQ(run.reg("changes"), expected) << "RB" << key.pin;
        EXPECT_EQ(run.chip.interruptEntries(), static_cast<std::uint64_t>(expected));
        EXPECT_EQ(run.portB() & 0x0F, key.leds) << "RB" << key.pin;
    }
}

struct Example {
    const char* name;
    void (*behaves)(Running);
};

const Example kShipped[] = {
    {"blink", blinksEvery250009Cycles},
    {"button", buttonLightsTheLedWhileRb0IsLow},
    {"timer-clock", secondsCountEvery1024000Cycles},
    {"eeprom-counter", countsEveryStartInEeprom},
    {"seven-segment", segmentsFollowTheDigitOnRa},
    {"port-change", portChangeInterruptCopiesTheKeys},
};

std::unique_ptr<ProgramDocument> readExample(const std::string& name, const DeviceDefaults& defaults)
{
    ReadOutcome read = readProgramFile(kExamples + "/" + name + ".qel", defaults);
    EXPECT_EQ(read.status, ReadStatus::Ok) << name;
    return std::move(read.document);
}

// gpasm's memory image of a source, clrw taken as ours.
test::MemoryImage gpasmImage(const test::TempDir& dir, const std::string& name, const std::string& source)
{
    std::ofstream(dir.path(name + ".asm"), std::ios::binary) << source;
    const std::string command = "cd '" + dir.root().string() + "' && gpasm -a inhx8m '" + name + ".asm' > '" + name
        + ".log' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0)
        << "gpasm failed or is missing (scripts/install-deps.sh installs gputils):\n"
        << test::readWholeFile(dir.path(name + ".log"));
    auto memory = test::parseIntelHex(test::readWholeFile(dir.path(name + ".hex"))).value_or(test::MemoryImage{});
    for (auto& [address, byte] : memory)
        if (address % 2 == 0 && byte == 0x03 && memory[address + 1] == 0x01)
            byte = 0;
    return memory;
}

class Examples : public ::testing::TestWithParam<Example> {
protected:
    std::string name() const { return GetParam().name; }
    DeviceDefaults defaults;
};

TEST_P(Examples, ProgramFileIsWhatItsSourceImportsTo)
{
    const std::string source = test::readWholeFile(kExamples + "/" + name() + ".asm");
    ImportOutcome imported = importMpasmSource(source, defaults);
    ASSERT_TRUE(imported.document) << imported.refusal->line << ": " << imported.refusal->text;
    EXPECT_TRUE(imported.notes.empty());
    test::TempDir dir;
    ASSERT_EQ(writeProgramFile(dir.path("imported.qel"), *imported.document), WriteStatus::Ok);
    EXPECT_EQ(test::readWholeFile(dir.path("imported.qel")), test::readWholeFile(kExamples + "/" + name() + ".qel"))
        << "examples/regenerate.sh brings " << name() << ".qel up to date with its source";
}

TEST_P(Examples, ConvertsToTheImageGpasmMakesOfItsSourceAndItsExport)
{
    auto doc = readExample(name(), defaults);
    ASSERT_TRUE(doc);
    test::TempDir dir;
    test::FakeScreen screen;
    HexImage image;
    ASSERT_EQ(convertToHex(*doc, screen, image, dir.path("tarvik.hex")).status, ConvertStatus::Written)
        << ::testing::PrintToString(screen.texts());
    const auto ours = test::parseIntelHex(test::readWholeFile(dir.path("tarvik.hex")));
    ASSERT_TRUE(ours.has_value());
    ASSERT_LE(image.count(), 2 * sim::kProgramWords);

    std::string exported;
    ASSERT_TRUE(exportMpasmSource(*doc, screen, exported));
    EXPECT_EQ(gpasmImage(dir, "exported", exported), *ours);
    EXPECT_EQ(gpasmImage(dir, "source", test::readWholeFile(kExamples + "/" + name() + ".asm")), *ours);
}

TEST_P(Examples, RunsAsItsCommentsSay)
{
    auto doc = readExample(name(), defaults);
    ASSERT_TRUE(doc);
    for (const RegisterEntry& entry : doc->userRegisters0)
        EXPECT_TRUE(entry.address >= sim::reg::kFirstGpr && entry.address <= sim::reg::kLastGpr) << entry.nameText();
    test::FakeScreen screen;
    sim::SimProgram program;
    ASSERT_TRUE(sim::assembleForSimulation(*doc, screen, program));
    EXPECT_FALSE(program.configuration.has_value());
    Pic16c84 chip;
    chip.loadProgram(program.words);
    chip.loadEeprom(program.eeprom);
    chip.powerOnReset();
    GetParam().behaves(Running{chip, *doc});
}

INSTANTIATE_TEST_SUITE_P(Shipped, Examples, ::testing::ValuesIn(kShipped),
                         [](const ::testing::TestParamInfo<Example>& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

// A new example needs a row above; a stale program file without its source is found too.
TEST(ExamplesFolder, HoldsExactlyTheTestedExamples)
{
    std::set<std::string> files, expected;
    for (const auto& entry : std::filesystem::directory_iterator(kExamples))
        if (entry.path().extension() == ".qel" || entry.path().extension() == ".asm")
            files.insert(entry.path().filename().string());
    for (const Example& example : kShipped)
        for (const char* extension : {".qel", ".asm"})
            expected.insert(std::string(example.name) + extension);
    EXPECT_EQ(files, expected);
}

} // namespace
} // namespace tarvik
