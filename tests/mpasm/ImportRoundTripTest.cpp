// Import reads back what export writes: for random programs, the imported export assembles
// to the program's own image and exports to the very same text.

#include "assembler/ConvertToHex.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "RandomProgram.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

constexpr int kPrograms = 300;

std::string exportOf(ProgramDocument& doc)
{
    test::FakeScreen screen;
    std::string source;
    EXPECT_TRUE(exportMpasmSource(doc, screen, source)) << ::testing::PrintToString(screen.texts());
    return source;
}

test::MemoryImage imageOf(ProgramDocument& doc)
{
    test::FakeScreen screen;
    HexImage image;
    EXPECT_TRUE(assembleProgram(doc, screen, image)) << ::testing::PrintToString(screen.texts());
    return test::memoryOf(image);
}

TEST(MpasmImportRoundTrip, ImportOfTheExportAssemblesAlikeAndExportsToTheSameText)
{
    DeviceDefaults defaults;
    for (int seed = 0; seed < kPrograms; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto original = test::makeRandomProgram(defaults, static_cast<std::uint64_t>(seed));
        const std::string source = exportOf(*original);
        const ImportOutcome imported = importMpasmSource(source, defaults);
        ASSERT_TRUE(imported.document) << formatImportMessage("export.asm", *imported.refusal) << "\n" << source;
        EXPECT_TRUE(imported.notes.empty());
        EXPECT_EQ(imageOf(*imported.document), imageOf(*original));
        EXPECT_EQ(exportOf(*imported.document), source);
    }
}

} // namespace
} // namespace tarvik
