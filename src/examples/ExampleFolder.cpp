#include "examples/ExampleFolder.h"

#include <algorithm>
#include <system_error>

namespace tarvik {

std::optional<std::filesystem::path> findExamplesFolder(const std::filesystem::path& executableDir)
{
    for (const char* relative : {TARVIK_EXAMPLES_FROM_BINDIR, "examples"}) {
        std::error_code error;
        const std::filesystem::path folder = (executableDir / relative).lexically_normal();
        if (std::filesystem::is_directory(folder, error))
            return folder;
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> examplePrograms(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> programs;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".qel" && it->is_regular_file(error))
            programs.push_back(it->path());
    std::sort(programs.begin(), programs.end());
    return programs;
}

} // namespace tarvik
