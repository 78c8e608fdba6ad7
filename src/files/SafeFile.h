#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarvik {

enum class WriteStatus { Ok, CannotOpen, WriteFailed };

// Writes the bytes to a temporary file in the target's folder, syncs it and renames it over
// the target only when every byte is on disk: the target holds either its old contents or
// all of the new ones, and no temporary file is left behind.
WriteStatus writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace tarvik
