#pragma once

#include "files/DocumentLifecycle.h"
#include "model/DeviceDefaults.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// Reading MPASM source for the 16C84 and its pin-compatible successors into a program.
// Whatever the source means is either represented exactly (the program assembles to the
// memory image gpasm makes of the source) or refused with the line at fault: nothing is
// guessed, no name is cut to fit its field.

// Larger sources are refused before reading: 1024 words of program never need this much.
inline constexpr std::size_t kMaxImportSourceBytes = 4u << 20;

struct ImportMessage {
    int line = 0;  // 1-based source line
    std::string text;
};

struct ImportOutcome {
    // The new program (untitled, modified); null when the source was refused.
    std::unique_ptr<ProgramDocument> document;
    // Set when refused: the first line that cannot be represented and why.
    std::optional<ImportMessage> refusal;
    // Accepted but not kept in the program: a character program text (Latin-1) cannot hold.
    // In line order.
    std::vector<ImportMessage> notes;
};

// The device is the one the source names, else the one given, else the 16C84; a source
// that names another than the one given is refused.
ImportOutcome importMpasmSource(std::string_view source, const DeviceDefaults& defaults,
                                std::optional<Device> device = std::nullopt);

// "SOURCE.asm:LINE: TEXT", the form of every import message.
std::string formatImportMessage(std::string_view sourceName, const ImportMessage& message);

// File > Import MPASM Source...: the source at path becomes a new untitled document, not yet
// saved anywhere (so modified); a refusal, an unreadable file or what was not kept is shown
// through the screen. False when no document was opened.
bool importMpasmFile(DocumentWindows& windows, Screen& screen, const DeviceDefaults& defaults,
                     const std::string& path);

} // namespace tarvik
