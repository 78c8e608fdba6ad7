#include "assembler/IntelHex.h"

#include "FakeScreen.h"
#include "FileSizeLimit.h"
#include "HexText.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace tarvik {
namespace {

using test::FakeScreen;

void appendWords(HexImage& image, std::initializer_list<int> words)
{
    for (int word : words) {
        ASSERT_TRUE(image.appendByte(word & 0xFF));
        ASSERT_TRUE(image.appendByte(word >> 8));
    }
}

TEST(IntelHex, RecordsMatchTheChipProgrammersFormat)
{
    HexImage image;
    appendWords(image, {0x1683, 0x0186, 0x1283});
    EXPECT_EQ(intelHexRecords(image),
              (std::vector<std::string>{":0600000083168601831245", ":00000001FF"}));
    EXPECT_EQ(intelHexText(image), ":0600000083168601831245\r\n:00000001FF\r\n");

    const std::uint8_t data[] = {0x02, 0x33, 0x7A};
    EXPECT_EQ(hexDataRecord(0x0030, data), ":0300300002337A1E");
    const std::uint8_t ff[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(hexDataRecord(0x07F0, ff), ":1007F000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF09");
    EXPECT_EQ(hexEndRecord(0), ":00000001FF");
    EXPECT_EQ(hexEndRecord(0x1234), ":00123401B9");
}

TEST(IntelHex, RecordsAreCutAtSixteenBytesAndAtEveryGap)
{
    struct Row {
        std::string name;
        std::vector<int> origins;  // before each word: -1 none, else ORG word address
        std::vector<std::string> starts;  // ":LLAAAA" of each data record
    };
    const Row rows[] = {
        {"nine words", {-1, -1, -1, -1, -1, -1, -1, -1, -1}, {":100000", ":020010"}},
        {"ORG H'10' after two words", {-1, -1, 0x10}, {":040000", ":020020"}},
        {"ORG to the current address", {-1, -1, 2}, {":060000"}},
        {"eight words then ORG 8", {-1, -1, -1, -1, -1, -1, -1, -1, 8}, {":100000", ":020010"}},
        {"odd start", {3, -1, -1, -1, -1, -1, -1, -1, -1}, {":100006", ":020016"}},
        {"ORG forward inside a record", {-1, 5, -1}, {":020000", ":04000A"}},
    };
    for (const Row& row : rows) {
        HexImage image;
        for (int origin : row.origins) {
            if (origin >= 0)
                image.setOrigin(origin);
            appendWords(image, {0x3FFF});
        }
        const std::vector<std::string> records = intelHexRecords(image);
        ASSERT_EQ(records.size(), row.starts.size() + 1) << row.name;
        for (std::size_t i = 0; i < row.starts.size(); ++i)
            EXPECT_EQ(records[i].substr(0, 7), row.starts[i]) << row.name;
        EXPECT_EQ(records.back(), ":00000001FF") << row.name;
        // Whatever the cut, the records describe exactly the image.
        EXPECT_EQ(test::parseIntelHex(intelHexText(image)), test::memoryOf(image)) << row.name;
    }
}

TEST(IntelHex, EmptyProgramGivesOnlyTheEndRecord)
{
    HexImage image;
    EXPECT_EQ(intelHexText(image), ":00000001FF\r\n");
}

TEST(HexImage, ResetKeepsNothingAndTheImageNeverGrowsPastProgramMemory)
{
    HexImage image;
    image.setOrigin(7);
    appendWords(image, {0x1234});
    image.reset();
    EXPECT_EQ(image.count(), 0);
    EXPECT_EQ(image.nextAddress(), 0);
    EXPECT_EQ(image.endAddress(), 0);

    for (int i = 0; i < HexImage::kCapacity; ++i)
        ASSERT_TRUE(image.appendByte(i));
    EXPECT_FALSE(image.hasRoomForWord());
    EXPECT_FALSE(image.appendByte(0));
    EXPECT_EQ(image.count(), HexImage::kCapacity);

    // Going back over written memory fills the entries, not memory beyond the array.
    image.setOrigin(0);
    EXPECT_FALSE(image.appendByte(0));

    image.reset();
    image.setOrigin(1 << 30);
    EXPECT_FALSE(image.hasRoomForWord());
    EXPECT_FALSE(image.appendByte(0));
    image.setOrigin(-5);
    EXPECT_EQ(image.nextAddress(), 0);
}

class IntelHexFile : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeScreen screen;
    HexImage image;
};

TEST_F(IntelHexFile, FileHoldsTheRecordsWithCrLfLineEnds)
{
    appendWords(image, {0x1683, 0x0186, 0x1283});
    const std::string path = dir.path("out.hex");
    EXPECT_TRUE(WriteIntelHex(screen, path, image));
    EXPECT_TRUE(screen.messages.empty());
    EXPECT_EQ(test::readWholeFile(path), ":0600000083168601831245\r\n:00000001FF\r\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.hex"});
}

TEST_F(IntelHexFile, RewritingReplacesTheWholeOldFile)
{
    const std::string path = dir.path("out.hex");
    for (int i = 0; i < 40; ++i)
        appendWords(image, {i});
    ASSERT_TRUE(WriteIntelHex(screen, path, image));
    image.reset();
    ASSERT_TRUE(WriteIntelHex(screen, path, image));
    EXPECT_EQ(test::readWholeFile(path), ":00000001FF\r\n");
}

TEST_F(IntelHexFile, FailedWriteIsReportedAndLeavesTheOldFileAlone)
{
    appendWords(image, {0x0100});
    const std::string missing = dir.path("no/such/folder/out.hex");
    EXPECT_FALSE(WriteIntelHex(screen, missing, image));
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Otvaranje fajla " + missing + " nije uspelo!\nCould not create "
                                                       "a file in " + dir.path("no/such/folder")
                                                       + ": No such file or directory."});
    EXPECT_EQ(screen.messages[0].caption, "Tarvik message");

    // A directory in the way of the name is not replaced.
    std::filesystem::create_directory(dir.path("taken.hex"));
    EXPECT_FALSE(WriteIntelHex(screen, dir.path("taken.hex"), image));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("taken.hex")));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"taken.hex"});  // no temporary file left
}

TEST_F(IntelHexFile, AWriteCutShortReportsAndKeepsTheOldFile)
{
    for (int i = 0; i < 200; ++i)
        appendWords(image, {0x3FFF});
    const std::string target = dir.path("old.hex");
    { std::ofstream(target) << "old"; }
    bool written;
    {
        test::FileSizeLimit limit(512);
        ASSERT_TRUE(limit.active());
        written = WriteIntelHex(screen, target, image);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(screen.texts(), std::vector<std::string>{"Otvaranje fajla " + target + " nije uspelo!\nCould not write "
                                                       + target + ": File too large."});
    EXPECT_EQ(test::readWholeFile(target), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"old.hex"});
}

} // namespace
} // namespace tarvik
