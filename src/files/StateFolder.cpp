#include "files/StateFolder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

std::filesystem::path stateFolder()
{
    // The base directory rules: a relative value is ignored, as if it were not set.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::filesystem::path(state) / "tarvik";
    std::string home;
    if (const char* value = std::getenv("HOME"); value && value[0] != '\0')
        home = value;
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        home = entry->pw_dir;
    return std::filesystem::path(home.empty() ? "/" : home) / ".local" / "state" / "tarvik";
}

int makeStateFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

std::optional<std::uint64_t> processStartTime(int pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return std::nullopt;
    // The command name in parentheses may hold blanks and parentheses of its own; the
    // fields after the last ')' start with the third, and the start time is the 22nd.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        if (!(fields >> field))
            return std::nullopt;
    char* end = nullptr;
    const unsigned long long ticks = std::strtoull(field.c_str(), &end, 10);
    if (end == field.c_str() || *end != '\0')
        return std::nullopt;
    return ticks;
}

bool processRunning(int pid, std::optional<std::uint64_t> startTime)
{
    if (pid <= 0)
        return false;
    if (startTime) {
        if (const std::optional<std::uint64_t> now = processStartTime(pid))
            return *now == *startTime;
    }
    // Another user's process answers EPERM: it runs all the same.
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

} // namespace tarvik
