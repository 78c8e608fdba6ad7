#pragma once

#include "assembler/HexImage.h"
#include "model/Screen.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvik {

// One data record, without line end: ":" count, address, type 00, data, checksum.
std::string hexDataRecord(int address, std::span<const std::uint8_t> data);
// The end record; with the address 0 every image uses it is ":00000001FF".
std::string hexEndRecord(int endAddress);
// The image's records in file order, the end record last. A data record holds up to 16
// bytes of consecutive addresses; a gap left by an ORG line starts a new one.
std::vector<std::string> intelHexRecords(const HexImage& image);
// The whole file as written: every record ends in CR LF.
std::string intelHexText(const HexImage& image);

// Writes the image as an Intel HEX file. The old file is replaced only once the new one is
// completely on disk; on any failure "Otvaranje fajla %s nije uspelo!" is reported with the
// system's reason on a second line, the old file is left as it was and the result is false.
bool WriteIntelHex(Screen& screen, const std::string& fileName, const HexImage& image);

} // namespace tarvik
