#include "files/FileIdentity.h"

#include "files/StateRecord.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

// A program file is kilobytes; the hash stops here and size and time cover the rest.
constexpr std::int64_t kMaxHashedBytes = 64 << 20;

std::uint64_t hashContents(const std::string& path)
{
    // Non-blocking, so a file swapped for a pipe since the stat cannot hold us up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    std::uint64_t hash = 0;
    std::uint8_t buffer[65536];
    std::int64_t total = 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // Whole buffers to the checksum, however the reads come back: the same contents
        // always give the same hash.
        std::size_t filled = 0;
        bool more = true;
        while (more && total < kMaxHashedBytes) {
            const ssize_t got = ::read(fd, buffer + filled, sizeof buffer - filled);
            if (got < 0 && errno == EINTR)
                continue;
            more = got > 0;
            if (more)
                filled += static_cast<std::size_t>(got);
            if (filled == sizeof buffer || !more) {
                hash = checksum64({buffer, filled}, hash);
                total += static_cast<std::int64_t>(filled);
                filled = 0;
            }
        }
    }
    ::close(fd);
    return hash;
}

} // namespace

FileIdentity identifyFile(const std::string& path)
{
    FileIdentity identity;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return identity;
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    if (S_ISREG(info.st_mode))
        identity.contentHash = hashContents(path);
    return identity;
}

bool fileChanged(const FileIdentity& before, const std::string& path)
{
    return identifyFile(path) != before;
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

} // namespace tarvik
