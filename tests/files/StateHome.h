#pragma once

#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace tarvik::test {

// Points the state folder into a fresh folder for the life of the object.
class StateHome {
public:
    explicit StateHome(const std::filesystem::path& base = std::filesystem::temp_directory_path()) : home_(base)
    {
        if (const char* old = std::getenv("XDG_STATE_HOME"))
            saved_ = old;
        ::setenv("XDG_STATE_HOME", home_.root().c_str(), 1);
    }
    ~StateHome()
    {
        if (saved_)
            ::setenv("XDG_STATE_HOME", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
    }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;

    // The folder Tarvik keeps its state in, below the home.
    std::filesystem::path folder() const { return home_.root() / "tarvik"; }

private:
    TempDir home_;
    std::optional<std::string> saved_;
};

// A folder on a file system in memory where there is one, for tests whose writes would
// otherwise wait on the disk most of the time.
inline std::filesystem::path memoryFolder()
{
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

// A pid that named a process which has ended.
inline int deadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

} // namespace tarvik::test
