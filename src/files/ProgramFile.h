#pragma once

#include "files/SafeFile.h"
#include "model/DeviceDefaults.h"
#include "model/ProgramDocument.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// The .qel program file: a marker of 16, then the lines, the comments and every symbol
// table, each section a count, fixed-size records and a closing marker of 16. A program
// for another device, or with a configuration word or EEPROM data, adds one more section
// after these, opened by a marker and a version of its own; readers of the older format
// stop before it.

enum class ReadStatus {
    Ok,
    CannotOpen,
    NotProgramFile,  // the first int32 is not 16: nothing is created
    BadSection1,     // lines
    BadSection2,     // comments
    BadSection3,     // the six register tables
    BadSection4,     // literals and labels
    BadSection5,     // bits
    BadSection6,     // device, configuration word and EEPROM data
};

enum class FileSection : std::uint8_t {
    Lines, Comments,
    RegisterFile0, UserSfrNames0, UserRegisters0, RegisterFile1, UserSfrNames1, UserRegisters1,
    Literals, Labels, Bits, DeviceSettings,
};

struct SectionLayout {
    FileSection section;
    std::size_t recordSize;
    ReadStatus whenDamaged;
    // Written only when it has a record, after kTrailingMarker and kTrailingVersion.
    bool trailing = false;
};

inline constexpr std::int32_t kTrailingMarker = 0x56454454;  // "TDEV"
inline constexpr std::int32_t kTrailingVersion = 1;

// The sections in file order. Reading, writing and the undo history all go by this table.
inline constexpr std::array<SectionLayout, 12> kProgramFileSections = {{
    {FileSection::Lines, 64, ReadStatus::BadSection1},
    {FileSection::Comments, 60, ReadStatus::BadSection2},
    {FileSection::RegisterFile0, 28, ReadStatus::BadSection3},
    {FileSection::UserSfrNames0, 28, ReadStatus::BadSection3},
    {FileSection::UserRegisters0, 28, ReadStatus::BadSection3},
    {FileSection::RegisterFile1, 28, ReadStatus::BadSection3},
    {FileSection::UserSfrNames1, 28, ReadStatus::BadSection3},
    {FileSection::UserRegisters1, 28, ReadStatus::BadSection3},
    {FileSection::Literals, 40, ReadStatus::BadSection4},
    {FileSection::Labels, 40, ReadStatus::BadSection4},
    {FileSection::Bits, 36, ReadStatus::BadSection5},
    {FileSection::DeviceSettings, 136, ReadStatus::BadSection6, true},
}};

static_assert([] {
    for (std::size_t i = 0; i < kProgramFileSections.size(); ++i)
        if (static_cast<std::size_t>(kProgramFileSections[i].section) != i)
            return false;
    return true;
}(), "kProgramFileSections must be indexed by FileSection");

// One section of an encoding: its stored count and the bytes of its records.
struct EncodedSection {
    std::int32_t count = 0;
    std::span<const std::uint8_t> records;
};
using EncodedSections = std::array<EncodedSection, kProgramFileSections.size()>;

// The sections of a whole encoding, read through the same checks as a file; nullopt when
// a marker, a count or a length does not hold, or anything follows the last section. The
// spans point into bytes.
std::optional<EncodedSections> splitProgramFile(std::span<const std::uint8_t> bytes);
// The encoding that holds the sections; each section's records must be count records long.
std::vector<std::uint8_t> joinProgramFile(const EncodedSections& sections);

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
