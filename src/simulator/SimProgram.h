#pragma once

#include "assembler/HexImage.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"
#include "simulator/Pic16c84.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik::sim {

// What the chip is programmed with: program memory, each word's program line, the data
// EEPROM and, from a HEX file that holds one, the configuration word.
struct SimProgram {
    std::array<std::uint16_t, kProgramWords> words;
    std::array<std::int32_t, kProgramWords> lines;  // program line (header line 0), -1 none
    std::array<std::uint8_t, kEepromBytes> eeprom{};
    std::optional<std::uint16_t> configuration;
    // A HEX file does not say; a program does.
    Device device = Device::Pic16C84;

    SimProgram()
    {
        words.fill(kErasedWord);
        lines.fill(-1);
    }
    // The first word assembled from a program line, -1 when it gives none.
    int addressOfLine(int lineNumber) const;
    // The watchdog enable bit of the configuration word; off without one.
    bool watchdogEnabled() const { return configuration && (*configuration & 0x0004); }
};

// The image the assembler made, word by word (lines are not known from it).
SimProgram programFromImage(const HexImage& image);

// Assembles the document as Convert to Hex does, without writing a file. False when a pass
// failed; it has reported the error through the screen.
bool assembleForSimulation(ProgramDocument& doc, Screen& screen, SimProgram& program);

struct HexReadOutcome {
    std::optional<SimProgram> program;
    std::string error;  // why the text is not a usable Intel HEX file
};

// Any Intel HEX file for the chip: program words at byte addresses 0-0x7FF, the configuration
// word at 0x400E, data EEPROM bytes at 0x4200 and on; other addresses are ignored.
HexReadOutcome parseIntelHex(std::string_view text);

} // namespace tarvik::sim
