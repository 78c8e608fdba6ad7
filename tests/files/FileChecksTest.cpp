#include "files/FileIdentity.h"
#include "files/InputFile.h"
#include "files/PrintableText.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace tarvik {
namespace {

namespace fs = std::filesystem;

TEST(FileIdentity, OneFileUnderEverySpellingAndNoOther)
{
    test::TempDir folder;
    test::CurrentDirectory here(folder.root());
    std::ofstream("S.asm") << "nop\n";
    std::ofstream("other.asm") << "nop\n";
    fs::create_directory("sub");
    fs::create_symlink("S.asm", "link.asm");
    fs::create_hard_link("S.asm", "hard.asm");
    struct Row {
        std::string spelling;
        bool same;
    };
    const Row rows[] = {
        {"S.asm", true},   {"./S.asm", true},          {folder.path("S.asm"), true}, {"sub/../S.asm", true},
        {"link.asm", true}, {"hard.asm", true},        {"other.asm", false},         {"missing.asm", false},
        {"sub", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(sameFile(row.spelling, "S.asm"), row.same) << row.spelling;
    EXPECT_FALSE(sameFile("missing.asm", "missing.asm"));
}

TEST(FileIdentity, AnyChangeBySomeoneElseIsSeen)
{
    test::TempDir folder;
    const std::string path = folder.path("prog.qel");
    const auto put = [&](const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
    const auto setTime = [&](long seconds) {
        const timeval times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimes(path.c_str(), times);
    };
    const auto snapshot = [&] {
        put("contents");
        setTime(1'000'000'000);
        return identifyFile(path);
    };
    struct Row {
        const char* change;
        std::function<void()> apply;
        bool seen;
    };
    const Row rows[] = {
        {"nothing", [] {}, false},
        {"mode only", [&] { ::chmod(path.c_str(), 0600); }, false},
        {"same size, same time, other bytes", [&] { put("CONTENTS"); setTime(1'000'000'000); }, true},
        {"size", [&] { put("contents+"); setTime(1'000'000'000); }, true},
        {"time", [&] { setTime(1'000'000'001); }, true},
        {"replaced by a copy", [&] {
             std::ofstream(path + ".new") << "contents";
             fs::rename(path + ".new", path);
             setTime(1'000'000'000);
         }, true},
        {"removed", [&] { fs::remove(path); }, true},
    };
    for (const Row& row : rows) {
        const FileIdentity before = snapshot();
        ASSERT_TRUE(before.exists);
        row.apply();
        EXPECT_EQ(fileChanged(before, path), row.seen) << row.change;
    }
}

TEST(InputFile, OnlyARegularFileIsReadAndEveryRefusalSaysWhy)
{
    test::TempDir folder;
    std::ofstream(folder.path("S.asm")) << "nop\n";
    std::ofstream(folder.path("big.asm")) << std::string(5000, ';');
    fs::create_directory(folder.path("dir.asm"));
    ASSERT_EQ(::mkfifo(folder.path("fifo.asm").c_str(), 0600), 0);
    struct Row {
        std::string name;
        InputCheck::Problem problem;
        std::string reason;
    };
    const Row rows[] = {
        {"S.asm", InputCheck::Problem::None, ""},
        {"missing.asm", InputCheck::Problem::Missing, "No such file or directory"},
        {"S.asm/x", InputCheck::Problem::Missing, "Not a directory"},
        {"dir.asm", InputCheck::Problem::NotAFile, "Is a directory"},
        {"fifo.asm", InputCheck::Problem::NotAFile, "Is a named pipe, not a file"},
        {"big.asm", InputCheck::Problem::TooLarge, "Is larger than 4096 bytes"},
    };
    for (const Row& row : rows) {
        InputCheck check;
        const std::optional<std::string> text = readInputFile(folder.path(row.name), 4096, check);
        EXPECT_EQ(check.problem, row.problem) << row.name;
        EXPECT_EQ(check.describe(), row.reason) << row.name;
        EXPECT_EQ(text.has_value(), row.problem == InputCheck::Problem::None) << row.name;
        if (row.problem != InputCheck::Problem::TooLarge) {
            EXPECT_EQ(checkInputFile(folder.path(row.name)).problem, row.problem) << row.name;
        }
    }
    InputCheck exact;
    EXPECT_EQ(readInputFile(folder.path("S.asm"), 4, exact), "nop\n");
}

TEST(PrintableText, ValidUtf8PassesAndEverythingElseIsEscaped)
{
    struct Row {
        std::string text;
        std::string shown;
    };
    const Row rows[] = {
        {"plain\ttext\nline two", "plain\ttext\nline two"},
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"\xE9t\xE9", "\\xE9t\\xE9"},                   // Latin-1
        {"a\x1B[31mred", "a\\x1B[31mred"},              // a terminal escape
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"\x7F\xC2\x9B", "\\x7F\\xC2\\x9B"},            // DEL and the C1 control CSI
        {"\xC0\xAF", "\\xC0\\xAF"},                     // an overlong '/'
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},            // a surrogate
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},   // past U+10FFFF
        {"cut \xE2\x82", "cut \\xE2\\x82"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(printableText(row.text), row.shown) << row.shown;
}

} // namespace
} // namespace tarvik
