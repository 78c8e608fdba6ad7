#include "files/SafeFile.h"

#include "files/StateRecord.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

std::atomic<bool> unnamedTemporaryFiles{true};
std::atomic<unsigned> serial{0};

constexpr std::string_view kTemporaryPrefix = ".tarvik-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kCopyPrefix = "write-";
constexpr std::string_view kCopySuffix = ".old";
constexpr std::string_view kCopyMagic = "TARVIK-OLD-CONTENTS-1\n";

// Closes a descriptor when the scope ends.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value) : fd(value) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

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

// Reads the whole of an open file from its start.
bool readAll(int fd, std::vector<std::uint8_t>& bytes, int& error)
{
    std::uint8_t buffer[65536];
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

// Opens a regular file for reading and writing; a pipe or device is refused without
// waiting for a writer at its other end.
int openRegular(const std::filesystem::path& path, int& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return -1;
    }
    return fd;
}

bool syncAndTruncate(int fd, std::size_t size, int& error)
{
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::fsync(fd) != 0) {
        error = errno;
        return false;
    }
    return true;
}

std::optional<unsigned long> parseNumber(std::string_view text)
{
    unsigned long value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || problem != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct TemporaryName {
    std::string host;  // empty in the names of older versions, which wrote on this host
    int pid = 0;
};

// ".tarvik-HOST-PID-SERIAL.tmp"; the host may hold dashes of its own.
std::optional<TemporaryName> parseTemporaryName(std::string_view name)
{
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
        return std::nullopt;
    std::string_view middle = name.substr(kTemporaryPrefix.size(),
                                          name.size() - kTemporaryPrefix.size() - kTemporarySuffix.size());
    const std::size_t serialDash = middle.rfind('-');
    if (serialDash == std::string_view::npos || !parseNumber(middle.substr(serialDash + 1)))
        return std::nullopt;
    middle = middle.substr(0, serialDash);
    const std::size_t pidDash = middle.rfind('-');
    const std::string_view pidText = pidDash == std::string_view::npos ? middle : middle.substr(pidDash + 1);
    const std::optional<unsigned long> pid = parseNumber(pidText);
    if (!pid || *pid == 0 || *pid > 0x7fffffff)
        return std::nullopt;
    TemporaryName parsed;
    parsed.pid = static_cast<int>(*pid);
    if (pidDash != std::string_view::npos)
        parsed.host = std::string(middle.substr(0, pidDash));
    return parsed;
}

std::string temporaryName()
{
    return std::string(kTemporaryPrefix) + hostName() + "-" + std::to_string(::getpid()) + "-"
        + std::to_string(++serial) + std::string(kTemporarySuffix);
}

void syncFolder(const std::filesystem::path& folder)
{
    const Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

enum class PlaceResult { Placed, Failed, CannotLink };

// The new contents on their way to the target's folder. Unnamed while written where the
// file system allows it, so that a writer killed meanwhile leaves nothing.
class TemporaryFile {
public:
    TemporaryFile(const std::filesystem::path& folder, bool unnamed) : folder_(folder)
    {
        // Created with 0666 so that the umask decides a new file's mode.
        if (unnamed) {
            fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                unnamed_ = true;
                return;
            }
            // The ways a file system without unnamed files says so; other failures are the folder's.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                error_ = errno;
                return;
            }
        }
        removeStaleTemporaryFiles(folder_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = folder_ / temporaryName();
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST)
                break;
        }
        error_ = fd_ >= 0 ? 0 : errno;
        named_ = fd_ >= 0;
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (named_)
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    // errno of a failed creation, and afterwards of the step that failed.
    int error() const { return error_; }

    bool writeAll(std::span<const std::uint8_t> bytes) { return writeAt(fd_, 0, bytes, error_); }

    bool flush()
    {
        if (::fsync(fd_) == 0)
            return true;
        error_ = errno;
        return false;
    }

    // Gives the file the target's name. An unnamed file needs a name of its own first: a
    // link cannot replace a file, a rename can. Should the writer be killed between the two,
    // the name says which process left it behind.
    PlaceResult placeAt(const std::filesystem::path& target)
    {
        if (unnamed_) {
            removeStaleTemporaryFiles(folder_);
            const std::string self = "/proc/self/fd/" + std::to_string(fd_);
            for (int attempt = 0; attempt < 100 && !named_; ++attempt) {
                path_ = folder_ / temporaryName();
                named_ = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0
                    || ::linkat(fd_, "", AT_FDCWD, path_.c_str(), AT_EMPTY_PATH) == 0;
                if (!named_ && errno != EEXIST)
                    return PlaceResult::CannotLink;
            }
            if (!named_)
                return PlaceResult::CannotLink;
        }
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!closed || ::rename(path_.c_str(), target.c_str()) != 0) {
            error_ = errno;
            return PlaceResult::Failed;
        }
        named_ = false;
        return PlaceResult::Placed;
    }

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
    int fd_ = -1;
    int error_ = 0;
    bool unnamed_ = false;
    bool named_ = false;  // a name of ours is on disk: removed on destruction
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

// Why a write must not touch the target, if it must not: an existing target must be a file
// the user may write, so a folder, or a file kept read-only, is not replaced behind the
// user's back. Fills in what the target is now.
std::optional<WriteError> refusal(const std::string& path, const std::filesystem::path& target, struct stat& old,
                                  bool& exists)
{
    if (path.empty())
        return WriteError{"write a file without a name", 0};
    exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return WriteError{"write " + target.string(), EISDIR};
    if (exists && !S_ISREG(old.st_mode))
        return WriteError{"write " + target.string() + ", which is not a regular file", 0};
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return WriteError{"write " + target.string(), errno};
    return std::nullopt;
}

std::string folderName(const std::filesystem::path& folder)
{
    return folder.empty() ? std::string(".") : folder.string();
}

// Writing from the start leaves the file as a prefix of the new contents followed by the
// old ones, or zeros where the file grew: anything else was written by someone else.
bool cutShortBetween(std::span<const std::uint8_t> now, std::span<const std::uint8_t> old,
                     std::span<const std::uint8_t> wanted)
{
    if (now.size() < old.size() || now.size() > std::max(old.size(), wanted.size()))
        return false;
    const auto prefix = std::mismatch(now.begin(), now.begin() + std::min(now.size(), wanted.size()),
                                      wanted.begin());
    for (auto i = static_cast<std::size_t>(prefix.first - now.begin()); i < now.size(); ++i)
        if (now[i] != (i < old.size() ? old[i] : 0))
            return false;
    return true;
}

struct CopyName {
    int pid = 0;
};

std::optional<CopyName> parseCopyName(std::string_view name)
{
    if (!name.starts_with(kCopyPrefix) || !name.ends_with(kCopySuffix))
        return std::nullopt;
    const std::string_view middle = name.substr(kCopyPrefix.size(), name.size() - kCopyPrefix.size() - kCopySuffix.size());
    const std::size_t dash = middle.find('-');
    if (dash == std::string_view::npos || !parseNumber(middle.substr(dash + 1)))
        return std::nullopt;
    const std::optional<unsigned long> pid = parseNumber(middle.substr(0, dash));
    if (!pid || *pid == 0 || *pid > 0x7fffffff)
        return std::nullopt;
    return CopyName{static_cast<int>(*pid)};
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

bool isTemporaryFileName(std::string_view name)
{
    return parseTemporaryName(name).has_value();
}

int removeStaleTemporaryFiles(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
    if (error)
        return 0;
    const std::string host = hostName();
    int removed = 0;
    // Stepped with an error code: a folder that goes away meanwhile ends the loop, no throw.
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        const std::string name = entry.path().filename().string();
        const std::optional<TemporaryName> parsed = parseTemporaryName(name);
        if (!parsed || (!parsed->host.empty() && parsed->host != host) || processRunning(parsed->pid))
            continue;
        if (entry.is_regular_file(error) && !entry.is_symlink(error) && ::unlink(entry.path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

WriteStatus writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes, WriteError* error,
                            WriteOptions options)
{
    const std::filesystem::path target = resolveTarget(path);
    struct stat old {};
    bool exists = false;
    if (std::optional<WriteError> refused = refusal(path, target, old, exists)) {
        if (error)
            *error = std::move(*refused);
        return WriteStatus::CannotOpen;
    }

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    for (const bool unnamed : {unnamedTemporaryFiles.load(), false}) {
        TemporaryFile temp(folder, unnamed);
        if (temp.fd() < 0) {
            if (exists)
                return writeFileInPlace(target.string(), bytes, error);
            return fail(WriteStatus::CannotOpen, error, "create a file in " + folderName(folder), temp.error());
        }
        if (exists) {
            // The replacement keeps the old file's permissions and, where allowed, its owner.
            // Only the superuser may give a file away; an ordinary user's save stays theirs.
            const bool ownerKept = ::fchown(temp.fd(), old.st_uid, old.st_gid) == 0;
            (void)ownerKept;
            ::fchmod(temp.fd(), old.st_mode & 07777);
        }
        if (!temp.writeAll(bytes) || (options.flushToDisk && !temp.flush()))
            return fail(WriteStatus::WriteFailed, error, "write " + target.string(), temp.error());
        switch (temp.placeAt(target)) {
        case PlaceResult::Placed:
            if (options.flushToDisk)
                syncFolder(folder);
            return WriteStatus::Ok;
        case PlaceResult::Failed:
            return fail(WriteStatus::WriteFailed, error, "replace " + target.string(), temp.error());
        case PlaceResult::CannotLink:
            break;  // no /proc and no right to link by descriptor: write again under a name
        }
    }
    return fail(WriteStatus::WriteFailed, error, "replace " + target.string(), 0);
}

WriteStatus writeFileInPlace(const std::string& path, std::span<const std::uint8_t> bytes, WriteError* error)
{
    const std::filesystem::path target = resolveTarget(path);
    const std::string name = target.string();
    int code = 0;
    const Descriptor file(openRegular(target, code));
    if (file.fd < 0)
        return fail(WriteStatus::CannotOpen, error, "open " + name, code);
    std::vector<std::uint8_t> old;
    if (!readAll(file.fd, old, code))
        return fail(WriteStatus::CannotOpen, error, "read " + name, code);
    if (std::equal(old.begin(), old.end(), bytes.begin(), bytes.end()))
        return WriteStatus::Ok;

    const std::filesystem::path folder = stateFolder();
    const std::string keep = "keep a copy of " + name + " in " + folder.string();
    if (const int made = makeStateFolder(folder); made != 0)
        return fail(WriteStatus::CannotOpen, error, keep, made);
    const std::filesystem::path copy = folder
        / (std::string(kCopyPrefix) + std::to_string(::getpid()) + "-" + std::to_string(++serial) + std::string(kCopySuffix));
    StateRecordWriter record(kCopyMagic);
    record.u64(processStartTime(::getpid()).value_or(0));
    std::error_code ignored;
    record.text(std::filesystem::absolute(target, ignored).string());
    record.blob(old);
    record.blob(bytes);
    WriteError copyError;
    if (writeFileSafely(copy.string(), record.finish(), &copyError) != WriteStatus::Ok)
        return fail(WriteStatus::CannotOpen, error, keep, copyError.code);

    // Room for the new size is claimed first, so a full disk stops the write before it
    // touches a byte.
    if (bytes.size() > old.size()) {
        code = ::posix_fallocate(file.fd, 0, static_cast<off_t>(bytes.size()));
        if (code != 0 && code != EOPNOTSUPP && code != EINVAL) {
            if (::ftruncate(file.fd, static_cast<off_t>(old.size())) == 0)
                ::unlink(copy.c_str());
            return fail(WriteStatus::WriteFailed, error, "make room for " + name, code);
        }
    }
    code = 0;
    if (writeAt(file.fd, 0, bytes, code) && syncAndTruncate(file.fd, bytes.size(), code)) {
        ::unlink(copy.c_str());
        return WriteStatus::Ok;
    }
    // The copy goes only once the old contents are back whole.
    int ignoredCode = 0;
    if (writeAt(file.fd, 0, old, ignoredCode) && syncAndTruncate(file.fd, old.size(), ignoredCode))
        ::unlink(copy.c_str());
    return fail(WriteStatus::WriteFailed, error, "write " + name, code);
}

std::vector<InterruptedWrite> restoreInterruptedWrites(const std::filesystem::path& folder)
{
    std::vector<InterruptedWrite> found;
    removeStaleTemporaryFiles(folder);
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return found;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        const std::optional<CopyName> copyName = parseCopyName(entry.path().filename().string());
        if (!copyName)
            continue;
        int code = 0;
        std::vector<std::uint8_t> stored;
        {
            const Descriptor copyFile(openRegular(entry.path(), code));
            if (copyFile.fd < 0 || !readAll(copyFile.fd, stored, code))
                continue;
        }
        StateRecordReader record(stored, kCopyMagic);
        const std::uint64_t startTime = record.u64();
        InterruptedWrite item;
        item.target = record.text();
        const auto old = record.blob();
        const auto wanted = record.blob();
        if (!record.done())
            continue;  // not a copy this version wrote
        if (processRunning(copyName->pid, startTime != 0 ? std::optional(startTime) : std::nullopt))
            continue;  // still writing
        item.copy = entry.path().string();

        const Descriptor file(openRegular(item.target, code));
        std::vector<std::uint8_t> now;
        if (file.fd < 0 || !readAll(file.fd, now, code)) {
            item.code = code;
        } else if (std::equal(now.begin(), now.end(), wanted.begin(), wanted.end())) {
            item.outcome = InterruptedWrite::Outcome::Completed;
        } else if (std::equal(now.begin(), now.end(), old.begin(), old.end())) {
            item.outcome = InterruptedWrite::Outcome::Untouched;
        } else if (cutShortBetween(now, old, wanted)) {
            if (writeAt(file.fd, 0, old, code) && syncAndTruncate(file.fd, old.size(), code))
                item.outcome = InterruptedWrite::Outcome::Restored;
            else
                item.code = code;
        }
        if (item.outcome != InterruptedWrite::Outcome::Kept) {
            ::unlink(item.copy.c_str());
            item.copy.clear();
        }
        found.push_back(std::move(item));
    }
    return found;
}

struct SafeFileStream::Temporary {
    TemporaryFile file;
    std::filesystem::path folder;
};

SafeFileStream::SafeFileStream(const std::string& path)
    : target_(resolveTarget(path))
{
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty())
        folder = ".";
    struct stat old {};
    bool exists = false;
    if (std::optional<WriteError> refused = refusal(path, target_, old, exists)) {
        failed_ = true;
        error_ = std::move(*refused);
        return;
    }
    // Named from the start: a stream cannot be written a second time should linking an
    // unnamed file fail at the end.
    temporary_.reset(new Temporary{TemporaryFile(folder, false), folder});
    if (temporary_->file.fd() < 0) {
        failed_ = true;
        error_ = {"create a file in " + folderName(folder), temporary_->file.error()};
        return;
    }
    if (exists)
        ::fchmod(temporary_->file.fd(), old.st_mode & 07777);
}

SafeFileStream::~SafeFileStream() = default;

bool SafeFileStream::ok() const
{
    return !failed_;
}

bool SafeFileStream::write(std::string_view bytes)
{
    if (failed_)
        return false;
    int code = 0;
    const auto data = std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!writeAt(temporary_->file.fd(), written_, data, code)) {
        failed_ = true;
        error_ = {"write " + target_.string(), code};
        return false;
    }
    written_ += static_cast<off_t>(bytes.size());
    return true;
}

WriteStatus SafeFileStream::commit()
{
    if (failed_)
        return WriteStatus::WriteFailed;
    if (!temporary_->file.flush() || temporary_->file.placeAt(target_) != PlaceResult::Placed) {
        failed_ = true;
        error_ = {"write " + target_.string(), temporary_->file.error()};
        return WriteStatus::WriteFailed;
    }
    syncFolder(temporary_->folder);
    return WriteStatus::Ok;
}

void testing::useUnnamedTemporaryFiles(bool use)
{
    unnamedTemporaryFiles = use;
}

} // namespace tarvik
