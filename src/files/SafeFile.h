#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarvik {

enum class WriteStatus { Ok, CannotOpen, WriteFailed };

// What a failed write could not do, for the message that reports it: "Could not create
// a file in /home/ann/projects: Permission denied."
struct WriteError {
    std::string action;  // "create a file in /home/ann/projects"
    int code = 0;        // errno; 0 when the action says it all
    std::string describe() const;
};

// Writes the bytes to a temporary file in the target's folder, syncs it and renames it over
// the target only when every byte is on disk: the target holds either its old contents or
// all of the new ones, and no temporary file is left behind. A file the user may write in
// a folder the user may not is written in place instead, its old contents kept in memory
// and put back should the write fail.
WriteStatus writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                            WriteError* error = nullptr);

} // namespace tarvik
