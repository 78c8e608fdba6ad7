// Where a running program finds the examples: installed under its prefix, or copied beside
// it in the build folder.

#include "examples/ExampleFolder.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tarvik {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> fileNames(const std::vector<fs::path>& paths)
{
    std::vector<std::string> names;
    for (const fs::path& path : paths)
        names.push_back(path.filename().string());
    return names;
}

TEST(ExampleFolder, FoundInTheBuildFolderWithEveryShippedProgram)
{
    const auto folder = findExamplesFolder(TARVIK_BUILD_DIR);
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, fs::path(TARVIK_BUILD_DIR "/examples").lexically_normal());
    EXPECT_EQ(fileNames(examplePrograms(*folder)), fileNames(examplePrograms(TARVIK_EXAMPLES_DIR)));
    EXPECT_EQ(examplePrograms(*folder).size(), 6u);
}

TEST(ExampleFolder, InstalledUnderThePrefixComesBeforeACopyBesideTheProgram)
{
    struct Case {
        std::vector<std::string> folders;  // made under the prefix
        const char* found;                 // relative to the prefix; null: none
    };
    const Case cases[] = {
        {{"bin", "share/tarvik/examples"}, "share/tarvik/examples"},
        {{"bin/examples", "share/tarvik/examples"}, "share/tarvik/examples"},
        {{"bin/examples"}, "bin/examples"},
        {{"bin", "share/tarvik"}, nullptr},
    };
    for (const Case& c : cases) {
        test::TempDir prefix;
        for (const std::string& folder : c.folders)
            fs::create_directories(prefix.root() / folder);
        const auto folder = findExamplesFolder(prefix.root() / "bin");
        if (c.found)
            EXPECT_EQ(folder, (prefix.root() / c.found).lexically_normal()) << c.found;
        else
            EXPECT_EQ(folder, std::nullopt);
    }
}

TEST(ExampleFolder, ListsProgramFilesOnlySortedByName)
{
    test::TempDir dir;
    for (const char* name : {"timer.qel", "blink.qel", "blink.asm", "notes.txt"})
        std::ofstream(dir.path(name)) << "x";
    fs::create_directory(dir.root() / "more.qel");
    EXPECT_EQ(fileNames(examplePrograms(dir.root())), (std::vector<std::string>{"blink.qel", "timer.qel"}));
    EXPECT_TRUE(examplePrograms(dir.root() / "missing").empty());
}

} // namespace
} // namespace tarvik
