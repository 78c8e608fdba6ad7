#pragma once

#include "files/SafeFile.h"
#include "model/DeviceDefaults.h"
#include "model/ProgramDocument.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// The .qel program file: a marker of 16, then the lines, the comments and every symbol
// table, each section a count, fixed-size records and a closing marker of 16.

enum class ReadStatus {
    Ok,
    CannotOpen,
    NotProgramFile,  // the first int32 is not 16: nothing is created
    BadSection1,     // lines
    BadSection2,     // comments
    BadSection3,     // the six register tables
    BadSection4,     // literals and labels
    BadSection5,     // bits
};

// The message shown for a failed read; empty for Ok.
std::string_view readStatusMessage(ReadStatus status);

struct ReadOutcome {
    ReadStatus status;
    // Null for CannotOpen and NotProgramFile. Otherwise the document, holding what was
    // read before a check failed.
    std::unique_ptr<ProgramDocument> document;
};

// On Ok the document has fileName = path, untitled = false, modified = false. After a
// failed check it stays untitled with an empty fileName for the caller to set, so a
// later Save asks for a name instead of overwriting the damaged file. Either way its
// cursor is on the header line.
ReadOutcome readProgramFile(const std::string& path, const DeviceDefaults& defaults);
ReadOutcome decodeProgramFile(std::span<const std::uint8_t> bytes, const DeviceDefaults& defaults);

std::vector<std::uint8_t> encodeProgramFile(const ProgramDocument& document);


// CannotOpen: "The file is not exist!"; empty for Ok.
std::string_view writeStatusMessage(WriteStatus status);

// Writes to a temporary file in the target's folder, flushes it to disk and renames it
// over the target only when every byte was written; on failure the old file is as it
// was and no temporary file is left. The document's flags are the caller's business.
WriteStatus writeProgramFile(const std::string& path, const ProgramDocument& document,
                             WriteError* error = nullptr);

} // namespace tarvik
