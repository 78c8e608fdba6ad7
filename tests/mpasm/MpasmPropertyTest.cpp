// Random programs against the reference assembler: whatever the generator builds must
// assemble, survive a write and a read unchanged, and export to source that gpasm turns into
// the same memory image.

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"

#include "FakeScreen.h"
#include "RandomProgram.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

constexpr int kPrograms = 300;

TEST(MpasmProperty, GeneratedProgramsAssembleAndSurviveAWriteAndARead)
{
    DeviceDefaults defaults;
    for (int seed = 0; seed < kPrograms; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto doc = test::makeRandomProgram(defaults, static_cast<std::uint64_t>(seed));
        test::FakeScreen screen;
        HexImage image;
        ASSERT_TRUE(assembleProgram(*doc, screen, image)) << ::testing::PrintToString(screen.texts());
        EXPECT_TRUE(screen.messages.empty());

        const std::vector<std::uint8_t> bytes = encodeProgramFile(*doc);
        ReadOutcome read = decodeProgramFile(bytes, defaults);
        ASSERT_EQ(read.status, ReadStatus::Ok);
        EXPECT_EQ(encodeProgramFile(*read.document), bytes);
    }
}

} // namespace
} // namespace tarvik
