#include "files/SafeFile.h"

#include "FileSizeLimit.h"
#include "StateHome.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <random>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    Bytes bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Distinct at every offset, so a mix of two contents never passes for either.
Bytes pattern(std::size_t size, std::uint32_t seed)
{
    Bytes bytes(size);
    std::mt19937 random(seed);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

enum class Writer { Unnamed, Named, InPlace };

WriteStatus write(Writer writer, const fs::path& path, const Bytes& bytes)
{
    testing::useUnnamedTemporaryFiles(writer != Writer::Named);
    const WriteStatus status = writer == Writer::InPlace ? writeFileInPlace(path.string(), bytes)
                                                         : writeFileSafely(path.string(), bytes);
    testing::useUnnamedTemporaryFiles(true);
    return status;
}

TEST(SafeFileKill, AWriterKilledAnywhereLeavesTheOldOrTheNewFileWholeAndNothingElse)
{
    struct Row {
        const char* name;
        Writer writer;
        int kills;
    };
    const Row rows[] = {
        {"unnamed temporary", Writer::Unnamed, 200},
        {"named temporary", Writer::Named, 100},
        {"in place", Writer::InPlace, 50},
    };
    const Bytes older = pattern(600'000, 1);
    const Bytes newer = pattern(1'000'000, 2);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // In memory where there is a file system there, so that the kills fall on the steps
        // that matter rather than on waits for the disk.
        test::TempDir folder(test::memoryFolder());
        test::StateHome state(test::memoryFolder());
        const fs::path target = folder.root() / "prog.qel";
        ASSERT_EQ(writeFileSafely(target.string(), older), WriteStatus::Ok);
        // Kills spread over twice the time one write takes reach every step of it.
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(write(row.writer, target, newer), WriteStatus::Ok);
        ASSERT_EQ(write(row.writer, target, older), WriteStatus::Ok);
        const auto writeTime = std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now() - start).count() / 2;
        std::mt19937 random(7);
        long range = 2 * writeTime + 200;

        int seenOld = 0, seenNew = 0, restored = 0;
        std::size_t mostLeftOver = 0;
        int kills = 0;
        // A kill in place falls inside the few writes that can cut the file now and then
        // (rarely on a loaded machine, whose time slices are longer than a write): go on
        // until one did, so that putting the old contents back is seen to work. A machine
        // slower than at the measurement widens the delays until kills land on both contents.
        const auto enough = [&] {
            return kills >= row.kills && seenOld > 0 && seenNew > 0 && (row.writer != Writer::InPlace || restored > 0);
        };
        for (; !enough() && kills < 40 * row.kills; ++kills) {
            if (kills > 0 && kills % row.kills == 0)
                range *= 2;
            // The delay counts from the child's first write: on a loaded machine a fork can
            // take longer to start than the whole delay range.
            int started[2];
            ASSERT_EQ(::pipe(started), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(started[0]);
                const char ready = 'r';
                if (::write(started[1], &ready, 1) != 1)
                    ::_exit(1);
                for (int i = 0;; ++i)
                    write(row.writer, target, i % 2 == 0 ? newer : older);
            }
            ::close(started[1]);
            char ready = 0;
            ASSERT_EQ(::read(started[0], &ready, 1), 1);
            ::close(started[0]);
            ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<long>(0, range)(random)));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);

            if (row.writer == Writer::InPlace) {
                for (const InterruptedWrite& interrupted : restoreInterruptedWrites(state.folder())) {
                    EXPECT_EQ(interrupted.target, target.string());
                    EXPECT_NE(interrupted.outcome, InterruptedWrite::Outcome::Kept) << interrupted.copy;
                    restored += interrupted.outcome == InterruptedWrite::Outcome::Restored;
                }
                ASSERT_TRUE(fs::is_empty(state.folder())) << "kill " << kills;
            }
            const Bytes now = fileBytes(target);
            ASSERT_TRUE(now == older || now == newer) << "kill " << kills << ": " << now.size() << " bytes";
            (now == older ? seenOld : seenNew)++;
            mostLeftOver = std::max(mostLeftOver, folder.entries().size() - 1);
        }
        // A kill between naming the temporary file and the rename leaves a name; the next
        // writer into the folder removes it.
        EXPECT_LE(mostLeftOver, 1u);
        ASSERT_EQ(write(row.writer, target, older), WriteStatus::Ok);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"prog.qel"});
        EXPECT_GT(seenOld, 0);
        EXPECT_GT(seenNew, 0);
        EXPECT_TRUE(enough());
        std::printf("%s: %d kills: old %d, new %d, restored %d\n", row.name, kills, seenOld, seenNew, restored);
    }
}

TEST(SafeFileStale, OnlyTheTemporaryFilesOfEndedProcessesOfThisHostAreRemoved)
{
    test::TempDir folder;
    const int dead = test::deadPid();
    const std::string self = std::to_string(::getpid());
    const std::vector<std::string> stale = {
        ".tarvik-" + std::to_string(dead) + "-3.tmp",  // as older versions named them
        ".tarvik-" + hostName() + "-" + std::to_string(dead) + "-1.tmp",
    };
    const std::vector<std::string> kept = {
        ".tarvik-" + hostName() + "-" + self + "-1.tmp",           // a writer still at work
        ".tarvik-other-host-" + std::to_string(dead) + "-1.tmp",  // the pid means nothing here
        ".tarvik-x-1.tmp",
        "notes.tmp",
    };
    for (const auto& names : {stale, kept})
        for (const std::string& name : names)
            std::ofstream(folder.path(name)) << "x";
    EXPECT_TRUE(isTemporaryFileName(stale[0]));
    EXPECT_FALSE(isTemporaryFileName(kept[3]));

    testing::useUnnamedTemporaryFiles(false);
    EXPECT_EQ(writeFileSafely(folder.path("prog.qel"), Bytes{1, 2}), WriteStatus::Ok);
    testing::useUnnamedTemporaryFiles(true);
    std::vector<std::string> expected = kept;
    expected.push_back("prog.qel");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder.entries(), expected);
}

TEST(SafeFileErrors, AFailedWriteNamesTheCauseAndLeavesTheTargetAsItWas)
{
    test::TempDir folder;
    fs::create_directory(folder.root() / "dir.qel");
    ::mkfifo(folder.path("fifo.qel").c_str(), 0600);
    std::ofstream(folder.path("big.qel")) << "old";
    struct Row {
        std::string path;
        WriteStatus status;
        std::string cause;
    };
    const Row rows[] = {
        {folder.path("dir.qel"), WriteStatus::CannotOpen, "Could not write " + folder.path("dir.qel") + ": Is a directory."},
        {folder.path("fifo.qel"), WriteStatus::CannotOpen,
         "Could not write " + folder.path("fifo.qel") + ", which is not a regular file."},
        {folder.path("none/x.qel"), WriteStatus::CannotOpen,
         "Could not create a file in " + folder.path("none") + ": No such file or directory."},
        {folder.path("big.qel"), WriteStatus::WriteFailed, "Could not write " + folder.path("big.qel") + ": File too large."},
    };
    for (const Row& row : rows) {
        WriteError error;
        test::FileSizeLimit limit(4096);
        EXPECT_EQ(writeFileSafely(row.path, Bytes(8192, 1), &error), row.status) << row.path;
        EXPECT_EQ(error.describe(), row.cause);

        // Written piece by piece, the same refusals with the same causes.
        SafeFileStream stream(row.path);
        EXPECT_EQ(stream.ok(), row.status == WriteStatus::WriteFailed) << row.path;
        for (int piece = 0; piece < 4; ++piece)
            stream.write(std::string(2048, 'x'));
        EXPECT_EQ(stream.commit(), WriteStatus::WriteFailed) << row.path;
        EXPECT_EQ(stream.error().describe(), row.cause);
    }
    EXPECT_EQ(fileBytes(folder.path("big.qel")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"big.qel", "dir.qel", "fifo.qel"}));
}

TEST(SafeFileStream, TheTargetKeepsItsOldContentsUntilTheWholeStreamIsCommitted)
{
    test::TempDir folder;
    const std::string target = folder.path("wave.vcd");
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    {
        SafeFileStream abandoned(target);
        EXPECT_TRUE(abandoned.write("never "));
        EXPECT_EQ(folder.entries().size(), 2u);  // the target and the stream's own file
    }
    EXPECT_EQ(fileBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"wave.vcd"}));

    SafeFileStream stream(target);
    for (const char* piece : {"one ", "two ", "three"})
        EXPECT_TRUE(stream.write(piece));
    EXPECT_EQ(fileBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(stream.commit(), WriteStatus::Ok);
    const std::string text = "one two three";
    EXPECT_EQ(fileBytes(target), Bytes(text.begin(), text.end()));
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"wave.vcd"}));
}

TEST(SafeFileInPlace, TheOldContentsWaitInTheStateFolderUntilTheWriteIsDone)
{
    test::TempDir folder;
    test::StateHome state;
    const fs::path target = folder.root() / "prog.qel";
    std::ofstream(target) << "old contents";
    ::chmod(target.c_str(), 0640);
    const Bytes newer = {'n', 'e', 'w'};

    ASSERT_EQ(writeFileInPlace(target.string(), newer), WriteStatus::Ok);
    EXPECT_EQ(fileBytes(target), newer);
    EXPECT_TRUE(fs::is_empty(state.folder()));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Without room for the copy nothing is written.
    {
        test::FileSizeLimit limit(1024);
        WriteError error;
        EXPECT_EQ(writeFileInPlace(target.string(), Bytes(4096, 'x'), &error), WriteStatus::CannotOpen);
        EXPECT_EQ(error.describe(), "Could not keep a copy of " + target.string() + " in " + state.folder().string()
                                        + ": File too large.");
    }
    EXPECT_EQ(fileBytes(target), newer);
    EXPECT_TRUE(fs::is_empty(state.folder()));
    EXPECT_TRUE(restoreInterruptedWrites(state.folder()).empty());

    // Nor without a place for it.
    fs::remove(state.folder());
    std::ofstream(state.folder()) << "a file where the folder should be";
    WriteError error;
    EXPECT_EQ(writeFileInPlace(target.string(), Bytes{1}, &error), WriteStatus::CannotOpen);
    EXPECT_EQ(error.describe(), "Could not keep a copy of " + target.string() + " in " + state.folder().string()
                                    + ": Not a directory.");
    EXPECT_EQ(fileBytes(target), newer);
}

} // namespace
} // namespace tarvik
