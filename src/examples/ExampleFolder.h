#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace tarvik {

// The example programs shipped with Tarvik, found from the folder of the running program:
// installed as PREFIX/bin and PREFIX/share/tarvik/examples, or in the build folder, where
// the build keeps a copy of them in examples/ beside the executables. nullopt when neither
// folder exists.
std::optional<std::filesystem::path> findExamplesFolder(const std::filesystem::path& executableDir);

// The program files (.qel) in that folder, sorted by file name.
std::vector<std::filesystem::path> examplePrograms(const std::filesystem::path& folder);

} // namespace tarvik
