#include "files/InputFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "not a regular file";
}

// Opens without waiting: a named pipe with no writer would otherwise block the open.
int openChecked(const std::string& path, InputCheck& check, struct stat& info)
{
    check = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int code = errno;
        // A folder opens for reading; what does not open may still be something other
        // than a missing file.
        if (code == ENOENT || code == ENOTDIR)
            check.problem = InputCheck::Problem::Missing;
        else if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
            check.problem = InputCheck::Problem::NotAFile, check.kind = kindOf(info.st_mode);
        else
            check.problem = InputCheck::Problem::Unreadable;
        check.code = code;
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        check.problem = InputCheck::Problem::NotAFile;
        check.kind = kindOf(info.st_mode);
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string InputCheck::describe() const
{
    switch (problem) {
    case Problem::None: return {};
    case Problem::Missing:
    case Problem::Unreadable: return std::strerror(code);
    case Problem::NotAFile:
        return kind == "a directory" ? std::string(std::strerror(EISDIR)) : "Is " + kind + ", not a file";
    case Problem::TooLarge: return "Is larger than " + std::to_string(limit) + " bytes";
    }
    return {};
}

InputCheck checkInputFile(const std::string& path)
{
    InputCheck check;
    struct stat info {};
    const int fd = openChecked(path, check, info);
    if (fd >= 0)
        ::close(fd);
    return check;
}

std::optional<std::string> readInputFile(const std::string& path, std::size_t maxBytes, InputCheck& check)
{
    struct stat info {};
    const int fd = openChecked(path, check, info);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            check.problem = InputCheck::Problem::Unreadable;
            check.code = errno;
            break;
        }
        if (got == 0)
            break;
        // The file may have grown since it was opened; the limit holds all the same.
        if (text.size() + static_cast<std::size_t>(got) > maxBytes) {
            check.problem = InputCheck::Problem::TooLarge;
            check.limit = maxBytes;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (!check.ok())
        return std::nullopt;
    return text;
}

} // namespace tarvik
