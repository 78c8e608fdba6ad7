// Random programs against the reference assembler: whatever the generator builds must
// assemble, survive a write and a read unchanged, and export to source that gpasm turns into
// the same memory image without a warning.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"
#include "mpasm/MpasmExport.h"

#include "../assembler/HexText.h"
#include "FakeScreen.h"
#include "RandomProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarvik {
namespace {

constexpr int kPrograms = 300;

// gpasm writes clrw as 0x0103 where we write 0x0100: both are CLRW.
test::MemoryImage withClrwAsOurs(test::MemoryImage memory)
{
    for (auto& [address, byte] : memory)
        if (address % 2 == 0 && byte == 0x03 && memory.count(address + 1) && memory[address + 1] == 0x01)
            byte = 0x00;
    return memory;
}

std::string exported(ProgramDocument& doc)
{
    test::FakeScreen screen;
    std::string source;
    EXPECT_TRUE(exportMpasmSource(doc, screen, source)) << ::testing::PrintToString(screen.texts());
    return source;
}

test::MemoryImage assembled(ProgramDocument& doc)
{
    test::FakeScreen screen;
    HexImage image;
    EXPECT_TRUE(assembleProgram(doc, screen, image)) << ::testing::PrintToString(screen.texts());
    return test::memoryOf(image);
}

// Every third program also has the blocks a simulator run uses.
std::unique_ptr<ProgramDocument> program(const DeviceDefaults& defaults, int seed)
{
    test::RandomProgramOptions options;
    options.subroutines = options.indirectAccess = options.timerAccess = seed % 3 == 2;
    return test::makeRandomProgram(defaults, static_cast<std::uint64_t>(seed), options);
}

TEST(MpasmProperty, GeneratedProgramsAssembleAndSurviveAWriteAndARead)
{
    test::TempDir dir;
    DeviceDefaults defaults;
    for (int seed = 0; seed < kPrograms; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto doc = program(defaults, seed);
        test::FakeScreen screen;
        HexImage image;
        ASSERT_TRUE(assembleProgram(*doc, screen, image)) << ::testing::PrintToString(screen.texts());
        EXPECT_TRUE(screen.messages.empty());

        const std::string first = dir.path("first.qel");
        const std::string second = dir.path("second.qel");
        ASSERT_EQ(writeProgramFile(first, *doc), WriteStatus::Ok);
        ReadOutcome read = readProgramFile(first, defaults);
        ASSERT_EQ(read.status, ReadStatus::Ok);
        ASSERT_EQ(writeProgramFile(second, *read.document), WriteStatus::Ok);
        EXPECT_EQ(test::readWholeFile(second), test::readWholeFile(first));
    }
}

// All sources go to gpasm in one shell run; each leaves its HEX file and its log.
TEST(MpasmProperty, ExportAssemblesWithGpasmToOurImage)
{
    test::TempDir dir;
    DeviceDefaults defaults;
    std::vector<test::MemoryImage> ours;
    for (int seed = 0; seed < kPrograms; ++seed) {
        auto doc = program(defaults, seed);
        ours.push_back(assembled(*doc));
        std::ofstream(dir.path("p" + std::to_string(seed) + ".asm")) << exported(*doc);
    }
    const std::string command = "cd '" + dir.root().string()
        + "' && command -v gpasm > /dev/null && for f in p*.asm; do gpasm -a inhx8m \"$f\" > \"${f%.asm}.log\" 2>&1; done";
    ASSERT_EQ(std::system(command.c_str()), 0) << "gpasm is missing (scripts/install-deps.sh installs gputils)";

    for (int seed = 0; seed < kPrograms; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string name = "p" + std::to_string(seed);
        EXPECT_EQ(test::readWholeFile(dir.path(name + ".log")), "");
        const auto theirs = test::parseIntelHex(test::readWholeFile(dir.path(name + ".hex")));
        ASSERT_TRUE(theirs.has_value()) << test::readWholeFile(dir.path(name + ".asm"));
        EXPECT_EQ(withClrwAsOurs(*theirs), ours[static_cast<std::size_t>(seed)]);
    }
}

} // namespace
} // namespace tarvik
