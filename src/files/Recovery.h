#pragma once

#include "files/FileIdentity.h"
#include "files/SafeFile.h"
#include "files/StateFolder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvik {

// A document as it stood when its recovery file was written: the program file it would
// save, its name, and what its own file was when last read or written, so that a recovered
// document still notices a file someone else has changed since.
struct RecoveryState {
    std::string fileName;  // the full path, or the "Untitled" name of an untitled document
    bool untitled = false;
    std::vector<std::uint8_t> program;  // the bytes of the program file
    FileIdentity onDisk;  // unknown (exists false) for an untitled document

    bool operator==(const RecoveryState&) const = default;
};

// A recovery file some process wrote.
struct RecoveryFile {
    std::filesystem::path path;
    int pid = 0;
    int slot = 0;
    std::string fileName;
    bool untitled = false;
    std::int64_t writtenNs = 0;  // when it was written, since the epoch
};

// The recovery files of the state folder, one per modified document of each running
// process, named by the process and a slot: a number the process gives each document and
// keeps for the document's life. Each file is replaced as a whole, so a crash leaves the
// last complete state; a damaged file reads as none.
//
// The application writes a document's state some seconds after a change and removes it when
// the document is saved or closed without saving. At start it lists the files of processes
// that no longer run and claims those the user wants back; a claimed file becomes the
// claiming process's own, so it is never lost between the question and the next write.
class RecoveryStore {
public:
    explicit RecoveryStore(std::filesystem::path folder = stateFolder());

    const std::filesystem::path& folder() const { return folder_; }

    // Replaces this process's recovery file of the slot with the state. Not flushed to the
    // disk: it has to outlive this process, not the machine.
    WriteStatus write(int slot, const RecoveryState& state, WriteError* error = nullptr) const;
    // Removes this process's recovery file of the slot, if there is one.
    void remove(int slot) const;

    // The intact recovery files of processes that no longer run, oldest process first and
    // in slot order within one process.
    std::vector<RecoveryFile> leftBehind() const;
    // Reads a recovery file; nullopt when it is gone or damaged.
    std::optional<RecoveryState> read(const std::filesystem::path& file) const;
    // Makes a file left behind this process's own file of the slot and reads it; nullopt
    // when another process claimed it first or it is damaged.
    std::optional<RecoveryState> claim(const RecoveryFile& file, int slot) const;
    // Removes a file left behind (the user chose not to recover it).
    bool discard(const RecoveryFile& file) const;

private:
    std::filesystem::path pathOf(int pid, int slot) const;

    std::filesystem::path folder_;
};

} // namespace tarvik
