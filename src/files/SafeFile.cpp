#include "files/SafeFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

// Writes every byte from the offset on; on failure error holds errno (EFBIG, ENOSPC, ...).
bool writeAt(int fd, off_t offset, std::span<const std::uint8_t> bytes, int& error)
{
    while (!bytes.empty()) {
        const ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            error = put < 0 ? errno : ENOSPC;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
        offset += put;
    }
    return true;
}

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
        error_ = fd_ >= 0 ? 0 : errno;
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
    // errno of a failed creation, and afterwards of the step that failed.
    int error() const { return error_; }

    bool writeAll(std::span<const std::uint8_t> bytes)
    {
        return writeAt(fd_, 0, bytes, error_);
    }

    // Flushes and closes; the file is complete on disk when this succeeds.
    bool finish()
    {
        const bool synced = ::fsync(fd_) == 0;
        if (!synced)
            error_ = errno;
        const bool closed = ::close(fd_) == 0;
        if (synced && !closed)
            error_ = errno;
        fd_ = -1;
        return synced && closed;
    }

    bool renameOver(const std::filesystem::path& target)
    {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            error_ = errno;
            return false;
        }
        pending_ = false;
        return true;
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    int error_ = 0;
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

WriteStatus fail(WriteStatus status, WriteError* error, std::string action, int code)
{
    if (error)
        *error = {std::move(action), code};
    return status;
}

std::string folderName(const std::filesystem::path& folder)
{
    return folder.empty() ? std::string(".") : folder.string();
}

// Reads the whole of an open file from its start.
bool readAll(int fd, std::vector<std::uint8_t>& bytes, int& error)
{
    std::uint8_t buffer[8192];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            return false;
        }
        if (got == 0)
            return true;
        bytes.insert(bytes.end(), buffer, buffer + got);
        offset += got;
    }
}

// For a folder where no new file may be made. There is no second copy on disk, so the old
// contents wait in memory: room for the new size is claimed first, and a write that fails
// after all puts them back.
WriteStatus writeInPlace(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         WriteError* error)
{
    const std::string name = target.string();
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return fail(WriteStatus::CannotOpen, error, "open " + name, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    int code = 0;
    std::vector<std::uint8_t> old;
    if (!readAll(fd, old, code))
        return fail(WriteStatus::CannotOpen, error, "read " + name, code);
    const auto oldSize = static_cast<off_t>(old.size());
    if (bytes.size() > old.size()) {
        code = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
        if (code != 0 && code != EOPNOTSUPP && code != EINVAL) {
            ::ftruncate(fd, oldSize);
            return fail(WriteStatus::WriteFailed, error, "make room for " + name, code);
        }
    }
    code = 0;
    bool written = writeAt(fd, 0, bytes, code);
    if (written && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        code = errno;
        written = false;
    }
    if (written && ::fsync(fd) != 0) {
        code = errno;
        written = false;
    }
    if (written)
        return WriteStatus::Ok;
    int ignored = 0;
    if (writeAt(fd, 0, old, ignored))
        ::ftruncate(fd, oldSize);
    ::fsync(fd);
    return fail(WriteStatus::WriteFailed, error, "write " + name, code);
}

} // namespace

std::string WriteError::describe() const
{
    if (action.empty())
        return {};
    std::string text = "Could not " + action;
    if (code != 0)
        text += std::string(": ") + std::strerror(code);
    return text + ".";
}

WriteStatus writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes, WriteError* error)
{
    if (path.empty())
        return fail(WriteStatus::CannotOpen, error, "write a file without a name", 0);
    const std::filesystem::path target = resolveTarget(path);

    // An existing target must be a file the user may write: a folder, or a file kept
    // read-only, is not replaced behind the user's back.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return fail(WriteStatus::CannotOpen, error, "write " + target.string() + ", which is not a file", 0);
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return fail(WriteStatus::CannotOpen, error, "write " + target.string(), errno);

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    TemporaryFile temp(folder);
    if (temp.fd() < 0) {
        if (exists)
            return writeInPlace(target, bytes, error);
        return fail(WriteStatus::CannotOpen, error, "create a file in " + folderName(folder), temp.error());
    }
    if (exists) {
        // The replacement keeps the old file's permissions and, where allowed, its owner.
        // Only the superuser may give a file away; an ordinary user's save stays theirs.
        const bool ownerKept = ::fchown(temp.fd(), old.st_uid, old.st_gid) == 0;
        (void)ownerKept;
        ::fchmod(temp.fd(), old.st_mode & 07777);
    }
    // The data reaches the disk before the rename, so a crash leaves either the old file
    // or the new one, never a truncated mix.
    if (!temp.writeAll(bytes) || !temp.finish())
        return fail(WriteStatus::WriteFailed, error, "write " + target.string(), temp.error());
    if (!temp.renameOver(target))
        return fail(WriteStatus::WriteFailed, error, "replace " + target.string(), temp.error());
    return WriteStatus::Ok;
}

} // namespace tarvik
