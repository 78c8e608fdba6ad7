#pragma once

#include <cstdint>
#include <string>

namespace tarvik {

// What a file was at one moment: which file (device and inode, through any symbolic link),
// its size, its modification time and a hash of its contents. Taken when a document is read
// or written, it tells later whether someone else has changed the file since.
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t contentHash = 0;  // of a regular file's contents; 0 for anything else

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identifyFile(const std::string& path);

// True when the path no longer holds the file the snapshot describes: another file, or the
// same one with another size, time or contents. A write of our own replaces the file, so
// the snapshot is taken again after each one.
bool fileChanged(const FileIdentity& before, const std::string& path);

// Whether the two paths name one existing file, however they are spelled: another
// relative or absolute path, a symbolic link, a hard link.
bool sameFile(const std::string& a, const std::string& b);

} // namespace tarvik
