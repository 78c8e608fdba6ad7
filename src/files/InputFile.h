#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tarvik {

// Why a file named as input cannot be read, in the system's own words.
struct InputCheck {
    enum class Problem { None, Missing, NotAFile, Unreadable, TooLarge };
    Problem problem = Problem::None;
    int code = 0;                // errno for Missing and Unreadable
    std::string kind;            // for NotAFile: "a directory", "a named pipe", ...
    std::size_t limit = 0;       // for TooLarge

    bool ok() const { return problem == Problem::None; }
    // "No such file or directory", "Permission denied", "Is a named pipe, not a file".
    std::string describe() const;
};

// Whether the path names a regular file this process may read. A named pipe, a device or
// a folder is refused at once, without waiting for anything to arrive through it.
InputCheck checkInputFile(const std::string& path);

// The whole of a regular file of at most maxBytes; nullopt, with the reason in check,
// for anything else.
std::optional<std::string> readInputFile(const std::string& path, std::size_t maxBytes, InputCheck& check);

} // namespace tarvik
