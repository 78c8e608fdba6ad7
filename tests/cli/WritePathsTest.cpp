// tarvik-asm's inputs and outputs as a process sees them: no spelling of a file lets a
// command write over its own input, anything but a regular file is refused as input at once,
// and every failure says what the system said.

#include "files/ProgramFile.h"

#include "../assembler/HexText.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvik {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSource = "        list p=16f84a\n"
                                "        #include <p16f84a.inc>\n"
                                "start   bsf PORTB,0\n"
                                "        goto start\n"
                                "        end\n";

class WritePaths : public ::testing::Test {
protected:
    struct Outcome {
        int exitCode;
        std::string err;
    };

    void SetUp() override
    {
        // Other users must reach the working folder for the rows run as one.
        fs::permissions(dir.root(), fs::perms::all);
        fs::permissions(state.root(), fs::perms::all);
        std::ofstream(dir.path("S.asm")) << kSource;
        ASSERT_EQ(writeProgramFile(dir.path("prog.qel"), ProgramDocument(defaults)), WriteStatus::Ok);
        ASSERT_EQ(::mkfifo(dir.path("fifo.qel").c_str(), 0666), 0);
        fs::create_directory(dir.path("dir.qel"));
    }

    // Runs tarvik-asm in the working folder through an optional wrapper command (which
    // ends in "exec"); a named pipe that it waited on would show as the timeout's 124.
    Outcome run(const std::string& args, const std::string& wrapper = "exec")
    {
        const std::string command = "cd '" + dir.root().string() + "' && XDG_STATE_HOME='" + state.root().string()
            + "' timeout 20 sh -c \"" + wrapper + " '" + TARVIK_ASM_PATH + "' " + args + "\" 2> '" + out.path("err")
            + "' > /dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readWholeFile(out.path("err"))};
    }

    std::string contents(const std::string& name) const { return test::readWholeFile(dir.path(name)); }

    test::TempDir dir;
    test::TempDir state;
    test::TempDir out;
    DeviceDefaults defaults;
};

TEST_F(WritePaths, NoCommandWritesOverItsOwnInputHoweverTheOutputIsSpelled)
{
    fs::create_symlink("S.asm", dir.path("S-link.asm"));
    fs::create_hard_link(dir.path("S.asm"), dir.path("S-hard.asm"));
    fs::create_symlink("prog.qel", dir.path("prog-link.qel"));
    fs::create_hard_link(dir.path("prog.qel"), dir.path("prog-hard.qel"));
    const std::string program = contents("prog.qel");
    struct Row {
        std::string args;
        std::string message;  // the start of standard error
    };
    const std::vector<Row> rows = {
        {"--import S.asm -o ./S.asm", "tarvik-asm: the program file would replace the source S.asm"},
        {"--import S.asm -o " + dir.path("S.asm"), "tarvik-asm: the program file would replace the source S.asm"},
        {"--import S.asm -o S-link.asm", "tarvik-asm: the program file would replace the source S.asm"},
        {"--import S.asm -o S-hard.asm", "tarvik-asm: the program file would replace the source S.asm"},
        {"--import ./S-link.asm -o S.asm", "tarvik-asm: the program file would replace the source ./S-link.asm"},
        {"--export prog.qel -o ./prog.qel", "./prog.qel: the source would replace the program file itself"},
        {"--export prog.qel -o prog-link.qel", "prog-link.qel: the source would replace the program file itself"},
        {"--export prog.qel -o prog-hard.qel", "prog-hard.qel: the source would replace the program file itself"},
        {"-o " + dir.path("prog.qel") + " prog.qel", "prog.qel: The HEX file " + dir.path("prog.qel") + " would overwrite"},
        {"-o prog-link.qel prog.qel", "prog.qel: The HEX file prog-link.qel would overwrite the program!"},
        {"-o prog-hard.qel prog.qel", "prog.qel: The HEX file prog-hard.qel would overwrite the program!"},
    };
    for (const Row& row : rows) {
        const Outcome outcome = run(row.args);
        EXPECT_EQ(outcome.exitCode, 2) << row.args;
        EXPECT_EQ(outcome.err.substr(0, row.message.size()), row.message) << row.args;
        EXPECT_EQ(contents("S.asm"), kSource) << row.args;
        EXPECT_EQ(contents("prog.qel"), program) << row.args;
    }
}

TEST_F(WritePaths, AnInputThatIsNoFileIsRefusedAtOnceAndNeverCalledMissing)
{
    ASSERT_EQ(::mkfifo(dir.path("fifo.asm").c_str(), 0666), 0);
    fs::create_directory(dir.path("dir.asm"));
    const std::string pipe = "cannot read the file\nNAME: Is a named pipe, not a file\n";
    const std::string folder = "cannot read the file\nNAME: Is a directory\n";
    struct Row {
        std::string args;
        std::string name;
        std::string message;  // NAME stands for the name
    };
    const Row rows[] = {
        {"--import fifo.asm", "fifo.asm", pipe},
        {"--import dir.asm", "dir.asm", folder},
        {"--import missing.asm", "missing.asm", "cannot read the file\nNAME: No such file or directory\n"},
        {"--simulate 10 fifo.qel", "fifo.qel", pipe},
        {"--export fifo.qel", "fifo.qel", pipe},
        {"--list dir.qel", "dir.qel", folder},
        {"fifo.qel", "fifo.qel", pipe},
        {"dir.qel", "dir.qel", folder},
        {"missing.qel", "missing.qel", "The file is not exist!\n"},
    };
    for (const Row& row : rows) {
        std::string expected = row.name + ": " + row.message;
        for (std::size_t at; (at = expected.find("NAME")) != std::string::npos;)
            expected.replace(at, 4, row.name);
        const Outcome outcome = run(row.args);
        EXPECT_EQ(outcome.exitCode, 2) << row.args;
        EXPECT_EQ(outcome.err, expected) << row.args;
    }
}

TEST_F(WritePaths, AFailedWriteSaysTheSystemsReasonOnTheSecondLine)
{
    fs::create_directory(dir.path("locked"));
    fs::permissions(dir.path("locked"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                            | fs::perms::others_read | fs::perms::others_exec);
    fs::create_directory(dir.path("mnt"));
    // Root may write anywhere: the permission row runs as nobody. A file system of our own,
    // read-only or full, needs a user namespace; where there is none those rows are skipped.
    const std::string asOther = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "exec";
    const bool namespaces = std::system("unshare --user --map-root-user --mount true 2> /dev/null") == 0;
    const auto script = [&](const std::string& name, const std::string& setUp) {
        std::ofstream(out.path(name)) << "unshare --user --map-root-user --mount sh -c '"
                                         "mount -t tmpfs -o size=16k tmpfs mnt && " << setUp
                                      << " exec \"$0\" \"$@\"' \"$@\"\n";
        return "sh " + out.path(name);
    };
    const std::string readOnly = script("read-only.sh", "mount -o remount,ro mnt &&");
    const std::string full = script("full.sh", "head -c 20000 /dev/zero > mnt/fill 2> /dev/null;");
    struct Row {
        std::string args;
        std::string wrapper;
        std::string err;
        bool needsNamespaces = false;
    };
    const std::vector<Row> rows = {
        {"-o dir.qel prog.qel", "exec",
         "prog.qel: Otvaranje fajla dir.qel nije uspelo!\nprog.qel: Could not write dir.qel: Is a directory.\n"},
        {"--export prog.qel -o dir.qel", "exec", "dir.qel: cannot write the file\ndir.qel: Could not write dir.qel: Is a directory.\n"},
        {"--import S.asm -o dir.qel", "exec", "dir.qel: cannot write the file\ndir.qel: Could not write dir.qel: Is a directory.\n"},
        {"--import S.asm -o locked/S.qel", asOther,
         "locked/S.qel: cannot write the file\nlocked/S.qel: Could not create a file in locked: Permission denied.\n"},
        {"-o mnt/prog.hex prog.qel", readOnly,
         "prog.qel: Otvaranje fajla mnt/prog.hex nije uspelo!\n"
         "prog.qel: Could not create a file in mnt: Read-only file system.\n", true},
        {"--import S.asm -o mnt/S.qel", full,
         "mnt/S.qel: cannot write the file\nmnt/S.qel: Could not write mnt/S.qel: No space left on device.\n", true},
    };
    for (const Row& row : rows) {
        if (row.needsNamespaces && !namespaces) {
            std::printf("skipped without user namespaces: %s\n", row.args.c_str());
            continue;
        }
        const Outcome outcome = run(row.args, row.wrapper);
        EXPECT_EQ(outcome.exitCode, 2) << row.args;
        EXPECT_EQ(outcome.err, row.err) << row.args;
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"S.asm", "dir.qel", "fifo.qel", "locked", "mnt", "prog.qel"}));
    EXPECT_TRUE(fs::is_empty(dir.path("locked")));
}

TEST_F(WritePaths, ImportRefusesAnOverlongLineAndShowsBytesThatAreNotUtf8Escaped)
{
    std::ofstream(dir.path("long.asm")) << "        list p=16f84a\n;" << std::string(3'900'000, 'x') << "\n        nop\n";
    const Outcome overlong = run("--import long.asm");
    EXPECT_EQ(overlong.exitCode, 1);
    EXPECT_EQ(overlong.err, "long.asm:2: the line is longer than 4096 characters\n");
    EXPECT_FALSE(fs::exists(dir.path("long.qel")));

    std::ofstream(dir.path("latin\xE9.asm")) << "        list p=16f84a\n        \xE9t\xE9\n";
    const Outcome latin = run("--import latin\xE9.asm");
    EXPECT_EQ(latin.exitCode, 1);
    EXPECT_EQ(latin.err, "latin\\xE9.asm:2: unknown mnemonic or directive '\\xE9t\\xE9'\n");

    const Outcome control = run("'\x1B[2Jname.qel'");
    EXPECT_EQ(control.err, "\\x1B[2Jname.qel: The file is not exist!\n");
}

} // namespace
} // namespace tarvik
