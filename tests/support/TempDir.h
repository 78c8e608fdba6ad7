#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tarvik::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
public:
    explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path())
    {
        std::string pattern = (base / "tarvik-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            root_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        for (auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored))
            if (entry.is_directory(ignored))
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::string path(const std::string& name) const { return (root_ / name).string(); }
    // Names directly in the folder, sorted.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path root_;
};

// Runs a test body in another current directory and goes back afterwards.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& dir) : saved_(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~CurrentDirectory() { std::filesystem::current_path(saved_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::filesystem::path saved_;
};

} // namespace tarvik::test
