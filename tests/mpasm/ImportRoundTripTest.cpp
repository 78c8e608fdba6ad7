// Import reads back what export writes: for random programs, those the dialogs make and those
// only a program file can hold, the imported export assembles to the program's own image and
// exports to the very same text.

#include "assembler/ConvertToHex.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "RandomProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

// A program file holds far more lines than 16384; its export comes back whole.
TEST(MpasmImportRoundTrip, ProgramOfManyLinesComesBack)
{
    DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    test::ProgramBuilder builder(doc);
    for (int i = 0; i < 20000; ++i)
        builder.blank().commentIndex = doc.comments.append("line " + std::to_string(i));
    builder.line(31);
    const std::string source = exportOf(doc);
    const ImportOutcome imported = importMpasmSource(source, defaults);
    ASSERT_TRUE(imported.document) << formatImportMessage("export.asm", *imported.refusal);
    EXPECT_EQ(imported.document->lines.count(), doc.lines.count());
    EXPECT_EQ(exportOf(*imported.document), source);
}

// Every user name with an underscore in it, as a program file may hold where no dialog lets
// one be typed; the program stays the same but for its names. The new names.
std::vector<std::string> underscoreNames(ProgramDocument& doc)
{
    std::map<std::string, std::string> renamed;
    const auto rename = [&](std::string_view name) {
        std::string text(name);
        if (text.size() >= 2)
            text.insert(1, 1, '_');
        if (text.size() > 14)
            text.erase(2, 1);
        renamed.emplace(name, text);
    };
    for (RegisterTable* table : {&doc.userRegisters0, &doc.userRegisters1, &doc.userSfrNames0, &doc.userSfrNames1})
        for (const RegisterEntry& entry : *table)
            rename(entry.nameText());
    for (const BitEntry& entry : doc.userBits)
        rename(entry.nameText());
    for (const NameValueEntry& entry : doc.literals)
        rename(entry.nameText());
    for (const NameValueEntry& entry : doc.labels)
        rename(entry.nameText());
    const auto renameIn = [&](auto& table) {
        for (int i = 0; i < table.count(); ++i)
            if (const auto it = renamed.find(std::string(table.at(i)->nameText())); it != renamed.end())
                table.at(i)->setName(it->second);
    };
    for (RegisterTable* table : {&doc.registerFile0, &doc.registerFile1, &doc.userRegisters0, &doc.userRegisters1,
                                 &doc.userSfrNames0, &doc.userSfrNames1})
        renameIn(*table);
    renameIn(doc.userBits);
    renameIn(doc.literals);
    renameIn(doc.labels);
    for (ProgramLine& line : doc.lines) {
        if (const auto it = renamed.find(std::string(line.labelText())); it != renamed.end())
            line.setLabel(it->second);
        const std::string operand(line.operandText());
        const std::size_t comma = operand.find(',');
        const std::string first = operand.substr(0, comma);
        std::string text = renamed.count(first) ? renamed[first] : first;
        if (comma != std::string::npos) {
            const std::string second = operand.substr(comma + 1);
            text += "," + (renamed.count(second) ? renamed[second] : second);
        }
        if (text.size() <= 14)
            line.setOperand(text);
    }
    std::vector<std::string> names;
    for (const auto& [old, name] : renamed)
        names.push_back(name);
    return names;
}

TEST(MpasmImportRoundTrip, ProgramsOnlyAFileHoldsComeBackFromTheirExportToo)
{
    DeviceDefaults defaults;
    int withUnderscores = 0;
    for (int seed = 0; seed < kPrograms; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        auto original = test::makeRandomProgram(defaults, static_cast<std::uint64_t>(seed));
        const test::MemoryImage image = imageOf(*original);
        const std::vector<std::string> names = underscoreNames(*original);
        ASSERT_EQ(imageOf(*original), image);
        const std::string source = exportOf(*original);
        const ImportOutcome imported = importMpasmSource(source, defaults);
        ASSERT_TRUE(imported.document) << formatImportMessage("export.asm", *imported.refusal) << "\n" << source;
        EXPECT_TRUE(imported.notes.empty());
        EXPECT_EQ(imageOf(*imported.document), image);
        EXPECT_EQ(exportOf(*imported.document), source);
        withUnderscores += std::any_of(names.begin(), names.end(),
                                       [&](const std::string& name) { return source.find(name) != std::string::npos; });
    }
    EXPECT_GT(withUnderscores, kPrograms / 2);
}

} // namespace
} // namespace tarvik
