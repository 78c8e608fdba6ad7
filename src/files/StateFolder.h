#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tarvik {

// Where Tarvik keeps what must outlive a crash of the process: $XDG_STATE_HOME/tarvik, or
// ~/.local/state/tarvik when that is not set to an absolute path. Not created here.
std::filesystem::path stateFolder();

// Creates the folder and its parents, the last one readable by the user alone; errno of
// the failure, 0 when the folder is there.
int makeStateFolder(const std::filesystem::path& folder);

// The moment a process started, in clock ticks since boot (/proc/PID/stat); nullopt where
// that cannot be read. Together with the pid it names one process, even after the pid is
// reused.
std::optional<std::uint64_t> processStartTime(int pid);

// Whether the process still runs. With a start time the pid counts only while it still
// names the process that started then.
bool processRunning(int pid, std::optional<std::uint64_t> startTime = std::nullopt);

// This host's name, for files that other hosts may see in a shared folder.
std::string hostName();

} // namespace tarvik
