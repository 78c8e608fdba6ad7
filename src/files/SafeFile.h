#pragma once

#include "files/StateFolder.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace tarvik {

enum class WriteStatus { Ok, CannotOpen, WriteFailed };

// What a failed write could not do, for the message that reports it: "Could not create
// a file in /home/ann/projects: Permission denied."
struct WriteError {
    std::string action;  // "create a file in /home/ann/projects"
    int code = 0;        // errno; 0 when the action says it all
    std::string describe() const;
};

struct WriteOptions {
    // Puts the data on the disk before the file takes its name. Files that only a crash of
    // the process must survive, not one of the machine, may skip the wait.
    bool flushToDisk = true;
};

// Writes the bytes to a temporary file in the target's folder and renames it over the
// target only when every byte is written: the target holds either its old contents or all
// of the new ones. The temporary file has no name while it is written, so a writer killed
// then leaves nothing; where the file system cannot do that, its name carries the host and
// the process, and the next write into that folder removes those of processes that no
// longer run. A file the user may write in a folder where no file may be made is written
// in place (writeFileInPlace).
WriteStatus writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                            WriteError* error = nullptr, WriteOptions options = {});

// A file written piece by piece, as a long run produces it, that takes the target's name
// only when committed: until then, and if the writer is stopped or killed, the target keeps
// its old contents. The pieces go to a temporary file named as writeFileSafely names one
// when it cannot leave it unnamed, which the next write into the folder removes once its
// writer no longer runs.
class SafeFileStream {
public:
    explicit SafeFileStream(const std::string& path);
    ~SafeFileStream();
    SafeFileStream(const SafeFileStream&) = delete;
    SafeFileStream& operator=(const SafeFileStream&) = delete;

    // False once creating or writing has failed; error() says why.
    bool ok() const;
    bool write(std::string_view bytes);
    // Puts the file on the disk under the target's name.
    WriteStatus commit();
    const WriteError& error() const { return error_; }

private:
    struct Temporary;
    std::filesystem::path target_;
    std::unique_ptr<Temporary> temporary_;
    off_t written_ = 0;
    WriteError error_;
    bool failed_ = false;
};

// Overwrites an existing file where it is. A copy of the old contents is put into the state
// folder first and removed only when the new contents are on disk, so a write cut short by
// a crash is undone by restoreInterruptedWrites; without the copy nothing is written.
WriteStatus writeFileInPlace(const std::string& path, std::span<const std::uint8_t> bytes,
                             WriteError* error = nullptr);

// Whether the name is one a writer gives its temporary files.
bool isTemporaryFileName(std::string_view name);
// Removes the temporary files in the folder left by writers of this host that no longer
// run; returns how many.
int removeStaleTemporaryFiles(const std::filesystem::path& folder);

struct InterruptedWrite {
    enum class Outcome {
        Restored,   // the file was cut short and holds its old contents again
        Completed,  // the write had finished: the file holds the new contents
        Untouched,  // the write had not begun: the file holds the old contents
        Kept,       // the file changed since, or could not be restored: the copy stays
    };
    std::string target;
    Outcome outcome = Outcome::Kept;
    std::string copy;  // the copy of the old contents, while it is kept
    int code = 0;      // errno of a failed restore
};

// For each in-place write that a process which no longer runs left unfinished: puts the
// old contents back into a file left half-written and drops the copy, or keeps the copy
// when the file has changed in another way since; removes what the copies' own writers left
// in the folder. Run at start-up.
std::vector<InterruptedWrite> restoreInterruptedWrites(const std::filesystem::path& folder = stateFolder());

namespace testing {
// Writes as on a file system without unnamed temporary files.
void useUnnamedTemporaryFiles(bool use);
} // namespace testing

} // namespace tarvik
