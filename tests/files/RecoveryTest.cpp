#include "files/Recovery.h"

#include "StateHome.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

namespace tarvik {
namespace {

namespace fs = std::filesystem;

RecoveryState stateOf(const std::string& name, bool untitled, std::size_t size)
{
    RecoveryState state{name, untitled, {}, {}};
    for (std::size_t i = 0; i < size; ++i)
        state.program.push_back(static_cast<std::uint8_t>(i * 7 + name.size()));
    return state;
}

// Runs the body in a child process that then ends; its recovery files stay behind.
template <typename Body>
void inEndedProcess(Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

TEST(Recovery, FilesOfEndedProcessesAreOfferedInOrderAndClaimedOnce)
{
    test::TempDir folder;
    const RecoveryStore store(folder.root() / "state");
    RecoveryState first = stateOf("/home/ann/blink.qel", false, 2780);
    first.onDisk = {true, 2049, 131077, 2780, 1'765'000'000'123'456'789, 0x0123456789ABCDEFull};
    const RecoveryState second = stateOf("Untitled2", true, 64);
    const RecoveryState third = stateOf("/home/ann/é.qel", false, 3000);
    inEndedProcess([&] {
        store.write(2, second);
        store.write(1, first);
        store.write(3, third);
        store.remove(3);  // saved before the crash
    });
    // This process's own files are not left behind: it still runs.
    ASSERT_EQ(store.write(1, stateOf("mine", true, 10)), WriteStatus::Ok);
    const std::string damaged = "recovery-" + std::to_string(test::deadPid()) + "-1.state";
    std::ofstream(folder.root() / "state" / damaged) << "damaged";

    const std::vector<RecoveryFile> left = store.leftBehind();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].fileName, first.fileName);
    EXPECT_FALSE(left[0].untitled);
    EXPECT_EQ(left[1].fileName, second.fileName);
    EXPECT_TRUE(left[1].untitled);
    EXPECT_EQ(store.read(left[1].path), second);

    const std::optional<RecoveryState> claimed = store.claim(left[0], 5);
    ASSERT_TRUE(claimed);
    EXPECT_EQ(*claimed, first);
    EXPECT_FALSE(store.claim(left[0], 6));  // gone: another process cannot have it too
    EXPECT_TRUE(store.discard(left[1]));
    EXPECT_TRUE(store.leftBehind().empty());

    // The claimed state is this process's own now, until the document is saved or closed.
    store.remove(5);
    store.remove(1);
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder.root() / "state"))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{damaged});
}

TEST(Recovery, AProcessKilledWhileWritingLeavesItsLastWholeState)
{
    test::TempDir folder(test::memoryFolder());
    const RecoveryStore store(folder.root());
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (std::size_t size = 1;; size = size * 3 % 200'000 + 1)
                store.write(1, stateOf("Untitled1", true, size));
        }
        ::usleep(static_cast<useconds_t>(kill * 97 % 3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        for (const RecoveryFile& file : store.leftBehind()) {
            const std::optional<RecoveryState> state = store.read(file.path);
            ASSERT_TRUE(state);
            EXPECT_TRUE(*state == stateOf("Untitled1", true, state->program.size()));
            store.discard(file);
        }
    }
}

} // namespace
} // namespace tarvik
