#include "files/ProgramFile.h"

#include "../assembler/HexText.h"
#include "../assembler/ProgramBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace tarvik {
namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

class TarvikAsm : public ::testing::Test {
protected:
    Outcome run(const std::vector<std::string>& args)
    {
        std::string command = "cd " + quoted(dir.root().string()) + " && " + quoted(TARVIK_ASM_PATH);
        for (const std::string& arg : args)
            command += " " + quoted(arg);
        command += " > " + quoted(outDir.path("out")) + " 2> " + quoted(outDir.path("err"));
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readWholeFile(outDir.path("out")),
                test::readWholeFile(outDir.path("err"))};
    }

    // Saves a program built by the caller under a path relative to the working folder.
    void save(const std::string& relativePath, const std::function<void(test::ProgramBuilder&)>& build)
    {
        ProgramDocument doc(defaults);
        test::ProgramBuilder builder(doc);
        build(builder);
        std::filesystem::create_directories(std::filesystem::path(dir.path(relativePath)).parent_path());
        ASSERT_EQ(writeProgramFile(dir.path(relativePath), doc), WriteStatus::Ok);
    }

    void saveGoodProgram(const std::string& relativePath)
    {
        save(relativePath, [](test::ProgramBuilder& p) {
            p.line(16, "STATUS,5");
            p.line(13, "TRISB");
            p.line(17, "STATUS,5");
        });
    }

    static constexpr const char* kGoodHex = ":0600000083168601831245\r\n:00000001FF\r\n";

    test::TempDir dir;     // the working folder of tarvik-asm
    test::TempDir outDir;  // its captured output
    DeviceDefaults defaults;
};

TEST_F(TarvikAsm, WritesTheHexFileUnderTheConvertToHexNameInTheCurrentFolder)
{
    struct Row {
        std::string program;
        std::string hexName;
    };
    const Row rows[] = {
        {"src/blink.qel", "blink.hex"},
        {"my.test.qel", "my.hex"},
        {"noextension", "qel.hex"},
    };
    for (const Row& row : rows) {
        saveGoodProgram(row.program);
        const Outcome result = run({row.program});
        EXPECT_EQ(result.exitCode, 0) << row.program;
        EXPECT_EQ(result.err, "") << row.program;
        EXPECT_EQ(test::readWholeFile(dir.path(row.hexName)), kGoodHex) << row.program;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("src/blink.hex")));
}

TEST_F(TarvikAsm, OutputOptionChoosesTheFile)
{
    saveGoodProgram("blink.qel");
    std::filesystem::create_directory(dir.path("out"));
    EXPECT_EQ(run({"-o", "out/firmware.hex", "blink.qel"}).exitCode, 0);
    EXPECT_EQ(test::readWholeFile(dir.path("out/firmware.hex")), kGoodHex);
    EXPECT_FALSE(std::filesystem::exists(dir.path("blink.hex")));

    saveGoodProgram("-dash.qel");
    EXPECT_EQ(run({"--", "-dash.qel"}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path("-dash.hex")));
}

TEST_F(TarvikAsm, AssemblyErrorsGoToStderrAndTouchNoHexFile)
{
    save("bad.qel", [](test::ProgramBuilder& p) {
        p.line(15);
        p.line(7, "TEMP");
    });
    { std::ofstream(dir.path("bad.hex")) << "older"; }
    const Outcome result = run({"bad.qel"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "bad.qel: Error in line 2: symbol not previously defined (TEMP).\n");
    EXPECT_EQ(test::readWholeFile(dir.path("bad.hex")), "older");

    save("range.qel", [](test::ProgramBuilder& p) {
        p.org("H'3FF'");
        p.line(15);
        p.line(15);
        p.line(24, "300");
    });
    const Outcome range = run({"-o", "range.hex", "range.qel"});
    EXPECT_EQ(range.exitCode, 1);
    EXPECT_EQ(range.err, "range.qel: Error in line 3: program out of range.\n"
                         "range.qel: 1 further line is out of range too.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path("range.hex")));

    save("literal.qel", [](test::ProgramBuilder& p) { p.line(24, "300"); });
    EXPECT_EQ(run({"literal.qel"}).err, "literal.qel: Syntax error:'300'\n"
                                        "literal.qel: Error in line 1: symbol not previously defined (300).\n");

    save("unplaced.qel", [](test::ProgramBuilder& p) {
        p.line(15, {}, 0, "GONE").setLabel({});  // the table keeps GONE, no line carries it
        p.line(27, "GONE");
    });
    const Outcome unplaced = run({"unplaced.qel"});
    EXPECT_EQ(unplaced.exitCode, 1);
    EXPECT_EQ(unplaced.err, "unplaced.qel: Error in line 2: symbol not previously defined (GONE).\n");
}

TEST_F(TarvikAsm, UnreadableProgramFilesExitWithTheReadersMessage)
{
    saveGoodProgram("good.qel");
    const std::string good = test::readWholeFile(dir.path("good.qel"));
    { std::ofstream(dir.path("text.qel")) << "not a program"; }
    { std::ofstream(dir.path("cut.qel"), std::ios::binary) << good.substr(0, 100); }
    std::filesystem::create_directory(dir.path("folder.qel"));
    struct Row {
        std::string program;
        std::string message;
    };
    const Row rows[] = {
        {"missing.qel", "The file is not exist!"},
        {"text.qel", "Error! This file does not valid qel file."},
        {"cut.qel", "Error! This file does not valid qel file [1]."},
    };
    for (const Row& row : rows) {
        const Outcome result = run({row.program});
        EXPECT_EQ(result.exitCode, 2) << row.program;
        EXPECT_EQ(result.err, row.program + ": " + row.message + "\n");
    }
    EXPECT_EQ(run({"folder.qel"}).exitCode, 2);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"cut.qel", "folder.qel", "good.qel", "text.qel"}));
}

TEST_F(TarvikAsm, UnwritableOrOverlongHexNamesExitWithTwo)
{
    saveGoodProgram("blink.qel");
    const Outcome result = run({"-o", "no/such/dir/x.hex", "blink.qel"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "blink.qel: Otvaranje fajla no/such/dir/x.hex nije uspelo!\n"
                          "blink.qel: Could not create a file in no/such/dir: No such file or directory.\n");

    const std::string longName = std::string(40, 'n') + ".qel";
    saveGoodProgram(longName);
    const Outcome tooLong = run({longName});
    EXPECT_EQ(tooLong.exitCode, 2);
    EXPECT_EQ(tooLong.err, longName + ": The file name " + longName + " is too long!\n");
    // The same program under a chosen name is fine.
    EXPECT_EQ(run({"-o", "short.hex", longName}).exitCode, 0);
}

TEST_F(TarvikAsm, TheProgramFileIsNeverReplacedByItsOwnHex)
{
    struct Row {
        std::string program;
        std::vector<std::string> args;
        std::string hexName;
    };
    const Row rows[] = {
        {"prog.hex", {"prog.hex"}, "prog.hex"},
        {"blink.qel", {"-o", "./blink.qel", "blink.qel"}, "./blink.qel"},
    };
    for (const Row& row : rows) {
        saveGoodProgram(row.program);
        const std::string saved = test::readWholeFile(dir.path(row.program));
        const Outcome result = run(row.args);
        EXPECT_EQ(result.exitCode, 2) << row.program;
        EXPECT_EQ(result.err, row.program + ": The HEX file " + row.hexName + " would overwrite the program!\n");
        EXPECT_TRUE(test::readWholeFile(dir.path(row.program)) == saved) << row.program << " was overwritten";
    }
}

TEST_F(TarvikAsm, CommandLineMistakesShowTheUsage)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: tarvik-asm [-o OUT.hex] PROGRAM.qel"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    EXPECT_EQ(run({"-h"}).exitCode, 0);

    const std::vector<std::vector<std::string>> mistakes = {
        {}, {"-x", "a.qel"}, {"--verbose"}, {"a.qel", "b.qel"}, {"a.qel", "-o"},
    };
    for (const auto& args : mistakes) {
        const Outcome result = run(args);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_NE(result.err.find("usage: tarvik-asm"), std::string::npos) << ::testing::PrintToString(args);
    }
    EXPECT_TRUE(dir.entries().empty());
}

} // namespace
} // namespace tarvik
