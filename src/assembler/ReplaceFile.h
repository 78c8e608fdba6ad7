#pragma once

#include <string>
#include <string_view>

namespace tarvik {

// Writes the contents to a new file beside the target, flushes it to disk and renames it
// over the target, so the target holds either its old contents or all of the new ones.
// False on any failure, with the target untouched and no temporary file left behind.
bool replaceFile(const std::string& path, std::string_view contents);

} // namespace tarvik
