#pragma once

#include "assembler/HexImage.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

// Limits of the name buffers the HEX file name passes through: the document's file-name
// part and the name the viewer keeps.
inline constexpr std::size_t kMaxFileNamePartLength = 51;
inline constexpr std::size_t kMaxHexFileNameLength = 31;

// The HEX file name of a document: its file name without folder, everything after the first
// point replaced by "hex", or "qel.hex" when there is no point (a document never saved).
// nullopt when either name is longer than its limit.
std::optional<std::string> hexFileNameFor(std::string_view documentFileName);

// Resets the image, empties the label addresses and runs the three passes. False when a pass
// failed; it has reported the error and, where failingLine is given, set it to the program
// line of that error (header line 0).
bool assembleProgram(ProgramDocument& doc, Screen& screen, HexImage& image, int* failingLine = nullptr);

enum class ConvertStatus {
    AssemblyFailed,  // a pass reported an error; no file written
    NameTooLong,     // reported; no file written
    TargetIsProgram, // the HEX file would replace the program's own file: reported, nothing written
    WriteFailed,     // reported; an older file of that name is untouched
    Written,
};

struct ConvertOutcome {
    ConvertStatus status;
    std::string hexFileName;  // set for WriteFailed and Written
};

// Convert to Hex up to the viewer: assemble, then write the HEX file into the current
// directory under the document's HEX file name, or under outputPath when one is given.
ConvertOutcome convertToHex(ProgramDocument& doc, Screen& screen, HexImage& image,
                            const std::optional<std::string>& outputPath = std::nullopt);

} // namespace tarvik
