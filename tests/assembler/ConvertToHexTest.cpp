#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"

#include "FakeScreen.h"
#include "HexText.h"
#include "ProgramBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace tarvik {
namespace {

using test::FakeScreen;

TEST(HexFileName, ReplacesEverythingAfterTheFirstPointAndDropsTheFolder)
{
    struct Row {
        std::string documentName;
        std::optional<std::string> hexName;
    };
    const Row rows[] = {
        {"/home/ana/projects/blink.qel", "blink.hex"},
        {"blink.qel", "blink.hex"},
        {"/tmp/my.test.qel", "my.hex"},
        {"Untitled1", "qel.hex"},
        {"/some.dir/Untitled2", "qel.hex"},
        {"archive.", "archive.hex"},
        {std::string(51, 'a'), "qel.hex"},
        {std::string(52, 'a'), std::nullopt},                    // file-name part too long
        {"/" + std::string(60, 'd') + "/x.qel", "x.hex"},        // only the name part counts
        {std::string(27, 'b') + ".qel", std::string(27, 'b') + ".hex"},  // 31 characters
        {std::string(28, 'b') + ".qel", std::nullopt},           // 32 characters
    };
    for (const Row& row : rows)
        EXPECT_EQ(hexFileNameFor(row.documentName), row.hexName) << row.documentName;
}

class ConvertToHexTest : public ::testing::Test {
protected:
    ConvertToHexTest() : inDir(dir.root())
    {
        program.line(16, "STATUS,5");
        program.line(13, "TRISB");
        program.line(17, "STATUS,5");
    }

    test::TempDir dir;
    test::CurrentDirectory inDir;
    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    test::ProgramBuilder program{doc};
    FakeScreen screen;
    HexImage image;
};

TEST_F(ConvertToHexTest, WritesNextToTheCurrentDirectoryUnderTheDocumentsName)
{
    doc.fileName = "/elsewhere/blink.qel";
    const ConvertOutcome outcome = convertToHex(doc, screen, image);
    EXPECT_EQ(outcome.status, ConvertStatus::Written);
    EXPECT_EQ(outcome.hexFileName, "blink.hex");
    EXPECT_TRUE(screen.events.empty());
    EXPECT_EQ(test::readWholeFile(dir.path("blink.hex")), ":0600000083168601831245\r\n:00000001FF\r\n");
}

TEST_F(ConvertToHexTest, UnsavedDocumentWritesQelHexAndAnOutputPathOverridesTheName)
{
    doc.fileName = "Untitled1";
    EXPECT_EQ(convertToHex(doc, screen, image).hexFileName, "qel.hex");
    EXPECT_EQ(convertToHex(doc, screen, image, dir.path("chosen.hex")).status, ConvertStatus::Written);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"chosen.hex", "qel.hex"}));
}

TEST_F(ConvertToHexTest, AssemblyErrorWritesNothingAndLeavesAnOldFileAlone)
{
    doc.fileName = "blink.qel";
    { std::ofstream("blink.hex") << "older"; }
    program.line(7, "NOSUCH");
    const ConvertOutcome outcome = convertToHex(doc, screen, image);
    EXPECT_EQ(outcome.status, ConvertStatus::AssemblyFailed);
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Error in line 4: symbol not previously defined (NOSUCH)."});
    EXPECT_EQ(test::readWholeFile("blink.hex"), "older");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"blink.hex"});
}

TEST_F(ConvertToHexTest, TooLongANameIsReportedInsteadOfWritten)
{
    doc.fileName = "/x/" + std::string(40, 'n') + ".qel";
    const ConvertOutcome outcome = convertToHex(doc, screen, image);
    EXPECT_EQ(outcome.status, ConvertStatus::NameTooLong);
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"The file name " + std::string(40, 'n') + ".qel is too long!"});
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(ConvertToHexTest, TheProgramsOwnFileIsNeverOverwrittenByItsHex)
{
    // A program saved under a .hex name, or an output path that is the program under
    // another spelling: writing would replace the program with its HEX text.
    struct Row {
        std::string programName;
        std::optional<std::string> outputPath;
    };
    const Row rows[] = {
        {"prog.hex", std::nullopt},
        {"blink.qel", "./blink.qel"},
        {"blink.qel", dir.path("blink.qel")},
    };
    for (const Row& row : rows) {
        doc.fileName = dir.path(row.programName);
        doc.untitled = false;
        ASSERT_EQ(writeProgramFile(doc.fileName, doc), WriteStatus::Ok);
        const std::string saved = test::readWholeFile(doc.fileName);
        FakeScreen screen;

        const ConvertOutcome outcome = convertToHex(doc, screen, image, row.outputPath);
        EXPECT_EQ(outcome.status, ConvertStatus::TargetIsProgram) << row.programName;
        const std::string shown = row.outputPath.value_or(row.programName);
        EXPECT_EQ(screen.texts(), std::vector<std::string>{"The HEX file " + shown + " would overwrite the program!"});
        EXPECT_TRUE(test::readWholeFile(doc.fileName) == saved) << row.programName << " was overwritten";
        EXPECT_EQ(dir.entries(), std::vector<std::string>{row.programName});
        std::filesystem::remove(doc.fileName);
    }
}

TEST_F(ConvertToHexTest, UnwritableTargetStillNamesTheFileForTheViewer)
{
    const ConvertOutcome outcome = convertToHex(doc, screen, image, dir.path("missing/out.hex"));
    EXPECT_EQ(outcome.status, ConvertStatus::WriteFailed);
    EXPECT_EQ(outcome.hexFileName, dir.path("missing/out.hex"));
    EXPECT_EQ(screen.texts().size(), 1u);
}

} // namespace
} // namespace tarvik
