#include "files/SafeFile.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

class TemporaryFile {
public:
    // Creates a new, empty file in the folder; fd() < 0 when that is impossible. Created
    // with 0666 rather than through mkstemp so that the umask decides a new file's mode.
    explicit TemporaryFile(const std::filesystem::path& folder)
    {
        static unsigned serial = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = folder / (".tarvik-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".tmp");
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST)
                break;
        }
        pending_ = fd_ >= 0;
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (pending_)
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }

    bool writeAll(std::span<const std::uint8_t> bytes)
    {
        while (!bytes.empty()) {
            const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            bytes = bytes.subspan(static_cast<std::size_t>(put));
        }
        return true;
    }

    // Flushes and closes; the file is complete on disk when this succeeds.
    bool finish()
    {
        const bool synced = ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return synced && closed;
    }

    bool renameOver(const std::filesystem::path& target)
    {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            return false;
        pending_ = false;
        return true;
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    bool pending_ = false;  // created by us and not yet renamed: removed on destruction
};

// Saving through a symbolic link replaces the file it points to, not the link.
std::filesystem::path resolveTarget(const std::string& path)
{
    std::error_code error;
    std::filesystem::path target(path);
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

} // namespace

WriteStatus writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        return WriteStatus::CannotOpen;
    const std::filesystem::path target = resolveTarget(path);

    // An existing target must be a file the user may write: a folder, or a file kept
    // read-only, is not replaced behind the user's back.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0))
        return WriteStatus::CannotOpen;

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    TemporaryFile temp(folder);
    if (temp.fd() < 0)
        return WriteStatus::CannotOpen;
    if (exists) {
        // The replacement keeps the old file's permissions and, where allowed, its owner.
        // Only the superuser may give a file away; an ordinary user's save stays theirs.
        const bool ownerKept = ::fchown(temp.fd(), old.st_uid, old.st_gid) == 0;
        (void)ownerKept;
        ::fchmod(temp.fd(), old.st_mode & 07777);
    }
    // The data reaches the disk before the rename, so a crash leaves either the old file
    // or the new one, never a truncated mix.
    if (!temp.writeAll(bytes) || !temp.finish() || !temp.renameOver(target))
        return WriteStatus::WriteFailed;
    return WriteStatus::Ok;
}

} // namespace tarvik
