// Tarvik as a user runs it: the real program on a display of its own (Xvfb, with openbox),
// keys typed with xdotool, killed with SIGKILL, started again. Each case has its own state
// and runtime folders, so neither parallel runs nor a real Tarvik of the user are met.

#include "files/ProgramFile.h"
#include "files/Recovery.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool installed(const char* program)
{
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Starts a program with this process's environment, its output discarded.
pid_t spawn(const std::vector<std::string>& command, const fs::path& folder = fs::current_path())
{
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of the process, or nullopt when it has not ended within the time.
std::optional<int> exitStatus(pid_t pid, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < end);
    return std::nullopt;
}

void stop(pid_t pid, int signal = SIGTERM)
{
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    if (!exitStatus(pid, 5s)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

// What xdotool prints; empty when it fails or outlasts the time.
std::string xdotool(const std::string& arguments, int seconds = 20)
{
    std::string output;
    FILE* pipe = ::popen(("timeout " + std::to_string(seconds) + " xdotool " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    ::pclose(pipe);
    return output;
}

// The first window whose title matches, once it is shown; empty when none comes.
std::string awaitWindow(const std::string& title)
{
    const std::string found = xdotool("search --sync --onlyvisible --name '" + title + "'");
    return found.substr(0, found.find('\n'));
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

int blankLinesIn(const std::string& path)
{
    const DeviceDefaults defaults;
    const ReadOutcome read = readProgramFile(path, defaults);
    if (read.status != ReadStatus::Ok)
        return -1;
    int blanks = 0;
    for (const ProgramLine& line : read.document->lines)
        blanks += line.code == kBlankCode ? 1 : 0;
    return blanks;
}

// One display for all cases, with a window manager so that windows take the focus as on a
// desktop.
class Display : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!installed("Xvfb") || !installed("xdotool"))
            return;
        int pipe[2];
        if (::pipe(pipe) != 0)
            return;
        xvfb_ = spawnWithDisplayFd(pipe[1]);
        ::close(pipe[1]);
        char number[16] = {};
        const ssize_t got = ::read(pipe[0], number, sizeof number - 1);
        ::close(pipe[0]);
        if (got <= 0)
            return;
        ::setenv("DISPLAY", (":" + std::to_string(std::atoi(number))).c_str(), 1);
        // A window mapped while the window manager is still starting may stay unmapped.
        if (installed("openbox")) {
            const fs::path started = folder_.root() / "openbox-started";
            openbox_ = spawn({"openbox", "--startup", "touch " + started.string()});
            if (!eventually([&] { return fs::exists(started); }))
                return;
        }
        ready_ = true;
    }
    void TearDown() override
    {
        stop(openbox_);
        stop(xvfb_);
    }
    static bool ready() { return ready_; }

private:
    // Xvfb picks a free display and writes its number to the descriptor.
    static pid_t spawnWithDisplayFd(int fd)
    {
        const std::string descriptor = std::to_string(fd);
        const char* argv[] = {"Xvfb", "-displayfd", descriptor.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                              nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    test::TempDir folder_;
    pid_t xvfb_ = -1;
    pid_t openbox_ = -1;
    static inline bool ready_ = false;
};

const auto* const kDisplay = ::testing::AddGlobalTestEnvironment(new Display);

class XvfbSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Display::ready())
            GTEST_SKIP() << "needs Xvfb and xdotool";
        fs::create_directory(folder_.root() / "runtime");
        fs::permissions(folder_.root() / "runtime", fs::perms::owner_all);
        ::setenv("XDG_STATE_HOME", (folder_.root() / "state").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (folder_.root() / "runtime").c_str(), 1);
    }
    void TearDown() override
    {
        for (const pid_t pid : started_)
            stop(pid);
    }

    pid_t startTarvik(const std::vector<std::string>& files = {})
    {
        std::vector<std::string> command{TARVIK_APP_PATH};
        command.insert(command.end(), files.begin(), files.end());
        const pid_t pid = spawn(command, folder_.root());
        started_.push_back(pid);
        return pid;
    }
    // The exit status of a Tarvik started here, which is then no longer stopped at the end.
    std::optional<int> ended(pid_t pid, std::chrono::milliseconds limit)
    {
        const std::optional<int> status = exitStatus(pid, limit);
        if (status)
            std::erase(started_, pid);
        return status;
    }
    std::string path(const std::string& name) const { return folder_.path(name); }
    fs::path stateFolder() const { return folder_.root() / "state" / "tarvik"; }

private:
    test::TempDir folder_;
    std::vector<pid_t> started_;
};

TEST_F(XvfbSession, BlankLinesTypedBeforeAKillAreRecoveredAndSaved)
{
    const pid_t first = startTarvik();
    const std::string window = awaitWindow("^Tarvik - Visual");
    ASSERT_FALSE(window.empty());
    // Keys go to the window once it has the focus, however slowly a busy machine gives it.
    xdotool("windowactivate --sync " + window + " key --delay 30 Return Return Return");
    // Soon (5 seconds once typed, more on a busy machine) the recovery file holds all three lines.
    const RecoveryStore store(stateFolder());
    const fs::path file = stateFolder() / ("recovery-" + std::to_string(first) + "-1.state");
    EXPECT_TRUE(eventually(
        [&] {
            const std::optional<RecoveryState> state = store.read(file);
            return state && state->program.size() == 2780 + 3 * 64;
        },
        20s));
    ::kill(first, SIGKILL);
    ASSERT_TRUE(ended(first, 5s));

    startTarvik();
    const std::string question = awaitWindow("^Tarvik$");
    ASSERT_FALSE(question.empty());
    xdotool("windowfocus --sync " + question + " key Return");
    ASSERT_TRUE(eventually([&] { return store.leftBehind().empty(); }));
    // The main window has the focus again before Ctrl+S goes to it.
    const std::string recovered = awaitWindow("^Tarvik - Visual");
    ASSERT_FALSE(recovered.empty());
    xdotool("windowactivate --sync " + recovered + " key ctrl+s");
    const std::string saveAs = awaitWindow("^Save  As$");
    ASSERT_FALSE(saveAs.empty());
    const std::string saved = path("recovered.qel");
    xdotool("windowfocus --sync " + saveAs + " type --delay 5 '" + saved + "'");
    xdotool("key Return");
    EXPECT_TRUE(eventually([&] { return blankLinesIn(saved) == 3; }));
}

TEST_F(XvfbSession, ASecondStartHandsItsFileToTheFirstAndEnds)
{
    {
        const DeviceDefaults defaults;
        ProgramDocument program(defaults);
        ASSERT_EQ(writeProgramFile(path("blink.qel"), program), WriteStatus::Ok);
    }
    startTarvik();
    const std::string window = awaitWindow("^Tarvik - Visual");
    ASSERT_FALSE(window.empty());

    // Named from the folder it starts in, as a shell passes it.
    const pid_t second = startTarvik({"blink.qel"});
    EXPECT_EQ(ended(second, 10s), std::optional(0));

    // blink.qel is the active document of the first (which opened it before it handles these
    // keys): Enter adds a line to it, Ctrl+S saves it.
    xdotool("windowactivate --sync " + window + " key --delay 30 Return ctrl+s");
    EXPECT_TRUE(eventually([&] { return blankLinesIn(path("blink.qel")) == 1; }));
}

} // namespace
} // namespace tarvik
